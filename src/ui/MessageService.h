#pragma once
// Every message box of the program goes through one service: the text, the
// classic style number (buttons + icon + default button, e.g. 308) and the
// caption in, the answer out. The real one shows a QMessageBox; tests plan the
// answers and record every message.

#include <QString>

class QWidget;

namespace k4 {

namespace mb {
// A message box's style: its buttons, its icon and its default button, added
// together into the classic number (YesNo + Exclamation + DefaultButton2 is
// 308), which the service and the tests compare.
class Style {
public:
    constexpr Style() = default;
    constexpr explicit Style(int code) : code_(code) {}
    constexpr int code() const { return code_; }
    constexpr int buttons() const { return code_ & 0x0F; }
    constexpr int icon() const { return code_ & 0x70; }
    constexpr int default_button() const { return code_ & 0x300; }
    friend constexpr Style operator+(Style a, Style b) { return Style(a.code_ + b.code_); }
    friend constexpr bool operator==(Style a, Style b) { return a.code_ == b.code_; }

private:
    int code_ = 0;
};
// Buttons
inline constexpr Style OKOnly{0};
inline constexpr Style OKCancel{1};
inline constexpr Style AbortRetryIgnore{2};
inline constexpr Style YesNoCancel{3};
inline constexpr Style YesNo{4};
inline constexpr Style RetryCancel{5};
// Icons
inline constexpr Style Critical{16};
inline constexpr Style Question{32};
inline constexpr Style Exclamation{48};
inline constexpr Style Information{64};
// Default button
inline constexpr Style DefaultButton1{0};
inline constexpr Style DefaultButton2{256};
inline constexpr Style DefaultButton3{512};
// Answers
constexpr int IdOK = 1;
constexpr int IdCancel = 2;
constexpr int IdAbort = 3;
constexpr int IdRetry = 4;
constexpr int IdIgnore = 5;
constexpr int IdYes = 6;
constexpr int IdNo = 7;
}  // namespace mb

// The application title, the caption of the program's message boxes.
inline const QString app_title = QStringLiteral("K408020");

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual int show(const QString& text, mb::Style style, const QString& caption) = 0;
    int show(const QString& text, mb::Style style = mb::OKOnly)
    {
        return show(text, style, app_title);
    }
};

// Shows a modal QMessageBox over `parent` (which may be null). Buttons read in
// the language of the installed Qt translation. After the box closes the parent
// window is activated again, since without a window manager the focus would
// otherwise be left on the root window.
class QtMessageService : public MessageService {
public:
    explicit QtMessageService(QWidget* parent = nullptr) : parent_(parent) {}
    void set_parent(QWidget* parent) { parent_ = parent; }
    using MessageService::show;
    int show(const QString& text, mb::Style style, const QString& caption) override;

private:
    QWidget* parent_;
};

}  // namespace k4
