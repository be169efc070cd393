#include "page_printer.h"

#include "dialog_template.h"
#include "driver_printing.h"
#include "gbk.h"
#include "platform_seam.h"
#include "posperiph.h"
#include "receipt_layout.h"
#include "sample_receipts.h"
#include "settings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <vector>

namespace {

enum : int {
    IDC_GROUP_DRAWER = 1060,
    IDC_OPEN_DRAWER = 1009,
    IDC_CHECK_DRAWER = 1010,
    IDC_DRAWER_OPENED = 1011,
    IDC_GROUP_COMMANDS = 1061,
    IDC_GROUP_DRIVER = 1065,
    IDC_CUT = 1012,
    IDC_IMAGE = 1013,
    IDC_FEED = 1014,
    IDC_RECEIPT = 1015,
    IDC_PRINT_BARCODE = 1016,
    IDC_PRINT_TEXT = 1017,
    IDC_PRINTER_LIST = 1018,
    IDC_DRIVER_DRAWER = 1019,
    IDC_DRIVER_PRINT = 1020,
    IDC_BARCODE_TEXT = 1021,
    IDC_SAMPLE_TEXT = 1022,
    IDC_RECEIPT_TEXT = 1023,
    IDC_QR_TEXT = 1025,
    IDC_PRINT_QR = 1026,
};

const ControlSpec CONTROLS[] = {
    {IDC_GROUP_DRAWER, CtlKind::GroupBox, 3, 4, 170, 38, "钱箱测试", "Cashbox Test", CTL_NONE, nullptr},
    {IDC_OPEN_DRAWER, CtlKind::PushButton, 8, 15, 50, 21, "开钱箱", "OpenCashBox", CTL_NONE, nullptr},
    {IDC_CHECK_DRAWER, CtlKind::PushButton, 66, 15, 45, 21, "钱箱状态", "Check", CTL_NONE, nullptr},
    {IDC_DRAWER_OPENED, CtlKind::RadioButton, 117, 21, 53, 10, "钱箱已打开", "opened", CTL_DISABLED, nullptr},
    {IDC_GROUP_COMMANDS, CtlKind::GroupBox, 3, 43, 170, 103, "打印机测试(指令)", "Printer Test(Call DLL)", CTL_NONE, nullptr},
    {IDC_GROUP_DRIVER, CtlKind::GroupBox, 3, 149, 282, 32, "打印机测试(驱动)", "Printer Test(Windows Driver)", CTL_NONE, nullptr},
    {IDC_CUT, CtlKind::PushButton, 49, 54, 38, 21, "切纸", "Cut", CTL_NONE, nullptr},
    {IDC_IMAGE, CtlKind::PushButton, 90, 54, 38, 21, "打印图片", "Imgae", CTL_NONE, nullptr},
    {IDC_FEED, CtlKind::PushButton, 8, 54, 38, 21, "走纸", "Feed", CTL_NONE, nullptr},
    {IDC_RECEIPT, CtlKind::PushButton, 131, 54, 38, 21, "打印小票", "Prt Rcp.", CTL_NONE, nullptr},
    {IDC_PRINT_BARCODE, CtlKind::PushButton, 127, 80, 42, 19, "打印条码", "Print", CTL_NONE, nullptr},
    {IDC_PRINT_TEXT, CtlKind::PushButton, 127, 100, 42, 19, "打印文本", "Print", CTL_NONE, nullptr},
    {1062, CtlKind::Label, 6, 85, 29, 8, "条码：", "BarCode:", CTL_NONE, nullptr},
    {1063, CtlKind::Label, 6, 105, 27, 8, "文本：", "Text:", CTL_NONE, nullptr},
    {1066, CtlKind::Label, 8, 162, 24, 8, "驱动：", "Select:", CTL_NONE, nullptr},
    {IDC_PRINTER_LIST, CtlKind::DropDown, 37, 161, 133, 90, nullptr, nullptr, CTL_SORTED, "printer list"},
    {IDC_DRIVER_DRAWER, CtlKind::PushButton, 220, 156, 48, 19, "驱动开钱箱", "OpenCashBox", CTL_NONE, nullptr},
    {IDC_DRIVER_PRINT, CtlKind::PushButton, 178, 156, 38, 19, "驱动打印", "Print", CTL_NONE, nullptr},
    {IDC_BARCODE_TEXT, CtlKind::Edit, 36, 83, 88, 14, nullptr, nullptr, CTL_NONE, "barcode text"},
    {IDC_SAMPLE_TEXT, CtlKind::Edit, 36, 103, 88, 14, nullptr, nullptr, CTL_MULTILINE, "sample text"},
    {1067, CtlKind::GroupBox, 176, 4, 108, 147, "小票内容", "Receipt Text", CTL_NONE, nullptr},
    {IDC_RECEIPT_TEXT, CtlKind::Edit, 179, 14, 101, 135, nullptr, nullptr,
     CTL_MULTILINE | CTL_WANTRETURN | CTL_VSCROLL, "receipt text"},
    {1064, CtlKind::Label, 6, 125, 32, 8, "二维码：", "QRCode:", CTL_NONE, nullptr},
    {IDC_QR_TEXT, CtlKind::Edit, 36, 123, 88, 14, nullptr, nullptr, CTL_MULTILINE, "QR code text"},
    {IDC_PRINT_QR, CtlKind::PushButton, 127, 121, 42, 19, "打印二维码", "Print", CTL_NONE, nullptr},
};

const DialogTemplate TEMPLATE{133, 290, 185, "宋体", 16, 400, CONTROLS};

const char* const SAMPLE_TEXT = "打印文本测试1234567890abcdefghijklmnopqrstuvwxyz.#@!()";
const char* const SAMPLE_BARCODE = "2000000123455";  // a valid EAN-13 number
const char* const QR_ADDRESS = "https://example.com/marlow";
const char* const IMAGE_FILTER = "BMP(*.bmp)|*.bmp||";

// posperiph takes texts as GBK bytes in writable, terminated buffers.
std::vector<char> GbkBuffer(const QString& text)
{
    const std::string bytes = ToGbk(text);
    std::vector<char> buffer(bytes.begin(), bytes.end());
    buffer.push_back('\0');
    return buffer;
}

// Edit boxes hold their lines separated by "\r\n", as the printer expects them; the Qt widgets
// separate them by "\n".
QString BoxText(const QWidget* box)
{
    QString text = ControlText(box);
    if (qobject_cast<const QPlainTextEdit*>(box))
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\n', QStringLiteral("\r\n"));
    return text;
}

void SetBoxText(QWidget* box, const QString& text)
{
    if (qobject_cast<QPlainTextEdit*>(box))
        SetControlText(box, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    else
        SetControlText(box, text);
}

// Driver-printing messages are titled with the program's name: its file name without extension.
QString ProgramTitle()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

// A font asked for by cell height in pixels (ascent plus descent), as the receipt box wants it.
QFont CellHeightFont(const QString& face, int cellHeight, int weight)
{
    QFont font(face);
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Weight(weight));
    font.setPixelSize(cellHeight);
    const qreal height = QFontMetricsF(font).height();
    if (height > 0)
        font.setPixelSize(std::max(1, int(std::lround(cellHeight * cellHeight / height))));
    return font;
}

} // namespace

CPagePrinter::CPagePrinter(QWidget* parent) : QWidget(parent)
{
    BuildControls(this, TEMPLATE);
    m_editReceipt = FindControl<QPlainTextEdit>(this, IDC_RECEIPT_TEXT);
    // The indicator is no choice among options: keep it out of any radio group so that it can
    // always turn off again.
    FindControl<QRadioButton>(this, IDC_DRAWER_OPENED)->setAutoExclusive(false);

    auto bind = [this](int id, void (CPagePrinter::*handler)()) {
        connect(FindControl<QPushButton>(this, id), &QPushButton::clicked, this, handler);
    };
    bind(IDC_OPEN_DRAWER, &CPagePrinter::OnOpenCashBox);
    bind(IDC_CHECK_DRAWER, &CPagePrinter::OnCheckCashBox);
    bind(IDC_FEED, &CPagePrinter::OnFeed);
    bind(IDC_CUT, &CPagePrinter::OnCut);
    bind(IDC_IMAGE, &CPagePrinter::OnPrintImage);
    bind(IDC_RECEIPT, &CPagePrinter::OnPrintReceipt);
    bind(IDC_PRINT_BARCODE, &CPagePrinter::OnPrintBarCode);
    bind(IDC_PRINT_TEXT, &CPagePrinter::OnPrintText);
    bind(IDC_PRINT_QR, &CPagePrinter::OnPrintQrCode);
    connect(FindControl<QPushButton>(this, IDC_DRIVER_DRAWER), &QPushButton::clicked, this, [this] { DriverPrint(true); });
    connect(FindControl<QPushButton>(this, IDC_DRIVER_PRINT), &QPushButton::clicked, this, [this] { DriverPrint(false); });

    const bool chinese = IsChinese(TheSettings());
    if (!chinese)
        ApplyEnglishTexts(this, TEMPLATE);
    SetBoxText(m_editReceipt, SampleReceipt(chinese));

    SetBoxText(FindControl(this, IDC_SAMPLE_TEXT), QString::fromUtf8(SAMPLE_TEXT));
    SetBoxText(FindControl(this, IDC_BARCODE_TEXT), QString::fromUtf8(SAMPLE_BARCODE));
    SetBoxText(FindControl(this, IDC_QR_TEXT), QString::fromUtf8(QR_ADDRESS));

    FillPrinterList();

    m_receiptFont = CellHeightFont(QString::fromUtf8("宋体"), 28, 400);
    m_editReceipt->setFont(m_receiptFont);
    m_editReceipt->update();

    ApplyDrawerVisibility();
}

CPagePrinter::~CPagePrinter() = default;

void CPagePrinter::ApplyDrawerVisibility()
{
    const int type = TheSettings().posType;
    if (type != 0 && type != 1)
        return;
    FindControl(this, IDC_CHECK_DRAWER)->setVisible(type == 0);
    FindControl(this, IDC_DRAWER_OPENED)->setVisible(type == 0);
}

void CPagePrinter::RefreshDrawer()
{
    FindControl<QRadioButton>(this, IDC_DRAWER_OPENED)->setChecked(GetCashDrawerStatus() == 0);
}

void CPagePrinter::OnOpenCashBox()
{
    OpenCashDrawerEx();
    if (TheSettings().cashDrawerControlType == 0)
        RefreshDrawer();
}

void CPagePrinter::OnCheckCashBox()
{
    if (TheSettings().cashDrawerControlType != 0) {
        Seam().MessageBox(this, QString::fromUtf8("No Support,when Printer Control Cashbox！"),
                          QStringLiteral("Tips"), MsgIcon::Exclamation);
        return;
    }
    RefreshDrawer();
}

void CPagePrinter::OnFeed() { BeginPrint(4); }

void CPagePrinter::OnCut() { CutPaper(); }

void CPagePrinter::OnPrintImage()
{
    const int density = TheSettings().printDensity;
    const QString path = Seam().OpenFileDialog(this, QString::fromUtf8(IMAGE_FILTER));
    if (path.isEmpty())
        return;
    const QFileInfo file(path);
    if (!file.exists() || file.isDir())
        return;
    // A path is handed over in the file system's own encoding so that the library can open it.
    QByteArray bytes = QFile::encodeName(file.absoluteFilePath());
    PrintBitmapFile(bytes.data(), density);
}

void CPagePrinter::OnPrintReceipt()
{
    std::vector<char> text = GbkBuffer(BoxText(m_editReceipt));
    PrintText(text.data(), 8);
    std::vector<char> barcode = GbkBuffer(QString::fromUtf8(SAMPLE_BARCODE));
    PrintBarCode(barcode.data(), 2, 50, 2);
    std::vector<char> feed = GbkBuffer(QStringLiteral("\r\n\r\n\r\n\r\n\r\n"));
    PrintText(feed.data(), 8);
    BeginPrint(8);
    BeginPrint(4);
}

void CPagePrinter::OnPrintBarCode()
{
    std::vector<char> text = GbkBuffer(BoxText(FindControl(this, IDC_BARCODE_TEXT)));
    PrintBarCode(text.data(), 2, 50, 2);
    BeginPrint(4);
}

void CPagePrinter::OnPrintText()
{
    const QString text = BoxText(FindControl(this, IDC_SAMPLE_TEXT));
    for (int format : {8, 32, 40, 50}) {
        // A fresh buffer each time: the library may write into it.
        std::vector<char> buffer = GbkBuffer(text);
        PrintText(buffer.data(), format);
    }
    BeginPrint(4);
}

void CPagePrinter::OnPrintQrCode()
{
    std::vector<char> text = GbkBuffer(BoxText(FindControl(this, IDC_QR_TEXT)));
    PrintQrCode(text.data(), 8);
    BeginPrint(4);
}

void CPagePrinter::FillPrinterList()
{
    QWidget* list = FindControl(this, IDC_PRINTER_LIST);
    const QStringList names = EnumDriverPrinters();
    if (names.isEmpty())
        return;
    for (const QString& name : names)
        AddComboItem(list, name);
    const QString token = DefaultPrinterToken(DefaultPrinterEntry());
    if (token.isEmpty())
        return;
    auto* combo = qobject_cast<QComboBox*>(list);
    const int at = combo->findText(token, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0)
        combo->setCurrentIndex(at);
}

void CPagePrinter::DriverPrint(bool drawerOnly)
{
    auto* combo = FindControl<QComboBox>(this, IDC_PRINTER_LIST);
    if (combo->count() == 0) {
        Seam().MessageBox(this, QString::fromUtf8("没有安装打印机!\r\n No Printer"), ProgramTitle(), MsgIcon::None);
        return;
    }
    if (combo->currentIndex() < 0) {
        Seam().MessageBox(this, QString::fromUtf8("请选择打印机!\r\n Pls Select Printer"), ProgramTitle(), MsgIcon::None);
        return;
    }
    const QString name = combo->currentText();
    if (!EnumDriverPrinters().contains(name, Qt::CaseSensitive)) {
        Seam().MessageBox(this, QString::fromUtf8("取打印机信息失败!\r\n Get Printer Info Error"), ProgramTitle(),
                          MsgIcon::None);
        return;
    }

    CDriverDC dc(name);
    if (!dc.IsOpen() || !dc.StartDoc(QStringLiteral("printer")))
        return;
    dc.SaveState();
    if (!drawerOnly) {
        dc.SelectFont(24, 12, 500);
        for (const TextOp& op : ReceiptTextOps(BoxText(m_editReceipt)))
            dc.TextOut(op.x, op.y, op.text);
    }
    dc.RestoreState();
    dc.EndDoc();
    if (drawerOnly)
        Seam().MessageBox(this, QStringLiteral("OK!"), QStringLiteral("Tips"), MsgIcon::None);
}
