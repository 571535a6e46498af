// The screen's decisions without a window or a database: the flow against a
// view of plain values and a store over an in-memory table, grouped as the
// operator meets them (keys, buttons, refusals and their focus, saving,
// leaving and deleting).
#include "ScriptedMessages.h"

#include "lookup/InfoCodeList.h"
#include "maint/MaintFlow.h"
#include "store/ListedRows.h"
#include "ui/KeyCodes.h"
#include "ui/MessageService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>

namespace k4::test {
namespace {

// The window as plain values; focus moves as the kit moves it between
// enabled fields.
class FakeView final : public MaintView {
public:
    struct Box {
        QString text;
        bool operator_text = false;
        bool enabled = false;
    };
    std::array<Box, field_count> boxes;
    QString type_name, code_name;
    std::optional<Field> focused;
    std::array<bool, 4> commands{};
    std::vector<std::array<QString, 6>> grid{1};   // row 0 is the heading
    int row = 0;
    Highlight highlight = Highlight::off;
    HeaderTexts header;
    int popups = 0;
    bool closed = false;

    Box& box(Field f) { return boxes[std::size_t(f)]; }
    const Box& box(Field f) const { return boxes[std::size_t(f)]; }
    // The operator types into a field.
    void type(Field f, const QString& text) { box(f) = {text, true, box(f).enabled}; }

    QString text(Field f) const override { return box(f).text; }
    bool holds_operator_text(Field f) const override { return box(f).operator_text; }
    void set_program_text(Field f, const QString& t) override { box(f).text = t; box(f).operator_text = false; }
    void replace_operator_text(Field f, const QString& t) override { box(f).text = t; }
    void limit_to_length(Field) override {}
    void select_whole_text(Field) override {}
    void set_field_enabled(Field f, bool on) override { box(f).enabled = on; }
    void clear_fields() override
    {
        for (Box& b : boxes)
            b.text.clear(), b.operator_text = false;
        type_name.clear();
        code_name.clear();
    }
    void set_type_name(const QString& n) override { type_name = n; }
    void set_code_name(const QString& n) override { code_name = n; }
    void focus(Field f) override { focused = f; }
    bool active_field(Field& f) const override
    {
        if (focused)
            f = *focused;
        return focused.has_value();
    }
    void focus_next_field() override
    {
        if (!focused)
            return;
        for (int step = 1; step < field_count; ++step) {
            const Field next = Field((int(*focused) + step) % field_count);
            if (box(next).enabled)
                return void(focused = next);
        }
    }
    void focus_previous_field() override
    {
        for (int i = int(focused.value_or(Field::search)) - 1; i >= 0; --i)
            if (box(Field(i)).enabled)
                return void(focused = Field(i));
    }
    void paint_body_fields_normal() override {}
    void enable_group(Phase phase) override
    {
        for (int i = 0; i < field_count; ++i)
            boxes[std::size_t(i)].enabled = (i == 0) == (phase == Phase::head);
    }
    void enable_command(Command c, bool on) override { commands[std::size_t(c)] = on; }
    void show_rows(const ListedRows& rows) override
    {
        grid.assign(std::size_t(std::max(rows.count(), 1)) + 1, {});
        for (int r = 1; r <= rows.count(); ++r) {
            auto cell = [&](ListedRows::Column c) { return QString::fromUtf8(rows.cell(r, c)); };
            grid[std::size_t(r)] = {QString(), cell(ListedRows::partner), cell(ListedRows::type),
                                    cell(ListedRows::type_name), cell(ListedRows::code),
                                    QStringLiteral("名称") + cell(ListedRows::code)};
        }
        row = rows.count();
    }
    int grid_rows() const override { return int(grid.size()); }
    int current_row() const override { return row; }
    void set_current_row(int r) override { row = r; }
    void scroll_to_row(int) override {}
    QString cell(int r, int c) const override { return grid[std::size_t(r)][std::size_t(c)]; }
    void set_row_highlight(Highlight h) override { highlight = h; }
    void show_header(const HeaderTexts& h) override { header = h; }
    void open_code_popup() override { ++popups; }
    void close_window() override { closed = true; }
};

// The master and 区分マスタ in memory, in the full list's order; an
// operation given a scripted outcome answers with it and changes nothing.
class FakeStore final : public MasterStore {
public:
    std::vector<EntryValues> table;
    std::optional<Outcome> next_list, next_find, next_write, next_delete, next_name;
    std::vector<QString> calls;

    Result<ListedRows> full_list() override { return list(QString()); }
    Result<ListedRows> partner_list(const QString& p) override { return list(p); }
    Result<bool> find_entry(const EntryValues& v) override
    {
        calls.push_back(QStringLiteral("find ") + text(v));
        if (auto o = take(next_find))
            return Result<bool>::fail(*o);
        return Result<bool>::of(std::count(table.begin(), table.end(), v) > 0);
    }
    Outcome write_entry(EntryKind kind, const EntryValues& listed, const EntryValues& row) override
    {
        calls.push_back(QStringLiteral("write ") + (kind == EntryKind::change ? text(listed) : "-")
                        + QStringLiteral(" -> ") + text(row));
        if (auto o = take(next_write))
            return *o;
        if (row.partner_code.trimmed().isEmpty())
            return Outcome::refused;
        if (kind == EntryKind::change && !erase(listed))
            return Outcome::absent;
        table.push_back(row);
        std::sort(table.begin(), table.end(), [](auto& a, auto& b) { return text(a) < text(b); });
        return Outcome::done;
    }
    Outcome delete_entry(const EntryValues& v) override
    {
        calls.push_back(QStringLiteral("delete ") + text(v));
        if (auto o = take(next_delete))
            return *o;
        return erase(v) ? Outcome::done : Outcome::absent;
    }
    Result<QString> transfer_type_name(const QString& t) override
    {
        if (auto o = take(next_name))
            return Result<QString>::fail(*o);
        if (t == QStringLiteral("1"))
            return Result<QString>::of(QStringLiteral("送信"));
        if (t == QStringLiteral("2"))
            return Result<QString>::of(QStringLiteral("受信"));
        return Result<QString>::fail(Outcome::absent);
    }
    void close() override { calls.push_back(QStringLiteral("close")); }

    static QString text(const EntryValues& v)
    {
        return v.partner_code + u'/' + v.transfer_type + u'/' + v.info_code;
    }

private:
    static std::optional<Outcome> take(std::optional<Outcome>& o) { return std::exchange(o, {}); }
    bool erase(const EntryValues& v)
    {
        const auto at = std::find(table.begin(), table.end(), v);
        if (at == table.end())
            return false;
        table.erase(at);
        return true;
    }
    Result<ListedRows> list(const QString& partner)
    {
        if (auto o = take(next_list))
            return Result<ListedRows>::fail(*o);
        ListedRows rows;
        for (const EntryValues& v : table) {
            if (!partner.isNull() && v.partner_code != partner)
                continue;
            const QByteArray p = v.partner_code.toUtf8(), t = v.transfer_type.toUtf8(),
                             c = v.info_code.toUtf8();
            const QByteArray n = t == "1" ? QStringLiteral("送信").toUtf8() : QByteArray();
            const QByteArrayView values[ListedRows::columns] = {p, t, n, c};
            rows.append(values);
        }
        return Result<ListedRows>::of(std::move(rows));
    }
};

class Flow : public ::testing::Test {
protected:
    Flow()
    {
        codes.assign(InfoCodeEntries::from_text(
            QStringLiteral("0001情報区分一\r0002情報区分二\r0003情報区分三\r"), max_info_code_lines));
        FlowServices services{messages, codes};
        services.today = [] { return QDate(2026, 12, 9); };
        services.end_program = [this] { ended = true; };
        services.system_log = [this](const QString& line) { log.push_back(line); };
        flow.emplace(view, store, services);
        store.table = {row("C00001", "1", "0001"), row("C00002", "1", "0002")};
        flow->operator_code = QStringLiteral("OP001");
        flow->init_screen();
        EXPECT_EQ(flow->reload_full_list(), Outcome::done);
        view.focus(Field::search);
    }
    static EntryValues row(const char* p, const char* t, const char* c)
    {
        return {QString::fromUtf8(p), QString::fromUtf8(t), QString::fromUtf8(c)};
    }
    void key(int code)
    {
        int k = code;
        flow->screen_key_down(k, 0);
    }
    // Search the partner from HEAD, with Enter in KATCD.
    void search(const QString& partner)
    {
        view.type(Field::search, partner);
        key(vk::Return);
    }
    // A new row typed through the add button, up to Enter in JKBN.
    void add_row(const QString& p, const QString& t, const QString& c, int answer)
    {
        flow->command_click(Command::add);
        view.type(Field::partner, p);
        view.type(Field::type, t);
        view.type(Field::code, c);
        view.focus(Field::code);
        messages.plan(answer);
        key(vk::Return);
    }
    QStringList table() const
    {
        QStringList out;
        for (const EntryValues& v : store.table)
            out << FakeStore::text(v);
        return out;
    }

    FakeView view;
    FakeStore store;
    ScriptedMessages messages;
    InfoCodeList codes;
    std::optional<MaintFlow> flow;
    bool ended = false;
    QStringList log;
};

TEST_F(Flow, KeysOfTheWindow)
{
    // Enter on an empty search copies the first row and opens the entry line.
    search(QString());
    EXPECT_EQ(flow->input_phase, Phase::body);
    EXPECT_EQ(view.row, 1);
    EXPECT_EQ(view.text(Field::partner), QStringLiteral("C00001"));
    EXPECT_FALSE(view.box(Field::partner).enabled);
    EXPECT_EQ(view.focused, Field::type);
    EXPECT_EQ(view.highlight, Highlight::row);

    // Esc in BODY is consumed, and leaves through the checks and the save
    // (without a question): the row unchanged is refused as a duplicate...
    int esc = vk::Escape;
    flow->screen_key_down(esc, 0);
    EXPECT_EQ(esc, 0);
    EXPECT_EQ(messages.texts(), QStringList{msg::duplicated});
    EXPECT_EQ(flow->input_phase, Phase::body);
    // ...and, changed, written in place of the listed row.
    view.type(Field::type, QStringLiteral("2"));
    key(vk::Escape);
    EXPECT_EQ(flow->input_phase, Phase::head);
    EXPECT_EQ(view.focused, Field::search);
    EXPECT_EQ(table(), (QStringList{QStringLiteral("C00001/2/0001"), QStringLiteral("C00002/1/0002")}));

    // F2 skips the next check: Esc leaves without checking or writing.
    search(QStringLiteral("C00002"));
    store.calls.clear();
    key(vk::F2);
    EXPECT_FALSE(flow->checks_active);
    key(vk::Escape);
    EXPECT_TRUE(store.calls.empty());
    EXPECT_TRUE(flow->checks_active);
    EXPECT_EQ(flow->input_phase, Phase::head);

    // F5 in HEAD lists the table as it is now; in JKBN it opens the popup.
    store.table.push_back(row("C00003", "1", "0003"));
    key(vk::F5);
    EXPECT_EQ(flow->grid_row_count, 3);
    EXPECT_EQ(view.popups, 0);
    store.next_list = Outcome::unreachable;
    key(vk::F5);
    EXPECT_EQ(messages.texts().back(), msg::connect_error);
    EXPECT_EQ(flow->grid_row_count, 3) << "the grid keeps its rows";
    search(QStringLiteral("C00003"));
    view.focus(Field::code);
    key(vk::F5);
    EXPECT_EQ(view.popups, 1);
    EXPECT_EQ(view.focused, Field::code);

    // Up and Down move between the usable fields; Esc in HEAD closes.
    key(vk::Up);
    EXPECT_EQ(view.focused, Field::type);
    key(vk::Down);
    EXPECT_EQ(view.focused, Field::code);
    key(vk::F2);
    key(vk::Escape);
    EXPECT_FALSE(view.closed);
    key(vk::Escape);
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(messages.all_answers_used());
}

TEST_F(Flow, ButtonsAndTheGrid)
{
    EXPECT_TRUE(view.commands[std::size_t(Command::search)]);
    EXPECT_FALSE(view.commands[std::size_t(Command::remove)]);
    flow->command_click(Command::remove);   // in HEAD: nothing
    EXPECT_TRUE(store.calls.empty());

    flow->command_click(Command::add);
    EXPECT_EQ(flow->input_phase, Phase::body);
    EXPECT_EQ(flow->entry_kind, EntryKind::add);
    EXPECT_FALSE(view.commands[std::size_t(Command::remove)]);
    EXPECT_TRUE(view.box(Field::partner).enabled);
    EXPECT_EQ(view.focused, Field::partner);
    EXPECT_TRUE(view.text(Field::search).isEmpty());

    // Moving onto a blank row leaves an add an add; a listed row is copied.
    view.grid.push_back({});
    view.row = 3;
    flow->grid_row_col_change();
    EXPECT_EQ(flow->entry_kind, EntryKind::add);
    view.row = 2;
    flow->grid_dbl_click();
    EXPECT_EQ(flow->entry_kind, EntryKind::change);
    EXPECT_EQ(view.text(Field::code), QStringLiteral("0002"));
    EXPECT_EQ(view.code_name, QStringLiteral("名称0002"));
    EXPECT_EQ(view.focused, Field::type);
    EXPECT_TRUE(view.commands[std::size_t(Command::remove)]);

    // Esc in the grid returns to HEAD without a message.
    int esc = vk::Escape;
    flow->grid_key_down(esc, 0);
    EXPECT_EQ(flow->input_phase, Phase::head);
    EXPECT_EQ(view.focused, Field::search);
    EXPECT_TRUE(messages.shown().empty());

    flow->command_click(Command::end);
    EXPECT_TRUE(view.closed);
    messages.plan(mb::IdNo);
    EXPECT_TRUE(flow->confirm_exit()) << "No keeps the window";
    messages.plan(mb::IdYes);
    EXPECT_FALSE(flow->confirm_exit());
    EXPECT_TRUE(ended);
    EXPECT_EQ(store.calls.back(), QStringLiteral("close"));
    EXPECT_EQ(messages.shown().back().style, mb::YesNo + mb::Exclamation + mb::DefaultButton2);
}

TEST_F(Flow, RefusalsTellAndPlaceTheFocus)
{
    struct Case {
        const char* partner;
        const char* type;
        const char* code;
        std::optional<Outcome> name_outcome, find_outcome;
        QString message;
        Field focus;
    };
    const Case cases[] = {
        {"  ", "1", "0003", {}, {}, msg::partner_missing, Field::partner},
        {"C00009", "", "0003", {}, {}, msg::transfer_type_missing, Field::type},
        {"C00009", "7", "0003", {}, {}, msg::no_such_name, Field::type},
        {"C00009", "1", "0003", Outcome::unreachable, {}, msg::connect_error, Field::type},
        {"C00009", "1", "", {}, {}, msg::info_code_missing, Field::code},
        {"C00009", "1", "0009", {}, {}, msg::no_such_code, Field::code},
        {"C00001", "1", "0001", {}, {}, msg::duplicated, Field::code},
        {"C00009", "1", "0003", {}, Outcome::failed, msg::update_failed, Field::code},
        {"C00009", "1", "0003", {}, Outcome::unreachable, msg::connect_error, Field::code},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString() + " for " + c.partner + "/" + c.type + "/" + c.code);
        messages.clear();
        store.next_name = c.name_outcome;
        store.next_find = c.find_outcome;
        flow->command_click(Command::add);
        view.type(Field::partner, QString::fromUtf8(c.partner));
        view.type(Field::type, QString::fromUtf8(c.type));
        view.type(Field::code, QString::fromUtf8(c.code));
        view.focus(Field::code);
        key(vk::Return);
        ASSERT_EQ(messages.texts(), QStringList{c.message});
        EXPECT_EQ(view.focused, c.focus);
        EXPECT_EQ(flow->input_phase, Phase::body);
        EXPECT_EQ(table().size(), 2);
        key(vk::F2);
        key(vk::Escape);
    }
    EXPECT_EQ(messages.shown().back().style, mb::OKOnly);
    // A lower-case typed code is upper-cased; the program's copy never is.
    search(QString());
    view.type(Field::type, QStringLiteral("1"));
    view.type(Field::partner, QStringLiteral("c00009"));
    EXPECT_EQ(flow->check_field(int(Field::partner)), Step::passed);
    EXPECT_EQ(view.text(Field::partner), QStringLiteral("C00009"));
    view.set_program_text(Field::partner, QStringLiteral("c00001"));
    EXPECT_EQ(flow->check_field(int(Field::partner)), Step::passed);
    EXPECT_EQ(view.text(Field::partner), QStringLiteral("c00001"));
}

TEST_F(Flow, SavingTellsWhatTheWriteCameTo)
{
    // Yes writes the new row, logs it and lists the table in HEAD.
    add_row(QStringLiteral(" C00003 "), QStringLiteral("1"), QStringLiteral("0003"), mb::IdYes);
    EXPECT_EQ(messages.texts(), QStringList{msg::confirm_update});
    EXPECT_EQ(messages.shown()[0].style, mb::YesNoCancel + mb::Exclamation + mb::DefaultButton1);
    EXPECT_TRUE(table().contains(QStringLiteral("C00003/1/0003"))) << "written trimmed";
    EXPECT_EQ(flow->grid_row_count, 3);
    EXPECT_EQ(flow->input_phase, Phase::head);
    EXPECT_EQ(view.focused, Field::search);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("added operator=\"OP001\""))) << log[0].toStdString();

    // Cancel stays on the entry line (an add in ATCD); No returns to HEAD.
    messages.clear();
    add_row(QStringLiteral("C00004"), QStringLiteral("1"), QStringLiteral("0003"), mb::IdCancel);
    EXPECT_EQ(flow->input_phase, Phase::body);
    EXPECT_EQ(view.focused, Field::partner);
    view.focus(Field::code);
    messages.plan(mb::IdNo);
    key(vk::Return);
    EXPECT_EQ(flow->input_phase, Phase::head);
    EXPECT_EQ(table().size(), 3);

    // A change removes the listed row exactly; another operator's change
    // meanwhile is told and nothing is written.
    search(QStringLiteral("C00002"));
    view.type(Field::type, QStringLiteral("2"));
    view.focus(Field::code);
    store.table[1].info_code = QStringLiteral("0001");   // changed elsewhere
    messages.clear();
    messages.plan(mb::IdYes);
    key(vk::Return);
    EXPECT_EQ(messages.texts(), (QStringList{msg::confirm_update, msg::no_such_data}));
    EXPECT_EQ(messages.shown()[1].style, mb::OKOnly + mb::Exclamation);
    EXPECT_FALSE(table().contains(QStringLiteral("C00002/2/0002")));
    EXPECT_EQ(flow->input_phase, Phase::head);

    // The database out of reach keeps the entry line for the next try; a
    // failed write is told and ends in HEAD.
    for (const Outcome outcome : {Outcome::unreachable, Outcome::failed}) {
        messages.clear();
        store.next_write = outcome;
        add_row(QStringLiteral("C00005"), QStringLiteral("1"), QStringLiteral("0003"), mb::IdYes);
        const bool kept = outcome == Outcome::unreachable;
        EXPECT_EQ(messages.texts().back(), kept ? msg::connect_error : msg::update_failed);
        EXPECT_EQ(flow->input_phase, kept ? Phase::body : Phase::head);
        EXPECT_EQ(view.focused, kept ? Field::code : Field::search);
        if (kept) {
            key(vk::F2);
            key(vk::Escape);
        }
    }
    EXPECT_EQ(log.size(), 1);
    EXPECT_TRUE(messages.all_answers_used());
}

TEST_F(Flow, DeletingChecksFirstAndAsksOnce)
{
    search(QStringLiteral("C00002"));
    messages.plan(mb::IdCancel);
    flow->command_click(Command::remove);
    EXPECT_EQ(messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_EQ(messages.shown()[0].style, mb::OKCancel + mb::Exclamation + mb::DefaultButton1);
    EXPECT_EQ(table().size(), 2) << "Cancel deletes nothing";
    EXPECT_EQ(flow->input_phase, Phase::head);

    search(QStringLiteral("C00002"));
    messages.clear();
    messages.plan(mb::IdOK);
    flow->command_click(Command::remove);
    EXPECT_EQ(table(), QStringList{QStringLiteral("C00001/1/0001")});
    EXPECT_EQ(flow->grid_row_count, 1);
    EXPECT_EQ(flow->entry_kind, EntryKind::change);
    EXPECT_EQ(view.focused, Field::search);
    EXPECT_TRUE(log.back().startsWith(QStringLiteral("deleted ")));

    // Gone before the question: told, not asked. Gone after it: told.
    search(QStringLiteral("C00001"));
    store.table.clear();
    messages.clear();
    flow->command_click(Command::remove);
    EXPECT_EQ(messages.texts(), QStringList{msg::no_such_data});
    EXPECT_EQ(flow->input_phase, Phase::body);
    store.table = {row("C00001", "1", "0001")};
    store.next_delete = Outcome::absent;
    messages.clear();
    messages.plan(mb::IdOK);
    flow->command_click(Command::remove);
    EXPECT_EQ(messages.texts(), (QStringList{msg::confirm_delete, msg::no_such_data}));
    EXPECT_EQ(flow->input_phase, Phase::head);

    // Out of reach: the entry line stays for the next try.
    search(QStringLiteral("C00001"));
    store.next_delete = Outcome::unreachable;
    messages.clear();
    messages.plan(mb::IdOK);
    flow->command_click(Command::remove);
    EXPECT_EQ(messages.texts().back(), msg::connect_error);
    EXPECT_EQ(flow->input_phase, Phase::body);
    EXPECT_EQ(table().size(), 1);
    EXPECT_TRUE(messages.all_answers_used());
}

}  // namespace
}  // namespace k4::test
