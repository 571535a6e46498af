// What the screen does when the database fails under it or another operator
// acts on the same rows: the program's own session killed on the server, a
// change whose insert fails after the old row was removed, two operators
// adding or changing the same row, a row changed or deleted by another
// operator while this one is asked, and statements that run into the query
// time-out behind a lock. Nothing may be half-written, the operator is told
// what happened, and the program goes on answering keys.
#include "ScreenFixture.h"

#include "db/Database.h"
#include "store/DbMasterStore.h"
#include "store/Statements.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"

#include <QLabel>
#include <QTest>
#include <atomic>
#include <thread>

namespace k4::test {
namespace {

const QStringList sample_table = table_of(standard_rows());

class DbFaults : public ScreenBackendTest {
protected:
    void prepare() override
    {
        h->reset_schema();
        h->set_rows(standard_rows());
    }
    void TearDown() override
    {
        h.reset();
        other.close_database();
    }

    // A second operator on the same data source, through the program's own layer.
    void open_other(int query_timeout_seconds = 10)
    {
        other.query_timeout_seconds = query_timeout_seconds;
        other.open_database(dsn(), user(), QString(), QStringLiteral("PC02"));
    }

    // Lock waits end after two seconds on the server database, which honours
    // the query time-out. The SQLite driver does not: a lock wait there lasts
    // the data source's busy time-out (Timeout, 30 s in the test data source).
    static void short_query_timeout(Database& db) { db.query_timeout_seconds = 2; }

    // The server process serving the program's own connection.
    QString program_backend_pid()
    {
        Database& db = h->app->db;
        db.sql_text = QStringLiteral("SELECT pg_backend_pid() AS pid");
        ResultSet result;
        result = db.open_query(db.sql_text);
        return result.value(0).value_or(QString());
    }
    // Ends the program's session on the server, waiting until it is gone.
    void terminate_program_session(const QString& pid)
    {
        const auto done = OdbcSandbox::shared().scalar(
            dsn(), QStringLiteral("SELECT pg_terminate_backend(%1, 10000)").arg(pid));
        ASSERT_EQ(done.value_or(QString()), QStringLiteral("1"));
    }

    Database other;
};

// --- the program's own session ends on the server ---------------------------

class SessionLost : public DbFaults {
protected:
    void prepare() override
    {
        if (!postgres())
            GTEST_SKIP() << "a session that the server ends exists only on the server database";
        DbFaults::prepare();
        ASSERT_NO_FATAL_FAILURE(start());
        pid = program_backend_pid();
        ASSERT_FALSE(pid.isEmpty());
        grid_before = h->grid_rows();
        ASSERT_EQ(grid_before.size(), 3);
    }
    QString pid;
    QStringList grid_before;
};

TEST_P(SessionLost, AnAddAfterTheSessionEndedConnectsAgainAndIsSaved)
{
    // The session ends while the operator reads the question: the save's
    // transaction has not begun, so the program connects again and saves.
    h->at_question(msg::confirm_update, [&] { terminate_program_session(pid); });
    h->add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    EXPECT_EQ(master_rows(dsn()), sample_table + QStringList{QStringLiteral("C00009|1|0004")});
    EXPECT_EQ(h->grid_rows().size(), grid_before.size() + 1);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_NE(program_backend_pid(), pid);
    h->expect_still_answers();
}

TEST_P(SessionLost, AChangeAfterTheSessionEndedConnectsAgainAndIsSaved)
{
    h->at_question(msg::confirm_update, [&] { terminate_program_session(pid); });
    EXPECT_EQ(h->change_row(3, QStringLiteral("2"), mb::IdYes), QStringLiteral("受信"));
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    EXPECT_EQ(master_rows(dsn()), (QStringList{QStringLiteral("C00001|1|0001"), QStringLiteral("C00001|2|0002"),
                                               QStringLiteral("C00002|2|0003")}));
    EXPECT_EQ(screen().input_phase, Phase::head);
    h->expect_still_answers();
}

TEST_P(SessionLost, ASessionEndedDuringTheDeletionQuestionCostsNothing)
{
    // Nothing is held across the question: Cancel ends the deletion without
    // a word, and OK deletes on a session made again.
    h->at_question(msg::confirm_delete, [&] { terminate_program_session(pid); });
    h->delete_row(2, mb::IdCancel);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_EQ(master_rows(dsn()), sample_table);

    h->messages.clear();
    pid = program_backend_pid();
    h->at_question(msg::confirm_delete, [&] { terminate_program_session(pid); });
    h->delete_row(2, mb::IdOK);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_FALSE(master_rows(dsn()).contains(QStringLiteral("C00001|2|0002")));
    EXPECT_EQ(h->grid_rows().size(), 2);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_FALSE(h->app->db.in_transaction());
    ASSERT_EQ(h->system_log.size(), 1);
    EXPECT_TRUE(h->system_log[0].startsWith(QStringLiteral("deleted ")));
    h->expect_still_answers();
}

TEST_P(SessionLost, ASearchAfterTheSessionEndedConnectsAgain)
{
    terminate_program_session(pid);
    form().KATCD->setText(QStringLiteral("C00001"));
    h->key(Qt::Key_Return);
    EXPECT_TRUE(h->messages.shown().empty()) << h->messages.texts().join(u' ').toStdString();
    EXPECT_EQ(h->grid_rows().size(), 2);
    EXPECT_EQ(screen().input_phase, Phase::body);
    EXPECT_EQ(h->focus(), form().SJSHU);
    h->key(Qt::Key_F2);
    h->key(Qt::Key_Escape);
    h->expect_still_answers();
}

// --- a change whose insert fails after the old row was removed -----------------

TEST_P(DbFaults, AChangeWhoseInsertFailsPutsTheOldRowBack)
{
    start();
    // While the operator is asked, another operator writes the row the change
    // is about to insert: the removal of the old row has to be undone.
    h->at_question(msg::confirm_update, [&] {
        OdbcSandbox::shared().execute(
            dsn(), QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES ('C00002', '2', '0003')"));
    });
    EXPECT_EQ(h->change_row(3, QStringLiteral("2"), mb::IdYes), QStringLiteral("受信"));
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::update_failed}));
    EXPECT_EQ(master_rows(dsn()), sample_table + QStringList{QStringLiteral("C00002|2|0003")});
    // The screen refreshes after a failed save: both rows are listed.
    EXPECT_EQ(screen().grid_row_count, 4);
    EXPECT_FALSE(h->app->db.in_transaction());
}

// --- two operators adding the same row -------------------------------------------

TEST_P(DbFaults, TwoOperatorsAddingTheSameRowLeaveExactlyOne)
{
    start();
    open_other();
    Outcome other_outcome = Outcome::failed;
    // The other operator saves the same row after this one's duplicate check.
    h->at_question(msg::confirm_update, [&] {
        other_outcome = DbMasterStore(other).write_entry(
            EntryKind::add, {}, {QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004")});
    });
    h->add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    EXPECT_EQ(other_outcome, Outcome::done);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::update_failed}));
    EXPECT_EQ(master_rows(dsn()).count(QStringLiteral("C00009|1|0004")), 1);
    EXPECT_EQ(master_rows(dsn()).size(), 4);
}

TEST_P(DbFaults, AnInsertWaitingForAnotherOperatorsOpenInsertFailsCleanly)
{
    if (!postgres())
        GTEST_SKIP() << "SQLite has one writer at a time: the second insert never waits on a row";
    start();
    const QString pid = program_backend_pid();
    open_other();
    std::thread committer;
    std::atomic<bool> saw_wait{false};
    // The other operator has inserted the same row but not committed yet when
    // this operator's insert arrives; it commits while this insert waits on it.
    h->at_question(msg::confirm_update, [&] {
        other.begin_trans();
        other.execute_statement(sql::insert_entry(QStringLiteral("C00009"), QStringLiteral("1"),
                                           QStringLiteral("0004")));
        committer = std::thread([&] {
            const QString waiting = QStringLiteral(
                "SELECT COUNT(*) FROM pg_stat_activity WHERE pid = %1 AND wait_event_type = 'Lock'").arg(pid);
            for (int i = 0; i < 3000 && !saw_wait; ++i) {
                saw_wait = OdbcSandbox::shared().scalar(dsn(), waiting).value_or(QString()) == u"1";
                if (!saw_wait)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            other.commit_trans();
        });
    });
    h->add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    committer.join();
    EXPECT_TRUE(saw_wait) << "the program's insert never waited for the other operator's row";
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::update_failed}));
    EXPECT_EQ(master_rows(dsn()).count(QStringLiteral("C00009|1|0004")), 1);
    EXPECT_FALSE(h->app->db.in_transaction());
}

// --- another operator acts on the same rows ------------------------------------

TEST_P(DbFaults, AChangeOrDeletionOfARowAnotherOperatorChangedOrDeletedIsToldAndWritesNothing)
{
    start();
    const QString c2 = QStringLiteral("C00002|1|0003");
    const QString deleted_c2 = QStringLiteral("DELETE FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C00002'");
    struct Case {
        const char* what;
        QString other;          // what the other operator does meanwhile
        QStringList table;      // the table afterwards: the other operator's work only
        int act;                // 0 change with Yes, 1 Esc (save without asking), 2 delete with OK
    };
    QStringList without_c2 = sample_table;
    without_c2.removeAll(c2);
    QStringList without_c1_2 = sample_table;
    without_c1_2.removeAll(QStringLiteral("C00001|2|0002"));
    const Case cases[] = {
        {"change of a deleted row", deleted_c2, without_c2, 0},
        {"change of a changed row",
         QStringLiteral("UPDATE FL1914利用情報区分マスタ SET 情報区分コード = '0004' WHERE 相手先企業コード = 'C00002'"),
         without_c2 + QStringList{QStringLiteral("C00002|1|0004")}, 0},
        {"Esc on a deleted row", deleted_c2, without_c2, 1},
        {"deletion of a deleted row",
         QStringLiteral("DELETE FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C00001' AND 送受信種別 = '2'"),
         without_c1_2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set_master_rows(dsn(), standard_rows());
        ASSERT_TRUE(screen().reload_full_list() == Outcome::done);
        h->messages.clear();
        h->system_log.clear();
        auto other_acts = [&] { OdbcSandbox::shared().execute(dsn(), c.other); };
        if (c.act == 0) {
            h->at_question(msg::confirm_update, other_acts);
            EXPECT_EQ(h->change_row(3, QStringLiteral("2"), mb::IdYes), QStringLiteral("受信"));
            EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::no_such_data}));
        } else if (c.act == 1) {
            h->click_cell(3, 1);
            form().JKBN->setFocus();
            form().JKBN->setText(QStringLiteral("0005"));
            other_acts();
            h->key(Qt::Key_Escape);
            EXPECT_EQ(h->messages.texts(), QStringList{msg::no_such_data});
        } else {
            h->at_question(msg::confirm_delete, other_acts);
            h->delete_row(2, mb::IdOK);
            EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_delete, msg::no_such_data}));
        }
        EXPECT_EQ(h->messages.shown().back().style, mb::OKOnly + mb::Exclamation);
        EXPECT_EQ(master_rows(dsn()), c.table);
        EXPECT_EQ(h->grid_rows().size(), c.table.size()) << "the grid shows the table as it is now";
        EXPECT_EQ(screen().input_phase, Phase::head);
        EXPECT_EQ(h->focus(), form().KATCD);
        EXPECT_TRUE(h->system_log.isEmpty()) << h->system_log.join(u' ').toStdString();
        EXPECT_FALSE(h->app->db.in_transaction());
    }
}

TEST_P(DbFaults, TwoOperatorsChangingOneRowAtOnceMakeExactlyOneChange)
{
    start();
    open_other();
    std::thread committer;
    // The other operator's change of the same row is written but not yet
    // committed when this operator's arrives, which waits and then finds the
    // row gone.
    h->at_question(msg::confirm_update, [&] {
        other.begin_trans();
        EXPECT_EQ(other.execute_statement(sql::remove_changed_row(QStringLiteral("C00002"), QStringLiteral("1"),
                                                                  QStringLiteral("0003"))),
                  1);
        other.execute_statement(sql::insert_entry(QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0004")));
        committer = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            other.commit_trans();
        });
    });
    EXPECT_EQ(h->change_row(3, QStringLiteral("2"), mb::IdYes), QStringLiteral("受信"));
    committer.join();
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::no_such_data}));
    EXPECT_EQ(master_rows(dsn()), (QStringList{QStringLiteral("C00001|1|0001"), QStringLiteral("C00001|2|0002"),
                                               QStringLiteral("C00002|1|0004")}));
    EXPECT_TRUE(h->system_log.isEmpty());
}

TEST_P(DbFaults, AnotherOperatorsSaveDuringTheDeletionQuestionAndTheDeletionBothGoThrough)
{
    start();
    open_other();
    short_query_timeout(other);
    Outcome other_outcome = Outcome::failed;
    h->at_question(msg::confirm_delete, [&] {
        other_outcome = DbMasterStore(other).write_entry(
            EntryKind::add, {}, {QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004")});
    });
    h->delete_row(2, mb::IdOK);
    EXPECT_EQ(other_outcome, Outcome::done);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_EQ(master_rows(dsn()), (QStringList{QStringLiteral("C00001|1|0001"), QStringLiteral("C00002|1|0003"),
                                               QStringLiteral("C00009|1|0004")}));
    EXPECT_EQ(h->grid_rows().size(), 3) << "refreshed after the commit, the other operator's row too";
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_FALSE(h->app->db.in_transaction());
    EXPECT_FALSE(other.in_transaction());
}

TEST_P(DbFaults, ADeletionBlockedByAnotherOperatorsOpenChangeTimesOut)
{
    start();
    short_query_timeout(h->app->db);
    open_other();
    h->at_question(msg::confirm_delete, [&] {
        // The other operator is in the middle of changing the same row.
        other.begin_trans();
        other.execute_statement(sql::delete_entry(QStringLiteral("C00001"), QStringLiteral("2"),
                                           QStringLiteral("0002")));
    });
    h->delete_row(2, mb::IdOK);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_delete, msg::update_failed}));
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_FALSE(h->app->db.in_transaction());
    other.rollback_trans();
    EXPECT_EQ(master_rows(dsn()), sample_table);

    // The program is usable again once the other operator is done.
    h->messages.clear();
    h->delete_row(2, mb::IdOK);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_FALSE(master_rows(dsn()).contains(QStringLiteral("C00001|2|0002")));
}

// --- statements that run into the query time-out ----------------------------------

TEST_P(DbFaults, AnInsertBehindAnotherOperatorsLockTimesOutAndKeepsTheGrid)
{
    start();
    const QStringList grid_before = h->grid_rows();
    short_query_timeout(h->app->db);
    open_other();
    h->at_question(msg::confirm_update, [&] {
        other.begin_trans();
        other.execute_statement(postgres()
            ? QStringLiteral("LOCK TABLE FL1914利用情報区分マスタ IN ACCESS EXCLUSIVE MODE")
            : QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES ('C00005', '1', '0005')"));
    });
    h->add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::update_failed}));
    EXPECT_FALSE(h->app->db.in_transaction());
    if (postgres()) {
        // The refresh waited behind the same lock and gave up: the grid is as it was.
        EXPECT_EQ(h->grid_rows(), grid_before);
    }
    EXPECT_EQ(screen().input_phase, Phase::head);
    other.rollback_trans();
    EXPECT_EQ(master_rows(dsn()), sample_table);
}

K4_INSTANTIATE_SCREEN_BACKENDS(DbFaults);
K4_INSTANTIATE_SCREEN_BACKENDS(SessionLost);

}  // namespace
}  // namespace k4::test
