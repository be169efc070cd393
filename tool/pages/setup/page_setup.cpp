#include "page_setup.h"

#include "dialog_template.h"
#include "gbk.h"
#include "platform_seam.h"
#include "posperiph.h"
#include "restart.h"
#include "settings.h"
#include "setup_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

using P = CPageSetup;

const ControlSpec SETUP_CONTROLS[] = {
    {CTL_STATIC, CtlKind::GroupBox, 3, 0, 217, 28, nullptr, nullptr, CTL_NONE, nullptr},
    {1049, CtlKind::Label, 7, 10, 40, 8, "机器型号：", "Model:", CTL_NONE, nullptr},
    {P::IDC_MODEL, CtlKind::DropList, 49, 10, 48, 58, nullptr, nullptr, CTL_NONE, "model list"},
    {1050, CtlKind::Label, 115, 10, 41, 8, "软件类型：", "Software:", CTL_NONE, nullptr},
    {P::IDC_SOFTWARE, CtlKind::DropList, 159, 10, 48, 61, nullptr, nullptr, CTL_NONE, "software list"},
    {P::IDC_SAVE, CtlKind::PushButton, 227, 5, 50, 26, "保存配置", "SAVE", CTL_NONE, nullptr},
    {1051, CtlKind::GroupBox, 3, 28, 217, 30, "秤台参数", "Weighing Parameters", CTL_NONE, nullptr},
    {1052, CtlKind::Label, 10, 43, 24, 8, "端口：", "Port:", CTL_NONE, nullptr},
    {P::IDC_SCALE_PORT, CtlKind::DropDown, 36, 42, 34, 58, nullptr, nullptr, CTL_DISABLED, "scale port box"},
    {P::IDC_SCALE_RATE, CtlKind::DropDown, 75, 42, 34, 58, nullptr, nullptr, CTL_DISABLED, "scale rate box"},
    {P::IDC_ALARM, CtlKind::CheckBox, 121, 42, 49, 10, "负重量报警", "Negative weight alarm", CTL_NONE, nullptr},
    {1053, CtlKind::GroupBox, 3, 60, 217, 48, "打印机参数", "Printer Parameters", CTL_NONE, nullptr},
    {1054, CtlKind::Label, 9, 75, 24, 8, "端口：", "Port:", CTL_NONE, nullptr},
    {P::IDC_PRINTER_PORT, CtlKind::DropList, 35, 75, 36, 58, nullptr, nullptr, CTL_NONE, "printer port list"},
    {P::IDC_PRINTER_RATE, CtlKind::DropList, 73, 75, 38, 58, nullptr, nullptr, CTL_NONE, "printer rate list"},
    {1056, CtlKind::Label, 9, 91, 49, 8, "打印行间距：", "Line space:", CTL_NONE, nullptr},
    {P::IDC_LINESPACE, CtlKind::Edit, 62, 90, 33, 12, nullptr, nullptr, CTL_DIGITS, "line spacing field"},
    {1055, CtlKind::Label, 120, 75, 49, 8, "图片密度：", "BMP density:", CTL_NONE, nullptr},
    {P::IDC_DENSITY, CtlKind::DropList, 169, 75, 46, 61, nullptr, nullptr, CTL_NONE, "density list"},
    {1057, CtlKind::GroupBox, 3, 109, 217, 35, "钱箱参数", "Cashbox Parameters", CTL_NONE, nullptr},
    {P::IDC_MAINBOARD_RADIO, CtlKind::RadioButton, 10, 123, 45, 10, "主板控制", "MainBoard", CTL_NOTABSTOP, nullptr},
    {P::IDC_PRINTER_RADIO, CtlKind::RadioButton, 128, 123, 54, 10, "打印机控制", "Printer", CTL_NOTABSTOP, nullptr},
    {P::IDC_BOARD, CtlKind::DropList, 64, 123, 48, 87, nullptr, nullptr, CTL_HIDDEN, "board list"},
    {1058, CtlKind::GroupBox, 3, 144, 217, 35, "其他参数", "Other Parameters", CTL_NONE, nullptr},
    {P::IDC_LOG, CtlKind::CheckBox, 9, 158, 59, 10, "记录运行日志", "Record LOG", CTL_NONE, nullptr},
    {P::IDC_LOG_FOLDER, CtlKind::PushButton, 69, 158, 36, 14, "日志文件", "Log File", CTL_NONE, nullptr},
    {P::IDC_LANGUAGE, CtlKind::DropList, 166, 157, 48, 30, nullptr, nullptr, CTL_NONE, "language list"},
    {1059, CtlKind::Label, 128, 158, 38, 10, "选择语言:", "Language:", CTL_NONE, nullptr},
    {P::IDC_AUTOCUT, CtlKind::CheckBox, 120, 91, 48, 10, "自动切纸", "Auto CutPaper", CTL_NONE, nullptr},
    {P::IDC_COMPATIBLE, CtlKind::CheckBox, 177, 42, 40, 10, "兼容模式", "Compatible", CTL_NONE, nullptr},
};
const DialogTemplate SETUP_TEMPLATE{132, 286, 182, "宋体", 16, 400, SETUP_CONTROLS};

template <size_t N>
void AddItems(QComboBox* list, const std::array<const char*, N>& items)
{
    for (const char* item : items)
        AddComboItem(list, QString::fromUtf8(item));
}

// Items are equal to a text only when they are the same text, case included.
int IndexOfEqual(const QComboBox* list, const QString& text)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i) == text)
            return i;
    return -1;
}

void SelectEqual(QComboBox* list, const QString& text) { list->setCurrentIndex(IndexOfEqual(list, text)); }

void SelectIndex(QComboBox* list, int index)
{
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

int CheckState(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

// A text setting keeps its stored bytes while its control still shows them: GBK bytes that do
// not survive a round trip through Unicode are not rewritten unless the user changed the text.
std::string TextSetting(const QString& shown, const std::string& stored)
{
    return shown == FromGbk(stored) ? stored : ToGbk(shown);
}

template <class T>
T* Control(const QWidget* page, int id)
{
    T* c = FindControl<T>(page, id);
    Q_ASSERT(c);
    return c;
}

} // namespace

CPageSetup::CPageSetup(QWidget* parent) : QWidget(parent)
{
    BuildControls(this, SETUP_TEMPLATE);
    m_model = Control<QComboBox>(this, IDC_MODEL);
    m_software = Control<QComboBox>(this, IDC_SOFTWARE);
    m_scalePort = Control<QComboBox>(this, IDC_SCALE_PORT);
    m_scaleRate = Control<QComboBox>(this, IDC_SCALE_RATE);
    m_alarm = Control<QCheckBox>(this, IDC_ALARM);
    m_compatible = Control<QCheckBox>(this, IDC_COMPATIBLE);
    m_printerPort = Control<QComboBox>(this, IDC_PRINTER_PORT);
    m_printerRate = Control<QComboBox>(this, IDC_PRINTER_RATE);
    m_density = Control<QComboBox>(this, IDC_DENSITY);
    m_lineSpace = Control<QLineEdit>(this, IDC_LINESPACE);
    m_autoCut = Control<QCheckBox>(this, IDC_AUTOCUT);
    m_mainBoardRadio = Control<QRadioButton>(this, IDC_MAINBOARD_RADIO);
    m_printerRadio = Control<QRadioButton>(this, IDC_PRINTER_RADIO);
    m_board = Control<QComboBox>(this, IDC_BOARD);
    m_log = Control<QCheckBox>(this, IDC_LOG);
    m_language = Control<QComboBox>(this, IDC_LANGUAGE);

    FillPage();

    // `activated` comes from the user only: the page fill's own selections do not run these.
    connect(m_model, &QComboBox::activated, this, [this] { OnModelPicked(); });
    connect(m_language, &QComboBox::activated, this, [this] { OnLanguagePicked(); });
    connect(m_mainBoardRadio, &QRadioButton::clicked, this, [this] { OnDrawerRadio(); });
    connect(m_printerRadio, &QRadioButton::clicked, this, [this] { OnDrawerRadio(); });
    connect(Control<QPushButton>(this, IDC_SAVE), &QPushButton::clicked, this, [this] { OnSave(); });
    connect(Control<QPushButton>(this, IDC_LOG_FOLDER), &QPushButton::clicked, this, [this] { OnLogFolder(); });
}

void CPageSetup::FillPage()
{
    const ToolSettings& s = TheSettings();

    // 1. The model and its rules; the stored values below replace what the rules select or check.
    AddItems(m_model, MODEL_NAMES);
    const int model = ClampedIndex(s.posType, int(MODEL_NAMES.size()), 0);
    m_model->setCurrentIndex(model);
    ApplyModelRules(QString::fromUtf8(MODEL_NAMES[size_t(model)]));

    FillSoftwareList(true);                                   // 2
    m_log->setChecked(s.posLog != 0);                         // 3

    AddItems(m_scalePort, SCALE_PORT_CHOICES);                // 4: a port outside the list still shows
    SelectEqual(m_scalePort, FromGbk(s.scalePort));
    SetControlText(m_scalePort, FromGbk(s.scalePort));

    SetControlText(m_scaleRate, QString::number(s.scaleRate));  // 5

    m_alarm->setChecked(s.posAlarm != 0);                     // 6
    m_compatible->setChecked(s.posCompatibleMode != 0);

    m_printerPort->clear();                                   // 7
    AddItems(m_printerPort, PRINTER_PORT_CHOICES);
    SelectEqual(m_printerPort, FromGbk(s.printerPort));

    m_printerRate->clear();                                   // 8
    AddItems(m_printerRate, RATE_CHOICES);
    SelectEqual(m_printerRate, QString::number(s.printerRate));
    if (s.printerPort == "LPT1")
        m_printerRate->setCurrentIndex(-1);

    FillDensityList(true);                                    // 9
    m_lineSpace->setText(QString::number(s.printerLineSpace));  // 10
    m_autoCut->setChecked(s.posAutoCutPaper != 0);            // 11

    m_board->clear();                                         // 12
    AddItems(m_board, BOARD_CHOICES);
    SelectEqual(m_board, FromGbk(s.posBoard));

    if (s.cashDrawerControlType == 0)                         // 13
        m_mainBoardRadio->setChecked(true);
    else
        m_printerRadio->setChecked(true);

    m_language->clear();                                      // 14
    AddItems(m_language, LANGUAGE_CHOICES);
    SelectEqual(m_language, FromGbk(s.otherLanguage));

    ApplyEnglishLabels();                                     // 15
}

void CPageSetup::ApplyModelRules(const QString& model)
{
    m_scaleRate->setEnabled(false);
    const std::optional<ModelRules> rules = RulesForModel(model);
    if (!rules)
        return;
    m_scalePort->setEnabled(rules->scalePortEnabled);
    m_printerPort->setEnabled(rules->printerPortEnabled);
    m_printerRate->setEnabled(rules->printerRateEnabled);
    if (rules->clearPrinterRate)
        m_printerRate->setCurrentIndex(-1);
    m_board->setEnabled(rules->drawerEnabled);
    m_mainBoardRadio->setEnabled(rules->drawerEnabled);
    m_printerRadio->setEnabled(rules->drawerEnabled);
    m_alarm->setEnabled(rules->alarmEnabled);
    if (rules->checkAlarm)
        m_alarm->setChecked(true);
}

void CPageSetup::FillSoftwareList(bool chinese)
{
    m_software->clear();
    AddItems(m_software, chinese ? SOFTWARE_CHOICES_ZH : SOFTWARE_CHOICES_EN);
    m_software->setCurrentIndex(ClampedIndex(TheSettings().softType, int(SOFTWARE_CHOICES_ZH.size()), 2));
}

void CPageSetup::FillDensityList(bool chinese)
{
    m_density->clear();
    AddItems(m_density, chinese ? DENSITY_CHOICES_ZH : DENSITY_CHOICES_EN);
    SelectIndex(m_density, TheSettings().printDensity);
}

void CPageSetup::ApplyEnglishLabels()
{
    if (IsChinese(TheSettings()))
        return;
    ApplyEnglishTexts(this, SETUP_TEMPLATE);
    FillDensityList(false);
    FillSoftwareList(false);
}

void CPageSetup::OnModelPicked()
{
    const QString model = m_model->currentText();
    ApplyModelRules(model);
    const std::optional<ModelPresets> p = PresetsForModel(model);
    if (!p)
        return;
    SetControlText(m_scalePort, p->scalePort);
    if (p->scaleRate)
        SetControlText(m_scaleRate, *p->scaleRate);
    SelectEqual(m_printerPort, p->printerPort);
    SelectEqual(m_printerRate, p->printerRate);
    SelectEqual(m_board, p->board);
    // Not the drawer radio step: the board list keeps the enabled state the rules gave it.
    if (p->mainBoardDrawer)
        m_mainBoardRadio->setChecked(true);
    else
        m_printerRadio->setChecked(true);
}

void CPageSetup::OnDrawerRadio()
{
    m_board->setEnabled(m_mainBoardRadio->isChecked());
}

void CPageSetup::OnSave()
{
    ToolSettings& s = TheSettings();
    s.posType = m_model->currentIndex();
    s.softType = m_software->currentText() == QString::fromUtf8(SOFTWARE_OTHER_ZH) ? SOFT_TYPE_OTHER_SAVED
                                                                                  : m_software->currentIndex();
    s.scalePort = TextSetting(ControlText(m_scalePort), s.scalePort);
    s.scaleRate = DecimalValue(ControlText(m_scaleRate));
    s.posAlarm = CheckState(m_alarm);
    set_overflow_alarm(s.posAlarm);
    s.posCompatibleMode = CheckState(m_compatible);
    s.printerPort = TextSetting(m_printerPort->currentText(), s.printerPort);
    s.printerRate = DecimalValue(m_printerRate->currentText());
    s.printDensity = m_density->currentIndex();
    s.printerLineSpace = DecimalValue(m_lineSpace->text());
    s.posAutoCutPaper = CheckState(m_autoCut);
    s.cashDrawerControlType = m_mainBoardRadio->isChecked() ? 0 : 1;
    s.posBoard = TextSetting(m_board->currentText(), s.posBoard);
    s.posLog = CheckState(m_log);
    s.otherLanguage = TextSetting(m_language->currentText(), s.otherLanguage);

    SaveSettings(s);
    ClosePrinterEx();

    if (IsChinese(s))
        Seam().MessageBox(this, QString::fromUtf8("保存配置信息成功!\r\n  程序将重新运行!"),
                          QString::fromUtf8("提示"), MsgIcon::Exclamation);
    else
        Seam().MessageBox(this, "Saved successfully!\r\n The program will run again!", "Message",
                          MsgIcon::Exclamation);
    RestartProgram();
}

void CPageSetup::OnLanguagePicked()
{
    ToolSettings& s = TheSettings();
    const QString language = m_language->currentText();
    if (language == FromGbk(s.otherLanguage))
        return;
    // Only the language changes: the file gets the record as loaded, unsaved edits are dropped.
    s.otherLanguage = ToGbk(language);
    SaveSettings(s);

    if (IsChinese(s))
        Seam().MessageBox(this, QString::fromUtf8("设置生效，程序将重新运行!"), QString::fromUtf8("提示"),
                          MsgIcon::Exclamation);
    else
        Seam().MessageBox(this, "The settings have taken effect and the program will run again!", "Message",
                          MsgIcon::Exclamation);
    RestartProgram();
}

void CPageSetup::OnLogFolder()
{
    Seam().ExploreFolder(QFile::decodeName(QByteArray::fromStdString(VendorFolder() + "/log")));
}
