// Placeholder main window until the real one lands: the three pages in a frame, setup in front.
#include "main_dlg.h"

#include "page_printer.h"
#include "page_scale.h"
#include "page_setup.h"
#include "settings.h"

#include <QFrame>

CMarlowPosTestDlg::CMarlowPosTestDlg(QWidget* parent) : QDialog(parent)
{
    LoadSettings(TheSettings());
    resize(820, 640);
    m_tabArea = new QFrame(this);
    m_tabArea->setGeometry(4, 60, 810, 570);
    m_pageSetup = new CPageSetup(m_tabArea);
    m_pagePrinter = new CPagePrinter(m_tabArea);
    m_pageScale = new CPageScale(m_tabArea);
    m_pagePrinter->hide();
    m_pageScale->hide();
}

CMarlowPosTestDlg::~CMarlowPosTestDlg() = default;
