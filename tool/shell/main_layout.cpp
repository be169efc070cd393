#include "main_layout.h"

namespace {
int Right(const QRect& r) { return r.x() + r.width(); }
int Bottom(const QRect& r) { return r.y() + r.height(); }
QRect FromEdges(int left, int top, int right, int bottom) { return QRect(left, top, right - left, bottom - top); }
} // namespace

LayoutMeasures MeasureLayout(const MainControls& c, const QRect& client)
{
    LayoutMeasures m;
    m.scaleLeft = c.scale.x();
    m.scaleTop = c.scale.y();
    m.printerTop = c.printer.y();
    m.settingsTop = c.settings.y();
    m.closeTop = c.close.y();
    m.gap1 = c.printer.x() - Right(c.scale);
    m.gap2 = c.settings.x() - Right(c.printer);
    m.gap3 = c.close.x() - Right(c.settings);
    m.dropScale = c.tab.y() - Bottom(c.scale);
    m.dropPrinter = c.tab.y() - Bottom(c.printer);
    m.dropSettings = c.tab.y() - Bottom(c.settings);
    m.dropClose = c.tab.y() - Bottom(c.close);
    m.closeRightMargin = Right(client) - Right(c.close);
    m.tabLeft = c.tab.x();
    m.tabRightMargin = Right(client) - Right(c.tab);
    m.tabBottomMargin = Bottom(client) - Bottom(c.tab);
    return m;
}

MainControls ApplyLayout(const LayoutMeasures& m, const MainControls& cur, const QRect& client)
{
    MainControls n;
    const int tabTop = cur.tab.y();  // the tab area moves last: every button sees its old top
    int x = m.scaleLeft, y = m.scaleTop;
    n.scale = FromEdges(x, y, cur.printer.x() - m.gap1, tabTop - m.dropScale);
    x = Right(n.scale) + m.gap1, y = m.printerTop;
    n.printer = FromEdges(x, y, cur.settings.x() - m.gap2, tabTop - m.dropPrinter);
    x = Right(n.printer) + m.gap2, y = m.settingsTop;
    n.settings = FromEdges(x, y, cur.close.x() - m.gap3, tabTop - m.dropSettings);
    x = Right(n.settings) + m.gap3, y = m.closeTop;
    n.close = FromEdges(x, y, Right(client) - m.closeRightMargin, tabTop - m.dropClose);
    x = m.tabLeft, y = Bottom(n.scale) + m.dropScale;
    n.tab = FromEdges(x, y, Right(client) - m.tabRightMargin, Bottom(client) - m.tabBottomMargin);
    return n;
}

QRect ApplyMinimumSize(const QRect& proposed, SizingEdge edge)
{
    int left = proposed.x(), top = proposed.y();
    int right = Right(proposed), bottom = Bottom(proposed);
    if (right - left < MIN_WINDOW_WIDTH) {
        if (edge == SizingEdge::Left || edge == SizingEdge::TopLeft || edge == SizingEdge::BottomLeft)
            left = right - MIN_WINDOW_WIDTH;
        else
            right = left + MIN_WINDOW_WIDTH;
    }
    if (bottom - top < MIN_WINDOW_HEIGHT) {
        if (edge == SizingEdge::Top || edge == SizingEdge::TopLeft || edge == SizingEdge::TopRight)
            top = bottom - MIN_WINDOW_HEIGHT;
        else
            bottom = top + MIN_WINDOW_HEIGHT;
    }
    return FromEdges(left, top, right, bottom);
}
