// The list file as both readers see it, and the in-memory list loaded from it.

#include "ListFixture.h"
#include "QtPrint.h"
#include "common/cp932.h"
#include "lookup/InfoCodeList.h"

#include <QBuffer>
#include <QDir>
#include <gtest/gtest.h>
#include <utility>

using namespace k4;
using namespace k4::test;

namespace {

using Pairs = std::vector<std::pair<QString, QString>>;

Pairs pairs(const InfoCodeEntries& entries)
{
    Pairs out;
    for (const InfoCodeEntry& e : entries)
        out.emplace_back(e.code.toString(), e.name.toString());
    return out;
}

// A list of the given lines, each ended by CR.
InfoCodeEntries lines(const QStringList& texts)
{
    return InfoCodeEntries::from_text(texts.join(u'\r'), max_info_code_lines);
}

Pairs read_pairs(const ListFixture& f) { return pairs(read_info_code_file(f.list_path()).entries); }

InfoCodeList prefilled()
{
    InfoCodeList list;
    list.assign(lines({QStringLiteral("0009前の内容")}));
    return list;
}

}  // namespace

TEST(InfoCodeFile, ColumnsAreCountedInCharactersAndNothingIsTrimmed)
{
    ListFixture f;
    f.write_list(crlf_lines({QStringLiteral("0001情報区分Ａ"), QStringLiteral("01  部門"),
                             QStringLiteral("0003あいうえおかきくけこさしすせそたちつてとなにぬねの"), QString(),
                             QStringLiteral("ｱｲｳｴｵｶｷ"), QStringLiteral("AB"), QStringLiteral(" 7  名前  ")}));
    EXPECT_EQ(read_pairs(f), (Pairs{{"0001", "情報区分Ａ"},
                                   {"01  ", "部門"},
                                   {"0003", "あいうえおかきくけこさしすせそたちつてと"},
                                   {"", ""},
                                   {"ｱｲｳｴ", "ｵｶｷ"},
                                   {"AB", ""},
                                   {" 7  ", "名前  "}}));
}

TEST(InfoCodeFile, LinesEndAtCrLfOrLoneCrButNotAtLoneLf)
{
    ListFixture f;
    f.write_list("0001AAA\n0002BBB\n0003CCC\n");
    EXPECT_EQ(read_pairs(f), (Pairs{{"0001", "AAA\n0002BBB\n0003CCC\n"}}));
    f.write_list("0001AAA\r0002BBB\r0003CCC\r");
    EXPECT_EQ(read_pairs(f), (Pairs{{"0001", "AAA"}, {"0002", "BBB"}, {"0003", "CCC"}}));
    // An LF after CR LF starts the next line; the last line needs no end.
    f.write_list("0001AAA\r\n\n002BBB\r\r\n0003CCC");
    EXPECT_EQ(read_pairs(f), (Pairs{{"0001", "AAA"}, {"\n002", "BBB"}, {"", ""}, {"0003", "CCC"}}));
    f.write_list("\r\n\r\n");
    EXPECT_EQ(read_pairs(f), (Pairs{{"", ""}, {"", ""}}));
}

TEST(InfoCodeFile, DecodesCodePage932UnlessTheFileStartsWithAByteOrderMark)
{
    ListFixture f;
    // 部門表: the trail byte 0x5C of 表 is no backslash.
    f.write_list(QByteArray("0001\x95\x94\x96\xE5\x95\x5C\r\n"));
    EXPECT_EQ(read_pairs(f), (Pairs{{"0001", "部門表"}}));
    f.write_list(QByteArray("\xEF\xBB\xBF") + QStringLiteral("0002部門\r\n😀23名前\r\n").toUtf8());
    EXPECT_EQ(read_pairs(f), (Pairs{{"0002", "部門"}, {"😀23名", "前"}}));
}

TEST(InfoCodeFile, EntriesOutliveTheReadThroughCopiesAndMoves)
{
    ListFixture f;
    f.write_list(crlf_lines({QStringLiteral("0001一番"), QStringLiteral("0002二番"), QStringLiteral("0003三番")}));
    const Pairs expected{{"0001", "一番"}, {"0002", "二番"}, {"0003", "三番"}};
    InfoCodeEntries copied;
    InfoCodeList moved;
    {
        ListFileRead read = read_info_code_file(f.list_path());
        copied = read.entries;
        InfoCodeList list;
        list.assign(std::move(read.entries));
        moved = std::move(list);
    }
    // Under the address sanitizer a view into freed text fails here.
    EXPECT_EQ(pairs(copied), expected);
    EXPECT_EQ(pairs(moved.info_code_list()), expected);
    ASSERT_NE(moved.find(u"0002"), nullptr);
    EXPECT_EQ(moved.find(u"0002")->name, u"二番");

    // A copy answers from its own entries, which share the text.
    const InfoCodeList copy = moved;
    moved = InfoCodeList();
    EXPECT_EQ(copy.find(u"0003"), &copy.info_code_list()[2]);
    EXPECT_EQ(copy.find(u"0003")->name, u"三番");
    EXPECT_EQ(moved.find(u"0003"), nullptr);
}

TEST(InfoCodeFile, KeepsOnlyTheEntriesCharactersOfOverLongLinesAndLinesPastTheLimit)
{
    const QString long_line = QStringLiteral("0001") + QString(1024 * 1024, u'長');
    InfoCodeEntries entries =
        InfoCodeEntries::from_text(long_line + QStringLiteral("\r\n0002二番\r\n"), max_info_code_lines);
    EXPECT_EQ(pairs(entries), (Pairs{{"0001", QString(20, u'長')}, {"0002", "二番"}}));
    EXPECT_EQ(entries.held_characters(), 4 + 20 + 4 + 2);

    QStringList many;
    for (int i = 0; i < 50000; ++i)
        many << QStringLiteral("%1名前").arg(i, 4, 10, QChar(u'0'));
    entries = InfoCodeEntries::from_text(many.join(u'\r'), 3);
    EXPECT_FALSE(entries.complete());
    EXPECT_EQ(pairs(entries), (Pairs{{"0000", "名前"}, {"0001", "名前"}, {"0002", "名前"}}));
    EXPECT_EQ(entries.held_characters(), 3 * 6);

    // A normal list keeps the text it was read from, line ends included.
    entries = InfoCodeEntries::from_text(QStringLiteral("0001一番\r\n0002二番\r\n"), max_info_code_lines);
    EXPECT_EQ(entries.held_characters(), 16);
}

TEST(InfoCodeFile, ReadInChunksOfAnySizeAsTheWholeTextSplitsAndNoFurtherThanTheLimit)
{
    // Chunks may end inside a double-byte character, between CR and LF, inside
    // a byte-order mark or a surrogate pair; lines are cut long before their
    // ends (a dangling lead byte, 60 double-byte characters, 30 characters of
    // four UTF-8 bytes). Whatever the chunk size, the entries are those of
    // the whole text split into lines.
    const QByteArray cp932 = sjis(QStringLiteral("0001部門表\r\n01  ｱｲｳ\r0\n02名前\n\r\n"))
                             + QByteArray("00\x81\r\n\x81\x81\x81\r") + sjis(QString(60, u'長'))
                             + QByteArray(120, '\xFD') + "\r\n" + sjis(QStringLiteral("0")) + sjis(QString(60, u'長'));
    const QByteArray utf8 = QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF")
                            + QStringLiteral("0002部門\r\n").toUtf8() + QStringLiteral("😀").repeated(30).toUtf8()
                            + QByteArray("\r\n\xF0\x9F\r\xEF\xBB\xBF" "0003");
    const QByteArray two_lines = "0001A\r\n0002B\r\n";
    struct Case {
        QByteArray bytes;
        QString text;   // the bytes decoded whole
        int max_lines;
    };
    const Case cases[] = {{cp932, from_cp932(cp932), max_info_code_lines},
                          {cp932, from_cp932(cp932), 4},
                          {utf8, QString::fromUtf8(utf8.sliced(3)), max_info_code_lines},
                          {two_lines, QString::fromLatin1(two_lines), 2},
                          {two_lines, QString::fromLatin1(two_lines), 1}};
    for (const Case& c : cases) {
        const InfoCodeEntries whole = InfoCodeEntries::from_text(c.text, c.max_lines);
        for (const qsizetype chunk : {1, 2, 3, 4, 5, 7, 11, 64 * 1024}) {
            const InfoCodeEntries read = parse_info_code_bytes(c.bytes, c.max_lines, chunk);
            EXPECT_EQ(pairs(read), pairs(whole)) << "chunk " << chunk << " limit " << c.max_lines;
            EXPECT_EQ(read.complete(), whole.complete()) << "chunk " << chunk << " limit " << c.max_lines;
        }
    }

    // Past the limit nothing more is read, and of a long line no more than
    // its beginning is kept.
    QByteArray big = QByteArray("0001") + sjis(QString(100000, u'長')) + "\r\n" + numbered_lines(3);
    big += QByteArray(4 << 20, 'x');
    QBuffer device(&big);
    device.open(QIODevice::ReadOnly);
    const InfoCodeEntries limited = read_info_code_lines(device, 3, 4096);
    EXPECT_FALSE(limited.complete());
    EXPECT_EQ(pairs(limited), (Pairs{{"0001", QString(20, u'長')},
                                    {"0001", "情報区分名称00000000000001"},
                                    {"0002", "情報区分名称00000000000002"}}));
    EXPECT_LT(limited.held_characters(), 2000);
    EXPECT_LT(device.pos(), 200000 + 3 * 46 + 4096);
}

TEST(InfoCodeFile, ExistsOnlyAsAPlainFileAndMayStillFailToRead)
{
    ListFixture f;
    const QString hidden = f.dir() + QStringLiteral("/.johokubun.txt");
    write_file(hidden, crlf_lines({QStringLiteral("0001名前")}));
    for (const QString& path : {f.list_path(), QString(), f.dir(), hidden})
        EXPECT_FALSE(read_info_code_file(path).exists) << path.toStdString();

    f.write_list({});
    ListFileRead read = read_info_code_file(f.list_path());
    EXPECT_TRUE(read.exists && read.complete && read.entries.empty());

    read = read_info_code_file(f.unreadable_file());
    EXPECT_TRUE(read.exists);
    EXPECT_FALSE(read.complete);
    EXPECT_TRUE(read.entries.empty());
}

TEST(InfoCodeFile, LocatedThroughTheSettingsFile)
{
    ListFixture f;
    EXPECT_EQ(locate_info_code_file(f.where()), f.list_path());
    f.write_settings(QString());
    EXPECT_EQ(locate_info_code_file(f.where()), QString());
    f.write_settings(QString(), false);
    EXPECT_EQ(locate_info_code_file(f.where()), QString());

    // Without EDI_INI the settings file lies two levels above the program.
    f.write_settings(QStringLiteral("/srv/edi/list.txt"));
    EXPECT_EQ(locate_info_code_file({f.dir() + QStringLiteral("/BIN/K408020"), {}}),
              QStringLiteral("/srv/edi/list.txt"));
    EXPECT_EQ(locate_info_code_file({QStringLiteral("/K408020"), {}}), QString());

    // The 64-character buffer keeps 63 bytes of the value.
    const QString long_path = QStringLiteral("/") + QString(70, u'a');
    f.write_settings(long_path);
    EXPECT_EQ(locate_info_code_file(f.where()), long_path.left(63));
}

TEST(LoadInfoCodeList, ReplacesTheListWithTheFileInOrder)
{
    ListFixture f;
    f.write_list(crlf_lines({QStringLiteral("0001情報区分Ａ"), QString(), QStringLiteral("01  部門")}));
    InfoCodeList list = prefilled();
    ListLoad load = load_info_code_list(list, f.where());
    EXPECT_TRUE(load.found && load.complete);
    EXPECT_EQ(list.info_code_count(), 3);
    EXPECT_EQ(pairs(list.info_code_list()), (Pairs{{"0001", "情報区分Ａ"}, {"", ""}, {"01  ", "部門"}}));
    EXPECT_EQ(list.find(QStringLiteral("0009")), nullptr);
    ASSERT_NE(list.find(QStringLiteral("01")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("01"))->name, QStringLiteral("部門"));

    f.write_list({});
    load = load_info_code_list(list, f.where());
    EXPECT_TRUE(load.found && load.complete);
    EXPECT_EQ(list.info_code_count(), 0);
    EXPECT_EQ(list.find(QStringLiteral("01")), nullptr);
}

TEST(LoadInfoCodeList, MissingFileFailsAndKeepsTheListButAnUnreadableOneEmptiesIt)
{
    ListFixture f;
    using Outcome = std::pair<bool, bool>;   // found, complete
    const Outcome not_found{false, false};
    auto load = [&](int& count) {
        InfoCodeList list = prefilled();
        const ListLoad result = load_info_code_list(list, f.where());
        count = list.info_code_count();
        return Outcome{result.found, result.complete};
    };
    int count = 0;
    EXPECT_EQ(load(count), not_found);
    EXPECT_EQ(count, 1);

    f.write_list(crlf_lines({QStringLiteral("0001名前")}));
    for (const QString& value : {QString(), f.dir(), f.list_path() + QStringLiteral("x")}) {
        f.write_settings(value);
        EXPECT_EQ(load(count), not_found) << value.toStdString();
        EXPECT_EQ(count, 1);
    }
    f.write_settings(QString(), false);
    EXPECT_EQ(load(count), not_found);
    EXPECT_EQ(count, 1);

    f.write_settings(f.unreadable_file());
    EXPECT_EQ(load(count), (Outcome{true, false}));
    EXPECT_EQ(count, 0);
}

TEST(LoadInfoCodeList, StopsAfter32767LinesKeepingWhatItRead)
{
    ListFixture f;
    InfoCodeList list;
    f.write_list(numbered_lines(32767));
    ListLoad load = load_info_code_list(list, f.where());
    EXPECT_TRUE(load.found && load.complete);
    EXPECT_EQ(list.info_code_count(), 32767);

    f.write_list(numbered_lines(32768));
    load = load_info_code_list(list, f.where());
    EXPECT_TRUE(load.found);
    EXPECT_FALSE(load.complete);
    ASSERT_EQ(list.info_code_count(), 32767);
    ASSERT_EQ(list.info_code_list().size(), 32767);
    EXPECT_EQ(list.info_code_list().back().name, QStringLiteral("情報区分名称00000000032767"));
    // Codes repeat every 10,000 lines: the first line with a code wins.
    EXPECT_EQ(list.find(QStringLiteral("1234")) - list.info_code_list().data(), 1233);
    EXPECT_EQ(list.find(QStringLiteral("2767")) - list.info_code_list().data(), 2766);
}

TEST(InfoCodeListFind, ComparesCodesWithoutSurroundingBlanksFirstEntryWinning)
{
    InfoCodeList list;
    list.assign(lines({QStringLiteral("01  部門"), QStringLiteral(" 02 二"), QStringLiteral("  01後の01"),
                       QStringLiteral("\t03 タブ"), QStringLiteral("    空")}));
    const InfoCodeEntries& entries = list.info_code_list();
    for (const char* key : {"01", "  01", "01   "})
        EXPECT_EQ(list.find(QString::fromUtf8(key)), &entries[0]) << key;
    EXPECT_EQ(list.find(QStringLiteral("02")), &entries[1]);
    EXPECT_EQ(list.find(QStringLiteral("\t03")), &entries[3]);   // only blanks are trimmed
    EXPECT_EQ(list.find(QStringLiteral("   ")), &entries[4]);
    for (const char* key : {"03", "0", "0 1", "01  x", "12345"})
        EXPECT_EQ(list.find(QString::fromUtf8(key)), nullptr) << key;
}
