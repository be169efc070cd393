// The posperiph stand-in. By default a simulated terminal (terminal_sim.h): the scale's load comes
// and goes, the drawer closes again by itself, printed output is appended as readable text to
// <vendor folder>/printer-journal.txt. Tests switch it to scripted mode (posperiph_control.h):
// each call is recorded in a journal and answers with the scripted results; nothing is written.
#include "posperiph.h"
#include "posperiph_control.h"
#include "terminal_sim.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct Script {
    bool scripted = false;
    std::vector<PosCall> journal;
    std::map<std::string, int> results;
    int readingCode = 240;
    std::array<unsigned char, 32> reading{};
    std::string version = "SIM 1.0";
};

std::mutex g_mutex;
Script g_script;
CTerminalSim g_sim;

int64_t NowMs()
{
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// The vendor folder as the tool finds it: $NORVALE_HOME, else /opt/norvale.
std::string PrinterJournalPath()
{
    const char* home = std::getenv("NORVALE_HOME");
    return std::string(home && *home ? home : "/opt/norvale") + "/printer-journal.txt";
}

// Appends the printer's output; a journal that cannot be written is skipped, as paper running out
// would be.
void Print(const std::string& fn, const char* text, int a = 0, int b = 0, int c = 0)
{
    const std::string entry = PrinterJournalText(fn, text ? std::string(text) : std::string(), a, b, c);
    if (entry.empty())
        return;
    if (std::FILE* f = std::fopen(PrinterJournalPath().c_str(), "ab")) {
        std::fwrite(entry.data(), 1, entry.size(), f);
        std::fclose(f);
    }
}

// The journal is for tests; a long-running test cannot make it grow without bound.
constexpr size_t JOURNAL_LIMIT = 100000;

void Record(const char* fn, std::vector<std::string> args)
{
    if (g_script.scripted && g_script.journal.size() < JOURNAL_LIMIT)
        g_script.journal.push_back(PosCall{fn, std::move(args)});
}

int ResultOf(const char* fn, int fallback)
{
    auto it = g_script.results.find(fn);
    return it == g_script.results.end() ? fallback : it->second;
}

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

} // namespace

void posperiph_use_script()
{
    std::lock_guard lock(g_mutex);
    g_script = Script{};
    g_script.scripted = true;
}

void posperiph_use_simulation()
{
    std::lock_guard lock(g_mutex);
    g_script = Script{};
    g_sim = CTerminalSim{};
}

std::vector<PosCall> posperiph_journal()
{
    std::lock_guard lock(g_mutex);
    return g_script.journal;
}

void posperiph_clear_journal()
{
    std::lock_guard lock(g_mutex);
    g_script.journal.clear();
}

void posperiph_script_result(const std::string& fn, int result)
{
    std::lock_guard lock(g_mutex);
    g_script.results[fn] = result;
}

void posperiph_script_reading(int code, const std::array<unsigned char, 32>& reading)
{
    std::lock_guard lock(g_mutex);
    g_script.readingCode = code;
    g_script.reading = reading;
}

void posperiph_script_version(const std::string& version)
{
    std::lock_guard lock(g_mutex);
    g_script.version = version;
}

extern "C" {

int GetDllVersion(char* version20)
{
    std::lock_guard lock(g_mutex);
    Record("GetDllVersion", {});
    if (version20) {
        const size_t n = std::min<size_t>(g_script.version.size(), 19);
        std::memcpy(version20, g_script.version.data(), n);
        version20[n] = '\0';
    }
    return ResultOf("GetDllVersion", 240);
}

int OpenCashDrawerEx(void)
{
    std::lock_guard lock(g_mutex);
    Record("OpenCashDrawerEx", {});
    if (!g_script.scripted)
        g_sim.OpenDrawer(NowMs());
    return ResultOf("OpenCashDrawerEx", 240);
}

unsigned char GetCashDrawerStatus(void)
{
    std::lock_guard lock(g_mutex);
    Record("GetCashDrawerStatus", {});
    if (!g_script.scripted)
        return g_sim.DrawerStatus(NowMs());
    return static_cast<unsigned char>(ResultOf("GetCashDrawerStatus", 0));
}

int PrintText(char* text, int format)
{
    std::lock_guard lock(g_mutex);
    Record("PrintText", {Text(text), std::to_string(format)});
    if (!g_script.scripted)
        Print("PrintText", text, format);
    return ResultOf("PrintText", 240);
}

int PrintBarCode(char* text, int a, int b, int c)
{
    std::lock_guard lock(g_mutex);
    Record("PrintBarCode", {Text(text), std::to_string(a), std::to_string(b), std::to_string(c)});
    if (!g_script.scripted)
        Print("PrintBarCode", text, a, b, c);
    return ResultOf("PrintBarCode", 240);
}

int PrintQrCode(char* text, int size)
{
    std::lock_guard lock(g_mutex);
    Record("PrintQrCode", {Text(text), std::to_string(size)});
    if (!g_script.scripted)
        Print("PrintQrCode", text, size);
    return ResultOf("PrintQrCode", 240);
}

int PrintBitmapFile(char* path, int density)
{
    std::lock_guard lock(g_mutex);
    Record("PrintBitmapFile", {Text(path), std::to_string(density)});
    if (!g_script.scripted)
        Print("PrintBitmapFile", path, density);
    return ResultOf("PrintBitmapFile", 240);
}

int BeginPrint(int mode)
{
    std::lock_guard lock(g_mutex);
    Record("BeginPrint", {std::to_string(mode)});
    if (!g_script.scripted)
        Print("BeginPrint", nullptr, mode);
    return ResultOf("BeginPrint", 240);
}

int CutPaper(void)
{
    std::lock_guard lock(g_mutex);
    Record("CutPaper", {});
    if (!g_script.scripted)
        Print("CutPaper", nullptr);
    return ResultOf("CutPaper", 240);
}

int ClosePrinterEx(void)
{
    std::lock_guard lock(g_mutex);
    Record("ClosePrinterEx", {});
    if (!g_script.scripted)
        Print("ClosePrinterEx", nullptr);
    return ResultOf("ClosePrinterEx", 240);
}

int read_standard(char* reading32)
{
    std::lock_guard lock(g_mutex);
    Record("read_standard", {});
    if (!g_script.scripted) {
        const CTerminalSim::Reading r = g_sim.Read(NowMs());
        if (reading32)
            std::memcpy(reading32, r.bytes.data(), 31);
        return r.code;
    }
    if (reading32)
        std::memcpy(reading32, g_script.reading.data(), 31);
    return g_script.readingCode;
}

int send_zero(void)
{
    std::lock_guard lock(g_mutex);
    Record("send_zero", {});
    if (!g_script.scripted)
        return g_sim.Zero(NowMs());
    return ResultOf("send_zero", 240);
}

int send_tare(int zero)
{
    std::lock_guard lock(g_mutex);
    Record("send_tare", {std::to_string(zero)});
    if (!g_script.scripted)
        return g_sim.Tare(NowMs());
    return ResultOf("send_tare", 240);
}

int send_pre_tare(char* tare7)
{
    std::lock_guard lock(g_mutex);
    // Seven characters exactly: the caller promises no terminator.
    Record("send_pre_tare", {tare7 ? std::string(tare7, 7) : std::string()});
    if (!g_script.scripted)
        return g_sim.PresetTare(tare7);
    return ResultOf("send_pre_tare", 240);
}

int clear_tare(char* scratch32)
{
    std::lock_guard lock(g_mutex);
    Record("clear_tare", {});
    if (scratch32)
        std::memset(scratch32, 0, 32);
    if (!g_script.scripted)
        return g_sim.ClearTare();
    return ResultOf("clear_tare", 240);
}

int set_overflow_alarm(int on)
{
    std::lock_guard lock(g_mutex);
    Record("set_overflow_alarm", {std::to_string(on)});
    return ResultOf("set_overflow_alarm", 240);
}

} // extern "C"
