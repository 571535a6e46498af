// The character filter by class: what passes, what changes, what is swallowed.
#include "store/CharFilter.h"

#include <gtest/gtest.h>

namespace k4 {
namespace {

// Types `keys` one after the other into a field of class `kind`, as the window
// would, and returns what the field holds.
QString type_into(QString kind, const QString& keys, QString text = {})
{
    for (const QChar ch : keys) {
        const int c = filter_key_press(kind, text, ch.unicode());
        if (c != 0)
            text += QChar(char16_t(c));
    }
    return text;
}

TEST(CharFilter, TextClassKeepsQuotesAndCommaOut)
{
    EXPECT_EQ(type_into(QStringLiteral("2"), QStringLiteral("ab'C\"d,e 1-")),
              QStringLiteral("abCde 1-"));
    EXPECT_EQ(type_into(QStringLiteral("2U"), QStringLiteral("ab'Z")), QStringLiteral("ABZ"));
    EXPECT_EQ(type_into(QStringLiteral("2L"), QStringLiteral("AB,z")), QStringLiteral("abz"));
    EXPECT_EQ(type_into(QStringLiteral("1"), QStringLiteral("a'\",")), QStringLiteral("a'\","));
    // An unknown class filters nothing.
    EXPECT_EQ(type_into(QStringLiteral("Z"), QStringLiteral("a',")), QStringLiteral("a',"));
}

TEST(CharFilter, EmptyClassIsReadAsTextClass)
{
    EXPECT_EQ(filter_key_press(QStringView(), QString(), '\''), 0);
    EXPECT_EQ(type_into(QString(), QStringLiteral("ab'C\"d,e 1-")), QStringLiteral("abCde 1-"));
}

TEST(CharFilter, BackspaceAndEnterAlwaysPass)
{
    for (const char* k : {"1", "2", "3", "4", "7", "A", "B", "D", "?"}) {
        QString kind = QString::fromLatin1(k);
        EXPECT_EQ(filter_key_press(kind, QStringLiteral("--.."), 8), 8) << k;
        EXPECT_EQ(filter_key_press(kind, QStringLiteral("--.."), 13), 13) << k;
    }
}

TEST(CharFilter, NumericClassesRefuseSecondSignAnywhere)
{
    // Class 4: a minus already in the text, wherever it stands, refuses another.
    EXPECT_EQ(type_into(QStringLiteral("4"), QStringLiteral("-12-3a.")), QStringLiteral("-123"));
    EXPECT_EQ(filter_key_press(u"4", QStringLiteral("12-"), '-'), 0);
    // Class 7: minus, one, point, five, then a second point is refused.
    EXPECT_EQ(type_into(QStringLiteral("7"), QStringLiteral("-1.5.")), QStringLiteral("-1.5"));
    EXPECT_EQ(type_into(QStringLiteral("3"), QStringLiteral("1a2-3 ")), QStringLiteral("123"));
    EXPECT_EQ(type_into(QStringLiteral("5"), QStringLiteral("1.2.3-")), QStringLiteral("1.23"));
    EXPECT_EQ(type_into(QStringLiteral("6"), QStringLiteral("1,000.-")), QStringLiteral("1,000"));
    EXPECT_EQ(type_into(QStringLiteral("8"), QStringLiteral("-1,0-0.")), QStringLiteral("-1,00"));
    EXPECT_EQ(type_into(QStringLiteral("9"), QStringLiteral("1,0.0.-")), QStringLiteral("1,0.0"));
    EXPECT_EQ(type_into(QStringLiteral("A"), QStringLiteral("-1,0.5-.x")), QStringLiteral("-1,0.5"));
}

TEST(CharFilter, DateAndTimeClasses)
{
    EXPECT_EQ(type_into(QStringLiteral("B"), QStringLiteral("2024/01/31")),
              QStringLiteral("2024/01/31"));
    EXPECT_EQ(type_into(QStringLiteral("B"), QStringLiteral("a 1:2")), QStringLiteral("12"));
    EXPECT_EQ(type_into(QStringLiteral("C"), QStringLiteral("12:30/")), QStringLiteral("12:30"));
    EXPECT_EQ(type_into(QStringLiteral("D"), QStringLiteral("2024/01/31 12:30")),
              QStringLiteral("2024/01/3112:30"));
    // Control characters other than Backspace and Enter are swallowed here.
    EXPECT_EQ(filter_key_press(u"B", QString(), 9), 0);
}

TEST(CharFilter, PastedTextPassesTheSameFilter)
{
    EXPECT_EQ(filter_text(u"2", QString(), QStringLiteral("O'Neil, \"A\"")), QStringLiteral("ONeil A"));
    EXPECT_EQ(filter_text(u"4", QStringLiteral("-1"), QStringLiteral("2-3")), QStringLiteral("23"));
}

}  // namespace
}  // namespace k4
