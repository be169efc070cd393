#include "decimal.h"

#include <climits>
#include <cstdint>

int DecimalValue(std::string_view text)
{
    size_t i = 0;
    // The C library's white space: blank, tab, line feed, vertical tab, form feed, carriage return.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // The magnitude stops growing just past the 32-bit range: saturation, no overflow.
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > int64_t(INT_MAX) + 1)
            magnitude = int64_t(INT_MAX) + 1;
    }
    if (negative)
        return magnitude > int64_t(INT_MAX) ? INT_MIN : int(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : int(magnitude);
}
