// The program's own version: a record compiled into the program from the project version, read
// by the same bit rules as the Windows version resource it stands for.
#pragma once

#include <cstdint>
#include <string>

struct VersionRecord {
    uint32_t dwFileVersionMS;  // major << 16 | minor
    uint32_t dwFileVersionLS;  // patch << 16 | build
    const char* fileVersion;   // the same version as text
    const char* productName;
};

// The record of this program (5.0.23.220 as shipped).
const VersionRecord& ToolVersionRecord();

// "%d.%d.%d.%d" of bits 16-23 and 0-11 of each word: a part of 256 or more loses its upper bits,
// so 300.0.0.0 reads as 44.0.0.0.
std::string VersionText(const VersionRecord& record);
// The text of this program's version, for the main window's title.
std::string ToolVersionText();
