// Focus colouring, Enter/Down/Up movement and the phase groups, driven with
// real key presses on an offscreen window.

#include "KitWindow.h"
#include "LogLines.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace k4;
using namespace k4::test;

namespace {

class Navigation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(w.show_active());
    }

    // Puts the focus in `field` the way the operator would arrive there: from
    // another control.
    void focus(QWidget* field)
    {
        (field == w.GRID ? static_cast<QWidget*>(w.KATCD) : w.GRID)->setFocus(Qt::OtherFocusReason);
        field->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), field);
    }

    void press(int key) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)); }

    Appearance appearance = styled_appearance();
    KitWindow w{appearance};
};

TEST_F(Navigation, DownWrapsToTheFirstUsableFieldOfThePhase)
{
    w.enter_phase(QStringLiteral("BODY"));
    focus(w.JKBN);
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.ATCD) << "the search continues at field 0 (disabled)";

    w.ATCD->setEnabled(false);
    focus(w.JKBN);
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.SJSHU);

    // Enter and Down move alike, from the middle too.
    w.kit.focus_next_field(vk::Return);
    EXPECT_EQ(QApplication::focusWidget(), w.JKBN);

    // With no other usable field the focus stays.
    w.enter_phase(QStringLiteral("HEAD"));
    focus(w.KATCD);
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.KATCD);
}

TEST_F(Navigation, UnusableMeansDisabledHiddenOrLocked)
{
    w.enter_phase(QStringLiteral("BODY"));
    focus(w.ATCD);
    w.SJSHU->setLocked(true);
    w.JKBN->hide();
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.ATCD) << "SJSHU is locked, JKBN hidden, KATCD disabled";

    w.SJSHU->setLocked(false);  // read at the moment of the search
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.SJSHU);
}

TEST_F(Navigation, UpSearchesDownwardsWithoutWrapping)
{
    w.enter_phase(QStringLiteral("BODY"));
    w.ATCD->setEnabled(false);
    focus(w.SJSHU);
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.SJSHU) << "no wrap to JKBN";

    // From field 0 the search starts at the last field.
    w.enter_phase(QStringLiteral("HEAD"));
    w.JKBN->setEnabled(true);
    focus(w.KATCD);
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.JKBN);

    w.JKBN->setEnabled(false);
    w.ATCD->setEnabled(true);  // JKBN and SJSHU disabled: ATCD is the first usable one
    focus(w.KATCD);
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.ATCD);
}

TEST_F(Navigation, UpLeavesOnlyAnEmptyOrWhollySelectedField)
{
    w.enter_phase(QStringLiteral("BODY"));
    focus(w.JKBN);
    QTest::keyClicks(w.JKBN, QStringLiteral("AB"));
    ASSERT_EQ(w.JKBN->text(), QStringLiteral("AB"));
    ASSERT_EQ(w.JKBN->SelLength(), 0);
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.JKBN) << "caret after the text";

    w.JKBN->setSelection_(0, 1);
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.JKBN) << "part of the text selected";

    w.JKBN->setSelection_(0, 2);
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.SJSHU);

    // An empty field always lets the operator go; the field it reaches has
    // its text selected on entry.
    w.ATCD->setText(QStringLiteral("P001"));
    w.SJSHU->setText(QString());
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.ATCD);
    EXPECT_EQ(w.ATCD->selectedText(), QStringLiteral("P001"));
}

TEST_F(Navigation, ArrowsInTheGridMoveNoFieldFocus)
{
    w.enter_phase(QStringLiteral("BODY"));
    w.GRID->setRows(4);
    focus(w.GRID);
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.GRID);
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), w.GRID);
    EXPECT_EQ(w.GRID->Row(), 1) << "the grid still moves its own current row";
}

TEST_F(Navigation, FocusPaintsTheFieldAndSelectsItsText)
{
    w.enter_phase(QStringLiteral("BODY"));
    w.SJSHU->setText(QStringLiteral("1"));
    focus(w.ATCD);
    EXPECT_EQ(w.ATCD->BackColor(), focus_color);
    press(Qt::Key_Down);
    EXPECT_EQ(w.ATCD->BackColor(), normal_color);
    EXPECT_EQ(w.SJSHU->BackColor(), focus_color);
    EXPECT_EQ(w.SJSHU->SelStart(), 0);
    EXPECT_EQ(w.SJSHU->SelLength(), 1);

    // Kind "2" is the normal colour; any other kind is the focus colour.
    w.kit.set_field_color(w.JKBN, QStringLiteral("2"));
    EXPECT_EQ(w.JKBN->BackColor(), normal_color);
    w.kit.set_field_color(w.JKBN, QStringLiteral("3"));
    EXPECT_EQ(w.JKBN->BackColor(), focus_color);

    // An empty box is left alone by the selection.
    w.JKBN->setText(QString());
    PresentationKit::select_whole_text(w.JKBN);
    EXPECT_FALSE(w.JKBN->hasSelectedText());
}

TEST_F(Navigation, PhaseGroupsCompareExactly)
{
    w.enter_phase(QStringLiteral("BODY"));
    EXPECT_FALSE(w.KATCD->isEnabled());
    EXPECT_TRUE(w.ATCD->isEnabled());
    EXPECT_TRUE(w.SJSHU->isEnabled());
    EXPECT_TRUE(w.JKBN->isEnabled());

    w.enter_phase(QStringLiteral("body"));
    EXPECT_FALSE(w.KATCD->isEnabled());
    EXPECT_FALSE(w.ATCD->isEnabled());
    EXPECT_FALSE(w.JKBN->isEnabled());

    w.enter_phase(QStringLiteral("HEAD"));
    EXPECT_TRUE(w.KATCD->isEnabled());
    EXPECT_FALSE(w.SJSHU->isEnabled());
    EXPECT_TRUE(w.GRID->isEnabled()) << "controls outside the field table are left alone";
}

TEST_F(Navigation, ShortFieldTableIsNoCrash)
{
    // A field table with records whose control the window does not have.
    std::vector<PresentationKit::Field> fields = w.kit.field_table();
    fields.resize(6, {nullptr, QStringLiteral("BODY"), QStringLiteral("2")});
    w.kit.set_field_table(fields);
    ASSERT_EQ(w.kit.field_count(), 6);
    w.enter_phase(QStringLiteral("BODY"));
    focus(w.JKBN);
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.ATCD);
    w.kit.format_date_field(5);
    w.kit.format_date_field(-1);
}

TEST_F(Navigation, FieldTableWarnsOfATabIndexOffItsNumberAndLeavesItAlone)
{
    const LogLines kit_log({.category = "k4.ui.kit"});
    std::vector<PresentationKit::Field> fields = w.kit.field_table();
    w.kit.set_field_table(fields);
    EXPECT_EQ(kit_log.warnings(), QStringList()) << "the window's TabIndex order matches";

    std::swap(fields[1], fields[2]);  // SJSHU listed as field 1, ATCD as field 2
    w.kit.set_field_table(fields);
    const QStringList warnings = kit_log.warnings();
    ASSERT_EQ(warnings.size(), 2) << warnings.join(u'\n').toStdString();
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("SJSHU"))) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].contains(QStringLiteral("ATCD"))) << warnings[1].toStdString();
    EXPECT_EQ(tab_index(w.ATCD), 1) << "the table sets no TabIndex";
    EXPECT_EQ(tab_index(w.SJSHU), 2);
}

}  // namespace
