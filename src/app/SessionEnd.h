#pragma once
// The end of the operator's session from outside the program (log-off,
// shutdown, `systemctl stop` of a kiosk session): SIGTERM and SIGHUP become
// one call on the event loop, also while a message box waits for an answer,
// so that the program can roll back, close its connection and end cleanly
// instead of being cut off in the middle of a transaction.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace k4 {

class SessionEndWatcher : public QObject {
public:
    // `end` runs on the event loop for the first signal that arrives; it is
    // expected to end the process.
    explicit SessionEndWatcher(std::function<void(int signal)> end, QObject* parent = nullptr);
    // Puts the signals' default handling back.
    ~SessionEndWatcher() override;
    SessionEndWatcher(const SessionEndWatcher&) = delete;
    SessionEndWatcher& operator=(const SessionEndWatcher&) = delete;

private:
    void take_signal();

    std::function<void(int)> end_;
    QSocketNotifier* notifier_ = nullptr;
    int fds_[2] = {-1, -1};
};

}  // namespace k4
