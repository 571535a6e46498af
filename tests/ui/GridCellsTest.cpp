// The compact cell storage against a plain table of strings.

#include "ui/GridCells.h"

#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>

using namespace k4;

namespace {

TEST(GridCells, TextsRoundTripWhateverTheirLengthAndScript)
{
    GridCells cells(3, 4);
    const QStringList texts{QString(), QStringLiteral("A"), QStringLiteral("情報区分名称"),
                            QStringLiteral("😀 emoji"), QString(15, u'x'), QString(300, u'長'),
                            QString(70000, u'z'), QStringLiteral("ｱｲｳ")};
    for (const QString& t : texts) {
        for (int c = 0; c < 4; ++c) {
            ASSERT_TRUE(cells.set_text(1, c, t));
            EXPECT_EQ(cells.text(1, c), t) << t.size();
        }
    }
    // Neighbours keep their texts while one cell changes length.
    cells.set_text(2, 0, QStringLiteral("left"));
    cells.set_text(2, 2, QStringLiteral("right"));
    cells.set_text(2, 1, QString(40, u'm'));
    cells.set_text(2, 1, QStringLiteral("s"));
    EXPECT_EQ(cells.text(2, 0), QStringLiteral("left"));
    EXPECT_EQ(cells.text(2, 1), QStringLiteral("s"));
    EXPECT_EQ(cells.text(2, 2), QStringLiteral("right"));
    EXPECT_EQ(cells.text(2, 3), QString());
    // A lone surrogate cannot be stored as is.
    cells.set_text(0, 0, QString(QChar(0xD800)));
    EXPECT_EQ(cells.text(0, 0), QString(QChar(0xFFFD)));
}

TEST(GridCells, AlignmentsAreKeptApartFromTexts)
{
    GridCells cells(2, 3);
    EXPECT_EQ(cells.alignment(1, 1), GridCells::unset_alignment);
    cells.set_alignment(1, 1, 7);
    EXPECT_EQ(cells.text(1, 1), QString());
    cells.set_text(1, 1, QStringLiteral("0001"));
    EXPECT_EQ(cells.alignment(1, 1), 7);
    cells.set_text(1, 1, QString(20, u'a'));
    EXPECT_EQ(cells.alignment(1, 1), 7);
    EXPECT_EQ(cells.alignment(1, 0), GridCells::unset_alignment);
    cells.set_alignment(1, 2, 42);  // not an alignment: back to the column's
    EXPECT_EQ(cells.alignment(1, 2), GridCells::unset_alignment);
}

// Random writes, shape changes and clears, checked against a plain table
// after every step; enough churn to make the storage reclaim its garbage.
TEST(GridCells, AgreesWithAPlainTableUnderChurn)
{
    QRandomGenerator random(20241208);
    int rows = 50, cols = 5;
    GridCells cells(rows, cols);
    std::vector<std::vector<QString>> plain{std::size_t(rows), std::vector<QString>(std::size_t(cols))};
    for (int step = 0; step < 40000; ++step) {
        const int action = random.bounded(100);
        if (action < 2) {
            rows = 1 + random.bounded(80);
            cells.set_rows(rows);
            plain.resize(std::size_t(rows), std::vector<QString>(std::size_t(cols)));
        } else if (action < 3) {
            cols = 1 + random.bounded(8);
            cells.set_cols(cols);
            for (auto& row : plain)
                row.resize(std::size_t(cols));
        } else if (action < 4 && step % 7 == 0) {
            cells.clear();
            for (auto& row : plain)
                std::fill(row.begin(), row.end(), QString());
        } else {
            const int r = random.bounded(rows), c = random.bounded(cols);
            const QString text = random.bounded(5) == 0
                                     ? QString()
                                     : QString(random.bounded(1, 60), QChar(u'a' + random.bounded(26)));
            cells.set_text(r, c, text);
            plain[std::size_t(r)][std::size_t(c)] = text;
        }
        if (step % 97 == 0 || step > 39900) {
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c)
                    ASSERT_EQ(cells.text(r, c), plain[std::size_t(r)][std::size_t(c)])
                        << "step " << step << " cell " << r << "," << c;
        }
    }
    // Garbage is reclaimed: the rewrites above left megabytes of dead
    // records, yet the storage stays within a few blocks of what it holds.
    std::size_t held = 0;
    for (const auto& row : plain)
        for (const QString& t : row)
            held += std::size_t(t.toUtf8().size()) + 2;
    EXPECT_LT(cells.memory_bytes(), 2 * held + 512 * 1024);
}

TEST(GridCells, RowByRowFillStaysCompact)
{
    const int rows = 20000;
    GridCells cells(1, 6);
    std::size_t raw = 0;
    for (int r = 1; r <= rows; ++r) {
        cells.set_rows(r + 1);
        const QString texts[5] = {QStringLiteral("P%1").arg(r, 11, 10, QChar(u'0')), QStringLiteral("1"),
                                  QStringLiteral("送信"), QStringLiteral("%1").arg(r % 10000, 4, 10, QChar(u'0')),
                                  QStringLiteral("情報区分名称%1").arg(r % 97)};
        for (int c = 1; c <= 5; ++c) {
            cells.set_text(r, c, texts[c - 1]);
            cells.set_alignment(r, c, 1);
            raw += std::size_t(texts[c - 1].toUtf8().size());
        }
    }
    EXPECT_EQ(cells.text(rows, 1), QStringLiteral("P%1").arg(rows, 11, 10, QChar(u'0')));
    EXPECT_LT(cells.memory_bytes(), 2 * raw + 128 * 1024);
}

}  // namespace
