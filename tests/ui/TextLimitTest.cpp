// The byte limit of a field (code page 932 bytes) and the automatic advance
// from a field typed full, with keys typed into real text boxes.

#include "KitWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace k4;
using namespace k4::test;

namespace {

class TextLimit : public ::testing::Test {
protected:
    Appearance appearance = styled_appearance();
    KitWindow w{appearance};
};

TEST_F(TextLimit, CutsToMaxLengthBytesAndKeepsWhatFits)
{
    w.JKBN->replace_operator_text(QStringLiteral("AB123"));  // held whole, as MaxLength would not
    ASSERT_EQ(w.JKBN->text(), QStringLiteral("AB123"));
    w.kit.format_date_field(3);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("AB12"));
    w.kit.format_date_field(3);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("AB12"));

    w.SJSHU->replace_operator_text(QStringLiteral("1"));
    w.kit.format_date_field(2);
    EXPECT_EQ(w.SJSHU->text(), QStringLiteral("1"));

    w.ATCD->replace_operator_text(QString());
    w.kit.format_date_field(1);
    EXPECT_EQ(w.ATCD->text(), QString());

    // Blanks count like other characters and stay while they fit.
    w.JKBN->replace_operator_text(QStringLiteral(" A  B"));
    w.kit.format_date_field(3);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral(" A  "));

    // A character without a code page 932 form comes back replaced.
    w.ATCD->replace_operator_text(QStringLiteral("A\u00E9B"));
    w.kit.format_date_field(1);
    EXPECT_EQ(w.ATCD->text(), QStringLiteral("A?B"));

    // A value the program put in (a listed row) is neither cut nor converted.
    w.JKBN->set_program_text(QStringLiteral("AB1\u00E9"));
    w.kit.format_date_field(3);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("AB1\u00E9"));
}

TEST_F(TextLimit, DoubleByteCharactersCountTwiceAndAreNeverSplit)
{
    w.JKBN->replace_operator_text(QStringLiteral("情報区"));
    w.kit.format_date_field(3);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("情報"));

    w.JKBN->replace_operator_text(QStringLiteral("A情報"));  // 5 bytes; the cut would split 報
    w.kit.format_date_field(3);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("A情"));

    w.JKBN->replace_operator_text(QStringLiteral("ｱｲｳｴｵ"));  // half-width katakana is one byte each
    w.kit.format_date_field(3);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("ｱｲｳｴ"));
}

TEST_F(TextLimit, StoresTheTextBackEvenWhenItFits)
{
    w.ATCD->replace_operator_text(QStringLiteral("P001"));
    w.ATCD->setSelection_(1, 2);
    w.kit.format_date_field(1);
    EXPECT_EQ(w.ATCD->text(), QStringLiteral("P001"));
    EXPECT_FALSE(w.ATCD->hasSelectedText()) << "the text was written again";
}

class AutoAdvance : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(w.show_active());
        w.enter_phase(QStringLiteral("BODY"));
    }

    // Enters `field` from another control, as the operator would.
    void focus(QWidget* field)
    {
        w.GRID->setFocus(Qt::OtherFocusReason);
        field->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), field);
    }

    // A typed character: press and release carrying `text`, as a keyboard or
    // an input method delivers it.
    void type(const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              Qt::Key key = Qt::Key_unknown)
    {
        QWidget* target = QApplication::focusWidget();
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(target, &release);
    }

    Appearance appearance = styled_appearance();
    KitWindow w{appearance};
};

TEST_F(AutoAdvance, TheTwelfthCharacterChecksAndMovesOn)
{
    focus(w.ATCD);
    QTest::keyClicks(w.ATCD, QStringLiteral("ABCDEFGHIJK"));
    EXPECT_TRUE(w.checked.empty()) << "eleven characters do not fill the field";
    QTest::keyClick(w.ATCD, Qt::Key_L);
    EXPECT_EQ(w.checked, std::vector<int>{1});
    EXPECT_EQ(QApplication::focusWidget(), w.SJSHU);

    // One character fills SJSHU.
    w.checked.clear();
    QTest::keyClick(w.SJSHU, Qt::Key_1);
    EXPECT_EQ(w.checked, std::vector<int>{2});
    EXPECT_EQ(QApplication::focusWidget(), w.JKBN);
}

TEST_F(AutoAdvance, ARefusedCheckKeepsTheFocusWithTheTextSelected)
{
    focus(w.ATCD);
    w.check_accepts = false;
    QTest::keyClicks(w.ATCD, QStringLiteral("ABCDEFGHIJKL"));
    EXPECT_EQ(w.checked, std::vector<int>{1});
    EXPECT_EQ(QApplication::focusWidget(), w.ATCD);
    EXPECT_EQ(w.ATCD->SelStart(), 0);
    EXPECT_EQ(w.ATCD->SelLength(), 12);
}

TEST_F(AutoAdvance, TheLastFieldNeverAdvances)
{
    focus(w.JKBN);
    QTest::keyClicks(w.JKBN, QStringLiteral("0001"));
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("0001"));
    EXPECT_TRUE(w.checked.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.JKBN);

    // Nor is it cut here.
    w.JKBN->setText(QStringLiteral("情報区分"));
    QTest::keyClick(w.JKBN, Qt::Key_Right);
    EXPECT_EQ(w.JKBN->text(), QStringLiteral("情報区分"));
}

TEST_F(AutoAdvance, AKeyReleasedWithShiftHeldDoesNotAdvance)
{
    focus(w.SJSHU);
    type(QStringLiteral("A"), Qt::ShiftModifier, Qt::Key_A);
    EXPECT_EQ(w.SJSHU->text(), QStringLiteral("A"));
    // Releasing Shift afterwards is ignored too.
    QTest::keyRelease(w.SJSHU, Qt::Key_Shift);
    EXPECT_TRUE(w.checked.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.SJSHU);
}

TEST_F(AutoAdvance, NavigationKeysAreIgnoredButRightInAFullFieldAdvances)
{
    w.ATCD->setText(QStringLiteral("ABCDEFGHIJKL"));
    focus(w.ATCD);
    ASSERT_EQ(w.ATCD->SelLength(), 12) << "entering selects the text";
    QTest::keyRelease(w.ATCD, Qt::Key_Escape);
    QTest::keyRelease(w.ATCD, Qt::Key_Return);
    QTest::keyRelease(w.ATCD, Qt::Key_Control);
    EXPECT_TRUE(w.checked.empty());

    QTest::keyClick(w.ATCD, Qt::Key_Right);
    EXPECT_EQ(w.checked, std::vector<int>{1});
    EXPECT_EQ(QApplication::focusWidget(), w.SJSHU);
}

TEST_F(AutoAdvance, DoubleByteTextOverTheLimitIsCutWithoutAdvancing)
{
    focus(w.ATCD);
    for (const QChar c : QStringLiteral("あいうえおかき"))
        type(QString(c));
    // Each release past the sixth character has cut the text back to 12 bytes.
    EXPECT_EQ(w.ATCD->text(), QStringLiteral("あいうえおか"));
    EXPECT_EQ(w.ATCD->cursorPosition(), 6);
    EXPECT_TRUE(w.checked.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.ATCD);

    // Seven characters put there by the program stay whole at the next
    // release (a copied value is never cut); the operator's are cut.
    w.ATCD->set_program_text(QStringLiteral("情報区分名称７"));
    QTest::keyClick(w.ATCD, Qt::Key_Left);
    EXPECT_EQ(w.ATCD->text(), QStringLiteral("情報区分名称７"));
    w.ATCD->replace_operator_text(QStringLiteral("情報区分名称７"));
    QTest::keyClick(w.ATCD, Qt::Key_Left);
    EXPECT_EQ(w.ATCD->text(), QStringLiteral("情報区分名称"));
    EXPECT_EQ(w.ATCD->cursorPosition(), 6);
    EXPECT_TRUE(w.checked.empty()) << "seven characters read before the cut differ from 12";
}

TEST_F(AutoAdvance, NothingHappensWhileTheWindowIsHidden)
{
    focus(w.ATCD);
    w.ATCD->setText(QStringLiteral("情報区分名称７"));
    w.hide();
    EXPECT_EQ(w.kit.field_key_up(vk::Right, 0), -1);
    EXPECT_EQ(w.ATCD->text(), QStringLiteral("情報区分名称７"));
    EXPECT_TRUE(w.checked.empty());
}

}  // namespace
