// The relay the PostgreSQL fault tests put between psqlODBC and the server:
// bytes pass unchanged, a fault fires on what the client sends (even split
// over two reads) and never on what the server sends; on the real server a
// commit whose answer is cut is committed, a statement cut before it is sent
// leaves its transaction unwritten. Also the sandbox's declare-fetch source.
#include "OdbcSandbox.h"
#include "TcpRelay.h"

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

namespace k4::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWait = std::chrono::seconds(10);

// ---- plain sockets ---------------------------------------------------------

struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    ~Fd() { if (fd >= 0) ::close(fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

quint16 local_port(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// A connection to `port` through the relay and its far end, as `listener`
// accepted it; both non-blocking.
void connect_pair(int listener, quint16 port, Fd& near, Fd& far)
{
    near.fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    ASSERT_EQ(::connect(near.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    pollfd p{listener, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1) << "the relay did not connect to the far end";
    far.fd = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(far.fd, 0);
    ::fcntl(near.fd, F_SETFL, O_NONBLOCK);
    ::fcntl(far.fd, F_SETFL, O_NONBLOCK);
}

// Sends `bytes` on `from` while reading `to`, until as many bytes arrived,
// `to` closed or the wait ran out; returns what arrived.
QByteArray transfer(int from, int to, const QByteArray& bytes)
{
    QByteArray received;
    qsizetype sent = 0;
    char buffer[16384];
    const auto deadline = Clock::now() + kWait;
    while (received.size() < bytes.size() && Clock::now() < deadline) {
        pollfd p[2] = {{from, short(sent < bytes.size() ? POLLOUT : 0), 0}, {to, POLLIN, 0}};
        ::poll(p, 2, 100);
        if (p[0].revents & POLLOUT) {
            const ssize_t n = ::send(from, bytes.constData() + sent, std::size_t(bytes.size() - sent),
                                     MSG_NOSIGNAL);
            if (n > 0)
                sent += n;
        }
        if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(to, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            received.append(buffer, qsizetype(n));
        }
    }
    return received;
}

// The bytes `fd` still receives before its end; std::nullopt when it does
// not end in time.
std::optional<QByteArray> rest_until_closed(int fd)
{
    QByteArray rest;
    char buffer[256];
    const auto deadline = Clock::now() + kWait;
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) != 1)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0)
            rest.append(buffer, qsizetype(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return rest;
    }
    return std::nullopt;
}

TEST(TcpRelay, RelaysBytesUnchangedAndCutsOnClientTextOnly)
{
    Fd listener(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in any = loopback(0);
    ASSERT_EQ(::bind(listener.fd, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(::listen(listener.fd, 4), 0);
    TcpRelay relay(0, local_port(listener.fd));
    ASSERT_NE(relay.port(), 0);

    // Much more than one read, every byte value, both ways; the server's
    // "COMMIT" passes although a cut is armed for it.
    relay.drop_before("COMMIT");
    {
        Fd client, server;
        ASSERT_NO_FATAL_FAILURE(connect_pair(listener.fd, relay.port(), client, server));
        QByteArray payload;
        for (int i = 0; i < 600000; ++i)
            payload.append(char((i * 7) % 251));
        EXPECT_EQ(transfer(client.fd, server.fd, payload), payload);
        const QByteArray answer = payload + "CommandComplete COMMIT" + payload;
        EXPECT_EQ(transfer(server.fd, client.fd, answer), answer);
        EXPECT_EQ(relay.drops(), 0);

        // The text split over two reads: the first half is relayed, the
        // second is not, and both sides are closed.
        EXPECT_EQ(transfer(client.fd, server.fd, "Q...COM"), "Q...COM");
        ASSERT_EQ(::send(client.fd, "MIT.", 4, MSG_NOSIGNAL), 4);
        EXPECT_EQ(rest_until_closed(server.fd), QByteArray());
        EXPECT_EQ(rest_until_closed(client.fd), QByteArray());
        EXPECT_EQ(relay.drops(), 1);
    }

    // Cut after the reply: the request arrives, its answer does not.
    relay.drop_after_reply_to("ping");
    {
        Fd client, server;
        ASSERT_NO_FATAL_FAILURE(connect_pair(listener.fd, relay.port(), client, server));
        EXPECT_EQ(transfer(client.fd, server.fd, "ping"), "ping");
        ASSERT_EQ(::send(server.fd, "pong", 4, MSG_NOSIGNAL), 4);
        EXPECT_EQ(rest_until_closed(client.fd), QByteArray());
        EXPECT_EQ(rest_until_closed(server.fd), QByteArray());
        EXPECT_EQ(relay.drops(), 2);
    }
}

// ---- psqlODBC on the real server -------------------------------------------

// One plain ODBC connection; each call gives the SQLSTATE of its failure, or
// an empty string on success.
class Connection {
public:
    explicit Connection(const QString& dsn)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_OV_ODBC3)), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        QByteArray text = (QStringLiteral("DSN=") + dsn + u';').toUtf8();
        const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                              nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        connected_ = SQL_SUCCEEDED(rc);
        if (!connected_)
            state_ = state(SQL_HANDLE_DBC, dbc_);
    }
    ~Connection()
    {
        if (open_)
            SQLFreeHandle(SQL_HANDLE_STMT, open_);
        if (connected_) {
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            SQLDisconnect(dbc_);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    std::string connect_state() const { return state_; }

    void begin()
    {
        SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_AUTOCOMMIT_OFF)), 0);
    }
    std::string commit()
    {
        return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT)) ? "" : state(SQL_HANDLE_DBC, dbc_);
    }

    // Runs `statement`; its first value goes to `value`, if asked for.
    std::string run(const char* statement, std::string* value = nullptr)
    {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
        std::string failure = execute(stmt, statement);
        if (failure.empty() && value && !(SQL_SUCCEEDED(SQLFetch(stmt)) && read(stmt, *value)))
            failure = "no value";
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return failure;
    }

    // Runs `query` and keeps its result open (once); fetch() reads the next value.
    std::string open(const char* query)
    {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &open_);
        return execute(open_, query);
    }
    bool fetch(std::string& value) { return SQL_SUCCEEDED(SQLFetch(open_)) && read(open_, value); }

private:
    static std::string state(SQLSMALLINT type, SQLHANDLE handle)
    {
        SQLCHAR sqlstate[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[512] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, sqlstate, &native, message, sizeof message, &length)))
            return "?????";
        return reinterpret_cast<const char*>(sqlstate);
    }
    static bool read(SQLHSTMT stmt, std::string& value)
    {
        char buffer[256];
        SQLLEN indicator = 0;
        if (!SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator))
            || indicator == SQL_NULL_DATA)
            return false;
        value.assign(buffer);
        return true;
    }
    static std::string execute(SQLHSTMT stmt, const char* statement)
    {
        SQLCHAR* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement));
        const SQLRETURN rc = SQLExecDirect(stmt, text, SQL_NTS);
        return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA ? "" : state(SQL_HANDLE_STMT, stmt);
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT open_ = SQL_NULL_HSTMT;
    bool connected_ = false;
    std::string state_;
};

// A broken connection: SQLSTATE class 08.
::testing::AssertionResult connection_error(const std::string& state)
{
    if (state.rfind("08", 0) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "SQLSTATE \"" << state << "\" is no connection error";
}

class PgRelay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!sandbox.has_postgres())
            GTEST_SKIP() << "no PostgreSQL server configured (K4_PG_PORT)";
    }
    OdbcSandbox& sandbox = OdbcSandbox::shared();
};

TEST_F(PgRelay, CommitAnswerLostStatementNeverSentServerGone)
{
    TcpRelay relay(sandbox.relay_port(), sandbox.pg_port());
    const QString direct = sandbox.pg_dsn();
    sandbox.execute(direct, QStringLiteral("CREATE TABLE relay_scratch (id integer PRIMARY KEY, note text)"));
    const auto note = [&](int id) {
        return sandbox.scalar(direct, QStringLiteral("SELECT note FROM relay_scratch WHERE id = %1").arg(id))
            .value_or(QStringLiteral("<none>"));
    };

    // The commit is done, its answer lost: the client hears of a broken
    // connection, a second connection reads the row.
    relay.drop_after_reply_to("COMMIT");
    {
        Connection a(sandbox.relay_dsn());
        ASSERT_EQ(a.connect_state(), "");
        std::string value;
        EXPECT_EQ(a.run("SELECT upper('commit') || 'データ'", &value), "");
        EXPECT_EQ(value, "COMMITデータ");  // the server's COMMIT sets nothing off
        a.begin();
        EXPECT_EQ(a.run("INSERT INTO relay_scratch VALUES (1, '確定')"), "");
        EXPECT_TRUE(connection_error(a.commit()));
        EXPECT_EQ(relay.drops(), 1);
        EXPECT_EQ(note(1), QStringLiteral("確定"));
    }

    // Cut before a statement is sent: its transaction ends unwritten. Each of
    // the next two connections is cut once; the third runs it.
    relay.drop_before("SELECT 42", 2);
    for (int i = 2; i <= 3; ++i) {
        Connection b(sandbox.relay_dsn());
        ASSERT_EQ(b.connect_state(), "");
        b.begin();
        EXPECT_EQ(b.run(qPrintable(QStringLiteral("INSERT INTO relay_scratch VALUES (%1, 'x')").arg(i))), "");
        EXPECT_TRUE(connection_error(b.run("SELECT 42")));
        EXPECT_EQ(note(i), QStringLiteral("<none>"));
    }
    EXPECT_EQ(relay.drops(), 3);
    {
        Connection c(sandbox.relay_dsn());
        std::string value;
        EXPECT_EQ(c.run("SELECT 42", &value), "");
        EXPECT_EQ(value, "42");
    }

    // A server that is gone, then back.
    relay.refuse_connections(true);
    EXPECT_TRUE(connection_error(Connection(sandbox.relay_dsn()).connect_state()));
    EXPECT_EQ(relay.refused(), 1);
    relay.refuse_connections(false);
    EXPECT_EQ(Connection(sandbox.relay_dsn()).connect_state(), "");
    EXPECT_EQ(relay.drops(), 3);

    sandbox.execute(direct, QStringLiteral("DROP TABLE relay_scratch"));
}

// The declare-fetch source really reads through a server-side cursor: while
// its result is open the session holds one.
TEST_F(PgRelay, DeclareFetchSourceReadsThroughACursor)
{
    Connection d(sandbox.declare_fetch_dsn());
    ASSERT_EQ(d.connect_state(), "");
    ASSERT_EQ(d.open("SELECT g FROM generate_series(1, 5) g ORDER BY g"), "");
    std::string value;
    ASSERT_TRUE(d.fetch(value));
    EXPECT_EQ(value, "1");
    std::string cursors;
    // (This query runs through a cursor of its own too: it names the other.)
    EXPECT_EQ(d.run("SELECT count(*) FROM pg_cursors WHERE position('generate' || '_series' in statement) > 0",
                    &cursors),
              "");
    EXPECT_EQ(cursors, "1");
    std::string rows = value;
    for (int i = 0; i < 10 && d.fetch(value); ++i)
        rows += value;
    EXPECT_EQ(rows, "12345");
}

}  // namespace
}  // namespace k4::test
