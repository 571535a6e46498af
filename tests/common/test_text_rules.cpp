// The two number rules side by side: they must keep differing exactly where
// common/text.h says (blanks around the number, the width of &H, &O) and read
// the decimal form alike, edge values included.
#include "common/text.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace k4;

TEST(TextRules, TheTwoNumberRulesDifferInBlanksHexWidthAndOctalOnly)
{
    using D = std::optional<double>;
    const std::tuple<const char*, D, D> cases[] = {
        // text                    settings_number   property_number
        {"&HFFFF",                 -1,               65535},
        {"&hffffffff",             -1,               -1},
        {"&H0000FFFF",             65535,            65535},
        {"&H000000001",            D(),              1},
        {"&H100000000",            D(),              D()},
        {"&O17",                   D(),              15},
        {"&H",                     D(),              D()},
        {"\u3000" "12\u3000",      12,               D()},
        {"\r\n12",                 12,               D()},
        {"\t12 \t",                12,               12},
        {" +.5 ",                  0.5,              0.5},
        {"5.",                     5,                5},
        {"1.5E+3",                 1500,             1500},
        {"4.9e-324",               4.9e-324,         4.9e-324},
        {"1e-400",                 D(),              D()},
        {"1.8e308",                D(),              D()},
        {"\uFF11\uFF12",           D(),              D()},
        {".",                      D(),              D()},
        {"1e",                     D(),              D()},
    };
    for (const auto& [text, settings, property] : cases) {
        const QString t = QString::fromUtf8(text);
        EXPECT_EQ(settings_number(t), settings) << text;
        EXPECT_EQ(property_number(t), property) << text;
    }
    // The whole-number forms keep the difference.
    EXPECT_EQ(settings_int16(QStringLiteral("&HFFFF")), -1);
    EXPECT_EQ(property_long(QStringLiteral("&HFFFF")), 65535);
    EXPECT_EQ(settings_int16(QStringLiteral("&O17")), std::nullopt);
    EXPECT_EQ(property_long(QStringLiteral("&O17")), 15);
}
