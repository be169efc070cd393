// The main window with real widgets on the offscreen platform: initialisation, title, labels,
// page switching with the bold button, the layout rules, and the ways it ends.
#include "dialog_template.h"
#include "main_dlg.h"
#include "main_layout.h"
#include "page_printer.h"
#include "page_scale.h"
#include "page_setup.h"
#include "platform_seam.h"
#include "posperiph_control.h"
#include "restart.h"
#include "settings.h"

#include <QAccessible>

#include <QFontInfo>
#include <QFrame>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Dlg = CMarlowPosTestDlg;

// A vendor folder of its own whose settings file holds the language.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/main_window_test.XXXXXX";
        m_home = ::mkdtemp(tmpl);
        ::setenv("NORVALE_HOME", m_home.c_str(), 1);
        posperiph_use_script();
        posperiph_script_version("V2.15");
    }
    void TearDown() override
    {
        ::unsetenv("NORVALE_HOME");
        fs::remove_all(m_home);
    }
    void Language(const std::string& gbk)
    {
        std::ofstream(m_home / "scales.ini", std::ios::binary) << "[OTHER]\r\nLANGUAGE=" << gbk << "\r\n";
    }
    static QPushButton* Button(Dlg& d, int id) { return FindControl<QPushButton>(&d, id); }
    static bool Bold(QPushButton* b) { return b->font().weight() == QFont::Bold; }
    fs::path m_home;
};

TEST_F(MainWindow, OpensWithTheSetupPageInFrontAndItsButtonBold)
{
    Dlg dlg;
    dlg.show();
    EXPECT_TRUE(dlg.PageSetup()->isVisible());
    EXPECT_FALSE(dlg.PagePrinter()->isVisible());
    EXPECT_FALSE(dlg.PageScale()->isVisible());
    EXPECT_TRUE(Bold(Button(dlg, Dlg::IDC_BTN_SETUP)));
    EXPECT_FALSE(Bold(Button(dlg, Dlg::IDC_BTN_SCALE)));
    EXPECT_FALSE(Bold(Button(dlg, Dlg::IDC_BTN_PRINTER)));
    EXPECT_FALSE(Bold(Button(dlg, Dlg::IDC_BTN_CLOSE)));

    // The pages are children of the tab area, created setup, printer, scale, each 1 pixel in
    // from the left and top, 2 from the right and 20 from the bottom.
    auto* area = FindControl<QFrame>(&dlg, Dlg::IDC_TAB_AREA);
    ASSERT_NE(area, nullptr);
    const QObjectList kids = area->children();
    ASSERT_GE(kids.size(), 3);
    EXPECT_EQ(kids[0], dlg.PageSetup());
    EXPECT_EQ(kids[1], dlg.PagePrinter());
    EXPECT_EQ(kids[2], dlg.PageScale());
    const QRect expected(1, 1, area->width() - 3, area->height() - 21);
    EXPECT_EQ(dlg.PageSetup()->geometry(), expected);
    EXPECT_EQ(dlg.PageScale()->geometry(), expected);

    // What a screen reader hears: the buttons' texts, the tab area's role.
    for (int id : {Dlg::IDC_BTN_SCALE, Dlg::IDC_BTN_PRINTER, Dlg::IDC_BTN_SETUP, Dlg::IDC_BTN_CLOSE}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Button(dlg, id));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), Button(dlg, id)->text());
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(area)->text(QAccessible::Name), "page area");
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize()) << "no sizing border";
    // Fonts: 宋体 stands for an installed CJK font; a cell 22 pixels high at most.
    EXPECT_EQ(dlg.NormalFont().weight(), QFont::Normal);
    EXPECT_EQ(dlg.BoldFont().weight(), QFont::Bold);
    EXPECT_LE(QFontMetrics(dlg.NormalFont()).height(), 22);
    EXPECT_TRUE(QFontInfo(dlg.NormalFont()).family().contains("WenQuanYi")) << QFontInfo(dlg.NormalFont()).family().toStdString();
}

TEST_F(MainWindow, TitleAndLabelsFollowTheLanguage)
{
    const struct {
        std::string language;  // GBK; empty: no settings file
        QString title;
        QStringList labels;  // scale, printer, settings, close
    } cases[] = {
        {"", QString::fromUtf8("POS秤配置工具V5.0.23.220  DllVersion:V2.15"),
         {QString::fromUtf8("秤台测试"), QString::fromUtf8("打印机/钱箱"), QString::fromUtf8("设置"), QString::fromUtf8("关闭")}},
        {"\xD6\xD0\xCE\xC4", QString::fromUtf8("POS秤配置工具V5.0.23.220  DllVersion:V2.15"),
         {QString::fromUtf8("秤台测试"), QString::fromUtf8("打印机/钱箱"), QString::fromUtf8("设置"), QString::fromUtf8("关闭")}},
        {"English", "POSScale ConfigTool V5.0.23.220  DllVersion:V2.15",
         {"Scale Test", "Printer/CashBox Test", "Configure", "CLOSE"}},
        {"english", "POSScale ConfigTool V5.0.23.220  DllVersion:V2.15",
         {"Scale Test", "Printer/CashBox Test", "Configure", "CLOSE"}},
    };
    for (const auto& c : cases) {
        fs::remove(m_home / "scales.ini");
        if (!c.language.empty())
            Language(c.language);
        Dlg dlg;
        EXPECT_EQ(dlg.windowTitle(), c.title) << c.language;
        const int ids[] = {Dlg::IDC_BTN_SCALE, Dlg::IDC_BTN_PRINTER, Dlg::IDC_BTN_SETUP, Dlg::IDC_BTN_CLOSE};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Button(dlg, ids[i])->text(), c.labels[i]) << c.language;
    }

    // An empty library version leaves the title ending in the label.
    posperiph_script_version("");
    posperiph_clear_journal();
    Language("English");
    Dlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "POSScale ConfigTool V5.0.23.220  DllVersion:");
    const auto calls = posperiph_journal();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), PosCall{"GetDllVersion", {}}), 1);
}

TEST_F(MainWindow, PageButtonsBringTheirPageToTheFrontInBold)
{
    Dlg dlg;
    dlg.show();
    const struct {
        int button;
        QWidget* page;
    } steps[] = {
        {Dlg::IDC_BTN_PRINTER, dlg.PagePrinter()}, {Dlg::IDC_BTN_PRINTER, dlg.PagePrinter()},
        {Dlg::IDC_BTN_SCALE, dlg.PageScale()},     {Dlg::IDC_BTN_SETUP, dlg.PageSetup()},
        {Dlg::IDC_BTN_SCALE, dlg.PageScale()},
    };
    for (const auto& s : steps) {
        QTest::mouseClick(Button(dlg, s.button), Qt::LeftButton);
        for (QWidget* page : {static_cast<QWidget*>(dlg.PageSetup()), static_cast<QWidget*>(dlg.PagePrinter()),
                              static_cast<QWidget*>(dlg.PageScale())})
            EXPECT_EQ(page->isVisible(), page == s.page) << s.button;
        for (int id : {Dlg::IDC_BTN_SCALE, Dlg::IDC_BTN_PRINTER, Dlg::IDC_BTN_SETUP})
            EXPECT_EQ(Bold(Button(dlg, id)), id == s.button) << s.button << " " << id;
        EXPECT_TRUE(dlg.isVisible());
    }
}

TEST_F(MainWindow, ScalePollingGoesOnWhileAnotherPageIsInFront)
{
    Dlg dlg;
    dlg.show();
    QTest::mouseClick(Button(dlg, Dlg::IDC_BTN_SCALE), Qt::LeftButton);
    QTest::mouseClick(FindControl<QPushButton>(dlg.PageScale(), 1004), Qt::LeftButton);  // Start
    QTest::mouseClick(Button(dlg, Dlg::IDC_BTN_SETUP), Qt::LeftButton);
    ASSERT_FALSE(dlg.PageScale()->isVisible());

    posperiph_clear_journal();
    std::array<unsigned char, 32> reading{};
    reading[0] = 3;
    std::memcpy(&reading[1], "  1.250", 7);
    posperiph_script_reading(240, reading);
    const auto polls = [] {
        int n = 0;
        for (const PosCall& c : posperiph_journal())
            n += c.fn == "read_standard";
        return n;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return polls() >= 2; }, 2000));
    EXPECT_EQ(ControlText(FindControl(dlg.PageScale(), 1008)), "  1.250");
}

TEST_F(MainWindow, EveryWayOfClosingEndsTheLoop)
{
    const struct {
        const char* name;
        void (*act)(Dlg&);
        int result;
    } ways[] = {
        {"close button", [](Dlg& d) { QTest::mouseClick(Button(d, Dlg::IDC_BTN_CLOSE), Qt::LeftButton); },
         QDialog::Rejected},
        {"Esc", [](Dlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, QDialog::Rejected},
        {"system close", [](Dlg& d) { d.close(); }, QDialog::Rejected},
        {"Enter with no button focused",
         [](Dlg& d) {
             d.setFocus();
             QTest::keyClick(&d, Qt::Key_Return);
         },
         QDialog::Accepted},
    };
    for (const auto& w : ways) {
        Dlg dlg;
        QTimer::singleShot(0, &dlg, [&dlg, &w] { w.act(dlg); });
        QTimer::singleShot(5000, &dlg, [&dlg] { dlg.done(99); });  // never hang the test
        EXPECT_EQ(dlg.exec(), w.result) << w.name;
    }

    // Enter on a focused page button presses it and the window stays.
    Dlg dlg;
    dlg.show();
    Button(dlg, Dlg::IDC_BTN_SCALE)->setFocus();
    QTest::keyClick(Button(dlg, Dlg::IDC_BTN_SCALE), Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.PageScale()->isVisible());
}

// Records program starts instead of making them.
class RecordingSeam : public CPlatformSeam {
public:
    void StartProgram(const QString& path) override { started << path; }
    QStringList started;
};

TEST_F(MainWindow, RestartClosesTheWindowAfterTheCallerReturnsAndStartsTheProgramFile)
{
    RecordingSeam seam;
    SetSeam(&seam);
    Dlg dlg;
    bool openWhenReturned = false;
    QTimer::singleShot(0, &dlg, [&] {
        RestartProgram();
        openWhenReturned = dlg.isVisible();
    });
    QTimer::singleShot(5000, &dlg, [&dlg] { dlg.done(99); });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    SetSeam(nullptr);
    EXPECT_TRUE(openWhenReturned);
    ASSERT_EQ(seam.started.size(), 1);
    EXPECT_EQ(seam.started[0].toStdString(), fs::canonical("/proc/self/exe").string());
}

TEST_F(MainWindow, LayoutKeepsButtonsAndStretchesCloseButtonAndTabArea)
{
    Dlg dlg;
    dlg.show();
    const LayoutMeasures& m = Dlg::Measures();
    QWidget* scale = Button(dlg, Dlg::IDC_BTN_SCALE);
    QWidget* printer = Button(dlg, Dlg::IDC_BTN_PRINTER);
    QWidget* close = Button(dlg, Dlg::IDC_BTN_CLOSE);
    QWidget* area = FindControl(&dlg, Dlg::IDC_TAB_AREA);
    // The template's buttons touch; 99 dialog units lie between settings and close.
    EXPECT_EQ(m.gap1, 0);
    EXPECT_EQ(m.gap2, 0);
    EXPECT_GT(m.gap3, 0);
    EXPECT_EQ(m.scaleLeft, 0);
    EXPECT_EQ(close->geometry().right() + 1 + m.closeRightMargin, dlg.width());

    const QRect scaleBefore = scale->geometry(), printerBefore = printer->geometry();
    dlg.setFixedSize(dlg.width() + 100, dlg.height() + 60);  // the size event applies the layout
    EXPECT_EQ(scale->geometry(), scaleBefore);
    EXPECT_EQ(printer->geometry(), printerBefore);
    EXPECT_EQ(dlg.width() - (close->x() + close->width()), m.closeRightMargin);
    EXPECT_EQ(dlg.width() - (area->x() + area->width()), m.tabRightMargin);
    EXPECT_EQ(dlg.height() - (area->y() + area->height()), m.tabBottomMargin);
    EXPECT_EQ(area->x(), m.tabLeft);
    EXPECT_EQ(area->y() - (scale->y() + scale->height()), m.dropScale);
}

TEST(MainLayout, ApplyFollowsTheMeasuresFromTheCurrentPositions)
{
    const MainControls placed{QRect(0, 2, 100, 50), QRect(100, 2, 110, 50), QRect(210, 2, 100, 50),
                              QRect(508, 2, 70, 50), QRect(4, 60, 572, 370)};
    const QRect client(0, 0, 580, 440);
    const LayoutMeasures m = MeasureLayout(placed, client);
    EXPECT_EQ(m.gap3, 198);
    EXPECT_EQ(m.dropScale, 8);
    EXPECT_EQ(m.closeRightMargin, 2);
    EXPECT_EQ(m.tabBottomMargin, 10);

    // The same client area gives the same places.
    const MainControls same = ApplyLayout(m, placed, client);
    EXPECT_EQ(same.scale, placed.scale);
    EXPECT_EQ(same.close, placed.close);
    EXPECT_EQ(same.tab, placed.tab);

    const MainControls wider = ApplyLayout(m, placed, QRect(0, 0, 880, 640));
    EXPECT_EQ(wider.settings, placed.settings);
    EXPECT_EQ(wider.close, QRect(508, 2, 370, 50));
    EXPECT_EQ(wider.tab, QRect(4, 60, 872, 570));
}

TEST(MainLayout, MinimumSizeMovesTheDraggedEdges)
{
    const struct {
        SizingEdge edge;
        QRect proposed, expected;
    } cases[] = {
        {SizingEdge::Right, QRect(100, 50, 700, 500), QRect(100, 50, 800, 600)},
        {SizingEdge::BottomRight, QRect(100, 50, 700, 500), QRect(100, 50, 800, 600)},
        {SizingEdge::TopLeft, QRect(100, 50, 700, 500), QRect(0, -50, 800, 600)},
        {SizingEdge::Left, QRect(100, 50, 700, 500), QRect(0, 50, 800, 600)},
        {SizingEdge::Top, QRect(100, 50, 700, 500), QRect(100, -50, 800, 600)},
        {SizingEdge::TopRight, QRect(100, 50, 700, 500), QRect(100, -50, 800, 600)},
        {SizingEdge::BottomLeft, QRect(100, 50, 700, 500), QRect(0, 50, 800, 600)},
        {SizingEdge::Left, QRect(100, 50, 900, 700), QRect(100, 50, 900, 700)},
        {SizingEdge::Bottom, QRect(100, 50, 850, 599), QRect(100, 50, 850, 600)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyMinimumSize(c.proposed, c.edge), c.expected) << int(c.edge);
}

} // namespace
