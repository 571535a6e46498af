// With a data source named "Default" defined, an empty data source name
// connects to it, and to nothing else.

#include "OdbcSandbox.h"
#include "db/Database.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace k4::test {
namespace {

TEST(DefaultDataSource, EmptyNameConnectsToTheSourceCalledDefault)
{
    // This process's own sandbox: the configuration is read once per process.
    static OdbcSandbox sandbox(OdbcSandbox::Options{.default_dsn = true});
    QTemporaryDir cwd;
    const QString old = QDir::currentPath();
    QDir::setCurrent(cwd.path());

    Database db;
    db.open_database(QStringLiteral("   "), QString(), QString(), QStringLiteral("PC01"));
    EXPECT_TRUE(db.is_open());
    EXPECT_EQ(db.connect_string, QStringLiteral("DSN=;UID=;PWD=;"));
    db.execute_statement(QStringLiteral("CREATE TABLE 既定 (列 TEXT)"));
    db.close_database();

    EXPECT_EQ(sandbox.scalar(QStringLiteral("Default"),
                             QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = '既定'")),
              QStringLiteral("1"));
    // The table is in the Default source's file, not in the tests' own file,
    // and no file named after the connect string appeared anywhere.
    EXPECT_EQ(sandbox.scalar(sandbox.sqlite_dsn(),
                             QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = '既定'")),
              QStringLiteral("0"));
    EXPECT_TRUE(QDir(cwd.path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir(sandbox.folder()).filePath(QStringLiteral("DSN=;UID=;PWD=;"))));
    QDir::setCurrent(old);
}

}  // namespace
}  // namespace k4::test
