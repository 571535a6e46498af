// Styling by kind and name prefix, the failures that end start-up, the
// conversions of setting values, clearing and counting fields, and centring.

#include "KitWindow.h"
#include "app/StartupFailure.h"
#include "common/text.h"
#include "ui/Appearance.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using namespace k4;
using namespace k4::test;

namespace {

// A window with one control of each role, in a known creation order.
class StyledWindow : public Form {
public:
    explicit StyledWindow(const Appearance& appearance) : kit(appearance)
    {
        kit.working_form = this;
        first_label = add<Label>("lbl_FIRST");
        text = add<TextBox>("KATCD");
        operator_total = add<Label>("OPR_TOTAL");
        title = add<Label>("tit_X");
        mixed_case = add<Label>("Lbl_X");
        upper_title = add<Label>("TIT_X");
        plain = add<Label>("SEARCH_KBN");
        text_named_label = add<TextBox>("lbl_T");
        combo = add<QComboBox>("COMBO");
        combo->setEditable(true);
        button = add<CommandButton>("CMD");
        for (QWidget* w : std::initializer_list<QWidget*>{first_label, text, operator_total, title,
                                                         mixed_case, upper_title, plain,
                                                         text_named_label, combo, button})
            design_fonts.push_back(w->font());
    }

    template <typename T>
    T* add(const char* name)
    {
        auto* c = new T(this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    }

    PresentationKit kit;
    Label* first_label;
    TextBox* text;
    Label* operator_total;
    Label* title;
    Label* mixed_case;
    Label* upper_title;
    Label* plain;
    TextBox* text_named_label;
    QComboBox* combo;
    CommandButton* button;
    std::vector<QFont> design_fonts;
};

bool has_text_style(QWidget* w)
{
    return back_color(w) == normal_color && w->font().pointSizeF() == 12
           && w->font().family() == QStringLiteral("IPAGothic") && !w->font().bold()
           && w->palette().color(QPalette::Text) == QColor(0x80, 0, 0);
}

bool has_label_style(QWidget* w)
{
    return back_color(w) == 0x00C0FFC0 && w->font().bold() && w->font().underline()
           && w->font().pointSizeF() == 9.75 && w->font().family() == QStringLiteral("IPAPGothic")
           && w->palette().color(QPalette::WindowText) == QColor(0, 0x80, 0);
}

bool has_title_style(QWidget* w)
{
    return back_color(w) == 0x00FF8080 && w->font().bold() && w->font().italic()
           && w->font().pointSizeF() == 11.25 && w->font().family() == QStringLiteral("IPAMincho");
}

bool is_unstyled(QWidget* w, const QFont& design)
{
    return w->font() == design && !w->testAttribute(Qt::WA_SetPalette);
}

TEST(Appearance, KindFirstThenCaseSensitivePrefix)
{
    const Appearance appearance = styled_appearance();
    StyledWindow w(appearance);
    w.kit.apply_appearance();

    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_TRUE(has_text_style(w.text));
    EXPECT_TRUE(has_text_style(w.text_named_label)) << "a text box takes the Text group by kind";
    EXPECT_TRUE(has_label_style(w.first_label));
    EXPECT_TRUE(has_label_style(w.operator_total));
    EXPECT_TRUE(has_title_style(w.title));
    EXPECT_TRUE(is_unstyled(w.mixed_case, w.design_fonts[4]));
    EXPECT_TRUE(is_unstyled(w.upper_title, w.design_fonts[5]));
    EXPECT_TRUE(is_unstyled(w.plain, w.design_fonts[6]));
    EXPECT_TRUE(is_unstyled(w.combo, w.design_fonts[8])) << "combo boxes are not styled";
    EXPECT_TRUE(is_unstyled(w.button, w.design_fonts[9]));
}

TEST(Appearance, ControlsInsideAPlainContainerAreStyledInTheirPlace)
{
    const Appearance appearance = styled_appearance();
    Form form;
    PresentationKit kit(appearance);
    kit.working_form = &form;
    auto* frame = new QFrame(&form);
    auto* inner = new Label(frame);
    inner->setObjectName(QStringLiteral("lbl_IN"));
    auto* after = new TextBox(&form);
    const std::vector<QWidget*> order = controls_in_creation_order(&form);
    ASSERT_EQ(order, (std::vector<QWidget*>{frame, inner, after}));
    kit.apply_appearance();
    EXPECT_TRUE(has_label_style(inner));
}

TEST(Appearance, AnEmptyFormBackColorEndsStartUpBeforeAnyControl)
{
    Appearance appearance = styled_appearance();
    appearance.form_back_color = QString();
    StyledWindow w(appearance);
    const QColor design = w.palette().color(QPalette::Window);
    try {
        w.kit.apply_appearance();
        FAIL() << "an empty FormBackColor was accepted";
    } catch (const AppearanceError& e) {
        EXPECT_EQ(startup_failure(e).message(), startup_message::item_setting_error);
    }
    EXPECT_EQ(w.palette().color(QPalette::Window), design);
    EXPECT_TRUE(is_unstyled(w.first_label, w.design_fonts[0]));
}

TEST(Appearance, ARefusedFontSizeStopsAtThatControlKeepingEarlierStyles)
{
    Appearance appearance = styled_appearance();
    appearance.text.font_size = QStringLiteral("大");
    StyledWindow w(appearance);
    EXPECT_THROW(w.kit.apply_appearance(), AppearanceError);

    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_TRUE(has_label_style(w.first_label)) << "styled before the failure";
    // The failing text box got the properties before FontSize, not those after.
    EXPECT_EQ(w.text->BackColor(), normal_color);
    EXPECT_EQ(w.text->font().family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(w.text->font().pointSizeF(), w.design_fonts[1].pointSizeF());
    EXPECT_NE(w.text->palette().color(QPalette::Text), QColor(0x80, 0, 0));
    EXPECT_TRUE(is_unstyled(w.operator_total, w.design_fonts[2])) << "never reached";
}

TEST(Appearance, OtherRefusedSettings)
{
    const auto fails = [](auto spoil) {
        Appearance appearance = styled_appearance();
        spoil(appearance);
        StyledWindow w(appearance);
        try {
            w.kit.apply_appearance();
        } catch (const AppearanceError& e) {
            return startup_failure(e).message() == startup_message::item_setting_error;
        }
        return false;
    };
    EXPECT_TRUE(fails([](Appearance& s) { s.form_back_color = QStringLiteral("gray"); }));
    EXPECT_TRUE(fails([](Appearance& s) { s.form_back_color = QStringLiteral("4294967296"); }));
    EXPECT_TRUE(fails([](Appearance& s) { s.label.font_bold = QStringLiteral("yes"); }));
    EXPECT_TRUE(fails([](Appearance& s) { s.title.font_underline = QString(); }));
    EXPECT_TRUE(fails([](Appearance& s) { s.text.font_name = QString(); }));
    EXPECT_TRUE(fails([](Appearance& s) { s.label.font_size = QStringLiteral("0"); }));
    EXPECT_TRUE(fails([](Appearance& s) { s.title.back_color = 16777216.0; }));   // not a colour
    EXPECT_TRUE(fails([](Appearance& s) { s.text.fore_color = 1e12; }));
    EXPECT_FALSE(fails([](Appearance& s) { s.text.back_color = -2147483643.0; }))  // system colour 5
        << "system colours are colours";
    EXPECT_FALSE(fails([](Appearance& s) { s.form_back_color = QStringLiteral("&H8000000F"); }));
    // Nothing to style is a failure too, not a crash.
    const Appearance appearance = styled_appearance();
    PresentationKit kit(appearance);
    EXPECT_THROW(kit.apply_appearance(), AppearanceError);
}

TEST(SettingConversions, OnOffSizesAndIntegers)
{
    // On/off: True/False in any case, or a number (0 is off); nothing else.
    for (const char* on : {"True", "tRUE", " -1 ", "2", "0.5"})
        EXPECT_EQ(on_off_from_text(QString::fromLatin1(on)), true) << on;
    for (const char* off : {"False", "FALSE", "0", "0.0", "&H0"})
        EXPECT_EQ(on_off_from_text(QString::fromLatin1(off)), false) << off;
    for (const char* bad : {"", "on", "yes", "1 0", "1e"})
        EXPECT_EQ(on_off_from_text(QString::fromLatin1(bad)), std::nullopt) << bad;
    EXPECT_EQ(on_off_from_text(QStringLiteral("真")), std::nullopt);

    // Sizes: a number of points above 0 and at most 2160.
    EXPECT_EQ(font_size_from_text(QStringLiteral(" 11.25")), 11.25);
    EXPECT_EQ(font_size_from_text(QStringLiteral("1.2E1")), 12.0);
    for (const char* bad : {"12pt", "", "-3", "0", "3000", "."})
        EXPECT_EQ(font_size_from_text(QString::fromLatin1(bad)), std::nullopt) << bad;
    EXPECT_EQ(font_size_from_text(QStringLiteral("１２")), std::nullopt);

    // 32-bit integers: halves to even, hexadecimal as two's complement, no overflow.
    EXPECT_EQ(property_long(QStringLiteral("2.5")), 2);
    EXPECT_EQ(property_long(QStringLiteral("3.5")), 4);
    EXPECT_EQ(property_long(QStringLiteral("-2.5")), -2);
    EXPECT_EQ(property_long(QStringLiteral("-2147483648")), std::numeric_limits<qint32>::min());
    EXPECT_EQ(property_long(QStringLiteral("&hffffffff")), -1);
    EXPECT_EQ(property_long(QStringLiteral("&O17")), 15);
    for (const char* bad : {"2147483648", "&H100000000", "&H", "&HG", "nan", "inf"})
        EXPECT_EQ(property_long(QString::fromLatin1(bad)), std::nullopt) << bad;

    // Colours: plain 0x00BBGGRR or a system colour.
    EXPECT_EQ(color_from_text(QStringLiteral("-2147483633")), 0x8000000Fu);
    EXPECT_EQ(color_from_text(QStringLiteral("16777216")), std::nullopt);
    EXPECT_EQ(color_from_number(-1.0), std::nullopt);
}

TEST(ClearInputFields, EmptiesTextBoxesAndLblLabelsAndKeepsTheFieldTable)
{
    const Appearance appearance = styled_appearance();
    StyledWindow w(appearance);
    auto* padded = w.add<Label>(" lbl_PAD ");
    for (QWidget* c : w.findChildren<QWidget*>())
        set_default_value(c, QStringLiteral("x"));
    w.combo->setCurrentText(QStringLiteral("kept"));
    w.text->setEnabled(false);  // state does not matter to the clearing
    w.text_named_label->hide();
    QWidget* const fields[] = {w.text, w.text_named_label, w.combo};
    std::vector<PresentationKit::Field> table;
    for (QWidget* f : fields) {
        set_tab_index(f, int(table.size()));
        table.push_back({f, QStringLiteral("HEAD"), QStringLiteral("2")});
    }
    w.kit.set_field_table(table);

    w.kit.clear_input_fields();
    EXPECT_EQ(w.kit.field_count(), 3) << "two text boxes and one combo box";
    EXPECT_EQ(w.kit.field(2), w.combo);
    EXPECT_EQ(w.text->text(), QString());
    EXPECT_EQ(w.text_named_label->text(), QString());
    EXPECT_EQ(w.first_label->text(), QString());
    EXPECT_EQ(padded->text(), QString()) << "the name is trimmed before the prefix test";
    EXPECT_EQ(w.combo->currentText(), QStringLiteral("kept"));
    EXPECT_EQ(w.operator_total->text(), QStringLiteral("x"));
    EXPECT_EQ(w.title->text(), QStringLiteral("x"));
    EXPECT_EQ(w.mixed_case->text(), QStringLiteral("x"));
    EXPECT_EQ(w.button->text(), QStringLiteral("x"));

    w.kit.clear_input_fields();
    EXPECT_EQ(w.kit.field_count(), 3);
}

TEST(Centring, HalfTheDifferenceRoundedThenHalvedTowardsZero)
{
    EXPECT_EQ(centered_position_twips(QSize(9600, 7200), QSize(12000, 7200)), QPoint(-1200, 0));
    EXPECT_EQ(centered_offset_twips(1001), 500);
    EXPECT_EQ(centered_offset_twips(-1001), -500);
    EXPECT_EQ(centered_offset_twips(1000.5), 500) << "1000.5 rounds to 1000";
    EXPECT_EQ(centered_offset_twips(1001.5), 501) << "1001.5 rounds to 1002";
    EXPECT_EQ(centered_offset_twips(-3.5), -2);
    EXPECT_EQ(centered_position_twips(QSize(19200, 14400), QSize(11760, 8160)),
              QPoint(3720, 3120));
}

TEST(Centring, MovesAWindowLargerThanTheScreenToANegativePosition)
{
    QWidget form;
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->geometry();
    form.resize(area.width() + 200, area.height() / 2);
    center_form(&form);
    EXPECT_EQ(form.x(), area.x() - 100);
    EXPECT_EQ(form.y(), area.y() + (area.height() - area.height() / 2) / 2);
    EXPECT_EQ(form.width(), area.width() + 200) << "the size is kept";
}

}  // namespace
