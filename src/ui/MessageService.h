#pragma once
// Every message box of the program goes through one service: the text, the
// classic style number (buttons + icon + default button, e.g. 308) and the
// caption in, the answer out. The real one shows a QMessageBox; tests plan the
// answers and record every message.

#include <QString>

class QWidget;

namespace k4 {

namespace mb {
// Buttons
constexpr int OKOnly = 0;
constexpr int OKCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
// Icons
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
// Default button
constexpr int DefaultButton1 = 0;
constexpr int DefaultButton2 = 256;
constexpr int DefaultButton3 = 512;
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
    virtual int show(const QString& text, int style, const QString& caption) = 0;
    int show(const QString& text, int style = mb::OKOnly) { return show(text, style, app_title); }
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
    int show(const QString& text, int style, const QString& caption) override;

private:
    QWidget* parent_;
};

}  // namespace k4
