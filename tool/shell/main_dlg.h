// The main window: four buttons above a framed area that holds the three pages.
#pragma once

#include <QDialog>

class CPageSetup;
class CPagePrinter;
class CPageScale;
class QFrame;

class CMarlowPosTestDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMarlowPosTestDlg(QWidget* parent = nullptr);
    ~CMarlowPosTestDlg() override;

    CPageSetup* PageSetup() const { return m_pageSetup; }
    CPagePrinter* PagePrinter() const { return m_pagePrinter; }
    CPageScale* PageScale() const { return m_pageScale; }

private:
    QFrame* m_tabArea = nullptr;
    CPageSetup* m_pageSetup = nullptr;
    CPagePrinter* m_pagePrinter = nullptr;
    CPageScale* m_pageScale = nullptr;
};
