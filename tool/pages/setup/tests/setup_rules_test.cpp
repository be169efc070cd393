#include "setup_rules.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

TEST(ModelRules, EachModelEnablesItsControls)
{
    const ModelRules ka100{false, true, true, false, true, true, false};
    const ModelRules ka200{true, false, false, true, false, false, true};
    const ModelRules ka300{true, true, false, true, true, true, true};
    EXPECT_EQ(RulesForModel("KA100"), ka100);
    EXPECT_EQ(RulesForModel("KA200"), ka200);
    EXPECT_EQ(RulesForModel("KA300"), ka300);
    EXPECT_EQ(RulesForModel("KA400"), ka300);
    // Names are compared exactly: anything else changes nothing.
    EXPECT_EQ(RulesForModel("ka100"), std::nullopt);
    EXPECT_EQ(RulesForModel(""), std::nullopt);
    EXPECT_EQ(PresetsForModel("KA500"), std::nullopt);
}

TEST(ModelPresets, KA400LeavesTheScaleRateAlone)
{
    EXPECT_EQ(PresetsForModel("KA100")->scaleRate, QString("115200"));
    EXPECT_EQ(PresetsForModel("KA300")->scaleRate, QString("115200"));
    EXPECT_EQ(PresetsForModel("KA400")->scaleRate, std::nullopt);
    EXPECT_FALSE(PresetsForModel("KA200")->mainBoardDrawer);
    EXPECT_EQ(PresetsForModel("KA200")->printerRate, QString());
}

TEST(DecimalValue, ReadsLeadingSignAndDigitsOnly)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},           {"abc", 0},          {"115200", 115200}, {"9600baud", 9600},
        {"  -31", -31},    {"+7", 7},           {"\t\n42", 42},     {"- 5", 0},
        {"-", 0},          {"007", 7},          {"12 34", 12},      {"2147483647", INT_MAX},
        {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-99999999999999999999", INT_MIN},
        {"99999999999999999999999", INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecimalValue(QString::fromUtf8(c.text)), c.value) << '"' << c.text << '"';
    // Full-width digits are not decimal digits here.
    EXPECT_EQ(DecimalValue(QString::fromUtf8("１２")), 0);
}

TEST(ClampedIndex, OutOfRangeTakesTheFallback)
{
    EXPECT_EQ(ClampedIndex(3, 4, 0), 3);
    EXPECT_EQ(ClampedIndex(4, 4, 0), 0);
    EXPECT_EQ(ClampedIndex(-1, 3, 2), 2);
    EXPECT_EQ(ClampedIndex(99, 3, 2), 2);
}

} // namespace
