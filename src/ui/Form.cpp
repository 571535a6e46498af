#include "ui/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace k4 {

int vb_key_code(const QKeyEvent* event)
{
    const int key = event->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;  // 65..90
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;  // 48..57
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return vk::F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return vk::Return;
    case Qt::Key_Escape: return vk::Escape;
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vk::Tab;
    case Qt::Key_Shift: return vk::Shift;
    case Qt::Key_Control: return vk::Control;
    case Qt::Key_Alt: return vk::Menu;
    case Qt::Key_Pause: return vk::Pause;
    case Qt::Key_CapsLock: return vk::Capital;
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_PageUp: return vk::Prior;
    case Qt::Key_PageDown: return vk::Next;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Insert: return vk::Insert;
    case Qt::Key_Delete: return vk::Delete;
    default: return 0;
    }
}

int vb_shift_state(Qt::KeyboardModifiers modifiers)
{
    int s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= 1;
    if (modifiers & Qt::ControlModifier)
        s |= 2;
    if (modifiers & Qt::AltModifier)
        s |= 4;
    return s;
}

Form::Form(QWidget* parent) : QWidget(parent) {}

void Form::enable_key_preview()
{
    for (QWidget* child : findChildren<QWidget*>()) {
        child->removeEventFilter(this);
        child->installEventFilter(this);
    }
}

QWidget* Form::active_control() const
{
    QWidget* w = focusWidget();
    return (w && w != this && isAncestorOf(w)) ? w : nullptr;
}

bool Form::handle_key_press(QWidget* control, QKeyEvent* event)
{
    QPointer<QWidget> guard(control);
    int key_code = vb_key_code(event);
    const int shift = vb_shift_state(event->modifiers());
    if (key_code != 0) {
        form_key_down(key_code, shift);
        if (key_code == 0 || !guard)
            return true;
        control_key_down(control, key_code, shift);
        if (key_code == 0 || !guard)
            return true;
    }
    // Enter and Esc are the window's keys; a text box would only beep at them.
    if ((key_code == vk::Return || key_code == vk::Escape) && qobject_cast<QLineEdit*>(control))
        return true;

    const QString text = event->text();
    if (text.size() != 1)
        return false;
    // Alt with a letter is a button's key, never a character: with its button
    // disabled (削除 in the search mode) the letter would be typed into the field.
    if ((event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) == Qt::AltModifier)
        return true;
    int key_ascii = text.at(0).unicode();
    if (key_ascii < 32 && key_ascii != vk::Back)
        return false;  // Ctrl combinations keep their editing meaning
    const int typed = key_ascii;
    control_key_press(control, key_ascii);
    if (!guard)
        return true;
    if (key_ascii == 0)
        return true;
    if (key_ascii != typed) {
        QKeyEvent replaced(event->type(), event->key(), event->modifiers(),
                           QString(QChar(char16_t(key_ascii))), event->isAutoRepeat(),
                           ushort(event->count()));
        resending_ = true;
        QApplication::sendEvent(control, &replaced);
        resending_ = false;
        return true;
    }
    return false;
}

bool Form::eventFilter(QObject* watched, QEvent* event)
{
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control || resending_ || control->window() != this)
        return QWidget::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        pressed_in_.insert(key->key(), control);
        return handle_key_press(control, key);
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            return false;
        const QPointer<QWidget> pressed = pressed_in_.take(key->key());
        if (pressed == control && control == active_control())
            control_key_up(control, vb_key_code(key), vb_shift_state(key->modifiers()));
        return false;
    }
    case QEvent::FocusIn:
        // Focus given while the window is not active (at start-up, while a
        // message box is open) reaches the control only when the window becomes
        // active again, as an activation; it is still a move of the focus
        // between the window's controls, and the control that had it before
        // loses it now. Activation alone, back to the same control, is none.
        if (control != focused_control_) {
            const QPointer<QWidget> previous = focused_control_;
            focused_control_ = control;
            if (previous)
                control_lost_focus(previous);
            control_got_focus(control);
        }
        return false;
    case QEvent::FocusOut: {
        // The window losing its activation (a message box, a popup, another
        // program) leaves the focus where it is.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        if (control == focused_control_) {
            focused_control_ = nullptr;
            control_lost_focus(control);
        }
        return false;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void Form::closeEvent(QCloseEvent* event)
{
    if (query_unload())
        event->ignore();
    else
        event->accept();
}

}  // namespace k4
