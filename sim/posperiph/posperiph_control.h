// Control of the posperiph stand-in, for tests only: the tool never includes this header.
// By default the stand-in simulates a terminal. posperiph_use_script() switches it to scripted
// mode: every call is recorded in the journal and answers with the scripted results.
#pragma once

#include <array>
#include <string>
#include <vector>

struct PosCall {
    std::string fn;                 // function name, "PrintText"
    std::vector<std::string> args;  // texts as the exact bytes passed, integers in decimal

    bool operator==(const PosCall&) const = default;
};

// Scripted mode with an empty journal and every result back to its default:
// 240 for the scale commands, 0 for the drawer status, version "SIM 1.0", read_standard 240
// with an all-zero reading.
void posperiph_use_script();
// Back to the simulated terminal (the default).
void posperiph_use_simulation();

std::vector<PosCall> posperiph_journal();
void posperiph_clear_journal();

// The result every later call of `fn` returns (scripted mode).
void posperiph_script_result(const std::string& fn, int result);
// What read_standard returns and copies into the caller's buffer (31 bytes at most are copied).
void posperiph_script_reading(int code, const std::array<unsigned char, 32>& reading);
void posperiph_script_version(const std::string& version);
