#include "app/Startup.h"

#include "app/SessionEnd.h"
#include "app/StartupFailure.h"
#include "common/text.h"
#include "maint/F_K408020.h"
#include "maint/MaintScreen.h"
#include "store/Statements.h"
#include "sysinfo/SystemLog.h"
#include "sysinfo/cProfile.h"
#include "ui/Controls.h"
#include "ui/MessageService.h"
#include "ui/MousePointer.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcStartup, "k4.startup")

namespace k4 {

QString take_operator_code(const QStringList& arguments)
{
    return trim_blanks(arguments.join(u' '));
}

Appearance appearance_from_settings(const Settings& s)
{
    Appearance a;
    a.form_back_color = s.form_back_color;
    a.text = {s.text_back_color,      s.text_font_bold,       s.text_font_italic,
              s.text_font_name,       s.text_font_size,       s.text_font_strikethru,
              s.text_font_underline,  s.text_fore_color};
    a.label = {s.label_back_color,    s.label_font_bold,      s.label_font_italic,
               s.label_font_name,     s.label_font_size,      s.label_font_strikethru,
               s.label_font_underline, s.label_fore_color};
    a.title = {s.title_back_color,    s.title_font_bold,      s.title_font_italic,
               s.title_font_name,     s.title_font_size,      s.title_font_strikethru,
               s.title_font_underline, s.title_fore_color};
    a.text_focus_color = s.text_focus_color;
    return a;
}

Application::Application(MessageService& messages, StartupEnvironment environment)
    : messages_(messages), env_(std::move(environment))
{
    location_.program_dir = env_.program_dir;
    location_.edi_ini_override = env_.edi_ini_override;
}

Application::~Application()
{
    screen.reset();
    form.reset();
}

void Application::capture_system_profile()
{
    const cProfile profile;
    os_name = profile.OS();
    os_version = profile.Ver();
    login_user = profile.User();
    machine_name = profile.machine();
    terminal_name = profile.machine();
}

void Application::open_database()
{
    try {
        db.open_database(settings.data_source_name, settings.db_user_id, settings.db_password,
                         machine_name);
    } catch (const DbError& e) {
        qCWarning(lcStartup) << "the database connection failed:" << e.what();
        throw startup_failure(e);
    }
    qCInfo(lcStartup) << "connected to data source" << trim_blanks(settings.data_source_name)
                      << "through" << db.driver_name();
}

void Application::init_application()
{
    try {
        read_db_settings(settings, location_);
        capture_system_profile();
        open_database();
        read_settings(settings, location_);
    } catch (const SettingsError& e) {
        throw startup_failure(e);
    }
    // Touching the window loads it; loading centres it.
    center_form(form.get());
    kit.appearance = appearance_from_settings(settings);
    try {
        kit.apply_appearance();
    } catch (const AppearanceError& e) {
        throw startup_failure(e);
    }
}

void Application::main()
{
    env_.set_mouse_pointer(pointer::hourglass);

    form = std::make_unique<F_K408020>();
    kit.working_form = form.get();
    ScreenServices services{store, messages_, kit, info_codes, location_};
    services.today = env_.today;
    services.end_program = env_.end_program;
    services.set_mouse_pointer = env_.set_mouse_pointer;
    services.system_log = env_.system_log;
    screen = std::make_unique<MaintScreen>(*form, std::move(services));

    init_application();
    screen->flow.login_user = login_user;
    screen->flow.machine_name = machine_name;
    screen->init_screen();

    const QString list_path = locate_info_code_file(location_);
    const ListLoad list_load = load_info_code_file(info_codes, list_path);
    if (!list_load.found)
        qCWarning(lcStartup).noquote()
            << "information classification list not found:"
            << (list_path.isEmpty() ? QStringLiteral("no path, JOHOKUBUN of [PATH] in EDI.ini is empty")
                                    : list_path);
    else
        qCInfo(lcStartup) << "information classifications:" << info_codes.info_code_count()
                          << "entries from" << list_path
                          << (list_load.complete ? "" : "(not loaded completely)");

    if (screen->flow.reload_full_list() != Outcome::done)
        qCWarning(lcStartup) << "the list of the master could not be shown; the grid stays empty";
    screen->flow.show_header_labels();

    form->show();
    form->activateWindow();
    env_.set_mouse_pointer(pointer::arrow);

    screen->flow.operator_code = take_operator_code(env_.arguments);
    qCInfo(lcStartup) << "operator code:" << screen->flow.operator_code;
    screen->flow.show_header_labels();
    // The operator starts in the search field.
    form->KATCD->setFocus(Qt::OtherFocusReason);
}

namespace {

void set_mouse_pointer(int kind)
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (kind == pointer::hourglass)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else if (kind == pointer::arrow)
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
}

void install_japanese_support(QApplication& app)
{
    // Standard buttons read はい / いいえ / キャンセル.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        qCWarning(lcStartup) << "Qt's Japanese translation was not found";

    // The layout is designed on the Windows Gothic faces; IPA Gothic has the
    // same metrics (half-width letters are half of full-width).
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont app_font(QStringLiteral("IPAGothic"));
    app_font.setPointSize(10);
    QApplication::setFont(app_font);
}

}  // namespace

int run_program(int argc, char** argv)
{
    // The whole command line is the operator code. The toolkit is handed the
    // program's name alone: it would take arguments it knows (-reverse,
    // -style, -platform...) for itself and remove them. The platform comes
    // from QT_QPA_PLATFORM as usual.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    char fallback_name[] = "k408020";  // a process may be started with no arguments at all
    int toolkit_argc = 1;
    char* toolkit_argv[] = {argc > 0 && argv[0] ? argv[0] : fallback_name, nullptr};
    QApplication app(toolkit_argc, toolkit_argv);
    QApplication::setApplicationName(app_title);
    install_japanese_support(app);

    QtMessageService messages;
    StartupEnvironment env;
    env.program_dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    env.edi_ini_override = qEnvironmentVariable("EDI_INI");
    env.arguments = arguments;
    env.end_program = [] { QCoreApplication::exit(0); };
    env.set_mouse_pointer = set_mouse_pointer;
    env.system_log = system_log_sink();

    Application application(messages, env);
    // The session ends from outside (log-off, shutdown): whatever the screen
    // is doing, even a deletion waiting at its question, nothing stays half
    // written and no session is left on the server.
    const SessionEndWatcher session_end([&application](int signal) {
        qCInfo(lcStartup).nospace() << "the session ends (signal " << signal
                                    << "): rolling back, closing the connection, ending";
        application.db.close_database();
        std::fflush(nullptr);
        std::_Exit(0);
    });
    try {
        application.main();
    } catch (const StartupFailure& failure) {
        qCCritical(lcStartup) << "start-up stopped:" << failure.message();
        messages.set_parent(nullptr);
        messages.show(failure.message(), mb::OKOnly, app_title);
        return 1;
    }
    messages.set_parent(application.form.get());
    if (qEnvironmentVariableIsSet("K408020_EXIT_AFTER_SHOW"))
        return 0;  // used by the benchmark script to measure a whole start-up
    return QApplication::exec();
}

}  // namespace k4
