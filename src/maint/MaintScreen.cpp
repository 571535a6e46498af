// The maintenance screen: start-up state, the grid, the header, the phases and
// the exit question.

#include "maint/MaintScreen.h"

#include "db/Database.h"
#include "settings/Settings.h"
#include "common/text.h"
#include "lookup/InfoCodeList.h"
#include "maint/CharFilter.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"
#include "ui/PresentationKit.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

Q_LOGGING_CATEGORY(lcChanges, "k4.changes")

namespace k4 {

namespace {

constexpr int grid_cols = 6;
constexpr int data_row_height = 360;
constexpr int cell_left_centre = 1;
const int column_widths[grid_cols] = {0, 1820, 350, 1550, 600, 2800};
const QString column_headers[grid_cols] = {
    QString(),
    QStringLiteral("相手先企業ｺｰﾄﾞ"),
    QStringLiteral("  "),
    QStringLiteral("送受信種別"),
    QStringLiteral("  "),
    QStringLiteral("情報区分ｺｰﾄﾞ"),
};
const QString list_columns[4] = {
    QStringLiteral("相手先企業コード"),
    QStringLiteral("送受信種別"),
    QStringLiteral("送受信種別名"),
    QStringLiteral("情報区分コード"),
};
const QString program_id = QStringLiteral("W4080201");

const QString operator_caption = QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ");

}  // namespace

MaintScreen::MaintScreen(F_K408020& form, ScreenServices services)
    : form_(form), s_(std::move(services))
{
    form_.set_events(this);
    s_.kit.check_field = [this](int field_number) {
        return check_field(field_number) == Step::passed;
    };
}

void MaintScreen::init_screen()
{
    s_.kit.clear_input_fields();
    build_field_table();
    input_phase = phase::head;
    s_.kit.enable_field_group(input_phase);
    entry_kind = entry::change;
    set_command_buttons(0);
}

void MaintScreen::build_field_table()
{
    // In field-number order, which is the window's TabIndex order.
    const QString no_quotes = QStringLiteral("2");  // class 2: no quotes, no commas
    s_.kit.set_field_table({
        {form_.KATCD, phase::head, no_quotes},
        {form_.ATCD, phase::body, no_quotes},
        {form_.SJSHU, phase::body, no_quotes},
        {form_.JKBN, phase::body, no_quotes},
    });
    install_paste_filters();
}

void MaintScreen::install_paste_filters()
{
    // Text that arrives without a key press (a paste, an input method) passes
    // the field's character filter too: the statements rely on the fields never
    // holding a quote. Values the program puts in (a copied grid row) stay whole.
    const std::vector<PresentationKit::Field>& fields = s_.kit.field_table();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto* box = qobject_cast<TextBox*>(fields[i].control);
        if (!box)
            continue;
        box->set_edit_filter([this, i](const QString& kept, const QString& inserted) {
            const std::vector<PresentationKit::Field>& table = s_.kit.field_table();
            if (i >= table.size())
                return inserted;
            return filter_text(table[i].kind, kept, inserted);  // an empty class reads as "2"
        });
    }
}

void MaintScreen::fill_grid(ResultSet& result)
{
    // The rows are read completely before the grid is touched, so a failure
    // while reading leaves the grid as it was. They are kept as the driver
    // delivered them, UTF-8 trimmed of blanks, in one buffer: the grid stores
    // its cells in UTF-8 too, so no cell is converted on the way.
    std::string texts;
    std::vector<std::uint32_t> ends;  // where each value ends in texts, 4 per row
    // The grid shows values trimmed, but a change or deletion must name the
    // row exactly as stored: the few rows whose keys carry edge blanks (written
    // by other programs) keep their stored values here, by grid row.
    std::unordered_map<int, EntryValues> exact;
    if (!result.eof()) {
        int columns[4];
        for (int c = 0; c < 4; ++c) {
            columns[c] = result.column_index(list_columns[c]);
            if (columns[c] < 0)
                result.value(list_columns[c]);  // throws the unknown-column error
        }
        while (!result.eof()) {
            QByteArrayView stored[4];
            bool edged = false;
            for (int c = 0; c < 4; ++c) {
                const std::optional<QByteArrayView> value = result.value_utf8(columns[c]);
                stored[c] = value ? *value : QByteArrayView();
                const QByteArrayView cell = trim_blanks(stored[c]);
                edged = edged || (c != 2 && cell.size() != stored[c].size());
                texts.append(cell.data(), std::size_t(cell.size()));
                ends.push_back(std::uint32_t(texts.size()));
            }
            if (edged) {
                const int row = int(ends.size() / 4);
                exact.emplace(row, EntryValues{QString::fromUtf8(stored[0]), QString::fromUtf8(stored[1]),
                                               QString::fromUtf8(stored[3])});
            }
            result.move_next();
        }
    }
    listed_exact_ = std::move(exact);
    auto cell = [&](std::size_t index) {
        const std::uint32_t begin = index == 0 ? 0 : ends[index - 1];
        return QByteArrayView(texts.data() + begin, qsizetype(ends[index] - begin));
    };

    FlexGrid& grid = *form_.GRID;
    grid_ready = 0;
    grid.begin_bulk_update();
    grid.Clear();
    grid.setCols(grid_cols);
    grid.setRow(0);
    for (int c = 1; c < grid_cols; ++c)
        grid.setTextMatrix(0, c, column_headers[c]);
    for (int c = 0; c < grid_cols; ++c)
        grid.setColWidth(c, column_widths[c]);

    grid_row_count = int(ends.size() / 4);
    if (grid_row_count > 0) {
        grid.setRows(grid_row_count + 1);
        grid.setRowHeight(1, data_row_height);  // one height for every data row
        for (int c = 1; c < grid_cols; ++c)
            grid.setColAlignment(c, cell_left_centre);
    }
    // Each code is looked up once; its name is converted to UTF-8 once.
    std::unordered_map<std::string, QByteArray> names;
    for (int r = 1; r <= grid_row_count; ++r) {
        const std::size_t first = std::size_t(r - 1) * 4;
        QByteArrayView row[5] = {cell(first), cell(first + 1), cell(first + 2), cell(first + 3), {}};
        const auto [at, added] = names.try_emplace(std::string(row[3].data(), std::size_t(row[3].size())));
        if (added) {
            if (const InfoCodeEntry* entry = s_.info_codes.find(QString::fromUtf8(row[3])))
                at->second = entry->name.toUtf8();
        }
        row[4] = at->second;
        grid.set_row_texts(r, 1, row);
    }
    if (grid_row_count > 0) {
        grid.setRow(grid_row_count);
        grid.setCol(grid_cols - 1);
    }
    grid.end_bulk_update();
    grid_ready = -1;
}

void MaintScreen::copy_grid_row()
{
    const FlexGrid& grid = *form_.GRID;
    const int r = grid.Row();
    auto cell = [&](int c) { return r >= 1 ? grid.TextMatrix(r, c) : QString(); };
    const EntryValues listed = listed_row_values();
    form_.ATCD->set_program_text(listed.partner_code);
    form_.SJSHU->set_program_text(listed.transfer_type);
    form_.lbl_SJNM->setText(cell(3));
    form_.JKBN->set_program_text(listed.info_code);
    form_.lbl_JKBNM->setText(cell(5));
    entry_kind = entry::change;
}

void MaintScreen::set_command_buttons(int state)
{
    form_.CMD[0]->setEnabled(state == 0);
    form_.CMD[2]->setEnabled(state != 0);
}

void MaintScreen::set_row_highlight(int mode)
{
    FlexGrid& grid = *form_.GRID;
    grid.Refresh();
    grid.setCol(0);
    grid.setColSel(mode == 0 ? grid_cols - 1 : 0);
}

void MaintScreen::show_header_labels()
{
    form_.lbl_PGID->setText(program_id);
    form_.lbl_OPTIT->setText(operator_caption);
    form_.lbl_OP_CD->setText(operator_code);
    form_.lbl_OP_NM->setText(operator_name);
    form_.lbl_HIDUKE->setText(s_.today().toString(QStringLiteral("yyyy/MM/dd")));
}

void MaintScreen::return_to_head()
{
    s_.kit.clear_input_fields();
    show_header_labels();
    input_phase = phase::head;
    s_.kit.enable_field_group(input_phase);
    set_command_buttons(0);
}

bool MaintScreen::refresh_full_list()
{
    return reload_full_list() == StoreOutcome::done;
}

StoreOutcome MaintScreen::reload_full_list()
{
    OpenedList list = store_.open_full_list();
    if (list.outcome != StoreOutcome::done)
        return list.outcome;
    try {
        fill_grid(list.rows);
    } catch (const DbError& e) {
        qCWarning(lcDb) << "reading the list failed; the grid keeps its rows:" << e.what();
        return e.cannot_connect() ? StoreOutcome::unreachable : StoreOutcome::failed;
    }
    list.rows.close();
    return StoreOutcome::done;
}

bool MaintScreen::confirm_exit()
{
    const int answer = s_.messages.show(msg::confirm_exit, mb::YesNo + mb::Exclamation
                                                               + mb::DefaultButton2);
    if (answer == mb::IdYes) {
        s_.db.close_database();
        s_.end_program();
        return false;
    }
    PresentationKit& kit = s_.kit;
    for (int i = 1; i < kit.field_count(); ++i)
        kit.field_lost_focus(kit.field(i));   // the normal colour
    return true;
}

EntryValues MaintScreen::field_values() const
{
    return {form_.ATCD->text(), form_.SJSHU->text(), form_.JKBN->text()};
}

EntryValues MaintScreen::statement_values() const
{
    // A value the program copied from a listed row names that row exactly as
    // stored; the operator's text is trimmed.
    auto value_of = [](const TextBox* box) {
        return holds_operator_text(box) ? trim_blanks(box->text()) : box->text();
    };
    return {value_of(form_.ATCD), value_of(form_.SJSHU), value_of(form_.JKBN)};
}

EntryValues MaintScreen::listed_row_values() const
{
    const FlexGrid& grid = *form_.GRID;
    const int r = grid.Row();
    if (r < 1)
        return {};
    if (const auto exact = listed_exact_.find(r); exact != listed_exact_.end())
        return exact->second;
    return {grid.TextMatrix(r, 1), grid.TextMatrix(r, 2), grid.TextMatrix(r, 4)};
}

// Grid events.

bool MaintScreen::current_row_is_listed() const
{
    const FlexGrid& grid = *form_.GRID;
    const int r = grid.Row();
    return r >= 1 && r <= grid_row_count && !trim_blanks(grid.TextMatrix(r, 1)).isEmpty();
}

void MaintScreen::grid_click()
{
    // A blank row (the one the grid keeps for an empty table, or the rows a
    // fill with no rows leaves) is no row of the table: nothing to work on.
    if (!current_row_is_listed())
        return;
    copy_grid_row();
    input_phase = phase::body;
    s_.kit.enable_field_group(input_phase);
    set_command_buttons(1);
    set_row_highlight(0);
    form_.ATCD->setEnabled(false);
}

void MaintScreen::grid_dbl_click()
{
    if (!current_row_is_listed())
        return;
    grid_click();
    form_.SJSHU->setFocus(Qt::OtherFocusReason);
}

void MaintScreen::grid_row_col_change()
{
    // A blank row is no row of the table: moving onto it copies nothing (and
    // leaves an add an add).
    if (grid_ready == -1 && current_row_is_listed())
        copy_grid_row();
}

void MaintScreen::grid_key_down(int& key_code, int /*shift*/)
{
    switch (key_code) {
    case vk::Up:
        s_.kit.focus_previous_field(vk::Up);
        if (current_row_is_listed())
            copy_grid_row();
        break;
    case vk::Down:
        s_.kit.focus_next_field(vk::Down);
        if (current_row_is_listed())
            copy_grid_row();
        break;
    case vk::Return:
        if (current_row_is_listed())
            form_.SJSHU->setFocus(Qt::OtherFocusReason);
        break;
    case vk::Escape:
        set_row_highlight(1);
        s_.kit.clear_input_fields();
        show_header_labels();
        input_phase = phase::head;
        s_.kit.enable_field_group(input_phase);
        form_.KATCD->setFocus(Qt::OtherFocusReason);
        break;
    default:
        break;
    }
}

// Field events.

void MaintScreen::field_key_press(QWidget* field, int& key_ascii)
{
    const int n = tab_index(field);
    if (n < 0 || n >= s_.kit.field_count())
        return;
    auto* box = qobject_cast<QLineEdit*>(field);
    const QString& kind = s_.kit.field_table()[std::size_t(n)].kind;  // an empty class reads as "2"
    key_ascii = filter_key_press(kind, box ? box->text() : QString(), key_ascii);
}

void MaintScreen::field_key_up(QWidget* /*field*/, int key_code, int shift)
{
    s_.kit.field_key_up(key_code, shift);
}

void MaintScreen::field_got_focus(QWidget* field)
{
    s_.kit.field_got_focus(field);
}

void MaintScreen::field_lost_focus(QWidget* field)
{
    s_.kit.field_lost_focus(field);
}

}  // namespace k4
