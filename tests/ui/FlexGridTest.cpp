// The grid widget: its classic operations, what the view shows, and the
// events the screens rely on, with real keys and clicks offscreen.

#include "ui/Controls.h"
#include "ui/FlexGrid.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace k4;

namespace {

// A grid laid out as the maintenance screen lays out its list.
void fill(FlexGrid& g, int data_rows)
{
    g.Clear();
    g.setCols(6);
    g.setRow(0);
    const QString headers[6] = {QString(), QStringLiteral("相手先企業ｺｰﾄﾞ"), QStringLiteral("  "),
                                QStringLiteral("送受信種別"), QStringLiteral("  "),
                                QStringLiteral("情報区分ｺｰﾄﾞ")};
    const int widths[6] = {0, 1820, 350, 1550, 600, 2800};
    for (int c = 1; c < 6; ++c) {
        g.setCol(c);
        g.setText(headers[c]);
    }
    for (int c = 0; c < 6; ++c)
        g.setColWidth(c, widths[c]);
    for (int r = 1; r <= data_rows; ++r) {
        g.setRows(r + 1);
        g.setRow(r);
        g.setRowHeight(r, 360);
        for (int c = 1; c <= 5; ++c) {
            g.setCol(c);
            g.setText(QStringLiteral("R%1C%2").arg(r).arg(c));
            g.setCellAlignment(1);
        }
    }
}

QPoint cell_centre(FlexGrid& g, int row, int col)
{
    return g.visualRect(g.model()->index(row - 1, col)).center();
}

class Grid : public ::testing::Test {
protected:
    void show()
    {
        g.resize(600, 300);
        g.show();
        g.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&g));
    }
    FlexGrid g;
};

TEST_F(Grid, TextMatrixRoundTripsAndRowZeroIsTheHeader)
{
    g.setCols(3);
    g.setRows(3);
    g.setTextMatrix(0, 1, QStringLiteral("情報区分ｺｰﾄﾞ"));
    g.setTextMatrix(2, 2, QStringLiteral("名称 "));
    g.setTextMatrix(1, 0, QString(100, u'x'));
    EXPECT_EQ(g.TextMatrix(0, 1), QStringLiteral("情報区分ｺｰﾄﾞ"));
    EXPECT_EQ(g.TextMatrix(2, 2), QStringLiteral("名称 "));
    EXPECT_EQ(g.TextMatrix(1, 0), QString(100, u'x'));
    g.Refresh();
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("情報区分ｺｰﾄﾞ"));
    EXPECT_EQ(g.model()->index(1, 2).data().toString(), QStringLiteral("名称 "));

    // Out of range: nothing written, nothing read, no crash.
    g.setTextMatrix(3, 0, QStringLiteral("lost"));
    g.setTextMatrix(0, 3, QStringLiteral("lost"));
    EXPECT_EQ(g.TextMatrix(3, 0), QString());
    EXPECT_EQ(g.TextMatrix(-1, 0), QString());
    g.setRow(7);
    EXPECT_EQ(g.Row(), 0);
}

TEST_F(Grid, ClearEmptiesEveryCellAndKeepsTheShape)
{
    fill(g, 5);
    g.Clear();
    EXPECT_EQ(g.Rows(), 6);
    EXPECT_EQ(g.Cols(), 6);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(g.TextMatrix(r, c), QString()) << r << "," << c;
    g.Refresh();
    EXPECT_EQ(g.model()->rowCount(), 5);
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal).toString(), QString());
}

TEST_F(Grid, RowColChangeFiresForEveryMoveOfTheCurrentCell)
{
    g.setRows(5);
    g.setCols(4);
    QSignalSpy moved(&g, &FlexGrid::RowColChange);
    g.setRow(2);
    g.setCol(3);
    EXPECT_EQ(moved.count(), 2);
    g.setRow(2);  // no move
    EXPECT_EQ(moved.count(), 2);
    g.setRows(2);  // the current row is gone: the grid moves to the last row
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(moved.count(), 3);
    g.setCols(2);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(moved.count(), 4);

    // Setting Row or Col collapses the selection onto the current cell.
    g.setRowSel(0);
    g.setColSel(0);
    g.setCol(1);
    EXPECT_EQ(g.RowSel(), 1);
    EXPECT_EQ(g.ColSel(), 1);
}

TEST_F(Grid, ASelectionAcrossTheRowIsHighlightedAndTheHiddenColumnAloneIsNot)
{
    fill(g, 4);
    show();
    g.setRow(2);
    g.setCol(0);
    g.setColSel(5);
    g.Refresh();
    QItemSelectionModel* s = g.selectionModel();
    for (int c = 1; c <= 5; ++c)
        EXPECT_TRUE(s->isSelected(g.model()->index(1, c))) << c;
    EXPECT_FALSE(s->isSelected(g.model()->index(0, 1)));

    g.setColSel(0);
    g.Refresh();
    EXPECT_FALSE(s->hasSelection());

    // The popup's way: row 1, column 0, extended to row 1, column 2.
    g.setRow(1);
    g.setCol(0);
    g.setRowSel(1);
    g.setColSel(2);
    g.Refresh();
    EXPECT_TRUE(s->isSelected(g.model()->index(0, 2)));
    EXPECT_FALSE(s->isSelected(g.model()->index(0, 3)));
}

TEST_F(Grid, TheZeroWidthColumnStaysHidden)
{
    fill(g, 3);
    g.Refresh();
    EXPECT_TRUE(g.isColumnHidden(0));
    EXPECT_EQ(g.ColWidth(0), 0);
    EXPECT_EQ(g.ColWidth(1), 1820);
    EXPECT_EQ(g.columnWidth(1), twips_to_pixels(1820, g.dpi()));

    // Through a change of the number of columns, a refill and a clear.
    g.setCols(7);
    g.Refresh();
    EXPECT_TRUE(g.isColumnHidden(0));
    fill(g, 8);
    g.Clear();
    g.Refresh();
    EXPECT_TRUE(g.isColumnHidden(0));

    g.setColWidth(0, 500);
    g.Refresh();
    EXPECT_FALSE(g.isColumnHidden(0));

    // Every data row shares one height; row 0 is the header's.
    g.setRowHeight(1, 480);
    g.Refresh();
    EXPECT_EQ(g.RowHeight(3), 480);
    EXPECT_EQ(g.rowHeight(2), twips_to_pixels(480, g.logicalDpiY()));
}

TEST_F(Grid, AlignmentsByCellAndByColumn)
{
    g.setCols(3);
    g.setRows(3);
    g.setTextMatrix(1, 1, QStringLiteral("123"));
    g.setTextMatrix(1, 2, QStringLiteral("abc"));
    g.setTextMatrix(2, 1, QStringLiteral("0001"));
    g.Refresh();
    const auto shown = [&](int row, int col) {
        return Qt::Alignment(g.model()->index(row - 1, col).data(Qt::TextAlignmentRole).toInt());
    };
    EXPECT_EQ(g.ColAlignment(1), 9);
    EXPECT_TRUE(shown(1, 1) & Qt::AlignRight) << "general: numbers right";
    EXPECT_TRUE(shown(1, 2) & Qt::AlignLeft) << "general: text left";

    g.setRow(2);
    g.setCol(1);
    g.setCellAlignment(1);
    EXPECT_EQ(g.CellAlignment(), 1);
    g.Refresh();
    EXPECT_EQ(shown(2, 1), Qt::AlignLeft | Qt::AlignVCenter);

    g.setColAlignment(1, 4);
    g.Refresh();
    EXPECT_EQ(shown(1, 1), Qt::AlignCenter);
    EXPECT_EQ(shown(2, 1), Qt::AlignLeft | Qt::AlignVCenter) << "the cell's own wins";
}

TEST_F(Grid, GrowingOneRowAtATimeTellsTheViewOncePerBatch)
{
    g.setCols(6);  // a new number of columns resets the model; rows alone do not
    g.Refresh();
    QSignalSpy inserted(g.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(g.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(g.model(), &QAbstractItemModel::modelReset);
    fill(g, 2000);
    EXPECT_EQ(inserted.count(), 0) << "nothing told before control returns";
    QCoreApplication::processEvents();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_LE(changed.count(), 1);
    EXPECT_EQ(g.model()->rowCount(), 2000);
    EXPECT_EQ(g.model()->index(1999, 5).data().toString(), QStringLiteral("R2000C5"));

    // In a bulk update the view hears of it at the end, even without an event loop.
    g.begin_bulk_update();
    fill(g, 2500);
    EXPECT_EQ(g.model()->rowCount(), 2000);
    g.end_bulk_update();
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(g.model()->rowCount(), 2500);

    // Fewer rows than before.
    g.setRows(11);
    g.Refresh();
    EXPECT_EQ(g.model()->rowCount(), 10);
    EXPECT_EQ(reset.count(), 0);
}

TEST_F(Grid, TheModelTellsItsViewsConsistentlyThroughFillsResizesClearsAndRefills)
{
    // Qt's own model checker watches every notice the grid's model sends from
    // here on and ends the run at the first inconsistent one (Fatal).
    fill(g, 3);
    show();
    QAbstractItemModelTester tester(g.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModel& m = *g.model();
    // Catches the view up, as after control returns to the event loop.
    auto told = [&] {
        QCoreApplication::processEvents();
        g.Refresh();
    };

    // Filled one row at a time, then in a bulk update.
    fill(g, 40);
    told();
    EXPECT_EQ(m.rowCount(), 40);
    EXPECT_EQ(m.index(39, 5).data().toString(), QStringLiteral("R40C5"));
    g.begin_bulk_update();
    fill(g, 300);
    g.end_bulk_update();
    told();
    EXPECT_EQ(m.rowCount(), 300);

    // Resized: fewer and more rows, down to the header alone, more and fewer columns.
    g.setRows(21);
    told();
    EXPECT_EQ(m.rowCount(), 20);
    g.setRows(61);
    told();
    EXPECT_EQ(m.rowCount(), 60);
    EXPECT_EQ(m.index(59, 1).data().toString(), QString());
    g.setRows(1);
    told();
    EXPECT_EQ(m.rowCount(), 0);
    g.setRows(6);
    g.setCols(9);
    told();
    EXPECT_EQ(m.rowCount(), 5);
    EXPECT_EQ(m.columnCount(), 9);
    g.setCols(3);
    told();
    EXPECT_EQ(m.columnCount(), 3);

    // Cleared: the shape stays, every cell is empty.
    fill(g, 12);
    told();
    g.Clear();
    told();
    EXPECT_EQ(m.rowCount(), 12);
    EXPECT_EQ(m.index(11, 5).data().toString(), QString());
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QString());

    // Refilled with fewer rows than before, then with more, whole rows at once.
    fill(g, 4);
    told();
    EXPECT_EQ(m.rowCount(), 4);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("相手先企業ｺｰﾄﾞ"));
    g.begin_bulk_update();
    g.setRows(101);
    for (int r = 1; r <= 100; ++r) {
        const QByteArray row = QByteArray::number(r);
        const QByteArrayView texts[5] = {row, "1", "送信", "0001", "受注データ"};
        g.set_row_texts(r, 1, texts);
    }
    g.end_bulk_update();
    told();
    EXPECT_EQ(m.rowCount(), 100);
    EXPECT_EQ(m.index(99, 1).data().toString(), QStringLiteral("100"));
    EXPECT_EQ(m.index(99, 5).data().toString(), QStringLiteral("受注データ"));
}

TEST_F(Grid, KeysMoveTheCurrentCellAfterKeyDown)
{
    fill(g, 30);
    show();
    g.setRow(1);
    g.setCol(0);  // as after a click on a row: the hidden column is current
    QStringList seen;
    QObject::connect(&g, &FlexGrid::KeyDown, &g, [&](int& key, int shift) {
        seen << QStringLiteral("%1/%2 at row %3").arg(key).arg(shift).arg(g.Row());
    });
    QSignalSpy moved(&g, &FlexGrid::RowColChange);

    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 0) << "moving down keeps the hidden column";
    EXPECT_EQ(seen, QStringList{QStringLiteral("40/0 at row 1")}) << "KeyDown comes first";
    EXPECT_EQ(moved.count(), 1);

    QTest::keyClick(&g, Qt::Key_Right);
    EXPECT_EQ(g.Col(), 1);
    QTest::keyClick(&g, Qt::Key_Left);
    EXPECT_EQ(g.Col(), 1) << "column 0 is hidden";
    QTest::keyClick(&g, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g.Row(), 30);
    EXPECT_EQ(g.Col(), 5);
    EXPECT_GT(g.TopRow(), 1);
    EXPECT_LE(g.rowViewportPosition(29) + g.rowHeight(29), g.viewport()->height())
        << "the current row is scrolled into view";
    g.setTopRow(3);
    EXPECT_EQ(g.TopRow(), 3);
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.Row(), 30);
    QTest::keyClick(&g, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 1);
    QTest::keyClick(&g, Qt::Key_Up);
    EXPECT_EQ(g.Row(), 1) << "the header row is not entered";
    QTest::keyClick(&g, Qt::Key_PageDown);
    EXPECT_GT(g.Row(), 1);

    // A consumed key does not move.
    QObject::connect(&g, &FlexGrid::KeyDown, &g, [](int& key, int) {
        if (key == 40)
            key = 0;
    });
    const int row = g.Row();
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.Row(), row);
}

TEST_F(Grid, AClickSelectsTheCellThenRaisesClick)
{
    fill(g, 10);
    show();
    g.setRow(1);
    QStringList events;
    QObject::connect(&g, &FlexGrid::RowColChange, &g, [&] { events << QStringLiteral("move %1,%2").arg(g.Row()).arg(g.Col()); });
    QObject::connect(&g, &FlexGrid::Click, &g, [&] { events << QStringLiteral("click %1").arg(g.Row()); });
    QObject::connect(&g, &FlexGrid::DblClick, &g, [&] { events << QStringLiteral("double %1").arg(g.Row()); });

    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell_centre(g, 4, 3));
    EXPECT_EQ(events, (QStringList{QStringLiteral("move 4,3"), QStringLiteral("click 4")}));
    EXPECT_EQ(QApplication::focusWidget(), &g);

    events.clear();
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cell_centre(g, 5, 2));
    EXPECT_TRUE(events.contains(QStringLiteral("double 5")));
    EXPECT_LE(events.count(QStringLiteral("click 5")), 1) << "the second click is the double click";
    EXPECT_EQ(g.Row(), 5);
    EXPECT_EQ(g.Col(), 2);

    // Below the last row there is no cell: nothing happens.
    events.clear();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(5, g.viewport()->height() - 2));
    EXPECT_TRUE(events.isEmpty()) << events.join(u',').toStdString();
}

}  // namespace
