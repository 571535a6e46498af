#pragma once
// The one ODBC connection of the process and the three services every screen
// uses: open a result set for sql_text, execute sql_text, close the connection.
// Raw ODBC (narrow calls, UTF-8 text, SQL_C_CHAR) behind RAII handles; every
// ODBC failure is thrown as DbError and logged with its detail.

#include "db/DbError.h"
#include "db/ResultSet.h"

#include <QString>
#include <memory>
#include <span>

namespace k4 {

class PreparedStatement;

class Database {
public:
    Database();
    ~Database();  // rolls back anything open and disconnects
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // "DSN=" + dsn + ";UID=" + uid + ";PWD=" + pwd + ";" from the trimmed values;
    // a value containing ';', '{' or '}' is braced as ODBC requires.
    static QString build_connect_string(const QString& dsn, const QString& uid,
                                        const QString& pwd);

    // Opens db_connection without prompting. Login time-out login_timeout_seconds,
    // query time-out query_timeout_seconds on every statement. An empty data source
    // name is refused before any driver is called (SQLSTATE IM002) unless the ODBC
    // configuration defines a data source named "Default", which is then named
    // to the driver explicitly. connect_string keeps the text as built. Throws DbError.
    void open_database(const QString& data_source_name, const QString& user_id,
                       const QString& password, const QString& environment_name);
    bool is_open() const;

    // Runs `statement` (recorded as sql_text) and returns its rows (keyset,
    // read-only requested; a driver's substitution is accepted); sets
    // eof_status to "9" (no row) or "0". On failure throws DbError and leaves
    // eof_status unchanged.
    ResultSet open_query(const QString& statement);
    // Runs `statement` (recorded as sql_text) and returns the number of rows
    // it touched; a statement that touched no row is success (0). Throws
    // DbError.
    long long execute_statement(const QString& statement);
    // Prepares `statement`, whose values are parameters (?), for running many
    // times: the values never become statement text. Throws DbError.
    PreparedStatement prepare(const QString& statement);

    // A lost connection (see DbError::connection_lost) is mended here, so
    // that a database restarted for maintenance costs the operator nothing:
    // - outside a transaction, and at the first statement of one, the layer
    //   connects again once with the same connect string and runs the
    //   statement again;
    // - later in a transaction the transaction is gone with the session: the
    //   error is thrown, rollback_trans only closes the transaction, and the
    //   connection is made again before the next statement or transaction.
    // A failed reconnection, or a loss again right after it, throws an error
    // whose cannot_connect() is true; the next statement tries again. A loss
    // found while fetching rows counts as one found by a statement. A commit
    // after a loss in the transaction is refused; a commit whose answer was
    // lost throws an error whose outcome_unknown() is true. Every loss and
    // reconnection is logged.
    void begin_trans();
    void commit_trans();
    void rollback_trans();   // throws DbError; safe when nothing is open
    bool in_transaction() const;

    // Rolls back anything open and disconnects; never throws.
    void close_database();

    // The driver's name as ODBC reports it (e.g. "sqlite3odbc.so", "psqlodbcw.so").
    QString driver_name() const;

    // The text actually sent to a driver for `statement`: "DELETE * FROM ..."
    // loses its asterisk unless the driver is one that takes that form
    // (Microsoft Access / Jet); everything else is sent unchanged.
    static QString adapt_statement(const QString& statement, const QString& driver_name);

    QString connect_string;   // as built by open_database (kept for the record, never logged)
    QString sql_text;
    QString eof_status;
    int login_timeout_seconds = 120;
    int query_timeout_seconds = 300;

private:
    friend class PreparedStatement;
    void connect(const QString& sent_connect_string);
    void reconnect(const DbError& loss);
    template <typename Run>
    auto run_mended(const QString& statement, Run run);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A statement prepared on the database's connection. Each run goes through the
// same mending as execute_statement (a connection made again meanwhile gets
// the statement prepared again on it). Destroy it before the database.
class PreparedStatement {
public:
    PreparedStatement(PreparedStatement&& other) noexcept;
    PreparedStatement& operator=(PreparedStatement&& other) noexcept;
    ~PreparedStatement();

    // Runs the statement with these values for its parameters, in order, each
    // sent as text; returns the number of rows it touched. Throws DbError.
    long long execute(std::span<const QString> values);

private:
    friend class Database;
    struct Impl;
    explicit PreparedStatement(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Begins a transaction and rolls it back on destruction unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();
    void rollback();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& db_;
    bool open_ = false;
};

}  // namespace k4
