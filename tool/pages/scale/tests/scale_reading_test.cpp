#include "scale_reading.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

ScaleReading Reading(unsigned char status, const char* from1 = "")
{
    ScaleReading r{};
    r[0] = status;
    std::memcpy(r.data() + 1, from1, std::min<size_t>(std::strlen(from1), 31));
    return r;
}

// The boxes' edge cases that the page tests cannot reach through the stand-in (it copies 31
// bytes at most, always in ASCII).
TEST(DecodeReading, RawLineStopsAtTheEndOfAFullBuffer)
{
    ScaleReading r;
    r.fill('9');
    r[0] = 0x01;
    const ScaleBoxes b = DecodeReading(READ_OK, r, StatusTextsFor(false));
    EXPECT_EQ(b.raw, "S:01 W:" + QString(31, '9'));
    EXPECT_EQ(b.net, "9999999");
    EXPECT_EQ(b.tare, "9999999");
}

TEST(DecodeReading, StatusByteAboveBit1ShowsAsTwoHexDigits)
{
    EXPECT_EQ(DecodeReading(READ_OK, Reading(0x80), StatusTextsFor(true)).raw, "S:80 W:");
    EXPECT_EQ(DecodeReading(READ_OK, Reading(0xFF), StatusTextsFor(false)).status, "Stable Zero");
    EXPECT_EQ(DecodeReading(READ_OK, Reading(0xFF), StatusTextsFor(false)).raw, "S:FF W:");
}

TEST(DecodeReading, WeightTextIsReadAsGbk)
{
    const ScaleBoxes b = DecodeReading(READ_OK, Reading(0, "\xD6\xD0" "1.0"), StatusTextsFor(true));
    EXPECT_EQ(b.net, QString::fromUtf8("中1.0"));
}

TEST(ReadGrams, ReadsLikeAtoiAndSaturatesAt32Bits)
{
    const struct {
        const char* text;
        std::int32_t grams;
    } rows[] = {
        {"", 0},
        {"abc", 0},
        {"+", 0},
        {"-", 0},
        {"1500", 1500},
        {"  \t\n1500", 1500},
        {"+42", 42},
        {"-42", -42},
        {"-0", 0},
        {"12abc", 12},
        {"1 2", 1},
        {"00005998", 5998},
        {" - 5", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"99999999999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"-99999999999999999999999999", INT32_MIN},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReadGrams(row.text), row.grams) << '"' << row.text << '"';
}

TEST(PresetTareFieldFor, IsSevenCharactersOfKilogramsOrNothingOutsideTheRange)
{
    const struct {
        const char* text;
        const char* field;  // nullptr: refused
    } rows[] = {
        {"0", "0.000  "},
        {"", "0.000  "},
        {"1", "0.001  "},
        {"1500", "1.500  "},
        {"5998", "5.998  "},
        {"5999", nullptr},
        {"-1", nullptr},
        {"2147483648", nullptr},
        {"-2147483648", nullptr},
        // -4294967296 + 5998 would wrap into range if the limits did not saturate.
        {"-4294961298", nullptr},
    };
    for (const auto& row : rows) {
        const auto field = PresetTareFieldFor(row.text);
        if (!row.field) {
            EXPECT_FALSE(field) << row.text;
            continue;
        }
        ASSERT_TRUE(field) << row.text;
        EXPECT_EQ(std::string(field->begin(), field->end()), row.field) << row.text;
    }
}

} // namespace
