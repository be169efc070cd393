// The simulated terminal behind the posperiph stand-in: a scale whose load comes and goes in a
// fixed cycle (moving, then settling, now and then beyond its capacity), a cash drawer that
// closes again a few seconds after it was opened, and the printer's output as readable text.
// Time is passed in (milliseconds on any steady clock), so the behaviour is checked directly.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CTerminalSim {
public:
    static constexpr int64_t SCALE_CYCLE_MS = 15000;
    static constexpr int64_t DRAWER_OPEN_MS = 3000;
    static constexpr double CAPACITY_KG = 30.0;
    static constexpr int OK = 240;

    struct Reading {
        int code;                               // 240, or -2 beyond capacity
        std::array<unsigned char, 32> bytes{};  // status, net "%7.3f", blank, tare "%7.3f", zeros
    };

    // The scale's load (kg) and whether it rests, at a time.
    double Gross(int64_t nowMs) const;
    bool Stable(int64_t nowMs) const;

    Reading Read(int64_t nowMs) const;
    // Zero: only while the scale rests near zero, as a real scale allows. Tare: while it rests.
    int Zero(int64_t nowMs);
    int Tare(int64_t nowMs);
    // Seven characters of "%-7.3f"; 240 when they hold a weight from 0 to the capacity.
    int PresetTare(const char* tare7);
    int ClearTare();

    void OpenDrawer(int64_t nowMs) { m_drawerOpenedMs = nowMs; m_drawerEverOpened = true; }
    // 0 while open, 1 when closed.
    unsigned char DrawerStatus(int64_t nowMs) const;

private:
    double m_zeroKg = 0.0;
    double m_tareKg = 0.0;
    int64_t m_drawerOpenedMs = 0;
    bool m_drawerEverOpened = false;
};

// The printer's journal: one call as readable UTF-8 text (GBK texts are converted).
std::string PrinterJournalText(const std::string& fn, const std::string& gbkText, int a, int b, int c);
// GBK bytes as UTF-8; bytes that are not GBK become U+FFFD.
std::string GbkToUtf8(const std::string& gbk);
