#include "ChildProcess.h"

#include <QFile>
#include <QTemporaryFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace k4::bench {

namespace {

const char* const time_program = "/usr/bin/time";

}  // namespace

ChildResult run_child(const std::vector<std::string>& arguments,
                      const std::vector<std::pair<std::string, std::string>>& extra_environment)
{
    if (arguments.empty())
        throw std::runtime_error("no program to run");
    if (access(time_program, X_OK) != 0)
        throw std::runtime_error("/usr/bin/time is missing (Debian package time)");

    QTemporaryFile report;
    if (!report.open())
        throw std::runtime_error("cannot create a temporary file");
    const std::string report_path = QFile::encodeName(report.fileName()).toStdString();

    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : extra_environment)
            replaced = replaced || entry.compare(0, name.size() + 1, name + '=') == 0;
        if (!replaced)
            environment.push_back(entry);
    }
    for (const auto& [name, value] : extra_environment)
        environment.push_back(name + '=' + value);

    std::vector<std::string> command{time_program, "-f", "%M", "-o", report_path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv, envp;
    for (const std::string& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(rc));

    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    ChildResult result;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (waited == pid && WIFEXITED(status))
        result.exit_status = WEXITSTATUS(status);

    // The last line of the report is the figure ("Command exited with
    // non-zero status" may come before it).
    const QList<QByteArray> lines = report.readAll().trimmed().split('\n');
    result.peak_rss_kib = lines.isEmpty() ? 0 : lines.last().trimmed().toLong();
    return result;
}

}  // namespace k4::bench
