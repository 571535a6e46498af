#pragma once
// A small window laid out like the maintenance screen's entry area: the
// search field KATCD, the entry fields ATCD, SJSHU, JKBN, two name labels and
// a grid, wired to a presentation kit the way a screen wires it (focus events
// to the colouring, key releases of enabled fields to the automatic advance,
// Up and Down in the window's key handler to the navigation).

#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/Form.h"
#include "ui/PresentationKit.h"

#include <QLabel>
#include <QString>
#include <vector>

namespace k4::test {

// Appearance settings that convert cleanly; tests spoil single values.
Appearance styled_appearance();

constexpr quint32 normal_color = 0x00FFFFFF;
constexpr quint32 focus_color = 0x0080FFFF;

class KitWindow : public Form {
public:
    explicit KitWindow(const Appearance& appearance);

    PresentationKit kit;
    TextBox* KATCD;
    TextBox* ATCD;
    TextBox* SJSHU;
    TextBox* JKBN;
    Label* lbl_SJNM;
    Label* lbl_JKBNM;
    FlexGrid* GRID;

    // The fields of the phase, as the screen enables them.
    void enter_phase(const QString& phase) { kit.enable_field_group(phase); }
    // Shows the window and waits until it is active; false when it never is.
    bool show_active();

    // Fields the kit reported typed full, in order, and whether the check
    // this window then runs (as a screen would) accepts them.
    std::vector<int> checked;
    bool check_accepts = true;

protected:
    void form_key_down(int& key_code, int shift) override;
    void control_key_up(QWidget* control, int key_code, int shift) override;
    void control_got_focus(QWidget* control) override;
    void control_lost_focus(QWidget* control) override;

private:
    bool is_field(const QWidget* control) const;
};

}  // namespace k4::test
