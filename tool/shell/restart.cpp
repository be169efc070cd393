#include "restart.h"

#include "platform_seam.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMetaObject>
#include <QPointer>

namespace {
QPointer<QDialog> g_mainDialog;
}

void SetRestartTarget(QDialog* mainDialog) { g_mainDialog = mainDialog; }

void RestartProgram()
{
    if (g_mainDialog)
        QMetaObject::invokeMethod(g_mainDialog.data(), &QDialog::reject, Qt::QueuedConnection);
    Seam().StartProgram(QCoreApplication::applicationFilePath());
}
