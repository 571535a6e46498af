#include "settings/Settings.h"

#include "app/StartupFailure.h"
#include "common/text.h"

#include "TempDir.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace k4;

namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

// A complete settings file; a stray MINIMAIZE in another section must not count.
const char* const complete_file =
    "[動作環境]|MACHINENAME=SRV01|USERID=edi|PASSWD=p@ss|DBSTRING=K4DEMO|[Other]|MINIMAIZE=x|"
    "[Setting0]|FormBackColor=&H00C0C0C0|LabelBackColor=12632256|LabelFontBold=True|"
    "LabelFontItalic=False|LabelFontName=ＭＳ ゴシック|LabelFontSize=11.25|"
    "LabelFontStrikethru=False|LabelFontUnderline=False|LabelForeColor=0|"
    "TextBackColor=16777215|TextFocusColor=8454143|TextFontBold=False|TextFontItalic=False|"
    "TextFontName=ＭＳ 明朝|TextFontSize=12|TextFontStrikethru=False|TextFontUnderline=True|"
    "TextForeColor=-1.5e1|TitleBackColor=&HFF|TitleFontBold=True|TitleFontItalic=True|"
    "TitleFontName=IPAGothic|TitleFontSize=9|TitleFontStrikethru=True|TitleFontUnderline=False|"
    "TitleForeColor=+255|[K405010]|MINIMAIZE=-32768|DEMOMODE=32767|[PATH]|VKR100_PATH=C:\\VKR|"
    "EDIINFIL=in.txt|EDIOUTFIL=out.txt|MGSTPATH=/opt/edi/mgst|OLD_FILE=old.dat|"
    "JOHOKUBUN=/opt/edi/情報区分.txt|[デバッグ]|MODE=1";

// Keys to give other values; std::nullopt removes the key.
using Changes = QMap<QString, std::optional<QString>>;

class SettingsFile : public ::testing::Test {
protected:
    // The program lies in <tmp>/edi/bin/k408020, so the file is <tmp>/edi/EDI.ini.
    QString ini() const { return dir.filePath(q("edi/EDI.ini")); }
    SettingsLocation where() const { return {dir.filePath(q("edi/bin/k408020")), {}}; }

    void write(const Changes& changes = {})
    {
        QStringList lines;
        for (const QString& line : q(complete_file).split(u'|')) {
            const QString key = line.section(u'=', 0, 0);
            if (!changes.contains(key) || line == u"MINIMAIZE=x")
                lines << line;
            else if (const auto value = changes.value(key))
                lines << key + u'=' + *value;
        }
        k4::test::write_file(ini(), k4::test::sjis(lines.join(u"\r\n")));
    }

    // The message the read ends with; empty when it passes.
    QString failure_of(void (*read)(Settings&, const SettingsLocation&),
                       std::optional<SettingsLocation> at = std::nullopt)
    {
        try {
            read(settings, at.value_or(where()));
        } catch (const SettingsError& failure) {
            return startup_failure(failure).message();
        }
        return {};
    }

    QTemporaryDir dir;
    Settings settings;
};

}  // namespace

TEST(SettingsPath, TwoLevelsAboveTheProgramDirectory)
{
    EXPECT_EQ(settings_file_path(q("/opt/edi/bin/k408020"), u'/'), q("/opt/edi/EDI.ini"));
    EXPECT_EQ(settings_file_path(q("C:\\APP\\BIN\\K408020"), u'\\'), q("C:\\APP\\EDI.ini"));
    EXPECT_EQ(settings_file_path(q("\\A\\B"), u'\\'), q("\\EDI.ini"));
    const std::pair<const char*, char16_t> one_or_none[] = {
        {"/k408020", u'/'}, {"/", u'/'}, {"", u'/'}, {"C:/APP/BIN", u'\\'}};
    for (const auto& [dir, separator] : one_or_none)
        EXPECT_EQ(settings_file_path(q(dir), separator), std::nullopt) << dir;
    EXPECT_EQ(settings_file_path(SettingsLocation{q("/opt/edi/bin/k408020"), {}}), q("/opt/edi/EDI.ini"));
    EXPECT_EQ(settings_file_path(SettingsLocation{q("/k408020"), q("/etc/x.ini")}), q("/etc/x.ini"));

    const QChar nul(u'\0');
    EXPECT_EQ(cut_at_nul(q(" a ") + nul + q("b") + nul), q(" a "));  // no blank is removed
    EXPECT_EQ(cut_at_nul(nul + q("abc")), QString());
    EXPECT_EQ(cut_at_nul(q("abc")), QString());
}

TEST(SettingsNumbers, DecimalAndHexadecimalForms)
{
    using D = std::optional<double>;
    using I = std::optional<qint16>;
    const std::tuple<const char*, D, I> cases[] = {
        {"-5", -5, -5},          {"+7", 7, 7},         {" 42 ", 42, 42},      {"1.5", 1.5, 2},
        {"2.5", 2.5, 2},         {"-2.5", -2.5, -2},   {".5", 0.5, 0},        {"1e3", 1000, 1000},
        {"32767", 32767, 32767}, {"-32768", -32768, -32768},                  {"40000", 40000, I()},
        {"32767.5", 32767.5, I()}, {"&hFFFF", -1, -1}, {"&H00C0C0C0", 12632256, I()},
        {"", D(), I()},          {"white", D(), I()},  {"1,000", D(), I()},   {"12abc", D(), I()},
        {"inf", D(), I()},       {"1e999", D(), I()},  {"&H", D(), I()},      {"&H123456789", D(), I()}};
    for (const auto& [text, number, whole] : cases) {
        EXPECT_EQ(settings_number(q(text)), number) << text;
        EXPECT_EQ(settings_int16(q(text)), whole) << text;
    }
}

TEST_F(SettingsFile, DatabaseSectionIsFixedTextOfFifty)
{
    write({{q("DBSTRING"), QString(60, u'D')}, {q("MACHINENAME"), QString(40, u'機')},
           {q("USERID"), QString()}});
    EXPECT_EQ(failure_of(read_db_settings), QString());
    EXPECT_EQ(settings.data_source_name, QString(50, u'D'));
    // 80 bytes arrive cut to 63 (31 characters), then padded to 50.
    EXPECT_EQ(settings.machine_name_setting, QString(31, u'機') + QString(19, u' '));
    EXPECT_EQ(settings.db_user_id, QString(50, u' '));
    EXPECT_EQ(settings.db_password, q("p@ss").leftJustified(50));

    QFile::remove(ini());  // a missing file only empties the values
    EXPECT_EQ(failure_of(read_db_settings), QString());
    EXPECT_EQ(settings.data_source_name, QString(50, u' '));
}

TEST_F(SettingsFile, EveryKeyOfACompleteFile)
{
    write();
    ASSERT_EQ(failure_of(read_settings), QString());
    EXPECT_EQ(settings.form_back_color, q("&H00C0C0C0"));
    const double colours[] = {settings.label_back_color, settings.label_fore_color,
                              settings.text_back_color,  settings.text_focus_color,
                              settings.text_fore_color,  settings.title_back_color,
                              settings.title_fore_color};
    EXPECT_EQ(std::vector(std::begin(colours), std::end(colours)),
              (std::vector<double>{12632256, 0, 16777215, 8454143, -15, 255, 255}));
    EXPECT_EQ(QStringList({settings.label_font_name, settings.label_font_size, settings.text_font_name,
                           settings.text_font_underline, settings.title_font_strikethru}),
              QStringList({q("ＭＳ ゴシック"), q("11.25"), q("ＭＳ 明朝"), q("True"), q("True")}));
    EXPECT_EQ(settings.minimize_setting, -32768);
    EXPECT_EQ(settings.demo_mode_setting, 32767);
    EXPECT_EQ(QStringList({settings.vkr100_path, settings.edi_in_file, settings.edi_out_file,
                           settings.mgst_path, settings.old_file}),
              QStringList({q("C:\\VKR"), q("in.txt"), q("out.txt"), q("/opt/edi/mgst"), q("old.dat")}));
    EXPECT_TRUE(settings.debug_mode);
    EXPECT_EQ(read_profile_key(ini(), q("path"), q("johokubun"), 64), q("/opt/edi/情報区分.txt"));
}

TEST_F(SettingsFile, DebugModeIsTheOneCharacterOne)
{
    const std::pair<std::optional<QString>, bool> cases[] = {
        {q("1"), true},  {q("\"1\""), true}, {q("01"), false},       {q("yes"), false},
        {q("１"), false}, {QString(), false}, {std::nullopt, false}};
    for (const auto& [value, expected] : cases) {
        write({{q("MODE"), value}});
        settings.debug_mode = !expected;
        ASSERT_EQ(failure_of(read_settings), QString());
        EXPECT_EQ(settings.debug_mode, expected) << value.value_or(q("(missing)")).toStdString();
    }
}

TEST_F(SettingsFile, TextValuesAreCutAndMayBeEmpty)
{
    write({{q("LabelFontName"), QString(300, u'F')}, {q("TextFontName"), QString(130, u'字')},
           {q("TitleFontName"), QString()}, {q("JOHOKUBUN"), q("/srv/") + QString(40, u'情')}});
    ASSERT_EQ(failure_of(read_settings), QString());
    EXPECT_EQ(settings.label_font_name, QString(255, u'F'));
    EXPECT_EQ(settings.text_font_name, QString(127, u'字'));
    EXPECT_EQ(settings.title_font_name, QString());
    EXPECT_EQ(read_profile_key(ini(), q("PATH"), q("JOHOKUBUN"), 64), q("/srv/") + QString(29, u'情'));
}

TEST_F(SettingsFile, BadNumbersStopTheReadWithoutPartialEffect)
{
    std::vector<Changes> bad = {{{q("MINIMAIZE"), q("40000")}}, {{q("MINIMAIZE"), q("-32769")}},
                                {{q("DEMOMODE"), QString()}},   {{q("DEMOMODE"), std::nullopt}}};
    for (const char* key : {"LabelBackColor", "LabelForeColor", "TextBackColor", "TextFocusColor",
                            "TextForeColor", "TitleBackColor", "TitleForeColor"})
        for (const std::optional<QString>& value : {std::optional<QString>(), std::optional(QString()),
                                                    std::optional(q("white"))})
            bad.push_back({{q(key), value}});
    for (const Changes& change : bad) {
        const std::string what = change.firstKey().toStdString() + "=" +
                                 change.first().value_or(q("(missing)")).toStdString();
        write(change);
        settings = Settings{};
        settings.label_back_color = 7;
        EXPECT_EQ(failure_of(read_settings), startup_message::ini_read_error) << what;
        EXPECT_EQ(settings.label_back_color, 7) << what;
        EXPECT_FALSE(settings.debug_mode) << what;
    }
    QFile::remove(ini());
    EXPECT_EQ(failure_of(read_settings), startup_message::ini_read_error);
}

TEST_F(SettingsFile, PathThatCannotBeFormedFailsBothReads)
{
    write();
    const SettingsLocation one_separator{q("/k408020"), {}};
    settings.data_source_name = q("kept");
    EXPECT_EQ(failure_of(read_db_settings, one_separator), startup_message::ini_read_error);
    EXPECT_EQ(failure_of(read_settings, one_separator), startup_message::ini_read_error);
    EXPECT_EQ(settings.data_source_name, q("kept"));
    // EDI_INI names the file directly, whatever the program directory.
    EXPECT_EQ(failure_of(read_db_settings, SettingsLocation{q("/k408020"), ini()}), QString());
    EXPECT_EQ(settings.data_source_name, q("K4DEMO").leftJustified(50));
}
