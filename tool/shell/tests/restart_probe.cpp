// A small program that restarts itself once through RestartProgram, for the restart test.
// It records each start and what it saw in $RESTART_PROBE_DIR/events, one line per event:
// "<pid> start <argc>", "<pid> returned open|closed", "<pid> ended".
#include "restart.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string g_events;

void Event(const std::string& what)
{
    const std::string line = std::to_string(::getpid()) + " " + what + "\n";
    const int fd = ::open(g_events.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        (void)!::write(fd, line.data(), line.size());
        ::close(fd);
    }
}

int StartsSoFar()
{
    int starts = 0;
    if (std::FILE* f = std::fopen(g_events.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            starts += std::string(line).find(" start ") != std::string::npos;
        std::fclose(f);
    }
    return starts;
}

} // namespace

int main(int argc, char** argv)
{
    const char* dir = std::getenv("RESTART_PROBE_DIR");
    if (!dir)
        return 2;
    g_events = std::string(dir) + "/events";
    Event("start " + std::to_string(argc));
    if (StartsSoFar() > 1) {  // the new instance: just end
        Event("ended");
        return 0;
    }

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QDialog dlg;
    SetRestartTarget(&dlg);
    QTimer::singleShot(0, &dlg, [&dlg] {
        if (std::getenv("RESTART_PROBE_DELETE_SELF")) {
            char self[PATH_MAX];
            const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
            if (n > 0) {
                self[n] = '\0';
                ::unlink(self);
            }
        }
        RestartProgram();
        Event(dlg.isVisible() ? "returned open" : "returned closed");
    });
    dlg.exec();
    Event("ended");
    return 0;
}
