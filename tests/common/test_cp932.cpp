#include "common/cp932.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace k4;

namespace {

QByteArray hex(const char* h)
{
    return QByteArray::fromHex(h);
}

const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600

}  // namespace

TEST(Cp932, WindowsFlavourRoundTrips)
{
    // Characters where Windows' code page differs from plain Shift_JIS, half-width
    // katakana, and an IBM extension kanji.
    const struct {
        QString text;
        const char* bytes;
    } cases[] = {
        {QStringLiteral("～"), "8160"},
        {QStringLiteral("－"), "817c"},
        {QStringLiteral("ｺｰﾄﾞ"), "bab0c4de"},
        {QStringLiteral("髙"), "fbfc"},
        {QStringLiteral("\\~"), "5c7e"},
        {QStringLiteral("表示A"), "955c8ea641"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(to_cp932(c.text), hex(c.bytes));
        EXPECT_EQ(from_cp932(hex(c.bytes)), c.text);
    }
    QString ascii;
    for (char16_t u = 0; u < 0x80; ++u)
        ascii += QChar(u);
    EXPECT_EQ(from_cp932(to_cp932(ascii)), ascii);
    EXPECT_EQ(to_cp932(ascii).size(), 128);
}

TEST(Cp932, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(to_cp932(QStringLiteral("A") + emoji + QStringLiteral("表")), hex("413f955c"));
    EXPECT_EQ(to_cp932(QStringLiteral("é한")), QByteArray("??"));
    // Lone surrogates are one '?' each and do not swallow their neighbours.
    const QString lone = QStringLiteral("A") + QChar(0xD800) + QStringLiteral("B") + QChar(0xDC00);
    EXPECT_EQ(to_cp932(lone), QByteArray("A?B?"));
}

TEST(Cp932, InvalidBytesAreVisibleAndDecodingGoesOn)
{
    const QChar bad(0xFFFD);
    EXPECT_EQ(from_cp932(hex("41804220")), QStringLiteral("A") + bad + QStringLiteral("B "));
    EXPECT_EQ(from_cp932(hex("a0fdfe955c")), QString(3, bad) + QStringLiteral("表"));
    // A lead byte before a byte that cannot follow it: only the lead byte is bad.
    EXPECT_EQ(from_cp932(hex("812041")), QString(bad) + QStringLiteral(" A"));
    // An unassigned double-byte pair is one bad character: its 0x5C/0x5D trail
    // byte does not come back as '\' or ']'.
    EXPECT_EQ(from_cp932(hex("855c865d41")), QString(2, bad) + QStringLiteral("A"));
    // A lead byte cut off at the end.
    EXPECT_EQ(from_cp932(hex("4181")), QStringLiteral("A") + bad);
    EXPECT_TRUE(from_cp932(QByteArray()).isEmpty());
}

TEST(Cp932, ByteLength)
{
    EXPECT_EQ(ansi_byte_length(QString()), 0);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("")), 0);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("K408020")), 7);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("ｺｰﾄﾞ")), 4);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("情報区分ｺｰﾄﾞ")), 12);
    EXPECT_EQ(ansi_byte_length(QStringLiteral("～－A")), 5);
    EXPECT_EQ(ansi_byte_length(emoji + QStringLiteral("ｱ")), 2);
}

TEST(Cp932, ByteCutDropsASplitCharacterWhole)
{
    const QString text = QStringLiteral("A表示ｺ");  // bytes: 1 + 2 + 2 + 1
    const QString expected[] = {
        QString(), QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("A表"),
        QStringLiteral("A表"), QStringLiteral("A表示"), QStringLiteral("A表示ｺ"),
        QStringLiteral("A表示ｺ"),
    };
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(cut_to_ansi_bytes(text, n), expected[n]) << n;
    EXPECT_EQ(cut_to_ansi_bytes(text, -1), QString());
    EXPECT_EQ(cut_to_ansi_bytes(QStringLiteral("ABC"), 2), QStringLiteral("AB"));
    EXPECT_EQ(cut_to_ansi_bytes(emoji + QStringLiteral("表"), 2), QStringLiteral("?"));

    // Every cut of a long mixed text is a prefix within the limit that misses
    // at most the one byte of a dropped half.
    const QString mixed = QStringLiteral("ABｱ表～－髙ｺｰﾄﾞ0123情報区分");
    for (int n = 0; n <= ansi_byte_length(mixed); ++n) {
        const QString cut = cut_to_ansi_bytes(mixed, n);
        EXPECT_TRUE(mixed.startsWith(cut)) << n;
        EXPECT_LE(ansi_byte_length(cut), n);
        EXPECT_GE(ansi_byte_length(cut), n - 1);
    }
}

TEST(Cp932, ConvertsConcurrentlyOnManyThreads)
{
    const QString text = QStringLiteral("利用情報区分マスタ～－ｺｰﾄﾞ髙") + emoji;
    const QByteArray bytes = to_cp932(text);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (to_cp932(text) != bytes || from_cp932(bytes) != from_cp932(to_cp932(text)))
                    ++failures[t];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int f : failures)
        EXPECT_EQ(f, 0);
}
