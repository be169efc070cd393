// The setup page's fixed lists and its pure rules: which controls a model enables, what a model
// pick presets, and how texts and stored values map to list indexes. No widgets, no I/O.
#pragma once

#include "decimal.h"

#include <QString>
#include <array>
#include <optional>

// Fixed lists (UTF-8), constant for the life of the program, in the order the lists show them.
inline constexpr std::array<const char*, 4> MODEL_NAMES{"KA100", "KA200", "KA300", "KA400"};
inline constexpr std::array<const char*, 3> SOFTWARE_CHOICES_ZH{"Brindle软件", "Norvale软件", "其他"};
inline constexpr std::array<const char*, 3> SOFTWARE_CHOICES_EN{"Brindle", "Norvale", "Other"};
inline constexpr std::array<const char*, 12> SCALE_PORT_CHOICES{
    "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10", "COM11", "COM12"};
inline constexpr std::array<const char*, 11> PRINTER_PORT_CHOICES{
    "USB", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "LPT1", "USB2", "USB3", "USB4"};
inline constexpr std::array<const char*, 4> RATE_CHOICES{"9600", "19200", "38400", "115200"};
inline constexpr std::array<const char*, 4> DENSITY_CHOICES_ZH{"单8点", "双8点", "单24点", "双24点"};
inline constexpr std::array<const char*, 4> DENSITY_CHOICES_EN{"8bits", "Dual-8bits", "24bits", "Dual-24bits"};
inline constexpr std::array<const char*, 3> BOARD_CHOICES{"J1900", "J1900D", "I3/I5"};
inline constexpr std::array<const char*, 2> LANGUAGE_CHOICES{"中文", "English"};

// The software choice that the save stores as 99 (only the Chinese list has it).
inline constexpr char SOFTWARE_OTHER_ZH[] = "其他";
inline constexpr int SOFT_TYPE_OTHER_SAVED = 99;

// What the model rules set. The scale rate box is disabled by every rule and never enabled.
struct ModelRules {
    bool scalePortEnabled;
    bool printerPortEnabled;
    bool printerRateEnabled;
    bool clearPrinterRate;   // the printer rate list loses its selection
    bool drawerEnabled;      // board list, main-board radio and printer radio
    bool alarmEnabled;
    bool checkAlarm;         // the alarm box is checked; otherwise its state is left alone

    bool operator==(const ModelRules&) const = default;
};

// The rules for a model name; none for a name that is not a model (nothing is changed then).
std::optional<ModelRules> RulesForModel(const QString& model);

// What picking a model fills in. Empty optionals leave that control as it is; an empty
// printerRate text means "no selection".
struct ModelPresets {
    QString scalePort;
    std::optional<QString> scaleRate;
    QString printerPort;
    QString printerRate;
    QString board;
    bool mainBoardDrawer;    // main-board radio checked, else the printer radio

    bool operator==(const ModelPresets&) const = default;
};

std::optional<ModelPresets> PresetsForModel(const QString& model);


// A stored index shown in a list of `count` items: out of range gives `fallback`.
int ClampedIndex(int stored, int count, int fallback);
