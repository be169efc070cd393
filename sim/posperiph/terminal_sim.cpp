#include "terminal_sim.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iconv.h>

namespace {

// What is put on the scale in successive cycles; 35 kg is beyond the capacity.
constexpr double LOADS_KG[] = {1.234, 0.350, 2.500, 35.000, 0.125, 5.678};
constexpr int LOAD_COUNT = int(sizeof LOADS_KG / sizeof LOADS_KG[0]);

// Phases of one cycle, in ms from its start.
constexpr int64_t PLACE_MS = 3000;    // empty until then
constexpr int64_t SETTLE_MS = 4500;   // moving until then
constexpr int64_t REMOVE_MS = 10000;  // resting until then
constexpr int64_t EMPTY_MS = 11000;   // moving down until then, then empty

int64_t Phase(int64_t nowMs)
{
    const int64_t p = nowMs % CTerminalSim::SCALE_CYCLE_MS;
    return p < 0 ? p + CTerminalSim::SCALE_CYCLE_MS : p;
}

double LoadOf(int64_t nowMs)
{
    int64_t cycle = nowMs / CTerminalSim::SCALE_CYCLE_MS;
    if (nowMs < 0)
        cycle -= 1;
    return LOADS_KG[((cycle % LOAD_COUNT) + LOAD_COUNT) % LOAD_COUNT];
}

void Format7(double kg, unsigned char* out)
{
    // Seven characters wide; beyond ±999.999 the text is clamped so it always fits.
    if (kg > 999.999)
        kg = 999.999;
    if (kg < -99.999)
        kg = -99.999;
    char text[16];
    std::snprintf(text, sizeof text, "%7.3f", kg);
    for (int i = 0; i < 7; ++i)
        out[i] = static_cast<unsigned char>(text[i]);
}

} // namespace

double CTerminalSim::Gross(int64_t nowMs) const
{
    const int64_t p = Phase(nowMs);
    const double load = LoadOf(nowMs);
    if (p < PLACE_MS || p >= EMPTY_MS)
        return 0.0;
    if (p < SETTLE_MS) {
        // A load swings about its weight and comes to rest.
        const double t = double(p - PLACE_MS) / 1000.0;
        return load * (1.0 - std::exp(-3.0 * t) * std::cos(9.0 * t));
    }
    if (p < REMOVE_MS)
        return load;
    const double t = double(p - REMOVE_MS) / double(EMPTY_MS - REMOVE_MS);
    return load * (1.0 - t) * (1.0 - t);
}

bool CTerminalSim::Stable(int64_t nowMs) const
{
    const int64_t p = Phase(nowMs);
    return p < PLACE_MS || (p >= SETTLE_MS && p < REMOVE_MS) || p >= EMPTY_MS;
}

CTerminalSim::Reading CTerminalSim::Read(int64_t nowMs) const
{
    Reading r;
    const double gross = Gross(nowMs);
    // Rounded to the scale's 1 g step so that the texts and the zero bit agree.
    const double fromZero = std::round((gross - m_zeroKg) * 1000.0) / 1000.0;
    const double net = fromZero - m_tareKg;
    r.code = gross > CAPACITY_KG ? -2 : OK;
    r.bytes[0] = static_cast<unsigned char>((Stable(nowMs) ? 1 : 0) | (std::fabs(fromZero) < 0.0005 ? 2 : 0));
    Format7(net, &r.bytes[1]);
    r.bytes[8] = ' ';
    Format7(m_tareKg, &r.bytes[9]);
    return r;
}

int CTerminalSim::Zero(int64_t nowMs)
{
    const double gross = Gross(nowMs);
    if (!Stable(nowMs) || std::fabs(gross) > 0.02 * CAPACITY_KG)
        return -1;
    m_zeroKg = gross;
    return OK;
}

int CTerminalSim::Tare(int64_t nowMs)
{
    if (!Stable(nowMs) || Gross(nowMs) > CAPACITY_KG)
        return -1;
    m_tareKg = std::round((Gross(nowMs) - m_zeroKg) * 1000.0) / 1000.0;
    return OK;
}

int CTerminalSim::PresetTare(const char* tare7)
{
    if (!tare7)
        return -1;
    const std::string text(tare7, 7);  // no terminator is promised
    char* end = nullptr;
    errno = 0;
    const double kg = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || errno != 0 || !(kg >= 0.0 && kg <= CAPACITY_KG))
        return -1;
    m_tareKg = kg;
    return OK;
}

int CTerminalSim::ClearTare()
{
    m_tareKg = 0.0;
    return OK;
}

unsigned char CTerminalSim::DrawerStatus(int64_t nowMs) const
{
    const bool open = m_drawerEverOpened && nowMs >= m_drawerOpenedMs && nowMs - m_drawerOpenedMs < DRAWER_OPEN_MS;
    return open ? 0 : 1;
}

std::string GbkToUtf8(const std::string& gbk)
{
    std::string out;
    iconv_t cd = ::iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return gbk;
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    char buf[256];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = ::iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, size_t(o - buf));
        if (r == size_t(-1) && errno != E2BIG) {
            // Not GBK (or cut in the middle of a character): show one replacement and go on.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    ::iconv_close(cd);
    return out;
}

std::string PrinterJournalText(const std::string& fn, const std::string& gbkText, int a, int b, int c)
{
    if (fn == "PrintText") {
        std::string text;
        for (char ch : GbkToUtf8(gbkText))
            if (ch != '\r')
                text += ch;
        if (a == 32 || a == 40 || a == 50)
            return "[format " + std::to_string(a) + "] " + text + (text.ends_with('\n') ? "" : "\n");
        return text;
    }
    if (fn == "PrintBarCode")
        return "[barcode " + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ": " +
               GbkToUtf8(gbkText) + "]\n";
    if (fn == "PrintQrCode")
        return "[QR code size " + std::to_string(a) + ": " + GbkToUtf8(gbkText) + "]\n";
    if (fn == "PrintBitmapFile")
        return "[image " + GbkToUtf8(gbkText) + ", density " + std::to_string(a) + "]\n";
    if (fn == "BeginPrint")
        return a == 4 ? "\n" : "[begin print " + std::to_string(a) + "]\n";
    if (fn == "CutPaper")
        return "-------------------------------- cut --------------------------------\n";
    if (fn == "ClosePrinterEx")
        return "[printer closed]\n";
    return "";
}
