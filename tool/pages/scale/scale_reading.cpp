#include "scale_reading.h"

#include "decimal.h"
#include "gbk.h"

#include <climits>
#include <cstdio>

namespace {

// The text that starts at `from` and ends at the first zero byte, after at most `limit` bytes, or
// at the end of the buffer: a library that fills all 32 bytes must not send us past it.
QString ReadingText(const ScaleReading& reading, size_t from, size_t limit)
{
    size_t end = from;
    while (end < reading.size() && end - from < limit && reading[end] != 0)
        ++end;
    const char* p = reinterpret_cast<const char*>(reading.data()) + from;
    const size_t n = end - from;
    bool ascii = true;
    for (size_t i = 0; i < n; ++i)
        ascii = ascii && static_cast<unsigned char>(p[i]) < 0x80;
    // Weights are plain ASCII; only other bytes need the GBK decoder, which costs far more.
    return ascii ? QString::fromLatin1(p, qsizetype(n)) : FromGbk(QByteArray(p, qsizetype(n)));
}

QString ErrorSuffix(int code, const QString& text)
{
    return QStringLiteral("ERR:%1,%2").arg(code).arg(text);
}

QString NoReadingLine(const QString& text, int code)
{
    return QStringLiteral("%1, ERR=%2").arg(text).arg(code);
}

} // namespace

ScaleStatusTexts StatusTextsFor(bool chinese)
{
    if (chinese) {
        return {
            QString::fromUtf8("稳定"),
            QString::fromUtf8("不稳定"),
            QString::fromUtf8(" 零位"),
            QString::fromUtf8(" 非零位"),
            QString::fromUtf8("溢出或开机未归零!请清空秤盘,断电后重新开机."),
            QString::fromUtf8("加载动态库失败"),
            QString::fromUtf8("通讯超时等其他错误"),
        };
    }
    return {
        QStringLiteral("Stable"),
        QStringLiteral("NotStable"),
        QStringLiteral(" Zero"),
        QStringLiteral(" NoneZero"),
        QStringLiteral(" Overflow"),
        QStringLiteral("Failed to load library"),
        QStringLiteral("Other error"),
    };
}

ScaleBoxes DecodeReading(int code, const ScaleReading& reading, const ScaleStatusTexts& texts)
{
    const bool present = code == READ_OK || code == READ_ERR_OTHER || code == READ_ERR_OVERFLOW
                         || code == READ_ERR_OVERFLOW_AT_START;
    if (!present) {
        // No reading: only the status line changes, the last weights stay in view.
        return {NoReadingLine(code == READ_ERR_LOAD ? texts.loadFailure : texts.otherError, code),
                std::nullopt, std::nullopt, std::nullopt};
    }

    const unsigned char status = reading[0];
    QString line = (status & STATUS_STABLE) ? texts.stable : texts.unstable;
    line += (status & STATUS_AT_ZERO) ? texts.atZero : texts.nonZero;
    if (code == READ_ERR_OVERFLOW || code == READ_ERR_OVERFLOW_AT_START)
        line += ErrorSuffix(code, texts.overflow);
    else if (code == READ_ERR_OTHER)
        line += ErrorSuffix(code, texts.otherError);

    // Two hex digits whatever the status byte: bits above bit 1 are not sign-extended.
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", unsigned(status));
    QString raw = QStringLiteral("S:") + QLatin1StringView(hex, 2) + QStringLiteral(" W:")
                  + ReadingText(reading, 1, reading.size());

    return {line, ReadingText(reading, 1, 7), raw, ReadingText(reading, 9, 7)};
}

std::int32_t ReadGrams(std::string_view text)
{
    return DecimalValue(text);
}

std::optional<PresetTareField> PresetTareFieldFor(std::string_view boxText)
{
    const std::int32_t grams = ReadGrams(boxText);
    if (static_cast<std::uint32_t>(grams) > PRESET_TARE_MAX_GRAMS)
        return std::nullopt;
    // snprintf writes its terminator into the eighth byte of a buffer of our own; the field
    // handed over is the seven characters before it.
    char text[8];
    std::snprintf(text, sizeof text, "%-7.3f", grams / 1000.0);
    PresetTareField field;
    for (size_t k = 0; k < field.size(); ++k)
        field[k] = text[k];
    return field;
}
