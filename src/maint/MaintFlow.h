#pragma once
// The decisions of the maintenance screen, without a widget or a database: the
// phases, the keys and buttons, the field checks, saving, leaving, deleting,
// the grid's row copy and the exit question. It owns the screen state and acts
// through three narrow seams handed in: the view (the window), the store (the
// two tables) and the message service.

#include "maint/MaintView.h"
#include "common/Messages.h"
#include "store/EntryValues.h"
#include "store/MasterStore.h"
#include "ui/MessageService.h"

#include <QDate>
#include <QString>
#include <functional>
#include <unordered_map>

namespace k4 {

class InfoCodeList;
class ListedRows;

// What a step of the screen tells its caller.
// (clang-format 14 would write "Step{" after the attribute.)
// clang-format off
enum class [[nodiscard]] Step {
    passed,   // go on
    refused,  // refused or failed: the operator has been told, the focus placed
    handled   // the step has done all there was to do, the focus placed
              // itself (the partner search): the key that asked moves nothing
};
// clang-format on

// What the flow needs from the rest of the program besides its three seams.
struct FlowServices {
    MessageService& messages;
    const InfoCodeList& info_codes;
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    // Ends the program after the confirmed exit (the store is already closed).
    std::function<void()> end_program = [] {};
    std::function<void(int)> set_mouse_pointer = [](int) {};
    // Receives each committed change as one line with who and where (the
    // program sends it to the system log).
    std::function<void(const QString& line)> system_log = [](const QString&) {};
};

class MaintFlow {
public:
    MaintFlow(MaintView& view, MasterStore& store, FlowServices services);

    // Screen state.
    Phase input_phase = Phase::head;
    EntryKind entry_kind = EntryKind::change;
    bool checks_active = true;  // false after F2: the next check is skipped
    bool grid_ready = true;     // false while the grid is being filled
    int grid_row_count = 0;
    QString operator_code;
    QString operator_name;
    // The OS user and the workstation, named in the system log beside the operator.
    QString login_user;
    QString machine_name;

    // Start-up and layout.
    void init_screen();
    void fill_grid(const ListedRows& rows);
    void copy_grid_row();
    void set_command_buttons(Phase phase);
    void show_header_labels();
    void return_to_head();

    // Exit: true cancels the close.
    bool confirm_exit();

    // Keys and commands.
    void screen_key_down(int& key_code, int shift);
    void command_click(Command command);
    Step confirm_and_save();
    Step leave_body();
    Step delete_entry();
    void start_add();
    void open_code_popup();
    void show_table_now();

    // Field checks.
    Step check_field(int field_number);
    Step check_body_fields();
    Step search_partner();
    Step check_partner_code();
    Step check_transfer_type();
    Step check_info_code();

    // Window events.
    // A typed character for a field: the character to deliver, 0 to swallow it.
    int field_key_press(Field field, int key_ascii) const;
    // A field typed full by the operator: checked, then the next field.
    void field_typed_full(int field_number);
    // Text arriving in a field without a key press: what of it is kept.
    QString filter_pasted(Field field, const QString& kept, const QString& inserted) const;
    void grid_click();
    void grid_dbl_click();
    void grid_key_down(int& key_code, int shift);
    void grid_row_col_change();

    // Reads the full list and fills the grid with it; anything but `done`
    // leaves the grid as it was (logged, no message).
    Outcome reload_full_list();

private:
    // Whether the grid's current row is a row of the table (its partner cell
    // is not blank).
    bool current_row_is_listed() const;
    // The entry line as the operator's values are written: trimmed.
    EntryValues field_values() const;
    // The entry line's values for the statements that name a row: a field
    // still holding the program's copy of the listed row as copied, a field
    // the operator typed in trimmed.
    EntryValues statement_values() const;
    // The grid's current row exactly as the table holds it.
    EntryValues listed_row_values() const;
    // Writes the entry line; a refusal or failure has been told.
    Outcome save_entry();
    // Tells the operator what a write that did not go through came to.
    void tell(Outcome outcome);
    // Shows a refusal or failure and says so.
    Step refuse(const QString& message, mb::Style style);
    void log_change(const char* what, const EntryValues* before, const EntryValues* after) const;

    MaintView& view_;
    MasterStore& store_;
    FlowServices s_;
    std::unordered_map<int, EntryValues> listed_exact_;  // by grid row; see fill_grid
};

}  // namespace k4
