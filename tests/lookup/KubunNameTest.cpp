// Classification names from 区分マスタ on each database the program runs on.

#include "OdbcSandbox.h"
#include "ScriptedMessages.h"
#include "app/Database.h"
#include "lookup/KubunName.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace k4;
using namespace k4::test;

namespace {

const QString send_receive = QStringLiteral("送受信種別");
const QString not_found = QStringLiteral("該当データがありませんでした");

class KubunName : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override
    {
        OdbcSandbox& sandbox = OdbcSandbox::shared();
        if (GetParam() == QStringLiteral("postgresql") && !sandbox.has_postgres())
            GTEST_SKIP() << "no PostgreSQL server (K4_PG_PORT unset)";
        dsn = sandbox.dsn(GetParam());
        db.open_database(dsn, sandbox.user(GetParam()), QString(), QString());
        name.setText(QStringLiteral("前の名称"));
    }

    void add(const QString& kind, const QString& code, const QString& value_sql)
    {
        OdbcSandbox::shared().execute(
            dsn, QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('%1', '%2', %3)")
                     .arg(kind, code, value_sql));
    }

    // Runs fill_kubun_name on `typed` with the status preset to 0.
    void fill(const QString& kind, const QString& typed)
    {
        code.setText(typed);
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
        EXPECT_EQ(messages.shown()[0].text, not_found);
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
    EXPECT_EQ(db.sql_text,
              QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= '1'"));
    EXPECT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("2")), QStringLiteral("受信"));
}

TEST_P(KubunName, NoRowEmptiesTheLabelAndTellsTheOperatorOnce)
{
    fill(send_receive, QStringLiteral("9"));
    expect_not_found();
    EXPECT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("9")), QString());
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
    EXPECT_EQ(db.sql_text,
              QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= ''''"));

    // A code or kind that holds an apostrophe is looked for as it stands.
    const QString kind = QStringLiteral("引用'種別");
    add(QStringLiteral("引用''種別"), QStringLiteral("a''b"), QStringLiteral("'引用名'"));
    EXPECT_EQ(lookup_kubun_name(db, kind, QStringLiteral("a'b")), QStringLiteral("引用名"));
    EXPECT_EQ(lookup_kubun_name(db, kind, QStringLiteral("a' OR '1'='1")), QString());
    EXPECT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("x' OR 区分ｺｰﾄﾞ<>'")), QString());
}

TEST_P(KubunName, NullOrEmptyNameIsNotFound)
{
    const QString kind = QStringLiteral("空名称種別");
    add(kind, QStringLiteral("1"), QStringLiteral("NULL"));
    add(kind, QStringLiteral("2"), QStringLiteral("''"));
    fill(kind, QStringLiteral("1"));
    expect_not_found();
    messages.clear();
    fill(kind, QStringLiteral("2"));
    expect_not_found();
}

TEST_P(KubunName, CodeAndKindAreLookedForUntrimmed)
{
    const QString kind = QStringLiteral("空白種別");
    add(kind, QStringLiteral("3 "), QStringLiteral("'空白付き'"));
    EXPECT_EQ(lookup_kubun_name(db, kind, QStringLiteral("3 ")), QStringLiteral("空白付き"));
    EXPECT_EQ(lookup_kubun_name(db, kind, QStringLiteral("3")), QString());
    EXPECT_EQ(lookup_kubun_name(db, send_receive + QStringLiteral(" "), QStringLiteral("1")), QString());

    fill(send_receive, QStringLiteral("1 "));
    expect_not_found();
    EXPECT_EQ(db.sql_text,
              QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= '1 '"));
}

TEST_P(KubunName, ALostConnectionIsNotFoundWithNoOtherMessage)
{
    db.close_database();
    fill(send_receive, QStringLiteral("1"));
    expect_not_found();
}

TEST_P(KubunName, WithoutACodeControlTheLabelIsEmptiedSilently)
{
    status = 0;
    fill_kubun_name(db, messages, send_receive, nullptr, &name, status);
    EXPECT_EQ(name.text(), QString());
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(KubunNamePostgres, AServerThatStopsAnsweringIsNotFound)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "no PostgreSQL server (K4_PG_PORT unset)";
    Database db;
    db.open_database(sandbox.pg_dsn(), sandbox.pg_user(), QString(), QString());
    ASSERT_EQ(lookup_kubun_name(db, send_receive, QStringLiteral("1")), QStringLiteral("送信"));

    // The server ends every session of this test's database but the one
    // asking, as it does when it shuts down.
    sandbox.scalar(sandbox.pg_dsn(),
                   QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                  "WHERE datname = current_database() AND pid <> pg_backend_pid()"));

    ScriptedMessages messages;
    QLineEdit code;
    QLabel name;
    code.setText(QStringLiteral("1"));
    name.setText(QStringLiteral("送信"));
    int status = 0;
    fill_kubun_name(db, messages, send_receive, &code, &name, status);
    EXPECT_EQ(name.text(), QString());
    EXPECT_EQ(status, 9);
    EXPECT_EQ(messages.texts(), QStringList{not_found});
}

INSTANTIATE_TEST_SUITE_P(Backends, KubunName, ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const auto& info) { return info.param.toStdString(); });
