// The profile (INI) format on a byte buffer: lookups and key writes with the rules of the Windows
// profile functions the settings file was made for. No I/O here: ini_file.h feeds it files.
//
// - Section and key names match without regard to the case of ASCII letters.
// - A line whose first non-blank byte is '[' and that holds a ']' opens a section (name up to
//   the last ']', blanks trimmed).
// - A line with an '=' in a section is a key: name before the first '=', value after it, blanks
//   (space, tab) trimmed from both. Comment lines (';') and lines without '=' never match.
// - The first of duplicate sections, and the first of duplicate keys in it, wins.
// - Lines end in CR LF, LF or CR; a write keeps every other byte of the buffer as it was and
//   ends the lines it adds with CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Longest text a read gives: the Windows reader's 100-byte buffer less its terminator.
constexpr size_t INI_TEXT_MAX = 99;

// The value of section/key with blanks trimmed, or nullopt when the key is missing.
std::optional<std::string_view> IniLookup(std::string_view ini, std::string_view section,
                                          std::string_view key);

// A text read: the default when the key is missing, else the value with one pair of enclosing
// quotes (' or ") removed, up to its first NUL and at most INI_TEXT_MAX bytes.
std::string IniReadString(std::string_view ini, std::string_view section, std::string_view key,
                          std::string_view fallback);

// An integer read: the default when the key is missing or its value empty, else the number at
// the start of the value (optional sign, decimal digits; clamped to the int range), 0 when the
// value does not start with one.
int IniReadInt(std::string_view ini, std::string_view section, std::string_view key, int fallback);

// Writes section/key=value into the buffer: replaces the value of the key's line (keeping the
// key's letter case), else adds the line at the end of the section, else adds the section with
// the line at the end. A value is cut at its first CR, LF or NUL so it cannot add lines.
void IniWriteString(std::string& ini, std::string_view section, std::string_view key,
                    std::string_view value);
