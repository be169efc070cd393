// A look at the page against the stand-in's simulated scale: clicks Start, then prints the boxes
// and saves the page as <prefix>-<n>.png at a few moments, so a person can see live readings.
// Usage: scale_page_snapshot [prefix]   (QT_QPA_PLATFORM=offscreen unless set)
#include "dialog_template.h"
#include "page_scale.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    const QString prefix = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("scale_page");

    CPageScale page(nullptr);
    page.show();
    QTest::mouseClick(FindControl<QPushButton>(&page, 1004), Qt::LeftButton);
    for (int shot = 1; shot <= 6; ++shot) {
        QTest::qWait(1500);
        std::printf("%4.1fs  net [%s]  tare [%s]  raw [%s]  status [%s]\n", shot * 1.5,
                    qPrintable(FindControl<QLineEdit>(&page, 1008)->text()),
                    qPrintable(FindControl<QLineEdit>(&page, 1010)->text()),
                    qPrintable(FindControl<QLineEdit>(&page, 1009)->text()),
                    qPrintable(FindControl<QLineEdit>(&page, 1011)->text()));
        page.grab().save(QStringLiteral("%1-%2.png").arg(prefix).arg(shot));
    }
    return 0;
}
