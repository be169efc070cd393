// The decimal value of a text, read as C's atoi reads it: leading white space, an optional sign,
// then digits up to the first other character; 0 when no digit follows. A number beyond the 32-bit
// range gives the nearest 32-bit limit (atoi's result there is undefined).
#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

int DecimalValue(std::string_view text);

inline int DecimalValue(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();  // digits and C white space are ASCII either way
    return DecimalValue(std::string_view(utf8.constData(), size_t(utf8.size())));
}
