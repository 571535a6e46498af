// The store on each database the program runs on: every operation answers in
// its outcome, what it wrote is exactly what the table holds, and nothing is
// left half written whatever it came to.
#include "DbFixture.h"
#include "TcpRelay.h"

#include "db/Database.h"
#include "store/DbMasterStore.h"

namespace k4::test {
namespace {

class Store : public DbBackendTest {
protected:
    void SetUp() override
    {
        DbBackendTest::SetUp();
        if (IsSkipped())
            return;
        run_elsewhere(QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES ('C00001', '1', '0001')"));
        run_elsewhere(QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES (' C00002', '2', '0002')"));
        open(db);
    }
    QString rows() { return scalar_elsewhere(QStringLiteral(
        "SELECT COUNT(*) FROM FL1914利用情報区分マスタ")); }
    bool there(const QString& partner, const QString& type, const QString& code)
    {
        return scalar_elsewhere(QStringLiteral("SELECT COUNT(*) FROM FL1914利用情報区分マスタ WHERE "
                                               "相手先企業コード = '%1' AND 送受信種別 = '%2' AND "
                                               "情報区分コード = '%3'").arg(partner, type, code))
            == QStringLiteral("1");
    }

    Database db;
    DbMasterStore store{db};
};

TEST_P(Store, ListsAndWritesThatGoThroughAreDone)
{
    const Result<ListedRows> all = store.full_list();
    ASSERT_EQ(all.outcome, Outcome::done);
    ASSERT_EQ(all.value.count(), 2);
    // Cells trimmed, the type named; the stored values kept for the edged row
    // (first: a blank sorts before the letters).
    EXPECT_EQ(all.value.cell(1, ListedRows::partner), QByteArrayView("C00002"));
    EXPECT_EQ(all.value.cell(2, ListedRows::partner), QByteArrayView("C00001"));
    EXPECT_EQ(QString::fromUtf8(all.value.cell(1, ListedRows::type_name)), QStringLiteral("受信"));
    EXPECT_EQ(all.value.stored(1).partner_code, QStringLiteral(" C00002"));
    EXPECT_EQ(all.value.stored(2).partner_code, QStringLiteral("C00001"));
    EXPECT_EQ(all.value.exact().size(), 1u);

    const EntryValues added{QStringLiteral("C00003"), QStringLiteral("1"), QStringLiteral("0003")};
    EXPECT_EQ(store.write_entry(EntryKind::add, {}, added), Outcome::done);
    EXPECT_EQ(store.find_entry(added).value, true);
    EXPECT_EQ(store.partner_list(QStringLiteral("C00003")).value.count(), 1);

    // A change removes the listed row exactly as stored and puts the new one.
    const EntryValues changed{QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0002")};
    EXPECT_EQ(store.write_entry(EntryKind::change, all.value.stored(1), changed), Outcome::done);
    EXPECT_FALSE(there(QStringLiteral(" C00002"), QStringLiteral("2"), QStringLiteral("0002")));
    EXPECT_TRUE(there(QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0002")));

    EXPECT_EQ(store.delete_entry(added), Outcome::done);
    EXPECT_EQ(store.find_entry(added).value, false);
    EXPECT_EQ(rows(), QStringLiteral("2"));
    const Result<QString> name = store.transfer_type_name(QStringLiteral("1"));
    EXPECT_EQ(name.outcome, Outcome::done);
    EXPECT_EQ(name.value, QStringLiteral("送信"));
}

TEST_P(Store, WritesThatCannotGoThroughLeaveTheTableAsItWas)
{
    const EntryValues row1{QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")};
    const EntryValues gone{QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0001")};
    const EntryValues fresh{QStringLiteral("C00004"), QStringLiteral("1"), QStringLiteral("0004")};

    // No partner code: refused before anything is tried.
    EXPECT_EQ(store.write_entry(EntryKind::add, {}, {QStringLiteral("  "), QStringLiteral("1"),
                                                     QStringLiteral("0001")}),
              Outcome::refused);
    // The listed row is no longer there: nothing removed, nothing put.
    EXPECT_EQ(store.write_entry(EntryKind::change, gone, fresh), Outcome::absent);
    EXPECT_FALSE(there(fresh.partner_code, fresh.transfer_type, fresh.info_code));
    EXPECT_EQ(store.delete_entry(gone), Outcome::absent);
    // The trimmed value names another row than the stored one.
    EXPECT_EQ(store.delete_entry({QStringLiteral("C00002"), QStringLiteral("2"), QStringLiteral("0002")}),
              Outcome::absent);
    // A change whose insertion the table refuses (the row exists) puts the
    // removed row back with the rest of the transaction.
    EXPECT_EQ(store.write_entry(EntryKind::change, row1,
                                {QStringLiteral(" C00002"), QStringLiteral("2"), QStringLiteral("0002")}),
              Outcome::failed);
    EXPECT_TRUE(there(row1.partner_code, row1.transfer_type, row1.info_code));
    EXPECT_EQ(rows(), QStringLiteral("2"));
    EXPECT_EQ(store.transfer_type_name(QStringLiteral("9")).outcome, Outcome::absent);
}

K4_INSTANTIATE_BACKENDS(Store);

TEST(StoreUnreachable, EveryOperationSaysSoWhenTheServerCannotBeReached)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "K4_PG_PORT is not set: no PostgreSQL test server";
    auto relay = std::make_unique<TcpRelay>(sandbox.relay_port(), sandbox.pg_port());
    Database db;
    db.open_database(sandbox.relay_dsn(), sandbox.pg_user(), QString(), QStringLiteral("PC01"));
    DbMasterStore store(db);
    ASSERT_EQ(store.full_list().outcome, Outcome::done);

    relay->refuse_connections(true);
    relay.reset();   // the connection cut, nothing listening: connecting again fails
    const EntryValues row{QStringLiteral("C00005"), QStringLiteral("1"), QStringLiteral("0005")};
    EXPECT_EQ(store.full_list().outcome, Outcome::unreachable);
    EXPECT_EQ(store.partner_list(QStringLiteral("C00001")).outcome, Outcome::unreachable);
    EXPECT_EQ(store.find_entry(row).outcome, Outcome::unreachable);
    EXPECT_EQ(store.write_entry(EntryKind::add, {}, row), Outcome::unreachable);
    EXPECT_EQ(store.delete_entry(row), Outcome::unreachable);
    EXPECT_EQ(store.transfer_type_name(QStringLiteral("1")).outcome, Outcome::unreachable);
    EXPECT_FALSE(sandbox.scalar(sandbox.pg_dsn(), QStringLiteral(
        "SELECT COUNT(*) FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C00005'"))
                     .value_or(QString()).toInt());
}

}  // namespace
}  // namespace k4::test
