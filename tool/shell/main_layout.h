// The main window's geometry rules as pure functions on rectangles (pixels, client coordinates).
#pragma once

#include <QRect>

// Offsets measured once on the controls as the template placed them.
struct LayoutMeasures {
    int scaleLeft = 0, scaleTop = 0;
    int printerTop = 0, settingsTop = 0, closeTop = 0;
    int gap1 = 0, gap2 = 0, gap3 = 0;                  // between neighbouring buttons
    int dropScale = 0, dropPrinter = 0, dropSettings = 0, dropClose = 0;  // button bottom to tab top
    int closeRightMargin = 0;
    int tabLeft = 0, tabRightMargin = 0, tabBottomMargin = 0;
};

// The five controls of the main window.
struct MainControls {
    QRect scale, printer, settings, close, tab;
};

// Rectangles use Windows' convention here: right and bottom are one past the last pixel
// (QRect's x()+width(), y()+height()).
LayoutMeasures MeasureLayout(const MainControls& placed, const QRect& client);
// Where the controls go for the current client area: the page buttons keep place and size, the
// close button stretches to keep its right margin, the tab area fills the rest.
MainControls ApplyLayout(const LayoutMeasures& m, const MainControls& current, const QRect& client);

// The edge or corner the user drags while sizing the window.
enum class SizingEdge { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };
constexpr int MIN_WINDOW_WIDTH = 800;
constexpr int MIN_WINDOW_HEIGHT = 600;
// A proposed window rectangle kept at least 800 × 600 by moving the dragged edges.
QRect ApplyMinimumSize(const QRect& proposed, SizingEdge edge);
