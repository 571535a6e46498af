#pragma once
// Styling of a window's controls from the appearance settings, and centring a
// window on its screen.
//
// Setting values convert the way the classic controls converted them when a
// property was assigned (the property rule of common/text.h): numbers may
// carry blanks around them, a fraction (rounded half to even where a whole
// number is needed) or an exponent, or be written in hexadecimal (&H...) or
// octal (&O...); on/off values are True or False in any letter case, or a
// number (0 is off). An empty or unconvertible value is refused.

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>
#include <stdexcept>
#include <vector>

class QWidget;

namespace k4 {

// A font on/off setting.
std::optional<bool> on_off_from_text(const QString& text);
// A font size setting in points: a number above 0 and at most 2160.
std::optional<double> font_size_from_text(const QString& text);
// A colour setting held as a number: a plain 0x00BBGGRR colour or a system
// colour (0x80000000 + index), in its unsigned 32-bit form.
std::optional<quint32> color_from_number(double value);
std::optional<quint32> color_from_text(const QString& text);

// A setting that a property refused (start-up tells the operator
// "項目設定エラー").
class AppearanceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The eight properties one style group sets, in the order they are applied:
// BackColor, FontBold, FontItalic, FontName, FontSize, FontStrikethru,
// FontUnderline, ForeColor.
struct StyleGroup {
    double back_color = 0;
    QString font_bold;
    QString font_italic;
    QString font_name;
    QString font_size;
    QString font_strikethru;
    QString font_underline;
    double fore_color = 0;
};

// What a window is styled with: the window's back colour (text, converted
// when it is applied), the groups of text boxes, of labels named lbl_ or OPR_
// and of labels named tit_, and the back colour of the field that has the
// focus (the other fields take text.back_color).
struct Appearance {
    QString form_back_color;
    StyleGroup text;
    StyleGroup label;
    StyleGroup title;
    double text_focus_color = 0;
};

// Sets the group's properties on `control` one after the other; throws
// AppearanceError at the first value that does not convert, leaving the
// properties set before it in place.
void apply_style_group(QWidget* control, const StyleGroup& group);

// The controls of a window in creation order: its child widgets, with the
// contents of plain containers (frames, group boxes, bare widgets) in their
// place; compound controls (combo boxes, grids) count as one control and child
// windows are not controls of this window.
std::vector<QWidget*> controls_in_creation_order(const QWidget* form);

// Half the difference between a screen length and a window length, in twips:
// rounded to a whole number (half to even), then halved towards zero.
int centered_offset_twips(double difference_twips);
// The top-left corner in twips of a window of `form_twips` centred on a screen
// of `screen_twips`; negative when the window is larger (no clamping).
QPoint centered_position_twips(QSize screen_twips, QSize form_twips);
// Moves `form` to the centre of its screen, keeping its size.
void center_form(QWidget* form);

}  // namespace k4
