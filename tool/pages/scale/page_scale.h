#pragma once

#include <QWidget>

class CPageScale : public QWidget {
    Q_OBJECT
public:
    explicit CPageScale(QWidget* parent);
};
