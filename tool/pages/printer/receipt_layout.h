// Pure rules of driver printing: how the receipt text becomes lines on the page, and how the
// default printer entry picks a list entry. No I/O here.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The receipt text split at "\r\n": an empty run between two separators is a blank line, a final
// separator gives no empty last line, a text without separators (even an empty one) is one line.
QStringList SplitReceiptLines(const QString& text);

// One TextOut on the printer page: top-left corner in device units, and the text.
struct TextOp {
    int x;
    int y;
    QString text;
    bool operator==(const TextOp&) const = default;
};

constexpr int RECEIPT_LINE_STEP = 30;  // device units between lines
constexpr int RECEIPT_LEFT = 1;

// Line i at y = 30 * i, then "-" one empty line position below the last line, at 30 * (n + 1).
std::vector<TextOp> ReceiptTextOps(const QString& text);

// The default printer entry is read into an 80-byte field (79 bytes and a terminator), then cut
// at its first comma: the printer name, or an empty text when there is none. A name of 80 bytes
// or more therefore comes out cut and matches no listed printer.
constexpr int DEFAULT_ENTRY_FIELD = 80;
QString DefaultPrinterToken(const QByteArray& entry);
