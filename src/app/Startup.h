#pragma once
// Start-up and exit: the services prepared in their fixed order, the main
// window filled and shown, then the operator code taken from the command line.

#include "db/Database.h"
#include "lookup/InfoCodeList.h"
#include "settings/Settings.h"
#include "store/DbMasterStore.h"
#include "ui/PresentationKit.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace k4 {

class F_K408020;
class MaintScreen;
class MessageService;

// What start-up takes from the process: values, so tests can set them.
struct StartupEnvironment {
    QString program_dir;          // the program's own directory
    QString edi_ini_override;     // EDI_INI, empty when unset
    QStringList arguments;        // the command line after the program name
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    std::function<void()> end_program = [] {};
    std::function<void(int)> set_mouse_pointer = [](int) {};
    // Where each committed change also goes (the system log in the program).
    std::function<void(const QString& line)> system_log = [](const QString&) {};
};

// The operator code: the arguments joined by one blank, leading and trailing
// blanks removed; inner blanks stay.
QString take_operator_code(const QStringList& arguments);

// The presentation kit's appearance from the [Setting0] values: the window's
// back colour, the Text, Label and Title groups, the focus colour.
Appearance appearance_from_settings(const Settings& settings);

class Application {
public:
    Application(MessageService& messages, StartupEnvironment environment);
    ~Application();

    // Runs the whole start-up sequence and shows the window. Throws
    // StartupFailure with the operator's message when start-up cannot go on.
    void main();

    // The five service steps, in their order (part of main()).
    void init_application();
    void capture_system_profile();
    void open_database();

    Settings settings;
    Database db;
    DbMasterStore store{db};
    PresentationKit kit;
    InfoCodeList info_codes;
    std::unique_ptr<F_K408020> form;
    std::unique_ptr<MaintScreen> screen;

    QString os_name, os_version, login_user, machine_name, terminal_name;

private:
    MessageService& messages_;
    StartupEnvironment env_;
    SettingsLocation location_;
};

// The program: Qt set up (Japanese buttons, fonts), start-up run, the event
// loop entered. Returns the process exit status.
int run_program(int argc, char** argv);

}  // namespace k4
