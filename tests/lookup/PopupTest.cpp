// The search popup driven offscreen with keys and clicks.

#include "ListFixture.h"
#include "maint/G_GRID.h"
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

using Action = std::function<void(G_GRID&)>;

struct Drive {
    bool opened = false;      // the popup came up and the action ran
    bool left_open = false;   // it was still open afterwards (and was closed here)
};

// Runs `action` on the popup once it is up and active, then closes it if the
// action did not, so that no test can hang in the modal loop.
void on_popup(Drive& drive, Action action, int wait_ms = 10000)
{
    QTimer::singleShot(0, [&drive, action, wait_ms] {
        G_GRID* popup = nullptr;
        for (QDeadlineTimer deadline(wait_ms); !popup && !deadline.hasExpired(); QTest::qWait(10))
            popup = qobject_cast<G_GRID*>(QApplication::activeModalWidget());
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

QPushButton* button(G_GRID& p, const char* name) { return p.findChild<QPushButton*>(QString::fromUtf8(name)); }

void click_cell(FlexGrid* g, int row, int col, bool twice = false)
{
    const QPoint at = g->visualRect(g->model()->index(row - 1, col)).center();   // row 0 is the header
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
}

class Popup : public ::testing::Test {
protected:
    void SetUp() override
    {
        f.write_list(crlf_lines({QStringLiteral("0001情報区分Ａ"), QStringLiteral("01  部門"), QString(),
                                 QStringLiteral("0004名称四")}));
        code.setText(QStringLiteral("元コード"));
        name.setText(QStringLiteral("元名称"));
    }

    Drive open(Action action, int wait_ms = 10000)
    {
        Drive drive;
        on_popup(drive, std::move(action), wait_ms);
        result = show_info_code_popup(&code, &name, f.where());
        return drive;
    }

    // Opens the popup, runs `action`, expects it to have closed by itself and
    // returns how it ended.
    PopupResult choose(Action action)
    {
        const Drive drive = open(std::move(action));
        EXPECT_TRUE(drive.opened);
        EXPECT_FALSE(drive.left_open);
        return result;
    }

    QStringList targets() const { return {code.text(), name.text()}; }
    const QStringList unchanged{QStringLiteral("元コード"), QStringLiteral("元名称")};

    ListFixture f;
    QLineEdit code;
    QLabel name;
    PopupResult result = PopupResult::no_list;
};

}  // namespace

TEST_F(Popup, ShowsTheFileInTheDesignedLayoutWithRowOneHighlighted)
{
    const Drive drive = open([](G_GRID& p) {
        EXPECT_EQ(p.windowTitle(), QStringLiteral("情報区分検索"));
        EXPECT_TRUE(p.isModal());
        FlexGrid* g = p.findChild<FlexGrid*>(QStringLiteral("MSFLEXGRID"));
        ASSERT_EQ(g, p.grid());
        EXPECT_EQ(QApplication::focusWidget(), g);

        ASSERT_EQ(g->Cols(), 3);
        ASSERT_EQ(g->Rows(), 5);
        const QStringList expected = {"", "情報区分ｺｰﾄﾞ", "情報区分名", "", "0001", "情報区分Ａ", "", "01  ", "部門",
                                      "", "", "", "", "0004", "名称四"};
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(g->TextMatrix(r, c), expected[r * 3 + c]) << r << "," << c;
        EXPECT_EQ((QList<int>{g->ColWidth(0), g->ColWidth(1), g->ColWidth(2)}), (QList<int>{0, 1350, 2500}));
        EXPECT_TRUE(g->isColumnHidden(0));
        EXPECT_EQ(g->ColAlignment(1), 1);
        EXPECT_EQ(g->ColAlignment(2), 1);
        EXPECT_EQ(g->RowHeight(4), 360);
        EXPECT_EQ((QList<int>{g->Row(), g->Col(), g->RowSel(), g->ColSel()}), (QList<int>{1, 0, 1, 2}));
        EXPECT_NEAR(pixels_to_twips(g->width(), g->dpi()), 4300, 15);
        EXPECT_NEAR(pixels_to_twips(p.width(), g->dpi()), 4600, 15);
        EXPECT_EQ(g->font().family(), QStringLiteral("ＭＳ ゴシック"));
        EXPECT_DOUBLE_EQ(g->font().pointSizeF(), 11.25);

        QPushButton* select = button(p, "SELECT");
        QPushButton* stop = button(p, "STOP");
        ASSERT_TRUE(select && stop);
        EXPECT_EQ(select->text(), QStringLiteral("選択"));
        EXPECT_EQ(stop->text(), QStringLiteral("中止"));
        QTest::keyClick(g, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), select);
        QTest::keyClick(select, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), stop);
    });
    EXPECT_TRUE(drive.opened);
    EXPECT_EQ(targets(), unchanged);
}

TEST_F(Popup, EnterDoubleClickAndSelectWriteTheCurrentRowTrimmed)
{
    EXPECT_EQ(choose([](G_GRID& p) { QTest::keyClick(p.grid(), Qt::Key_Return); }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"0001", "情報区分Ａ"}));

    EXPECT_EQ(choose([](G_GRID& p) {
        QTest::keyClick(p.grid(), Qt::Key_Down);
        QTest::keyClick(p.grid(), Qt::Key_Enter, Qt::KeypadModifier);
    }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"01", "部門"}));

    EXPECT_EQ(choose([](G_GRID& p) { click_cell(p.grid(), 4, 2, true); }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"0004", "名称四"}));

    EXPECT_EQ(choose([](G_GRID& p) {
        click_cell(p.grid(), 2, 1);
        QTest::mouseClick(button(p, "SELECT"), Qt::LeftButton);
    }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"01", "部門"}));

    EXPECT_EQ(choose([](G_GRID& p) {   // the blank line empties both targets
        click_cell(p.grid(), 3, 1);
        QTest::keyClick(p.grid(), Qt::Key_Return);
    }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"", ""}));

    EXPECT_EQ(choose([](G_GRID& p) {   // a focused button is pressed with Enter
        QTest::keyClick(p.grid(), Qt::Key_Down);
        button(p, "SELECT")->setFocus();
        QTest::keyClick(button(p, "SELECT"), Qt::Key_Return);
    }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"01", "部門"}));
}

TEST_F(Popup, TheCurrentRowStaysHighlightedAsKeysAndTheMouseMoveIt)
{
    const Drive drive = open([](G_GRID& p) {
        FlexGrid* g = p.grid();
        auto highlighted_row = [g] {
            g->Refresh();
            const QItemSelectionModel* s = g->selectionModel();
            QList<int> rows;
            for (int r = 0; r < g->model()->rowCount(); ++r)
                if (s->isSelected(g->model()->index(r, 1)) && s->isSelected(g->model()->index(r, 2)))
                    rows << r + 1;
            return rows;
        };
        QTest::keyClick(g, Qt::Key_Down);
        QTest::keyClick(g, Qt::Key_Down);
        EXPECT_EQ(g->Row(), 3);
        EXPECT_EQ(highlighted_row(), QList<int>{3});
        QTest::keyClick(g, Qt::Key_Up);
        EXPECT_EQ(highlighted_row(), QList<int>{2});
        click_cell(g, 4, 1);
        EXPECT_EQ(highlighted_row(), QList<int>{4});
        QTest::keyClick(g, Qt::Key_Return);   // the highlighted row is the one taken
    });
    EXPECT_TRUE(drive.opened);
    EXPECT_EQ(result, PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"0004", "名称四"}));
}

TEST_F(Popup, EscStopAndClosingWriteNothing)
{
    for (const Action& action : std::vector<Action>{
             [](G_GRID& p) { QTest::keyClick(p.grid(), Qt::Key_Down); QTest::keyClick(p.grid(), Qt::Key_Escape); },
             [](G_GRID& p) { QTest::mouseClick(button(p, "STOP"), Qt::LeftButton); },
             [](G_GRID& p) { p.close(); },
             [](G_GRID& p) {
                 // Esc on a button does not close: there is no cancel button.
                 button(p, "SELECT")->setFocus();
                 QTest::keyClick(button(p, "SELECT"), Qt::Key_Escape);
                 QTest::qWait(20);
                 EXPECT_TRUE(p.isVisible());
                 button(p, "STOP")->setFocus();
                 QTest::keyClick(button(p, "STOP"), Qt::Key_Return);
             }}) {
        EXPECT_EQ(choose(action), PopupResult::closed);
        EXPECT_EQ(targets(), unchanged);
    }
}

TEST_F(Popup, EachOpeningReadsTheFileAfreshWithRowOneHighlighted)
{
    EXPECT_EQ(choose([](G_GRID& p) {
        QTest::keyClick(p.grid(), Qt::Key_Down);
        QTest::keyClick(p.grid(), Qt::Key_Escape);
    }), PopupResult::closed);
    f.write_list(crlf_lines({QStringLiteral("0011十一"), QStringLiteral("0012十二")}));
    EXPECT_EQ(choose([](G_GRID& p) {
        FlexGrid* g = p.grid();
        EXPECT_EQ(g->Rows(), 3);
        EXPECT_EQ(g->TextMatrix(2, 2), QStringLiteral("十二"));
        EXPECT_EQ((QList<int>{g->Row(), g->Col(), g->RowSel(), g->ColSel()}), (QList<int>{1, 0, 1, 2}));
        QTest::keyClick(g, Qt::Key_Return);
    }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"0011", "十一"}));
}

TEST_F(Popup, EmptyFileShowsOneEmptyHighlightedRow)
{
    f.write_list({});
    EXPECT_EQ(choose([](G_GRID& p) {
        EXPECT_EQ(p.grid()->Rows(), 2);
        EXPECT_EQ(p.grid()->TextMatrix(0, 2), QStringLiteral("情報区分名"));
        EXPECT_EQ(p.grid()->ColSel(), 2);
        QTest::keyClick(p.grid(), Qt::Key_Return);
    }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"", ""}));
}

TEST_F(Popup, WithoutTargetsAChoiceWritesNowhere)
{
    Drive drive;
    on_popup(drive, [](G_GRID& p) { QTest::keyClick(p.grid(), Qt::Key_Return); });
    EXPECT_EQ(show_info_code_popup(nullptr, nullptr, f.where()), PopupResult::chosen);
    EXPECT_TRUE(drive.opened);
    EXPECT_FALSE(drive.left_open);
    EXPECT_EQ(targets(), unchanged);
}

TEST_F(Popup, MissingUnreadableOrOverlongFileOpensNoWindowAndGivesNoList)
{
    auto expect_refused = [&](const char* what) {
        const Drive drive = open([](G_GRID&) {}, 100);
        QTest::qWait(200);   // the pending check looks for a popup and finds none
        EXPECT_EQ(result, PopupResult::no_list) << what;
        EXPECT_FALSE(drive.opened) << what;
        EXPECT_EQ(targets(), unchanged);
    };
    f.write_settings(QString());
    expect_refused("empty JOHOKUBUN");
    f.write_settings(f.list_path() + QStringLiteral(".missing"));
    expect_refused("no list file");
    f.write_settings(f.unreadable_file());
    expect_refused("unreadable file");
    f.write_settings(f.list_path());
    f.write_list(numbered_lines(32768));
    expect_refused("32768 lines");
}

TEST_F(Popup, AFullListOf32767LinesIsShown)
{
    f.write_list(numbered_lines(32767));
    EXPECT_EQ(choose([](G_GRID& p) {
        EXPECT_EQ(p.grid()->Rows(), 32768);
        QTest::keyClick(p.grid(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(p.grid(), Qt::Key_Return);
    }), PopupResult::chosen);
    EXPECT_EQ(targets(), (QStringList{"2767", "情報区分名称00000000032767"}));
}
