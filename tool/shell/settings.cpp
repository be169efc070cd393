#include "settings.h"

#include "ini_file.h"
#include "ini_profile.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <variant>
#include <vector>

namespace {

// One setting: where it lives in the file, where in the record, and its default.
struct IntKey {
    int ToolSettings::*field;
    int fallback;
};
struct TextKey {
    std::string ToolSettings::*field;
    const char* fallback;
};
struct KeySpec {
    const char* section;
    const char* key;
    std::variant<IntKey, TextKey> slot;
};

// The order in which both the load and the save walk the keys; a fresh file's layout follows it.
const KeySpec KEYS[] = {
    {"SOFT", "type", IntKey{&ToolSettings::softType, -1}},
    {"POS", "TYPE", IntKey{&ToolSettings::posType, 0}},
    {"POS", "LOG", IntKey{&ToolSettings::posLog, 0}},
    {"PRINTER", "PORT", TextKey{&ToolSettings::printerPort, "USB"}},
    {"PRINTER", "RATE", IntKey{&ToolSettings::printerRate, 115200}},
    {"PRINTER", "LINESPACE", IntKey{&ToolSettings::printerLineSpace, 31}},
    {"Print", "Density", IntKey{&ToolSettings::printDensity, 3}},
    {"POS", "AUTOCUTPAPER", IntKey{&ToolSettings::posAutoCutPaper, 0}},
    {"CashDrawer", "ControlType", IntKey{&ToolSettings::cashDrawerControlType, 0}},
    {"POS", "BOARD", TextKey{&ToolSettings::posBoard, "J1900"}},
    {"SCALE", "PORT", TextKey{&ToolSettings::scalePort, "COM4"}},
    {"SCALE", "RATE", IntKey{&ToolSettings::scaleRate, 115200}},
    {"POS", "ALARM", IntKey{&ToolSettings::posAlarm, 0}},
    {"POS", "COMPATIBLEMODE", IntKey{&ToolSettings::posCompatibleMode, 0}},
    {"OTHER", "LANGUAGE", TextKey{&ToolSettings::otherLanguage, "\xD6\xD0\xCE\xC4"}},  // 中文
};

enum class PathKind { Missing, Folder, Other };

PathKind KindOf(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

} // namespace

ToolSettings& TheSettings()
{
    static ToolSettings settings = [] {
        ToolSettings s;
        s.iniPath = FixedSettingsPath();
        return s;
    }();
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

std::string ProgramFolderSettingsPath() { return ModuleDirectory() + "/marlow_scales.ini"; }

void LoadSettingsFrom(ToolSettings& s, const std::string& programFolderFile,
                      const std::string& fixedFile)
{
    s.iniPath = programFolderFile;
    if (KindOf(s.iniPath) != PathKind::Other)
        s.iniPath = fixedFile;
    // One read of the file for all fifteen keys; the result is that of fifteen profile reads.
    const auto bytes = ReadFileBytes(s.iniPath);
    const std::string_view ini = bytes ? std::string_view(*bytes) : std::string_view();
    for (const KeySpec& k : KEYS) {
        if (const auto* i = std::get_if<IntKey>(&k.slot))
            s.*(i->field) = IniReadInt(ini, k.section, k.key, i->fallback);
        else if (const auto* t = std::get_if<TextKey>(&k.slot))
            s.*(t->field) = IniReadString(ini, k.section, k.key, t->fallback);
    }
}

void SaveSettingsTo(const ToolSettings& s, const std::string& programFolderFile,
                    const std::string& fixedFile)
{
    std::vector<IniUpdate> updates;
    for (const KeySpec& k : KEYS) {
        if (const auto* i = std::get_if<IntKey>(&k.slot))
            updates.push_back({k.section, k.key, std::to_string(s.*(i->field))});
        else if (const auto* t = std::get_if<TextKey>(&k.slot))
            updates.push_back({k.section, k.key, s.*(t->field)});
    }
    WriteIniStrings(updates, fixedFile);
    struct stat st;
    if (::stat(programFolderFile.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        WriteIniStrings(updates, programFolderFile);
}

void LoadSettings(ToolSettings& s) { LoadSettingsFrom(s, ProgramFolderSettingsPath(), FixedSettingsPath()); }

void SaveSettings(const ToolSettings& s) { SaveSettingsTo(s, ProgramFolderSettingsPath(), FixedSettingsPath()); }
