// The list fill on the real window: values trimmed of blanks and nothing
// else, names found by the trimmed code, and a result set that cannot be read
// leaving the grid as it was. Runs on SQLite and on PostgreSQL.

#include "ScreenFixture.h"

#include "db/Database.h"
#include "store/DbMasterStore.h"
#include "store/Statements.h"
#include "ui/FlexGrid.h"

namespace k4::test {
namespace {

class ListFill : public ScreenBackendTest {
protected:
    void refill(const QString& statement)
    {
        const Result<ListedRows> rows = read_listed_rows(h->app->db, statement);
        ASSERT_EQ(rows.outcome, Outcome::done);
        screen().fill_grid(rows.value);
    }
    QStringList grid_row(int r)
    {
        QStringList cells;
        for (int c = 1; c <= 5; ++c)
            cells << grid().TextMatrix(r, c);
        return cells;
    }
};

TEST_P(ListFill, BlanksAreTrimmedAndNothingElseAndNamesFollowTheTrimmedCode)
{
    h->set_list_file({QStringLiteral("01  部門"), QStringLiteral("0001受注データ"),
                      QStringLiteral("01  後の同じコード")});
    h->set_rows({{QStringLiteral("  P 1  "), QStringLiteral("1"), QStringLiteral(" 01 ")},
                 {QStringLiteral("\tTAB "), QStringLiteral("2"), QStringLiteral("0001")},
                 {QStringLiteral("　全角　"), QStringLiteral("1"), QStringLiteral("0001")}});
    ASSERT_NO_FATAL_FAILURE(h->start());
    ASSERT_EQ(screen().grid_row_count, 3);
    // Ordered by the partner as stored: the tab sorts first, then the blanks.
    EXPECT_EQ(grid_row(1), (QStringList{QStringLiteral("\tTAB"), QStringLiteral("2"), QStringLiteral("受信"),
                                        QStringLiteral("0001"), QStringLiteral("受注データ")}));
    EXPECT_EQ(grid_row(2), (QStringList{QStringLiteral("P 1"), QStringLiteral("1"), QStringLiteral("送信"),
                                        QStringLiteral("01"), QStringLiteral("部門")}));
    EXPECT_EQ(grid_row(3), (QStringList{QStringLiteral("　全角　"), QStringLiteral("1"),
                                        QStringLiteral("送信"), QStringLiteral("0001"),
                                        QStringLiteral("受注データ")}));
}

TEST_P(ListFill, ARefillWithFewerRowsLeavesNoTraceOfTheLongerList)
{
    std::vector<MasterRow> rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back({QStringLiteral("P%1").arg(i, 5, 10, QChar(u'0')), QStringLiteral("1"),
                        QStringLiteral("0001")});
    h->set_rows(rows);
    ASSERT_NO_FATAL_FAILURE(h->start());
    ASSERT_EQ(screen().grid_row_count, 40);

    h->set_rows({{QStringLiteral("Q"), QStringLiteral("2"), QStringLiteral("0009")}});
    refill(sql::full_list());
    EXPECT_EQ(screen().grid_row_count, 1);
    EXPECT_EQ(grid().Rows(), 2);
    EXPECT_EQ(grid_row(1), (QStringList{QStringLiteral("Q"), QStringLiteral("2"), QStringLiteral("受信"),
                                        QStringLiteral("0009"), QString()}));
    EXPECT_EQ(screen().grid_ready, true);
}

TEST_P(ListFill, AResultWithoutAListColumnLeavesTheGridAsItWas)
{
    h->set_rows({{QStringLiteral("C1"), QStringLiteral("1"), QStringLiteral("0001")},
                 {QStringLiteral("C2"), QStringLiteral("2"), QStringLiteral("0002")}});
    ASSERT_NO_FATAL_FAILURE(h->start());
    const QStringList before = grid_row(2);

    EXPECT_EQ(read_listed_rows(h->app->db, QStringLiteral("SELECT 相手先企業コード, 送受信種別 FROM "
                                                          "FL1914利用情報区分マスタ")).outcome,
              Outcome::failed);
    EXPECT_EQ(screen().grid_row_count, 2);
    EXPECT_EQ(grid_row(2), before);

    // With no row there is nothing to read and the fill goes through.
    refill(QStringLiteral("SELECT 相手先企業コード FROM FL1914利用情報区分マスタ WHERE 1 = 0"));
    EXPECT_EQ(screen().grid_row_count, 0);
    EXPECT_EQ(grid().TextMatrix(2, 1), QString());
}

K4_INSTANTIATE_SCREEN_BACKENDS(ListFill);

}  // namespace
}  // namespace k4::test
