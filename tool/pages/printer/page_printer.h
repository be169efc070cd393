// The printer and cash drawer test page (template 133): drawer, paper and print commands through
// posperiph, and the receipt printed through an installed printer driver.
#pragma once

#include <QFont>
#include <QWidget>

class QPlainTextEdit;

class CPagePrinter : public QWidget {
    Q_OBJECT
public:
    explicit CPagePrinter(QWidget* parent);
    ~CPagePrinter() override;

    // Shows or hides the drawer status controls after POS/TYPE; the main window runs it each
    // time it brings this page to the front.
    void ApplyDrawerVisibility();

private:
    void OnOpenCashBox();
    void OnCheckCashBox();
    void OnFeed();
    void OnCut();
    void OnPrintImage();
    void OnPrintReceipt();
    void OnPrintBarCode();
    void OnPrintText();
    void OnPrintQrCode();

    void RefreshDrawer();
    void FillPrinterList();
    void DriverPrint(bool drawerOnly);

    QPlainTextEdit* m_editReceipt = nullptr;  // box 1023
    QFont m_receiptFont;
};
