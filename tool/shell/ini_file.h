// The profile functions on files: thin I/O around the byte rules of ini_profile.h.
// Paths are byte strings as the settings record holds them. Failures are silent by design: a
// file that cannot be read reads as missing, a write that cannot be made is skipped.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Text value of section/key in the file (a missing or unreadable file gives the default).
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& fallback, const std::string& path);
// Integer value of section/key in the file.
int ReadIniInt(const std::string& section, const std::string& key, int fallback,
               const std::string& path);
// Writes section/key=value into the file, creating the file (not its folder) when missing.
void WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& path);

// One key write of a batch.
struct IniUpdate {
    std::string section, key, value;
};
// The same bytes as WriteIniString for each update in turn, read once and written once.
void WriteIniStrings(const std::vector<IniUpdate>& updates, const std::string& path);

// Files larger than this read as unreadable: bounds the memory a broken file can take.
constexpr size_t INI_FILE_MAX = 64u << 20;

// The whole file, or nullopt when it is missing, not a regular file, unreadable or too large.
std::optional<std::string> ReadFileBytes(const std::string& path);
// Replaces the file's contents through a temporary file in the same folder renamed over it,
// keeping the mode (and owner when allowed) of the old file, so that a failure at any point
// leaves the old file whole. Refuses read-only files (no write bit) as the profile writer does.
// Returns false when nothing was written.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
