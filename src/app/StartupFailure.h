#pragma once
// A start-up step that cannot go on: carries the operator's message up to
// main, which shows it (OK only, no icon, caption K408020) and exits non-zero.
// The layers below report failures with errors of their own; start-up turns
// each into the operator's message with startup_failure.

#include "common/Messages.h"

#include <QString>
#include <stdexcept>

namespace k4 {


class StartupFailure : public std::runtime_error {
public:
    explicit StartupFailure(QString message)
        : std::runtime_error(message.toStdString()), message_(std::move(message)) {}
    const QString& message() const noexcept { return message_; }

private:
    QString message_;
};

class SettingsError;
class DbError;
class AppearanceError;

// The settings file cannot be read as the program needs it.
inline StartupFailure startup_failure(const SettingsError&)
{
    return StartupFailure(startup_message::ini_read_error);
}
// The connection cannot be opened.
inline StartupFailure startup_failure(const DbError&)
{
    return StartupFailure(startup_message::connect_error);
}
// A control refused an appearance setting.
inline StartupFailure startup_failure(const AppearanceError&)
{
    return StartupFailure(startup_message::item_setting_error);
}

}  // namespace k4
