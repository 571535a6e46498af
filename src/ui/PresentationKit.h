#pragma once
// The presentation kit: window services shared by the program's screens. It
// styles the working window from the appearance settings, empties its input
// fields, keeps the field table, colours the focused field, moves the focus
// for Enter, Down and Up, limits a field's text to its byte length, and moves
// on by itself from a field typed full. It knows nothing of the screens' own
// logic: a screen hands it the window and the field table and asks it to act.

#include "ui/Appearance.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QWidget;

namespace k4 {

class Form;

class PresentationKit {
public:
    PresentationKit() = default;
    explicit PresentationKit(Appearance appearance) : appearance(std::move(appearance)) {}

    // The settings the window is styled and its fields coloured with; filled
    // by start-up from the settings file before apply_appearance.
    Appearance appearance;

    // The window the kit acts on; set once at start-up, not owned.
    Form* working_form = nullptr;

    // One input field of the screen: its control, the phase group that
    // enables it ("HEAD", "BODY") and its character class, which the screen's
    // key and paste filters read.
    struct Field {
        QWidget* control = nullptr;
        QString group;
        QString kind;
    };

    // The field table, indexed by field number. Each field's TabIndex equals
    // its number (the window sets it at design time), so a control whose
    // TabIndex is field_count() or more is no field. Setting the table logs a
    // warning for every field where that does not hold; it changes no TabIndex.
    void set_field_table(std::vector<Field> fields);
    const std::vector<Field>& field_table() const { return fields_; }
    int field_count() const { return int(fields_.size()); }
    // The control of field n; null when n is no field number.
    QWidget* field(int number) const;

    // Runs the check of field n and says whether the field was accepted (a
    // field refused, or a check that moved the focus itself, is not); set by
    // the screen. Without it every field counts as accepted.
    std::function<bool(int field_number)> check_field;

    // Styles the working window: its back colour, then every text box and
    // every label named lbl_/OPR_ or tit_, in creation order. Throws
    // AppearanceError at the first setting a property refuses; controls
    // styled before it keep their new look.
    void apply_appearance();
    // Empties every text box and every label named lbl_; the field table
    // stays as it is.
    void clear_input_fields();

    void field_got_focus(QWidget* field);
    void field_lost_focus(QWidget* field);
    // Kind "2" paints the normal colour, any other kind the focus colour.
    void set_field_color(QWidget* field, const QString& kind);
    // Selects the whole text of a non-empty text box.
    static void select_whole_text(QWidget* field);
    // Gives the focus to the next usable field after the active one, wrapping
    // round; the active field itself is tried last.
    void focus_next_field(int key_code);
    // Gives the focus to the previous usable field (no wrap), only when the
    // active field is empty or its whole text is selected.
    void focus_previous_field(int key_code);
    // Enables the fields of the given phase and disables all others.
    void enable_field_group(const QString& phase);
    // Cuts the text of field n to its MaxLength in code page 932 bytes and
    // stores it back (even when unchanged).
    void format_date_field(int field_number);
    // Key release in the active field: cuts an over-long text and moves on
    // from a field typed full once its check accepts it.
    void field_key_up(int key_code, int shift);

    // A field whose Enabled and Visible are on and whose Locked is off, read
    // from the control now.
    bool is_usable(const QWidget* field) const;

private:
    QWidget* active_control() const;

    std::vector<Field> fields_;
};

}  // namespace k4
