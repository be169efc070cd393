// Runs the start-up subject in its two modes alternately and prints, for each, the median time
// from process start to the window shown and to the process's end, and the median peak resident
// memory; then the ratios tool / bare. Usage: startup_bench <startup_subject> [runs]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

long long NowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

struct Sample {
    double shownMs, endMs, rssMb;
};

bool RunOnce(const char* subject, const char* mode, Sample& out)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const long long start = NowNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl(subject, subject, mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        text.append(buf, size_t(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const long long end = NowNs();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty())
        return false;
    out.shownMs = double(std::atoll(text.c_str()) - start) / 1e6;
    out.endMs = double(end - start) / 1e6;
    out.rssMb = double(usage.ru_maxrss) / 1024.0;
    return true;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_bench <startup_subject> [runs]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const char* modes[] = {"bare", "tool"};
    std::vector<Sample> samples[2];
    Sample warm;
    RunOnce(argv[1], "bare", warm);  // fills the page cache for both
    RunOnce(argv[1], "tool", warm);
    for (int i = 0; i < runs; ++i) {
        for (int m = 0; m < 2; ++m) {
            Sample s;
            if (!RunOnce(argv[1], modes[m], s)) {
                std::fprintf(stderr, "startup_bench: the %s run failed\n", modes[m]);
                return 1;
            }
            samples[m].push_back(s);
        }
    }
    double shown[2], end[2], rss[2];
    for (int m = 0; m < 2; ++m) {
        std::vector<double> a, b, c;
        for (const Sample& s : samples[m]) {
            a.push_back(s.shownMs);
            b.push_back(s.endMs);
            c.push_back(s.rssMb);
        }
        shown[m] = Median(a);
        end[m] = Median(b);
        rss[m] = Median(c);
    }
    std::printf("%d runs each, alternating; medians\n", runs);
    std::printf("%-28s %14s %14s %14s\n", "", "to shown (ms)", "to end (ms)", "peak RSS (MB)");
    std::printf("%-28s %14.1f %14.1f %14.1f\n", "bare dialog, one button", shown[0], end[0], rss[0]);
    std::printf("%-28s %14.1f %14.1f %14.1f\n", "MarlowPosTest main window", shown[1], end[1], rss[1]);
    std::printf("%-28s %14.2f %14.2f %14.2f\n", "ratio tool / bare", shown[1] / shown[0], end[1] / end[0],
                rss[1] / rss[0]);
    return 0;
}
