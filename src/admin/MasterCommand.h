#pragma once
// k408020-master: the administrators' command that brings the master table
// in and out as CSV and lists the rows the window could not act on, with the
// settings, the data source, the list file and the rules of the window.
//
//   export [--partner CODE] [--names] [--encoding cp932|utf-8] [FILE|-]
//   import [--dry-run] [--encoding cp932|utf-8] --operator CODE FILE|-
//   check [--format text|csv]
//
// Exit status: 0 done, 1 rows refused or found, 2 usage, 3 settings or
// connection failure.

#include "sysinfo/SystemLog.h"

#include <QString>
#include <QStringList>

class QIODevice;
class QTextStream;

namespace k4 {

namespace exit_status {
constexpr int done = 0;
constexpr int rows = 1;      // rows refused (import) or found (check), or a bad file
constexpr int usage = 2;
constexpr int setup = 3;     // the settings, the list file or the database
}  // namespace exit_status

// What the command takes from its process, as values so tests can set them.
struct CommandContext {
    QStringList arguments;       // after the program name
    QString program_dir;         // the command's own folder (EDI.ini two levels up)
    QString edi_ini_env;         // EDI_INI, empty when unset
    QIODevice* standard_input = nullptr;
    QIODevice* standard_output = nullptr;
    QTextStream* errors = nullptr;   // messages and progress
    bool errors_to_terminal = false; // progress only then
    QString login_user;
    QString machine_name;
    SystemLogSink system_log = [](const QString&) {};
};

int run_master_command(CommandContext& context);

}  // namespace k4
