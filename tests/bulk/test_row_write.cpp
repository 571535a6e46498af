// Writing a whole grid row at once from UTF-8 texts: the storage and the
// widget must end up exactly as one write per cell would leave them.

#include "ui/FlexGrid.h"
#include "ui/GridCells.h"

#include <QAbstractItemModel>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <vector>

using namespace k4;

namespace {

std::vector<QByteArray> utf8(const QStringList& texts)
{
    std::vector<QByteArray> out;
    for (const QString& t : texts)
        out.push_back(t.toUtf8());
    return out;
}

std::vector<QByteArrayView> views(const std::vector<QByteArray>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

TEST(RowWrite, MatchesOneWritePerCellAndKeepsAlignments)
{
    // Lengths around the storage's short-length limit (15 bytes), several
    // scripts, and an empty cell between filled ones.
    const QStringList texts{QStringLiteral("P00000000001"), QString(), QString(15, u'x'),
                            QString(16, u'y'), QStringLiteral("送受信種別名称で五文字以上"),
                            QString(300, u'長') + QStringLiteral("😀")};
    GridCells row_wise(3, 7), cell_wise(3, 7);
    for (GridCells* cells : {&row_wise, &cell_wise}) {
        cells->set_text(1, 0, QStringLiteral("left alone"));
        cells->set_alignment(1, 2, 4);
        cells->set_text(1, 3, QStringLiteral("overwritten"));
        cells->set_text(2, 6, QStringLiteral("next row"));
    }
    const auto bytes = utf8(texts);
    ASSERT_TRUE(row_wise.set_row_texts(1, 1, views(bytes)));
    for (int i = 0; i < texts.size(); ++i)
        cell_wise.set_text(1, 1 + i, texts[i]);

    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 7; ++c) {
            EXPECT_EQ(row_wise.text(r, c), cell_wise.text(r, c)) << r << "," << c;
            EXPECT_EQ(row_wise.alignment(r, c), cell_wise.alignment(r, c)) << r << "," << c;
        }
    }
    EXPECT_EQ(row_wise.text(1, 0), QStringLiteral("left alone"));
    EXPECT_EQ(row_wise.alignment(1, 2), 4);
    EXPECT_EQ(row_wise.text(1, 6), texts.last());

    // Emptying every written cell leaves the row as a never-written one.
    const std::vector<QByteArrayView> empty(6);
    row_wise.set_row_texts(1, 1, empty);
    EXPECT_EQ(row_wise.text(1, 3), QString());
    EXPECT_EQ(row_wise.alignment(1, 2), 4);
    EXPECT_EQ(row_wise.text(1, 0), QStringLiteral("left alone"));
}

TEST(RowWrite, OutOfRangeWritesNothing)
{
    GridCells cells(2, 3);
    cells.set_text(1, 0, QStringLiteral("kept"));
    const auto bytes = utf8({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_FALSE(cells.set_row_texts(1, 2, views(bytes)));  // would reach column 3
    EXPECT_FALSE(cells.set_row_texts(2, 0, views(bytes)));
    EXPECT_FALSE(cells.set_row_texts(-1, 0, views(bytes)));
    EXPECT_FALSE(cells.set_row_texts(1, -1, views(bytes)));
    EXPECT_EQ(cells.text(1, 0), QStringLiteral("kept"));
    EXPECT_EQ(cells.text(1, 2), QString());
}

TEST(RowWrite, BytesThatAreNotUtf8ReadAsReplacementCharacters)
{
    GridCells cells(1, 2);
    const std::vector<QByteArray> bytes{QByteArray("\xE3\x81", 2), QByteArray("ok\xFF", 3)};
    cells.set_row_texts(0, 0, views(bytes));
    EXPECT_EQ(cells.text(0, 0), QString::fromUtf8(bytes[0]));
    EXPECT_EQ(cells.text(0, 1), QString::fromUtf8(bytes[1]));
    EXPECT_TRUE(cells.text(0, 1).startsWith(QStringLiteral("ok")));
}

// Row writes mixed with cell writes, shape changes and clears, checked
// against a plain table: the storage reuses and reclaims its space the same
// way whichever write made a record.
TEST(RowWrite, AgreesWithAPlainTableUnderChurn)
{
    QRandomGenerator random(7081208);
    int rows = 40;
    const int cols = 6;
    GridCells cells(rows, cols);
    std::vector<std::vector<QString>> plain(static_cast<std::size_t>(rows), std::vector<QString>(cols));
    const QStringList pool{QString(), QStringLiteral("A"), QStringLiteral("情報"), QString(15, u'q'),
                           QString(40, u'漢'), QStringLiteral("P00000000001")};
    for (int step = 0; step < 6000; ++step) {
        const int what = random.bounded(100);
        if (what < 2) {
            rows = random.bounded(1, 60);
            cells.set_rows(rows);
            plain.resize(std::size_t(rows), std::vector<QString>(cols));
        } else if (what < 3) {
            cells.clear();
            for (auto& row : plain)
                std::fill(row.begin(), row.end(), QString());
        } else if (what < 50) {
            const int r = random.bounded(rows);
            const int first = random.bounded(cols);
            const int n = random.bounded(1, cols - first + 1);
            std::vector<QByteArray> bytes;
            for (int i = 0; i < n; ++i) {
                const QString t = pool[random.bounded(int(pool.size()))];
                bytes.push_back(t.toUtf8());
                plain[std::size_t(r)][std::size_t(first + i)] = t;
            }
            ASSERT_TRUE(cells.set_row_texts(r, first, views(bytes)));
        } else {
            const int r = random.bounded(rows);
            const int c = random.bounded(cols);
            const QString t = pool[random.bounded(int(pool.size()))];
            cells.set_text(r, c, t);
            plain[std::size_t(r)][std::size_t(c)] = t;
        }
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                ASSERT_EQ(cells.text(r, c), plain[std::size_t(r)][std::size_t(c)])
                    << "step " << step << " cell " << r << "," << c;
    }
    // Garbage was reclaimed along the way: the storage stays near the live size.
    EXPECT_LT(cells.memory_bytes(), std::size_t(2 * 1024 * 1024));
}

TEST(RowWrite, TheGridShowsRowWritesOnceRefreshed)
{
    FlexGrid grid;
    grid.setCols(4);
    grid.setRows(3);
    const auto header = utf8({QStringLiteral("見出し"), QStringLiteral("B")});
    const auto data = utf8({QStringLiteral("x"), QStringLiteral("受信"), QStringLiteral("0001")});
    grid.set_row_texts(0, 1, views(header));
    grid.set_row_texts(2, 1, views(data));
    grid.set_row_texts(2, 3, views(data));  // reaches column 5: refused whole
    grid.Refresh();

    EXPECT_EQ(grid.TextMatrix(2, 2), QStringLiteral("受信"));
    EXPECT_EQ(grid.TextMatrix(2, 3), QStringLiteral("0001"));
    const QAbstractItemModel* model = grid.model();
    EXPECT_EQ(model->data(model->index(1, 2)).toString(), QStringLiteral("受信"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("見出し"));
}

}  // namespace
