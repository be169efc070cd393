#include "app.h"

#include "dialog_template.h"
#include "main_dlg.h"
#include "settings.h"
#include "version.h"

#include <QApplication>

CMarlowPosTestApp theApp;

namespace {
// The settings record exists before the program's own code runs: fixed path, zeros, empty texts.
[[maybe_unused]] const ToolSettings& g_settingsBuiltEarly = TheSettings();
} // namespace

int CMarlowPosTestApp::Run(const char* programName)
{
    // The program reads no command line; Qt gets only the program name.
    int argc = 1;
    char* argv[] = {const_cast<char*>(programName), nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MarlowPosTest"));
    QApplication::setApplicationVersion(QString::fromLatin1(ToolVersionRecord().fileVersion));
    InitInstance();
    return 0;
}

bool CMarlowPosTestApp::InitInstance()
{
    // The template font "宋体" must resolve to an installed CJK font before any window exists.
    InstallFontSubstitutions();
    CMarlowPosTestDlg dlg;
    dlg.exec();
    return false;
}
