// The field checks: one field at a time on Enter or a full field, all entry
// fields before a save or a deletion, and the partner search behind KATCD.

#include "db/Database.h"
#include "common/text.h"
#include "lookup/InfoCodeList.h"
#include "lookup/KubunName.h"
#include "maint/MasterStore.h"
#include "maint/MaintScreen.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"
#include "ui/PresentationKit.h"

namespace k4 {

namespace {
const QString transfer_type_kind = QStringLiteral("送受信種別");
}

Step MaintScreen::check_field(int field_number)
{
    if (checks_active == 0) {
        checks_active = -1;
        return Step::passed;
    }
    PresentationKit& kit = s_.kit;
    auto* box = qobject_cast<QLineEdit*>(kit.field(field_number));
    if (!box)
        return Step::passed;

    // The cut to the byte limit and the upper-casing transform the operator's
    // text only. A value the program copied from a listed row stays exactly as
    // listed: changed, it would make the checks, the deletion and the rewrite
    // of a change act on another row (or on none).
    kit.format_date_field(field_number);
    if (holds_operator_text(box)) {
        const QString upper = box->text().toUpper();
        if (upper != box->text())
            replace_operator_text(box, upper);
    }

    Step result = Step::passed;
    const QString name = box->objectName();
    if (name == QLatin1String("KATCD"))
        result = search_partner();
    else if (name == QLatin1String("ATCD"))
        result = check_partner_code();
    else if (name == QLatin1String("SJSHU"))
        result = check_transfer_type();
    else if (name == QLatin1String("JKBN"))
        result = check_info_code();

    PresentationKit::select_whole_text(box);
    return result;
}

Step MaintScreen::refuse(const QString& message, int style)
{
    s_.messages.show(message, style);
    return Step::refused;
}

Step MaintScreen::check_partner_code()
{
    // Whatever way the entry line was reached, a row without a partner code
    // is refused here, before any question.
    if (trim_blanks(form_.ATCD->text()).isEmpty())
        return refuse(msg::partner_missing, mb::OKOnly + mb::Exclamation);
    return Step::passed;
}

Step MaintScreen::check_transfer_type()
{
    if (trim_blanks(form_.SJSHU->text()).isEmpty())
        return refuse(msg::transfer_type_missing, mb::OKOnly + mb::Exclamation);
    const KubunName found = lookup_kubun_name(s_.db, transfer_type_kind, form_.SJSHU->text());
    switch (found.found) {
    case KubunName::Found::name:
        form_.lbl_SJNM->setText(found.name);
        return Step::passed;
    case KubunName::Found::unreachable:
        // Nothing is known about the code: the screen keeps what it shows.
        return refuse(msg::connect_error, mb::OKOnly);
    case KubunName::Found::none:
        break;
    }
    form_.lbl_SJNM->clear();
    return refuse(msg::no_such_name, mb::OKOnly);
}

Step MaintScreen::check_info_code()
{
    const QString code = form_.JKBN->text();
    if (trim_blanks(code).isEmpty())
        return refuse(msg::info_code_missing, mb::OKOnly + mb::Exclamation);
    const InfoCodeEntry* entry = s_.info_codes.find(code);
    if (!entry)
        return refuse(msg::no_such_code, mb::OKOnly + mb::Exclamation);
    form_.lbl_JKBNM->setText(trim_blanks(entry->name).toString());

    // The duplicate check (adding, changing) or the existence check (deleting):
    // a listed row's values as stored, the operator's as they would be written.
    switch (store_.find_entry(statement_values())) {
    case Presence::present:
        if (entry_kind == entry::remove)
            return Step::passed;
        return refuse(msg::duplicated, mb::OKOnly + mb::Exclamation);
    case Presence::absent:
        if (entry_kind == entry::remove)
            return refuse(msg::no_such_data, mb::OKOnly + mb::Exclamation);
        return Step::passed;
    case Presence::unreachable:
        return refuse(msg::connect_error, mb::OKOnly);
    case Presence::failed:
        break;
    }
    return refuse(msg::update_failed, mb::OKOnly);
}

Step MaintScreen::check_body_fields()
{
    PresentationKit& kit = s_.kit;
    for (int i = 1; i < kit.field_count(); ++i) {
        if (check_field(i) != Step::passed) {
            QWidget* field = kit.field(i);
            field->setFocus(Qt::OtherFocusReason);
            PresentationKit::select_whole_text(field);
            return Step::refused;
        }
    }
    return Step::passed;
}

Step MaintScreen::search_partner()
{
    FlexGrid& grid = *form_.GRID;
    const bool list_empty = grid.Rows() < 2 || trim_blanks(grid.TextMatrix(1, 1)).isEmpty();
    if (list_empty && entry_kind == entry::change) {
        form_.KATCD->setFocus(Qt::OtherFocusReason);
        return Step::refused;
    }

    const QString wanted = form_.KATCD->text();
    if (trim_blanks(wanted).isEmpty()) {
        if (grid.Rows() >= 2)
            grid.setRow(1);
        copy_grid_row();
        set_row_highlight(0);
    } else {
        OpenedList found = store_.open_partner_list(wanted);
        if (found.outcome == StoreOutcome::unreachable)
            return refuse(msg::connect_error, mb::OKOnly);
        if (found.outcome != StoreOutcome::done || found.rows.eof())
            return refuse(msg::no_such_data, mb::OKOnly);
        try {
            fill_grid(found.rows);
        } catch (const DbError& e) {
            qCWarning(lcDb) << "reading the partner's rows failed:" << e.what();
            return refuse(msg::no_such_data, mb::OKOnly);
        }
        found.rows.close();
        // The first row of exactly that partner; a database that compares more
        // loosely (without regard to case) may list none exactly: take row 1.
        int row = 1;
        const QString key = trim_blanks(wanted);
        for (int r = 1; r <= grid_row_count; ++r) {
            if (trim_blanks(grid.TextMatrix(r, 1)) == key) {
                row = r;
                break;
            }
        }
        grid.setRow(row);
        set_row_highlight(0);
        copy_grid_row();
        grid.setTopRow(row);
    }

    input_phase = phase::body;
    s_.kit.enable_field_group(input_phase);
    form_.ATCD->setEnabled(false);
    set_command_buttons(1);
    form_.SJSHU->setFocus(Qt::OtherFocusReason);
    // The search has placed the focus itself; the key that asked for it moves
    // nothing further.
    return Step::handled;
}

}  // namespace k4
