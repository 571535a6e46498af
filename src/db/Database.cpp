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

    SQLHDBC dbc() const { return connection->dbc.get(); }
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

    auto connection = std::make_shared<Connection>();
    connection->env = odbc::allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    odbc::check(SQLSetEnvAttr(connection->env.get(), SQL_ATTR_ODBC_VERSION,
                              reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0),
                SQL_HANDLE_ENV, connection->env.get(), "SQLSetEnvAttr(SQL_ATTR_ODBC_VERSION)");

    // An empty name would make the driver manager load some driver, which may
    // then create a database named after the connect string. Only a data source
    // really called "Default" may stand in, and it is then named explicitly.
    QString sent = connect_string;
    if (dsn.isEmpty()) {
        if (!default_data_source_defined(connection->env.get())) {
            qCWarning(lcDb).noquote() << "refused to connect without a data source name:"
                                      << connect_string_for_log(dsn, uid);
            throw DbError(QStringLiteral("IM002"), 0,
                          QStringLiteral("no data source name is set and no data source "
                                         "named Default is defined"));
        }
        sent = build_connect_string(QStringLiteral("Default"), uid, pwd);
    }

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
    if (!SQL_SUCCEEDED(rc)) {
        qCWarning(lcDb).noquote() << "connection refused for" << connect_string_for_log(dsn, uid);
        throw odbc::failure(SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    }
    odbc::check(rc, SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    connection->connected = true;

    impl_->connection = std::move(connection);
    impl_->driver_name = driver_name_of(dbc);
    impl_->in_transaction = false;
    impl_->statement_failed_in_transaction = false;
    qCDebug(lcDb).noquote() << "connected through" << impl_->driver_name;
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

void Database::open_query(ResultSet& result)
{
    const QString statement = sql_text;
    if (!is_open())
        throw_not_open(statement);
    try {
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

        const bool no_row = impl->at_end;
        result.impl_ = std::move(impl);
        eof_status = no_row ? QStringLiteral("9") : QStringLiteral("0");
    } catch (const DbError&) {
        if (impl_->in_transaction)
            impl_->statement_failed_in_transaction = true;
        throw;
    }
}

void Database::execute_statement()
{
    const QString statement = sql_text;
    if (!is_open())
        throw_not_open(statement);
    try {
        odbc::Handle stmt = new_statement(impl_->dbc(), query_timeout_seconds);
        const QString sent = adapt_statement(statement, impl_->driver_name);
        if (sent != statement)
            qCDebug(lcDb).noquote() << "execute_statement:" << statement << "| sent to"
                                    << impl_->driver_name << "as:" << sent;
        else
            qCDebug(lcDb).noquote() << "execute_statement:" << sent;
        QByteArray bytes = odbc::to_driver(sent);
        const SQLRETURN rc = SQLExecDirect(stmt.get(), odbc::sql_chars(bytes), SQL_NTS);
        if (rc != SQL_NO_DATA)  // no row touched is success
            odbc::check(rc, SQL_HANDLE_STMT, stmt.get(), "SQLExecDirect", statement);
    } catch (const DbError&) {
        if (impl_->in_transaction)
            impl_->statement_failed_in_transaction = true;
        throw;
    }
}

void Database::begin_trans()
{
    if (!is_open())
        throw_not_open({});
    if (impl_->in_transaction)
        throw DbError(QStringLiteral("25000"), 0, QStringLiteral("a transaction is already open"));
    set_autocommit(impl_->dbc(), false);
    impl_->in_transaction = true;
    impl_->statement_failed_in_transaction = false;
    qCDebug(lcDb) << "transaction begun";
}

void Database::commit_trans()
{
    if (!impl_->in_transaction)
        return;  // nothing to commit
    if (impl_->statement_failed_in_transaction) {
        qCWarning(lcDb) << "commit refused: a statement of the transaction failed; rolling back";
        rollback_trans();
        throw DbError(QStringLiteral("40000"), 0,
                      QStringLiteral("the transaction was rolled back because one of its "
                                     "statements failed"));
    }
    const SQLHDBC dbc = impl_->dbc();
    odbc::check(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc,
                "SQLEndTran(SQL_COMMIT)");
    impl_->in_transaction = false;
    set_autocommit(dbc, true);
    qCDebug(lcDb) << "transaction committed";
}

void Database::rollback_trans()
{
    if (!impl_->in_transaction || !is_open()) {
        impl_->in_transaction = false;
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
