#include "db/Database.h"
#include "db/DatabaseOdbc.h"

#include "common/text.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace k4 {

namespace {

// A connect-string value as ODBC requires it: braced when it holds a
// character that would otherwise end or open a value, closing braces doubled.
QString connect_value(const QString& value)
{
    if (!value.contains(u';') && !value.contains(u'{') && !value.contains(u'}'))
        return value;
    QString inner = value;
    inner.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + inner + u'}';
}

// What the log may show of a connection attempt: never the password.
QString connect_string_for_log(const QString& dsn, const QString& uid)
{
    return QStringLiteral("DSN=%1;UID=%2;PWD=***;").arg(connect_value(dsn), connect_value(uid));
}

bool driver_takes_delete_asterisk(const QString& driver_name)
{
    return driver_name.contains(QLatin1String("odbcjt32"), Qt::CaseInsensitive)
        || driver_name.contains(QLatin1String("ACEODBC"), Qt::CaseInsensitive);
}

// Whether the ODBC configuration names a data source "Default" (the one the
// driver manager falls back to for an empty name).
bool default_data_source_defined(SQLHENV env)
{
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLCHAR name[SQL_MAX_DSN_LENGTH * 4 + 1] = {};
        SQLCHAR description[512] = {};
        SQLSMALLINT name_length = 0;
        SQLSMALLINT description_length = 0;
        const SQLRETURN rc = SQLDataSources(env, direction, name, SQLSMALLINT(sizeof name),
                                            &name_length, description,
                                            SQLSMALLINT(sizeof description), &description_length);
        if (!SQL_SUCCEEDED(rc))
            return false;
        if (QString::fromUtf8(reinterpret_cast<const char*>(name))
                .compare(QLatin1String("Default"), Qt::CaseInsensitive)
            == 0)
            return true;
        direction = SQL_FETCH_NEXT;
    }
}

QString driver_name_of(SQLHDBC dbc)
{
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DRIVER_NAME, name, SQLSMALLINT(sizeof name), &length)))
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(name));
}

// Whether the driver says the connection is dead. A driver that cannot tell
// is taken at its word that it is alive; its statements will say otherwise.
bool connection_dead(SQLHDBC dbc)
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc =
        SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

void set_autocommit(SQLHDBC dbc, bool on)
{
    odbc::check(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(
                                      on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                  SQL_IS_UINTEGER),
                SQL_HANDLE_DBC, dbc, "SQLSetConnectAttr(SQL_ATTR_AUTOCOMMIT)");
}

QStringList describe_columns(SQLHSTMT stmt, const QString& statement)
{
    SQLSMALLINT count = 0;
    odbc::check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLNumResultCols", statement);
    QStringList names;
    for (SQLUSMALLINT column = 1; column <= SQLUSMALLINT(std::max<SQLSMALLINT>(count, 0)); ++column) {
        QByteArray name(256, '\0');
        SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        auto describe_into = [&] {
            return SQLDescribeCol(stmt, column, reinterpret_cast<SQLCHAR*>(name.data()),
                                  SQLSMALLINT(name.size()), &length, &type, &size, &digits,
                                  &nullable);
        };
        odbc::check(describe_into(), SQL_HANDLE_STMT, stmt, "SQLDescribeCol", statement);
        if (length >= name.size()) {
            name = QByteArray(length + 1, '\0');
            odbc::check(describe_into(), SQL_HANDLE_STMT, stmt, "SQLDescribeCol", statement);
        }
        names << QString::fromUtf8(name.constData(), qstrnlen(name.constData(), name.size()));
    }
    return names;
}

}  // namespace

struct Database::Impl {
    std::shared_ptr<Connection> connection;
    QString driver_name;
    bool in_transaction = false;
    // psqlODBC silently abandons a transaction after a failed statement and
    // SQLite keeps the statements before it; neither may be committed.
    bool statement_failed_in_transaction = false;
    // Statements that went through in the open transaction: a loss at the
    // first one costs nothing, later it costs the transaction.
    int statements_in_transaction = 0;
    // The connection was found gone inside a transaction; it is made again
    // before the next statement or transaction.
    bool lost = false;
    QString sent_connect_string;   // as given to the driver, for reconnecting; never logged

    SQLHDBC dbc() const { return connection->dbc.get(); }

    // Takes what the result sets found while fetching into the record: a
    // connection they found gone is made again before the next statement,
    // and a fetch that failed inside the transaction keeps it from being
    // committed.
    void take_fetch_reports()
    {
        if (!connection)
            return;
        if (connection->lost)
            lost = true;
        if (connection->fetch_failed && in_transaction)
            statement_failed_in_transaction = true;
        connection->lost = false;
        connection->fetch_failed = false;
    }
};

Database::Database() : impl_(std::make_unique<Impl>()) {}

Database::~Database()
{
    close_database();
}

QString Database::build_connect_string(const QString& dsn, const QString& uid, const QString& pwd)
{
    return QStringLiteral("DSN=") + connect_value(trim_blanks(dsn)) + QStringLiteral(";UID=")
        + connect_value(trim_blanks(uid)) + QStringLiteral(";PWD=")
        + connect_value(trim_blanks(pwd)) + u';';
}

QString Database::adapt_statement(const QString& statement, const QString& driver_name)
{
    static const QLatin1String form("DELETE * ");
    if (statement.size() < form.size() || driver_takes_delete_asterisk(driver_name))
        return statement;
    if (!statement.startsWith(QLatin1String("DELETE "), Qt::CaseInsensitive)
        || statement.at(7) != u'*' || statement.at(8) != u' ')
        return statement;
    return statement.left(7) + statement.mid(form.size());
}

void Database::open_database(const QString& data_source_name, const QString& user_id,
                             const QString& password, const QString& environment_name)
{
    close_database();
    const QString dsn = trim_blanks(data_source_name);
    const QString uid = trim_blanks(user_id);
    const QString pwd = trim_blanks(password);
    connect_string = build_connect_string(dsn, uid, pwd);
    qCDebug(lcDb).noquote() << "connecting" << connect_string_for_log(dsn, uid) << "environment"
                            << environment_name;

    // An empty name would make the driver manager load some driver, which may
    // then create a database named after the connect string. Only a data source
    // really called "Default" may stand in, and it is then named explicitly.
    QString sent = connect_string;
    if (dsn.isEmpty()) {
        odbc::Handle env = odbc::allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        odbc::check(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION,
                                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0),
                    SQL_HANDLE_ENV, env.get(), "SQLSetEnvAttr(SQL_ATTR_ODBC_VERSION)");
        if (!default_data_source_defined(env.get())) {
            qCWarning(lcDb).noquote() << "refused to connect without a data source name:"
                                      << connect_string_for_log(dsn, uid);
            throw DbError(QStringLiteral("IM002"), 0,
                          QStringLiteral("no data source name is set and no data source "
                                         "named Default is defined"));
        }
        sent = build_connect_string(QStringLiteral("Default"), uid, pwd);
    }

    try {
        connect(sent);
    } catch (const DbError&) {
        qCWarning(lcDb).noquote() << "connection refused for" << connect_string_for_log(dsn, uid);
        throw;
    }
}

void Database::connect(const QString& sent)
{
    auto connection = std::make_shared<Connection>();
    connection->env = odbc::allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    odbc::check(SQLSetEnvAttr(connection->env.get(), SQL_ATTR_ODBC_VERSION,
                              reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0),
                SQL_HANDLE_ENV, connection->env.get(), "SQLSetEnvAttr(SQL_ATTR_ODBC_VERSION)");
    connection->dbc = odbc::allocate(SQL_HANDLE_DBC, connection->env.get());
    const SQLHDBC dbc = connection->dbc.get();
    const SQLRETURN timeout_rc = SQLSetConnectAttr(
        dbc, SQL_ATTR_LOGIN_TIMEOUT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(login_timeout_seconds)), SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(timeout_rc))
        qCDebug(lcDb) << "the driver manager did not take the login time-out";

    QByteArray bytes = odbc::to_driver(sent);
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, odbc::sql_chars(bytes), SQL_NTS, nullptr, 0,
                                          nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc))
        throw odbc::failure(SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    odbc::check(rc, SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    connection->connected = true;

    impl_->connection = std::move(connection);
    impl_->sent_connect_string = sent;
    impl_->driver_name = driver_name_of(dbc);
    impl_->in_transaction = false;
    impl_->statement_failed_in_transaction = false;
    impl_->statements_in_transaction = 0;
    impl_->lost = false;
    qCDebug(lcDb).noquote() << "connected through" << impl_->driver_name;
}

void Database::reconnect(const DbError& loss)
{
    qCWarning(lcDb).noquote() << "the connection was lost:" << loss.what()
                              << "- connecting again with the same connect string";
    if (impl_->connection) {
        impl_->connection->end_statements();
        impl_->connection->disconnect();
    }
    impl_->in_transaction = false;
    impl_->statement_failed_in_transaction = false;
    impl_->statements_in_transaction = 0;
    impl_->lost = true;   // until a connection is made
    try {
        connect(impl_->sent_connect_string);
    } catch (const DbError& e) {
        qCWarning(lcDb).noquote() << "connecting again failed:" << e.what();
        throw e.as_cannot_connect();
    }
    qCWarning(lcDb).noquote() << "connected again through" << impl_->driver_name;
}

bool Database::is_open() const
{
    return impl_->connection && impl_->connection->connected;
}

QString Database::driver_name() const
{
    return impl_->driver_name;
}

namespace {

[[noreturn]] void throw_not_open(const QString& statement)
{
    throw DbError(QStringLiteral("08003"), 0, QStringLiteral("the database connection is not open"),
                  statement);
}

odbc::Handle new_statement(SQLHDBC dbc, int query_timeout_seconds)
{
    odbc::Handle stmt = odbc::allocate(SQL_HANDLE_STMT, dbc);
    odbc::request_statement_attr(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                                 SQLULEN(std::max(query_timeout_seconds, 0)),
                                 "SQL_ATTR_QUERY_TIMEOUT");
    return stmt;
}

}  // namespace

template <typename Run>
auto Database::run_mended(const QString& statement, Run run)
{
    impl_->take_fetch_reports();
    if (!is_open() && !impl_->lost)
        throw_not_open(statement);
    if (impl_->lost && !impl_->in_transaction)
        reconnect(DbError(QStringLiteral("08S01"), 0,
                          QStringLiteral("the connection was lost earlier"), statement));
    // A statement that went through counts in the open transaction.
    auto counted = [&] {
        auto value = run();
        if (impl_->in_transaction)
            ++impl_->statements_in_transaction;
        return value;
    };
    try {
        return counted();
    } catch (const DbError& e) {
        if (!e.connection_lost() || e.cannot_connect()) {
            if (impl_->in_transaction)
                impl_->statement_failed_in_transaction = true;
            throw;
        }
        if (impl_->in_transaction && impl_->statements_in_transaction > 0) {
            // The server has ended the session and the transaction with it.
            qCWarning(lcDb).noquote() << "the connection was lost inside a transaction, which is"
                                         " gone with it:" << e.what();
            impl_->lost = true;
            impl_->statement_failed_in_transaction = true;
            throw;
        }
        // Nothing was done on the lost session yet: connect again, reopen the
        // transaction if one was begun, and run the statement once more.
        const bool reopen_transaction = impl_->in_transaction;
        reconnect(e);
        if (reopen_transaction)
            begin_trans();
        try {
            return counted();
        } catch (const DbError& again) {
            if (impl_->in_transaction)
                impl_->statement_failed_in_transaction = true;
            if (!again.connection_lost())
                throw;
            // Lost again at once: the database is not usable now. Said as a
            // failed connection, and tried afresh at the next statement.
            qCWarning(lcDb).noquote() << "the connection was lost again right after connecting"
                                         " again:" << again.what();
            impl_->lost = true;
            throw again.as_cannot_connect();
        }
    }
}

ResultSet Database::open_query(const QString& statement)
{
    sql_text = statement;
    ResultSet result = run_mended(statement, [&] {
        auto impl = std::make_unique<ResultSet::Impl>();
        impl->statement = statement;
        impl->stmt = new_statement(impl_->dbc(), query_timeout_seconds);
        const SQLHSTMT stmt = impl->stmt.get();
        // Keyset and read-only are requests: SQLite answers with a static cursor.
        odbc::request_statement_attr(stmt, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_KEYSET_DRIVEN,
                                     "SQL_ATTR_CURSOR_TYPE");
        odbc::request_statement_attr(stmt, SQL_ATTR_CONCURRENCY, SQL_CONCUR_READ_ONLY,
                                     "SQL_ATTR_CONCURRENCY");

        const QString sent = adapt_statement(statement, impl_->driver_name);
        qCDebug(lcDb).noquote() << "open_query:" << sent;
        QByteArray bytes = odbc::to_driver(sent);
        const SQLRETURN rc = SQLExecDirect(stmt, odbc::sql_chars(bytes), SQL_NTS);
        if (rc != SQL_NO_DATA) {
            odbc::check(rc, SQL_HANDLE_STMT, stmt, "SQLExecDirect", statement);
            impl->names = describe_columns(stmt, statement);
        }

        impl->connection = impl_->connection;
        impl_->connection->open_results.push_back(impl.get());
        if (impl->names.isEmpty())
            impl->at_end = true;  // a statement without a result set has no rows
        else
            impl->fetch();
        ResultSet opened;
        opened.impl_ = std::move(impl);
        return opened;
    });
    eof_status = result.eof() ? QStringLiteral("9") : QStringLiteral("0");
    return result;
}

long long Database::execute_statement(const QString& statement)
{
    sql_text = statement;
    return run_mended(statement, [&] {
        odbc::Handle stmt = new_statement(impl_->dbc(), query_timeout_seconds);
        const QString sent = adapt_statement(statement, impl_->driver_name);
        if (sent != statement)
            qCDebug(lcDb).noquote() << "execute_statement:" << statement << "| sent to"
                                    << impl_->driver_name << "as:" << sent;
        else
            qCDebug(lcDb).noquote() << "execute_statement:" << sent;
        QByteArray bytes = odbc::to_driver(sent);
        const SQLRETURN rc = SQLExecDirect(stmt.get(), odbc::sql_chars(bytes), SQL_NTS);
        if (rc == SQL_NO_DATA)  // no row touched is success
            return 0LL;
        odbc::check(rc, SQL_HANDLE_STMT, stmt.get(), "SQLExecDirect", statement);
        SQLLEN count = 0;
        odbc::check(SQLRowCount(stmt.get(), &count), SQL_HANDLE_STMT, stmt.get(), "SQLRowCount",
                    statement);
        return static_cast<long long>(std::max<SQLLEN>(count, 0));
    });
}

struct PreparedStatement::Impl {
    Database* db = nullptr;
    QString statement;
    std::weak_ptr<Connection> prepared_on;   // the connection the handle belongs to
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    std::vector<QByteArray> values;          // kept bound while the statement runs
    std::vector<SQLLEN> lengths;

    // Frees the handle unless its connection is gone (disconnecting freed it).
    void release() noexcept
    {
        const std::shared_ptr<Connection> on = prepared_on.lock();
        if (stmt != SQL_NULL_HSTMT && on && on->connected)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        stmt = SQL_NULL_HSTMT;
        prepared_on.reset();
    }
};

PreparedStatement::PreparedStatement(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PreparedStatement::PreparedStatement(PreparedStatement&& other) noexcept = default;
PreparedStatement& PreparedStatement::operator=(PreparedStatement&& other) noexcept
{
    if (this != &other) {
        if (impl_)
            impl_->release();
        impl_ = std::move(other.impl_);
    }
    return *this;
}
PreparedStatement::~PreparedStatement()
{
    if (impl_)
        impl_->release();
}

PreparedStatement Database::prepare(const QString& statement)
{
    auto impl = std::make_unique<PreparedStatement::Impl>();
    impl->db = this;
    impl->statement = statement;
    return PreparedStatement(std::move(impl));
}

long long PreparedStatement::execute(std::span<const QString> values)
{
    Impl& p = *impl_;
    Database& db = *p.db;
    db.sql_text = p.statement;
    return db.run_mended(p.statement, [&] {
        const std::shared_ptr<Connection>& current = db.impl_->connection;
        if (p.stmt == SQL_NULL_HSTMT || p.prepared_on.lock() != current) {
            p.release();
            odbc::Handle stmt = new_statement(db.impl_->dbc(), db.query_timeout_seconds);
            QByteArray text = odbc::to_driver(p.statement);
            odbc::check(SQLPrepare(stmt.get(), odbc::sql_chars(text), SQL_NTS), SQL_HANDLE_STMT,
                        stmt.get(), "SQLPrepare", p.statement);
            p.stmt = stmt.release();   // freed by p from here
            p.prepared_on = current;
            qCDebug(lcDb).noquote() << "prepared:" << p.statement;
        }
        p.values.resize(values.size());
        p.lengths.resize(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            p.values[i] = odbc::to_driver(values[i]);
            p.lengths[i] = SQLLEN(p.values[i].size());
            odbc::check(SQLBindParameter(p.stmt, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                         SQL_VARCHAR, SQLULEN(std::max<qsizetype>(p.values[i].size(), 1)),
                                         0, odbc::sql_chars(p.values[i]), p.lengths[i], &p.lengths[i]),
                        SQL_HANDLE_STMT, p.stmt, "SQLBindParameter", p.statement);
        }
        const SQLRETURN rc = SQLExecute(p.stmt);
        if (rc == SQL_NO_DATA) {
            SQLFreeStmt(p.stmt, SQL_CLOSE);
            return 0LL;
        }
        if (!SQL_SUCCEEDED(rc)) {
            const DbError e = odbc::failure(SQL_HANDLE_STMT, p.stmt, "SQLExecute", p.statement);
            // psqlODBC tells a session lost under a prepared statement as HY000;
            // the connection's own state says what it is.
            if (!e.connection_lost() && connection_dead(db.impl_->dbc()))
                throw DbError(QStringLiteral("08S01"), e.native_error(), e.driver_text(), p.statement);
            throw e;
        }
        SQLLEN count = 0;
        odbc::check(SQLRowCount(p.stmt, &count), SQL_HANDLE_STMT, p.stmt, "SQLRowCount", p.statement);
        SQLFreeStmt(p.stmt, SQL_CLOSE);
        return static_cast<long long>(std::max<SQLLEN>(count, 0));
    });
}

void Database::begin_trans()
{
    if (impl_->in_transaction)
        throw DbError(QStringLiteral("25000"), 0, QStringLiteral("a transaction is already open"));
    if (impl_->lost)
        reconnect(DbError(QStringLiteral("08S01"), 0, QStringLiteral("the connection was lost earlier")));
    if (!is_open())
        throw_not_open({});
    try {
        set_autocommit(impl_->dbc(), false);
    } catch (const DbError& e) {
        if (!e.connection_lost())
            throw;
        reconnect(e);
        set_autocommit(impl_->dbc(), false);
    }
    impl_->in_transaction = true;
    impl_->statement_failed_in_transaction = false;
    impl_->statements_in_transaction = 0;
    impl_->connection->fetch_failed = false;   // fetches before the transaction are not its own
    qCDebug(lcDb) << "transaction begun";
}

void Database::commit_trans()
{
    if (!impl_->in_transaction)
        return;  // nothing to commit
    impl_->take_fetch_reports();
    if (impl_->statement_failed_in_transaction && !impl_->lost) {
        qCWarning(lcDb) << "commit refused: a statement of the transaction failed; rolling back";
        rollback_trans();
        throw DbError(QStringLiteral("40000"), 0,
                      QStringLiteral("the transaction was rolled back because one of its "
                                     "statements failed"));
    }
    // A driver that found its session gone may answer a commit with success
    // without sending it (psqlODBC, once it no longer counts itself in a
    // transaction): a commit after a loss is refused, never trusted.
    if (impl_->lost || connection_dead(impl_->dbc())) {
        qCWarning(lcDb) << "commit refused: the connection was lost inside the transaction,"
                           " which is gone with it";
        impl_->lost = true;
        impl_->in_transaction = false;
        impl_->statement_failed_in_transaction = false;
        throw DbError(QStringLiteral("08003"), 0,
                      QStringLiteral("the connection was lost before the commit; nothing of "
                                     "the transaction was committed"));
    }
    const SQLHDBC dbc = impl_->dbc();
    try {
        odbc::check(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc,
                    "SQLEndTran(SQL_COMMIT)");
    } catch (const DbError& e) {
        if (e.connection_lost()) {
            // The commit was sent and its answer never came: the server may
            // have committed before the connection went. Only reading the
            // table again can tell.
            qCWarning(lcDb).noquote() << "the connection was lost at the commit, whose outcome is"
                                         " unknown:" << e.what();
            impl_->lost = true;
            impl_->in_transaction = false;
            impl_->statement_failed_in_transaction = false;
            throw e.as_outcome_unknown();
        }
        throw;
    }
    impl_->in_transaction = false;
    qCDebug(lcDb) << "transaction committed";
    try {
        set_autocommit(dbc, true);
    } catch (const DbError& e) {
        // The commit went through; only the connection's mode is in doubt, so
        // it is made again before the next statement rather than the commit
        // reported as failed.
        qCWarning(lcDb).noquote() << "autocommit could not be restored after a commit:" << e.what();
        impl_->lost = true;
    }
}

void Database::rollback_trans()
{
    if (!impl_->in_transaction || !is_open() || impl_->lost) {
        // After a loss the server has already rolled the transaction back.
        impl_->in_transaction = false;
        impl_->statement_failed_in_transaction = false;
        return;
    }
    impl_->in_transaction = false;
    impl_->statement_failed_in_transaction = false;
    qCDebug(lcDb) << "transaction rolled back";
    const SQLHDBC dbc = impl_->dbc();
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
    std::optional<DbError> error;
    if (!SQL_SUCCEEDED(rc))
        error = odbc::failure(SQL_HANDLE_DBC, dbc, "SQLEndTran(SQL_ROLLBACK)");
    // Back to autocommit even after a failed rollback, so the connection is
    // never left in a half-open state.
    set_autocommit(dbc, true);
    if (error)
        throw *error;
}

bool Database::in_transaction() const
{
    return impl_->in_transaction;
}

void Database::close_database()
{
    if (!impl_->connection)
        return;
    impl_->connection->end_statements();
    try {
        rollback_trans();
    } catch (const DbError&) {
        // Logged where it happened; disconnecting is all that is left to do.
    }
    impl_->connection->disconnect();
    impl_->connection.reset();
    impl_->driver_name.clear();
    impl_->in_transaction = false;
    impl_->statement_failed_in_transaction = false;
    impl_->lost = false;
}

Transaction::Transaction(Database& db) : db_(db)
{
    db_.begin_trans();
    open_ = true;
}

Transaction::~Transaction()
{
    if (!open_)
        return;
    try {
        db_.rollback_trans();
    } catch (const DbError&) {
        // Logged by the database layer; a destructor must not throw.
    }
}

void Transaction::commit()
{
    db_.commit_trans();
    open_ = false;
}

void Transaction::rollback()
{
    open_ = false;
    db_.rollback_trans();
}

}  // namespace k4
