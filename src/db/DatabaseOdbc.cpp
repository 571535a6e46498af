#include "db/DatabaseOdbc.h"

#include <algorithm>
#include <utility>

namespace k4::odbc {

Handle::Handle(Handle&& other) noexcept
    : type_(other.type_), handle_(std::exchange(other.handle_, SQLHANDLE{}))
{
}

Handle& Handle::operator=(Handle&& other) noexcept
{
    if (this != &other) {
        reset();
        type_ = other.type_;
        handle_ = std::exchange(other.handle_, SQLHANDLE{});
    }
    return *this;
}

void Handle::reset() noexcept
{
    if (handle_ != SQL_NULL_HANDLE)
        SQLFreeHandle(type_, std::exchange(handle_, SQLHANDLE{}));
}

Handle allocate(SQLSMALLINT type, SQLHANDLE parent)
{
    SQLHANDLE handle = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(type, parent, &handle);
    if (!SQL_SUCCEEDED(rc)) {
        if (parent != SQL_NULL_HANDLE) {
            const SQLSMALLINT parent_type = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC
                                                                    : SQL_HANDLE_ENV;
            throw failure(parent_type, parent, "SQLAllocHandle");
        }
        throw DbError(QStringLiteral("HY001"), 0,
                      QStringLiteral("the ODBC driver manager could not allocate an environment"));
    }
    return Handle(type, handle);
}

std::vector<Diagnostic> diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    std::vector<Diagnostic> out;
    if (handle == SQL_NULL_HANDLE)
        return out;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLCHAR> message(1024);
        SQLRETURN rc = SQLGetDiagRec(type, handle, record, state, &native, message.data(),
                                     SQLSMALLINT(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(std::size_t(length) + 1);
            rc = SQLGetDiagRec(type, handle, record, state, &native, message.data(),
                               SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        const auto text_length = std::min<std::size_t>(std::size_t(std::max<SQLSMALLINT>(length, 0)),
                                                       message.size() - 1);
        out.push_back({QString::fromUtf8(reinterpret_cast<const char*>(state)), int(native),
                       QString::fromUtf8(reinterpret_cast<const char*>(message.data()),
                                         qsizetype(text_length))
                           .trimmed()});
    }
    return out;
}

DbError failure(SQLSMALLINT type, SQLHANDLE handle, const char* call, const QString& statement)
{
    const auto records = diagnostics(type, handle);
    QString sqlstate = QStringLiteral("HY000");
    int native = 0;
    QStringList texts;
    if (!records.empty()) {
        sqlstate = records.front().sqlstate;
        native = records.front().native_error;
    }
    for (const auto& r : records)
        texts << (records.size() > 1 ? QStringLiteral("[%1] %2").arg(r.sqlstate, r.text) : r.text);
    if (texts.isEmpty())
        texts << QStringLiteral("%1 failed without diagnostics").arg(QLatin1String(call));
    DbError error(sqlstate, native, texts.join(QStringLiteral("; ")), statement);
    qCWarning(lcDb).noquote() << call << "failed: SQLSTATE" << error.sqlstate() << "native"
                              << error.native_error() << error.driver_text()
                              << (statement.isEmpty() ? QString()
                                                      : QStringLiteral("| statement: ") + statement);
    return error;
}

SQLRETURN check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call,
                const QString& statement)
{
    if (rc == SQL_SUCCESS)
        return rc;
    if (rc == SQL_SUCCESS_WITH_INFO) {
        if (lcDb().isDebugEnabled()) {
            for (const auto& d : diagnostics(type, handle))
                qCDebug(lcDb).noquote() << call << "info:" << d.sqlstate << d.native_error << d.text;
        }
        return rc;
    }
    throw failure(type, handle, call, statement);
}

void request_statement_attr(SQLHSTMT stmt, SQLINTEGER attribute, SQLULEN value, const char* name)
{
    const SQLRETURN rc = SQLSetStmtAttr(stmt, attribute, reinterpret_cast<SQLPOINTER>(value), 0);
    if (rc == SQL_SUCCESS)
        return;
    const auto records = diagnostics(SQL_HANDLE_STMT, stmt);
    const QString state = records.empty() ? QString() : records.front().sqlstate;
    if (rc == SQL_SUCCESS_WITH_INFO
        || state == QLatin1String("HYC00") || state == QLatin1String("HY092")) {
        qCDebug(lcDb).noquote() << "statement attribute" << name << "=" << value
                                << "substituted by the driver:" << state
                                << (records.empty() ? QString() : records.front().text);
        return;
    }
    // The diagnostics were consumed above; report what they said.
    const Diagnostic first = records.empty() ? Diagnostic{QStringLiteral("HY000"), 0, {}}
                                             : records.front();
    qCWarning(lcDb).noquote() << "SQLSetStmtAttr" << name << "failed: SQLSTATE" << first.sqlstate
                              << "native" << first.native_error << first.text;
    throw DbError(first.sqlstate, first.native_error, first.text);
}

}  // namespace k4::odbc

namespace k4 {

Connection::~Connection()
{
    disconnect();
}

void Connection::end_statements() noexcept
{
    // Result sets unregister themselves in release(); copy first.
    const auto open = open_results;
    for (ResultSet::Impl* result : open)
        result->release();
    open_results.clear();
}

void Connection::disconnect() noexcept
{
    end_statements();
    if (connected && dbc) {
        if (!SQL_SUCCEEDED(SQLDisconnect(dbc.get()))) {
            for (const auto& d : odbc::diagnostics(SQL_HANDLE_DBC, dbc.get()))
                qCWarning(lcDb).noquote() << "SQLDisconnect failed: SQLSTATE" << d.sqlstate
                                          << "native" << d.native_error << d.text;
        }
    }
    connected = false;
    dbc.reset();
    env.reset();
}

}  // namespace k4
