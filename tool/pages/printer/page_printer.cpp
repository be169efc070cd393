// Placeholder until the page lands.
#include "page_printer.h"

CPagePrinter::CPagePrinter(QWidget* parent) : QWidget(parent) {}
void CPagePrinter::ApplyDrawerVisibility() {}
