// Driver printing over Qt Print Support; on Linux Qt reaches the printers through libcups, which
// honours CUPS_SERVER and the user's lpoptions.
#include "driver_printing.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

QStringList EnumDriverPrinters()
{
    return QPrinterInfo::availablePrinterNames();
}

QByteArray DefaultPrinterEntry()
{
    const QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty())
        return QByteArrayLiteral(",,,");
    return name.toUtf8() + QByteArrayLiteral(",cups,");
}

CDriverDC::CDriverDC(const QString& printerName)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (info.isNull() || info.printerName() != printerName)
        return;
    // HighResolution: device units are the printer's own dots.
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid() || printer->printerName() != printerName)
        return;
    m_printer = std::move(printer);
}

CDriverDC::~CDriverDC()
{
    if (m_painter && m_painter->isActive()) {
        m_printer->abort();
        m_painter->end();
    }
}

bool CDriverDC::IsOpen() const { return m_printer != nullptr; }

bool CDriverDC::StartDoc(const QString& docName)
{
    if (!m_printer || m_painter)
        return false;
    m_printer->setDocName(docName);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get()))
        return false;
    m_painter = std::move(painter);
    return true;
}

void CDriverDC::SaveState()
{
    if (m_painter && m_painter->isActive())
        m_painter->save();
}

void CDriverDC::RestoreState()
{
    if (m_painter && m_painter->isActive())
        m_painter->restore();
}

void CDriverDC::SelectFont(int cellHeight, int averageWidth, int weight)
{
    if (!m_painter || !m_painter->isActive() || cellHeight <= 0 || averageWidth <= 0)
        return;
    // Qt sizes a font by its em; the printer font is asked for by cell height (ascent plus
    // descent) and average character width, so scale to those.
    QFont font;
    font.setPixelSize(cellHeight);
    font.setWeight(QFont::Weight(std::clamp(weight, 1, 1000)));
    const qreal height = QFontMetricsF(font, m_printer.get()).height();
    if (height > 0)
        font.setPixelSize(std::max(1, int(std::lround(cellHeight * cellHeight / height))));
    const qreal average = QFontMetricsF(font, m_printer.get()).averageCharWidth();
    if (average > 0)
        font.setStretch(std::clamp(int(std::lround(100.0 * averageWidth / average)), 1, 4000));
    m_painter->setFont(font);
}

void CDriverDC::TextOut(int x, int y, const QString& text)
{
    if (!m_painter || !m_painter->isActive() || text.isEmpty())
        return;
    // Everything goes on one page: what starts below it would be clipped anyway.
    if (y >= m_printer->height())
        return;
    const qreal ascent = QFontMetricsF(m_painter->font(), m_printer.get()).ascent();
    m_painter->drawText(QPointF(x, y + ascent), text);
}

void CDriverDC::EndDoc()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}
