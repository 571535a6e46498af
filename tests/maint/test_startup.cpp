// Start-up in its order: which failure stops it where, with which message, and
// what the operator sees when it succeeds.
#include "LogLines.h"
#include "ProgramHarness.h"
#include "TempDir.h"

#include "ui/Controls.h"
#include "ui/FlexGrid.h"

#include <QDir>
#include <QRegularExpression>

namespace k4::test {
namespace {

class StartUp : public ::testing::Test {
protected:
    ScreenHarness h{QStringLiteral("sqlite")};
    void SetUp() override { h.reset_schema(); }

    // Runs the start-up and returns the message it stopped with ("" when it ran through).
    QString run(const QStringList& args = {}) { return h.start_failure(args); }

    // Every line "key=..." of the standard settings replaced by `line`.
    void replace_lines(const QString& keys, const QString& line)
    {
        QString ini = h.standard_settings();
        ini.replace(QRegularExpression(QStringLiteral("(?m)^(") + keys + QStringLiteral(")=[^\r\n]*")), line);
        h.settings_bytes = sjis(ini);
    }
};

TEST_F(StartUp, OperatorCodeIsTrimmedWithInnerBlanksKept)
{
    EXPECT_EQ(take_operator_code({QStringLiteral("  A"), QStringLiteral("B  ")}), QStringLiteral("A B"));
    EXPECT_EQ(take_operator_code({}), QString());
    EXPECT_EQ(run({QStringLiteral("  OP"), QStringLiteral("7 ")}), QString());
    EXPECT_EQ(h.form->lbl_OP_CD->text(), QStringLiteral("OP 7"));
}

TEST_F(StartUp, NoOperatorCodeIsAccepted)
{
    EXPECT_EQ(run({}), QString());
    EXPECT_EQ(h.screen->operator_code, QString());
    EXPECT_EQ(h.form->lbl_OP_CD->text(), QString());
}

TEST_F(StartUp, MissingColourKeyStopsOnlyAfterTheConnectionOpened)
{
    replace_lines(QStringLiteral("TextBackColor"), QString());
    EXPECT_EQ(run(), startup_message::ini_read_error);
    EXPECT_TRUE(h.app->db.is_open());
}

TEST_F(StartUp, ProgramFolderWithOneSeparatorStopsBeforeAnyDatabaseWork)
{
    h.program_dir = QStringLiteral("/K408020");
    EXPECT_EQ(run(), startup_message::ini_read_error);
    EXPECT_FALSE(h.app->db.is_open());
}

TEST_F(StartUp, UndefinedDataSourceIsAConnectionErrorAndCreatesNothing)
{
    const QStringList before = QDir::current().entryList(QDir::Files);
    replace_lines(QStringLiteral("DBSTRING"), QStringLiteral("DBSTRING=NO_SUCH_DSN"));
    EXPECT_EQ(run(), startup_message::connect_error);
    EXPECT_FALSE(h.app->db.is_open());
    EXPECT_EQ(QDir::current().entryList(QDir::Files), before);
}

TEST_F(StartUp, EmptyDatabaseSectionIsAConnectionError)
{
    replace_lines(QStringLiteral("USERID|PASSWD|DBSTRING|MACHINENAME"), QString());
    const QStringList before = QDir::current().entryList(QDir::Files);
    EXPECT_EQ(run(), startup_message::connect_error);
    EXPECT_EQ(QDir::current().entryList(QDir::Files), before);
}

TEST_F(StartUp, BadFontSettingIsAnItemSettingError)
{
    replace_lines(QStringLiteral("TextFontSize"), QStringLiteral("TextFontSize=large"));
    EXPECT_EQ(run(), startup_message::item_setting_error);
    EXPECT_FALSE(h.app->form->isVisible());
}

TEST_F(StartUp, AMissingTableOpensTheWindowWithoutMessage)
{
    OdbcSandbox::shared().execute(h.dsn(), QStringLiteral("DROP TABLE FL1914利用情報区分マスタ"));
    EXPECT_EQ(run(), QString());
    EXPECT_TRUE(h.form->isVisible());
    EXPECT_EQ(h.screen->grid_row_count, 0);
    EXPECT_TRUE(h.messages.shown().empty());
}

TEST_F(StartUp, MissingListFileLeavesNamesEmpty)
{
    h.set_rows({{QStringLiteral("C1"), QStringLiteral("1"), QStringLiteral("0001")}});
    replace_lines(QStringLiteral("JOHOKUBUN"), QStringLiteral("JOHOKUBUN=/nonexistent/list.txt"));
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(h.screen->grid_row_count, 1);
    EXPECT_EQ(h.form->GRID->TextMatrix(1, 5), QString());
    EXPECT_EQ(h.app->info_codes.info_code_count(), 0);
}

TEST_F(StartUp, TheLogNamesAUtf8SettingsFileAndAMissingListFile)
{
    // Every log line of the program's categories, as "category: message".
    LogLines capture({.category = "k4."});

    // Saved as UTF-8: the operator still sees the connection error alone; the
    // log says why and how to convert the file, once.
    h.settings_bytes = h.standard_settings().toUtf8();
    EXPECT_EQ(run(), startup_message::connect_error);
    EXPECT_EQ(h.messages.texts(), QStringList());
    QStringList log = capture.lines_with_category();
    const QStringList utf8_hints = log.filter(QStringLiteral("UTF-8 without a byte-order mark"));
    ASSERT_EQ(utf8_hints.size(), 1) << log.join(u'\n').toStdString();
    EXPECT_TRUE(utf8_hints[0].startsWith(QStringLiteral("k4.settings: settings file ") + h.settings_path()));
    EXPECT_TRUE(utf8_hints[0].contains(QStringLiteral("iconv -f UTF-8 -t CP932 '%1'").arg(h.settings_path())))
        << utf8_hints[0].toStdString();

    // The same settings in code page 932 give no such hint; a list file that
    // is not there is named with its path, and the operator sees nothing.
    capture.clear();
    ScreenHarness second(QStringLiteral("sqlite"));
    QString ini = second.standard_settings();
    ini.replace(second.list_path(), QStringLiteral("/nonexistent/JOHOKUBUN.TXT"));
    second.settings_bytes = sjis(ini);
    EXPECT_EQ(second.start_failure({}), QString());
    EXPECT_TRUE(second.messages.shown().empty());
    log = capture.lines_with_category();
    EXPECT_TRUE(log.filter(QStringLiteral("UTF-8")).isEmpty()) << log.join(u'\n').toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral(
        "k4.startup: information classification list not found: /nonexistent/JOHOKUBUN.TXT")))
        << log.join(u'\n').toStdString();
    EXPECT_TRUE(log.filter(QStringLiteral("information classifications:")).isEmpty());
}

}  // namespace
}  // namespace k4::test
