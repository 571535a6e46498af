// The search popup driven offscreen with keys and clicks.

#include "ListFixture.h"
#include "lookup/G_GRID.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace k4;
using namespace k4::test;

namespace {

struct Drive {
    bool opened = false;          // the popup appeared and the action ran
    bool left_open = false;       // it was still open after the action (then closed here)
};

// Arranges for `action` to run on the popup once it is up and active, and for
// the popup to be closed afterwards if the action did not close it, so that no
// test can hang in the modal loop.
void on_popup(Drive& drive, std::function<void(G_GRID&)> action, int wait_ms = 10000)
{
    QTimer::singleShot(0, [&drive, action, wait_ms] {
        G_GRID* popup = nullptr;
        QDeadlineTimer deadline(wait_ms);
        while (!popup && !deadline.hasExpired()) {
            popup = qobject_cast<G_GRID*>(QApplication::activeModalWidget());
            if (!popup)
                QTest::qWait(10);
        }
        if (!popup)
            return;
        drive.opened = true;
        EXPECT_TRUE(QTest::qWaitForWindowActive(popup));
        QPointer<G_GRID> guard(popup);
        action(*popup);
        QTest::qWait(20);
        if (guard && guard->isVisible()) {
            drive.left_open = true;
            guard->reject();
        }
    });
}

// The centre of a cell of the grid, in viewport coordinates.
QPoint cell_centre(FlexGrid* grid, int row, int col)
{
    const QModelIndex index = grid->model()->index(row - 1, col);
    return grid->visualRect(index).center();
}

class Popup : public ::testing::Test {
protected:
    void SetUp() override
    {
        code.setText(QStringLiteral("元コード"));
        name.setText(QStringLiteral("元名称"));
    }

    void write_default_list()
    {
        f.write_list(crlf_lines({QStringLiteral("0001情報区分Ａ"), QStringLiteral("01  部門"),
                                 QString(), QStringLiteral("0004名称四")}));
    }

    Drive open(std::function<void(G_GRID&)> action, int initial_status = 0)
    {
        Drive drive;
        on_popup(drive, std::move(action));
        status = initial_status;
        show_info_code_popup(&code, &name, status, f.where());
        return drive;
    }

    void expect_unchanged()
    {
        EXPECT_EQ(code.text(), QStringLiteral("元コード"));
        EXPECT_EQ(name.text(), QStringLiteral("元名称"));
    }

    ListFixture f;
    QLineEdit code;
    QLabel name;
    int status = 0;
};

}  // namespace

TEST_F(Popup, ShowsTheFileInTheDesignedLayoutWithRowOneHighlighted)
{
    write_default_list();
    const Drive drive = open([](G_GRID& p) {
        EXPECT_EQ(p.windowTitle(), QStringLiteral("情報区分検索"));
        EXPECT_TRUE(p.isModal());
        FlexGrid* g = p.findChild<FlexGrid*>(QStringLiteral("MSFLEXGRID"));
        ASSERT_EQ(g, p.grid());
        EXPECT_EQ(QApplication::focusWidget(), g);

        EXPECT_EQ(g->Cols(), 3);
        EXPECT_EQ(g->Rows(), 5);
        EXPECT_EQ(g->TextMatrix(0, 1), QStringLiteral("情報区分ｺｰﾄﾞ"));
        EXPECT_EQ(g->TextMatrix(0, 2), QStringLiteral("情報区分名"));
        EXPECT_EQ(g->TextMatrix(1, 1), QStringLiteral("0001"));
        EXPECT_EQ(g->TextMatrix(1, 2), QStringLiteral("情報区分Ａ"));
        EXPECT_EQ(g->TextMatrix(2, 1), QStringLiteral("01  "));   // blanks kept in the cell
        EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("部門"));
        EXPECT_EQ(g->TextMatrix(3, 1), QString());
        EXPECT_EQ(g->TextMatrix(3, 2), QString());
        EXPECT_EQ(g->TextMatrix(4, 1), QStringLiteral("0004"));
        for (int r = 1; r <= 4; ++r)
            EXPECT_EQ(g->TextMatrix(r, 0), QString()) << r;

        EXPECT_EQ(g->ColWidth(0), 0);
        EXPECT_TRUE(g->isColumnHidden(0) || g->columnWidth(0) == 0);
        EXPECT_EQ(g->ColWidth(1), 1350);
        EXPECT_EQ(g->ColWidth(2), 2500);
        EXPECT_EQ(g->ColAlignment(1), 1);
        EXPECT_EQ(g->ColAlignment(2), 1);
        for (int r = 1; r <= 4; ++r)
            EXPECT_EQ(g->RowHeight(r), 360) << r;

        EXPECT_EQ(g->Row(), 1);
        EXPECT_EQ(g->Col(), 0);
        EXPECT_EQ(g->RowSel(), 1);
        EXPECT_EQ(g->ColSel(), 2);

        const qreal dpi = g->dpi();
        EXPECT_NEAR(pixels_to_twips(g->width(), dpi), 4300, 15);
        EXPECT_NEAR(pixels_to_twips(p.width(), dpi), 4600, 15);
        EXPECT_EQ(g->font().family(), QStringLiteral("ＭＳ ゴシック"));
        EXPECT_DOUBLE_EQ(g->font().pointSizeF(), 11.25);

        auto* select = p.findChild<QPushButton*>(QStringLiteral("SELECT"));
        auto* stop = p.findChild<QPushButton*>(QStringLiteral("STOP"));
        ASSERT_TRUE(select && stop);
        EXPECT_EQ(select->text(), QStringLiteral("選択"));
        EXPECT_EQ(stop->text(), QStringLiteral("中止"));
        EXPECT_FALSE(select->isDefault() || stop->isDefault());
        EXPECT_FALSE(select->autoDefault() || stop->autoDefault());
        // Tab order: grid, 選択, 中止.
        QTest::keyClick(g, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), select);
        QTest::keyClick(select, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), stop);
    });
    EXPECT_TRUE(drive.opened);
    EXPECT_TRUE(drive.left_open);   // only looked at it
    EXPECT_EQ(status, 0);
    expect_unchanged();
}

TEST_F(Popup, EnterDoubleClickAndSelectChooseTheCurrentRow)
{
    write_default_list();

    // Enter on row 1 without moving.
    Drive drive = open([](G_GRID& p) { QTest::keyClick(p.grid(), Qt::Key_Return); });
    EXPECT_TRUE(drive.opened);
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(code.text(), QStringLiteral("0001"));
    EXPECT_EQ(name.text(), QStringLiteral("情報区分Ａ"));

    // Down arrow, then Enter: the padded code arrives trimmed.
    drive = open([](G_GRID& p) {
        QTest::keyClick(p.grid(), Qt::Key_Down);
        QTest::keyClick(p.grid(), Qt::Key_Enter, Qt::KeypadModifier);
    });
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(code.text(), QStringLiteral("01"));
    EXPECT_EQ(name.text(), QStringLiteral("部門"));

    // Double-click on the fourth data row.
    drive = open([](G_GRID& p) {
        FlexGrid* g = p.grid();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell_centre(g, 4, 2));
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cell_centre(g, 4, 2));
    });
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(code.text(), QStringLiteral("0004"));
    EXPECT_EQ(name.text(), QStringLiteral("名称四"));

    // 選択 after moving to the second row with the mouse.
    drive = open([](G_GRID& p) {
        FlexGrid* g = p.grid();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell_centre(g, 2, 1));
        QTest::mouseClick(p.findChild<QPushButton*>(QStringLiteral("SELECT")), Qt::LeftButton);
    });
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(code.text(), QStringLiteral("01"));
    EXPECT_EQ(name.text(), QStringLiteral("部門"));

    // The blank line empties both targets.
    drive = open([](G_GRID& p) {
        p.grid()->setFocus();
        QTest::keyClick(p.grid(), Qt::Key_Down);
        QTest::keyClick(p.grid(), Qt::Key_Down);
        QTest::keyClick(p.grid(), Qt::Key_Return);
    });
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(code.text(), QString());
    EXPECT_EQ(name.text(), QString());
    EXPECT_EQ(status, 0);
}

TEST_F(Popup, EscStopAndClosingWriteNothing)
{
    write_default_list();

    Drive drive = open([](G_GRID& p) {
        QTest::keyClick(p.grid(), Qt::Key_Down);
        QTest::keyClick(p.grid(), Qt::Key_Escape);
    });
    EXPECT_TRUE(drive.opened);
    EXPECT_FALSE(drive.left_open);
    expect_unchanged();

    drive = open([](G_GRID& p) {
        QTest::keyClick(p.grid(), Qt::Key_Down);
        QTest::mouseClick(p.findChild<QPushButton*>(QStringLiteral("STOP")), Qt::LeftButton);
    });
    EXPECT_FALSE(drive.left_open);
    expect_unchanged();

    drive = open([](G_GRID& p) { p.close(); });
    EXPECT_FALSE(drive.left_open);
    expect_unchanged();
    EXPECT_EQ(status, 0);
}

TEST_F(Popup, ButtonsAreNeitherDefaultNorCancel)
{
    write_default_list();

    // Esc on a focused button does not close; Enter on it presses that button.
    Drive drive = open([](G_GRID& p) {
        auto* select = p.findChild<QPushButton*>(QStringLiteral("SELECT"));
        auto* stop = p.findChild<QPushButton*>(QStringLiteral("STOP"));
        select->setFocus();
        QTest::keyClick(select, Qt::Key_Escape);
        QTest::qWait(20);
        EXPECT_TRUE(p.isVisible());
        stop->setFocus();
        QTest::keyClick(stop, Qt::Key_Return);
    });
    EXPECT_TRUE(drive.opened);
    EXPECT_FALSE(drive.left_open);
    expect_unchanged();

    drive = open([](G_GRID& p) {
        auto* select = p.findChild<QPushButton*>(QStringLiteral("SELECT"));
        select->setFocus();
        QTest::keyClick(select, Qt::Key_Return);
    });
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(code.text(), QStringLiteral("0001"));

    drive = open([](G_GRID& p) {
        auto* select = p.findChild<QPushButton*>(QStringLiteral("SELECT"));
        select->setFocus();
        QTest::keyClick(select, Qt::Key_Space);
    });
    EXPECT_FALSE(drive.left_open);
}

TEST_F(Popup, EachOpeningReadsTheFileAfreshWithRowOneHighlighted)
{
    f.write_list(crlf_lines({QStringLiteral("0001一"), QStringLiteral("0002二")}));
    Drive drive = open([](G_GRID& p) {
        EXPECT_EQ(p.grid()->Rows(), 3);
        QTest::keyClick(p.grid(), Qt::Key_Down);
        EXPECT_EQ(p.grid()->Row(), 2);
        QTest::keyClick(p.grid(), Qt::Key_Escape);
    });
    EXPECT_TRUE(drive.opened);

    f.write_list(crlf_lines({QStringLiteral("0011十一"), QStringLiteral("0012十二"), QStringLiteral("0013十三")}));
    drive = open([](G_GRID& p) {
        FlexGrid* g = p.grid();
        EXPECT_EQ(g->Rows(), 4);
        EXPECT_EQ(g->TextMatrix(1, 1), QStringLiteral("0011"));
        EXPECT_EQ(g->TextMatrix(3, 2), QStringLiteral("十三"));
        EXPECT_EQ(g->Row(), 1);
        EXPECT_EQ(g->RowSel(), 1);
        EXPECT_EQ(g->Col(), 0);
        EXPECT_EQ(g->ColSel(), 2);
        QTest::keyClick(g, Qt::Key_Return);
    });
    EXPECT_TRUE(drive.opened);
    EXPECT_EQ(code.text(), QStringLiteral("0011"));
    EXPECT_EQ(name.text(), QStringLiteral("十一"));
}

TEST_F(Popup, EmptyFileShowsOneEmptyHighlightedRow)
{
    f.write_list({});
    const Drive drive = open([](G_GRID& p) {
        FlexGrid* g = p.grid();
        EXPECT_EQ(g->Rows(), 2);
        EXPECT_EQ(g->TextMatrix(0, 1), QStringLiteral("情報区分ｺｰﾄﾞ"));
        EXPECT_EQ(g->TextMatrix(1, 1), QString());
        EXPECT_EQ(g->Row(), 1);
        EXPECT_EQ(g->ColSel(), 2);
        QTest::keyClick(g, Qt::Key_Return);
    });
    EXPECT_TRUE(drive.opened);
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(code.text(), QString());
    EXPECT_EQ(name.text(), QString());
}

TEST_F(Popup, WithoutTargetsAChoiceWritesNowhere)
{
    write_default_list();
    Drive drive;
    on_popup(drive, [](G_GRID& p) { QTest::keyClick(p.grid(), Qt::Key_Return); });
    status = 0;
    show_info_code_popup(nullptr, nullptr, status, f.where());
    EXPECT_TRUE(drive.opened);
    EXPECT_FALSE(drive.left_open);
    expect_unchanged();
}

TEST_F(Popup, MissingUnreadableOrOverlongFileOpensNoWindowAndGivesStatus9)
{
    auto expect_refused = [&](const char* what) {
        Drive drive;
        on_popup(drive, [](G_GRID&) {}, 100);
        status = 0;
        show_info_code_popup(&code, &name, status, f.where());
        QTest::qWait(200);   // lets the pending check run and see that no popup came
        EXPECT_EQ(status, 9) << what;
        EXPECT_FALSE(drive.opened) << what;
        expect_unchanged();
    };
    expect_refused("no list file");

    write_default_list();
    f.write_settings(QString());
    expect_refused("empty JOHOKUBUN");

    f.write_settings(f.list_path());
    f.write_list(numbered_lines(32768));
    expect_refused("32768 lines");

    f.write_settings(f.unreadable_file());
    expect_refused("unreadable file");
}

TEST_F(Popup, AFullListOf32767LinesIsShown)
{
    f.write_list(numbered_lines(32767));
    const Drive drive = open([](G_GRID& p) {
        FlexGrid* g = p.grid();
        EXPECT_EQ(g->Rows(), 32768);
        EXPECT_EQ(g->TextMatrix(32767, 1), QStringLiteral("2767"));
        EXPECT_EQ(g->RowHeight(32767), 360);
        QTest::keyClick(g, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(g, Qt::Key_Return);
    }, 4);
    EXPECT_TRUE(drive.opened);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(code.text(), QStringLiteral("2767"));
}
