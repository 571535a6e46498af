#include "OdbcSandbox.h"

#include "OdbcConfig.h"
#include "RawOdbc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace k4::test {

namespace {

const QString kSqliteDsn = QStringLiteral("k4_sqlite");
const QString kPgDsn = QStringLiteral("k4_pg");
const QString kPgAdminDsn = QStringLiteral("k4_pg_admin");
const QString kPgRelayDsn = QStringLiteral("k4_pg_relay");
const QString kPgDeclareDsn = QStringLiteral("k4_pg_declare");
const QString kPgUser = QStringLiteral("postgres");

// A loopback port nobody listens on right now (the system's pick).
quint16 free_loopback_port()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        throw std::runtime_error("cannot create a socket to find a free port");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool found = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(s);
    if (!found)
        throw std::runtime_error("cannot find a free loopback port");
    return ntohs(address.sin_port);
}

}  // namespace

OdbcSandbox::OdbcSandbox(Options options)
    : options_(options), dir_(QDir::temp().filePath(QStringLiteral("k4-odbc-XXXXXX")))
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create the ODBC sandbox folder");

    pg_port_ = qEnvironmentVariable("K4_PG_PORT");
    pg_host_ = qEnvironmentVariable("K4_PG_HOST", QStringLiteral("127.0.0.1"));
    if (!pg_port_.isEmpty()) {
        pg_database_ = QStringLiteral("k4t_%1_%2")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
        relay_port_ = free_loopback_port();
    }

    write_configuration();

    apply_script(kSqliteDsn, db_file(QStringLiteral("sqlite/schema.sql")));
    if (has_postgres())
        create_postgres_database();
}

OdbcSandbox::~OdbcSandbox()
{
    if (!pg_created_)
        return;
    try {
        fixtures::RawOdbc admin(kPgAdminDsn);
        admin.execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(pg_database_));
    } catch (const std::exception& e) {
        qWarning("ODBC sandbox: could not drop %s: %s", qPrintable(pg_database_), e.what());
    }
}

OdbcSandbox& OdbcSandbox::shared()
{
    static OdbcSandbox sandbox;
    return sandbox;
}

QStringList OdbcSandbox::backends()
{
    return {QStringLiteral("sqlite"), QStringLiteral("postgresql")};
}

void OdbcSandbox::write_configuration()
{
    fixtures::OdbcConfig config(has_postgres());
    config.add_sqlite(kSqliteDsn, sqlite_file());
    if (has_postgres()) {
        config.add_postgres(kPgDsn, pg_host_, pg_port_, pg_database_, kPgUser);
        config.add_postgres(kPgAdminDsn, pg_host_, pg_port_, QStringLiteral("postgres"), kPgUser);
        config.add_postgres(kPgRelayDsn, QStringLiteral("127.0.0.1"), QString::number(relay_port_),
                            pg_database_, kPgUser);
        config.add_postgres(kPgDeclareDsn, pg_host_, pg_port_, pg_database_, kPgUser,
                            {QStringLiteral("UseDeclareFetch=1"), QStringLiteral("Fetch=2")});
    }
    if (options_.default_dsn)
        config.add_sqlite(QStringLiteral("Default"), default_dsn_file());
    config.install(dir_.path());
}

void OdbcSandbox::create_postgres_database()
{
    {
        fixtures::RawOdbc admin(kPgAdminDsn);
        admin.execute(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'")
                      .arg(pg_database_));
    }
    pg_created_ = true;
    apply_script(kPgDsn, db_file(QStringLiteral("postgresql/schema.sql")));
}

QString OdbcSandbox::folder() const { return dir_.path(); }
QString OdbcSandbox::sqlite_dsn() const { return kSqliteDsn; }
QString OdbcSandbox::sqlite_file() const { return QDir(dir_.path()).filePath(QStringLiteral("k4.db")); }
bool OdbcSandbox::has_postgres() const { return !pg_port_.isEmpty(); }
QString OdbcSandbox::pg_dsn() const { return has_postgres() ? kPgDsn : QString(); }
QString OdbcSandbox::pg_user() const { return kPgUser; }
QString OdbcSandbox::pg_database() const { return pg_database_; }
quint16 OdbcSandbox::pg_port() const { return has_postgres() ? quint16(pg_port_.toUInt()) : 0; }
QString OdbcSandbox::relay_dsn() const { return has_postgres() ? kPgRelayDsn : QString(); }
quint16 OdbcSandbox::relay_port() const { return relay_port_; }
QString OdbcSandbox::declare_fetch_dsn() const { return has_postgres() ? kPgDeclareDsn : QString(); }

QString OdbcSandbox::default_dsn_file() const
{
    return options_.default_dsn ? QDir(dir_.path()).filePath(QStringLiteral("default.db")) : QString();
}

QString OdbcSandbox::dsn(const QString& backend) const
{
    return backend == QLatin1String("postgresql") ? pg_dsn() : sqlite_dsn();
}

QString OdbcSandbox::user(const QString& backend) const
{
    return backend == QLatin1String("postgresql") ? pg_user() : QString();
}

void OdbcSandbox::execute(const QString& dsn, const QString& statement) const
{
    fixtures::RawOdbc(dsn).execute(statement);
}

std::optional<QString> OdbcSandbox::scalar(const QString& dsn, const QString& query) const
{
    return fixtures::RawOdbc(dsn).scalar(query);
}

void OdbcSandbox::apply_script(const QString& dsn, const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    fixtures::RawOdbc(dsn).execute_script(QString::fromUtf8(file.readAll()));
}

QString OdbcSandbox::db_file(const QString& relative)
{
    return fixtures::db_file(relative);
}

}  // namespace k4::test
