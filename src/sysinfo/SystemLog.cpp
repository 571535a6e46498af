#include "sysinfo/SystemLog.h"

#include <QByteArray>

#include <syslog.h>

namespace k4 {

namespace {

// openlog keeps the pointer, so the identifier must live as long as the process.
constexpr char identifier[] = "k408020";

void send_to_syslog(const QString& line)
{
    // Opened before every line: another library's openlog cannot have taken
    // the identifier away in between.
    openlog(identifier, LOG_PID, LOG_USER);
    const QByteArray text = line.toUtf8();
    syslog(LOG_NOTICE, "%s", text.constData());
}

}  // namespace

SystemLogSink system_log_sink()
{
    return send_to_syslog;
}

}  // namespace k4
