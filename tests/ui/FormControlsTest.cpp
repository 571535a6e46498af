// The window's key preview and the classic properties of the controls.

#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/Form.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace k4;

namespace {

// Records what reaches the window's handlers; a plan per key says what the
// handlers do with it.
class PreviewWindow : public Form {
public:
    PreviewWindow()
    {
        box = new TextBox(this);
        box->setObjectName(QStringLiteral("BOX"));
        grid = new FlexGrid(this);
        grid->setObjectName(QStringLiteral("GRID"));
        grid->setRows(3);
        connect(grid, &FlexGrid::KeyDown, this, [this](int& key_code, int) {
            log << QStringLiteral("grid KeyDown %1").arg(key_code);
        });
        enable_key_preview();
    }

    TextBox* box;
    FlexGrid* grid;
    QStringList log;
    int consume_in_window = -1;     // key code the window's handler consumes
    QChar swallow;                  // typed character the key-press handler drops
    QChar replace_from, replace_to;

protected:
    void form_key_down(int& key_code, int shift) override
    {
        log << QStringLiteral("form KeyDown %1 %2 text=%3").arg(key_code).arg(shift).arg(box->text());
        if (key_code == consume_in_window)
            key_code = 0;
    }
    void control_key_down(QWidget* control, int& key_code, int) override
    {
        log << QStringLiteral("%1 KeyDown %2").arg(control->objectName()).arg(key_code);
    }
    void control_key_press(QWidget* control, int& key_ascii) override
    {
        log << QStringLiteral("%1 KeyPress %2").arg(control->objectName()).arg(key_ascii);
        if (key_ascii == swallow.unicode())
            key_ascii = 0;
        else if (key_ascii == replace_from.unicode())
            key_ascii = replace_to.unicode();
    }
    void control_key_up(QWidget* control, int key_code, int shift) override
    {
        log << QStringLiteral("%1 KeyUp %2 %3").arg(control->objectName()).arg(key_code).arg(shift);
    }
};

class KeyPreview : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        w.box->setFocus();
        QCoreApplication::processEvents();
        w.log.clear();
    }
    PreviewWindow w;
};

TEST_F(KeyPreview, TheWindowSeesEachKeyBeforeTheControl)
{
    QTest::keyClick(w.box, Qt::Key_A);
    EXPECT_EQ(w.log, (QStringList{QStringLiteral("form KeyDown 65 0 text="),
                                  QStringLiteral("BOX KeyDown 65"), QStringLiteral("BOX KeyPress 97"),
                                  QStringLiteral("BOX KeyUp 65 0")}));
    EXPECT_EQ(w.box->text(), QStringLiteral("a"));
}

TEST_F(KeyPreview, KeysCanBeConsumedAndCharactersSwallowedOrReplaced)
{
    w.consume_in_window = 66;
    w.swallow = u'\'';
    w.replace_from = u'x';
    w.replace_to = u'X';
    QTest::keyClicks(w.box, QStringLiteral("a'bx,"));
    QTest::keyClick(w.box, Qt::Key_D, Qt::AltModifier);  // a disabled button's key
    EXPECT_EQ(w.box->text(), QStringLiteral("aX,"));
    EXPECT_FALSE(w.log.contains(QStringLiteral("BOX KeyDown 66"))) << "consumed by the window";
    EXPECT_TRUE(w.log.contains(QStringLiteral("form KeyDown 68 4 text=aX,")));
}

TEST_F(KeyPreview, KeyReleaseCarriesTheShiftState)
{
    QTest::keyClick(w.box, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(w.box, Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(w.log.contains(QStringLiteral("BOX KeyUp 65 1")));
    EXPECT_TRUE(w.log.contains(QStringLiteral("BOX KeyUp 39 6")));
    EXPECT_TRUE(w.log.contains(QStringLiteral("form KeyDown 39 6 text=a"))) << w.log.join(u'|').toStdString();
}

TEST_F(KeyPreview, EnterStopsAtATextBoxButReachesTheGrid)
{
    QTest::keyClick(w.box, Qt::Key_Return);
    EXPECT_TRUE(w.log.contains(QStringLiteral("form KeyDown 13 0 text=")));
    EXPECT_FALSE(w.log.join(u'|').contains(QStringLiteral("grid")));

    w.grid->setFocus();
    QCoreApplication::processEvents();
    w.log.clear();
    QTest::keyClick(w.grid, Qt::Key_Return);
    QTest::keyClick(w.grid, Qt::Key_Escape);
    EXPECT_EQ(w.log.filter(QStringLiteral("KeyDown")),
              (QStringList{QStringLiteral("form KeyDown 13 0 text="), QStringLiteral("GRID KeyDown 13"),
                           QStringLiteral("grid KeyDown 13"), QStringLiteral("form KeyDown 27 0 text="),
                           QStringLiteral("GRID KeyDown 27"), QStringLiteral("grid KeyDown 27")}));
}

TEST(TextBox, MaxLengthLimitsTypingNotTheProgram)
{
    TextBox box;
    box.setMaxLength_(4);
    QTest::keyClicks(&box, QStringLiteral("ABCDEF"));
    EXPECT_EQ(box.text(), QStringLiteral("ABCD"));

    box.set_program_text(QStringLiteral("ABCDEFG"));
    EXPECT_EQ(box.text(), QStringLiteral("ABCDEFG"));
    EXPECT_EQ(box.MaxLength(), 4);
    set_default_value(&box, QStringLiteral("12345"));
    EXPECT_EQ(default_value(&box), QStringLiteral("12345"));

    box.set_program_text(QStringLiteral("AB"));
    box.setCursorPosition(2);
    QTest::keyClicks(&box, QStringLiteral("CDE"));
    EXPECT_EQ(box.text(), QStringLiteral("ABCD")) << "the limit is back once the text fits";

    box.setMaxLength_(0);
    QTest::keyClicks(&box, QStringLiteral("EFGHIJ"));
    EXPECT_EQ(box.text(), QStringLiteral("ABCDEFGHIJ"));

    // The selection as start and length, also when selected backwards.
    box.setCursorPosition(3);
    EXPECT_EQ(box.SelStart(), 3);
    EXPECT_EQ(box.SelLength(), 0);
    box.setSelection(4, -3);
    EXPECT_EQ(box.SelStart(), 1);
    EXPECT_EQ(box.SelLength(), 3);
}

TEST(Controls, DefaultValues)
{
    Label label;
    set_default_value(&label, QStringLiteral("名称"));
    EXPECT_EQ(label.text(), QStringLiteral("名称"));
    QComboBox combo;
    combo.setEditable(true);
    set_default_value(&combo, QStringLiteral("1"));
    EXPECT_EQ(default_value(&combo), QStringLiteral("1"));
    QWidget plain;
    set_default_value(&plain, QStringLiteral("ignored"));
    EXPECT_EQ(default_value(&plain), QString());
}

TEST(Controls, LabelsShowMarkupInTheirCaptionAsWritten)
{
    // Names come from the list file and the database: markup in them is text.
    for (const QString& caption : {QStringLiteral("<b>部門</b>&amp;"),
                                   QStringLiteral("<img src=\"/nonexistent.png\">OP"),
                                   QStringLiteral("A&lt;B")}) {
        Label label;
        set_default_value(&label, caption);
        EXPECT_EQ(default_value(&label), caption);
        // Laid out as rich text the caption would be far narrower than its
        // characters (bold 部門&, an image, A<B).
        EXPECT_GE(label.sizeHint().width(), label.fontMetrics().horizontalAdvance(caption))
            << caption.toStdString();
    }
}

TEST(Controls, ColoursInBgrFormAndSystemColours)
{
    EXPECT_EQ(color_from_ole(0x00336699), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(ole_from_color(QColor(0x99, 0x66, 0x33)), 0x00336699u);
    EXPECT_TRUE(is_valid_ole_color(0x00FFFFFF));
    EXPECT_TRUE(is_valid_ole_color(0x8000000F));
    EXPECT_FALSE(is_valid_ole_color(0x01000000));
    EXPECT_FALSE(is_valid_ole_color(0x80000100));
    EXPECT_FALSE(is_valid_ole_color(0x80000040));
    EXPECT_EQ(color_from_ole(0x80000005), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(color_from_ole(0x8000000F), QApplication::palette().color(QPalette::Window));

    TextBox box;
    box.setBackColor(0x000000FF);
    EXPECT_EQ(box.BackColor(), 0x000000FFu);
    EXPECT_EQ(back_color(&box), 0x000000FFu);
    Label label;
    set_back_color(&label, 0x00FF0000);
    EXPECT_EQ(label.BackColor(), 0x00FF0000u);
    EXPECT_TRUE(label.autoFillBackground()) << "a label paints its back colour";
}

TEST(Controls, AButtonsMnemonicClicksItBeforeTheKeysAreReleased)
{
    // Clicked during the key press, so a question it opens takes the releases
    // that would otherwise reach the field with the cursor and move it on.
    QWidget window;
    new TextBox(&window);
    auto* button = new CommandButton(&window);
    button->setText(QStringLiteral("終了（&E）"));
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyPress(window.windowHandle(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    QTest::keyRelease(window.windowHandle(), Qt::Key_E, Qt::AltModifier);
    QTest::qWait(150);
    EXPECT_EQ(clicks, 1) << "and not once more when the animated click would come";
}

}  // namespace
