#pragma once
// Database tests run once per back-end: SQLite through its ODBC driver, and
// PostgreSQL through psqlODBC on the private test server (skipped only when
// K4_PG_PORT is not set).

#include "OdbcSandbox.h"
#include "db/Database.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>

namespace k4::test {

class DbBackendTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        sandbox_ = &OdbcSandbox::shared();
        if (is_postgres() && !sandbox_->has_postgres())
            GTEST_SKIP() << "K4_PG_PORT is not set: no PostgreSQL test server";
        // Every case starts from the schema's rows (several cases may share a
        // process when the binary is run by hand).
        run_elsewhere(QStringLiteral("DELETE FROM FL1914利用情報区分マスタ"));
        run_elsewhere(QStringLiteral("DELETE FROM 区分マスタ WHERE 区分 <> '送受信種別'"));
    }

    bool is_postgres() const { return GetParam() == "postgresql"; }
    QString backend() const { return QString::fromStdString(GetParam()); }
    OdbcSandbox& sandbox() { return *sandbox_; }
    QString dsn() const { return sandbox_->dsn(backend()); }
    QString user() const { return sandbox_->user(backend()); }

    // Opens `db` on this back-end's data source the way start-up does.
    void open(Database& db) { db.open_database(dsn(), user(), QString(), QStringLiteral("PC01")); }

    // Through the sandbox's own, second connection.
    void run_elsewhere(const QString& statement) { sandbox_->execute(dsn(), statement); }
    QString scalar_elsewhere(const QString& query)
    {
        return sandbox_->scalar(dsn(), query).value_or(QStringLiteral("<null>"));
    }
    int master_rows_elsewhere()
    {
        return scalar_elsewhere(QStringLiteral("SELECT COUNT(*) FROM FL1914利用情報区分マスタ")).toInt();
    }

private:
    OdbcSandbox* sandbox_ = nullptr;
};

inline std::string backend_name(const ::testing::TestParamInfo<std::string>& info)
{
    return info.param;
}

}  // namespace k4::test

#define K4_INSTANTIATE_BACKENDS(suite)                                                   \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                              \
                             ::testing::Values(std::string("sqlite"), std::string("postgresql")), \
                             ::k4::test::backend_name)
