// The main window: four buttons above a framed area that holds the three pages, which the page
// buttons bring to the front. Its modal loop is the program's life.
#pragma once

#include "main_layout.h"

#include <QDialog>
#include <QFont>
#include <QIcon>

class CPageSetup;
class CPagePrinter;
class CPageScale;
class QFrame;
class QPushButton;

class CMarlowPosTestDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 102 };
    enum ControlId {
        IDC_BTN_SCALE = 1000,
        IDC_BTN_PRINTER = 1001,
        IDC_BTN_SETUP = 1002,
        IDC_TAB_AREA = 1003,
        IDC_BTN_CLOSE = 1007,
    };
    enum class Page { Scale, Printer, Setup };
    enum class LayoutMode { Measure, Apply };

    // Builds the window from its template and runs its whole initialisation: settings, title,
    // fonts, the pages (setup, printer, scale), setup page in front.
    explicit CMarlowPosTestDlg(QWidget* parent = nullptr);
    ~CMarlowPosTestDlg() override;

    void ShowPage(Page page);
    void LayoutControls(LayoutMode mode);
    // The sizing rule for a proposed window rectangle (where a platform reports one while the
    // user drags an edge): at least 800 × 600.
    void OnSizing(SizingEdge edge, QRect& proposed);

    CPageSetup* PageSetup() const { return m_pageSetup; }
    CPagePrinter* PagePrinter() const { return m_pagePrinter; }
    CPageScale* PageScale() const { return m_pageScale; }
    const QFont& NormalFont() const { return m_fontNormal; }
    const QFont& BoldFont() const { return m_fontBold; }
    // The measures taken at initialisation (one set for the process).
    static const LayoutMeasures& Measures();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyEnglishLabels();
    MainControls CurrentControls() const;

    QIcon m_hIcon;
    QFont m_fontNormal;
    QFont m_fontBold;
    QPushButton* m_btnScale = nullptr;
    QPushButton* m_btnPrinter = nullptr;
    QPushButton* m_btnSetup = nullptr;
    QFrame* m_tabArea = nullptr;
    CPageSetup* m_pageSetup = nullptr;
    CPagePrinter* m_pagePrinter = nullptr;
    CPageScale* m_pageScale = nullptr;
    bool m_measured = false;
};

// The window title: "POS秤配置工具V" (Chinese) or "POSScale ConfigTool V", the tool's version,
// "  DllVersion:" and the library's version text.
QString MainWindowTitle(bool chinese, const std::string& toolVersion, const std::string& dllVersionGbk);
// The page-button font: "宋体" (Swiss family), a cell 22 pixels high, the given weight.
QFont PageButtonFont(int weight);
