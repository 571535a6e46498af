// What the program does with bad input at every door: settings files and list
// files with broken bytes, NUL bytes, huge lines, garbage, a folder in their
// place; database rows with Nulls, quotes, over-long values and characters the
// code page cannot hold; extreme operator codes. Each case runs the real
// start-up and checks the message it stops with, or that it runs and the
// screen stays sound.
#include "LogLines.h"
#include "ProgramHarness.h"

#include "TempDir.h"
#include "common/cp932.h"
#include "lookup/InfoCodeList.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"

#include <QDir>
#include <QLabel>
#include <QRandomGenerator>

namespace k4::test {
namespace {

QByteArray garbage(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// --- the settings file ----------------------------------------------------------

class BadSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_schema(QStringLiteral("sqlite"));
        h = std::make_unique<ProgramHarness>(OdbcSandbox::shared().sqlite_dsn(), QString());
        standard = h->standard_settings();
    }
    // The standard settings with one line replaced by raw bytes.
    QByteArray with_line(const QString& key, const QByteArray& line) const
    {
        QByteArray out;
        for (const QString& l : standard.split(QStringLiteral("\r\n"))) {
            out += l.startsWith(key + u'=') ? line : sjis(l);
            out += "\r\n";
        }
        return out;
    }

    std::unique_ptr<ProgramHarness> h;
    QString standard;
};

TEST_F(BadSettings, InvalidShiftJisBytesStayInsideTheirValue)
{
    // A lead byte just before the line end must not swallow it: the data
    // source name on the next line is still read, and start-up runs through.
    h->settings_bytes = with_line(QStringLiteral("PASSWD"), "PASSWD=\x81");
    EXPECT_EQ(h->start_failure(), QString());
    EXPECT_TRUE(h->app->db.is_open());
    // The broken byte is one character, read back as the code page's '?'.
    EXPECT_EQ(h->app->settings.db_password.trimmed(), QStringLiteral("?"));
}

TEST_F(BadSettings, InvalidBytesInTheDataSourceNameAreAConnectionError)
{
    h->settings_bytes = with_line(QStringLiteral("DBSTRING"), "DBSTRING=k4_\x81\xff\xfd");
    EXPECT_EQ(h->start_failure(), startup_message::connect_error);
    EXPECT_FALSE(h->app->db.is_open());
}

TEST_F(BadSettings, InvalidBytesInANumberAreAReadError)
{
    h->settings_bytes = with_line(QStringLiteral("TextBackColor"), "TextBackColor=1677\x82\x0a");
    EXPECT_EQ(h->start_failure(), startup_message::ini_read_error);
}

TEST_F(BadSettings, InvalidBytesInASectionNameHideThatSection)
{
    QByteArray bytes = sjis(standard);
    bytes.replace(sjis(QStringLiteral("[動作環境]")), "[\x93\xae\x8d\xec\x8a\xc2\xfd]");
    h->settings_bytes = bytes;
    EXPECT_EQ(h->start_failure(), startup_message::connect_error);
}

TEST_F(BadSettings, NulBytesEndAValueWhereTheyStand)
{
    // After the name: the name is read.
    h->settings_bytes = with_line(QStringLiteral("DBSTRING"),
                                  "DBSTRING=" + OdbcSandbox::shared().sqlite_dsn().toLatin1()
                                      + QByteArray("\0junk", 5));
    EXPECT_EQ(h->start_failure(), QString());
    EXPECT_TRUE(h->app->db.is_open());

    // Before the name: no name at all.
    ProgramHarness second(OdbcSandbox::shared().sqlite_dsn(), QString());
    second.settings_bytes = with_line(QStringLiteral("DBSTRING"),
                                      QByteArray("DBSTRING=\0", 10)
                                          + OdbcSandbox::shared().sqlite_dsn().toLatin1());
    EXPECT_EQ(second.start_failure(), startup_message::connect_error);
}

TEST_F(BadSettings, LinesOfNulBytesAreIgnored)
{
    h->settings_bytes = QByteArray(4096, '\0') + "\r\n" + sjis(standard)
                        + QByteArray(100, '\0');
    EXPECT_EQ(h->start_failure(), QString());
}

TEST_F(BadSettings, AOneMegabyteLineIsCutOrSkipped)
{
    const QByteArray huge(1024 * 1024, 'k');
    // A huge comment before everything: skipped.
    h->settings_bytes = "; " + huge + "\r\n" + sjis(standard);
    EXPECT_EQ(h->start_failure(), QString());

    // A huge data source name: cut to the buffer, then to 50, and unknown.
    ProgramHarness name(OdbcSandbox::shared().sqlite_dsn(), QString());
    name.settings_bytes = with_line(QStringLiteral("DBSTRING"), "DBSTRING=" + huge);
    EXPECT_EQ(name.start_failure(), startup_message::connect_error);
    EXPECT_EQ(name.app->settings.data_source_name, QString(50, u'k'));

    // A huge font name: cut to 255 bytes; the window takes it like any unknown face.
    ProgramHarness font(OdbcSandbox::shared().sqlite_dsn(), QString());
    font.settings_bytes = with_line(QStringLiteral("TextFontName"), "TextFontName=" + huge);
    EXPECT_EQ(font.start_failure(), QString());
    EXPECT_EQ(font.app->settings.text_font_name.size(), 255);

    // A huge last line without a line end.
    ProgramHarness last(OdbcSandbox::shared().sqlite_dsn(), QString());
    last.settings_bytes = sjis(standard) + "[X]\r\nY=" + huge;
    EXPECT_EQ(last.start_failure(), QString());
}

TEST_F(BadSettings, BinaryGarbageIsAFileWithoutSettings)
{
    h->settings_bytes = garbage(64 * 1024, 8020);
    EXPECT_EQ(h->start_failure(), startup_message::connect_error);

    // Garbage after a complete file changes nothing: the first value wins.
    ProgramHarness tail(OdbcSandbox::shared().sqlite_dsn(), QString());
    tail.settings_bytes = sjis(standard) + garbage(64 * 1024, 8021) + "\r\n" + sjis(standard);
    EXPECT_EQ(tail.start_failure(), QString());
}

TEST_F(BadSettings, AFolderInPlaceOfTheFileReadsAsAMissingFile)
{
    h->write_files = false;
    ASSERT_TRUE(QDir().mkpath(h->settings_path()));
    write_file(h->list_path(), standard_list_bytes());
    EXPECT_EQ(h->start_failure(), startup_message::connect_error);
    EXPECT_FALSE(h->app->db.is_open());
}

// --- the list file -----------------------------------------------------------------

class BadListFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_schema(QStringLiteral("sqlite"));
        set_master_rows(OdbcSandbox::shared().sqlite_dsn(),
                        {{QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0002")}});
        h = std::make_unique<ProgramHarness>(OdbcSandbox::shared().sqlite_dsn(), QString());
    }
    // Start-up runs through whatever the list holds.
    void start_with(const QByteArray& list)
    {
        h->list_bytes = list;
        ASSERT_EQ(h->start_failure(), QString());
        EXPECT_TRUE(h->form->isVisible());
    }
    // Whether the code check of JKBN accepts `code` (adding C00009 / 1 / code).
    bool code_accepted(const QString& code)
    {
        h->messages.clear();
        h->click_button(1);
        h->form->ATCD->setText(QStringLiteral("C00009"));
        h->form->SJSHU->setText(QStringLiteral("1"));
        h->form->JKBN->setText(code);
        const bool accepted = h->screen->check_field(3) == Step::passed;
        EXPECT_EQ(h->messages.texts(), accepted ? QStringList() : QStringList{msg::no_such_code});
        return accepted;
    }
    const InfoCodeList& list() const { return h->app->info_codes; }

    std::unique_ptr<ProgramHarness> h;
};

TEST_F(BadListFile, InvalidShiftJisBytesSpoilOnlyTheirOwnLine)
{
    start_with("0001\x81\r\n" + sjis(QStringLiteral("0002出荷案内\r\n")) + "\xfd\xfe\xff\x80\r\n"
               + sjis(QStringLiteral("0003請求データ\r\n")));
    ASSERT_EQ(list().info_code_count(), 4);
    EXPECT_EQ(list().info_code_list()[0].name, QString(QChar(0xFFFD)));
    EXPECT_EQ(list().info_code_list()[1].name, QStringLiteral("出荷案内"));
    EXPECT_EQ(list().info_code_list()[3].code, QStringLiteral("0003"));
    EXPECT_EQ(h->form->GRID->TextMatrix(1, 5), QStringLiteral("出荷案内"));
    EXPECT_TRUE(code_accepted(QStringLiteral("0003")));
}

TEST_F(BadListFile, NulBytesAreCharactersOfTheirLine)
{
    start_with(QByteArray("00\0" "1name\0\r\n", 11) + sjis(QStringLiteral("0002出荷案内\r\n")));
    ASSERT_EQ(list().info_code_count(), 2);
    EXPECT_EQ(list().info_code_list()[0].code, QString::fromLatin1("00\0" "1", 4));
    EXPECT_EQ(list().info_code_list()[1].name, QStringLiteral("出荷案内"));
    EXPECT_FALSE(code_accepted(QStringLiteral("001")));
    EXPECT_TRUE(code_accepted(QStringLiteral("0002")));
}

TEST_F(BadListFile, AOneMegabyteLineIsOneEntryOfTwentyFourColumns)
{
    start_with("0001" + QByteArray(1024 * 1024, 'N') + "\r\n" + sjis(QStringLiteral("0002出荷案内\r\n")));
    ASSERT_EQ(list().info_code_count(), 2);
    EXPECT_EQ(list().info_code_list()[0].name, QString(20, u'N'));
    EXPECT_EQ(h->form->GRID->TextMatrix(1, 5), QStringLiteral("出荷案内"));
}

TEST_F(BadListFile, BinaryGarbageLoadsAsWhateverLinesItHolds)
{
    start_with(garbage(256 * 1024, 3101) + "\r\n" + sjis(QStringLiteral("0002出荷案内\r\n")));
    EXPECT_GE(list().info_code_count(), 2);
    EXPECT_EQ(list().info_code_list()[list().info_code_count() - 1].name,
              QStringLiteral("出荷案内"));
    EXPECT_TRUE(code_accepted(QStringLiteral("0002")));
}

TEST_F(BadListFile, FortyThousandLinesKeepTheFirst32767)
{
    QByteArray bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += QByteArray::number(i, 16).rightJustified(4, '0').toUpper() + "NAME\r\n";
    start_with(bytes);
    EXPECT_EQ(list().info_code_count(), 32767);
    EXPECT_TRUE(code_accepted(QStringLiteral("7FFE")));    // line 32767
    EXPECT_FALSE(code_accepted(QStringLiteral("7FFF")));   // line 32768
}

TEST_F(BadListFile, BareLineFeedsMakeOneLine)
{
    start_with(sjis(QStringLiteral("0001受注データ\n0002出荷案内\n0003請求データ\n")));
    ASSERT_EQ(list().info_code_count(), 1);
    EXPECT_EQ(list().info_code_list()[0].code, QStringLiteral("0001"));
    EXPECT_EQ(list().info_code_list()[0].name, QStringLiteral("受注データ\n0002出荷案内\n0003請"));
    EXPECT_TRUE(code_accepted(QStringLiteral("0001")));
    EXPECT_FALSE(code_accepted(QStringLiteral("0002")));
}

TEST_F(BadListFile, AFolderInPlaceOfTheFileIsAMissingList)
{
    h->write_files = false;
    write_file(h->settings_path(), h->settings_bytes);
    ASSERT_TRUE(QDir().mkpath(h->list_path()));
    ASSERT_EQ(h->start_failure(), QString());
    EXPECT_EQ(list().info_code_count(), 0);
    EXPECT_EQ(h->form->GRID->TextMatrix(1, 5), QString());
    EXPECT_FALSE(code_accepted(QStringLiteral("0002")));
}

// --- operator codes --------------------------------------------------------------------

TEST(BadOperatorCode, AHundredKilobytesAreTakenAndShown)
{
    reset_schema(QStringLiteral("sqlite"));
    ProgramHarness h(OdbcSandbox::shared().sqlite_dsn(), QString());
    const QString code(100 * 1024, u'O');
    ASSERT_EQ(h.start_failure({QStringLiteral("  ") + code + QStringLiteral("  ")}), QString());
    EXPECT_EQ(h.screen->operator_code, code);
    EXPECT_EQ(h.form->lbl_OP_CD->text(), code);
}

TEST(BadOperatorCode, ControlCharactersAreTakenAsTheyStand)
{
    reset_schema(QStringLiteral("sqlite"));
    ProgramHarness h(OdbcSandbox::shared().sqlite_dsn(), QString());
    const QString code = QStringLiteral("OP\x01\x1b[2J\tX");
    ASSERT_EQ(h.start_failure({code}), QString());
    EXPECT_EQ(h.screen->operator_code, code);
    EXPECT_EQ(h.form->lbl_OP_CD->text(), code);
}

TEST(BadOperatorCode, ALineBreakCannotForgeALineOfTheChangeLog)
{
    reset_schema(QStringLiteral("sqlite"));
    ProgramHarness h(OdbcSandbox::shared().sqlite_dsn(), QString());
    ASSERT_EQ(h.start_failure({QStringLiteral("OP1\nk4.changes: operator ADMIN deleted ALL")}),
              QString());

    LogLines changes({.category = "k4.changes"});
    h.add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    const QStringList change_log = changes.lines();

    ASSERT_EQ(change_log.size(), 1);
    EXPECT_FALSE(change_log[0].contains(u'\n')) << change_log[0].toStdString();
}

}  // namespace
}  // namespace k4::test
