#pragma once
// The logic of the maintenance window: phases, grid filling and row copy, the
// header, the window's keys and buttons, the field checks, saving, leaving,
// deleting, and the character filter. It owns the screen state; the window,
// the database, the message boxes and the presentation kit are handed in.

#include "maint/F_K408020.h"
#include "maint/MasterStore.h"
#include "maint/Messages.h"
#include "maint/Statements.h"
#include "ui/MousePointer.h"

#include <QDate>
#include <QLoggingCategory>
#include <QString>
#include <functional>
#include <unordered_map>

Q_DECLARE_LOGGING_CATEGORY(lcChanges)

namespace k4 {

class Database;
class MessageService;
class PresentationKit;
class InfoCodeList;
class ResultSet;
struct Settings;
struct SettingsLocation;

namespace phase {
inline const QString head = QStringLiteral("HEAD");
inline const QString body = QStringLiteral("BODY");
}  // namespace phase


// What a step of the screen tells its caller.
enum class [[nodiscard]] Step {
    passed,   // go on
    refused,  // refused or failed: the operator has been told, the focus placed
    handled   // the step has done all there was to do, the focus placed
              // itself (the partner search): the key that asked moves nothing
};

// What the screen needs from the rest of the program.
struct ScreenServices {
    Database& db;
    MessageService& messages;
    PresentationKit& kit;
    const InfoCodeList& info_codes;
    const Settings& settings;
    const SettingsLocation& location;
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    // Ends the program after the confirmed exit (the connection is already closed).
    std::function<void()> end_program = [] {};
    std::function<void(int)> set_mouse_pointer = [](int) {};
    // Receives each committed change as one line with who and where (the
    // program sends it to the system log).
    std::function<void(const QString& line)> system_log = [](const QString&) {};
};

class MaintScreen : public ScreenEvents {
public:
    MaintScreen(F_K408020& form, ScreenServices services);

    // Screen state.
    QString input_phase;
    int entry_kind = entry::change;
    int checks_active = -1;   // operators expect their first Enter to check
    int grid_ready = -1;
    int grid_row_count = 0;
    QString operator_code;
    QString operator_name;
    // The OS user and the workstation, named in the system log beside the operator.
    QString login_user;
    QString machine_name;

    // Start-up and layout.
    void init_screen();
    void build_field_table();
    void fill_grid(ResultSet& result);
    void copy_grid_row();
    void set_command_buttons(int state);
    void set_row_highlight(int mode);
    void show_header_labels();
    void return_to_head();

    // Exit.
    bool confirm_exit();   // true cancels the close

    // Keys and commands.
    void screen_key_down(int& key_code, int shift) override;
    void command_click(int index) override;
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
    void field_key_press(QWidget* field, int& key_ascii) override;
    void field_key_up(QWidget* field, int key_code, int shift) override;
    void field_got_focus(QWidget* field) override;
    void field_lost_focus(QWidget* field) override;
    void grid_click() override;
    void grid_dbl_click() override;
    void grid_key_down(int& key_code, int shift) override;
    void grid_row_col_change() override;
    bool query_unload() override { return confirm_exit(); }

    // Opens the full list and fills the grid from it. False when the list
    // could not be opened or read (logged, no message); the grid then keeps
    // its rows.
    [[nodiscard]] bool refresh_full_list();
    [[nodiscard]] StoreOutcome reload_full_list();


private:
    // Whether the grid's current row is a row of the table (its partner cell
    // is not blank).
    bool current_row_is_listed() const;
    EntryValues field_values() const;
    // The entry line's values for the statements that name a row: a field
    // still holding the program's copy of the listed row as copied, a field
    // the operator typed in trimmed.
    EntryValues statement_values() const;
    // The grid's current row exactly as the table holds it.
    EntryValues listed_row_values() const;
    // Writes the entry line; a refusal or failure has been told.
    StoreOutcome save_entry();
    // Tells the operator what a write that did not go through came to.
    void tell(StoreOutcome outcome);
    // Shows a refusal or failure and says so.
    Step refuse(const QString& message, int style);
    void log_change(const char* what, const EntryValues* before, const EntryValues* after) const;
    void install_paste_filters();

    F_K408020& form_;
    ScreenServices s_;
    MasterStore store_{s_.db};
    std::unordered_map<int, EntryValues> listed_exact_;   // by grid row; see fill_grid
};

}  // namespace k4
