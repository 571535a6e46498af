#include "TcpRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

namespace k4::test {

namespace {

using Clock = std::chrono::steady_clock;

// How long a cut after the reply waits for that reply before it cuts anyway.
constexpr auto kReplyWait = std::chrono::seconds(10);
// poll() wakes at least this often, so a late reply deadline is noticed.
constexpr int kPollMs = 100;
constexpr qsizetype kReadSize = 64 * 1024;

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string("TcpRelay: ") + what + ": " + std::strerror(errno));
}

void close_fd(int& fd) noexcept
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void set_no_delay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

// One relayed connection. Each direction holds the bytes read from one side
// that the other side has not taken yet; a side is read again only once its
// bytes are all delivered, so neither buffer grows without bound.
struct TcpRelay::Link {
    int client = -1;
    int server = -1;
    QByteArray to_server;
    QByteArray to_client;
    QByteArray tail;              // the last bytes the client sent, for texts split over two reads
    bool awaiting_reply = false;  // a cut after the reply is armed on this link
    Clock::time_point deadline;

    bool open() const { return client >= 0; }
    void close() noexcept
    {
        close_fd(client);
        close_fd(server);
    }
};

namespace {

// Reads what `fd` has; false on end of stream or a failure.
bool read_some(int fd, QByteArray& out)
{
    out.resize(kReadSize);
    ssize_t n;
    do
        n = ::recv(fd, out.data(), std::size_t(out.size()), 0);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        out.clear();
        return true;
    }
    if (n <= 0)
        return false;
    out.resize(qsizetype(n));
    return true;
}

// Writes as much of `pending` as `fd` takes now; false on a failure.
bool flush(int fd, QByteArray& pending)
{
    while (!pending.isEmpty()) {
        const ssize_t n = ::send(fd, pending.constData(), std::size_t(pending.size()), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        pending.remove(0, qsizetype(n));
    }
    return true;
}

}  // namespace

TcpRelay::TcpRelay(quint16 listen_port, quint16 target_port) : target_port_(target_port)
{
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0)
        fail("socket");
    const int on = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(listen_port);
    socklen_t length = sizeof address;
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listen_fd_, 16) != 0
        || ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        close_fd(listen_fd_);
        errno = error;
        fail(("listening on 127.0.0.1:" + std::to_string(listen_port)).c_str());
    }
    port_ = ntohs(address.sin_port);
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        close_fd(listen_fd_);
        fail("pipe");
    }
    thread_ = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay()
{
    stop_ = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(wake_[1], &byte, 1);
    if (thread_.joinable())
        thread_.join();
    for (Link& link : links_)
        link.close();
    close_fd(listen_fd_);
    close_fd(wake_[0]);
    close_fd(wake_[1]);
}

quint16 TcpRelay::port() const { return port_; }

void TcpRelay::drop_after_reply_to(const QByteArray& client_text)
{
    if (client_text.isEmpty())
        return;
    const std::lock_guard lock(mutex_);
    faults_.push_back({client_text, Cut::AfterReply, 1});
    longest_ = std::max(longest_, client_text.size());
}

void TcpRelay::drop_before(const QByteArray& client_text, int times)
{
    if (client_text.isEmpty() || times <= 0)
        return;
    const std::lock_guard lock(mutex_);
    faults_.push_back({client_text, Cut::Before, times});
    longest_ = std::max(longest_, client_text.size());
}

void TcpRelay::refuse_connections(bool on) { refuse_ = on; }
int TcpRelay::drops() const { return drops_; }
int TcpRelay::refused() const { return refused_; }

bool TcpRelay::take_fault(QByteArray& tail, const QByteArray& chunk, Cut& cut)
{
    const std::lock_guard lock(mutex_);
    const QByteArray window = tail + chunk;
    // The earliest text in the new bytes wins; a text wholly inside the tail
    // was looked at with the bytes before.
    auto hit = faults_.end();
    qsizetype hit_at = -1;
    for (auto fault = faults_.begin(); fault != faults_.end(); ++fault) {
        const qsizetype from = std::max<qsizetype>(0, tail.size() - fault->text.size() + 1);
        const qsizetype at = window.indexOf(fault->text, from);
        if (at >= 0 && (hit_at < 0 || at < hit_at)) {
            hit = fault;
            hit_at = at;
        }
    }
    const qsizetype keep = std::max<qsizetype>(0, longest_ - 1);
    tail = window.right(std::min(keep, window.size()));
    if (hit == faults_.end())
        return false;
    cut = hit->cut;
    if (--hit->remaining == 0)
        faults_.erase(hit);
    return true;
}

bool TcpRelay::accept_one()
{
    const int client = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0)
        return false;
    if (refuse_) {
        // Counted before the close: the client may look at the count as soon
        // as it sees its connection closed.
        ++refused_;
        ::close(client);
        return true;
    }
    // A blocking connect: the target is on this machine and answers at once
    // (or refuses, and then the client is closed the same way).
    int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in target = loopback(target_port_);
    if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        close_fd(server);
        ::close(client);
        return true;
    }
    ::fcntl(server, F_SETFL, ::fcntl(server, F_GETFL) | O_NONBLOCK);
    set_no_delay(client);
    set_no_delay(server);
    Link link;
    link.client = client;
    link.server = server;
    links_.push_back(std::move(link));
    return true;
}

void TcpRelay::run()
{
    std::vector<pollfd> fds;
    QByteArray chunk;
    while (!stop_) {
        fds.clear();
        fds.push_back({wake_[0], POLLIN, 0});
        fds.push_back({listen_fd_, POLLIN, 0});
        for (const Link& link : links_) {
            short client_events = 0;
            short server_events = 0;
            if (link.to_server.isEmpty() && !link.awaiting_reply)
                client_events |= POLLIN;
            if (!link.to_client.isEmpty())
                client_events |= POLLOUT;
            if (link.to_client.isEmpty() || link.awaiting_reply)
                server_events |= POLLIN;
            if (!link.to_server.isEmpty())
                server_events |= POLLOUT;
            fds.push_back({link.client, client_events, 0});
            fds.push_back({link.server, server_events, 0});
        }
        if (::poll(fds.data(), nfds_t(fds.size()), kPollMs) < 0 && errno != EINTR)
            break;
        if (stop_ || (fds[0].revents & POLLIN))
            break;

        // The links of this round; one accepted now is polled from the next.
        const std::size_t polled = links_.size();
        for (std::size_t i = 0; i < polled; ++i) {
            Link& link = links_[i];
            const short client_revents = fds[2 + 2 * i].revents;
            const short server_revents = fds[3 + 2 * i].revents;
            const bool client_ready = client_revents & (POLLIN | POLLHUP | POLLERR);
            const bool server_ready = server_revents & (POLLIN | POLLHUP | POLLERR);

            if (link.open() && server_ready && (link.to_client.isEmpty() || link.awaiting_reply)) {
                if (!read_some(link.server, chunk)) {
                    link.close();
                } else if (!chunk.isEmpty()) {
                    if (link.awaiting_reply) {
                        ++drops_;  // the answer goes nowhere
                        link.close();
                    } else {
                        link.to_client = chunk;
                    }
                }
            }
            if (link.open() && client_ready && link.to_server.isEmpty() && !link.awaiting_reply) {
                Cut cut = Cut::Before;
                if (!read_some(link.client, chunk)) {
                    link.close();
                } else if (!chunk.isEmpty() && take_fault(link.tail, chunk, cut)) {
                    if (cut == Cut::Before) {
                        ++drops_;
                        link.close();
                    } else {
                        link.to_server = chunk;
                        link.awaiting_reply = true;
                        link.deadline = Clock::now() + kReplyWait;
                    }
                } else {
                    link.to_server = chunk;
                }
            }
            if (link.open() && (!flush(link.server, link.to_server) || !flush(link.client, link.to_client)))
                link.close();
            if (link.open() && link.awaiting_reply && Clock::now() > link.deadline) {
                ++drops_;
                link.close();
            }
        }
        std::erase_if(links_, [](const Link& link) { return !link.open(); });

        if (fds[1].revents & POLLIN) {
            // Take every waiting connection, a bounded number per round.
            for (int n = 0; n < 16 && !stop_; ++n)
                if (!accept_one())
                    break;
        }
    }
}

}  // namespace k4::test
