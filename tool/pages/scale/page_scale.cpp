// Placeholder until the page lands.
#include "page_scale.h"

CPageScale::CPageScale(QWidget* parent) : QWidget(parent) {}
