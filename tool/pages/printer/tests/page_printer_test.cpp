#include "page_printer.h"

#include "dialog_template.h"
#include "gbk.h"
#include "posperiph_control.h"
#include "recording_seam.h"
#include "settings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Calls = std::vector<PosCall>;

std::string Gbk(const char* utf8) { return ToGbk(QString::fromUtf8(utf8)); }
std::string B(int n) { return std::string(size_t(n), ' '); }
std::string Hyphens() { return std::string(32, '-'); }

class PrinterPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        posperiph_use_script();
        TheSettings() = ToolSettings{};
        TheSettings().otherLanguage = LANGUAGE_CHINESE;
        TheSettings().posType = 0;
        TheSettings().cashDrawerControlType = 0;
        TheSettings().printDensity = 3;
    }
    void TearDown() override { posperiph_use_simulation(); }

    // Builds the page as the main window does: settings loaded first, then the page.
    CPagePrinter& MakePage()
    {
        m_page = std::make_unique<CPagePrinter>(nullptr);
        m_page->show();
        posperiph_clear_journal();
        return *m_page;
    }
    QWidget* Control(int id) { return FindControl(m_page.get(), id); }
    QString Text(int id) { return ControlText(Control(id)); }
    void Click(int id) { QTest::mouseClick(FindControl<QPushButton>(m_page.get(), id), Qt::LeftButton); }
    bool DrawerShownOpen() { return FindControl<QRadioButton>(m_page.get(), 1011)->isChecked(); }

    CRecordingSeam m_seam;
    std::unique_ptr<CPagePrinter> m_page;
};

TEST_F(PrinterPage, ChineseTemplateAndInitialBoxes)
{
    MakePage();
    EXPECT_EQ(Text(1061), QString::fromUtf8("打印机测试(指令)"));
    EXPECT_EQ(Text(1064), QString::fromUtf8("二维码："));
    EXPECT_EQ(Text(1019), QString::fromUtf8("驱动开钱箱"));
    EXPECT_EQ(Text(1011), QString::fromUtf8("钱箱已打开"));
    EXPECT_FALSE(Control(1011)->isEnabled());
    EXPECT_EQ(Text(1022), QString::fromUtf8("打印文本测试1234567890abcdefghijklmnopqrstuvwxyz.#@!()"));
    EXPECT_EQ(Text(1021), "2000000123455");
    EXPECT_EQ(Text(1025), "https://example.com/marlow");
    EXPECT_TRUE(Text(1023).startsWith(QString::fromUtf8("           测试店\n")));
    EXPECT_EQ(Control(1018)->accessibleName(), "printer list");

    // The receipt box font: the template face, 28-pixel cells, regular weight, plain.
    const QFont font = Control(1023)->font();
    EXPECT_NEAR(QFontMetricsF(font).height(), 28.0, 1.5);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic() || font.underline() || font.strikeOut());
    EXPECT_EQ(font.family(), QString::fromUtf8("宋体"));
}

TEST_F(PrinterPage, EnglishTextsForAnyOtherLanguage)
{
    for (const char* language : {"English", "english", ""}) {
        TheSettings().otherLanguage = language;
        MakePage();
        EXPECT_EQ(Text(1060), "Cashbox Test") << language;
        EXPECT_EQ(Text(1065), "Printer Test(Windows Driver)");
        EXPECT_EQ(Text(1013), "Imgae");
        EXPECT_EQ(Text(1015), "Prt Rcp.");
        EXPECT_EQ(Text(1066), "Select:");
        EXPECT_EQ(Text(1064), "QRCode:");
        EXPECT_EQ(Text(1011), "opened");
        EXPECT_TRUE(Text(1023).startsWith("        Supper Market\n"));
        // The sample boxes are the same in both languages.
        EXPECT_EQ(Text(1021), "2000000123455");
    }
}

TEST_F(PrinterPage, DrawerControlsFollowMachineModel)
{
    struct Case {
        int posType;
        bool hidden;
    };
    for (const Case c : {Case{0, false}, Case{1, true}, Case{2, false}, Case{3, false}}) {
        TheSettings().posType = c.posType;
        MakePage();
        EXPECT_EQ(Control(1010)->isHidden(), c.hidden) << "POS/TYPE " << c.posType;
        EXPECT_EQ(Control(1011)->isHidden(), c.hidden) << "POS/TYPE " << c.posType;
    }
    // Run again when the page comes to the front: 1 hides, 0 shows, others leave them as they are.
    TheSettings().posType = 1;
    MakePage();
    TheSettings().posType = 2;
    m_page->ApplyDrawerVisibility();
    EXPECT_TRUE(Control(1010)->isHidden());
    TheSettings().posType = 0;
    m_page->ApplyDrawerVisibility();
    EXPECT_FALSE(Control(1010)->isHidden());
    EXPECT_FALSE(Control(1011)->isHidden());
}

// Each button's posperiph calls, in order, with their arguments.
TEST_F(PrinterPage, ButtonCalls)
{
    const std::string sample = Gbk("打印文本测试1234567890abcdefghijklmnopqrstuvwxyz.#@!()");
    const std::string qr = "https://example.com/marlow";
    const ShownMessage noSupport{QString::fromUtf8("No Support,when Printer Control Cashbox！"), "Tips",
                                 MsgIcon::Exclamation};
    struct Case {
        const char* name;
        int controlType;            // CashDrawer/ControlType
        int drawerStatus;           // GetCashDrawerStatus result
        std::function<void(CPagePrinter&)> edit;  // changes to the boxes before the click
        int button;
        Calls calls;
        bool drawerShownOpen;
        std::vector<ShownMessage> messages;
    };
    const auto none = [](CPagePrinter&) {};
    const auto setBox = [](int id, const char* text) {
        return [id, text](CPagePrinter& p) { SetControlText(FindControl(&p, id), QString::fromUtf8(text)); };
    };
    const Case cases[] = {
        {"open, main board drives the drawer", 0, 0, none, 1009,
         {{"OpenCashDrawerEx", {}}, {"GetCashDrawerStatus", {}}}, true, {}},
        {"open, drawer reads closed", 0, 1, none, 1009,
         {{"OpenCashDrawerEx", {}}, {"GetCashDrawerStatus", {}}}, false, {}},
        {"open, printer drives the drawer", 1, 0, none, 1009, {{"OpenCashDrawerEx", {}}}, false, {}},
        {"status, main board", 0, 0, none, 1010, {{"GetCashDrawerStatus", {}}}, true, {}},
        {"status, printer drives the drawer", 1, 0, none, 1010, {}, false, {noSupport}},
        {"status, other control type", 7, 0, none, 1010, {}, false, {noSupport}},
        {"feed", 0, 0, none, 1014, {{"BeginPrint", {"4"}}}, false, {}},
        {"cut", 0, 0, none, 1012, {{"CutPaper", {}}}, false, {}},
        {"barcode box", 0, 0, none, 1016,
         {{"PrintBarCode", {"2000000123455", "2", "50", "2"}}, {"BeginPrint", {"4"}}}, false, {}},
        {"empty barcode box", 0, 0, setBox(1021, ""), 1016,
         {{"PrintBarCode", {"", "2", "50", "2"}}, {"BeginPrint", {"4"}}}, false, {}},
        {"text four times", 0, 0, none, 1017,
         {{"PrintText", {sample, "8"}}, {"PrintText", {sample, "32"}}, {"PrintText", {sample, "40"}},
          {"PrintText", {sample, "50"}}, {"BeginPrint", {"4"}}}, false, {}},
        {"text of two lines", 0, 0, setBox(1022, "一\n二"), 1017,
         {{"PrintText", {Gbk("一\r\n二"), "8"}}, {"PrintText", {Gbk("一\r\n二"), "32"}},
          {"PrintText", {Gbk("一\r\n二"), "40"}}, {"PrintText", {Gbk("一\r\n二"), "50"}}, {"BeginPrint", {"4"}}},
         false, {}},
        {"QR code", 0, 0, none, 1026, {{"PrintQrCode", {qr, "8"}}, {"BeginPrint", {"4"}}}, false, {}},
        {"empty QR box", 0, 0, setBox(1025, ""), 1026, {{"PrintQrCode", {"", "8"}}, {"BeginPrint", {"4"}}}, false, {}},
        {"edited receipt, fixed barcode", 0, 0,
         [](CPagePrinter& p) {
             SetControlText(FindControl(&p, 1023), QString::fromUtf8("小票\nline 2"));
             SetControlText(FindControl(&p, 1021), "123");
         },
         1015,
         {{"PrintText", {Gbk("小票\r\nline 2"), "8"}}, {"PrintBarCode", {"2000000123455", "2", "50", "2"}},
          {"PrintText", {"\r\n\r\n\r\n\r\n\r\n", "8"}}, {"BeginPrint", {"8"}}, {"BeginPrint", {"4"}}},
         false, {}},
        {"empty receipt", 0, 0, setBox(1023, ""), 1015,
         {{"PrintText", {"", "8"}}, {"PrintBarCode", {"2000000123455", "2", "50", "2"}},
          {"PrintText", {"\r\n\r\n\r\n\r\n\r\n", "8"}}, {"BeginPrint", {"8"}}, {"BeginPrint", {"4"}}},
         false, {}},
    };
    for (const Case& c : cases) {
        TheSettings().cashDrawerControlType = c.controlType;
        posperiph_use_script();
        posperiph_script_result("GetCashDrawerStatus", c.drawerStatus);
        m_seam.messages.clear();
        CPagePrinter& page = MakePage();
        c.edit(page);
        Click(c.button);
        EXPECT_EQ(posperiph_journal(), c.calls) << c.name;
        EXPECT_EQ(DrawerShownOpen(), c.drawerShownOpen) << c.name;
        EXPECT_EQ(m_seam.messages, c.messages) << c.name;
    }
}

TEST_F(PrinterPage, DrawerIndicatorTurnsOffAgain)
{
    MakePage();
    Click(1010);
    EXPECT_TRUE(DrawerShownOpen());
    posperiph_script_result("GetCashDrawerStatus", 0x12);
    Click(1010);
    EXPECT_FALSE(DrawerShownOpen());
}

TEST_F(PrinterPage, SampleReceiptsAreHandedOverAsGbkBytes)
{
    const std::string hy = Hyphens();
    const std::vector<std::string> english = {
        B(8) + "Supper" + B(1) + "Market",
        "POS" + B(1) + "No.0001" + B(4) + "Cashier:1001",
        Gbk("Time：2022/01/10") + B(1) + "11:08:12",
        "Name" + B(7) + "Unit" + B(5) + "Price" + B(5) + "Num",
        hy,
        "Apple" + B(6) + "kg" + B(6) + "8.00" + B(7) + "5.00",
        "Orange" + B(5) + "kg" + B(6) + "7.00" + B(7) + "10.00",
        "Grape" + B(6) + "kg" + B(6) + "10.00" + B(6) + "10.00",
        hy,
        Gbk("Total：210.00"),
        hy,
        "Thank you!",
        "Welcom for your next shipping!",
    };
    const std::string fish = Gbk("生鱼片") + B(5) + "98.0" + B(4) + "1.00" + B(4) + "98.00";
    const std::vector<std::string> chinese = {
        B(11) + Gbk("测试店"),
        Gbk("POS机号:0001") + B(4) + Gbk("收款员：王五"),
        Gbk("交易时间：2020-05-30") + B(1) + "11:08:12",
        Gbk("品名") + B(6) + Gbk("单价") + B(5) + Gbk("数量") + B(5) + Gbk("金额"),
        Gbk("可口可乐") + B(3) + "2.50" + B(3) + "1.00" + B(6) + "2.50",
        fish, fish, fish, fish,
        hy,
        Gbk("合计金额：2323230.00"),
        Gbk("实付金额：0.01"),
        Gbk("支付方式：扫描支付"),
        hy,
    };
    // The full-width colon is two GBK bytes, A3 BA.
    EXPECT_NE(chinese[2].find("\xA3\xBA"), std::string::npos);

    for (const auto& [language, lines] : {std::pair{std::string("English"), english},
                                          std::pair{LANGUAGE_CHINESE, chinese}}) {
        TheSettings().otherLanguage = language;
        MakePage();
        Click(1015);
        std::string expected;
        for (const std::string& line : lines)
            expected += line + "\r\n";
        const Calls calls = posperiph_journal();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls[0], (PosCall{"PrintText", {expected, "8"}})) << language;
    }
}

TEST_F(PrinterPage, ImagePrintNeedsAnExistingFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bitmap = dir.filePath(QString::fromUtf8("小票 logo.bmp"));
    QFile file(bitmap);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM");
    file.close();
    const QString vanished = dir.filePath("gone.bmp");

    struct Case {
        const char* name;
        QString chosen;
        Calls calls;
    };
    const Case cases[] = {
        {"cancelled", "", {}},
        {"existing file", bitmap, {{"PrintBitmapFile", {QFile::encodeName(bitmap).toStdString(), "2"}}}},
        {"path vanished after the choice", vanished, {}},
        {"folder", dir.path(), {}},
    };
    TheSettings().printDensity = 2;
    for (const Case& c : cases) {
        MakePage();
        m_seam.fileFilters.clear();
        m_seam.chosenFile = c.chosen;
        Click(1013);
        EXPECT_EQ(m_seam.fileFilters, std::vector<QString>{"BMP(*.bmp)|*.bmp||"}) << c.name;
        EXPECT_EQ(posperiph_journal(), c.calls) << c.name;
        EXPECT_TRUE(m_seam.messages.empty()) << c.name;
    }
}

TEST_F(PrinterPage, DriverButtonsWithoutPrintersSayNoPrinter)
{
    MakePage();
    EXPECT_EQ(qobject_cast<QComboBox*>(Control(1018))->count(), 0);
    Click(1020);
    Click(1019);
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const ShownMessage noPrinter{QString::fromUtf8("没有安装打印机!\r\n No Printer"), program, MsgIcon::None};
    EXPECT_EQ(m_seam.messages, (std::vector<ShownMessage>{noPrinter, noPrinter}));
    EXPECT_TRUE(posperiph_journal().empty());
}

TEST_F(PrinterPage, BadInputIsPrintedOrRefusedWithoutHarm)
{
    MakePage();
    // 100,000 characters go to the library whole.
    const QString huge(100000, QChar('x'));
    SetControlText(Control(1023), huge);
    Click(1015);
    Calls calls = posperiph_journal();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].args[0].size(), 100000u);
    Click(1020);  // no printers here: refused at once
    EXPECT_EQ(m_seam.messages.size(), 1u);

    // Characters GBK cannot hold (an emoji, a lone surrogate) become substitutes; the rest stays.
    posperiph_clear_journal();
    SetControlText(Control(1022), QString::fromUtf8("价\xF0\x9F\x98\x80") + QChar(0xD800) + "ok");
    Click(1017);
    calls = posperiph_journal();
    ASSERT_EQ(calls.size(), 5u);
    const std::string sent = calls[0].args[0];
    EXPECT_EQ(sent.substr(0, 2), Gbk("价"));
    EXPECT_EQ(sent.substr(sent.size() - 2), "ok");
    EXPECT_EQ(sent.find('\0'), std::string::npos);
}

} // namespace
