#pragma once
// The presentation kit: window services shared by the program's screens. It
// styles the working window from the appearance settings, empties its input
// fields, keeps the field table, colours the focused field, moves the focus
// for Enter, Down and Up, limits a field's text to its byte length, and tells
// when a field has been typed full. It knows nothing of the screens' own
// logic: a screen hands it the window and the field table and asks it to act.

#include "ui/Appearance.h"

#include <QPoint>
#include <QSize>
#include <QString>
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
    // Key release in the active field: cuts an over-long text, and says
    // which field the operator has typed full (its number; -1 for none), for
    // the screen to check it and move on. The last field is never reported:
    // it is confirmed with Enter only.
    [[nodiscard]] int field_key_up(int key_code, int shift);

    // A field whose Enabled and Visible are on and whose Locked is off, read
    // from the control now.
    bool is_usable(const QWidget* field) const;

private:
    QWidget* active_control() const;

    std::vector<Field> fields_;
};

}  // namespace k4
