// Classification names from 区分マスタ on each database the program runs on.

#include "OdbcSandbox.h"
#include "db/Database.h"
#include "store/KubunName.h"

#include <gtest/gtest.h>

using namespace k4;
using namespace k4::test;

namespace {

const QString send_receive = QStringLiteral("送受信種別");

class KubunNames : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override
    {
        OdbcSandbox& sandbox = OdbcSandbox::shared();
        if (GetParam() == QStringLiteral("postgresql") && !sandbox.has_postgres())
            GTEST_SKIP() << "no PostgreSQL server (K4_PG_PORT unset)";
        dsn = sandbox.dsn(GetParam());
        db.open_database(dsn, sandbox.user(GetParam()), QString(), QString());
    }

    void add(const QString& kind, const QString& code, const QString& name_sql)
    {
        OdbcSandbox::shared().execute(
            dsn, QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('%1', '%2', %3)")
                     .arg(kind, code, name_sql));
    }

    // The lookup of a typed code.
    void fill(const QString& kind, const QString& typed) { found = lookup_kubun_name(db, kind, typed); }

    void expect_found(const QString& expected)
    {
        EXPECT_EQ(found.outcome, Outcome::done);
        EXPECT_EQ(found.value, expected);
    }

    void expect_not_found()
    {
        EXPECT_NE(found.outcome, Outcome::done);
        EXPECT_EQ(found.value, QString());
    }

    QString dsn;
    Database db;
    Result<QString> found;
};

}  // namespace

TEST_P(KubunNames, NamesAKnownCodeWithTheExactStatement)
{
    fill(send_receive, QStringLiteral("1"));
    expect_found(QStringLiteral("送信"));
    EXPECT_EQ(db.sql_text, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= '1'"));
    EXPECT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("2")).value, QStringLiteral("受信"));
}

TEST_P(KubunNames, NoRowNullOrEmptyNameAreNotFound)
{
    fill(send_receive, QStringLiteral("9"));
    expect_not_found();
    EXPECT_EQ(found.outcome, Outcome::absent);
    const QString kind = QStringLiteral("空名称種別");
    add(kind, QStringLiteral("1"), QStringLiteral("NULL"));
    add(kind, QStringLiteral("2"), QStringLiteral("''"));
    fill(kind, QStringLiteral("1"));
    expect_not_found();
    fill(kind, QStringLiteral("2"));
    expect_not_found();
}

TEST_P(KubunNames, TwoRowsGiveTheFirstTheDatabaseReturns)
{
    const QString kind = QStringLiteral("重複種別");
    add(kind, QStringLiteral("5"), QStringLiteral("'最初の名称'"));
    add(kind, QStringLiteral("5"), QStringLiteral("'二番目の名称'"));
    const std::optional<QString> first = OdbcSandbox::shared().scalar(
        dsn, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '重複種別' AND 区分ｺｰﾄﾞ= '5'"));
    ASSERT_TRUE(first.has_value());
    fill(kind, QStringLiteral("5"));
    expect_found(*first);
}

TEST_P(KubunNames, ApostrophesStayInsideTheirLiterals)
{
    fill(send_receive, QStringLiteral("'"));
    expect_not_found();
    EXPECT_EQ(db.sql_text, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= ''''"));

    add(QStringLiteral("引用''種別"), QStringLiteral("a''b"), QStringLiteral("'引用名'"));
    EXPECT_EQ(lookup_kubun_name(db, QStringLiteral("引用'種別"), QStringLiteral("a'b")).value, QStringLiteral("引用名"));
    EXPECT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("x' OR 区分ｺｰﾄﾞ<>'")).value, QString());
}

TEST_P(KubunNames, CodeAndKindAreLookedForUntrimmed)
{
    add(QStringLiteral("空白種別"), QStringLiteral("3 "), QStringLiteral("'空白付き'"));
    EXPECT_EQ(lookup_kubun_name(db, QStringLiteral("空白種別"), QStringLiteral("3 ")).value, QStringLiteral("空白付き"));
    EXPECT_EQ(lookup_kubun_name(db, QStringLiteral("空白種別"), QStringLiteral("3")).value, QString());
    EXPECT_EQ(lookup_kubun_name(db, send_receive + QStringLiteral(" "), QStringLiteral("1")).value, QString());
    fill(send_receive, QStringLiteral("1 "));
    expect_not_found();
    EXPECT_EQ(db.sql_text, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= '1 '"));
}

TEST_P(KubunNames, AClosedConnectionIsNotFound)
{
    db.close_database();
    fill(send_receive, QStringLiteral("1"));
    expect_not_found();
}

TEST(KubunNamePostgres, ASessionTheServerEndsIsMadeAgainAndTheNameFound)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "no PostgreSQL server (K4_PG_PORT unset)";
    Database db;
    db.open_database(sandbox.pg_dsn(), sandbox.pg_user(), QString(), QString());
    ASSERT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("1")).value, QStringLiteral("送信"));

    // The server ends the program's session as a shutdown does (57P01); the
    // lookup connects again and asks once more.
    sandbox.scalar(sandbox.pg_dsn(), QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                                    "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    const Result<QString> found = lookup_kubun_name(db, send_receive, QStringLiteral("1"));
    EXPECT_EQ(found.outcome, Outcome::done);
    EXPECT_EQ(found.value, QStringLiteral("送信"));
}

INSTANTIATE_TEST_SUITE_P(Backends, KubunNames, ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const auto& info) { return info.param.toStdString(); });
