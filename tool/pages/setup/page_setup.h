// The setup page: shows and edits every setting of the terminal; a save or a language change
// writes the settings file and restarts the program.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CPageSetup : public QWidget {
    Q_OBJECT
public:
    // Control ids of template 132.
    enum : int {
        IDC_MODEL = 1024,
        IDC_SOFTWARE = 1025,
        IDC_SAVE = 1026,
        IDC_SCALE_PORT = 1027,
        IDC_SCALE_RATE = 1028,
        IDC_ALARM = 1029,
        IDC_PRINTER_PORT = 1030,
        IDC_PRINTER_RATE = 1031,
        IDC_DENSITY = 1032,
        IDC_LINESPACE = 1035,
        IDC_MAINBOARD_RADIO = 1036,
        IDC_PRINTER_RADIO = 1037,
        IDC_BOARD = 1038,
        IDC_LOG = 1039,
        IDC_LOG_FOLDER = 1040,
        IDC_LANGUAGE = 1048,
        IDC_AUTOCUT = 1070,
        IDC_COMPATIBLE = 1076,
    };

    // Builds template 132 and fills it from TheSettings(); the settings are loaded by then.
    explicit CPageSetup(QWidget* parent);

private:
    void FillPage();
    void ApplyModelRules(const QString& model);
    void ApplyEnglishLabels();
    void FillSoftwareList(bool chinese);
    void FillDensityList(bool chinese);

    void OnModelPicked();
    void OnDrawerRadio();
    void OnSave();
    void OnLanguagePicked();
    void OnLogFolder();

    QComboBox* m_model = nullptr;
    QComboBox* m_software = nullptr;
    QComboBox* m_scalePort = nullptr;
    QComboBox* m_scaleRate = nullptr;
    QCheckBox* m_alarm = nullptr;
    QCheckBox* m_compatible = nullptr;
    QComboBox* m_printerPort = nullptr;
    QComboBox* m_printerRate = nullptr;
    QComboBox* m_density = nullptr;
    QLineEdit* m_lineSpace = nullptr;
    QCheckBox* m_autoCut = nullptr;
    QRadioButton* m_mainBoardRadio = nullptr;
    QRadioButton* m_printerRadio = nullptr;
    QComboBox* m_board = nullptr;
    QCheckBox* m_log = nullptr;
    QComboBox* m_language = nullptr;
};
