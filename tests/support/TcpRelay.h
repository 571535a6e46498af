#pragma once
// A TCP relay on 127.0.0.1 that a test puts between psqlODBC and the private
// PostgreSQL server to cut a connection at an exact moment: after the server
// has answered a statement (the answer lost), or before the statement reaches
// the server at all.
//
// One background thread relays every connection with poll(); the test's main
// thread arms the faults while it drives the program. Bytes are relayed
// unchanged; faults look only at what the client sends (the text of a simple
// 'Q' query or of an extended-protocol Parse is plain UTF-8 in those bytes),
// never at what the server answers.
//
// What psqlODBC 13 sends with its default options (measured): every statement
// as one simple 'Q' query; with autocommit off the first statement of a
// transaction as "BEGIN;<statement>", the commit as "COMMIT" alone. Each new
// connection first sends "SET DateStyle = 'ISO';..." and "select oid,
// typbasetype from pg_type where typname = 'lo'", so pick texts these do not
// hold (matching is exact and case-sensitive).

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace k4::test {

class TcpRelay {
public:
    // Listens on 127.0.0.1:listen_port (0 = any free port) and forwards each
    // accepted connection to 127.0.0.1:target_port, both directions, until
    // the relay ends. Throws std::runtime_error when it cannot listen.
    TcpRelay(quint16 listen_port, quint16 target_port);
    ~TcpRelay();  // stops the thread, closes every socket
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    quint16 port() const;  // the port it listens on

    // Armed for the next time the client side of any relayed connection
    // sends bytes containing `client_text`: those bytes go to the server, the
    // server's next data (its answer) is discarded, and both sides of that
    // connection are closed. The server has done the work; the client never
    // hears of it (for "COMMIT": committed, the answer lost). One-shot.
    void drop_after_reply_to(const QByteArray& client_text);

    // Closes both sides of the connection without forwarding those bytes, for
    // the next `times` connections that send `client_text` (each one cut once).
    void drop_before(const QByteArray& client_text, int times = 1);

    // While on, each new connection is accepted and closed at once (a server
    // that is gone). Connections already relayed carry on.
    void refuse_connections(bool on);

    int drops() const;    // connections a fault has cut so far
    int refused() const;  // connections closed by refuse_connections

private:
    enum class Cut { AfterReply, Before };
    struct Fault {
        QByteArray text;
        Cut cut;
        int remaining;
    };
    struct Link;

    void run();
    bool accept_one();  // false when no connection was waiting
    // The fault the new client bytes `chunk` set off (the tail of the bytes
    // before them included), consuming one of its uses; false when none.
    bool take_fault(QByteArray& tail, const QByteArray& chunk, Cut& cut);

    int listen_fd_ = -1;
    int wake_[2] = {-1, -1};  // a pipe: the destructor wakes the thread through it
    quint16 port_ = 0;
    quint16 target_port_ = 0;

    mutable std::mutex mutex_;  // guards faults_ and longest_
    std::vector<Fault> faults_;
    qsizetype longest_ = 0;     // the longest text ever armed: the tail each link keeps

    std::atomic<bool> refuse_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> drops_{0};
    std::atomic<int> refused_{0};

    std::vector<Link> links_;  // the relay thread's alone
    std::thread thread_;
};

}  // namespace k4::test
