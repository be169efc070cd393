#include "receipt_layout.h"

#include <algorithm>
#include <climits>

QStringList SplitReceiptLines(const QString& text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.size() > 1 && text.endsWith(QStringLiteral("\r\n")))
        lines.removeLast();
    return lines;
}

std::vector<TextOp> ReceiptTextOps(const QString& text)
{
    const QStringList lines = SplitReceiptLines(text);
    std::vector<TextOp> ops;
    ops.reserve(size_t(lines.size()) + 1);
    // Positions in 64 bits: a huge text must not wrap y round to the top of the page.
    auto y = [](qsizetype i) { return int(std::min<qint64>(qint64(i) * RECEIPT_LINE_STEP, INT_MAX)); };
    for (qsizetype i = 0; i < lines.size(); ++i)
        ops.push_back({RECEIPT_LEFT, y(i), lines[i]});
    ops.push_back({RECEIPT_LEFT, y(lines.size() + 1), QStringLiteral("-")});
    return ops;
}

QString DefaultPrinterToken(const QByteArray& entry)
{
    const QByteArray field = entry.left(DEFAULT_ENTRY_FIELD - 1);
    const qsizetype comma = field.indexOf(',');
    return QString::fromUtf8(comma < 0 ? field : field.left(comma));
}
