// The window's keys and the four command buttons: searching, adding, saving,
// leaving the entry line, deleting, the code popup and the end of the program.

#include "common/text.h"
#include "lookup/G_GRID.h"
#include "maint/MaintScreen.h"
#include "maint/MasterStore.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"
#include "ui/PresentationKit.h"

namespace k4 {

void MaintScreen::screen_key_down(int& key_code, int /*shift*/)
{
    switch (key_code) {
    case vk::Return: {
        QWidget* active = form_.active_control();
        if (!active || active == form_.GRID)
            return;
        const int n = tab_index(active);
        if (n < 0 || n >= s_.kit.field_count())
            return;  // a button or another control: not a field to check
        if (check_field(n) != Step::passed)
            return;
        if (active == form_.JKBN && confirm_and_save() != Step::passed)
            return;
        s_.kit.focus_next_field(vk::Return);
        return;
    }
    case vk::Escape:
        if (input_phase == phase::head) {
            form_.close();
        } else if (input_phase == phase::body) {
            // Handled here whatever has the focus: the grid's own Esc must
            // not undo a refusal's state, nor return to HEAD a second time.
            key_code = 0;
            (void)leave_body();   // a refusal has told the operator and placed the focus
            if (input_phase == phase::head) {
                entry_kind = entry::change;
                form_.KATCD->setFocus(Qt::OtherFocusReason);
            }
        }
        return;
    case vk::F2:
        checks_active = 0;
        return;
    case vk::F5:
        if (form_.active_control() == form_.JKBN)
            open_code_popup();
        else if (input_phase == phase::head)
            show_table_now();
        return;
    case vk::Up:
        s_.kit.focus_previous_field(vk::Up);
        return;
    case vk::Down:
        s_.kit.focus_next_field(vk::Down);
        return;
    default:
        return;
    }
}

void MaintScreen::command_click(int index)
{
    // Whatever a command comes to, it has told the operator and placed the
    // focus itself.
    switch (index) {
    case 0:
        if (input_phase == phase::head)
            (void)search_partner();
        break;
    case 1:
        input_phase = phase::body;
        s_.kit.enable_field_group(input_phase);
        start_add();
        break;
    case 2:
        if (input_phase == phase::body)
            (void)delete_entry();
        break;
    case 3:
        form_.close();
        break;
    default:
        break;
    }
}

Step MaintScreen::confirm_and_save()
{
    if (check_body_fields() != Step::passed)
        return Step::refused;

    const int answer = s_.messages.show(msg::confirm_update,
                                        mb::YesNoCancel + mb::Exclamation + mb::DefaultButton1);
    if (answer == mb::IdNo) {
        // The highlight first: moving the grid's column copies its row into
        // the entry line, which HEAD then shows cleared.
        set_row_highlight(1);
        return_to_head();
        entry_kind = entry::change;
        s_.set_mouse_pointer(pointer::standard);
        form_.KATCD->setFocus(Qt::OtherFocusReason);
        return Step::handled;
    }
    if (answer != mb::IdYes) {
        (entry_kind != entry::change ? form_.ATCD : form_.SJSHU)->setFocus(Qt::OtherFocusReason);
        s_.set_mouse_pointer(pointer::standard);
        return Step::handled;
    }

    if (save_entry() == StoreOutcome::unreachable) {
        // Nothing could be written and nothing is lost: the entry line stays
        // for the next try once the database is back.
        s_.set_mouse_pointer(pointer::standard);
        form_.JKBN->setFocus(Qt::OtherFocusReason);
        return Step::refused;
    }
    const bool listed = refresh_full_list();
    return_to_head();
    s_.set_mouse_pointer(pointer::standard);
    // Back in HEAD the search field is the one usable field; the toolkit would
    // otherwise hand the focus of the now disabled JKBN to the grid.
    form_.KATCD->setFocus(Qt::OtherFocusReason);
    return listed ? Step::passed : Step::refused;
}

StoreOutcome MaintScreen::save_entry()
{
    const EntryValues listed = listed_row_values();
    const EntryValues fields = field_values();
    // Whatever way the entry line was reached (a skipped check too), a row
    // without a partner code is never written.
    if (trimmed(fields).partner_code.isEmpty()) {
        (void)refuse(msg::partner_missing, mb::OKOnly + mb::Exclamation);
        return StoreOutcome::failed;
    }
    const StoreOutcome outcome = store_.write_entry(entry_kind, listed, fields);
    if (outcome == StoreOutcome::done) {
        const EntryValues written = trimmed(fields);
        if (entry_kind == entry::change)
            log_change("changed", &listed, &written);
        else
            log_change("added", nullptr, &written);
    }
    tell(outcome);
    return outcome;
}

void MaintScreen::tell(StoreOutcome outcome)
{
    switch (outcome) {
    case StoreOutcome::done:
        break;
    case StoreOutcome::absent:
        (void)refuse(msg::no_such_data, mb::OKOnly + mb::Exclamation);
        break;
    case StoreOutcome::unreachable:
        (void)refuse(msg::connect_error, mb::OKOnly);
        break;
    case StoreOutcome::failed:
        (void)refuse(msg::update_failed, mb::OKOnly);
        break;
    }
}

void MaintScreen::log_change(const char* what, const EntryValues* before,
                             const EntryValues* after) const
{
    // Control characters are written escaped, so no value can start a line of
    // its own in the log.
    auto printable = [](const QString& text) {
        QString out;
        out.reserve(text.size());
        for (const QChar ch : text) {
            if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
                out += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QChar(u'0'));
            else
                out += ch;
        }
        return out;
    };
    auto row = [&](const EntryValues* v) {
        return v ? printable(QStringLiteral("%1/%2/%3").arg(v->partner_code, v->transfer_type,
                                                           v->info_code))
                 : QStringLiteral("-");
    };
    qCInfo(lcChanges).noquote() << "operator" << printable(operator_code) << what << row(before)
                                << "->" << row(after);

    // The system log names the OS user and the workstation as well. Free text
    // is quoted with '"' and '\\' escaped, so no value can forge another field.
    auto quoted = [&](QString text) {
        text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        return u'"' + printable(text) + u'"';
    };
    auto quoted_row = [&](const EntryValues* v) {
        return v ? quoted(QStringLiteral("%1/%2/%3").arg(v->partner_code, v->transfer_type, v->info_code))
                 : QStringLiteral("-");
    };
    s_.system_log(QStringLiteral("%1 operator=%2 user=%3 workstation=%4 old=%5 new=%6")
                      .arg(QLatin1String(what), quoted(operator_code), quoted(login_user),
                           quoted(machine_name), quoted_row(before), quoted_row(after)));
}

Step MaintScreen::leave_body()
{
    Step result = Step::passed;
    if (checks_active == -1) {
        if (check_body_fields() != Step::passed)
            return Step::refused;
        s_.set_mouse_pointer(pointer::hourglass);
        // A refused write has been told and ends in HEAD as a saved one does;
        // an unreachable database keeps the entry line for the next try.
        if (save_entry() == StoreOutcome::unreachable) {
            s_.set_mouse_pointer(pointer::standard);
            return Step::refused;
        }
        if (!refresh_full_list())
            result = Step::refused;
    } else {
        checks_active = -1;
    }
    return_to_head();
    s_.set_mouse_pointer(pointer::standard);
    return result;
}

Step MaintScreen::delete_entry()
{
    // The existence check comes before the question and the deletion after
    // it, in a transaction of its own (MasterStore::delete_entry): nothing is
    // held while the operator thinks, and a row another operator removed or
    // changed meanwhile is told, not deleted.
    entry_kind = entry::remove;
    if (check_body_fields() != Step::passed) {
        entry_kind = entry::change;
        return Step::refused;
    }
    const EntryValues values = statement_values();
    const int answer = s_.messages.show(msg::confirm_delete,
                                        mb::OKCancel + mb::Exclamation + mb::DefaultButton1);
    StoreOutcome outcome = StoreOutcome::done;
    if (answer == mb::IdOK) {
        outcome = store_.delete_entry(values);
        if (outcome == StoreOutcome::done)
            log_change("deleted", &values, nullptr);
        tell(outcome);
        if (outcome == StoreOutcome::unreachable) {
            // Nothing is known to have changed: the entry line stays for the
            // next try once the database is back.
            entry_kind = entry::change;
            return Step::refused;
        }
        // After the commit (or the rollback), the table as it is now.
        (void)refresh_full_list();
    }
    set_row_highlight(1);
    return_to_head();
    entry_kind = entry::change;
    form_.KATCD->setFocus(Qt::OtherFocusReason);
    return outcome == StoreOutcome::done ? Step::passed : Step::refused;
}

void MaintScreen::show_table_now()
{
    // F5 in HEAD: the whole table as it is now, whatever the last search
    // narrowed it to and whatever other operators have written since.
    s_.set_mouse_pointer(pointer::hourglass);
    const StoreOutcome listed = reload_full_list();
    s_.set_mouse_pointer(pointer::standard);
    if (listed == StoreOutcome::unreachable)
        (void)refuse(msg::connect_error, mb::OKOnly);
    form_.KATCD->setFocus(Qt::OtherFocusReason);
}

void MaintScreen::start_add()
{
    set_row_highlight(1);
    for (TextBox* box : {form_.KATCD, form_.ATCD, form_.SJSHU, form_.JKBN})
        box->set_program_text(QString());
    form_.lbl_SJNM->clear();
    form_.lbl_JKBNM->clear();
    set_command_buttons(1);
    form_.CMD[2]->setEnabled(false);
    entry_kind = entry::add;
    form_.ATCD->setEnabled(true);
    form_.ATCD->setFocus(Qt::OtherFocusReason);
}

void MaintScreen::open_code_popup()
{
    QWidget* active = form_.active_control();
    if (!active || active->objectName() != QLatin1String("JKBN"))
        return;
    // The popup writes a choice into JKBN and its name label itself; without a
    // list it shows nothing, and the focus goes back to JKBN either way.
    (void)show_info_code_popup(form_.JKBN, form_.lbl_JKBNM, s_.location, &form_);
    form_.activateWindow();
    form_.JKBN->setFocus(Qt::OtherFocusReason);
}

}  // namespace k4
