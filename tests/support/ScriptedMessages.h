#pragma once
// A message service for tests: records every message and answers from a plan.
// A message that arrives with no planned answer fails the test (and answers
// Cancel / OK so the code under test can go on).

#include "QtPrint.h"
#include "ui/MessageService.h"

#include <QString>
#include <deque>
#include <ostream>
#include <vector>

namespace k4::test {

struct ShownMessage {
    QString text;
    mb::Style style;
    QString caption;
};

class ScriptedMessages : public MessageService {
public:
    using MessageService::show;
    int show(const QString& text, mb::Style style, const QString& caption) override;

    // Plans the answer to the next message (mb::IdYes, mb::IdOK...).
    void plan(int answer) { planned_.push_back(answer); }
    // Answers every OK-only message with OK without a plan.
    void allow_ok_only(bool allow) { allow_ok_only_ = allow; }

    const std::vector<ShownMessage>& shown() const { return shown_; }
    QStringList texts() const;
    void clear() { shown_.clear(); planned_.clear(); }
    bool all_answers_used() const { return planned_.empty(); }

private:
    std::vector<ShownMessage> shown_;
    std::deque<int> planned_;
    bool allow_ok_only_ = true;
};

}  // namespace k4::test

namespace k4::mb {
// Failures show a style by its classic number.
inline void PrintTo(Style style, std::ostream* out)
{
    *out << "style " << style.code();
}
}  // namespace k4::mb
