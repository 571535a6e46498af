#pragma once
// The maintenance window: every control at its designed place, and the window's
// events reported as signals (MaintScreen connects them to the screen's flow).
// The window holds no logic of its own.

#include "ui/Form.h"

#include <QString>
#include <array>

class QLabel;

namespace k4 {

class TextBox;
class Label;
class CommandButton;
class FlexGrid;

class F_K408020 : public Form {
    Q_OBJECT
public:
    static inline const QString caption = QStringLiteral("利用情報区分マスタ保守 ");
    static constexpr int client_width_twips = 11760;
    static constexpr int client_height_twips = 8160;

    explicit F_K408020(QWidget* parent = nullptr);

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

signals:
    // The window's KeyDown, before the control: a key code set to 0 is consumed.
    void KeyDown(int& key_code, int shift);
    // A typed character for an entry field: set to 0 it is swallowed.
    void FieldKeyPress(QWidget* field, int& key_ascii);
    // A key released in an enabled entry field that received its press.
    void FieldKeyUp(QWidget* field, int key_code, int shift);
    void FieldGotFocus(QWidget* field);
    void FieldLostFocus(QWidget* field);
    // CMD(index) clicked.
    void CommandClick(int index);
    // The close request: setting `cancel` keeps the window open.
    void QueryUnload(bool& cancel);

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
};

}  // namespace k4
