#include "app/SessionEnd.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace k4 {

namespace {

Q_LOGGING_CATEGORY(lcSession, "k4.session")

// The writing end of the socket pair; a signal handler may only do
// async-signal-safe work, so it writes the signal number there and returns.
volatile std::sig_atomic_t signal_fd = -1;

extern "C" void on_session_signal(int signal)
{
    const int fd = signal_fd;
    if (fd < 0)
        return;
    const unsigned char byte = static_cast<unsigned char>(signal);
    const ssize_t written = ::write(fd, &byte, 1);
    (void)written;  // a full buffer means a signal is already pending
}

constexpr int watched_signals[] = {SIGTERM, SIGHUP};

}  // namespace

SessionEndWatcher::SessionEndWatcher(std::function<void(int)> end, QObject* parent)
    : QObject(parent), end_(std::move(end))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) {
        qCWarning(lcSession) << "no socket pair for the session signals; SIGTERM and SIGHUP end the "
                                "program without closing its connection";
        fds_[0] = fds_[1] = -1;
        return;
    }
    signal_fd = fds_[1];
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { take_signal(); });

    struct sigaction action {};
    action.sa_handler = on_session_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : watched_signals)
        ::sigaction(s, &action, nullptr);
}

SessionEndWatcher::~SessionEndWatcher()
{
    for (const int s : watched_signals)
        std::signal(s, SIG_DFL);
    signal_fd = -1;
    for (const int fd : fds_) {
        if (fd >= 0)
            ::close(fd);
    }
}

void SessionEndWatcher::take_signal()
{
    unsigned char byte = 0;
    if (::read(fds_[0], &byte, 1) != 1)
        return;
    notifier_->setEnabled(false);  // the first signal decides; the end is under way
    if (end_)
        end_(int(byte));
}

}  // namespace k4
