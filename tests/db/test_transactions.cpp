// Writing: statements, transactions as another connection sees them, the
// DELETE-asterisk form, and closing with a transaction open.

#include "DbFixture.h"

namespace k4::test {
namespace {

using Write = DbBackendTest;

QString insert_statement(const QString& partner, const QString& type, const QString& code)
{
    return QStringLiteral("INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, "
                          "情報区分コード) VALUES ('%1', '%2', '%3')")
        .arg(partner, type, code);
}

TEST_P(Write, CommitShowsTheRowsToAnotherConnectionOnlyAtTheEnd)
{
    Database db;
    open(db);
    db.begin_trans();
    EXPECT_TRUE(db.in_transaction());
    db.execute_statement(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    db.execute_statement(insert_statement(QStringLiteral("C00001"), QStringLiteral("2"), QStringLiteral("0001")));
    EXPECT_EQ(master_rows_elsewhere(), 0);
    db.commit_trans();
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(master_rows_elsewhere(), 2);

    // Back in autocommit: a single statement is visible at once.
    db.execute_statement(insert_statement(QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0001")));
    EXPECT_EQ(master_rows_elsewhere(), 3);
}

TEST_P(Write, RollbackUndoesEverythingSinceBegin)
{
    run_elsewhere(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    Database db;
    open(db);
    db.rollback_trans();  // nothing open: harmless
    db.begin_trans();
    db.execute_statement(QStringLiteral("DELETE FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C00001'"));
    db.execute_statement(insert_statement(QStringLiteral("C00009"), QStringLiteral("2"), QStringLiteral("0009")));
    db.rollback_trans();
    db.rollback_trans();  // twice: harmless
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(scalar_elsewhere(QStringLiteral("SELECT 相手先企業コード FROM FL1914利用情報区分マスタ")),
              QStringLiteral("C00001"));
    EXPECT_EQ(master_rows_elsewhere(), 1);
}

TEST_P(Write, TransactionGuardRollsBackUnlessCommitted)
{
    Database db;
    open(db);
    {
        Transaction t(db);
        db.execute_statement(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    }
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(master_rows_elsewhere(), 0);
    {
        Transaction t(db);
        db.execute_statement(db.sql_text);
        t.commit();
    }
    EXPECT_EQ(master_rows_elsewhere(), 1);
}

TEST_P(Write, AFailedStatementKeepsItsTransactionFromBeingCommitted)
{
    // SQLite would keep the statements before the failure and psqlODBC would
    // report success while rolling back: neither may look like a commit.
    Database db;
    open(db);
    db.begin_trans();
    db.execute_statement(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    db.sql_text = QStringLiteral("INSERT INTO 無いテーブル VALUES ('x')");
    EXPECT_THROW(db.execute_statement(db.sql_text), DbError);
    try {
        db.commit_trans();
        FAIL() << "a transaction with a failed statement was committed";
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlstate(), QStringLiteral("40000"));
    }
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(master_rows_elsewhere(), 0);

    // The next transaction starts clean.
    db.begin_trans();
    db.execute_statement(insert_statement(QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0001")));
    db.commit_trans();
    EXPECT_EQ(master_rows_elsewhere(), 1);
}

TEST_P(Write, DuplicateRowIsRefusedWithTheDriversDetail)
{
    Database db;
    open(db);
    db.execute_statement(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    try {
        db.execute_statement(db.sql_text);
        FAIL() << "the primary key let a duplicate in";
    } catch (const DbError& e) {
        EXPECT_EQ(e.statement(), db.sql_text);
        EXPECT_FALSE(e.driver_text().isEmpty());
        if (is_postgres()) {
            EXPECT_EQ(e.sqlstate(), QStringLiteral("23505"));
        } else {
            // SQLite reports every error as HY000 with its own result code.
            EXPECT_EQ(e.sqlstate(), QStringLiteral("HY000"));
            EXPECT_EQ(e.native_error(), 19);  // SQLITE_CONSTRAINT
        }
    }
    EXPECT_EQ(master_rows_elsewhere(), 1);
}

TEST_P(Write, DeleteAsteriskRunsAdaptedWithTheStatementTextUnchanged)
{
    run_elsewhere(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    run_elsewhere(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0002")));
    Database db;
    open(db);
    const QString removal = QStringLiteral("DELETE * ") + QStringLiteral(" FROM FL1914利用情報区分マスタ")
        + QStringLiteral(" WHERE 相手先企業コード = '") + QStringLiteral("C00001") + QStringLiteral("'")
        + QStringLiteral(" AND 送受信種別 = '") + QStringLiteral("1") + QStringLiteral("'")
        + QStringLiteral(" AND 情報区分コード = '") + QStringLiteral("0002") + QStringLiteral("'");
    db.begin_trans();
    EXPECT_EQ(db.execute_statement(removal), 1) << "the rows it touched";
    EXPECT_EQ(db.sql_text, removal);
    db.commit_trans();
    EXPECT_EQ(master_rows_elsewhere(), 1);
    EXPECT_EQ(scalar_elsewhere(QStringLiteral("SELECT 情報区分コード FROM FL1914利用情報区分マスタ")),
              QStringLiteral("0001"));

    // Run again, it touches no row: still success, and counted as none.
    EXPECT_EQ(db.execute_statement(db.sql_text), 0);
    EXPECT_EQ(master_rows_elsewhere(), 1);
    run_elsewhere(insert_statement(QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0001")));
    EXPECT_EQ(db.execute_statement(QStringLiteral("DELETE FROM FL1914利用情報区分マスタ WHERE 送受信種別 = '1'")), 2);
}

TEST_P(Write, ClosingRollsBackAnOpenTransaction)
{
    Database db;
    open(db);
    db.begin_trans();
    db.execute_statement(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    ResultSet rs;
    rs = db.open_query(QStringLiteral("SELECT * FROM FL1914利用情報区分マスタ"));  // a statement still open as well
    db.close_database();
    EXPECT_FALSE(db.is_open());
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(master_rows_elsewhere(), 0);

    // Nothing is left locked: another connection can write at once.
    run_elsewhere(insert_statement(QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0001")));
    EXPECT_EQ(master_rows_elsewhere(), 1);
}

TEST(StatementAdaptation, DeleteAsteriskLosesItsAsteriskExceptOnAccess)
{
    const QString sqlite = QStringLiteral("sqlite3odbc.so");
    EXPECT_EQ(Database::adapt_statement(QStringLiteral("DELETE *  FROM T WHERE a = '*'"), sqlite),
              QStringLiteral("DELETE  FROM T WHERE a = '*'"));
    EXPECT_EQ(Database::adapt_statement(QStringLiteral("delete * from T"), QStringLiteral("psqlodbcw.so")),
              QStringLiteral("delete from T"));
    // Only the exact form: DELETE, one blank, asterisk, blank.
    for (const QString& other : {QStringLiteral("DELETE FROM T"), QStringLiteral("DELETE  * FROM T"),
                                 QStringLiteral("DELETE *FROM T"), QStringLiteral("SELECT * FROM T"),
                                 QStringLiteral(" DELETE * FROM T"), QStringLiteral("DELETE *")})
        EXPECT_EQ(Database::adapt_statement(other, sqlite), other) << other.toStdString();
    // Microsoft Access drivers take the form as it stands.
    for (const QString& access : {QStringLiteral("ODBCJT32.DLL"), QStringLiteral("aceodbc.dll")})
        EXPECT_EQ(Database::adapt_statement(QStringLiteral("DELETE * FROM T"), access),
                  QStringLiteral("DELETE * FROM T"));
}

K4_INSTANTIATE_BACKENDS(Write);

}  // namespace
}  // namespace k4::test
