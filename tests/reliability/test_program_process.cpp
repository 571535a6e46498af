// The real program as a process: where start-up ends, the message box is
// shown and answered, and the process ends with a non-zero status. The box is
// a real one, so these cases run the program on a virtual X display (Xvfb) of
// their own and press Enter in it with xdotool. The unreadable-file cases run
// the program as the user nobody when the tests run as root, who reads anything;
// nobody runs a copy of the program in the case's own folder.
#include "ProgramHarness.h"

#include "TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#ifndef K4_PROGRAM
#error "K4_PROGRAM must name the program's executable"
#endif

namespace k4::test {
namespace {

// The log line of a start-up that stopped with `message`.
QString stopped_with(const QString& message)
{
    return QStringLiteral("start-up stopped: \"%1\"").arg(message);
}

// An X server of this test process's own, on the first free display from :200.
class VirtualDisplay {
public:
    ~VirtualDisplay()
    {
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000))
                server_.kill();
            server_.waitForFinished(5000);
        }
    }
    bool start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return false;
        for (int number = 200 + int(getpid() % 300), tries = 0; tries < 20; ++number, ++tries) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            server_.start(xvfb, {QStringLiteral(":%1").arg(number), QStringLiteral("-ac"),
                                 QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                 QStringLiteral("-screen"), QStringLiteral("0"),
                                 QStringLiteral("1280x800x24")});
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            // Ready when its socket is there; gone when the display was taken.
            while (server_.state() != QProcess::NotRunning && !QFileInfo::exists(socket))
                server_.waitForFinished(50);
            if (server_.state() != QProcess::NotRunning) {
                name_ = QStringLiteral(":%1").arg(number);
                return true;
            }
        }
        return false;
    }
    QString name() const { return name_; }
    // What a process on this display is given: the display, and a session bus
    // address that leads nowhere. Without an address, libdbus (which Qt's X11
    // platform asks for a session bus) starts a bus of its own through
    // dbus-launch, and nothing here would ever stop that bus.
    void put_into(QProcessEnvironment& env) const
    {
        env.insert(QStringLiteral("DISPLAY"), name_);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=/nonexistent/k408020-test-no-bus"));
    }

private:
    QProcess server_;
    QString name_;
};

struct Outcome {
    bool ended = false;     // the process ended by itself (after the box, if any)
    int status = -1;        // its exit status
    QString log;            // what it wrote to stderr
};

class ProgramProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        display = new VirtualDisplay;
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            missing = QStringLiteral("xdotool is not installed");
        else if (!display->start())
            missing = QStringLiteral("no X server (Xvfb) could be started");
    }
    static void TearDownTestSuite()
    {
        delete display;
        display = nullptr;
    }

    void SetUp() override
    {
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        reset_schema(QStringLiteral("sqlite"));
        ASSERT_TRUE(files.isValid());
        const QString root = files.path();
        // Everything the program reads is readable by anyone, unless a case says otherwise.
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                        | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                        | QFileDevice::ExeGroup);
        odbc = root + QStringLiteral("/odbc");
        ASSERT_TRUE(QDir().mkpath(odbc));
        const QString database = odbc + QStringLiteral("/k4.db");
        ASSERT_TRUE(QFile::copy(OdbcSandbox::shared().sqlite_file(), database));
        QFile drivers(OdbcSandbox::shared().folder() + QStringLiteral("/odbcinst.ini"));
        ASSERT_TRUE(drivers.open(QIODevice::ReadOnly));
        write_file(odbc + QStringLiteral("/odbcinst.ini"),
                   drivers.readAll()
                       + "\n[K4 Missing]\nDescription=a driver whose library is gone\n"
                         "Driver=/nonexistent/libk4missing.so\n");
        write_file(odbc + QStringLiteral("/odbc.ini"),
                   "[k4_proc]\nDriver=SQLite3\nDatabase=" + database.toUtf8()
                       + "\nTimeout=30000\n\n[k4_missing_driver]\nDriver=K4 Missing\n\n"
                         "[k4_missing_library]\nDriver=/nonexistent/libk4gone.so\n");
        write_file(odbc + QStringLiteral("/user-odbc.ini"), QByteArray());

        settings_path = root + QStringLiteral("/EDI/EDI.ini");
        list_path = root + QStringLiteral("/EDI/JOHOKUBUN.TXT");
        ProgramHarness template_source(QStringLiteral("k4_proc"), QString());
        settings_text = template_source.standard_settings().replace(template_source.list_path(),
                                                                    list_path);
        write_file(settings_path, sjis(settings_text));
        write_file(list_path, standard_list_bytes());
    }

    void set_data_source(const QString& name)
    {
        write_file(settings_path,
                   sjis(settings_text.replace(QStringLiteral("DBSTRING=k4_proc"),
                                              QStringLiteral("DBSTRING=") + name)));
    }

    // Runs the program. With `box`, waits for start-up to stop, then answers
    // the box with Enter; without, it must end by itself after showing the window.
    Outcome run(bool box, bool as_nobody = false,
                const QStringList& arguments = {QStringLiteral("OP001")})
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        display->put_into(env);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("EDI_INI"), settings_path);
        env.insert(QStringLiteral("ODBCSYSINI"), odbc);
        env.insert(QStringLiteral("ODBCINI"), odbc + QStringLiteral("/user-odbc.ini"));
        env.insert(QStringLiteral("HOME"), files.path());
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        if (!box)
            env.insert(QStringLiteral("K408020_EXIT_AFTER_SHOW"), QStringLiteral("1"));
        program.setProcessEnvironment(env);
        QString executable = QStringLiteral(K4_PROGRAM);
        if (as_nobody && getuid() == 0) {
            executable = reachable_copy_of_program();
            if (executable.isEmpty())
                return {};
            const passwd* user = getpwnam("nobody");
            if (!user) {
                ADD_FAILURE() << "there is no user nobody";
                return {};
            }
            const uid_t uid = user->pw_uid;
            const gid_t gid = user->pw_gid;
            program.setChildProcessModifier([uid, gid] {
                if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
                    _exit(125);
            });
        }
        program.start(executable, arguments);
        if (!program.waitForStarted(30000)) {
            ADD_FAILURE() << "the program did not start";
            return {};
        }

        Outcome outcome;
        if (box) {
            // The box comes right after start-up logs where it stopped.
            QElapsedTimer waited;
            waited.start();
            while (!outcome.log.contains(QStringLiteral("start-up stopped:"))
                   && program.state() == QProcess::Running && waited.elapsed() < 120000) {
                program.waitForReadyRead(200);
                outcome.log += QString::fromUtf8(program.readAllStandardError());
            }
            answer_box(program);
        }
        // waitForFinished() is false for a process already seen to end.
        outcome.ended = program.state() == QProcess::NotRunning || program.waitForFinished(60000);
        if (!outcome.ended) {
            program.kill();
            program.waitForFinished(5000);
        }
        outcome.log += QString::fromUtf8(program.readAllStandardError());
        outcome.status = program.exitCode();
        return outcome;
    }

    // Presses Enter in the box once it is mapped and visible and holds the
    // input focus. The display has no window manager, so xdotool cannot wait
    // for the box to be made active (windowactivate needs one): a press that
    // came before the program could take keys is lost, which happens when a
    // D-Bus session bus is started or reached meanwhile. So while the box is
    // still there a second later, it is answered again (a bounded number of
    // times); once answered, the box is gone and the process ends.
    void answer_box(QProcess& program)
    {
        for (int attempt = 0; attempt < 10 && program.state() == QProcess::Running; ++attempt) {
            QProcess xdotool;
            QProcessEnvironment xenv = QProcessEnvironment::systemEnvironment();
            display->put_into(xenv);
            xdotool.setProcessEnvironment(xenv);
            xdotool.start(QStringLiteral("xdotool"),
                          {QStringLiteral("search"), QStringLiteral("--sync"),
                           QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                           QStringLiteral("^K408020$"), QStringLiteral("windowfocus"),
                           QStringLiteral("--sync"), QStringLiteral("%1"), QStringLiteral("key"),
                           QStringLiteral("--window"), QStringLiteral("%1"),
                           QStringLiteral("Return")});
            // Its own status is no guide: it reports the window gone after the key.
            // The first search waits for the box; later ones find it shown or
            // wait for nothing that will come.
            if (!xdotool.waitForFinished(attempt == 0 ? 60000 : 5000)) {
                xdotool.kill();
                xdotool.waitForFinished(5000);
            }
            program.waitForFinished(1000);
        }
    }

    // The build tree may lie where only its owner can reach (a clone in
    // /root): another user runs a copy in the case's own folder, which anyone
    // can reach. The program links only system libraries.
    QString reachable_copy_of_program()
    {
        const QString copy = files.path() + QStringLiteral("/bin/k408020");
        if (QFileInfo::exists(copy))
            return copy;
        if (!QDir().mkpath(files.path() + QStringLiteral("/bin"))
            || !QFile::copy(QStringLiteral(K4_PROGRAM), copy)
            || !QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                                | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                | QFileDevice::ExeOther)) {
            ADD_FAILURE() << "the program cannot be copied to " << copy.toStdString();
            return {};
        }
        // Every folder above the copy must let the other user through.
        for (QDir dir = QFileInfo(copy).dir(); !dir.isRoot(); dir.cdUp()) {
            if (!(QFileInfo(dir.path()).permissions() & QFileDevice::ExeOther)) {
                ADD_FAILURE() << dir.path().toStdString()
                              << " cannot be passed by other users; set TMPDIR to a folder they can reach";
                return {};
            }
        }
        return copy;
    }

    static inline VirtualDisplay* display = nullptr;
    static inline QString missing;
    QTemporaryDir files;
    QString odbc;
    QString settings_path;
    QString list_path;
    QString settings_text;
};

TEST_F(ProgramProcess, ACompleteInstallationStartsAndEndsWithStatusZero)
{
    const Outcome outcome = run(false);
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.status, 0) << outcome.log.toStdString();
    EXPECT_TRUE(outcome.log.contains(QStringLiteral("information classifications: 5 entries")))
        << outcome.log.toStdString();
}

TEST_F(ProgramProcess, AFolderInPlaceOfTheSettingsEndsWithTheConnectionError)
{
    ASSERT_TRUE(QFile::remove(settings_path));
    ASSERT_TRUE(QDir().mkpath(settings_path));
    const Outcome outcome = run(true);
    EXPECT_TRUE(outcome.ended) << "the message box was not answered";
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.log.contains(stopped_with(startup_message::connect_error)))
        << outcome.log.toStdString();
}

TEST_F(ProgramProcess, ADataSourceWhoseDriverLibraryIsMissingEndsWithTheConnectionError)
{
    for (const QString& dsn : {QStringLiteral("k4_missing_driver"), QStringLiteral("k4_missing_library")}) {
        set_data_source(dsn);
        const Outcome outcome = run(true);
        EXPECT_TRUE(outcome.ended) << dsn.toStdString();
        EXPECT_EQ(outcome.status, 1) << dsn.toStdString();
        EXPECT_TRUE(outcome.log.contains(stopped_with(startup_message::connect_error)))
            << outcome.log.toStdString();
        // The cause stays in the log for the administrator.
        EXPECT_TRUE(outcome.log.contains(QStringLiteral("/nonexistent/libk4")))
            << outcome.log.toStdString();
    }
}

TEST_F(ProgramProcess, BrokenBytesInAColourEndTheStartUpAfterConnecting)
{
    QByteArray bytes = sjis(settings_text);
    bytes.replace("TitleForeColor=16777215", "TitleForeColor=\x81\xff\x00");
    write_file(settings_path, bytes);
    const Outcome outcome = run(true);
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.log.contains(QStringLiteral("connected to data source")))
        << outcome.log.toStdString();
    EXPECT_TRUE(outcome.log.contains(stopped_with(startup_message::ini_read_error)))
        << outcome.log.toStdString();
}

TEST_F(ProgramProcess, FilesWithoutReadPermission)
{
    // The same installation first readable (the program runs through), then
    // with the settings file unreadable, then with the list file unreadable.
    const Outcome readable = run(false, true);
    ASSERT_EQ(readable.status, 0) << readable.log.toStdString();

    ASSERT_TRUE(QFile::setPermissions(settings_path, QFileDevice::Permissions()));
    const Outcome no_settings = run(true, true);
    EXPECT_TRUE(no_settings.ended);
    EXPECT_EQ(no_settings.status, 1);
    EXPECT_TRUE(no_settings.log.contains(stopped_with(startup_message::connect_error)))
        << no_settings.log.toStdString();

    ASSERT_TRUE(QFile::setPermissions(settings_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                         | QFileDevice::ReadGroup
                                                         | QFileDevice::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(list_path, QFileDevice::Permissions()));
    const Outcome no_list = run(false, true);
    EXPECT_EQ(no_list.status, 0) << no_list.log.toStdString();
    EXPECT_TRUE(no_list.log.contains(QStringLiteral("information classifications: 0 entries")))
        << no_list.log.toStdString();
}

TEST_F(ProgramProcess, TheWholeCommandLineIsTheOperatorCodeEvenWhereTheToolkitKnowsAnArgument)
{
    const std::pair<QStringList, QString> cases[] = {
        {{QStringLiteral("-reverse")}, QStringLiteral("-reverse")},
        {{QStringLiteral("-style"), QStringLiteral("x")}, QStringLiteral("-style x")},
        {{QStringLiteral("OP"), QStringLiteral("-platform"), QStringLiteral("y"), QStringLiteral("7")},
         QStringLiteral("OP -platform y 7")},
    };
    for (const auto& [arguments, code] : cases) {
        const Outcome outcome = run(false, false, arguments);
        EXPECT_EQ(outcome.status, 0) << outcome.log.toStdString();
        EXPECT_TRUE(outcome.log.contains(QStringLiteral("operator code: \"%1\"").arg(code)))
            << outcome.log.toStdString();
    }
}

TEST_F(ProgramProcess, SigtermAtAnOpenDeletionQuestionClosesAndEndsWithStatusZero)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "a session left on the server exists only on the server database";
    reset_schema(QStringLiteral("postgresql"));
    const QString dsn = sandbox.pg_dsn();
    set_master_rows(dsn, {{QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")}});
    QFile sources(sandbox.folder() + QStringLiteral("/odbc.ini"));
    ASSERT_TRUE(sources.open(QIODevice::ReadOnly));
    QFile own(odbc + QStringLiteral("/odbc.ini"));
    ASSERT_TRUE(own.open(QIODevice::Append));
    own.write("\n" + sources.readAll());
    own.close();
    ProgramHarness server_settings(dsn, sandbox.pg_user());
    write_file(settings_path, sjis(server_settings.standard_settings().replace(server_settings.list_path(),
                                                                                list_path)));
    auto sessions = [&] {
        return sandbox.scalar(dsn, QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                                  "current_database() AND pid <> pg_backend_pid()"))
            .value_or(QString());
    };

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    display->put_into(env);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("EDI_INI"), settings_path);
    env.insert(QStringLiteral("ODBCSYSINI"), odbc);
    env.insert(QStringLiteral("ODBCINI"), odbc + QStringLiteral("/user-odbc.ini"));
    env.insert(QStringLiteral("HOME"), files.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(K4_PROGRAM), {QStringLiteral("OP001")});
    ASSERT_TRUE(program.waitForStarted(30000));

    // Search C00001 (its row is copied into the entry line), then 削除 (Alt+D):
    // the program ends while its question waits.
    auto xdotool = [&](const QStringList& arguments) {
        QProcess tool;
        QProcessEnvironment xenv = QProcessEnvironment::systemEnvironment();
        display->put_into(xenv);
        tool.setProcessEnvironment(xenv);
        tool.start(QStringLiteral("xdotool"), arguments);
        if (!tool.waitForFinished(60000))
            tool.kill();
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    };
    const QString window = xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--name"), QStringLiteral("利用情報区分マスタ保守")})
                               .section(u'\n', 0, 0);
    ASSERT_FALSE(window.isEmpty());
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("C00001")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    xdotool({QStringLiteral("key"), QStringLiteral("alt+d")});
    const QString question = xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--name"), QStringLiteral("^K408020$")});
    ASSERT_FALSE(question.isEmpty()) << "the deletion question did not appear";
    EXPECT_EQ(sessions(), QStringLiteral("1"));

    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(30000));
    const QString log = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("the session ends (signal 15)"))) << log.toStdString();
    EXPECT_EQ(master_rows(dsn), QStringList{QStringLiteral("C00001|1|0001")});
    QString left = sessions();
    for (int i = 0; i < 50 && left != QStringLiteral("0"); ++i) {
        QThread::msleep(100);
        left = sessions();
    }
    EXPECT_EQ(left, QStringLiteral("0")) << "a session of the program stayed on the server";
}

}  // namespace
}  // namespace k4::test
