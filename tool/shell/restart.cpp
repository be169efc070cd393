#include "restart.h"

#include "platform_seam.h"

#include <QDialog>
#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <climits>
#include <unistd.h>

namespace {
QPointer<QDialog> g_mainDialog;

// The running program file. The kernel marks a file deleted since the start with " (deleted)";
// its path then names nothing, so no new instance can start from it.
QString ProgramFilePath()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0 || size_t(n) >= sizeof buf)
        return QString();
    QString path = QFile::decodeName(QByteArray(buf, qsizetype(n)));
    const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return path;
}
} // namespace

void SetRestartTarget(QDialog* mainDialog) { g_mainDialog = mainDialog; }

void RestartProgram()
{
    // The close is queued: it is handled once the caller is back in the dialog's loop, where it
    // acts as the cancel command and ends the program.
    if (g_mainDialog)
        QMetaObject::invokeMethod(g_mainDialog.data(), &QDialog::reject, Qt::QueuedConnection);
    Seam().StartProgram(ProgramFilePath());
}
