#include "store/ChangeLog.h"

Q_LOGGING_CATEGORY(lcChanges, "k4.changes")

namespace k4 {

namespace {

QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QChar(u'0'));
        else
            out += ch;
    }
    return out;
}

QString row_text(const EntryValues& v)
{
    return QStringLiteral("%1/%2/%3").arg(v.partner_code, v.transfer_type, v.info_code);
}

// Free text quoted with '"' and '\\' escaped.
QString quoted(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + printable(text) + u'"';
}

}  // namespace

ChangeRecord change_record(const char* what, const ChangeAuthor& author, const EntryValues* before,
                           const EntryValues* after)
{
    auto row = [](const EntryValues* v) { return v ? printable(row_text(*v)) : QStringLiteral("-"); };
    auto quoted_row = [](const EntryValues* v) { return v ? quoted(row_text(*v)) : QStringLiteral("-"); };
    ChangeRecord record;
    record.log_line = QStringLiteral("operator %1 %2 %3 -> %4")
                          .arg(printable(author.operator_code), QLatin1String(what), row(before),
                               row(after));
    record.system_line = QStringLiteral("%1 operator=%2 user=%3 workstation=%4 old=%5 new=%6")
                             .arg(QLatin1String(what), quoted(author.operator_code),
                                  quoted(author.login_user), quoted(author.machine_name),
                                  quoted_row(before), quoted_row(after));
    return record;
}

}  // namespace k4
