#pragma once
// The maintenance screen put together: the window F_K408020 shown through the
// MaintView seam, the presentation kit doing the window's chores (colours,
// focus moves, the byte limit), and the flow taking every decision. The
// window's events go to the flow; the flow acts on the window through here.

#include "maint/F_K408020.h"
#include "maint/MaintFlow.h"
#include "maint/MaintView.h"

#include <QDate>
#include <QString>
#include <functional>

namespace k4 {

class MasterStore;
class TextBox;
class MessageService;
class PresentationKit;
class InfoCodeList;
struct SettingsLocation;

// What the screen needs from the rest of the program.
struct ScreenServices {
    MasterStore& store;
    MessageService& messages;
    PresentationKit& kit;
    const InfoCodeList& info_codes;
    // Where the code popup finds the list file.
    const SettingsLocation& location;
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    // Ends the program after the confirmed exit (the connection is already closed).
    std::function<void()> end_program = [] {};
    std::function<void(int)> set_mouse_pointer = [](int) {};
    // Receives each committed change as one line with who and where.
    std::function<void(const QString& line)> system_log = [](const QString&) {};
};

class MaintScreen final : public MaintView {
public:
    MaintScreen(F_K408020& form, ScreenServices services);

    // Puts the field table into the kit and the screen into HEAD.
    void init_screen();

    MaintFlow flow;

    // MaintView
    QString text(Field field) const override;
    bool holds_operator_text(Field field) const override;
    void set_program_text(Field field, const QString& text) override;
    void replace_operator_text(Field field, const QString& text) override;
    void limit_to_length(Field field) override;
    void select_whole_text(Field field) override;
    void set_field_enabled(Field field, bool enabled) override;
    void clear_fields() override;
    void set_type_name(const QString& name) override;
    void set_code_name(const QString& name) override;
    void focus(Field field) override;
    bool active_field(Field& field) const override;
    void focus_next_field() override;
    void focus_previous_field() override;
    void paint_body_fields_normal() override;
    void enable_group(Phase phase) override;
    void enable_command(Command command, bool enabled) override;
    void show_rows(const ListedRows& rows) override;
    int grid_rows() const override;
    int current_row() const override;
    void set_current_row(int row) override;
    void scroll_to_row(int row) override;
    QString cell(int row, int column) const override;
    void set_row_highlight(Highlight highlight) override;
    void show_header(const HeaderTexts& header) override;
    void open_code_popup() override;
    void close_window() override;

private:
    TextBox* box(Field field) const;
    void build_field_table();
    void connect_window();

    F_K408020& form_;
    ScreenServices s_;
};

}  // namespace k4
