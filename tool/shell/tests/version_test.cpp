// The version text is read from the record by the bit rules of the Windows version resource.
#include "version.h"

#include <gtest/gtest.h>

namespace {

VersionRecord Record(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return VersionRecord{(a << 16) | b, (c << 16) | d, "", ""};
}

TEST(ToolVersion, TextKeepsEightAndTwelveBitParts)
{
    EXPECT_EQ(VersionText(Record(5, 0, 23, 220)), "5.0.23.220");
    EXPECT_EQ(VersionText(Record(300, 0, 0, 0)), "44.0.0.0");
    EXPECT_EQ(VersionText(Record(255, 4095, 255, 4095)), "255.4095.255.4095");
    EXPECT_EQ(VersionText(Record(256, 4096, 257, 4097)), "0.0.1.1");
    EXPECT_EQ(ToolVersionText(), "5.0.23.220");
    EXPECT_STREQ(ToolVersionRecord().fileVersion, "5.0.23.220");
}

} // namespace
