#include "KitWindow.h"

#include <QTest>

namespace k4::test {

Appearance styled_appearance()
{
    Appearance a;
    a.form_back_color = QStringLiteral("12632256");  // 0xC0C0C0
    a.text.back_color = normal_color;
    a.text_focus_color = focus_color;
    a.text.fore_color = 0x00000080;
    a.text.font_bold = QStringLiteral("False");
    a.text.font_italic = QStringLiteral("0");
    a.text.font_name = QStringLiteral("IPAGothic");
    a.text.font_size = QStringLiteral("12");
    a.text.font_strikethru = QStringLiteral("false");
    a.text.font_underline = QStringLiteral("FALSE");
    a.label.back_color = 0x00C0FFC0;
    a.label.fore_color = 0x00008000;
    a.label.font_bold = QStringLiteral("True");
    a.label.font_italic = QStringLiteral("False");
    a.label.font_name = QStringLiteral("IPAPGothic");
    a.label.font_size = QStringLiteral("9.75");
    a.label.font_strikethru = QStringLiteral("False");
    a.label.font_underline = QStringLiteral("-1");
    a.title.back_color = 0x00FF8080;
    a.title.fore_color = 0x00FFFFFF;
    a.title.font_bold = QStringLiteral("true");
    a.title.font_italic = QStringLiteral("TRUE");
    a.title.font_name = QStringLiteral("IPAMincho");
    a.title.font_size = QStringLiteral("11.25");
    a.title.font_strikethru = QStringLiteral("False");
    a.title.font_underline = QStringLiteral("False");
    return a;
}

KitWindow::KitWindow(const Appearance& appearance) : kit(appearance)
{
    const qreal dpi = logicalDpiX();
    resize(twips_to_pixels(8000, dpi), twips_to_pixels(6000, dpi));
    KATCD = make_control<TextBox>(this, QStringLiteral("KATCD"), 2040, 540, 1590, 360, dpi);
    ATCD = make_control<TextBox>(this, QStringLiteral("ATCD"), 180, 1620, 1845, 360, dpi);
    SJSHU = make_control<TextBox>(this, QStringLiteral("SJSHU"), 2040, 1620, 315, 360, dpi);
    lbl_SJNM = make_control<Label>(this, QStringLiteral("lbl_SJNM"), 2400, 1620, 1485, 315, dpi);
    JKBN = make_control<TextBox>(this, QStringLiteral("JKBN"), 3900, 1620, 615, 360, dpi);
    lbl_JKBNM = make_control<Label>(this, QStringLiteral("lbl_JKBNM"), 4560, 1620, 2625, 315, dpi);
    GRID = make_control<FlexGrid>(this, QStringLiteral("GRID"), 180, 2040, 7395, 3000, dpi);
    KATCD->setMaxLength_(12);
    ATCD->setMaxLength_(12);
    SJSHU->setMaxLength_(1);
    JKBN->setMaxLength_(4);

    kit.working_form = this;
    kit.clear_input_fields();
    QWidget* const tab_order[] = {KATCD, ATCD, SJSHU, JKBN, GRID};
    for (int i = 0; i < int(std::size(tab_order)); ++i)
        set_tab_index(tab_order[i], i);
    const QString head = QStringLiteral("HEAD"), body = QStringLiteral("BODY");
    const QString no_quotes = QStringLiteral("2");  // class 2: no quotes, no commas
    kit.set_field_table({{KATCD, head, no_quotes},
                         {ATCD, body, no_quotes},
                         {SJSHU, body, no_quotes},
                         {JKBN, body, no_quotes}});
    enable_key_preview();
}

bool KitWindow::show_active()
{
    show();
    activateWindow();
    return QTest::qWaitForWindowActive(this);
}

bool KitWindow::is_field(const QWidget* control) const
{
    for (const PresentationKit::Field& f : kit.field_table()) {
        if (f.control == control)
            return true;
    }
    return false;
}

void KitWindow::form_key_down(int& key_code, int shift)
{
    Q_UNUSED(shift)
    if (key_code == vk::Up)
        kit.focus_previous_field(key_code);
    else if (key_code == vk::Down)
        kit.focus_next_field(key_code);
}

void KitWindow::control_key_up(QWidget* control, int key_code, int shift)
{
    if (!is_field(control) || !control->isEnabled())
        return;
    // As a screen does with a field typed full: check it, then move on.
    const int full = kit.field_key_up(key_code, shift);
    if (full < 0)
        return;
    checked.push_back(full);
    if (check_accepts)
        kit.focus_next_field(vk::Return);
    else
        PresentationKit::select_whole_text(active_control());
}

void KitWindow::control_got_focus(QWidget* control)
{
    if (is_field(control))
        kit.field_got_focus(control);
}

void KitWindow::control_lost_focus(QWidget* control)
{
    if (is_field(control))
        kit.field_lost_focus(control);
}

}  // namespace k4::test
