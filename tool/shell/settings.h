// The terminal's settings file and the tool's in-memory record of it.
#pragma once

#include <string>

// Texts are GBK bytes, as the file holds them.
struct ToolSettings {
    std::string iniPath;             // the file the last LoadSettings chose
    int softType = 0;                // SOFT/type
    int posType = 0;                 // POS/TYPE
    int posLog = 0;                  // POS/LOG
    std::string printerPort;         // PRINTER/PORT
    int printerRate = 0;             // PRINTER/RATE
    int printDensity = 0;            // Print/Density
    int printerLineSpace = 0;        // PRINTER/LINESPACE
    int posAutoCutPaper = 0;         // POS/AUTOCUTPAPER
    int cashDrawerControlType = 0;   // CashDrawer/ControlType
    std::string posBoard;            // POS/BOARD
    std::string scalePort;           // SCALE/PORT
    int scaleRate = 0;               // SCALE/RATE
    int posAlarm = 0;                // POS/ALARM
    int posCompatibleMode = 0;       // POS/COMPATIBLEMODE
    std::string otherLanguage;       // OTHER/LANGUAGE

    bool operator==(const ToolSettings&) const = default;
};

// The program-wide record: iniPath is the fixed file, integers 0 and texts empty until the first load.
ToolSettings& TheSettings();

// "中文" in GBK: the only language value that gives the Chinese texts.
inline const std::string LANGUAGE_CHINESE = "\xD6\xD0\xCE\xC4";
inline bool IsChinese(const ToolSettings& s) { return s.otherLanguage == LANGUAGE_CHINESE; }

// The vendor folder: $NORVALE_HOME when set, else /opt/norvale.
std::string VendorFolder();
// <vendor folder>/scales.ini
std::string FixedSettingsPath();
// The folder of the running program file.
std::string ModuleDirectory();
// ModuleDirectory() + "/marlow_scales.ini": the program-folder file, which wins over the fixed
// file when it is there.
std::string ProgramFolderSettingsPath();

// Reads the fifteen keys from the program-folder file when a file (not a folder) is there, else
// from the fixed file; missing keys and unreadable files give the defaults. Reports nothing.
void LoadSettings(ToolSettings& settings);
// Writes the fifteen keys to the fixed file (created when its folder exists) and, when it exists,
// to the program-folder file. Failed writes are skipped silently.
void SaveSettings(const ToolSettings& settings);

// The same with the two paths given (LoadSettings and SaveSettings pass the program's own).
void LoadSettingsFrom(ToolSettings& settings, const std::string& programFolderFile,
                      const std::string& fixedFile);
void SaveSettingsTo(const ToolSettings& settings, const std::string& programFolderFile,
                    const std::string& fixedFile);
