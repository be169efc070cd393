#pragma once

#include <QWidget>

class CPageSetup : public QWidget {
    Q_OBJECT
public:
    explicit CPageSetup(QWidget* parent);
};
