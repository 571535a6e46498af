#include "common/cp932.h"

#include <gtest/gtest.h>

using namespace k4;

namespace {
QByteArray hex(const char* h) { return QByteArray::fromHex(h); }
const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600
const QChar bad(0xFFFD);
}  // namespace

TEST(Cp932, WindowsFlavourRoundTrips)
{
    // ～ and － differ between Windows and plain Shift_JIS; 髙 is an IBM extension.
    const std::pair<QString, const char*> cases[] = {
        {QStringLiteral("～－"), "8160817c"}, {QStringLiteral("ｺｰﾄﾞ"), "bab0c4de"},
        {QStringLiteral("髙"), "fbfc"},       {QStringLiteral("表示\\~"), "955c8ea65c7e"}};
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(to_cp932(text), hex(bytes)) << bytes;
        EXPECT_EQ(from_cp932(hex(bytes)), text) << bytes;
    }
    QString ascii;
    for (char16_t u = 0; u < 0x80; ++u)
        ascii += QChar(u);
    EXPECT_EQ(to_cp932(ascii).size(), 128);
    EXPECT_EQ(from_cp932(to_cp932(ascii)), ascii);
}

TEST(Cp932, NothingIsLostSilently)
{
    // One '?' per character the code page cannot hold, surrogate pairs and lone
    // surrogates included, without swallowing neighbours.
    EXPECT_EQ(to_cp932(QStringLiteral("A") + emoji + QStringLiteral("表é")), hex("413f955c3f"));
    EXPECT_EQ(to_cp932(QStringLiteral("A") + QChar(0xD800) + QStringLiteral("B") + QChar(0xDC00)),
              QByteArray("A?B?"));
    // Bad bytes become U+FFFD and decoding goes on; an unassigned pair is one
    // bad character, so its 0x5C/0x5D trail byte never turns into '\' or ']'.
    EXPECT_EQ(from_cp932(hex("4180a0fd42")), QStringLiteral("A") + QString(3, bad) + u'B');
    EXPECT_EQ(from_cp932(hex("812041")), QString(bad) + QStringLiteral(" A"));
    EXPECT_EQ(from_cp932(hex("855c865d41")), QString(2, bad) + u'A');
    EXPECT_EQ(from_cp932(hex("4181")), QStringLiteral("A") + bad);
}

TEST(Cp932, ByteLengthAndByteCut)
{
    EXPECT_EQ(ansi_byte_length(QString()), 0);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("K408020")), 7);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("情報区分ｺｰﾄﾞ")), 12);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("～－") + emoji), 5);

    const QString text = QStringLiteral("A表示ｺ");  // 1 + 2 + 2 + 1 bytes
    const char* expected[] = {"", "A", "A", "A表", "A表", "A表示", "A表示ｺ", "A表示ｺ"};
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(cut_to_ansi_bytes(text, n), QString::fromUtf8(expected[n])) << n;
    EXPECT_EQ(cut_to_ansi_bytes(text, -1), QString());
    EXPECT_EQ(cut_to_ansi_bytes(emoji + QStringLiteral("表"), 2), QStringLiteral("?"));

    const QString mixed = QStringLiteral("ABｱ表～－髙ｺｰﾄﾞ0123情報区分");
    for (int n = 0; n <= ansi_byte_length(mixed); ++n) {
        const QString cut = cut_to_ansi_bytes(mixed, n);
        EXPECT_TRUE(mixed.startsWith(cut)) << n;
        EXPECT_TRUE(ansi_byte_length(cut) == n || ansi_byte_length(cut) == n - 1) << n;
    }
}

TEST(Cp932, StrictConversionIsExactOrNothing)
{
    // Held characters convert as to_cp932 does; anything that would come back
    // as another character (a '?', or a look-alike iconv folds it onto) is refused.
    const QString held = QStringLiteral("A表示ｺｰﾄﾞ～－髙\\~");
    ASSERT_TRUE(to_cp932_strict(held));
    EXPECT_EQ(*to_cp932_strict(held), to_cp932(held));
    EXPECT_EQ(to_cp932_strict(QString()), QByteArray());
    const QString refused[] = {emoji, QStringLiteral("鷗"), QString(QChar(0x00A5)),
                               QString(QChar(0x301C)), QString(QChar(0x2014)),
                               QStringLiteral("A") + QChar(0xD800)};
    for (const QString& text : refused)
        EXPECT_FALSE(to_cp932_strict(QStringLiteral("表") + text + u'B'))
            << text.toStdString();
}
