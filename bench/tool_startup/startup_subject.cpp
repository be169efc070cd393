// The program whose start-up is measured. "tool": the tool's instance initialisation (settings,
// posperiph version, main window with its pages); "bare": a Qt dialog with one button. The window
// is closed as soon as it is first painted; the time of that (CLOCK_MONOTONIC, ns) is written to stdout.
#include "app.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// Closes the first dialog once it has painted itself, as a user who opened it and closed it at once.
class CloseWhenShown : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_done && event->type() == QEvent::Paint) {
            if (auto* dlg = qobject_cast<QDialog*>(watched); dlg && dlg->isVisible()) {
                m_done = true;
                timespec ts;
                clock_gettime(CLOCK_MONOTONIC, &ts);
                std::printf("%lld\n", (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
                std::fflush(stdout);
                QTimer::singleShot(0, dlg, &QDialog::reject);
            }
        }
        return false;
    }

private:
    bool m_done = false;
};

} // namespace

int main(int, char** argv)
{
    const bool tool = argv[1] && std::strcmp(argv[1], "tool") == 0;
    int argc = 1;
    QApplication app(argc, argv);
    CloseWhenShown closer;
    app.installEventFilter(&closer);
    if (tool) {
        theApp.InitInstance();
    } else {
        QDialog dlg;
        auto* button = new QPushButton(QStringLiteral("OK"), &dlg);
        button->move(10, 10);
        dlg.exec();
    }
    return 0;
}
