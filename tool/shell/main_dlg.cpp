#include "main_dlg.h"

#include "dialog_template.h"
#include "gbk.h"
#include "page_printer.h"
#include "page_scale.h"
#include "page_setup.h"
#include "posperiph.h"
#include "restart.h"
#include "settings.h"
#include "version.h"

#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

// The resources of tool/resources (the program icon), linked into this library.
static void InitToolResources() { Q_INIT_RESOURCE(tool_resources); }

namespace {

using Dlg = CMarlowPosTestDlg;

const ControlSpec MAIN_CONTROLS[] = {
    {Dlg::IDC_BTN_SCALE, CtlKind::PushButton, 0, 1, 50, 28, "秤台测试", "Scale Test", CTL_NONE, nullptr},
    {Dlg::IDC_BTN_PRINTER, CtlKind::PushButton, 50, 1, 55, 28, "打印机/钱箱", "Printer/CashBox Test", CTL_WRAP,
     nullptr},
    {Dlg::IDC_BTN_SETUP, CtlKind::PushButton, 105, 1, 50, 28, "设置", "Configure", CTL_NONE, nullptr},
    {Dlg::IDC_TAB_AREA, CtlKind::TabArea, 2, 31, 286, 186, nullptr, nullptr, CTL_NOTABSTOP, "page area"},
    {Dlg::IDC_BTN_CLOSE, CtlKind::PushButton, 254, 1, 35, 28, "关闭", "CLOSE", CTL_NONE, nullptr},
};
const DialogTemplate MAIN_TEMPLATE{Dlg::IDD, 291, 222, "宋体", 16, 400, MAIN_CONTROLS};

LayoutMeasures g_measures;

int Right(const QRect& r) { return r.x() + r.width(); }
int Bottom(const QRect& r) { return r.y() + r.height(); }

} // namespace

QString MainWindowTitle(bool chinese, const std::string& toolVersion, const std::string& dllVersionGbk)
{
    const QString prefix = chinese ? QString::fromUtf8("POS秤配置工具V") : QStringLiteral("POSScale ConfigTool V");
    return prefix + QString::fromLatin1(toolVersion) + QStringLiteral("  DllVersion:") + FromGbk(dllVersionGbk);
}

QFont PageButtonFont(int weight)
{
    QFont f(QString::fromUtf8("宋体"));
    f.setStyleHint(QFont::SansSerif);
    f.setWeight(static_cast<QFont::Weight>(weight));
    // A Windows font height is the whole character cell; find the largest size whose cell fits.
    int px = 22;
    f.setPixelSize(px);
    while (px > 8 && QFontMetrics(f).height() > 22)
        f.setPixelSize(--px);
    return f;
}

CMarlowPosTestDlg::CMarlowPosTestDlg(QWidget* parent) : QDialog(parent)
{
    InitToolResources();
    m_hIcon = QIcon(QStringLiteral(":/marlow_pos_test.png"));
    // Caption, system menu and close box; topmost; no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    BuildControls(this, MAIN_TEMPLATE);
    SetRestartTarget(this);

    // Data exchange: the members bound to their controls.
    m_btnScale = FindControl<QPushButton>(this, IDC_BTN_SCALE);
    m_btnPrinter = FindControl<QPushButton>(this, IDC_BTN_PRINTER);
    m_btnSetup = FindControl<QPushButton>(this, IDC_BTN_SETUP);
    m_tabArea = FindControl<QFrame>(this, IDC_TAB_AREA);
    QPushButton* btnClose = FindControl<QPushButton>(this, IDC_BTN_CLOSE);
    m_tabArea->setFrameShadow(QFrame::Sunken);
    for (QPushButton* b : {m_btnScale, m_btnPrinter, m_btnSetup, btnClose})
        b->setAutoDefault(false);  // Enter is the window's own matter (keyPressEvent)
    connect(m_btnScale, &QPushButton::clicked, this, [this] { ShowPage(Page::Scale); });
    connect(m_btnPrinter, &QPushButton::clicked, this, [this] { ShowPage(Page::Printer); });
    connect(m_btnSetup, &QPushButton::clicked, this, [this] { ShowPage(Page::Setup); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    LayoutControls(LayoutMode::Measure);
    LayoutControls(LayoutMode::Apply);
    setWindowIcon(m_hIcon);

    ToolSettings& settings = TheSettings();
    LoadSettings(settings);
    char version[20] = {};
    GetDllVersion(version);
    setWindowTitle(MainWindowTitle(IsChinese(settings), ToolVersionText(), std::string(version)));
    setAccessibleName(windowTitle());

    m_fontNormal = PageButtonFont(400);
    m_fontBold = PageButtonFont(700);
    for (QPushButton* b : {m_btnScale, m_btnPrinter, m_btnSetup, btnClose})
        b->setFont(m_fontNormal);

    const QRect area = m_tabArea->rect();
    const int left = area.x(), top = area.y(), right = Right(area), bottom = Bottom(area);
    m_pageSetup = new CPageSetup(m_tabArea);
    m_pagePrinter = new CPagePrinter(m_tabArea);
    m_pageScale = new CPageScale(m_tabArea);
    // Each page leaves 1 pixel of the area free at the left and top, 2 at the right, 20 below.
    const QRect pageRect(left + 1, top + 1, (right - 2) - (left + 1), (bottom - 20) - (top + 1));
    for (QWidget* page : {static_cast<QWidget*>(m_pageSetup), static_cast<QWidget*>(m_pagePrinter),
                          static_cast<QWidget*>(m_pageScale)})
        page->setGeometry(pageRect);

    ApplyEnglishLabels();
    m_pageSetup->hide();
    m_pagePrinter->hide();
    m_pageScale->hide();
    for (QPushButton* b : {m_btnScale, m_btnPrinter, m_btnSetup})
        b->setFont(m_fontNormal);
    m_pageSetup->show();
    m_btnSetup->setFont(m_fontBold);

    // The template has no sizing border: the window keeps its size.
    setFixedSize(size());
}

CMarlowPosTestDlg::~CMarlowPosTestDlg()
{
    SetRestartTarget(nullptr);
}

const LayoutMeasures& CMarlowPosTestDlg::Measures() { return g_measures; }

void CMarlowPosTestDlg::ApplyEnglishLabels()
{
    if (IsChinese(TheSettings()))
        return;
    ApplyEnglishTexts(this, MAIN_TEMPLATE);
}

void CMarlowPosTestDlg::ShowPage(Page page)
{
    m_pageSetup->hide();
    m_pagePrinter->hide();
    m_pageScale->hide();
    for (QPushButton* b : {m_btnScale, m_btnPrinter, m_btnSetup})
        b->setFont(m_fontNormal);
    switch (page) {
    case Page::Scale:
        m_pageScale->show();
        m_btnScale->setFont(m_fontBold);
        break;
    case Page::Printer:
        m_pagePrinter->show();
        m_pagePrinter->ApplyDrawerVisibility();
        m_btnPrinter->setFont(m_fontBold);
        break;
    case Page::Setup:
        m_pageSetup->show();
        m_btnSetup->setFont(m_fontBold);
        break;
    }
}

MainControls CMarlowPosTestDlg::CurrentControls() const
{
    return MainControls{m_btnScale->geometry(), m_btnPrinter->geometry(), m_btnSetup->geometry(),
                        FindControl(this, IDC_BTN_CLOSE)->geometry(), m_tabArea->geometry()};
}

void CMarlowPosTestDlg::LayoutControls(LayoutMode mode)
{
    if (mode == LayoutMode::Measure) {
        g_measures = MeasureLayout(CurrentControls(), rect());
        m_measured = true;
    } else {
        const MainControls placed = ApplyLayout(g_measures, CurrentControls(), rect());
        m_btnScale->setGeometry(placed.scale);
        m_btnPrinter->setGeometry(placed.printer);
        m_btnSetup->setGeometry(placed.settings);
        FindControl(this, IDC_BTN_CLOSE)->setGeometry(placed.close);
        m_tabArea->setGeometry(placed.tab);
    }
    update();
}

void CMarlowPosTestDlg::OnSizing(SizingEdge edge, QRect& proposed)
{
    proposed = ApplyMinimumSize(proposed, edge);
}

void CMarlowPosTestDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // Sizes before the controls exist and are measured change nothing.
    if (m_measured)
        LayoutControls(LayoutMode::Apply);
}

void CMarlowPosTestDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused push button takes Enter; otherwise it is the OK command, which ends the loop.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled())
                button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);  // Esc: the cancel command
}
