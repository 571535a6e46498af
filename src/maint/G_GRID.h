#pragma once
// The information-classification search popup: a grid of the list file's
// codes and names with the buttons 選択 and 中止. Enter or a double-click in
// the grid, or 選択, write the current row's code and name (trimmed) into the
// two targets and close; Esc in the grid, 中止, or any other way of closing
// write nothing.

#include "lookup/InfoCodeFile.h"

#include <QDialog>
#include <QPointer>
#include <vector>

class QKeyEvent;

namespace k4 {

class FlexGrid;
class CommandButton;

class G_GRID : public QDialog {
    Q_OBJECT
public:
    explicit G_GRID(QWidget* parent = nullptr);

    // The controls that receive the choice: a text box (its text) or a label
    // (its caption); nullptr for none.
    void set_targets(QWidget* code_target, QWidget* name_target);

    // Lays the grid out and fills it with one row per entry (the designed
    // empty row stays when there is none), then makes row 1 current and
    // highlights it across all columns.
    void fill(const InfoCodeEntries& entries);

    // Writes the current row's code and name into the targets and closes.
    void take_info_code_choice();

    FlexGrid* grid() const { return grid_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void grid_key_down(int& key_code, int shift);
    // Keeps the current row highlighted across all columns wherever the keys
    // or the mouse move the current cell, so the operator sees what Enter takes.
    void highlight_current_row();

    qreal dpi_;
    FlexGrid* grid_;
    CommandButton* select_;
    CommandButton* stop_;
    bool taking_choice_ = false;   // reading the chosen row's cells
    QPointer<QWidget> code_target_;
    QPointer<QWidget> name_target_;
};

// How the popup ended.
enum class [[nodiscard]] PopupResult {
    chosen,    // a row was taken: its code and name are in the targets
    closed,    // closed without a choice: the targets are as they were
    no_list,   // the list file is missing, cannot be read or has more than
               // 32767 lines; no window and no message were shown
};

// Reads the list file afresh and shows the popup modally; returns when it has
// closed. Reading stops at line 32768, so a huge file is refused quickly.
PopupResult show_info_code_popup(QWidget* code_target, QWidget* name_target,
                                 const SettingsLocation& where, QWidget* parent = nullptr);

}  // namespace k4
