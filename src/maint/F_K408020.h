#pragma once
// The maintenance window: every control at its designed place, and the window's
// events handed to the screen logic (ScreenEvents). The window holds no logic
// of its own.

#include "ui/Form.h"

#include <QString>
#include <array>

class QLabel;

namespace k4 {

class TextBox;
class Label;
class CommandButton;
class FlexGrid;

// What the window reports; implemented by the screen logic.
class ScreenEvents {
public:
    virtual ~ScreenEvents() = default;
    virtual void screen_key_down(int& key_code, int shift) = 0;
    virtual void field_key_press(QWidget* field, int& key_ascii) = 0;
    virtual void field_key_up(QWidget* field, int key_code, int shift) = 0;
    virtual void field_got_focus(QWidget* field) = 0;
    virtual void field_lost_focus(QWidget* field) = 0;
    virtual void command_click(int index) = 0;
    virtual void grid_click() = 0;
    virtual void grid_dbl_click() = 0;
    virtual void grid_key_down(int& key_code, int shift) = 0;
    virtual void grid_row_col_change() = 0;
    // Returns true to cancel the close.
    virtual bool query_unload() = 0;
};

class F_K408020 : public Form {
    Q_OBJECT
public:
    static inline const QString caption = QStringLiteral("利用情報区分マスタ保守 ");
    static constexpr int client_width_twips = 11760;
    static constexpr int client_height_twips = 8160;

    explicit F_K408020(QWidget* parent = nullptr);

    void set_events(ScreenEvents* events) { events_ = events; }

    // Controls, by their names.
    std::array<Label*, 9> tit_KOUMOKU{};   // members 0, 1, 7, 8 exist
    TextBox* KATCD = nullptr;
    TextBox* ATCD = nullptr;
    TextBox* SJSHU = nullptr;
    Label* lbl_SJNM = nullptr;
    TextBox* JKBN = nullptr;
    Label* lbl_JKBNM = nullptr;
    FlexGrid* GRID = nullptr;
    std::array<CommandButton*, 4> CMD{};
    Label* lbl_PGID = nullptr;
    Label* lbl_OPTIT = nullptr;
    Label* lbl_OP_CD = nullptr;
    Label* lbl_OP_NM = nullptr;
    Label* lbl_HIDUKE = nullptr;
    Label* SEARCH_KBN = nullptr;

    bool is_field(const QWidget* control) const;

protected:
    void form_key_down(int& key_code, int shift) override;
    void control_key_press(QWidget* control, int& key_ascii) override;
    void control_key_up(QWidget* control, int key_code, int shift) override;
    void control_got_focus(QWidget* control) override;
    void control_lost_focus(QWidget* control) override;
    bool query_unload() override;

private:
    void create_controls();
    qreal dpi_;
    ScreenEvents* events_ = nullptr;
};

}  // namespace k4
