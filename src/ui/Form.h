#pragma once
// A top-level window with key preview: its key handler sees every key before
// the focused control and may consume it (set the key code to 0); typed
// characters can be swallowed or replaced before the control takes them; key
// releases, focus changes and the close request reach overridable handlers.

#include "ui/KeyCodes.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QKeyEvent;

namespace k4 {

// Classic virtual-key code of a Qt key event (13 Enter, 27 Esc, 38 Up, 40 Down,
// 112.. F1.., 65..90 letters, 48..57 digits; 0 for keys without one).
int vb_key_code(const QKeyEvent* event);
// Shift state: 1 Shift, 2 Ctrl, 4 Alt, added together.
int vb_shift_state(Qt::KeyboardModifiers modifiers);


class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    // Installs the key preview on every child control created so far.
    void enable_key_preview();

    // The control that has the focus inside this window (the active control).
    QWidget* active_control() const;

protected:
    // The window's KeyDown: every key press, before the control. Setting
    // key_code to 0 consumes the key.
    virtual void form_key_down(int& key_code, int shift) { Q_UNUSED(key_code) Q_UNUSED(shift) }
    // A typed character (KeyAscii) for `control`; setting it to 0 swallows it,
    // another value replaces it.
    virtual void control_key_press(QWidget* control, int& key_ascii)
    {
        Q_UNUSED(control) Q_UNUSED(key_ascii)
    }
    // The KeyDown of the control itself, after the window's.
    virtual void control_key_down(QWidget* control, int& key_code, int shift)
    {
        Q_UNUSED(control) Q_UNUSED(key_code) Q_UNUSED(shift)
    }
    // A key release in `control` whose press `control` received too, while it
    // still has the focus (auto-repeat releases are not reported). The
    // release of a key that moved the focus (Tab, a click's Enter) arrives at
    // the control the focus went to, or at one that no longer has it: neither
    // is reported.
    virtual void control_key_up(QWidget* control, int key_code, int shift)
    {
        Q_UNUSED(control) Q_UNUSED(key_code) Q_UNUSED(shift)
    }
    // Focus moving between controls of this window (not window activation).
    virtual void control_got_focus(QWidget* control) { Q_UNUSED(control) }
    virtual void control_lost_focus(QWidget* control) { Q_UNUSED(control) }
    // The close request: return true to cancel the close.
    virtual bool query_unload() { return false; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool handle_key_press(QWidget* control, QKeyEvent* event);
    bool resending_ = false;
    // The control this window last reported as having the focus.
    QPointer<QWidget> focused_control_;
    // The control each key now held down was pressed in, by Qt key.
    QHash<int, QPointer<QWidget>> pressed_in_;
};

}  // namespace k4
