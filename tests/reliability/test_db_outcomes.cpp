// The outcome told is the outcome, on the server database with the network cut
// at exact moments (a relay between psqlODBC and the server): a commit whose
// answer is lost is read back before the operator is told anything, a loss
// found while fetching keeps its transaction from being committed, and a loss
// again right after connecting again is a connection error, not a not-found.
#include "ProgramHarness.h"
#include "LogLines.h"
#include "TcpRelay.h"

#include "db/Database.h"
#include "store/Statements.h"
#include "ui/Controls.h"
#include "ui/MessageService.h"

#include <QLabel>

namespace k4::test {
namespace {

const std::vector<MasterRow> sample_rows = {
    {QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")},
    {QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0003")},
};

class Outcomes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!sandbox().has_postgres())
            GTEST_SKIP() << "no PostgreSQL server configured (K4_PG_PORT)";
        reset_schema(QStringLiteral("postgresql"));
        set_master_rows(sandbox().pg_dsn(), sample_rows);
    }
    static OdbcSandbox& sandbox() { return OdbcSandbox::shared(); }
    // The program connected through the relay.
    void start_through_relay()
    {
        relay = std::make_unique<TcpRelay>(sandbox().relay_port(), sandbox().pg_port());
        h = std::make_unique<ProgramHarness>(sandbox().relay_dsn(), sandbox().pg_user());
        ASSERT_NO_FATAL_FAILURE(h->start());
    }
    QStringList table() const { return master_rows(sandbox().pg_dsn()); }

    std::unique_ptr<TcpRelay> relay;
    std::unique_ptr<ProgramHarness> h;
};

TEST_F(Outcomes, ACommitWhoseAnswerIsLostIsReadBackBeforeTheOperatorIsTold)
{
    LogLines log({.category = "k4.db", .echo = true});
    start_through_relay();

    // The server commits, the answer never arrives: read back, it is there.
    h->at_question(msg::confirm_update, [&] { relay->drop_after_reply_to("COMMIT"); });
    h->add_row(QStringLiteral("C00007"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    EXPECT_TRUE(table().contains(QStringLiteral("C00007|1|0004")));
    EXPECT_TRUE(h->grid_rows().join(u' ').contains(QStringLiteral("C00007|1|")));
    ASSERT_EQ(h->system_log.size(), 1);
    EXPECT_TRUE(h->system_log[0].startsWith(QStringLiteral("added ")));
    EXPECT_EQ(h->screen->input_phase, Phase::head);

    // The commit never reaches the server: read back, it is not there.
    h->messages.clear();
    h->system_log.clear();
    h->at_question(msg::confirm_update, [&] { relay->drop_before("COMMIT"); });
    h->add_row(QStringLiteral("C00008"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::update_failed}));
    EXPECT_FALSE(table().join(u' ').contains(QStringLiteral("C00008")));
    EXPECT_TRUE(h->system_log.isEmpty());

    // A deletion's commit answered into the void: the row is gone, and said so.
    h->messages.clear();
    h->click_cell(2, 1);
    ASSERT_EQ(h->form->ATCD->text(), QStringLiteral("C00002"));
    h->at_question(msg::confirm_delete, [&] { relay->drop_after_reply_to("COMMIT"); });
    h->messages.plan(mb::IdOK);
    h->click_button(2);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_FALSE(table().contains(QStringLiteral("C00002|1|0003")));
    ASSERT_EQ(h->system_log.size(), 1);
    EXPECT_TRUE(h->system_log[0].startsWith(QStringLiteral("deleted ")));

    // Committed, the answer lost, and the server out of reach: 接続エラー, the
    // values in the log as an outcome unknown.
    h->messages.clear();
    h->system_log.clear();
    h->at_question(msg::confirm_update, [&] {
        relay->drop_after_reply_to("COMMIT");
        relay->refuse_connections(true);
    });
    h->add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::connect_error}));
    EXPECT_TRUE(table().contains(QStringLiteral("C00009|1|0004")));
    EXPECT_TRUE(h->system_log.isEmpty());
    EXPECT_TRUE(log.warnings().filter(QStringLiteral("outcome unknown")).join(u' ').contains(QStringLiteral("C00009/1/0004")))
        << log.warnings().join(u'\n').toStdString();
    relay->refuse_connections(false);
    EXPECT_EQ(relay->drops(), 4);
}

TEST_F(Outcomes, AFetchLostInsideATransactionIsNeverCommitted)
{
    // psqlODBC with UseDeclareFetch=1 fetches two rows at a time in SQLFetch;
    // once its session is gone it counts itself outside a transaction and
    // would answer a commit with success without sending it.
    std::vector<MasterRow> rows;
    for (int i = 100; i < 120; ++i)
        rows.push_back({QStringLiteral("P%1").arg(i), QStringLiteral("1"), QStringLiteral("0001")});
    set_master_rows(sandbox().pg_dsn(), rows);
    Database db;
    db.open_database(sandbox().declare_fetch_dsn(), sandbox().pg_user(), QString(), QStringLiteral("PC01"));
    const QString pid = db.open_query(QStringLiteral("SELECT pg_backend_pid()")).value(0).value_or(QString());
    db.begin_trans();
    EXPECT_EQ(db.execute_statement(sql::delete_entry(QStringLiteral("P105"), QStringLiteral("1"), QStringLiteral("0001"))), 1);
    ResultSet list = db.open_query(sql::full_list());
    ASSERT_FALSE(list.eof());
    list.move_next();
    ASSERT_EQ(sandbox()
                  .scalar(sandbox().pg_dsn(), QStringLiteral("SELECT pg_terminate_backend(%1, 10000)").arg(pid))
                  .value_or(QString()),
              QStringLiteral("1"));
    bool lost = false;
    for (int i = 0; i < 40 && !lost; ++i) {
        try {
            list.move_next();
        } catch (const DbError& e) {
            lost = e.connection_lost();
        }
    }
    ASSERT_TRUE(lost) << "no fetch met the ended session";
    try {
        db.commit_trans();
        ADD_FAILURE() << "a commit after the session was lost was reported as done";
    } catch (const DbError& e) {
        EXPECT_FALSE(e.outcome_unknown()) << "nothing was sent: nothing can have been committed";
    }
    EXPECT_FALSE(db.in_transaction());
    EXPECT_TRUE(master_rows(sandbox().pg_dsn()).contains(QStringLiteral("P105|1|0001")));
    // The next statement connects again.
    EXPECT_EQ(db.open_query(QStringLiteral("SELECT COUNT(*) FROM FL1914利用情報区分マスタ")).value(0),
              std::optional<QString>(QStringLiteral("20")));
}

TEST_F(Outcomes, ALossAgainRightAfterConnectingAgainIsAConnectionError)
{
    start_through_relay();
    h->begin_add(QStringLiteral("C00009"));
    // The name lookup's session is cut, and the new session's as well.
    relay->drop_before("区分名称", 2);
    h->type(QStringLiteral("1"));
    EXPECT_EQ(h->messages.texts(), QStringList{msg::connect_error});
    EXPECT_EQ(h->focus(), h->form->SJSHU);
    EXPECT_EQ(relay->drops(), 2);

    // Once the network holds, the same check works.
    h->messages.clear();
    h->key(Qt::Key_Return);
    EXPECT_TRUE(h->messages.shown().empty()) << h->messages.texts().join(u' ').toStdString();
    EXPECT_EQ(h->form->lbl_SJNM->text(), QStringLiteral("送信"));
}

}  // namespace
}  // namespace k4::test
