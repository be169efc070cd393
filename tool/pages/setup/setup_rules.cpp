#include "setup_rules.h"

#include <climits>

std::optional<ModelRules> RulesForModel(const QString& model)
{
    if (model == "KA100")
        return ModelRules{.scalePortEnabled = false, .printerPortEnabled = true, .printerRateEnabled = true,
                          .clearPrinterRate = false, .drawerEnabled = true, .alarmEnabled = true,
                          .checkAlarm = false};
    if (model == "KA200")
        return ModelRules{.scalePortEnabled = true, .printerPortEnabled = false, .printerRateEnabled = false,
                          .clearPrinterRate = true, .drawerEnabled = false, .alarmEnabled = false,
                          .checkAlarm = true};
    if (model == "KA300" || model == "KA400")
        return ModelRules{.scalePortEnabled = true, .printerPortEnabled = true, .printerRateEnabled = false,
                          .clearPrinterRate = true, .drawerEnabled = true, .alarmEnabled = true,
                          .checkAlarm = true};
    return std::nullopt;
}

std::optional<ModelPresets> PresetsForModel(const QString& model)
{
    if (model == "KA100")
        return ModelPresets{"COM4", QString("115200"), "COM1", "115200", "J1900", true};
    if (model == "KA200")
        return ModelPresets{"COM3", QString("115200"), "LPT1", QString(), "J1900", false};
    if (model == "KA300")
        return ModelPresets{"COM3", QString("115200"), "USB", QString(), "J1900", true};
    if (model == "KA400")
        return ModelPresets{"COM3", std::nullopt, "USB", QString(), "J1900", true};
    return std::nullopt;
}

int ClampedIndex(int stored, int count, int fallback)
{
    return stored < 0 || stored >= count ? fallback : stored;
}
