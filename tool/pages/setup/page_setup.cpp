// Placeholder until the page lands.
#include "page_setup.h"

CPageSetup::CPageSetup(QWidget* parent) : QWidget(parent) {}
