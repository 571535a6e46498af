// Opening the connection: the connect string, refusals that must not reach a
// driver, and what a refused login reports.

#include "DbFixture.h"
#include "LogLines.h"

#include "common/text.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtGlobal>

namespace k4::test {
namespace {

TEST(ConnectString, BuiltFromValuesPaddedToTheirSettingWidth)
{
    EXPECT_EQ(Database::build_connect_string(fixed_text(QStringLiteral("EDIDB"), 50),
                                             fixed_text(QStringLiteral("edi"), 50),
                                             fixed_text(QStringLiteral("pass word"), 50)),
              QStringLiteral("DSN=EDIDB;UID=edi;PWD=pass word;"));
    EXPECT_EQ(Database::build_connect_string(QStringLiteral("  EDIDB"), QString(), QString()),
              QStringLiteral("DSN=EDIDB;UID=;PWD=;"));
    // All empty: the four constant pieces alone.
    EXPECT_EQ(Database::build_connect_string(QString(50, u' '), QString(50, u' '), QString(50, u' ')),
              QStringLiteral("DSN=;UID=;PWD=;"));
}

TEST(ConnectString, BracesValuesThatWouldEndOrOpenAnAttribute)
{
    EXPECT_EQ(Database::build_connect_string(QStringLiteral("EDIDB"), QStringLiteral("a;b"),
                                             QStringLiteral("x;DATABASE=other")),
              QStringLiteral("DSN=EDIDB;UID={a;b};PWD={x;DATABASE=other};"));
    // A closing brace inside a braced value is doubled; an opening one needs no escape.
    EXPECT_EQ(Database::build_connect_string(QStringLiteral("EDIDB"), QStringLiteral("{u"),
                                             QStringLiteral("p}w")),
              QStringLiteral("DSN=EDIDB;UID={{u};PWD={p}}w};"));
    EXPECT_EQ(Database::build_connect_string(QStringLiteral("a;b"), QString(), QString()),
              QStringLiteral("DSN={a;b};UID=;PWD=;"));
}

// Runs in an empty working folder, where a misbehaving driver would create
// its database file.
class InEmptyFolder {
public:
    InEmptyFolder() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~InEmptyFolder() { QDir::setCurrent(old_); }
    QStringList entries() const
    {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

private:
    QTemporaryDir dir_;
    QString old_;
};

using Connect = DbBackendTest;

TEST_P(Connect, OpensWithPaddedSettingsAndRunsAStatement)
{
    Database db;
    db.open_database(fixed_text(dsn(), 50), fixed_text(user(), 50), QString(50, u' '),
                     QStringLiteral("PC01"));
    ASSERT_TRUE(db.is_open());
    EXPECT_EQ(db.connect_string, QStringLiteral("DSN=%1;UID=%2;PWD=;").arg(dsn(), user()));
    EXPECT_EQ(db.login_timeout_seconds, 120);
    EXPECT_EQ(db.query_timeout_seconds, 300);

    db.sql_text = QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分コード = '2'");
    ResultSet rs;
    rs = db.open_query(db.sql_text);
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("区分名称")), QStringLiteral("受信"));
}

TEST_P(Connect, BracedValuesReachTheDriverWhole)
{
    Database db;
    if (is_postgres()) {
        // psqlODBC honours braces: the password's "Database=" stays inside it
        // and the connection still reaches this process's own database.
        db.open_database(dsn(), user(), QStringLiteral("pw};Database=postgres;{"),
                         QStringLiteral("PC01"));
        EXPECT_EQ(db.connect_string,
                  QStringLiteral("DSN=%1;UID=postgres;PWD={pw}};Database=postgres;{};").arg(dsn()));
        db.sql_text = QStringLiteral("SELECT current_database() AS name");
        ResultSet rs;
        rs = db.open_query(db.sql_text);
        EXPECT_EQ(rs.value(QStringLiteral("name")), sandbox().pg_database());
    } else {
        // The SQLite driver ignores UID and PWD; braced values must not spoil
        // the data source it finds before them.
        db.open_database(dsn(), QStringLiteral("op;{x}"), QStringLiteral("p}w"), QStringLiteral("PC01"));
        EXPECT_EQ(db.connect_string, QStringLiteral("DSN=%1;UID={op;{x}}};PWD={p}}w};").arg(dsn()));
        db.sql_text = QStringLiteral("SELECT COUNT(*) AS n FROM 区分マスタ");
        ResultSet rs;
        rs = db.open_query(db.sql_text);
        EXPECT_EQ(rs.value(QStringLiteral("n")), QStringLiteral("2"));
    }
}

TEST_P(Connect, UndefinedDataSourceFailsAndCreatesNothing)
{
    InEmptyFolder folder;
    const QStringList sandbox_files =
        QDir(sandbox().folder()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    Database db;
    try {
        db.open_database(QStringLiteral("NO_SUCH_SOURCE"), user(), QString(), QStringLiteral("PC01"));
        FAIL() << "an undefined data source connected";
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlstate(), QStringLiteral("IM002"));
        EXPECT_FALSE(e.driver_text().isEmpty());
    }
    EXPECT_FALSE(db.is_open());
    EXPECT_TRUE(folder.entries().isEmpty()) << folder.entries().join(u' ').toStdString();
    EXPECT_EQ(QDir(sandbox().folder()).entryList(QDir::Files | QDir::NoDotAndDotDot), sandbox_files);

    // The failed attempt leaves a Database that can still connect.
    open(db);
    EXPECT_TRUE(db.is_open());
}

TEST(ConnectEmpty, AllEmptyValuesAreRefusedBeforeAnyDriverIsLoaded)
{
    // Data sources are defined, so the driver manager would fall back to the
    // first one's driver, and the SQLite driver would create a database file
    // named after the connect string in the working folder.
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    InEmptyFolder folder;
    const QStringList sandbox_files = QDir(sandbox.folder()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    Database db;
    try {
        db.open_database(QString(50, u' '), QString(50, u' '), QString(50, u' '), QStringLiteral("PC01"));
        FAIL() << "an empty data source name connected";
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlstate(), QStringLiteral("IM002"));
    }
    EXPECT_EQ(db.connect_string, QStringLiteral("DSN=;UID=;PWD=;"));
    EXPECT_FALSE(db.is_open());
    EXPECT_TRUE(folder.entries().isEmpty()) << folder.entries().join(u' ').toStdString();
    EXPECT_EQ(QDir(sandbox.folder()).entryList(QDir::Files | QDir::NoDotAndDotDot), sandbox_files);
}

TEST(ConnectRefused, LoginFailureCarriesTheCauseButNeverThePassword)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "K4_PG_PORT is not set: no PostgreSQL test server";
    const LogLines log;  // every category: what is said, and what never is
    Database db;
    try {
        db.open_database(sandbox.pg_dsn(), QStringLiteral("no_such_role"), QStringLiteral("TopSecret42"),
                         QStringLiteral("PC01"));
        FAIL() << "an unknown role logged in";
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlstate(), QStringLiteral("08001"));
        EXPECT_TRUE(e.driver_text().contains(QLatin1String("no_such_role"))) << e.what();
        EXPECT_FALSE(QString::fromUtf8(e.what()).contains(QLatin1String("TopSecret42")));
    }
    EXPECT_FALSE(db.is_open());
    const QString logged = log.lines_with_category().join(u'\n');
    EXPECT_TRUE(logged.contains(QLatin1String("08001"))) << logged.toStdString();
    EXPECT_FALSE(logged.contains(QLatin1String("TopSecret42"))) << logged.toStdString();
}

K4_INSTANTIATE_BACKENDS(Connect);

}  // namespace
}  // namespace k4::test
