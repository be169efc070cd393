// Saves a picture of the main window (with the page given: setup, printer or scale) to a PNG,
// for looking at the layout and the Chinese texts on a machine with no screen:
//   QT_QPA_PLATFORM=offscreen NORVALE_HOME=... grab_main_window out.png [page]
#include "dialog_template.h"
#include "main_dlg.h"

#include <QApplication>
#include <QPixmap>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    CMarlowPosTestDlg dlg;
    dlg.show();
    if (argc > 2 && std::strcmp(argv[2], "scale") == 0)
        dlg.ShowPage(CMarlowPosTestDlg::Page::Scale);
    else if (argc > 2 && std::strcmp(argv[2], "printer") == 0)
        dlg.ShowPage(CMarlowPosTestDlg::Page::Printer);
    QApplication::processEvents();
    return dlg.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
