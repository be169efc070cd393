#include "platform_seam.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>

void CPlatformSeam::MessageBox(QWidget* owner, const QString& text, const QString& title, MsgIcon icon)
{
    QMessageBox box(owner);
    box.setWindowTitle(title);
    box.setText(QString(text).replace("\r\n", "\n"));
    box.setIcon(icon == MsgIcon::Stop ? QMessageBox::Critical
                : icon == MsgIcon::Exclamation ? QMessageBox::Warning
                                               : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QString CPlatformSeam::OpenFileDialog(QWidget* owner, const QString& filter)
{
    // "Name(*.ext)|*.ext||" pairs become Qt's "Name (*.ext)" entries.
    const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        qtFilters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(qtFilters);
    dialog.setOption(QFileDialog::ReadOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void CPlatformSeam::StartProgram(const QString& programPath)
{
    QProcess::startDetached(programPath, QStringList());
}

void CPlatformSeam::ExploreFolder(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

namespace {
CPlatformSeam g_desktopSeam;
CPlatformSeam* g_seam = &g_desktopSeam;
} // namespace

CPlatformSeam& Seam() { return *g_seam; }
void SetSeam(CPlatformSeam* seam) { g_seam = seam ? seam : &g_desktopSeam; }
