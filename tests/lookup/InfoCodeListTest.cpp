// The list file as both readers see it, and the in-memory list loaded from it.

#include "ListFixture.h"
#include "lookup/InfoCodeList.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace k4;
using namespace k4::test;

namespace {

struct Line {
    QString code;
    QString name;
};

void expect_entries(const std::vector<info_code_entry>& got, const std::vector<Line>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].code, want[i].code) << "entry " << i;
        EXPECT_EQ(got[i].name, want[i].name) << "entry " << i;
    }
}

InfoCodeList prefilled()
{
    InfoCodeList list;
    list.assign({{QStringLiteral("0009"), QStringLiteral("前の内容")}});
    return list;
}

}  // namespace

TEST(InfoCodeFile, ColumnsAreCountedInCharactersAndNothingIsTrimmed)
{
    ListFixture f;
    f.write_list(crlf_lines({
        QStringLiteral("0001情報区分Ａ"),
        QStringLiteral("01  部門"),
        QStringLiteral("0003あいうえおかきくけこさしすせそたちつてとなにぬねの"),
        QString(),
        QStringLiteral("ｱｲｳｴｵｶｷ"),
        QStringLiteral("AB"),
        QStringLiteral("0005"),
        QStringLiteral(" 7  名前  "),
    }));
    const ListFileRead read = read_info_code_file(f.list_path());
    EXPECT_TRUE(read.exists);
    EXPECT_TRUE(read.complete);
    expect_entries(read.entries,
                   {
                       {QStringLiteral("0001"), QStringLiteral("情報区分Ａ")},
                       {QStringLiteral("01  "), QStringLiteral("部門")},
                       {QStringLiteral("0003"), QStringLiteral("あいうえおかきくけこさしすせそたちつてと")},
                       {QString(), QString()},
                       {QStringLiteral("ｱｲｳｴ"), QStringLiteral("ｵｶｷ")},
                       {QStringLiteral("AB"), QString()},
                       {QStringLiteral("0005"), QString()},
                       {QStringLiteral(" 7  "), QStringLiteral("名前  ")},
                   });
}

TEST(InfoCodeFile, LinesEndAtCrLfOrLoneCrButNotAtLoneLf)
{
    ListFixture f;

    f.write_list("0001AAA\n0002BBB\n0003CCC\n");
    ListFileRead read = read_info_code_file(f.list_path());
    EXPECT_TRUE(read.complete);
    expect_entries(read.entries, {{QStringLiteral("0001"), QStringLiteral("AAA\n0002BBB\n0003CCC\n")}});

    f.write_list("0001AAA\r0002BBB\r0003CCC\r");
    expect_entries(read_info_code_file(f.list_path()).entries,
                   {{QStringLiteral("0001"), QStringLiteral("AAA")},
                    {QStringLiteral("0002"), QStringLiteral("BBB")},
                    {QStringLiteral("0003"), QStringLiteral("CCC")}});

    // Mixed ends, an LF after a CR LF starting the next line, no end on the last line.
    f.write_list("0001AAA\r\n\n002BBB\r\r\n0003CCC");
    expect_entries(read_info_code_file(f.list_path()).entries,
                   {{QStringLiteral("0001"), QStringLiteral("AAA")},
                    {QStringLiteral("\n002"), QStringLiteral("BBB")},
                    {QString(), QString()},
                    {QStringLiteral("0003"), QStringLiteral("CCC")}});

    f.write_list("\r\n\r\n");
    expect_entries(read_info_code_file(f.list_path()).entries, {{}, {}});
}

TEST(InfoCodeFile, DecodesCodePage932UnlessTheFileStartsWithAByteOrderMark)
{
    ListFixture f;
    // 0x95 0x94 0x96 0xE5 is 部門 in code page 932; 0x5C after a lead byte is
    // part of the character (表), not a backslash.
    f.write_list(QByteArray("0001\x95\x94\x96\xE5\x95\x5C\r\n"));
    expect_entries(read_info_code_file(f.list_path()).entries,
                   {{QStringLiteral("0001"), QStringLiteral("部門表")}});

    f.write_list(QByteArray("\xEF\xBB\xBF") + QStringLiteral("0002部門\r\n😀23名前\r\n").toUtf8());
    expect_entries(read_info_code_file(f.list_path()).entries,
                   {{QStringLiteral("0002"), QStringLiteral("部門")},
                    {QStringLiteral("😀23名"), QStringLiteral("前")}});
}

TEST(InfoCodeFile, EntriesAreIndependentStrings)
{
    ListFixture f;
    f.write_list(crlf_lines({QStringLiteral("0001一番"), QStringLiteral("0002二番"), QStringLiteral("0003三番")}));
    QString kept;
    {
        ListFileRead read = read_info_code_file(f.list_path());
        ASSERT_EQ(read.entries.size(), 3u);
        for (const info_code_entry& e : read.entries) {
            EXPECT_EQ(e.code.utf16()[e.code.size()], 0) << "code not NUL-terminated";
            EXPECT_EQ(e.name.utf16()[e.name.size()], 0) << "name not NUL-terminated";
        }
        // Changing one entry leaves its neighbours alone.
        read.entries[0].code += QStringLiteral("XYZ");
        read.entries[0].name[0] = u'壱';
        read.entries[1].code.append(QStringLiteral("追加"));
        EXPECT_EQ(read.entries[0].code, QStringLiteral("0001XYZ"));
        EXPECT_EQ(read.entries[0].name, QStringLiteral("壱番"));
        EXPECT_EQ(read.entries[1].code, QStringLiteral("0002追加"));
        EXPECT_EQ(read.entries[1].name, QStringLiteral("二番"));
        EXPECT_EQ(read.entries[2].code, QStringLiteral("0003"));
        kept = read.entries[2].name;
    }
    // One string outlives the others and can still grow.
    EXPECT_EQ(kept, QStringLiteral("三番"));
    kept += QStringLiteral("目の名称");
    EXPECT_EQ(kept, QStringLiteral("三番目の名称"));
}

TEST(InfoCodeFile, EmptyFileIsCompleteWithNoEntries)
{
    ListFixture f;
    f.write_list({});
    const ListFileRead read = read_info_code_file(f.list_path());
    EXPECT_TRUE(read.exists);
    EXPECT_TRUE(read.complete);
    EXPECT_TRUE(read.entries.empty());
}

TEST(InfoCodeFile, OnlyAPlainFileExists)
{
    ListFixture f;
    EXPECT_FALSE(read_info_code_file(f.list_path()).exists);   // not written yet
    EXPECT_FALSE(read_info_code_file(QString()).exists);
    EXPECT_FALSE(read_info_code_file(f.dir()).exists);
    ASSERT_TRUE(QDir(f.dir()).mkdir(QStringLiteral("folder.txt")));
    EXPECT_FALSE(read_info_code_file(f.dir() + QStringLiteral("/folder.txt")).exists);
}

TEST(InfoCodeFile, AFileThatCannotBeReadExistsButIsIncomplete)
{
    ListFixture f;
    const ListFileRead read = read_info_code_file(f.unreadable_file());
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

    // Without the override the settings file lies two levels above the program.
    f.write_settings(QStringLiteral("/srv/edi/list.txt"));
    EXPECT_EQ(locate_info_code_file(SettingsLocation{f.dir() + QStringLiteral("/BIN/K408020"), {}}),
              QStringLiteral("/srv/edi/list.txt"));
    // A directory with too few levels: the settings file cannot be found.
    EXPECT_EQ(locate_info_code_file(SettingsLocation{QStringLiteral("/K408020"), {}}), QString());

    // The 64-character buffer keeps 63 bytes of the value.
    const QString long_path = QStringLiteral("/") + QString(70, u'a');
    f.write_settings(long_path);
    EXPECT_EQ(locate_info_code_file(f.where()), long_path.left(63));
}

TEST(LoadInfoCodeList, LoadsEveryLineInFileOrder)
{
    ListFixture f;
    f.write_list(crlf_lines({QStringLiteral("0001情報区分Ａ"), QString(), QStringLiteral("01  部門")}));
    InfoCodeList list = prefilled();
    int status = 5;
    load_info_code_list(list, f.where(), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(list.info_code_count, 3);
    expect_entries(list.info_code_list, {{QStringLiteral("0001"), QStringLiteral("情報区分Ａ")},
                                         {QString(), QString()},
                                         {QStringLiteral("01  "), QStringLiteral("部門")}});
    EXPECT_EQ(list.find(QStringLiteral("0009")), nullptr);   // the earlier contents are gone
    ASSERT_NE(list.find(QStringLiteral("01")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("01"))->name, QStringLiteral("部門"));
}

TEST(LoadInfoCodeList, EmptyFileLoadsNothingSuccessfully)
{
    ListFixture f;
    f.write_list({});
    InfoCodeList list = prefilled();
    int status = 5;
    load_info_code_list(list, f.where(), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(list.info_code_count, 0);
    EXPECT_TRUE(list.info_code_list.empty());
    EXPECT_EQ(list.find(QStringLiteral("0009")), nullptr);
}

TEST(LoadInfoCodeList, MissingFileOrEmptySettingFailsAndKeepsTheList)
{
    ListFixture f;
    auto expect_missing = [&](const char* what) {
        InfoCodeList list = prefilled();
        int status = 0;
        load_info_code_list(list, f.where(), status);
        EXPECT_EQ(status, 9) << what;
        EXPECT_EQ(list.info_code_count, 1) << what;
        EXPECT_NE(list.find(QStringLiteral("0009")), nullptr) << what;
    };
    expect_missing("list file not written");

    f.write_list(crlf_lines({QStringLiteral("0001名前")}));
    f.write_settings(QString());
    expect_missing("empty JOHOKUBUN");
    f.write_settings(QString(), false);
    expect_missing("no JOHOKUBUN key");
    f.write_settings(f.dir());
    expect_missing("JOHOKUBUN names a folder");
    f.write_settings(f.list_path() + QStringLiteral("x"));
    expect_missing("JOHOKUBUN names another file");

    // A file that exists but cannot be read is a failed load, not a missing file.
    f.write_settings(f.unreadable_file());
    InfoCodeList list = prefilled();
    int status = 0;
    load_info_code_list(list, f.where(), status);
    EXPECT_EQ(status, 9);
    EXPECT_EQ(list.info_code_count, 0);
}

TEST(LoadInfoCodeList, StopsAfter32767LinesKeepingWhatItRead)
{
    ListFixture f;
    f.write_list(numbered_lines(32767));
    InfoCodeList list;
    int status = 5;
    load_info_code_list(list, f.where(), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(list.info_code_count, 32767);

    f.write_list(numbered_lines(32768));
    load_info_code_list(list, f.where(), status);
    EXPECT_EQ(status, 9);
    ASSERT_EQ(list.info_code_count, 32767);
    ASSERT_EQ(list.info_code_list.size(), 32767u);
    EXPECT_EQ(list.info_code_list.back().code, QStringLiteral("2767"));
    EXPECT_EQ(list.info_code_list.back().name, QStringLiteral("情報区分名称00000000032767"));

    const ListFileRead read = read_info_code_file(f.list_path());
    EXPECT_TRUE(read.exists);
    EXPECT_FALSE(read.complete);
    EXPECT_EQ(read.entries.size(), 32767u);
}

TEST(InfoCodeListFind, ComparesTrimmedCodesAndTheFirstEntryWins)
{
    InfoCodeList list;
    list.assign({{QStringLiteral("01  "), QStringLiteral("部門")},
                 {QStringLiteral(" 02 "), QStringLiteral("二")},
                 {QStringLiteral("01"), QStringLiteral("後の01")},
                 {QStringLiteral("\t03 "), QStringLiteral("タブ")},
                 {QString(), QStringLiteral("空")}});

    for (const QString& key : {QStringLiteral("01"), QStringLiteral("  01"), QStringLiteral("01   ")}) {
        const info_code_entry* e = list.find(key);
        ASSERT_NE(e, nullptr) << key.toStdString();
        EXPECT_EQ(e->name, QStringLiteral("部門"));
        EXPECT_EQ(e, &list.info_code_list[0]);
    }
    ASSERT_NE(list.find(QStringLiteral("02")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("02"))->name, QStringLiteral("二"));
    // Only blanks are trimmed: a tab is part of the code.
    EXPECT_EQ(list.find(QStringLiteral("03")), nullptr);
    ASSERT_NE(list.find(QStringLiteral("\t03")), nullptr);
    // A blank code matches an empty or blank key.
    ASSERT_NE(list.find(QStringLiteral("   ")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("   "))->name, QStringLiteral("空"));
    EXPECT_EQ(list.find(QStringLiteral("0")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("0 1")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("01  x")), nullptr);
}

TEST(InfoCodeListFind, FollowsTheCountAndDirectChangesOfTheList)
{
    InfoCodeList list;
    list.assign({{QStringLiteral("0001"), QStringLiteral("一")}, {QStringLiteral("0002"), QStringLiteral("二")}});
    ASSERT_NE(list.find(QStringLiteral("0002")), nullptr);

    // Entries past the count are not part of the list.
    list.info_code_count = 1;
    EXPECT_EQ(list.find(QStringLiteral("0002")), nullptr);
    EXPECT_NE(list.find(QStringLiteral("0001")), nullptr);

    list.info_code_list.push_back({QStringLiteral("0003"), QStringLiteral("三")});
    list.info_code_count = 3;
    ASSERT_NE(list.find(QStringLiteral("0003")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("0003"))->name, QStringLiteral("三"));

    list.info_code_list[0].code = QStringLiteral("0004");
    list.rebuild_index();
    EXPECT_EQ(list.find(QStringLiteral("0001")), nullptr);
    EXPECT_NE(list.find(QStringLiteral("0004")), nullptr);

    // A copy answers from its own entries.
    const InfoCodeList copy = list;
    ASSERT_NE(copy.find(QStringLiteral("0004")), nullptr);
    EXPECT_EQ(copy.find(QStringLiteral("0004")), &copy.info_code_list[0]);
}

TEST(InfoCodeListFind, FirstOfRepeatedCodesInALargeLoadedList)
{
    ListFixture f;
    f.write_list(numbered_lines(32767));
    InfoCodeList list;
    int status = 0;
    load_info_code_list(list, f.where(), status);
    // Codes repeat every 10,000 lines; lines 1234, 11234, 21234 and 31234 share one.
    const info_code_entry* e = list.find(QStringLiteral("1234"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e - list.info_code_list.data(), 1233);
    ASSERT_NE(list.find(QStringLiteral("2767")), nullptr);
    EXPECT_EQ(list.find(QStringLiteral("2767")) - list.info_code_list.data(), 2766);
    EXPECT_EQ(list.find(QStringLiteral("12345")), nullptr);
}
