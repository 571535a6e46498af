#pragma once
// The record of each committed change to the master: one line for the log
// category k4.changes and one for the system log, naming who (the operator
// code, the OS user) and where (the workstation). The window and the
// administrators' command write the same records.

#include "store/EntryValues.h"

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcChanges)

namespace k4 {

struct ChangeRecord {
    QString log_line;      // "operator OP001 added - -> C1/1/0001"
    QString system_line;   // "added operator="OP001" user="..." workstation="..." old=- new="C1/1/0001""
};

struct ChangeAuthor {
    QString operator_code;
    QString login_user;
    QString machine_name;
};

// `what` is "added", "changed" or "deleted"; `before` and `after` may be null.
// Control characters are written escaped and free text quoted, so no value can
// start a line of its own or forge another field.
ChangeRecord change_record(const char* what, const ChangeAuthor& author, const EntryValues* before,
                           const EntryValues* after);

}  // namespace k4
