// The database server stops or restarts while the program is open: a restart
// between two actions costs the operator nothing (the program connects again);
// while the server is down each action says 接続エラー, keeps the screen as it
// was and tries again next time; a deletion whose held transaction dies with
// the server ends in the update-failure message with nothing written. These cases stop a server, so
// they run on a private server of their own (port and folder of this process),
// never on the one the other tests share.
#include "ProgramHarness.h"

#include "db/Database.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace k4::test {
namespace {

const QStringList sample_table = table_of(standard_rows());

// A loopback port nobody listens on right now.
int free_port()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

class PrivateServer {
public:
    PrivateServer()
        : folder_(QDir::temp().filePath(
              QStringLiteral("k4-pg-stop-%1").arg(QCoreApplication::applicationPid()))),
          port_(free_port())
    {
    }
    ~PrivateServer()
    {
        run(QStringLiteral("stop"));
        QDir(folder_).removeRecursively();
    }
    // Runs scripts/pg-test-server for this server; false when it failed.
    bool run(const QString& command, QString* output = nullptr) const
    {
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("K4_PG_DIR"), folder_);
        env.insert(QStringLiteral("K4_PG_PORT"), QString::number(port_));
        script.setProcessEnvironment(env);
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral(K4_SOURCE_DIR "/scripts/pg-test-server"), {command});
        const bool done = script.waitForFinished(120000);
        if (output)
            *output = QString::fromLocal8Bit(script.readAll());
        return done && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    }
    int port() const { return port_; }

private:
    QString folder_;
    int port_;
};

class ServerStops : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new PrivateServer;
        QString output;
        if (server->port() == 0 || !server->run(QStringLiteral("start"), &output)) {
            start_problem = output.isEmpty() ? QStringLiteral("no free port") : output;
            return;
        }
        // The sandbox of this process makes its database on the private server.
        qputenv("K4_PG_HOST", "127.0.0.1");
        qputenv("K4_PG_PORT", QByteArray::number(server->port()));
        OdbcSandbox::shared();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        if (!start_problem.isEmpty())
            GTEST_SKIP() << "the private PostgreSQL server did not start: "
                         << start_problem.toStdString();
        ASSERT_TRUE(server->run(QStringLiteral("start")));
        dsn = OdbcSandbox::shared().pg_dsn();
        set_master_rows(dsn, standard_rows());
        h = std::make_unique<ProgramHarness>(dsn, OdbcSandbox::shared().pg_user());
        ASSERT_NO_FATAL_FAILURE(h->start());
        grid_before = h->grid_rows();
        ASSERT_EQ(grid_before.size(), 3);
    }

    // Stops the server; at a question, through h->at_question.
    static void stop_server() { EXPECT_TRUE(server->run(QStringLiteral("stop"))); }
    // Nothing was written: the table, once the server is back, is as before.
    void expect_table_unchanged()
    {
        h.reset();
        ASSERT_TRUE(server->run(QStringLiteral("start")));
        EXPECT_EQ(master_rows(dsn), sample_table);
    }

    static inline PrivateServer* server = nullptr;
    static inline QString start_problem;
    QString dsn;
    QStringList grid_before;
    std::unique_ptr<ProgramHarness> h;
};

TEST_F(ServerStops, WhileAddingTheEntryLineStaysAndIsSavedOnceTheServerIsBack)
{
    h->at_question(msg::confirm_update, stop_server);
    h->add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::connect_error}));
    EXPECT_EQ(h->screen->input_phase, Phase::body);
    EXPECT_EQ(h->form->ATCD->text(), QStringLiteral("C00009"));
    EXPECT_EQ(h->focus(), h->form->JKBN);
    EXPECT_EQ(h->grid_rows(), grid_before);

    // The server is back: the same Enter saves.
    ASSERT_TRUE(server->run(QStringLiteral("start")));
    h->messages.clear();
    h->enter_answering(mb::IdYes);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    EXPECT_EQ(h->screen->input_phase, Phase::head);
    EXPECT_EQ(master_rows(dsn), sample_table + QStringList{QStringLiteral("C00009|1|0004")});
}

TEST_F(ServerStops, WhileChangingIsAConnectionErrorWithNothingWritten)
{
    h->at_question(msg::confirm_update, stop_server);
    ASSERT_EQ(h->change_row(3, QStringLiteral("2"), mb::IdYes), QStringLiteral("受信"));
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::connect_error}));
    EXPECT_EQ(h->screen->input_phase, Phase::body);
    EXPECT_EQ(h->grid_rows(), grid_before);
    h->expect_still_answers(false);  // no name lookup with the server down
    expect_table_unchanged();
}

TEST_F(ServerStops, WhileDeletingIsAConnectionErrorWithNothingDeleted)
{
    // The deletion begins after the answer: with the server gone nothing is
    // written, and the entry line stays for the next try.
    h->at_question(msg::confirm_delete, stop_server);
    h->delete_row(2, mb::IdOK);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_delete, msg::connect_error}));
    EXPECT_EQ(h->screen->input_phase, Phase::body);
    EXPECT_EQ(h->grid_rows(), grid_before);
    h->expect_still_answers(false);
    expect_table_unchanged();
}

TEST_F(ServerStops, WhileTheServerIsDownLookupsSayConnectionErrorAndWorkOnceItIsBack)
{
    ASSERT_TRUE(server->run(QStringLiteral("stop")));
    h->begin_add(QStringLiteral("C00009"));
    h->type(QStringLiteral("1"));
    EXPECT_EQ(h->messages.texts(), QStringList{msg::connect_error});
    EXPECT_EQ(h->focus(), h->form->SJSHU);

    h->messages.clear();
    h->key(Qt::Key_F2);
    h->key(Qt::Key_Escape);
    ASSERT_EQ(h->screen->input_phase, Phase::head);
    h->form->KATCD->setText(QStringLiteral("C00001"));
    h->form->KATCD->setFocus();
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::connect_error});
    EXPECT_EQ(h->screen->input_phase, Phase::head);
    EXPECT_EQ(h->grid_rows(), grid_before);

    // Back: the same search works without restarting the program.
    ASSERT_TRUE(server->run(QStringLiteral("start")));
    h->messages.clear();
    h->key(Qt::Key_Return);
    EXPECT_TRUE(h->messages.shown().empty()) << h->messages.texts().join(u' ').toStdString();
    EXPECT_EQ(h->screen->input_phase, Phase::body);
    EXPECT_EQ(h->grid_rows().size(), 2);
}

TEST_F(ServerStops, ARestartBetweenActionsCostsNothing)
{
    auto restart = [&] {
        ASSERT_TRUE(server->run(QStringLiteral("stop")));
        ASSERT_TRUE(server->run(QStringLiteral("start")));
    };
    restart();
    // The search.
    h->form->KATCD->setText(QStringLiteral("C00002"));
    h->key(Qt::Key_Return);
    ASSERT_EQ(h->screen->input_phase, Phase::body);
    restart();
    // The name lookup and the save of a change.
    h->form->SJSHU->setText(QStringLiteral("2"));
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->form->lbl_SJNM->text(), QStringLiteral("受信"));
    restart();
    h->enter_answering(mb::IdYes);
    restart();
    // The deletion.
    h->delete_row(1, mb::IdOK);
    EXPECT_EQ(h->messages.texts(), (QStringList{msg::confirm_update, msg::confirm_delete}));
    EXPECT_EQ(master_rows(dsn), (QStringList{QStringLiteral("C00001|2|0002"), QStringLiteral("C00002|2|0003")}));
}

}  // namespace
}  // namespace k4::test
