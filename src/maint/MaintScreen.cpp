#include "maint/MaintScreen.h"

#include "maint/G_GRID.h"
#include "lookup/InfoCodeList.h"
#include "store/ListedRows.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/PresentationKit.h"

#include <string>
#include <unordered_map>

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

FlowServices flow_services(const ScreenServices& s)
{
    FlowServices f{s.messages, s.info_codes};
    f.today = s.today;
    f.end_program = s.end_program;
    f.set_mouse_pointer = s.set_mouse_pointer;
    f.system_log = s.system_log;
    return f;
}

}  // namespace

MaintScreen::MaintScreen(F_K408020& form, ScreenServices services)
    : flow(*this, services.store, flow_services(services)), form_(form), s_(std::move(services))
{
    connect_window();
}

void MaintScreen::init_screen()
{
    build_field_table();
    flow.init_screen();
}

void MaintScreen::build_field_table()
{
    // In field-number order, which is the window's TabIndex order. Class 2:
    // no quotes, no commas.
    const QString no_quotes = QStringLiteral("2");
    const QString head = phase_group(Phase::head);
    const QString body = phase_group(Phase::body);
    s_.kit.set_field_table({
        {form_.KATCD, head, no_quotes},
        {form_.ATCD, body, no_quotes},
        {form_.SJSHU, body, no_quotes},
        {form_.JKBN, body, no_quotes},
    });
    // Text that arrives without a key press passes the field's filter too.
    // Values the program puts in (a copied grid row) stay whole.
    for (int n = 0; n < field_count; ++n) {
        box(Field(n))->set_edit_filter([this, n](const QString& kept, const QString& inserted) {
            return flow.filter_pasted(Field(n), kept, inserted);
        });
    }
}

void MaintScreen::connect_window()
{
    F_K408020* form = &form_;
    QObject::connect(form, &F_K408020::KeyDown, form,
                     [this](int& key_code, int shift) { flow.screen_key_down(key_code, shift); });
    QObject::connect(form, &F_K408020::FieldKeyPress, form, [this](QWidget* field, int& key_ascii) {
        const int n = tab_index(field);
        if (n >= 0 && n < field_count)
            key_ascii = flow.field_key_press(Field(n), key_ascii);
    });
    QObject::connect(form, &F_K408020::FieldKeyUp, form, [this](QWidget*, int key_code, int shift) {
        const int full = s_.kit.field_key_up(key_code, shift);
        if (full >= 0)
            flow.field_typed_full(full);
    });
    QObject::connect(form, &F_K408020::FieldGotFocus, form,
                     [this](QWidget* field) { s_.kit.field_got_focus(field); });
    QObject::connect(form, &F_K408020::FieldLostFocus, form,
                     [this](QWidget* field) { s_.kit.field_lost_focus(field); });
    QObject::connect(form, &F_K408020::CommandClick, form,
                     [this](int index) { flow.command_click(Command(index)); });
    QObject::connect(form, &F_K408020::QueryUnload, form,
                     [this](bool& cancel) { cancel = flow.confirm_exit(); });
    FlexGrid* grid = form_.GRID;
    QObject::connect(grid, &FlexGrid::Click, form, [this] { flow.grid_click(); });
    QObject::connect(grid, &FlexGrid::DblClick, form, [this] { flow.grid_dbl_click(); });
    QObject::connect(grid, &FlexGrid::RowColChange, form, [this] { flow.grid_row_col_change(); });
    QObject::connect(grid, &FlexGrid::KeyDown, form,
                     [this](int& key_code, int shift) { flow.grid_key_down(key_code, shift); });
}

TextBox* MaintScreen::box(Field field) const
{
    switch (field) {
    case Field::search: return form_.KATCD;
    case Field::partner: return form_.ATCD;
    case Field::type: return form_.SJSHU;
    case Field::code: break;
    }
    return form_.JKBN;
}

QString MaintScreen::text(Field field) const
{
    return box(field)->text();
}

bool MaintScreen::holds_operator_text(Field field) const
{
    return k4::holds_operator_text(box(field));
}

void MaintScreen::set_program_text(Field field, const QString& text)
{
    box(field)->set_program_text(text);
}

void MaintScreen::replace_operator_text(Field field, const QString& text)
{
    k4::replace_operator_text(box(field), text);
}

void MaintScreen::limit_to_length(Field field)
{
    s_.kit.format_date_field(int(field));
}

void MaintScreen::select_whole_text(Field field)
{
    PresentationKit::select_whole_text(box(field));
}

void MaintScreen::set_field_enabled(Field field, bool enabled)
{
    box(field)->setEnabled(enabled);
}

void MaintScreen::clear_fields()
{
    s_.kit.clear_input_fields();
}

void MaintScreen::set_type_name(const QString& name)
{
    form_.lbl_SJNM->setText(name);
}

void MaintScreen::set_code_name(const QString& name)
{
    form_.lbl_JKBNM->setText(name);
}

void MaintScreen::focus(Field field)
{
    box(field)->setFocus(Qt::OtherFocusReason);
}

bool MaintScreen::active_field(Field& field) const
{
    const QWidget* active = form_.active_control();
    if (!form_.is_field(active))
        return false;
    const int n = tab_index(active);
    if (n < 0 || n >= field_count)
        return false;
    field = Field(n);
    return true;
}

void MaintScreen::focus_next_field()
{
    s_.kit.focus_next_field(vk::Return);
}

void MaintScreen::focus_previous_field()
{
    s_.kit.focus_previous_field(vk::Up);
}

void MaintScreen::paint_body_fields_normal()
{
    // The field the cursor is in keeps the focus colour: the window is active
    // again by the time this runs, so no focus-in would repaint it.
    const QWidget* active = form_.active_control();
    for (int i = 1; i < s_.kit.field_count(); ++i) {
        QWidget* field = s_.kit.field(i);
        if (field != active)
            s_.kit.field_lost_focus(field);
    }
}

void MaintScreen::enable_group(Phase phase)
{
    s_.kit.enable_field_group(phase_group(phase));
}

void MaintScreen::enable_command(Command command, bool enabled)
{
    form_.CMD[std::size_t(command)]->setEnabled(enabled);
}

void MaintScreen::show_rows(const ListedRows& rows)
{
    FlexGrid& grid = *form_.GRID;
    grid.begin_bulk_update();
    grid.Clear();
    grid.setCols(grid_cols);
    grid.setRow(0);
    for (int c = 1; c < grid_cols; ++c)
        grid.setTextMatrix(0, c, column_headers[c]);
    for (int c = 0; c < grid_cols; ++c)
        grid.setColWidth(c, column_widths[c]);

    const int count = rows.count();
    if (count > 0) {
        grid.setRows(count + 1);
        grid.setRowHeight(1, data_row_height);  // one height for every data row
        for (int c = 1; c < grid_cols; ++c)
            grid.setColAlignment(c, cell_left_centre);
    }
    // Each code is looked up once; its name is converted to UTF-8 once.
    std::unordered_map<std::string, QByteArray> names;
    for (int r = 1; r <= count; ++r) {
        QByteArrayView row[5] = {rows.cell(r, ListedRows::partner),
                                 rows.cell(r, ListedRows::type),
                                 rows.cell(r, ListedRows::type_name),
                                 rows.cell(r, ListedRows::code),
                                 {}};
        const auto [at, added] =
            names.try_emplace(std::string(row[3].data(), std::size_t(row[3].size())));
        if (added) {
            if (const InfoCodeEntry* entry = s_.info_codes.find(QString::fromUtf8(row[3])))
                at->second = entry->name.toUtf8();
        }
        row[4] = at->second;
        grid.set_row_texts(r, 1, row);
    }
    if (count > 0) {
        grid.setRow(count);
        grid.setCol(grid_cols - 1);
    }
    grid.end_bulk_update();
}

int MaintScreen::grid_rows() const
{
    return form_.GRID->Rows();
}

int MaintScreen::current_row() const
{
    return form_.GRID->Row();
}

void MaintScreen::set_current_row(int row)
{
    form_.GRID->setRow(row);
}

void MaintScreen::scroll_to_row(int row)
{
    form_.GRID->setTopRow(row);
}

QString MaintScreen::cell(int row, int column) const
{
    return form_.GRID->TextMatrix(row, column);
}

void MaintScreen::set_row_highlight(Highlight highlight)
{
    FlexGrid& grid = *form_.GRID;
    grid.Refresh();
    grid.setCol(0);
    grid.setColSel(highlight == Highlight::row ? grid_cols - 1 : 0);
}

void MaintScreen::show_header(const HeaderTexts& header)
{
    form_.lbl_PGID->setText(header.program_id);
    form_.lbl_OPTIT->setText(header.operator_caption);
    form_.lbl_OP_CD->setText(header.operator_code);
    form_.lbl_OP_NM->setText(header.operator_name);
    form_.lbl_HIDUKE->setText(header.date);
}

void MaintScreen::open_code_popup()
{
    // The popup writes the chosen code and name into JKBN and its label
    // itself; whatever it came to, the operator goes on in JKBN.
    static_cast<void>(show_info_code_popup(form_.JKBN, form_.lbl_JKBNM, s_.location, &form_));
    form_.activateWindow();
}

void MaintScreen::close_window()
{
    form_.close();
}

}  // namespace k4
