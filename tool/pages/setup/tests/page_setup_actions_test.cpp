// The page's actions: model presets, drawer radio, save, language change, log folder.
#include "page_setup_fixture.h"

#include "restart.h"

#include <QDialog>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using P = CPageSetup;

const std::string ZH = LANGUAGE_CHINESE;

class SetupActions : public SetupPageTest {
protected:
    std::string FixedFile() const { return FixedSettingsPath(); }
    void PutFile(const std::string& bytes)
    {
        std::ofstream(FixedFile(), std::ios::binary) << bytes;
        LoadSettings(TheSettings());
    }
    std::string FileBytes() const
    {
        std::ifstream in(FixedFile(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool FileExists() const { return std::filesystem::exists(FixedFile()); }

    void ExpectNothingWrittenOrCalled()
    {
        EXPECT_FALSE(FileExists());
        EXPECT_TRUE(posperiph_journal().empty());
        EXPECT_TRUE(m_seam.events.isEmpty()) << m_seam.events.join(",").toStdString();
    }
};

// ---- model presets -------------------------------------------------------------------------

struct PickCase {
    const char* name;
    std::function<void(ToolSettings&)> stored;
    const char* model;
    std::vector<const char*> shown;
};

TEST_F(SetupActions, ModelPickFillsPresetsAndEnabledStates)
{
    const PickCase cases[] = {
        {"KA200 from a fresh terminal", [](ToolSettings&) {}, "KA200",
         {"scalePort=COM3 on", "scaleRate=115200 off", "alarm=1 off", "printerPort=LPT1 off",
          "printerRate=(none) off", "drawer=printer off off", "board=J1900 off"}},
        {"KA100 keeps the alarm box as it was (checked)",
         [](ToolSettings& s) {
             s.posType = 2;
             s.posAlarm = 1;
             s.scaleRate = 9600;
             s.printerPort = "COM2";
             s.posBoard = "I3/I5";
             s.cashDrawerControlType = 1;
         },
         "KA100",
         {"scalePort=COM4 off", "scaleRate=115200 off", "alarm=1 on", "printerPort=COM1 on",
          "printerRate=115200 on", "drawer=main on on", "board=J1900 on"}},
        {"KA100 picked again keeps the alarm box unchecked", [](ToolSettings&) {}, "KA100",
         {"scalePort=COM4 off", "alarm=0 on", "printerRate=115200 on"}},
        {"KA400 leaves the scale rate as it was",
         [](ToolSettings& s) { s.scaleRate = 9600; }, "KA400",
         {"scalePort=COM3 on", "scaleRate=9600 off", "alarm=1 on", "printerPort=USB on", "printerRate=(none) off",
          "drawer=main on on", "board=J1900 on"}},
        {"KA300 after a KA200 start enables the drawer again",
         [](ToolSettings& s) {
             s.posType = 1;
             s.cashDrawerControlType = 1;
             s.posBoard = "J1900D";
             s.scaleRate = 9600;
         },
         "KA300",
         {"scalePort=COM3 on", "scaleRate=115200 off", "alarm=1 on", "printerPort=USB on",
          "printerRate=(none) off", "drawer=main on on", "board=J1900 on"}},
    };
    for (const PickCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoadSettings(TheSettings());
        c.stored(TheSettings());
        const ToolSettings stored = TheSettings();
        MakePage();
        Pick(P::IDC_MODEL, c.model);
        ExpectShown(m_page.get(), c.shown);
        // Presets change controls only.
        ExpectNothingWrittenOrCalled();
        EXPECT_EQ(TheSettings(), stored);
    }
}

TEST_F(SetupActions, DrawerRadioEnablesTheBoardListOnlyForTheMainBoard)
{
    MakePage();
    Click(P::IDC_PRINTER_RADIO);
    ExpectShown(m_page.get(), {"drawer=printer on on", "board=J1900 off"});
    Click(P::IDC_MAINBOARD_RADIO);
    ExpectShown(m_page.get(), {"drawer=main on on", "board=J1900 on"});
    ExpectNothingWrittenOrCalled();
}

// ---- save ------------------------------------------------------------------------------------

TEST_F(SetupActions, SaveInChineseKeepsWhatTheUserDidNotTouch)
{
    // A scale port with bytes that are not valid GBK, values that equal no item, and lines that
    // are none of the fifteen keys.
    const std::string oddPort = "COM\xD6\xD0\x81";  // "COM中" and a lead byte with no trail byte
    ASSERT_NE(ToGbk(FromGbk(oddPort)), oddPort);
    const std::string before =
        "; terminal 7\r\n"
        "[SOFT]\r\ntype=2\r\n"
        "[POS]\r\nTYPE=2\r\nLOG=1\r\nAUTOCUTPAPER=0\r\nBOARD=J2000\r\nALARM=0\r\nCOMPATIBLEMODE=1\r\nVENDOR=x\r\n"
        "[PRINTER]\r\nPORT=LPT1\r\nRATE=9600\r\nLINESPACE=24\r\n"
        "[Print]\r\nDensity=5\r\n"
        "[CashDrawer]\r\nControlType=1\r\n"
        "[SCALE]\r\nPORT=" + oddPort + "\r\nRATE=9600\r\n"
        "[OTHER]\r\nLANGUAGE=" + ZH + "\r\n"
        "[EXTRA]\r\nkey=\xC4\xE3\xBA\xC3\r\n";
    PutFile(before);
    QDialog mainDialog;
    mainDialog.show();
    SetRestartTarget(&mainDialog);
    MakePage();

    Click(P::IDC_SAVE);

    std::string after = before;
    auto change = [&](const std::string& from, const std::string& to) {
        const size_t at = after.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        after.replace(at, from.size(), to);
    };
    change("type=2", "type=99");          // "其他" is stored as 99
    change("BOARD=J2000", "BOARD=");       // not a board choice: nothing selected
    change("RATE=9600\r\nLINE", "RATE=0\r\nLINE");  // LPT1 has no rate
    change("Density=5", "Density=-1");
    EXPECT_EQ(FileBytes(), after);

    ASSERT_EQ(m_seam.boxes.size(), 1u);
    EXPECT_EQ(m_seam.boxes[0].text, U("保存配置信息成功!\r\n  程序将重新运行!"));
    EXPECT_EQ(m_seam.boxes[0].title, U("提示"));
    EXPECT_EQ(m_seam.boxes[0].icon, MsgIcon::Exclamation);
    const std::vector<PosCall> calls{{"set_overflow_alarm", {"0"}}, {"ClosePrinterEx", {}}};
    EXPECT_EQ(m_seam.boxes[0].journalAtBox, calls);
    EXPECT_EQ(posperiph_journal(), calls);
    EXPECT_EQ(m_seam.events, QStringList({"box", "start"}));
    EXPECT_EQ(m_seam.started.size(), 1u);

    // The main dialog closes once control is back in its loop.
    EXPECT_TRUE(mainDialog.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(mainDialog.isVisible());
    EXPECT_EQ(mainDialog.result(), QDialog::Rejected);
    SetRestartTarget(nullptr);
}

TEST_F(SetupActions, SaveInEnglishWritesTheEditsToAFreshFile)
{
    ToolSettings& s = TheSettings();
    s.otherLanguage = "English";
    s.scalePort = "COM15";
    MakePage();

    Click(P::IDC_ALARM);
    Click(P::IDC_AUTOCUT);
    Click(P::IDC_PRINTER_RADIO);
    Pick(P::IDC_SOFTWARE, "Other");
    Pick(P::IDC_PRINTER_PORT, "COM2");
    Pick(P::IDC_PRINTER_RATE, "9600");
    Pick(P::IDC_DENSITY, "24bits");
    Ctl<QLineEdit>(P::IDC_LINESPACE)->selectAll();
    QTest::keyClicks(Ctl(P::IDC_LINESPACE), "4x0");  // digits only: the x is refused
    Click(P::IDC_SAVE);

    EXPECT_EQ(FileBytes(),
              "[SOFT]\r\ntype=2\r\n"  // "Other" is not "其他": its index
              "[POS]\r\nTYPE=0\r\nLOG=0\r\nAUTOCUTPAPER=1\r\nBOARD=J1900\r\nALARM=1\r\nCOMPATIBLEMODE=0\r\n"
              "[PRINTER]\r\nPORT=COM2\r\nRATE=9600\r\nLINESPACE=40\r\n"
              "[Print]\r\nDensity=2\r\n"
              "[CashDrawer]\r\nControlType=1\r\n"
              "[SCALE]\r\nPORT=COM15\r\nRATE=115200\r\n"
              "[OTHER]\r\nLANGUAGE=English\r\n");
    ASSERT_EQ(m_seam.boxes.size(), 1u);
    EXPECT_EQ(m_seam.boxes[0].text, "Saved successfully!\r\n The program will run again!");
    EXPECT_EQ(m_seam.boxes[0].title, "Message");
    EXPECT_EQ(m_seam.boxes[0].icon, MsgIcon::Exclamation);
    const std::vector<PosCall> calls{{"set_overflow_alarm", {"1"}}, {"ClosePrinterEx", {}}};
    EXPECT_EQ(posperiph_journal(), calls);
    EXPECT_EQ(m_seam.events, QStringList({"box", "start"}));
}

TEST_F(SetupActions, SaveAfterPickingKA200)
{
    MakePage();
    Pick(P::IDC_MODEL, "KA200");
    Click(P::IDC_SAVE);
    const ToolSettings& s = TheSettings();
    EXPECT_EQ(s.posType, 1);
    EXPECT_EQ(s.printerPort, "LPT1");
    EXPECT_EQ(s.printerRate, 0);
    EXPECT_EQ(s.posAlarm, 1);
    EXPECT_EQ(s.cashDrawerControlType, 1);
    EXPECT_EQ(s.scalePort, "COM3");
    EXPECT_EQ(posperiph_journal().at(0), (PosCall{"set_overflow_alarm", {"1"}}));
    EXPECT_NE(FileBytes().find("[SCALE]\r\nPORT=COM3\r\nRATE=115200\r\n"), std::string::npos);
}

TEST_F(SetupActions, SaveWritesWhatTheUserTyped)
{
    TheSettings().posType = 2;  // KA300: the scale port box takes typing
    TheSettings().scalePort = "COM\xD6\xD0\x81";
    MakePage();
    TypeInto(Combo(P::IDC_SCALE_PORT), U("串口7"));
    Click(P::IDC_SAVE);
    EXPECT_EQ(TheSettings().scalePort, ToGbk(U("串口7")));
    EXPECT_EQ(TheSettings().scalePort, "\xB4\xAE\xBF\xDA" "7");
}

// ---- language change -------------------------------------------------------------------------

TEST_F(SetupActions, PickingTheLanguageInForceDoesNothing)
{
    for (const std::string& language : {ZH, std::string("English")}) {
        TheSettings().otherLanguage = language;
        MakePage();
        Pick(P::IDC_LANGUAGE, FromGbk(language));
        ExpectNothingWrittenOrCalled();
    }
}

TEST_F(SetupActions, LanguageChangeWritesTheRecordAsLoadedWithTheNewLanguage)
{
    const std::string body =
        "[SOFT]\r\ntype=1\r\n"
        "[POS]\r\nTYPE=3\r\nLOG=0\r\nAUTOCUTPAPER=1\r\nBOARD=J1900D\r\nALARM=1\r\nCOMPATIBLEMODE=0\r\n; kept\r\n"
        "[PRINTER]\r\nPORT=COM5\r\nRATE=19200\r\nLINESPACE=31\r\n"
        "[Print]\r\nDensity=0\r\n"
        "[CashDrawer]\r\nControlType=0\r\n"
        "[SCALE]\r\nPORT=COM3\r\nRATE=115200\r\n"
        "[OTHER]\r\nLANGUAGE=";
    const struct {
        std::string from;
        const char* pick;
        std::string to;
        const char* text;
        const char* title;
    } cases[] = {
        {ZH, "English", "English", "The settings have taken effect and the program will run again!", "Message"},
        {"English", "中文", ZH, "设置生效，程序将重新运行!", "提示"},
        {"", "中文", ZH, "设置生效，程序将重新运行!", "提示"},  // no language selected before
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pick);
        m_seam = CRecordingSeam();
        posperiph_clear_journal();
        PutFile(body + c.from + "\r\n");
        MakePage();
        // Unsaved edits are not written.
        Pick(P::IDC_PRINTER_PORT, "USB");
        Click(P::IDC_LOG);

        Pick(P::IDC_LANGUAGE, U(c.pick));

        EXPECT_EQ(FileBytes(), body + c.to + "\r\n");
        EXPECT_EQ(TheSettings().otherLanguage, c.to);
        ASSERT_EQ(m_seam.boxes.size(), 1u);
        EXPECT_EQ(m_seam.boxes[0].text, U(c.text));
        EXPECT_EQ(m_seam.boxes[0].title, U(c.title));
        EXPECT_EQ(m_seam.boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(m_seam.events, QStringList({"box", "start"}));
        // Neither the alarm nor the printer is touched on this path.
        EXPECT_TRUE(posperiph_journal().empty());
    }
}

// ---- log folder ------------------------------------------------------------------------------

TEST_F(SetupActions, LogFolderButtonExploresTheVendorLogFolder)
{
    MakePage();
    Click(P::IDC_LOG_FOLDER);
    EXPECT_EQ(m_seam.explored, std::vector<QString>{m_home.path() + "/log"});
    EXPECT_EQ(m_seam.events, QStringList({"explore"}));
    EXPECT_FALSE(FileExists());
    EXPECT_TRUE(posperiph_journal().empty());
}

} // namespace
