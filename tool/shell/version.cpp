#include "version.h"

#include <cstdio>

const VersionRecord& ToolVersionRecord()
{
    // TOOL_VERSION_* come from the CMake project version.
    static const VersionRecord record{
        (uint32_t(TOOL_VERSION_MAJOR) << 16) | uint32_t(TOOL_VERSION_MINOR),
        (uint32_t(TOOL_VERSION_PATCH) << 16) | uint32_t(TOOL_VERSION_TWEAK),
        TOOL_VERSION_TEXT,
        "MarlowPosTest",
    };
    return record;
}

std::string VersionText(const VersionRecord& r)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", int((r.dwFileVersionMS >> 16) & 0xFF),
                  int(r.dwFileVersionMS & 0xFFF), int((r.dwFileVersionLS >> 16) & 0xFF),
                  int(r.dwFileVersionLS & 0xFFF));
    return text;
}

std::string ToolVersionText() { return VersionText(ToolVersionRecord()); }
