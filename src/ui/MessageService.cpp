#include "ui/MessageService.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace k4 {

namespace {

struct ButtonPlan {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonPlan> buttons_for(mb::Style style)
{
    switch (style.buttons()) {
    case mb::OKCancel.code():
        return {{QMessageBox::Ok, mb::IdOK}, {QMessageBox::Cancel, mb::IdCancel}};
    case mb::AbortRetryIgnore.code():
        return {{QMessageBox::Abort, mb::IdAbort}, {QMessageBox::Retry, mb::IdRetry},
                {QMessageBox::Ignore, mb::IdIgnore}};
    case mb::YesNoCancel.code():
        return {{QMessageBox::Yes, mb::IdYes}, {QMessageBox::No, mb::IdNo},
                {QMessageBox::Cancel, mb::IdCancel}};
    case mb::YesNo.code():
        return {{QMessageBox::Yes, mb::IdYes}, {QMessageBox::No, mb::IdNo}};
    case mb::RetryCancel.code():
        return {{QMessageBox::Retry, mb::IdRetry}, {QMessageBox::Cancel, mb::IdCancel}};
    default:
        return {{QMessageBox::Ok, mb::IdOK}};
    }
}

QMessageBox::Icon icon_for(mb::Style style)
{
    switch (style.icon()) {
    case mb::Critical.code(): return QMessageBox::Critical;
    case mb::Question.code(): return QMessageBox::Question;
    case mb::Exclamation.code(): return QMessageBox::Warning;
    case mb::Information.code(): return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int QtMessageService::show(const QString& text, mb::Style style, const QString& caption)
{
    const auto plan = buttons_for(style);
    QMessageBox box(icon_for(style), caption, text, QMessageBox::NoButton, parent_);
    QMessageBox::StandardButtons all;
    for (const auto& p : plan)
        all |= p.button;
    box.setStandardButtons(all);

    std::size_t default_index = 0;
    if (style.default_button() == mb::DefaultButton3.code())
        default_index = 2;
    else if (style.default_button() == mb::DefaultButton2.code())
        default_index = 1;
    if (default_index >= plan.size())
        default_index = 0;
    box.setDefaultButton(plan[default_index].button);

    // Esc answers Cancel (or No where there is no Cancel; OK for an OK-only box),
    // the way operators know it from every other dialog.
    QMessageBox::StandardButton escape = plan.back().button;
    for (const auto& p : plan)
        if (p.answer == mb::IdCancel)
            escape = p.button;
    box.setEscapeButton(escape);

    box.exec();
    int answer = mb::IdCancel;
    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto& p : plan)
        if (p.button == clicked)
            answer = p.answer;
    if (parent_) {
        parent_->activateWindow();
    }
    return answer;
}

}  // namespace k4
