#include "ui/PresentationKit.h"

#include "common/cp932.h"
#include "common/text.h"
#include "ui/Controls.h"
#include "ui/Form.h"

#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <limits>

namespace k4 {

namespace {

Q_LOGGING_CATEGORY(lcKit, "k4.ui.kit")

const QString label_prefix = QStringLiteral("lbl_");
const QString operator_prefix = QStringLiteral("OPR_");
const QString title_prefix = QStringLiteral("tit_");
const QString focus_color_kind = QStringLiteral("1");
const QString normal_color_kind = QStringLiteral("2");

// Key codes a key release passes over: Up, Down and Enter move the focus
// through the window's own key handler; Esc, Shift, Ctrl and the function keys
// type nothing (F2 in particular sets the skip of the next check, which an
// advance run by its own release would consume at once).
bool is_ignored_release(int key_code)
{
    if (key_code >= vk::F1 && key_code <= vk::F24)
        return true;
    switch (key_code) {
    case vk::Up:
    case vk::Down:
    case vk::Return:
    case vk::Escape:
    case vk::Shift:
    case vk::Control:
        return true;
    default:
        return false;
    }
}

// A text box the operator may leave upwards: empty, or its whole text
// selected. Controls other than text boxes always may.
bool may_leave_upwards(const QWidget* control)
{
    const auto* box = qobject_cast<const QLineEdit*>(control);
    if (!box)
        return true;
    const QString text = box->text();
    return text.isEmpty() || sel_length(box) == text.size();
}

// The text cut to `max_bytes` bytes of code page 932 and converted back; a
// limit of 0 means no limit, though the text still passes the code page.
QString limited_text(const QString& text, int max_bytes)
{
    return cut_to_ansi_bytes(text, max_bytes > 0 ? max_bytes : std::numeric_limits<int>::max());
}

}  // namespace

void PresentationKit::apply_appearance()
{
    try {
        if (!working_form)
            throw AppearanceError("there is no working window to style");
        const std::optional<quint32> form_color = color_from_text(appearance.form_back_color);
        if (!form_color)
            throw AppearanceError("BackColor of the window refused the value \""
                                  + appearance.form_back_color.toStdString() + "\"");
        set_back_color(working_form, *form_color);

        for (QWidget* control : controls_in_creation_order(working_form)) {
            // The kind decides first; only labels are told apart by name.
            if (qobject_cast<QLineEdit*>(control)) {
                apply_style_group(control, appearance.text);
            } else if (qobject_cast<QLabel*>(control)) {
                const QString prefix = control->objectName().left(4);
                if (prefix == label_prefix || prefix == operator_prefix)
                    apply_style_group(control, appearance.label);
                else if (prefix == title_prefix)
                    apply_style_group(control, appearance.title);
            }
        }
    } catch (const AppearanceError& e) {
        qCWarning(lcKit) << "styling the window stopped:" << e.what();
        throw;
    }
}

void PresentationKit::clear_input_fields()
{
    for (QWidget* control : controls_in_creation_order(working_form)) {
        if (qobject_cast<QLineEdit*>(control)) {
            set_default_value(control, QString());
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            if (trim_blanks(label->objectName()).startsWith(label_prefix))
                label->setText(QString());
        }
    }
}

void PresentationKit::set_field_table(std::vector<Field> fields)
{
    fields_ = std::move(fields);
    // The navigation finds the active field by its TabIndex; a field whose
    // TabIndex is not its number would be checked, coloured and left as
    // another one.
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const QWidget* control = fields_[i].control;
        if (control && tab_index(control) != int(i))
            qCWarning(lcKit) << "field" << i << control->objectName() << "has TabIndex"
                             << tab_index(control) << "instead of its field number";
    }
}

void PresentationKit::field_got_focus(QWidget* field)
{
    set_field_color(field, focus_color_kind);
    select_whole_text(field);
}

void PresentationKit::field_lost_focus(QWidget* field)
{
    set_field_color(field, normal_color_kind);
}

void PresentationKit::set_field_color(QWidget* field, const QString& kind)
{
    if (!field)
        return;
    const double value =
        kind == normal_color_kind ? appearance.text.back_color : appearance.text_focus_color;
    if (const std::optional<quint32> color = color_from_number(value))
        set_back_color(field, *color);
    else
        qCWarning(lcKit) << "field colour" << value << "is not a colour; the field keeps its own";
}

void PresentationKit::select_whole_text(QWidget* field)
{
    auto* box = qobject_cast<QLineEdit*>(field);
    if (!box || box->text().isEmpty())
        return;
    box->setSelection(0, int(box->text().size()));
}

bool PresentationKit::is_usable(const QWidget* field) const
{
    if (!field)
        return false;
    const bool enabled = working_form ? field->isEnabledTo(working_form) : field->isEnabled();
    const bool visible = working_form ? field->isVisibleTo(working_form) : !field->isHidden();
    const auto* box = qobject_cast<const QLineEdit*>(field);
    const bool locked = box && box->isReadOnly();
    return enabled && visible && !locked;
}

QWidget* PresentationKit::active_control() const
{
    QWidget* control = working_form ? working_form->active_control() : nullptr;
    // A part of a compound control stands for the control that holds it.
    for (QWidget* w = control; w && w != working_form; w = w->parentWidget()) {
        if (tab_index(w) >= 0)
            return w;
    }
    return control;
}

QWidget* PresentationKit::field(int number) const
{
    if (number < 0 || number >= field_count())
        return nullptr;
    return fields_[std::size_t(number)].control;
}

void PresentationKit::focus_next_field(int key_code)
{
    Q_UNUSED(key_code)  // Enter and Down move alike
    const int count = field_count();
    const int t = tab_index(active_control());
    if (t < 0 || t >= count)
        return;
    for (int step = 1; step < count; ++step) {
        QWidget* candidate = field((t + step) % count);
        if (is_usable(candidate)) {
            candidate->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    // No other field is usable: the active field keeps the focus if it may.
}

void PresentationKit::focus_previous_field(int key_code)
{
    Q_UNUSED(key_code)
    QWidget* active = active_control();
    const int t = tab_index(active);
    if (t < 0 || t >= field_count())
        return;
    const int start = t == 0 ? field_count() - 1 : t - 1;
    for (int i = start; i >= 0; --i) {
        QWidget* candidate = field(i);
        if (!is_usable(candidate))
            continue;
        // The search ends at the first usable field; a caret inside a text or
        // a partial selection keeps the operator where he is.
        if (may_leave_upwards(active))
            candidate->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void PresentationKit::enable_field_group(const QString& phase)
{
    for (const Field& f : fields_) {
        if (f.control)
            f.control->setEnabled(f.group == phase);
    }
}

void PresentationKit::format_date_field(int field_number)
{
    auto* box = qobject_cast<QLineEdit*>(field(field_number));
    if (!box || !holds_operator_text(box))
        return;
    // No field of the program carries a date format: the operator's text is
    // held to its byte limit. A value the program put in stays whole: cut, it
    // would name another row.
    replace_operator_text(box, limited_text(box->text(), max_length(box)));
}

int PresentationKit::field_key_up(int key_code, int shift)
{
    constexpr int none = -1;
    if (shift != 0 || is_ignored_release(key_code))
        return none;
    QWidget* active = active_control();
    if (!active)
        return none;
    const int t = tab_index(active);
    if (t == field_count() - 1)
        return none;  // the last field is confirmed with Enter only
    if (!working_form || !working_form->isVisible())
        return none;
    auto* box = qobject_cast<QLineEdit*>(active);
    if (!box)
        return none;

    const int m = max_length(box);
    const int s = sel_start(box);
    const int l = sel_length(box);
    const QString text = box->text();
    const int n = int(text.size());

    if (m > 0 && holds_operator_text(box) && m < ansi_byte_length(text)) {
        const QString cut = limited_text(text, m);
        replace_operator_text(box, cut);
        box->setCursorPosition(int(cut.size()));
    }

    // Full field, judged on the values read before the cut. A field without
    // a limit (MaxLength 0) is never full.
    const bool full = m > 0 && n == m && ((s + l == m && l == 1) || s == m || l == m);
    if (!full || t < 0 || t >= field_count())
        return none;
    return t;
}

}  // namespace k4
