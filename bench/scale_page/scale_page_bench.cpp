// One poll of the scale page, timed on the offscreen platform against the scripted posperiph
// stand-in. Two readings alternate so that every poll rewrites all four boxes (the worst case).
#include "dialog_template.h"
#include "page_scale.h"
#include "posperiph.h"
#include "posperiph_control.h"

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

ScaleReading Reading(unsigned char status, const char* text)
{
    ScaleReading r{};
    r[0] = status;
    std::memcpy(r.data() + 1, text, std::strlen(text));
    return r;
}

struct Stats {
    double median, p99, max;  // microseconds
};

Stats Summarise(std::vector<double>& us)
{
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100], us.back()};
}

void Row(const char* what, size_t n, Stats s)
{
    constexpr double PERIOD_US = CPageScale::POLL_PERIOD_MS * 1000.0;
    std::printf("%-44s %7zu %9.1f %9.1f %9.1f %9.3f%%\n", what, n, s.median, s.p99, s.max, 100.0 * s.median / PERIOD_US);
}

// Times `step` n times; `between` runs untimed before each step.
template <class Between, class Step>
Stats Measure(size_t n, Between between, Step step)
{
    std::vector<double> us;
    us.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        between(i);
        const auto t0 = Clock::now();
        step();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return Summarise(us);
}

} // namespace

int main(int argc, char** argv)
{
    // No settings file: the page loads the defaults (Chinese).
    QTemporaryDir home;
    qputenv("NORVALE_HOME", home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();

    posperiph_use_script();
    CPageScale page(nullptr);
    page.show();
    QApplication::processEvents();

    const ScaleReading readings[] = {Reading(0x01, "  1.234   0.500"), Reading(0x02, "  0.000   0.000")};
    const int codes[] = {240, -1};
    auto alternate = [&](size_t i) {
        posperiph_script_reading(codes[i % 2], readings[i % 2]);
        if (i % 50000 == 0)
            posperiph_clear_journal();  // keeps the stand-in's journal small
    };
    char buffer[32];
    auto readOnly = [&] {
        std::memset(buffer, 0, sizeof buffer);
        read_standard(buffer);
    };

    for (size_t i = 0; i < 2000; ++i) {  // warm up caches and fonts
        alternate(i);
        page.Poll();
    }

    std::printf("%-44s %7s %9s %9s %9s %10s\n", "us per call", "n", "median", "p99", "max", "of 100 ms");
    Row("read_standard alone (stand-in)", 50000, Measure(50000, alternate, readOnly));
    Row("poll: read_standard + box updates", 50000, Measure(50000, alternate, [&] { page.Poll(); }));
    Row("poll + synchronous repaint of the whole page", 2000,
        Measure(2000, alternate, [&] { page.Poll(); page.repaint(); }));
    Row("poll of an unchanged reading", 50000,
        Measure(50000, [&](size_t) { posperiph_script_reading(codes[0], readings[0]); }, [&] { page.Poll(); }));

    // The stand-in's own simulated scale, as the tool meets it on a machine without devices.
    posperiph_use_simulation();
    Row("poll against the simulated scale", 50000, Measure(50000, [](size_t) {}, [&] { page.Poll(); }));
    return 0;
}
