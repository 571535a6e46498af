// The maintenance cycle on the real window: search, add, change, delete, leave
// and end, driven by keys and clicks, with the table checked afterwards from a
// second connection. Runs on SQLite and on PostgreSQL.
#include "LogLines.h"
#include "ScreenFixture.h"

#include "db/Database.h"
#include "store/Statements.h"
#include "ui/Appearance.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QDropEvent>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace k4::test {
namespace {

const std::vector<MasterRow> sample_rows = {
    {QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")},
    {QStringLiteral("C00001"), QStringLiteral("2"), QStringLiteral("0002")},
    {QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0003")},
    // Its type has no name in 区分マスタ: never listed.
    {QStringLiteral("C00003"), QStringLiteral("9"), QStringLiteral("0001")},
};

class ScreenCycle : public ScreenBackendTest {
protected:
    void prepare() override
    {
        h->reset_schema();
        h->set_rows(sample_rows);
    }
};

TEST_P(ScreenCycle, StartUpListsJoinedRowsWithNamesAndHeader)
{
    start({QStringLiteral("  OP 01  ")});
    EXPECT_EQ(screen().grid_row_count, 3);
    EXPECT_EQ(grid().TextMatrix(1, 1), QStringLiteral("C00001"));
    EXPECT_EQ(grid().TextMatrix(1, 3), QStringLiteral("送信"));
    EXPECT_EQ(grid().TextMatrix(1, 5), QStringLiteral("受注データ"));
    EXPECT_EQ(grid().TextMatrix(2, 3), QStringLiteral("受信"));
    EXPECT_EQ(grid().TextMatrix(3, 4), QStringLiteral("0003"));
    EXPECT_EQ(grid().TextMatrix(0, 1), QStringLiteral("相手先企業ｺｰﾄﾞ"));
    EXPECT_EQ(grid().TextMatrix(0, 2), QStringLiteral("  "));
    EXPECT_EQ(grid().ColWidth(0), 0);

    EXPECT_EQ(form().lbl_PGID->text(), QStringLiteral("W4080201"));
    EXPECT_EQ(form().lbl_OPTIT->text(), QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ"));
    EXPECT_EQ(form().lbl_OP_CD->text(), QStringLiteral("OP 01"));
    EXPECT_EQ(form().lbl_OP_NM->text(), QString());
    EXPECT_EQ(form().lbl_HIDUKE->text(), QStringLiteral("2026/12/08"));
    EXPECT_EQ(form().windowTitle(), QStringLiteral("利用情報区分マスタ保守 "));

    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_TRUE(form().KATCD->isEnabled());
    EXPECT_FALSE(form().ATCD->isEnabled());
    EXPECT_TRUE(form().CMD[0]->isEnabled());
    EXPECT_FALSE(form().CMD[2]->isEnabled());
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_TRUE(h->messages.shown().empty());
}

TEST_P(ScreenCycle, FillShowsNullAsEmptyAndAnEmptyResultKeepsTheRows)
{
    h->set_rows({{QStringLiteral("C1"), QStringLiteral("1"), QStringLiteral("0099")},
                 {QStringLiteral("C2"), QStringLiteral("2"), QStringLiteral("0001")}});
    OdbcSandbox::shared().execute(
        h->dsn(), QStringLiteral("UPDATE 区分マスタ SET 区分名称 = NULL WHERE 区分コード = '2'"));
    start();
    ASSERT_EQ(screen().grid_row_count, 2);
    EXPECT_EQ(grid().TextMatrix(1, 5), QString());  // 0099 is not in the list
    EXPECT_EQ(grid().TextMatrix(2, 3), QString());  // a Null name
    EXPECT_EQ(grid().TextMatrix(2, 5), QStringLiteral("受注データ"));

    h->set_rows({});
    const Result<ListedRows> list = h->app->store.full_list();
    ASSERT_EQ(list.outcome, Outcome::done);
    screen().fill_grid(list.value);
    EXPECT_EQ(screen().grid_row_count, 0);
    EXPECT_EQ(grid().Rows(), 3);  // as before
    EXPECT_EQ(grid().TextMatrix(1, 1), QString());
    EXPECT_EQ(grid().TextMatrix(2, 5), QString());
    EXPECT_EQ(grid().TextMatrix(0, 3), QStringLiteral("送受信種別"));
}

TEST_P(ScreenCycle, ClickDoubleClickAndArrowsCopyRows)
{
    start();
    h->click_cell(2, 1);
    EXPECT_EQ(screen().input_phase, Phase::body);
    EXPECT_FALSE(form().ATCD->isEnabled());
    EXPECT_TRUE(form().SJSHU->isEnabled());
    EXPECT_EQ(form().ATCD->text(), QStringLiteral("C00001"));
    EXPECT_EQ(form().SJSHU->text(), QStringLiteral("2"));
    EXPECT_EQ(form().lbl_SJNM->text(), QStringLiteral("受信"));
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0002"));
    EXPECT_EQ(form().lbl_JKBNM->text(), QStringLiteral("出荷案内"));
    EXPECT_FALSE(form().CMD[0]->isEnabled());
    EXPECT_TRUE(form().CMD[2]->isEnabled());
    EXPECT_EQ(grid().ColSel(), 5);

    h->key(Qt::Key_Down);
    EXPECT_EQ(form().ATCD->text(), QStringLiteral("C00002"));
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0003"));
    h->key(Qt::Key_Up);
    h->key(Qt::Key_Up);
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0001"));

    h->double_click_cell(3, 2);
    EXPECT_EQ(form().ATCD->text(), QStringLiteral("C00002"));
    EXPECT_EQ(h->focus(), form().SJSHU);

    // Esc on the grid in BODY is the window's leave, once: the unchanged row
    // is refused as a duplicate and the screen stays in BODY as refused.
    grid().setFocus();
    h->key(Qt::Key_Escape);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::duplicated});
    EXPECT_EQ(screen().input_phase, Phase::body);
    EXPECT_EQ(h->focus(), form().JKBN);
    EXPECT_FALSE(form().CMD[0]->isEnabled());
    EXPECT_TRUE(form().CMD[2]->isEnabled());
    // F2 then Esc leaves without saving: fields cleared, HEAD, focus in KATCD.
    grid().setFocus();
    h->key(Qt::Key_F2);
    h->key(Qt::Key_Escape);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(form().ATCD->text(), QString());
    EXPECT_EQ(form().lbl_PGID->text(), QStringLiteral("W4080201"));
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_TRUE(form().CMD[0]->isEnabled());
    EXPECT_FALSE(form().CMD[2]->isEnabled());
}

TEST_P(ScreenCycle, AddingARowWithYesInsertsRefreshesAndReturnsToHead)
{
    start();
    h->click_button(1);
    EXPECT_EQ(screen().entry_kind, EntryKind::add);
    EXPECT_EQ(h->focus(), form().ATCD);
    EXPECT_FALSE(form().CMD[0]->isEnabled());
    EXPECT_FALSE(form().CMD[2]->isEnabled());

    h->type(QStringLiteral("c00009"));
    h->key(Qt::Key_Return);
    EXPECT_EQ(form().ATCD->text(), QStringLiteral("C00009"));  // upper-cased by the check
    EXPECT_EQ(h->focus(), form().SJSHU);
    h->type(QStringLiteral("1"));  // a full one-character field moves on by itself
    EXPECT_EQ(form().lbl_SJNM->text(), QStringLiteral("送信"));
    EXPECT_EQ(h->focus(), form().JKBN);
    h->type(QStringLiteral("0004"));
    EXPECT_EQ(h->focus(), form().JKBN);  // the last field never moves on by itself
    h->enter_answering(mb::IdYes);

    ASSERT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    EXPECT_EQ(h->messages.shown()[0].style, mb::YesNoCancel + mb::Exclamation);
    EXPECT_TRUE(h->table_rows().contains(QStringLiteral("C00009|1|0004")));
    EXPECT_EQ(screen().grid_row_count, 4);
    EXPECT_EQ(grid().TextMatrix(4, 1), QStringLiteral("C00009"));
    EXPECT_EQ(grid().TextMatrix(4, 5), QStringLiteral("支払通知"));
    EXPECT_EQ(form().ATCD->text(), QString());
    EXPECT_EQ(form().lbl_JKBNM->text(), QString());
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_EQ(screen().entry_kind, EntryKind::add);  // stays until the next row copy or add
}

TEST_P(ScreenCycle, CancelKeepsTheEntryAndNoDiscardsIt)
{
    start();
    h->add_row(QStringLiteral("C00010"), QStringLiteral("2"), QStringLiteral("0005"), mb::IdCancel);
    EXPECT_EQ(h->focus(), form().ATCD);
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0005"));
    EXPECT_EQ(screen().input_phase, Phase::body);

    form().JKBN->setFocus();
    h->enter_answering(mb::IdNo);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(form().ATCD->text(), QString());
    EXPECT_EQ(screen().entry_kind, EntryKind::change);
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_FALSE(h->table_rows().contains(QStringLiteral("C00010|2|0005")));

    // Cancel while changing a listed row goes back to SJSHU.
    h->click_cell(1, 1);
    form().JKBN->setFocus();
    form().JKBN->setText(QStringLiteral("0005"));
    h->enter_answering(mb::IdCancel);
    EXPECT_EQ(h->focus(), form().SJSHU);
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0005"));

    // No after moving the grid's column: HEAD shows the entry line cleared,
    // not the listed row again.
    h->click_cell(3, 1);
    grid().setFocus();
    h->key(Qt::Key_Right);
    form().JKBN->setFocus();
    form().JKBN->setText(QStringLiteral("0005"));
    h->enter_answering(mb::IdNo);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(form().ATCD->text() + form().SJSHU->text() + form().JKBN->text(), QString());
}

TEST_P(ScreenCycle, TabIntoAFilledFieldMovesOnlyTheFocus)
{
    // The press of Tab moves the focus; its release arrives at the field the
    // focus went to and must not run that field's automatic advance.
    start();
    auto tab = [this] {
        QTest::sendKeyEvent(QTest::Press, QApplication::focusWidget(), Qt::Key_Tab, QStringLiteral("\t"),
                            Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, QApplication::focusWidget(), Qt::Key_Tab,
                            QStringLiteral("\t"), Qt::NoModifier);
    };
    h->begin_add(QStringLiteral("C00010"));
    h->type(QStringLiteral("9"));   // a full field: checked, refused, stays
    ASSERT_EQ(h->messages.texts(), QStringList{msg::no_such_name});
    h->messages.clear();
    form().ATCD->setFocus();
    tab();
    EXPECT_EQ(h->focus(), form().SJSHU);
    EXPECT_TRUE(h->messages.shown().empty()) << h->messages.texts().join(u' ').toStdString();
}

TEST_P(ScreenCycle, ChangingATypeReplacesTheRowInOneTransaction)
{
    start();
    // C00002 1 0003; Enter in JKBN: check, question, save.
    EXPECT_EQ(h->change_row(3, QStringLiteral("2"), mb::IdYes), QStringLiteral("受信"));
    const QStringList rows = h->table_rows();
    EXPECT_TRUE(rows.contains(QStringLiteral("C00002|2|0003")));
    EXPECT_FALSE(rows.contains(QStringLiteral("C00002|1|0003")));
    EXPECT_EQ(rows.size(), 4);
}

// The writing statements and transaction steps the program sends while `act`
// runs, as its database trace shows them (reads are left out).
QStringList writes_during(const std::function<void()>& act)
{
    LogLines trace({.category = "k4.db", .debug = true});
    act();
    return trace.lines().filter(QRegularExpression(QStringLiteral("^(transaction|execute_statement)")));
}

TEST_P(ScreenCycle, AChangeSendsTheListedRowsRemovalAndTheInsertInOneTransaction)
{
    start();
    h->change_type(3, QStringLiteral("2"));  // C00002 1 0003
    const QStringList lines = writes_during([&] { h->enter_answering(mb::IdYes); });
    ASSERT_EQ(lines.size(), 4) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("transaction begun"));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("execute_statement: ") + sql::remove_changed_row(QStringLiteral("C00002"), QStringLiteral("1"),
                                                          QStringLiteral("0003"))))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("execute_statement: ") + sql::insert_entry(QStringLiteral("C00002"), QStringLiteral("2"),
                                                    QStringLiteral("0003"))));
    EXPECT_EQ(lines[3], QStringLiteral("transaction committed"));
}

TEST_P(ScreenCycle, AddingSendsOnlyTheInsert)
{
    start();
    h->enter_new_row(QStringLiteral("C00020"), QStringLiteral("2"), QStringLiteral("0001"));
    const QStringList lines = writes_during([&] { h->enter_answering(mb::IdYes); });
    ASSERT_EQ(lines.size(), 3) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("execute_statement: ") + sql::insert_entry(QStringLiteral("C00020"), QStringLiteral("2"),
                                                    QStringLiteral("0001"))));
}

TEST_P(ScreenCycle, DuplicateEntryIsRefusedBeforeAnyWrite)
{
    start();
    h->enter_new_row(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001"));
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::duplicated});
    EXPECT_EQ(h->messages.shown()[0].style, mb::OKOnly + mb::Exclamation);
    EXPECT_EQ(h->focus(), form().JKBN);
    EXPECT_EQ(form().JKBN->selectedText(), QStringLiteral("0001"));
    EXPECT_EQ(h->table_rows().size(), 4);
}

TEST_P(ScreenCycle, EscInBodySavesWithoutAskingAndF2EscLeavesWithoutSaving)
{
    start();
    h->click_cell(1, 1);  // C00001 1 0001
    form().JKBN->setFocus();
    form().JKBN->setText(QStringLiteral("0004"));
    h->key(Qt::Key_Escape);
    EXPECT_TRUE(h->messages.shown().empty());
    QStringList rows = h->table_rows();
    EXPECT_TRUE(rows.contains(QStringLiteral("C00001|1|0004")));
    EXPECT_FALSE(rows.contains(QStringLiteral("C00001|1|0001")));
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(h->focus(), form().KATCD);

    h->click_cell(1, 1);
    form().JKBN->setFocus();
    form().JKBN->setText(QStringLiteral("0005"));
    h->key(Qt::Key_F2);
    h->key(Qt::Key_Escape);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_TRUE(screen().checks_active);
    EXPECT_EQ(h->table_rows(), rows);

    // Where a search leaves the cursor (SJSHU, full, wholly selected) and in
    // JKBN: the release of F2 runs no advance, so Esc leaves without a word.
    for (QWidget* field : {static_cast<QWidget*>(form().SJSHU), static_cast<QWidget*>(form().JKBN)}) {
        form().KATCD->setFocus();
        h->type(QStringLiteral("C00002"));
        h->key(Qt::Key_Return);
        ASSERT_EQ(h->focus(), form().SJSHU);
        field->setFocus();
        h->key(Qt::Key_F2);
        EXPECT_EQ(h->focus(), field);
        h->key(Qt::Key_Escape);
        EXPECT_EQ(screen().input_phase, Phase::head) << field->objectName().toStdString();
        EXPECT_EQ(h->focus(), form().KATCD);
        EXPECT_TRUE(h->messages.shown().empty()) << h->messages.texts().join(u' ').toStdString();
        EXPECT_EQ(h->table_rows(), rows);
    }
}

TEST_P(ScreenCycle, ABlankGridRowIsNoRowToWorkOn)
{
    h->set_rows({});
    start();
    ASSERT_EQ(screen().grid_row_count, 0);
    ASSERT_GE(grid().Rows(), 2) << "the grid keeps its blank data row";
    h->click_cell(1, 1);
    EXPECT_EQ(screen().input_phase, Phase::head);
    h->double_click_cell(1, 1);
    EXPECT_EQ(screen().input_phase, Phase::head);
    grid().setFocus();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return, Qt::Key_Return, Qt::Key_Return})
        h->key(key);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(screen().entry_kind, EntryKind::change);
    EXPECT_FALSE(form().CMD[2]->isEnabled());
    EXPECT_TRUE(h->messages.shown().empty()) << h->messages.texts().join(u' ').toStdString();
    EXPECT_TRUE(h->table_rows().isEmpty());
}

TEST_P(ScreenCycle, ATypedTrailingBlankIsRefusedAsTheDuplicateItWouldWrite)
{
    start();
    const QStringList before = h->table_rows();
    h->enter_new_row(QStringLiteral("C00001 "), QStringLiteral("1"), QStringLiteral("0001"));
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::duplicated});
    EXPECT_EQ(h->focus(), form().JKBN);
    EXPECT_EQ(h->table_rows(), before);
}

TEST_P(ScreenCycle, TheFocusColourFollowsTheFocusGivenWhileAMessageBoxIsOpen)
{
    start();
    const quint32 focus = color_from_number(h->app->settings.text_focus_color).value();
    const quint32 normal = color_from_number(h->app->settings.text_back_color).value();
    ASSERT_NE(focus, normal);
    auto colours = [this] {
        return QList<quint32>{form().KATCD->BackColor(), form().ATCD->BackColor(),
                              form().SJSHU->BackColor(), form().JKBN->BackColor()};
    };
    EXPECT_EQ(colours(), (QList<quint32>{focus, normal, normal, normal}));

    // Each question takes the activation from the window, as a real box
    // does, and keeps it until after the program has placed the focus.
    QWidget box;
    box.setWindowTitle(QStringLiteral("K408020"));
    h->messages.on_show = [&box](const QString&) {
        box.show();
        box.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
    };
    auto after_the_box = [&] {
        box.hide();
        form().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form()));
    };

    h->add_row(QStringLiteral("C00010"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdCancel);
    after_the_box();
    EXPECT_EQ(h->focus(), form().ATCD);
    EXPECT_EQ(colours(), (QList<quint32>{normal, focus, normal, normal}));
    EXPECT_TRUE(form().ATCD->hasSelectedText());

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Return})
        h->key(key);
    h->enter_answering(mb::IdNo);
    after_the_box();
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_EQ(colours(), (QList<quint32>{focus, normal, normal, normal}));

    h->click_cell(1, 1);
    form().JKBN->setFocus();
    h->messages.plan(mb::IdCancel);
    h->click_button(2);
    after_the_box();
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_EQ(colours(), (QList<quint32>{focus, normal, normal, normal}));
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update,
                                                msg::confirm_update,
                                                msg::confirm_delete}));

    // No to the exit question, the window active again before the answer returns.
    h->click_cell(1, 1);
    form().JKBN->setFocus();
    h->messages.on_show = [&](const QString&) {
        box.show();
        box.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
        after_the_box();
    };
    h->messages.plan(mb::IdNo);
    form().CMD[int(Command::end)]->click();  // as Alt+E does: the focus stays in the field
    EXPECT_EQ(h->messages.texts().last(), msg::confirm_exit);
    EXPECT_EQ(h->focus(), form().JKBN);
    EXPECT_EQ(colours(), (QList<quint32>{normal, normal, normal, focus}));
}

TEST_P(ScreenCycle, EscWithEmptyTypeIsRefusedAndKeepsTheEntry)
{
    start();
    h->begin_add(QStringLiteral("C00011"));
    h->key(Qt::Key_Escape);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::transfer_type_missing});
    EXPECT_EQ(screen().input_phase, Phase::body);
    EXPECT_EQ(screen().entry_kind, EntryKind::add);
    EXPECT_EQ(h->focus(), form().SJSHU);
}

TEST_P(ScreenCycle, DeletionAsksAndHoldsItsAnswer)
{
    start();
    // A combination not in the table: refused, nothing deleted.
    h->click_cell(1, 1);
    form().JKBN->setText(QStringLiteral("0005"));
    h->click_button(2);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::no_such_data});
    EXPECT_EQ(screen().input_phase, Phase::body);
    EXPECT_EQ(screen().entry_kind, EntryKind::change);
    EXPECT_EQ(h->focus(), form().JKBN);
    EXPECT_EQ(h->table_rows().size(), 4);

    // Cancel keeps the row; both answers return to HEAD.
    h->messages.clear();
    h->delete_row(2, mb::IdCancel);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_EQ(h->messages.shown()[0].style, mb::OKCancel + mb::Exclamation);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_TRUE(h->table_rows().contains(QStringLiteral("C00001|2|0002")));

    h->delete_row(2, mb::IdOK);
    EXPECT_FALSE(h->table_rows().contains(QStringLiteral("C00001|2|0002")));
    EXPECT_EQ(h->table_rows().size(), 3);
    EXPECT_EQ(screen().grid_row_count, 2);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(screen().entry_kind, EntryKind::change);
    EXPECT_FALSE(h->app->db.in_transaction());
}

TEST_P(ScreenCycle, ButtonsOutsideTheirPhaseDoNothing)
{
    start();
    screen().command_click(Command::remove);  // in HEAD
    EXPECT_TRUE(h->messages.shown().empty());
    h->click_cell(1, 1);
    form().KATCD->setText(QStringLiteral("C00002"));
    screen().command_click(Command::search);  // in BODY
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0001"));
    EXPECT_EQ(screen().grid_row_count, 3);
}

TEST_P(ScreenCycle, PartnerSearch)
{
    start();
    // A partner without rows: the message (no icon) and the full list kept.
    form().KATCD->setText(QStringLiteral("C99999"));
    h->key(Qt::Key_Return);
    ASSERT_EQ(h->messages.texts(), QStringList{msg::no_such_data});
    EXPECT_EQ(h->messages.shown()[0].style, mb::OKOnly);
    EXPECT_EQ(screen().grid_row_count, 3);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(h->focus(), form().KATCD);

    // A trailing blank is sent inside the quotes.
    form().KATCD->setText(QStringLiteral("C00002 "));
    h->messages.clear();
    h->key(Qt::Key_Return);
    EXPECT_TRUE(h->app->db.sql_text.contains(QStringLiteral("= 'C00002 '")));

    // A partner's rows only, the first one current and copied.
    h->messages.clear();
    form().KATCD->replace_operator_text(QStringLiteral("c00001"));  // as typed
    h->key(Qt::Key_Return);
    EXPECT_TRUE(h->messages.shown().empty());
    EXPECT_EQ(screen().grid_row_count, 2);
    EXPECT_EQ(grid().Row(), 1);
    EXPECT_EQ(form().ATCD->text(), QStringLiteral("C00001"));
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0001"));
    EXPECT_EQ(screen().input_phase, Phase::body);
    EXPECT_FALSE(form().ATCD->isEnabled());
    EXPECT_EQ(h->focus(), form().SJSHU);
}

TEST_P(ScreenCycle, SearchWithEmptyCodeTakesTheFirstRow)
{
    start();
    h->click_button(0);
    EXPECT_EQ(form().ATCD->text(), QStringLiteral("C00001"));
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0001"));
    EXPECT_EQ(screen().input_phase, Phase::body);
    EXPECT_EQ(h->focus(), form().SJSHU);
}

TEST_P(ScreenCycle, SearchOnAnEmptyListStaysInTheSearchField)
{
    h->set_rows({});
    start();
    EXPECT_EQ(screen().grid_row_count, 0);
    h->key(Qt::Key_Return);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_TRUE(h->messages.shown().empty());
}

TEST_P(ScreenCycle, SkipOfChecksAppliesToOneCheckOnly)
{
    start();
    h->click_button(1);
    // After F2 the next Enter moves on unchecked, the one after checks.
    h->key(Qt::Key_F2);
    h->key(Qt::Key_Return);  // ATCD empty, not refused
    EXPECT_EQ(h->focus(), form().SJSHU);
    h->key(Qt::Key_Return);  // SJSHU empty: refused
    EXPECT_EQ(h->messages.texts(), QStringList{msg::transfer_type_missing});
    EXPECT_EQ(h->focus(), form().SJSHU);

    // During a save F2 skips ATCD only: SJSHU and JKBN are still checked.
    h->messages.clear();
    form().SJSHU->setText(QStringLiteral("1"));
    form().JKBN->setFocus();
    form().JKBN->setText(QStringLiteral("0004"));
    h->key(Qt::Key_F2);
    EXPECT_EQ(screen().check_body_fields(), Step::passed);  // empty ATCD skipped
    EXPECT_EQ(form().lbl_SJNM->text(), QStringLiteral("送信"));
    EXPECT_EQ(form().lbl_JKBNM->text(), QStringLiteral("支払通知"));

    // Without F2 an empty ATCD is refused while adding...
    EXPECT_EQ(screen().check_body_fields(), Step::refused);
    EXPECT_EQ(h->messages.texts().back(), msg::partner_missing);
    EXPECT_EQ(h->focus(), form().ATCD);
}

TEST_P(ScreenCycle, AnEmptyPartnerIsRefusedBeforeTheQuestionWhateverTheEntryKind)
{
    // On an empty table a click on the blank grid row leaves an add an add;
    // an emptied partner is refused by the field checks, never after Yes.
    h->set_rows({});
    start();
    h->click_button(1);
    h->click_cell(1, 1);
    EXPECT_EQ(screen().entry_kind, EntryKind::add);
    form().SJSHU->setText(QStringLiteral("1"));
    form().JKBN->setFocus();
    form().JKBN->setText(QStringLiteral("0001"));
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::partner_missing});
    EXPECT_EQ(h->focus(), form().ATCD);
    EXPECT_EQ(screen().input_phase, Phase::body);

    screen().entry_kind = EntryKind::change;
    h->messages.clear();
    EXPECT_EQ(screen().check_partner_code(), Step::refused);
    EXPECT_TRUE(h->table_rows().isEmpty());
}

TEST_P(ScreenCycle, F5InHeadShowsTheTableAsItIsNow)
{
    start();
    form().KATCD->setText(QStringLiteral("C00002"));
    h->key(Qt::Key_Return);
    ASSERT_EQ(screen().grid_row_count, 1);
    h->key(Qt::Key_F2);
    h->key(Qt::Key_Escape);
    ASSERT_EQ(screen().input_phase, Phase::head);
    // Another operator adds a row meanwhile.
    OdbcSandbox::shared().execute(h->dsn(), QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES ('C00009', '2', '0004')"));
    h->key(Qt::Key_F5);
    EXPECT_EQ(screen().grid_row_count, 4);
    EXPECT_EQ(grid().TextMatrix(4, 1), QStringLiteral("C00009"));
    EXPECT_EQ(h->focus(), form().KATCD);
    EXPECT_EQ(screen().input_phase, Phase::head);
    EXPECT_TRUE(h->messages.shown().empty()) << h->messages.texts().join(u' ').toStdString();
}

TEST_P(ScreenCycle, UnknownCodesAreRefused)
{
    start();
    h->begin_add(QStringLiteral("C00012"));
    h->type(QStringLiteral("7"));  // no such send/receive type
    EXPECT_EQ(h->messages.texts(), QStringList{msg::no_such_name});
    EXPECT_EQ(h->messages.shown()[0].style, mb::OKOnly);
    EXPECT_EQ(h->focus(), form().SJSHU);
    EXPECT_EQ(form().lbl_SJNM->text(), QString());

    h->messages.clear();
    form().SJSHU->setText(QStringLiteral("1"));
    form().JKBN->setFocus();
    h->type(QStringLiteral("9999"));
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::no_such_code});
    EXPECT_EQ(h->focus(), form().JKBN);
}

TEST_P(ScreenCycle, QuotesNeverReachAFieldTypedOrPasted)
{
    start();
    h->type(QStringLiteral("a'b\"c,d"));
    EXPECT_EQ(form().KATCD->text(), QStringLiteral("abcd"));  // lower case passes unchanged
    // A paste with Ctrl+V.
    form().KATCD->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("X'Y,Z\""));
    h->key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form().KATCD->text(), QStringLiteral("XYZ"));
    // Text committed by an input method.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("'Ｊ,"));
    QApplication::sendEvent(form().KATCD, &commit);
    EXPECT_EQ(form().KATCD->text(), QStringLiteral("XYZＪ"));
    // Paste from the box's own menu, whose action runs after the menu has
    // closed, and a drop.
    form().KATCD->set_program_text(QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("A'B,C\"D"));
    const std::unique_ptr<QMenu> menu(form().KATCD->createStandardContextMenu());
    QAction* paste = nullptr;
    for (QAction* action : menu->actions()) {   // "&Paste", or Qt's Japanese for it
        const QString text = action->text().remove(u'&');
        if (text.startsWith(QLatin1String("Paste")) || text.startsWith(QStringLiteral("貼り付け")))
            paste = action;
    }
    ASSERT_TRUE(paste);
    paste->trigger();
    EXPECT_EQ(form().KATCD->text(), QStringLiteral("ABCD"));
    form().KATCD->set_program_text(QString());
    QMimeData dropped;
    dropped.setText(QStringLiteral("E'F\"G,H"));
    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form().KATCD, &enter);
    QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form().KATCD, &drop);
    EXPECT_EQ(form().KATCD->text(), QStringLiteral("EFGH"));
    // A value the program copies from a listed row stays whole.
    form().ATCD->set_program_text(QStringLiteral("O'NEIL"));
    EXPECT_EQ(form().ATCD->text(), QStringLiteral("O'NEIL"));
}

TEST_P(ScreenCycle, F5OpensThePopupOnlyInTheCodeField)
{
    start();
    h->begin_add(QStringLiteral("C00013"));
    h->key(Qt::Key_F5);  // in SJSHU: nothing
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    form().JKBN->setFocus();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        QWidget* popup = QApplication::activeModalWidget();
        opened = popup && popup->windowTitle() == QStringLiteral("情報区分検索");
        if (popup) {
            QWidget* g = popup->findChild<QWidget*>(QStringLiteral("MSFLEXGRID"));
            QTest::keyClick(g ? g : popup, Qt::Key_Down);
            QTest::keyClick(g ? g : popup, Qt::Key_Return);
        }
    });
    h->key(Qt::Key_F5);
    EXPECT_TRUE(opened);
    EXPECT_EQ(form().JKBN->text(), QStringLiteral("0002"));
    EXPECT_EQ(form().lbl_JKBNM->text(), QStringLiteral("出荷案内"));
}

TEST_P(ScreenCycle, ExitQuestionNoRepaintsFieldsYesClosesTheConnection)
{
    start();
    form().JKBN->setBackColor(0x00123456);
    form().KATCD->setBackColor(0x00654321);
    h->messages.plan(mb::IdNo);
    h->key(Qt::Key_Escape);
    ASSERT_EQ(h->messages.texts(), QStringList{msg::confirm_exit});
    EXPECT_EQ(h->messages.shown()[0].style, mb::YesNo + mb::Exclamation + mb::DefaultButton2);
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(form().JKBN->BackColor(), 16777215u);
    EXPECT_EQ(form().KATCD->BackColor(), 0x00654321u);
    EXPECT_FALSE(h->ended);

    h->messages.plan(mb::IdYes);
    h->click_button(3);
    EXPECT_TRUE(h->ended);
    EXPECT_FALSE(h->app->db.is_open());
}

TEST_P(ScreenCycle, AQuoteInAListedValueDeletesTheRightRowOnly)
{
    h->set_rows({{QStringLiteral("O'NEIL"), QStringLiteral("1"), QStringLiteral("0001")},
                 {QStringLiteral("O"), QStringLiteral("1"), QStringLiteral("0001")}});
    start();
    ASSERT_EQ(screen().grid_row_count, 2);
    const int row = grid().TextMatrix(1, 1) == QStringLiteral("O'NEIL") ? 1 : 2;
    h->delete_row(row, mb::IdOK);
    EXPECT_EQ(h->table_rows(), QStringList{QStringLiteral("O|1|0001")});
}

TEST_P(ScreenCycle, CommittedChangesAreLoggedWithTheOperator)
{
    LogLines changes({.category = "k4.changes"});
    start({QStringLiteral("OP42")});
    h->click_cell(1, 1);  // C00001 1 0001
    form().JKBN->setFocus();
    form().JKBN->setText(QStringLiteral("0004"));
    h->key(Qt::Key_Escape);  // saves the change
    h->delete_row(3, mb::IdOK);  // C00002 1 0003
    // A refused save logs nothing.
    h->click_button(1);
    h->key(Qt::Key_Escape);
    EXPECT_EQ(changes.lines(), (QStringList{
                       QStringLiteral("operator OP42 changed C00001/1/0001 -> C00001/1/0004"),
                       QStringLiteral("operator OP42 deleted C00002/1/0003 -> -")}));
}

K4_INSTANTIATE_SCREEN_BACKENDS(ScreenCycle);

}  // namespace
}  // namespace k4::test
