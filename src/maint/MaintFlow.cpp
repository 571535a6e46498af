#include "maint/MaintFlow.h"

#include "common/text.h"
#include "lookup/InfoCodeList.h"
#include "store/CharFilter.h"
#include "store/ChangeLog.h"
#include "store/ListedRows.h"
#include "ui/KeyCodes.h"
#include "ui/MessageService.h"
#include "ui/MousePointer.h"

namespace k4 {

namespace {

const QString program_id = QStringLiteral("W4080201");
const QString operator_caption = QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ");
// The character class of every entry field: no quotes, no commas.
const QString field_kind = QStringLiteral("2");

// Grid columns (column 0 is the narrow row header).
constexpr int col_partner = 1, col_type = 2, col_type_name = 3, col_code = 4, col_code_name = 5;

Field field_of(int number)
{
    return Field(number);
}

}  // namespace

QString phase_group(Phase phase)
{
    return phase == Phase::head ? QStringLiteral("HEAD") : QStringLiteral("BODY");
}

MaintFlow::MaintFlow(MaintView& view, MasterStore& store, FlowServices services)
    : view_(view), store_(store), s_(std::move(services))
{
}

// Start-up, the grid, the header, the phases.

void MaintFlow::init_screen()
{
    view_.clear_fields();
    input_phase = Phase::head;
    view_.enable_group(input_phase);
    entry_kind = EntryKind::change;
    set_command_buttons(Phase::head);
}

void MaintFlow::fill_grid(const ListedRows& rows)
{
    // Moving the grid's current cell while it fills must not copy a row.
    grid_ready = false;
    listed_exact_ = rows.exact();
    grid_row_count = rows.count();
    view_.show_rows(rows);
    grid_ready = true;
}

void MaintFlow::copy_grid_row()
{
    const int r = view_.current_row();
    auto cell = [&](int c) { return r >= 1 ? view_.cell(r, c) : QString(); };
    const EntryValues listed = listed_row_values();
    view_.set_program_text(Field::partner, listed.partner_code);
    view_.set_program_text(Field::type, listed.transfer_type);
    view_.set_type_name(cell(col_type_name));
    view_.set_program_text(Field::code, listed.info_code);
    view_.set_code_name(cell(col_code_name));
    entry_kind = EntryKind::change;
}

void MaintFlow::set_command_buttons(Phase phase)
{
    view_.enable_command(Command::search, phase == Phase::head);
    view_.enable_command(Command::remove, phase != Phase::head);
}

void MaintFlow::show_header_labels()
{
    view_.show_header({program_id, operator_caption, operator_code, operator_name,
                       s_.today().toString(QStringLiteral("yyyy/MM/dd"))});
}

void MaintFlow::return_to_head()
{
    view_.clear_fields();
    show_header_labels();
    input_phase = Phase::head;
    view_.enable_group(input_phase);
    set_command_buttons(Phase::head);
}

Outcome MaintFlow::reload_full_list()
{
    const Result<ListedRows> list = store_.full_list();
    if (list.done())
        fill_grid(list.value);
    return list.outcome;
}

bool MaintFlow::confirm_exit()
{
    const int answer = s_.messages.show(msg::confirm_exit,
                                        mb::YesNo + mb::Exclamation + mb::DefaultButton2);
    if (answer == mb::IdYes) {
        store_.close();
        s_.end_program();
        return false;
    }
    view_.paint_body_fields_normal();
    return true;
}

EntryValues MaintFlow::field_values() const
{
    return trimmed({view_.text(Field::partner), view_.text(Field::type), view_.text(Field::code)});
}

EntryValues MaintFlow::statement_values() const
{
    // A value the program copied from a listed row names that row exactly as
    // stored; the operator's text is trimmed.
    auto value_of = [this](Field field) {
        const QString text = view_.text(field);
        return view_.holds_operator_text(field) ? trim_blanks(text) : text;
    };
    return {value_of(Field::partner), value_of(Field::type), value_of(Field::code)};
}

EntryValues MaintFlow::listed_row_values() const
{
    const int r = view_.current_row();
    if (r < 1)
        return {};
    if (const auto exact = listed_exact_.find(r); exact != listed_exact_.end())
        return exact->second;
    return {view_.cell(r, col_partner), view_.cell(r, col_type), view_.cell(r, col_code)};
}

// The grid's events.

bool MaintFlow::current_row_is_listed() const
{
    const int r = view_.current_row();
    return r >= 1 && r <= grid_row_count && !trim_blanks(view_.cell(r, col_partner)).isEmpty();
}

void MaintFlow::grid_click()
{
    // A blank row (the one the grid keeps for an empty table, or the rows a
    // fill with no rows leaves) is no row of the table: nothing to work on.
    if (!current_row_is_listed())
        return;
    copy_grid_row();
    input_phase = Phase::body;
    view_.enable_group(input_phase);
    set_command_buttons(Phase::body);
    view_.set_row_highlight(Highlight::row);
    view_.set_field_enabled(Field::partner, false);
}

void MaintFlow::grid_dbl_click()
{
    if (!current_row_is_listed())
        return;
    grid_click();
    view_.focus(Field::type);
}

void MaintFlow::grid_row_col_change()
{
    // A blank row is no row of the table: moving onto it copies nothing (and
    // leaves an add an add).
    if (grid_ready && current_row_is_listed())
        copy_grid_row();
}

void MaintFlow::grid_key_down(int& key_code, int /*shift*/)
{
    switch (key_code) {
    case vk::Up:
        view_.focus_previous_field();
        if (current_row_is_listed())
            copy_grid_row();
        break;
    case vk::Down:
        view_.focus_next_field();
        if (current_row_is_listed())
            copy_grid_row();
        break;
    case vk::Return:
        if (current_row_is_listed())
            view_.focus(Field::type);
        break;
    case vk::Escape:
        view_.set_row_highlight(Highlight::off);
        view_.clear_fields();
        show_header_labels();
        input_phase = Phase::head;
        view_.enable_group(input_phase);
        view_.focus(Field::search);
        break;
    default: break;
    }
}

// The fields' events.

int MaintFlow::field_key_press(Field field, int key_ascii) const
{
    return filter_key_press(field_kind, view_.text(field), key_ascii);
}

QString MaintFlow::filter_pasted(Field /*field*/, const QString& kept,
                                 const QString& inserted) const
{
    // Text that arrives without a key press (a paste, an input method) passes
    // the field's character filter too: the statements rely on the fields
    // never holding a quote.
    return filter_text(field_kind, kept, inserted);
}

void MaintFlow::field_typed_full(int field_number)
{
    if (check_field(field_number) == Step::passed) {
        view_.focus_next_field();
        return;
    }
    // Refused, or moved on by itself (the search): the field now active
    // shows its whole text selected.
    Field active;
    if (view_.active_field(active))
        view_.select_whole_text(active);
}

// The window's keys and the command buttons.

void MaintFlow::screen_key_down(int& key_code, int /*shift*/)
{
    Field active = Field::search;
    const bool in_field = view_.active_field(active);
    switch (key_code) {
    case vk::Return: {
        if (!in_field)
            return;  // the grid, a button or another control: not a field to check
        if (check_field(int(active)) != Step::passed)
            return;
        if (active == Field::code && confirm_and_save() != Step::passed)
            return;
        view_.focus_next_field();
        return;
    }
    case vk::Escape:
        if (input_phase == Phase::head) {
            view_.close_window();
        } else {
            // Handled here whatever has the focus: the grid's own Esc must
            // not undo a refusal's state, nor return to HEAD a second time.
            key_code = 0;
            // A refusal has told the operator and placed the focus.
            static_cast<void>(leave_body());
            if (input_phase == Phase::head) {
                entry_kind = EntryKind::change;
                view_.focus(Field::search);
            }
        }
        return;
    case vk::F2: checks_active = false; return;
    case vk::F5:
        if (in_field && active == Field::code)
            open_code_popup();
        else if (input_phase == Phase::head)
            show_table_now();
        return;
    case vk::Up: view_.focus_previous_field(); return;
    case vk::Down: view_.focus_next_field(); return;
    default: return;
    }
}

void MaintFlow::command_click(Command command)
{
    // Whatever a command comes to, it has told the operator and placed the
    // focus itself, so its Step needs no further action here.
    switch (command) {
    case Command::search:
        if (input_phase == Phase::head)
            static_cast<void>(search_partner());
        break;
    case Command::add:
        input_phase = Phase::body;
        view_.enable_group(input_phase);
        start_add();
        break;
    case Command::remove:
        if (input_phase == Phase::body)
            static_cast<void>(delete_entry());
        break;
    case Command::end: view_.close_window(); break;
    }
}

Step MaintFlow::confirm_and_save()
{
    if (check_body_fields() != Step::passed)
        return Step::refused;

    const int answer = s_.messages.show(msg::confirm_update,
                                        mb::YesNoCancel + mb::Exclamation + mb::DefaultButton1);
    if (answer == mb::IdNo) {
        // The highlight first: moving the grid's column copies its row into
        // the entry line, which HEAD then shows cleared.
        view_.set_row_highlight(Highlight::off);
        return_to_head();
        entry_kind = EntryKind::change;
        s_.set_mouse_pointer(pointer::standard);
        view_.focus(Field::search);
        return Step::handled;
    }
    if (answer != mb::IdYes) {
        view_.focus(entry_kind != EntryKind::change ? Field::partner : Field::type);
        s_.set_mouse_pointer(pointer::standard);
        return Step::handled;
    }

    if (save_entry() == Outcome::unreachable) {
        // Nothing could be written and nothing is lost: the entry line stays
        // for the next try once the database is back.
        s_.set_mouse_pointer(pointer::standard);
        view_.focus(Field::code);
        return Step::refused;
    }
    const bool listed = reload_full_list() == Outcome::done;
    return_to_head();
    s_.set_mouse_pointer(pointer::standard);
    // Back in HEAD the search field is the one usable field; the toolkit would
    // otherwise hand the focus of the now disabled JKBN to the grid.
    view_.focus(Field::search);
    return listed ? Step::passed : Step::refused;
}

Outcome MaintFlow::save_entry()
{
    const EntryValues listed = listed_row_values();
    const EntryValues written = field_values();
    const Outcome outcome = store_.write_entry(entry_kind, listed, written);
    if (outcome == Outcome::done) {
        if (entry_kind == EntryKind::change)
            log_change("changed", &listed, &written);
        else
            log_change("added", nullptr, &written);
    }
    tell(outcome);
    return outcome;
}

void MaintFlow::tell(Outcome outcome)
{
    switch (outcome) {
    case Outcome::done: return;
    case Outcome::refused:
        // Whatever way the entry line was reached (a skipped check too), a
        // row without a partner code is never written.
        static_cast<void>(refuse(msg::partner_missing, mb::OKOnly + mb::Exclamation));
        return;
    case Outcome::absent:
        static_cast<void>(refuse(msg::no_such_data, mb::OKOnly + mb::Exclamation));
        return;
    case Outcome::unreachable: static_cast<void>(refuse(msg::connect_error, mb::OKOnly)); return;
    case Outcome::failed: static_cast<void>(refuse(msg::update_failed, mb::OKOnly)); return;
    }
}

void MaintFlow::log_change(const char* what, const EntryValues* before,
                           const EntryValues* after) const
{
    const ChangeRecord record =
        change_record(what, {operator_code, login_user, machine_name}, before, after);
    qCInfo(lcChanges).noquote() << record.log_line;
    s_.system_log(record.system_line);
}

Step MaintFlow::leave_body()
{
    Step result = Step::passed;
    if (checks_active) {
        if (check_body_fields() != Step::passed)
            return Step::refused;
        s_.set_mouse_pointer(pointer::hourglass);
        // A refused write has been told and ends in HEAD as a saved one does;
        // an unreachable database keeps the entry line for the next try.
        if (save_entry() == Outcome::unreachable) {
            s_.set_mouse_pointer(pointer::standard);
            return Step::refused;
        }
        if (reload_full_list() != Outcome::done)
            result = Step::refused;
    } else {
        checks_active = true;
    }
    return_to_head();
    s_.set_mouse_pointer(pointer::standard);
    return result;
}

Step MaintFlow::delete_entry()
{
    // The existence check comes before the question and the deletion after
    // it, in a transaction of its own (MasterStore::delete_entry): nothing is
    // held while the operator thinks, and a row another operator removed or
    // changed meanwhile is told, not deleted.
    entry_kind = EntryKind::remove;
    if (check_body_fields() != Step::passed) {
        entry_kind = EntryKind::change;
        return Step::refused;
    }
    const EntryValues values = statement_values();
    const int answer = s_.messages.show(msg::confirm_delete,
                                        mb::OKCancel + mb::Exclamation + mb::DefaultButton1);
    Outcome outcome = Outcome::done;
    if (answer == mb::IdOK) {
        outcome = store_.delete_entry(values);
        if (outcome == Outcome::done)
            log_change("deleted", &values, nullptr);
        tell(outcome);
        if (outcome == Outcome::unreachable) {
            // Nothing is known to have changed: the entry line stays for the
            // next try once the database is back.
            entry_kind = EntryKind::change;
            return Step::refused;
        }
        // After the commit (or the rollback), the table as it is now; a list
        // that cannot be read leaves the grid as it was (logged).
        static_cast<void>(reload_full_list());
    }
    view_.set_row_highlight(Highlight::off);
    return_to_head();
    entry_kind = EntryKind::change;
    view_.focus(Field::search);
    return outcome == Outcome::done ? Step::passed : Step::refused;
}

void MaintFlow::show_table_now()
{
    // F5 in HEAD: the whole table as it is now, whatever the last search
    // narrowed it to and whatever other operators have written since.
    s_.set_mouse_pointer(pointer::hourglass);
    const Outcome listed = reload_full_list();
    s_.set_mouse_pointer(pointer::standard);
    if (listed == Outcome::unreachable)
        static_cast<void>(refuse(msg::connect_error, mb::OKOnly));
    view_.focus(Field::search);
}

void MaintFlow::start_add()
{
    view_.set_row_highlight(Highlight::off);
    for (Field field : {Field::search, Field::partner, Field::type, Field::code})
        view_.set_program_text(field, QString());
    view_.set_type_name(QString());
    view_.set_code_name(QString());
    set_command_buttons(Phase::body);
    view_.enable_command(Command::remove, false);
    entry_kind = EntryKind::add;
    view_.set_field_enabled(Field::partner, true);
    view_.focus(Field::partner);
}

void MaintFlow::open_code_popup()
{
    Field active;
    if (!view_.active_field(active) || active != Field::code)
        return;
    view_.open_code_popup();
    view_.focus(Field::code);
}

// The field checks.

Step MaintFlow::check_field(int field_number)
{
    if (!checks_active) {
        checks_active = true;
        return Step::passed;
    }
    if (field_number < 0 || field_number >= field_count)
        return Step::passed;
    const Field field = field_of(field_number);

    // The cut to the byte limit and the upper-casing transform the operator's
    // text only. A value the program copied from a listed row stays exactly as
    // listed: changed, it would make the checks, the deletion and the rewrite
    // of a change act on another row (or on none).
    view_.limit_to_length(field);
    if (view_.holds_operator_text(field)) {
        const QString text = view_.text(field);
        const QString upper = text.toUpper();
        if (upper != text)
            view_.replace_operator_text(field, upper);
    }

    Step result = Step::passed;
    switch (field) {
    case Field::search: result = search_partner(); break;
    case Field::partner: result = check_partner_code(); break;
    case Field::type: result = check_transfer_type(); break;
    case Field::code: result = check_info_code(); break;
    }
    view_.select_whole_text(field);
    return result;
}

Step MaintFlow::refuse(const QString& message, mb::Style style)
{
    s_.messages.show(message, style);
    return Step::refused;
}

Step MaintFlow::check_partner_code()
{
    // Whatever way the entry line was reached, a row without a partner code
    // is refused here, before any question.
    if (trim_blanks(view_.text(Field::partner)).isEmpty())
        return refuse(msg::partner_missing, mb::OKOnly + mb::Exclamation);
    return Step::passed;
}

Step MaintFlow::check_transfer_type()
{
    const QString typed = view_.text(Field::type);
    if (trim_blanks(typed).isEmpty())
        return refuse(msg::transfer_type_missing, mb::OKOnly + mb::Exclamation);
    const Result<QString> found = store_.transfer_type_name(typed);
    switch (found.outcome) {
    case Outcome::done: view_.set_type_name(found.value); return Step::passed;
    case Outcome::unreachable:
        // Nothing is known about the code: the screen keeps what it shows.
        return refuse(msg::connect_error, mb::OKOnly);
    case Outcome::refused:
    case Outcome::absent:
    case Outcome::failed: break;
    }
    view_.set_type_name(QString());
    return refuse(msg::no_such_name, mb::OKOnly);
}

Step MaintFlow::check_info_code()
{
    const QString code = view_.text(Field::code);
    if (trim_blanks(code).isEmpty())
        return refuse(msg::info_code_missing, mb::OKOnly + mb::Exclamation);
    const InfoCodeEntry* entry = s_.info_codes.find(code);
    if (!entry)
        return refuse(msg::no_such_code, mb::OKOnly + mb::Exclamation);
    view_.set_code_name(trim_blanks(entry->name).toString());

    // The duplicate check (adding, changing) or the existence check (deleting):
    // a listed row's values as stored, the operator's as they would be written.
    const Result<bool> present = store_.find_entry(statement_values());
    switch (present.outcome) {
    case Outcome::done:
        if (present.value == (entry_kind == EntryKind::remove))
            return Step::passed;
        if (entry_kind == EntryKind::remove)
            return refuse(msg::no_such_data, mb::OKOnly + mb::Exclamation);
        return refuse(msg::duplicated, mb::OKOnly + mb::Exclamation);
    case Outcome::unreachable: return refuse(msg::connect_error, mb::OKOnly);
    case Outcome::refused:
    case Outcome::absent:
    case Outcome::failed: break;
    }
    return refuse(msg::update_failed, mb::OKOnly);
}

Step MaintFlow::check_body_fields()
{
    for (int i = 1; i < field_count; ++i) {
        if (check_field(i) != Step::passed) {
            view_.focus(field_of(i));
            view_.select_whole_text(field_of(i));
            return Step::refused;
        }
    }
    return Step::passed;
}

Step MaintFlow::search_partner()
{
    const bool list_empty = view_.grid_rows() < 2
        || trim_blanks(view_.cell(1, col_partner)).isEmpty();
    if (list_empty && entry_kind == EntryKind::change) {
        view_.focus(Field::search);
        return Step::refused;
    }

    const QString wanted = view_.text(Field::search);
    if (trim_blanks(wanted).isEmpty()) {
        if (view_.grid_rows() >= 2)
            view_.set_current_row(1);
        copy_grid_row();
        view_.set_row_highlight(Highlight::row);
    } else {
        const Result<ListedRows> found = store_.partner_list(wanted);
        if (found.outcome == Outcome::unreachable)
            return refuse(msg::connect_error, mb::OKOnly);
        if (!found.done() || found.value.empty())
            return refuse(msg::no_such_data, mb::OKOnly);
        fill_grid(found.value);
        // The first row of exactly that partner; a database that compares more
        // loosely (without regard to case) may list none exactly: take row 1.
        int row = 1;
        const QByteArray key = trim_blanks(wanted).toUtf8();
        for (int r = 1; r <= found.value.count(); ++r) {
            if (found.value.cell(r, ListedRows::partner) == QByteArrayView(key)) {
                row = r;
                break;
            }
        }
        view_.set_current_row(row);
        view_.set_row_highlight(Highlight::row);
        copy_grid_row();
        view_.scroll_to_row(row);
    }

    input_phase = Phase::body;
    view_.enable_group(input_phase);
    view_.set_field_enabled(Field::partner, false);
    set_command_buttons(Phase::body);
    view_.focus(Field::type);
    // The search has placed the focus itself; the key that asked for it moves
    // nothing further.
    return Step::handled;
}

}  // namespace k4
