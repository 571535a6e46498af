#include "ScriptedMessages.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace k4::test {

int ScriptedMessages::show(const QString& text, mb::Style style, const QString& caption)
{
    shown_.push_back({text, style, caption});
    if (!planned_.empty()) {
        const int answer = planned_.front();
        planned_.pop_front();
        return answer;
    }
    const bool ok_only = style.buttons() == mb::OKOnly.code();
    if (ok_only && allow_ok_only_)
        return mb::IdOK;
    ADD_FAILURE() << "unplanned message: " << text.toStdString() << " (style " << style.code() << ")";
    return ok_only ? mb::IdOK : mb::IdCancel;
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const auto& m : shown_)
        out << m.text;
    return out;
}

}  // namespace k4::test
