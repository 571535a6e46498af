// The field checks: one field at a time on Enter or a full field, all entry
// fields before a save or a deletion, and the partner search behind KATCD.

#include "db/Database.h"
#include "common/text.h"
#include "lookup/InfoCodeList.h"
#include "lookup/KubunName.h"
#include "maint/MaintScreen.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"
#include "ui/PresentationKit.h"

namespace k4 {

namespace {
const QString transfer_type_kind = QStringLiteral("送受信種別");
}

void MaintScreen::check_field(int field_number, int& status)
{
    if (checks_active == 0) {
        checks_active = -1;
        return;
    }
    PresentationKit& kit = s_.kit;
    auto* box = qobject_cast<QLineEdit*>(kit.field(field_number));
    if (!box)
        return;

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

    const QString name = box->objectName();
    if (name == QLatin1String("KATCD"))
        search_partner(status);
    else if (name == QLatin1String("ATCD"))
        check_partner_code(status);
    else if (name == QLatin1String("SJSHU"))
        check_transfer_type(status);
    else if (name == QLatin1String("JKBN"))
        check_info_code(status);

    PresentationKit::select_whole_text(box);
}

void MaintScreen::check_partner_code(int& status)
{
    if (entry_kind != entry::add)
        return;
    if (trim_blanks(form_.ATCD->text()).isEmpty()) {
        s_.messages.show(msg::partner_missing, mb::OKOnly + mb::Exclamation);
        status = 9;
        return;
    }
    status = 0;
}

void MaintScreen::check_transfer_type(int& status)
{
    status = 0;
    if (trim_blanks(form_.SJSHU->text()).isEmpty()) {
        s_.messages.show(msg::transfer_type_missing, mb::OKOnly + mb::Exclamation);
        status = 9;
        return;
    }
    fill_kubun_name(s_.db, s_.messages, transfer_type_kind, form_.SJSHU, form_.lbl_SJNM, status);
}

void MaintScreen::check_info_code(int& status)
{
    status = 0;
    const QString code = form_.JKBN->text();
    if (trim_blanks(code).isEmpty()) {
        s_.messages.show(msg::info_code_missing, mb::OKOnly + mb::Exclamation);
        status = 9;
        return;
    }
    if (const info_code_entry* entry = s_.info_codes.find(code)) {
        form_.lbl_JKBNM->setText(trim_blanks(entry->name).toString());
        check_duplicate(s_.db, s_.messages, entry_kind, trimmed(field_values()), status);
        return;
    }
    s_.messages.show(msg::no_such_code, mb::OKOnly + mb::Exclamation);
    status = 9;
}

void MaintScreen::check_body_fields(int& status)
{
    status = 0;
    PresentationKit& kit = s_.kit;
    for (int i = 1; i < kit.field_count(); ++i) {
        check_field(i, status);
        if (status != 0) {
            QWidget* field = kit.field(i);
            field->setFocus(Qt::OtherFocusReason);
            PresentationKit::select_whole_text(field);
            return;
        }
    }
}

void MaintScreen::search_partner(int& status)
{
    status = 9;
    FlexGrid& grid = *form_.GRID;
    const bool list_empty = grid.Rows() < 2 || trim_blanks(grid.TextMatrix(1, 1)).isEmpty();
    if (list_empty && entry_kind == entry::change) {
        form_.KATCD->setFocus(Qt::OtherFocusReason);
        return;
    }

    const QString wanted = form_.KATCD->text();
    if (trim_blanks(wanted).isEmpty()) {
        if (grid.Rows() >= 2)
            grid.setRow(1);
        copy_grid_row();
        set_row_highlight(0);
    } else {
        Database& db = s_.db;
        db.sql_text = sql::partner_list(wanted);
        ResultSet found;
        try {
            db.open_query(found);
        } catch (const DbError& e) {
            qCWarning(lcDb) << "the partner search failed:" << e.what();
            s_.messages.show(msg::no_such_data, mb::OKOnly);
            return;
        }
        if (db.eof_status == QLatin1String("9")) {
            s_.messages.show(msg::no_such_data, mb::OKOnly);
            return;
        }
        try {
            fill_grid(found);
        } catch (const DbError& e) {
            qCWarning(lcDb) << "reading the partner's rows failed:" << e.what();
            s_.messages.show(msg::no_such_data, mb::OKOnly);
            return;
        }
        found.close();
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
}

}  // namespace k4
