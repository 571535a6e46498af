#include "settings/Profile.h"

#include "TempDir.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace k4;
using k4::test::sjis;

namespace {
QString q(const char* utf8) { return QString::fromUtf8(utf8); }
std::string shown(const std::optional<QString>& v) { return v ? "<" + v->toStdString() + ">" : "absent"; }
}  // namespace

TEST(ProfileFile, ParsesLikeTheSystemReader)
{
    // ソ, ゼ and ゾ end in the bytes 0x5C, 0x5B and 0x5D in Shift-JIS.
    const ProfileFile f = ProfileFile::parse(sjis(q(
        "; Comment=1\r\n  ;Indented=1\nOrphan=1\r[Setting0]\r\n"
        "  LabelFontName  =  ＭＳ ゴシック  \r\nlabelbackcolor=1\nLABELBACKCOLOR=2\n"
        "Quoted=\"  padded  \"\nSingle='x'\nMixed=\"x'\nLone=\"\nTabbed=\tv\t\n"
        "NoEquals\n=nokey\nSemi=a ; b\nEquals=a=b\n"
        "[ setting0 ]\nExtra=1\n[broken\nBroken=1\n"
        "[表示]\nソート=ゼ]ゾ\\\n[ゾーン]\n名前=表")));
    const char* absent = nullptr;
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"SETTING0", "labelfontname", "ＭＳ ゴシック"}, {"Setting0", "LabelBackColor", "1"},
        {"Setting0", "Quoted", "  padded  "},            {"Setting0", "Single", "x"},
        {"Setting0", "Mixed", "\"x'"},                   {"Setting0", "Lone", "\""},
        {"Setting0", "Tabbed", "v"},                     {"Setting0", "Semi", "a ; b"},
        {"Setting0", "Equals", "a=b"},                   {"Setting0", "NoEquals", absent},
        {"Setting0", "Comment", absent},                 {"Setting0", "Indented", absent},
        {"Setting0", "Orphan", absent},                  {"Setting0", "Extra", absent},
        {"Setting0", "Broken", absent},                  {"表示", "ソート", "ゼ]ゾ\\"},
        {"ゾーン", "名前", "表"},                        {"ｿﾞｰﾝ", "名前", absent}};
    for (const auto& [section, key, expected] : cases)
        EXPECT_EQ(shown(f.value(q(section), q(key))),
                  shown(expected ? std::optional(q(expected)) : std::nullopt))
            << section << " / " << key;
}

TEST(ProfileFile, ByteOrderMarksChooseTheEncoding)
{
    const QString text = q("[表示]\nName=髙～\xF0\x9F\x98\x80\n");
    QStringEncoder to_utf16(QStringEncoder::Utf16LE);
    const ProfileFile files[] = {ProfileFile::parse("\xEF\xBB\xBF" + text.toUtf8()),
                                 ProfileFile::parse("\xFF\xFE" + QByteArray(to_utf16.encode(text)))};
    for (const ProfileFile& f : files) {
        EXPECT_EQ(f.value(q("表示"), q("name")), q("髙～\xF0\x9F\x98\x80"));
        // The reader hands back code page 932 text: the emoji has no form there.
        EXPECT_EQ(f.get_string(q("表示"), q("Name"), {}, 256), q("髙～?"));
    }
}

TEST(ProfileFile, ValuesAreCutToTheBuffer)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(q("EDI.ini"));
    const QString ascii(300, u'x');
    const QString text = q("[S]\nAscii=%1\nKanji=%2\nOdd=A%2\nBad=").arg(ascii, QString(200, u'表'));
    k4::test::write_file(path, sjis(text) + QByteArray::fromHex("418042") + "\n");
    auto read = [&](const char* key, int buffer, const QString& file) {
        return get_private_profile_string(q("S"), q(key), q("dflt"), buffer, file);
    };
    EXPECT_EQ(read("Ascii", 256, path), ascii.left(255));
    EXPECT_EQ(read("Ascii", 64, path), ascii.left(63));
    EXPECT_EQ(read("Kanji", 256, path), QString(127, u'表'));  // the 128th would be split
    EXPECT_EQ(read("Odd", 256, path), u'A' + QString(127, u'表'));
    EXPECT_EQ(read("Bad", 256, path), q("A?B"));  // the invalid byte stays visible
    EXPECT_EQ(read("Absent", 3, path), q("df"));
    EXPECT_EQ(read("Ascii", 1, path), QString());
    EXPECT_EQ(read("Ascii", 256, dir.filePath(q("none.ini"))), q("dflt"));
    EXPECT_EQ(read("Ascii", 256, dir.path()), q("dflt"));  // a folder is no settings file
}
