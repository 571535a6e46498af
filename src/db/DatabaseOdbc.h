#pragma once
// Internals of the database layer shared by Database.cpp and ResultSet.cpp:
// owning ODBC handles, the diagnostics of a failed call, and the connection
// state that open result sets keep alive.

#include "db/DbError.h"
#include "db/ResultSet.h"

#include <sql.h>
#include <sqlext.h>

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace k4::odbc {

// One ODBC handle, freed on destruction (never throws).
class Handle {
public:
    Handle() = default;
    Handle(SQLSMALLINT type, SQLHANDLE handle) : type_(type), handle_(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept;
    Handle& operator=(Handle&& other) noexcept;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const noexcept { return handle_; }
    SQLSMALLINT type() const noexcept { return type_; }
    explicit operator bool() const noexcept { return handle_ != SQL_NULL_HANDLE; }
    void reset() noexcept;
    // Gives the handle up without freeing it; the caller frees it.
    SQLHANDLE release() noexcept
    {
        const SQLHANDLE handle = handle_;
        handle_ = SQL_NULL_HANDLE;
        return handle;
    }

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// Allocates a child handle of `parent` (SQL_NULL_HANDLE for an environment).
// Throws DbError when the driver manager refuses.
Handle allocate(SQLSMALLINT type, SQLHANDLE parent);

struct Diagnostic {
    QString sqlstate;
    int native_error = 0;
    QString text;
};

// Every diagnostic record the handle holds for its last call.
std::vector<Diagnostic> diagnostics(SQLSMALLINT type, SQLHANDLE handle);

// The exception for a failed call: the first record's SQLSTATE and native
// code, the texts of all records. Logs the failure at warning level.
DbError failure(SQLSMALLINT type, SQLHANDLE handle, const char* call,
                const QString& statement = {});

// Throws failure(...) unless rc is SQL_SUCCESS or SQL_SUCCESS_WITH_INFO; the
// information of the latter is logged at debug level. Returns rc.
SQLRETURN check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call,
                const QString& statement = {});

// A statement attribute set as a request: a driver's substitution (01S02) or
// a driver that does not offer the attribute at all (HYC00, HY092) is logged
// and accepted; any other failure throws.
void request_statement_attr(SQLHSTMT stmt, SQLINTEGER attribute, SQLULEN value,
                            const char* name);

// Text for the driver: UTF-8 bytes, NUL-terminated.
inline QByteArray to_driver(const QString& text) { return text.toUtf8(); }
inline SQLCHAR* sql_chars(QByteArray& bytes)
{
    return reinterpret_cast<SQLCHAR*>(bytes.data());
}

}  // namespace k4::odbc

namespace k4 {

// The open connection, shared by the Database and the result sets opened on
// it, so that closing the database can first end the statements still open.
struct Connection {
    odbc::Handle env;
    odbc::Handle dbc;
    bool connected = false;
    std::vector<ResultSet::Impl*> open_results;
    // What the result sets found while fetching, for the database to take
    // into its bookkeeping before its next statement or commit: the
    // connection is gone, or a fetch failed (inside a transaction, its
    // commit is then refused).
    bool lost = false;
    bool fetch_failed = false;

    ~Connection();
    // Frees the statements of the result sets still open; never throws.
    void end_statements() noexcept;
    // Ends the statements still open and disconnects; never throws.
    void disconnect() noexcept;
};

struct ResultSet::Impl {
    // One value of the current row as the driver delivered it (UTF-8). The
    // buffer keeps its size from row to row, so reading a row allocates
    // nothing once the first rows have been read.
    struct Value {
        std::vector<char> bytes;
        std::size_t length = 0;
        bool null = true;
    };

    std::shared_ptr<Connection> connection;
    odbc::Handle stmt;
    QString statement;
    QStringList names;
    std::vector<Value> row;
    bool at_end = true;

    ~Impl();
    // Fetches the next row into `row`, or sets at_end. Throws DbError.
    void fetch();
    // Ends the statement and forgets the connection; never throws.
    void release() noexcept;
    int column_index(const QString& name) const;  // -1 when unknown
};

}  // namespace k4
