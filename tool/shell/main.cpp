#include "dialog_template.h"
#include "main_dlg.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    CMarlowPosTestDlg dlg;
    dlg.exec();
    return 0;
}
