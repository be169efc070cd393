// The profile rules on byte buffers: lookups, text and integer reads, key writes.
#include "ini_profile.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>

namespace {

struct LookupCase {
    const char* name;
    std::string ini;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST(IniProfile, LookupFollowsTheProfileRules)
{
    const LookupCase cases[] = {
        {"names ignore ASCII case", "[scale]\r\nPort=COM1\r\n", "SCALE", "PORT", "COM1"},
        {"blanks trimmed around name and value", "[A]\r\n \tk \t=  v v \t\r\n", "A", "k", "v v"},
        {"value after the first equals sign", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
        {"empty value is present", "[A]\r\nk=\r\n", "A", "k", ""},
        {"LF line ends", "[A]\nx=1\nk=2\n", "A", "k", "2"},
        {"CR line ends", "[A]\rx=1\rk=2\r", "A", "k", "2"},
        {"last line without line end", "[A]\r\nk=2", "A", "k", "2"},
        {"blanks around the section name", "  [ A ]  \r\nk=1\r\n", "A", "k", "1"},
        {"a section name runs to the last bracket", "[A]B]\r\nk=1\r\n", "A]B", "k", "1"},
        {"no closing bracket opens no section", "[A]\r\n[B\r\nk=1\r\n", "A", "k", "1"},
        {"comment line never matches", "[A]\r\n;k=1\r\n", "A", "k", std::nullopt},
        {"line without equals sign never matches", "[A]\r\nk\r\n", "A", "k", std::nullopt},
        {"key before any section", "k=1\r\n[A]\r\n", "A", "k", std::nullopt},
        {"key of another section", "[A]\r\nk=1\r\n[B]\r\n", "B", "k", std::nullopt},
        {"missing section", "[A]\r\nk=1\r\n", "C", "k", std::nullopt},
        {"first duplicate key wins", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
        {"first duplicate section wins", "[A]\r\nx=1\r\n[a]\r\nk=2\r\n", "A", "k", std::nullopt},
        {"GBK bytes are not case-folded", "[A]\r\n\xD6\xD0=1\r\n", "A", "\xD6\xD0", "1"},
        {"Print and PRINTER are two sections", "[PRINTER]\r\nDensity=1\r\n[Print]\r\nDensity=2\r\n",
         "Print", "Density", "2"},
    };
    for (const auto& c : cases) {
        const auto got = IniLookup(c.ini, c.section, c.key);
        EXPECT_EQ(got ? std::optional<std::string>(std::string(*got)) : std::nullopt, c.expected)
            << c.name;
    }
}

TEST(IniProfile, TextReadRemovesQuotesCutsAndKeepsBytes)
{
    const std::string big(5000, 'x');
    const struct {
        const char* name;
        std::string value;  // as written after "k="
        std::string expected;
    } cases[] = {
        {"double quotes", "\"a b\"", "a b"},
        {"single quotes", "'a b'", "a b"},
        {"unpaired quotes kept", "\"a b'", "\"a b'"},
        {"lone quote kept", "\"", "\""},
        {"quotes inside kept", "a\"b\"", "a\"b\""},
        {"GBK unchanged", "\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4"},
        {"cut to 99 bytes", std::string(120, 'p'), std::string(99, 'p')},
        {"5000-byte value", big, std::string(99, 'x')},
        {"up to a NUL byte", std::string("ab\0cd", 5), "ab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IniReadString("[A]\r\nk=" + c.value + "\r\n", "A", "k", "def"), c.expected) << c.name;
    EXPECT_EQ(IniReadString("[A]\r\n", "A", "k", "COM4"), "COM4");
    EXPECT_EQ(IniReadString("[A]\r\nk=\r\n", "A", "k", "COM4"), "");
}

TEST(IniProfile, IntegerReadTakesTheLeadingNumber)
{
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"9600", 9600}, {"9600baud", 9600}, {"abc", 0},       {"-1", -1},
        {"+5", 5},      {"  12  ", 12},     {"-", 0},         {"- 5", 0},
        {"0x10", 0},    {"007", 7},         {"2147483647", INT_MAX},
        {"99999999999999999999", INT_MAX},  {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN}, {"\"12\"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IniReadInt(std::string("[A]\r\nk=") + c.value + "\r\n", "A", "k", 115200), c.expected)
            << c.value;
    EXPECT_EQ(IniReadInt("[A]\r\nk=\r\n", "A", "k", 115200), 115200);
    EXPECT_EQ(IniReadInt("[A]\r\nk=  \r\n", "A", "k", 115200), 115200);
    EXPECT_EQ(IniReadInt("", "A", "k", -1), -1);
}

TEST(IniProfile, WriteChangesOnlyTheKeyLine)
{
    const struct {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        std::string value;
        std::string after;
    } cases[] = {
        {"new file", "", "A", "k", "v", "[A]\r\nk=v\r\n"},
        {"replace keeps the key's case and every other line",
         "; top\r\n[a]\r\n  K = old ; tail\r\nz=1\r\n\r\n[B]\r\nk=b\r\n", "A", "k", "new",
         "; top\r\n[a]\r\n  K=new\r\nz=1\r\n\r\n[B]\r\nk=b\r\n"},
        {"replace keeps LF line ends", "[A]\nk=1\nz=2\n", "A", "k", "9", "[A]\nk=9\nz=2\n"},
        {"replace on the last line without line end", "[A]\r\nk=1", "A", "k", "2", "[A]\r\nk=2"},
        {"only the first duplicate key", "[A]\r\nk=1\r\nk=2\r\n", "A", "K", "3", "[A]\r\nk=3\r\nk=2\r\n"},
        {"only the first duplicate section", "[A]\r\nx=1\r\n[A]\r\nk=2\r\n", "A", "k", "3",
         "[A]\r\nx=1\r\nk=3\r\n[A]\r\nk=2\r\n"},
        {"new key after the section's last line, before blank lines",
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "k", "v", "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
        {"new key in an empty section", "[A]\r\n[B]\r\n", "A", "k", "v", "[A]\r\nk=v\r\n[B]\r\n"},
        {"new key in the last section without line end", "[A]\r\nx=1", "A", "k", "v",
         "[A]\r\nx=1\r\nk=v\r\n"},
        {"comment is not the key", "[A]\r\n;k=1\r\n", "A", "k", "v", "[A]\r\n;k=1\r\nk=v\r\n"},
        {"new section at the end", "[A]\r\nx=1", "B", "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"GBK value unchanged", "[OTHER]\r\nLANGUAGE=English\r\n", "OTHER", "LANGUAGE",
         "\xD6\xD0\xCE\xC4", "[OTHER]\r\nLANGUAGE=\xD6\xD0\xCE\xC4\r\n"},
        {"a value cannot add lines", "[A]\r\nk=1\r\n", "A", "k", "COM1\r\n[B]\r\nx=1",
         "[A]\r\nk=COM1\r\n"},
        {"empty value", "[A]\r\nk=1\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
    };
    for (const auto& c : cases) {
        std::string ini = c.before;
        IniWriteString(ini, c.section, c.key, c.value);
        EXPECT_EQ(ini, c.after) << c.name;
    }
}

TEST(IniProfile, GarbageAndHugeBuffersReadWithoutHarm)
{
    std::mt19937 rng(7);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage)
        c = char(rng());
    EXPECT_EQ(IniReadInt(garbage, "SCALE", "RATE", 115200), IniReadInt(garbage, "scale", "rate", 115200));
    std::string copy = garbage;
    IniWriteString(copy, "SCALE", "RATE", "9600");
    EXPECT_EQ(IniReadInt(copy, "SCALE", "RATE", 0), 9600);

    // 10 MB: 10,000 sections, long lines without '=', the key in the last section.
    std::string huge;
    const std::string filler(1000, 'f');
    for (int i = 0; i < 10000; ++i)
        huge += "[S" + std::to_string(i) + "]\r\n" + filler + "\r\n";
    huge += "[SCALE]\r\nRATE=4800\r\n";
    EXPECT_GT(huge.size(), 10'000'000u);
    EXPECT_EQ(IniReadInt(huge, "SCALE", "RATE", 0), 4800);
    IniWriteString(huge, "S0", "k", "v");
    EXPECT_EQ(IniReadString(huge, "S0", "k", ""), "v");
}

} // namespace
