#include "receipt_layout.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* name;
    const char* text;
    QStringList lines;
};

TEST(ReceiptLayout, SplitsAtCrLf)
{
    const SplitCase cases[] = {
        {"empty text is one empty line", "", {""}},
        {"no separator", "abc", {"abc"}},
        {"final separator gives no empty line", "a\r\n", {"a"}},
        {"blank line between separators", "A\r\n\r\nB\r\n", {"A", "", "B"}},
        {"text after the last separator", "a\r\nb", {"a", "b"}},
        {"only a separator", "\r\n", {""}},
        {"two separators", "\r\n\r\n", {"", ""}},
        {"lone CR and LF are text", "a\rb\nc", {"a\rb\nc"}},
        {"CR before the separator", "a\r\r\nb", {"a\r", "b"}},
        {"two final separators keep one blank line", "a\r\n\r\n", {"a", ""}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(SplitReceiptLines(QString::fromUtf8(c.text)), c.lines) << c.name;
}

TEST(ReceiptLayout, LinesAre30UnitsApartWithHyphenOneLineBelowTheLast)
{
    struct Case {
        const char* name;
        const char* text;
        std::vector<TextOp> ops;
    };
    const Case cases[] = {
        {"blank line keeps its place", "A\r\n\r\nB\r\n",
         {{1, 0, "A"}, {1, 30, ""}, {1, 60, "B"}, {1, 120, "-"}}},
        {"empty text", "", {{1, 0, ""}, {1, 60, "-"}}},
        {"one line without separator", "x", {{1, 0, "x"}, {1, 60, "-"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReceiptTextOps(QString::fromUtf8(c.text)), c.ops) << c.name;
}

TEST(ReceiptLayout, HugeTextKeepsPositionsInRange)
{
    // 100,000 characters of separators: every position stays ascending, none wraps negative.
    QString text;
    for (int i = 0; i < 50000; ++i)
        text += QStringLiteral("\r\n");
    const std::vector<TextOp> ops = ReceiptTextOps(text);
    ASSERT_EQ(ops.size(), 50001u);
    EXPECT_EQ(ops[49999].y, 49999 * 30);
    EXPECT_EQ(ops.back().y, 50001 * 30);
    EXPECT_EQ(ops.back().text, "-");
}

TEST(ReceiptLayout, DefaultPrinterTokenIsCutAt79Bytes)
{
    const QByteArray name79(79, 'p');
    const QByteArray name80(80, 'p');
    struct Case {
        const char* name;
        QByteArray entry;
        QString token;
    };
    const Case cases[] = {
        {"usual entry", "Receipt,cups,", "Receipt"},
        {"no default", ",,,", ""},
        {"empty entry", "", ""},
        {"no comma", "Receipt", "Receipt"},
        {"79-byte name fits", name79 + ",cups,", QString::fromLatin1(name79)},
        {"80-byte name is cut", name80 + ",cups,", QString::fromLatin1(name80.left(79))},
        {"300-byte name is cut", QByteArray(300, 'q') + ",cups,", QString(79, 'q')},
        {"UTF-8 name", "收银机,cups,", QString::fromUtf8("收银机")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DefaultPrinterToken(c.entry), c.token) << c.name;
}

} // namespace
