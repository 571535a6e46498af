#pragma once
// The system log (syslog(3)): every committed change also goes there, under the
// identifier "k408020" and the user facility, so `journalctl -t k408020` (or
// the syslog daemon's files) shows it with its time, wherever the program's
// standard error ends up.

#include <QString>
#include <functional>

namespace k4 {

// Receives one finished line; the caller escapes control characters, so a
// line is always one record.
using SystemLogSink = std::function<void(const QString& line)>;

// The real sink: each line is sent with priority notice. Nothing is echoed to
// standard error, and a machine without a syslog socket drops the line.
SystemLogSink system_log_sink();

}  // namespace k4
