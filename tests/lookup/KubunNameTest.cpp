// Classification names from 区分マスタ on each database the program runs on.

#include "OdbcSandbox.h"
#include "ScriptedMessages.h"
#include "db/Database.h"
#include "lookup/KubunName.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace k4;
using namespace k4::test;

namespace {

const QString send_receive = QStringLiteral("送受信種別");

class KubunName : public ::testing::TestWithParam<QString> {
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

    // fill_kubun_name on a typed code, the label holding an old name and the
    // status preset to 0 as the caller does.
    void fill(const QString& kind, const QString& typed)
    {
        messages.clear();
        code.setText(typed);
        name.setText(QStringLiteral("前の名称"));
        status = 0;
        fill_kubun_name(db, messages, kind, &code, &name, status);
    }

    void expect_found(const QString& expected)
    {
        EXPECT_EQ(name.text(), expected);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(messages.shown().empty());
    }

    void expect_not_found()
    {
        EXPECT_EQ(name.text(), QString());
        EXPECT_EQ(status, 9);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, QStringLiteral("該当データがありませんでした"));
        EXPECT_EQ(messages.shown()[0].style, 0);   // OK only, no icon
        EXPECT_EQ(messages.shown()[0].caption, QStringLiteral("K408020"));
    }

    QString dsn;
    Database db;
    ScriptedMessages messages;
    QLineEdit code;
    QLabel name;
    int status = 0;
};

}  // namespace

TEST_P(KubunName, NamesAKnownCodeWithTheExactStatement)
{
    fill(send_receive, QStringLiteral("1"));
    expect_found(QStringLiteral("送信"));
    EXPECT_EQ(db.sql_text, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= '1'"));
    EXPECT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("2")), QStringLiteral("受信"));
}

TEST_P(KubunName, NoRowNullOrEmptyNameAreNotFound)
{
    fill(send_receive, QStringLiteral("9"));
    expect_not_found();
    const QString kind = QStringLiteral("空名称種別");
    add(kind, QStringLiteral("1"), QStringLiteral("NULL"));
    add(kind, QStringLiteral("2"), QStringLiteral("''"));
    fill(kind, QStringLiteral("1"));
    expect_not_found();
    fill(kind, QStringLiteral("2"));
    expect_not_found();
}

TEST_P(KubunName, TwoRowsGiveTheFirstTheDatabaseReturns)
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

TEST_P(KubunName, ApostrophesStayInsideTheirLiterals)
{
    fill(send_receive, QStringLiteral("'"));
    expect_not_found();
    EXPECT_EQ(db.sql_text, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= ''''"));

    add(QStringLiteral("引用''種別"), QStringLiteral("a''b"), QStringLiteral("'引用名'"));
    EXPECT_EQ(lookup_kubun_name(db, QStringLiteral("引用'種別"), QStringLiteral("a'b")), QStringLiteral("引用名"));
    EXPECT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("x' OR 区分ｺｰﾄﾞ<>'")), QString());
}

TEST_P(KubunName, CodeAndKindAreLookedForUntrimmed)
{
    add(QStringLiteral("空白種別"), QStringLiteral("3 "), QStringLiteral("'空白付き'"));
    EXPECT_EQ(lookup_kubun_name(db, QStringLiteral("空白種別"), QStringLiteral("3 ")), QStringLiteral("空白付き"));
    EXPECT_EQ(lookup_kubun_name(db, QStringLiteral("空白種別"), QStringLiteral("3")), QString());
    EXPECT_EQ(lookup_kubun_name(db, send_receive + QStringLiteral(" "), QStringLiteral("1")), QString());
    fill(send_receive, QStringLiteral("1 "));
    expect_not_found();
    EXPECT_EQ(db.sql_text, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= '1 '"));
}

TEST_P(KubunName, AClosedConnectionIsNotFoundAndNoCodeControlIsSilent)
{
    status = 0;
    name.setText(QStringLiteral("前の名称"));
    fill_kubun_name(db, messages, send_receive, nullptr, &name, status);
    EXPECT_EQ(name.text(), QString());
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(messages.shown().empty());

    db.close_database();
    fill(send_receive, QStringLiteral("1"));
    expect_not_found();
}

TEST(KubunNamePostgres, AServerThatStopsAnsweringIsNotFound)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "no PostgreSQL server (K4_PG_PORT unset)";
    Database db;
    db.open_database(sandbox.pg_dsn(), sandbox.pg_user(), QString(), QString());
    ASSERT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("1")), QStringLiteral("送信"));

    // The server ends the program's session as a shutdown does (57P01).
    sandbox.scalar(sandbox.pg_dsn(), QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                                    "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    ScriptedMessages messages;
    QLineEdit code(QStringLiteral("1"));
    QLabel name(QStringLiteral("送信"));
    int status = 0;
    fill_kubun_name(db, messages, send_receive, &code, &name, status);
    EXPECT_EQ(name.text(), QString());
    EXPECT_EQ(status, 9);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("該当データがありませんでした")});
}

INSTANTIATE_TEST_SUITE_P(Backends, KubunName, ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const auto& info) { return info.param.toStdString(); });
