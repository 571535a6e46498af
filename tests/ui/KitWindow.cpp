#include "KitWindow.h"

#include <QTest>

namespace k4::test {

Settings styled_settings()
{
    Settings s;
    s.form_back_color = QStringLiteral("12632256");  // 0xC0C0C0
    s.text_back_color = normal_color;
    s.text_focus_color = focus_color;
    s.text_fore_color = 0x00000080;
    s.text_font_bold = QStringLiteral("False");
    s.text_font_italic = QStringLiteral("0");
    s.text_font_name = QStringLiteral("IPAGothic");
    s.text_font_size = QStringLiteral("12");
    s.text_font_strikethru = QStringLiteral("false");
    s.text_font_underline = QStringLiteral("FALSE");
    s.label_back_color = 0x00C0FFC0;
    s.label_fore_color = 0x00008000;
    s.label_font_bold = QStringLiteral("True");
    s.label_font_italic = QStringLiteral("False");
    s.label_font_name = QStringLiteral("IPAPGothic");
    s.label_font_size = QStringLiteral("9.75");
    s.label_font_strikethru = QStringLiteral("False");
    s.label_font_underline = QStringLiteral("-1");
    s.title_back_color = 0x00FF8080;
    s.title_fore_color = 0x00FFFFFF;
    s.title_font_bold = QStringLiteral("true");
    s.title_font_italic = QStringLiteral("TRUE");
    s.title_font_name = QStringLiteral("IPAMincho");
    s.title_font_size = QStringLiteral("11.25");
    s.title_font_strikethru = QStringLiteral("False");
    s.title_font_underline = QStringLiteral("False");
    return s;
}

KitWindow::KitWindow(const Settings& settings) : kit(settings)
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
    const std::vector<QWidget*> fields{KATCD, ATCD, SJSHU, JKBN};
    kit.field_controls = fields;
    kit.field_groups = {QStringLiteral("HEAD"), QStringLiteral("BODY"), QStringLiteral("BODY"),
                        QStringLiteral("BODY")};
    kit.field_kinds.assign(fields.size(), QStringLiteral("2"));
    kit.field_formats.assign(fields.size(), QString());
    for (std::size_t i = 0; i < fields.size(); ++i)
        set_tab_index(fields[i], int(i));
    set_tab_index(GRID, int(fields.size()));
    kit.check_field = [this](int n) {
        checked.push_back(n);
        return check_status;
    };
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
    for (QWidget* f : kit.field_controls) {
        if (f == control)
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
    if (is_field(control) && control->isEnabled())
        kit.field_key_up(key_code, shift);
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
