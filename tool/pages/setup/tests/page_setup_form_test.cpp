// The page fill: stored settings to the controls shown and their enabled states.
#include "page_setup_fixture.h"

#include <functional>

namespace {

using P = CPageSetup;

struct FillCase {
    const char* name;
    std::function<void(ToolSettings&)> stored;
    std::vector<const char*> shown;  // entries of the snapshot that this case is about
};

class PageFill : public SetupPageTest {};

TEST_F(PageFill, StoredSettingsToControlsAndEnabledStates)
{
    const FillCase cases[] = {
        {"defaults of a fresh terminal",
         [](ToolSettings&) {},
         {"model=KA100", "software=其他", "scalePort=COM4 off", "scalePortItem=COM4", "scaleRate=115200 off", "alarm=0 on",
          "compatible=0", "printerPort=USB on", "printerRate=115200 on", "density=双24点", "lineSpace=31",
          "autoCut=0", "drawer=main on on", "board=J1900 on", "log=0", "language=中文", "saveButton=保存配置"}},
        {"model out of range shows KA100 with its rules",
         [](ToolSettings& s) { s.posType = 7; },
         {"model=KA100", "scalePort=COM4 off"}},
        {"negative model index shows KA100",
         [](ToolSettings& s) { s.posType = -1; },
         {"model=KA100"}},
        {"KA200: stored alarm and rate replace what the rules set, enabled states stay",
         [](ToolSettings& s) {
             s.posType = 1;
             s.posAlarm = 0;
             s.printerRate = 9600;
             s.scalePort = "COM15";
             s.cashDrawerControlType = 1;
         },
         {"model=KA200", "scalePort=COM15 on", "scalePortItem=(none)", "scaleRate=115200 off", "alarm=0 off",
          "printerPort=USB off", "printerRate=9600 off", "drawer=printer off off", "board=J1900 off"}},
        {"KA300",
         [](ToolSettings& s) {
             s.posType = 2;
             s.posAlarm = 0;
             s.scalePort = "COM12";
         },
         {"model=KA300", "scalePort=COM12 on", "scalePortItem=COM12", "alarm=0 on", "printerPort=USB on", "printerRate=115200 off",
          "drawer=main on on", "board=J1900 on"}},
        {"KA400 with flags set",
         [](ToolSettings& s) {
             s.posType = 3;
             s.posAlarm = 1;
             s.posCompatibleMode = 1;
             s.posAutoCutPaper = 1;
             s.posLog = 1;
         },
         {"model=KA400", "alarm=1 on", "compatible=1", "autoCut=1", "log=1", "printerRate=115200 off"}},
        {"LPT1 clears the printer rate",
         [](ToolSettings& s) {
             s.printerPort = "LPT1";
             s.printerRate = 9600;
         },
         {"printerPort=LPT1 on", "printerRate=(none) on"}},
        {"values that equal no item show no selection",
         [](ToolSettings& s) {
             s.printerPort = "usb";
             s.printerRate = 4800;
             s.posBoard = "J2000";
             s.printDensity = 4;
             s.scalePort = "";
         },
         {"printerPort=(none) on", "printerRate=(none) on", "board=(none) on", "density=(none)",
          "scalePort= off", "scalePortItem=(none)"}},
        {"software 99 and -1 show the third choice; 0 and 1 their own",
         [](ToolSettings& s) { s.softType = 99; },
         {"software=其他"}},
        {"software 1",
         [](ToolSettings& s) { s.softType = 1; },
         {"software=Norvale软件"}},
        {"density 0, odd integers shown as stored",
         [](ToolSettings& s) {
             s.printDensity = 0;
             s.printerLineSpace = -5;
             s.scaleRate = 0;
             s.posAlarm = 2;
             s.cashDrawerControlType = -1;
         },
         {"density=单8点", "lineSpace=-5", "scaleRate=0 off", "alarm=1 on", "drawer=printer on on"}},
        {"English labels with the lists refilled",
         [](ToolSettings& s) {
             s.otherLanguage = "English";
             s.softType = 0;
             s.printDensity = 1;
         },
         {"language=English", "software=Brindle", "density=Dual-8bits", "saveButton=SAVE"}},
        {"any language but 中文 is English; not a choice: no selection",
         [](ToolSettings& s) {
             s.otherLanguage = "english";
             s.softType = -3;
             s.printDensity = 5;
         },
         {"language=(none)", "software=Other", "density=(none)", "saveButton=SAVE"}},
        {"an empty language is English too",
         [](ToolSettings& s) { s.otherLanguage = ""; },
         {"language=(none)", "software=Other", "density=Dual-24bits"}},
    };
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoadSettings(TheSettings());
        c.stored(TheSettings());
        MakePage();
        ExpectShown(m_page.get(), c.shown);
    }
}

TEST_F(PageFill, TemplateTextsInEitherLanguage)
{
    const struct {
        int id;
        const char* zh;
        const char* en;
    } texts[] = {
        {1049, "机器型号：", "Model:"},        {1051, "秤台参数", "Weighing Parameters"},
        {P::IDC_ALARM, "负重量报警", "Negative weight alarm"},
        {1053, "打印机参数", "Printer Parameters"}, {1056, "打印行间距：", "Line space:"},
        {1055, "图片密度：", "BMP density:"}, {P::IDC_MAINBOARD_RADIO, "主板控制", "MainBoard"},
        {P::IDC_PRINTER_RADIO, "打印机控制", "Printer"}, {1058, "其他参数", "Other Parameters"},
        {P::IDC_LOG, "记录运行日志", "Record LOG"}, {P::IDC_LOG_FOLDER, "日志文件", "Log File"},
        {1059, "选择语言:", "Language:"},      {P::IDC_AUTOCUT, "自动切纸", "Auto CutPaper"},
        {P::IDC_COMPATIBLE, "兼容模式", "Compatible"},
    };
    for (const char* language : {"\xD6\xD0\xCE\xC4", "English"}) {
        const bool chinese = std::string(language) == LANGUAGE_CHINESE;
        SCOPED_TRACE(chinese ? "Chinese" : "English");
        TheSettings().otherLanguage = language;
        MakePage();
        for (const auto& t : texts)
            EXPECT_EQ(ControlText(Ctl(t.id)), U(chinese ? t.zh : t.en)) << t.id;
        // The frame without text stays without text; the board list is never shown.
        QWidget* frame = m_page->findChild<QWidget*>("static", Qt::FindDirectChildrenOnly);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(ControlText(frame), "");
        EXPECT_TRUE(Ctl(P::IDC_BOARD)->isHidden());
        EXPECT_EQ(Combo(P::IDC_SOFTWARE)->count(), 3);
        EXPECT_EQ(Combo(P::IDC_DENSITY)->count(), 4);
        EXPECT_EQ(Combo(P::IDC_MODEL)->count(), 4);
        EXPECT_EQ(Combo(P::IDC_SCALE_PORT)->count(), 12);
        EXPECT_EQ(Combo(P::IDC_SCALE_RATE)->count(), 0);
        EXPECT_EQ(Combo(P::IDC_PRINTER_PORT)->itemText(7), "LPT1");
        EXPECT_EQ(Ctl(P::IDC_LINESPACE)->accessibleName(), "line spacing field");
    }
}

} // namespace
