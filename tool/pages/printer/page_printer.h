#pragma once

#include <QWidget>

class CPagePrinter : public QWidget {
    Q_OBJECT
public:
    explicit CPagePrinter(QWidget* parent);
    // Shows or hides the drawer status controls after POS/TYPE; the main window runs it each
    // time it brings this page to the front.
    void ApplyDrawerVisibility();
};
