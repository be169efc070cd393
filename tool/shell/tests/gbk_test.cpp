#include "gbk.h"

#include <gtest/gtest.h>

namespace {

TEST(Gbk, ConvertsBothWaysAndShowsBrokenBytesInsteadOfDroppingThem)
{
    EXPECT_EQ(FromGbk(std::string("\xD6\xD0\xCE\xC4")), QString::fromUtf8("中文"));
    EXPECT_EQ(ToGbk(QString::fromUtf8("宋体")), "\xCB\xCE\xCC\xE5");
    EXPECT_EQ(FromGbk(std::string("COM4")), "COM4");
    EXPECT_EQ(FromGbk(std::string()), "");
    // A lone lead byte at the end is shown, not silently lost.
    EXPECT_EQ(FromGbk(std::string("COM\x81")), QString("COM") + QChar(0xFFFD));
}

} // namespace
