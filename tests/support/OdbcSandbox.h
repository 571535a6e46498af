#pragma once
// A private ODBC configuration for database tests.
//
// The sandbox writes odbcinst.ini and odbc.ini into a temporary folder and
// points ODBCSYSINI / ODBCINI there, so no test reads or changes the machine's
// own data sources. unixODBC reads those variables once, at the first ODBC
// call of the process: create the sandbox (usually through shared()) before
// any Database.
//
// Data sources:
//  - sqlite_dsn(): a new SQLite database file made from db/sqlite/schema.sql;
//  - pg_dsn(): when K4_PG_PORT is set (K4_PG_HOST, default 127.0.0.1), a new
//    PostgreSQL database with a name unique to this process, made from
//    db/postgresql/schema.sql and dropped when the sandbox ends;
//  - relay_dsn(): the same database through 127.0.0.1:relay_port(), a port
//    kept free for a TcpRelay the test starts itself:
//        TcpRelay relay(sandbox.relay_port(), sandbox.pg_port());
//  - declare_fetch_dsn(): the same database with UseDeclareFetch=1 and
//    Fetch=2: psqlODBC reads a result from a server-side cursor, two rows at
//    a time, while the rows are fetched rather than all at execution.
// Each test process gets its own file and database, so processes may run side
// by side.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>
#include <optional>

namespace k4::test {

class OdbcSandbox {
public:
    struct Options {
        // Also define a data source named "Default" (a SQLite file of its own).
        bool default_dsn = false;
    };

    explicit OdbcSandbox(Options options);
    OdbcSandbox() : OdbcSandbox(Options{}) {}
    ~OdbcSandbox();
    OdbcSandbox(const OdbcSandbox&) = delete;
    OdbcSandbox& operator=(const OdbcSandbox&) = delete;

    // The sandbox of this process with the default options, made on first use.
    static OdbcSandbox& shared();

    // The back-end names tests are parameterised over: "sqlite", "postgresql".
    static QStringList backends();

    QString folder() const;
    QString sqlite_dsn() const;
    QString sqlite_file() const;
    bool has_postgres() const;
    QString pg_dsn() const;           // empty without PostgreSQL
    QString pg_user() const;          // the server's user for UID=
    QString pg_database() const;      // the database made for this process
    QString default_dsn_file() const; // the "Default" data source's file, if defined
    quint16 pg_port() const;          // the server's port; 0 without PostgreSQL
    QString relay_dsn() const;        // empty without PostgreSQL
    quint16 relay_port() const;       // where relay_dsn() connects; 0 without PostgreSQL
    QString declare_fetch_dsn() const;  // empty without PostgreSQL

    // The data source and user name for "sqlite" or "postgresql".
    QString dsn(const QString& backend) const;
    QString user(const QString& backend) const;

    // Through a connection of their own (raw ODBC, autocommit), independent of
    // the program's Database: run a statement; read the first column of the
    // first row (std::nullopt for NULL or no row); run a script file.
    // Failures throw std::runtime_error with the driver's text.
    void execute(const QString& dsn, const QString& statement) const;
    std::optional<QString> scalar(const QString& dsn, const QString& query) const;
    void apply_script(const QString& dsn, const QString& path) const;

    // The file of the project's source tree below db/, e.g. "sqlite/schema.sql".
    static QString db_file(const QString& relative);

private:
    void write_configuration();
    void create_postgres_database();

    Options options_;
    QTemporaryDir dir_;
    QString pg_host_;
    QString pg_port_;
    QString pg_database_;
    quint16 relay_port_ = 0;
    bool pg_created_ = false;
};

}  // namespace k4::test
