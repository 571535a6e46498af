#pragma once
// What the screen's flow needs of its window: the four entry fields and the
// two name labels, the focus, the phase groups, the list, the command buttons
// and the header. The window implements it (MaintScreen); the flow's tests
// implement it with plain values. Nothing here names a widget.

#include <QString>

namespace k4 {

class ListedRows;

// The screen's two phases: HEAD, the partner search; BODY, the entry line.
enum class Phase { head, body };
// The name of a phase's group in the field table ("HEAD", "BODY").
QString phase_group(Phase phase);

// The entry fields by field number (their TabIndex): KATCD, ATCD, SJSHU, JKBN.
enum class Field : int { search = 0, partner = 1, type = 2, code = 3 };
constexpr int field_count = 4;

// The command buttons CMD(0) .. CMD(3).
enum class Command : int { search = 0, add = 1, remove = 2, end = 3 };

// How the grid's current row is shown: highlighted across the row, or not.
enum class Highlight { row, off };

// The header line above the fields.
struct HeaderTexts {
    QString program_id;
    QString operator_caption;
    QString operator_code;
    QString operator_name;
    QString date;
};

class MaintView {
public:
    virtual ~MaintView() = default;

    // Entry fields.
    virtual QString text(Field field) const = 0;
    // Whether the field holds the operator's text (typed or pasted) rather
    // than a value the program put in.
    virtual bool holds_operator_text(Field field) const = 0;
    // Puts the program's own value into a field (kept whole, never filtered).
    virtual void set_program_text(Field field, const QString& text) = 0;
    // Replaces the operator's text (it stays the operator's).
    virtual void replace_operator_text(Field field, const QString& text) = 0;
    // Cuts the operator's text of a field to its length in code page 932 bytes.
    virtual void limit_to_length(Field field) = 0;
    virtual void select_whole_text(Field field) = 0;
    virtual void set_field_enabled(Field field, bool enabled) = 0;
    // Empties every field and name label.
    virtual void clear_fields() = 0;
    virtual void set_type_name(const QString& name) = 0;
    virtual void set_code_name(const QString& name) = 0;

    // Focus.
    virtual void focus(Field field) = 0;
    // The field that has the focus; false when none has (the grid, a button).
    virtual bool active_field(Field& field) const = 0;
    // Enter and Down: the next usable field; Up: the previous one.
    virtual void focus_next_field() = 0;
    virtual void focus_previous_field() = 0;
    // The fields of the entry line (ATCD, SJSHU, JKBN) in their normal colour.
    virtual void paint_body_fields_normal() = 0;

    // Phases and commands.
    virtual void enable_group(Phase phase) = 0;
    virtual void enable_command(Command command, bool enabled) = 0;

    // The list.
    virtual void show_rows(const ListedRows& rows) = 0;
    // Rows of the grid, the heading row included (an empty list keeps one
    // blank data row).
    virtual int grid_rows() const = 0;
    virtual int current_row() const = 0;
    virtual void set_current_row(int row) = 0;
    virtual void scroll_to_row(int row) = 0;
    // Grid cell: columns 1 partner, 2 type, 3 type name, 4 code, 5 code name.
    virtual QString cell(int row, int column) const = 0;
    virtual void set_row_highlight(Highlight highlight) = 0;

    // The header, the code popup for JKBN, the window's close.
    virtual void show_header(const HeaderTexts& header) = 0;
    virtual void open_code_popup() = 0;
    virtual void close_window() = 0;
};

}  // namespace k4
