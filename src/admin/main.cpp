// k408020-master: see admin/MasterCommand.h.
#include "admin/MasterCommand.h"

#include "sysinfo/cProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    // The command reports in its own words; the program's information lines
    // (the settings file read, one k4.changes line per row added) only when
    // asked for. Warnings with the driver's detail always show.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "k4.*.info=false");
    QCoreApplication app(argc, argv);
    QFile in, out;
    in.open(stdin, QIODevice::ReadOnly);
    out.open(stdout, QIODevice::WriteOnly);
    QTextStream errors(stderr);
    errors.setEncoding(QStringConverter::Utf8);

    const k4::cProfile profile;
    k4::CommandContext context;
    context.arguments = QCoreApplication::arguments().mid(1);
    context.program_dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    context.edi_ini_env = qEnvironmentVariable("EDI_INI");
    context.standard_input = &in;
    context.standard_output = &out;
    context.errors = &errors;
    context.errors_to_terminal = isatty(STDERR_FILENO) == 1;
    context.login_user = profile.User();
    context.machine_name = profile.machine();
    context.system_log = k4::system_log_sink();
    const int status = k4::run_master_command(context);
    out.flush();
    errors.flush();
    return status;
}
