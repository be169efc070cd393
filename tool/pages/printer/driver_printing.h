// The operating system's installed printers, as far as the printer page prints through them.
// A thin layer over Qt Print Support (CUPS here): names of the printers, the default printer
// entry, and a printer "device context" that draws text on one page of one document.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>
#include <memory>

class QPainter;
class QPrinter;

// Names of the local and connected printers; empty when there are none or they can't be listed.
QStringList EnumDriverPrinters();

// The default printer entry in the form "name,driver,port" (bytes of the names as the printing
// system holds them), or ",,," when no default printer is set.
QByteArray DefaultPrinterEntry();

// One print job on a named printer, used as: open, StartDoc (document and its only page),
// SelectFont, TextOut..., EndDoc. Destroying it without EndDoc abandons the document.
class CDriverDC {
public:
    // Opens the printer by exact name; IsOpen() tells whether that worked.
    explicit CDriverDC(const QString& printerName);
    ~CDriverDC();
    CDriverDC(const CDriverDC&) = delete;
    CDriverDC& operator=(const CDriverDC&) = delete;

    bool IsOpen() const;
    // Starts the document and its page; false when the printing system refuses.
    bool StartDoc(const QString& docName);
    void SaveState();
    void RestoreState();
    // A font of the printer's default face with the given cell height and average character
    // width in device units (printer dots) and weight (400 regular, 700 bold).
    void SelectFont(int cellHeight, int averageWidth, int weight);
    // Draws text with its top-left corner at (x, y) in device units.
    void TextOut(int x, int y, const QString& text);
    // Ends the page and the document: the job is handed to the printing system.
    void EndDoc();

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
};
