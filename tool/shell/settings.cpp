// Placeholder until the INI layer lands: defaults only, saves nothing.
#include "settings.h"

#include <cstdlib>
#include <filesystem>

ToolSettings& TheSettings()
{
    static ToolSettings settings{.iniPath = FixedSettingsPath()};
    return settings;
}

std::string VendorFolder()
{
    const char* home = std::getenv("NORVALE_HOME");
    return home && *home ? std::string(home) : std::string("/opt/norvale");
}

std::string FixedSettingsPath() { return VendorFolder() + "/scales.ini"; }

std::string ModuleDirectory()
{
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
}

void LoadSettings(ToolSettings& s)
{
    s.iniPath = FixedSettingsPath();
    s.softType = -1;
    s.posType = 0;
    s.posLog = 0;
    s.printerPort = "USB";
    s.printerRate = 115200;
    s.printDensity = 3;
    s.printerLineSpace = 31;
    s.posAutoCutPaper = 0;
    s.cashDrawerControlType = 0;
    s.posBoard = "J1900";
    s.scalePort = "COM4";
    s.scaleRate = 115200;
    s.posAlarm = 0;
    s.posCompatibleMode = 0;
    s.otherLanguage = LANGUAGE_CHINESE;
}

void SaveSettings(const ToolSettings&) {}
