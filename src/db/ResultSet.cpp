#include "db/ResultSet.h"

#include "common/text.h"
#include "db/DatabaseOdbc.h"

#include <algorithm>
#include <cstring>

namespace k4 {

namespace {

// One column of the current row into `value` through repeated SQLGetData
// calls, so that a value of any length is read whole.
void read_column(SQLHSTMT stmt, SQLUSMALLINT column, ResultSet::Impl::Value& value,
                 const QString& statement)
{
    std::vector<char>& buffer = value.bytes;
    if (buffer.size() < 256)
        buffer.resize(256);
    std::size_t used = 0;
    value.null = false;
    for (;;) {
        if (buffer.size() - used < 64)
            buffer.resize(buffer.size() * 2);
        const SQLLEN room = SQLLEN(buffer.size() - used);
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(stmt, column, SQL_C_CHAR, buffer.data() + used, room, &indicator);
        if (rc == SQL_NO_DATA)
            break;  // the previous part was the last one
        odbc::check(rc, SQL_HANDLE_STMT, stmt, "SQLGetData", statement);
        if (indicator == SQL_NULL_DATA) {
            value.null = true;
            used = 0;
            break;
        }
        const bool truncated =
            rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator >= room);
        if (truncated) {
            // A driver may stop short of a split character: count what it wrote.
            const std::size_t written = strnlen(buffer.data() + used, std::size_t(room - 1));
            if (indicator != SQL_NO_TOTAL)  // room for the rest at once
                buffer.resize(std::max(buffer.size(), used + std::size_t(indicator) + 1));
            used += written;
            continue;
        }
        used += std::size_t(std::clamp<SQLLEN>(indicator, 0, room - 1));
        break;
    }
    value.length = used;
}

}  // namespace

ResultSet::Impl::~Impl()
{
    release();
}

void ResultSet::Impl::release() noexcept
{
    if (connection) {
        auto& open = connection->open_results;
        open.erase(std::remove(open.begin(), open.end(), this), open.end());
    }
    stmt.reset();
    connection.reset();
    row.clear();
    at_end = true;
}

void ResultSet::Impl::fetch()
{
    if (!stmt) {
        at_end = true;
        row.clear();
        return;
    }
    try {
        const SQLRETURN rc = SQLFetch(stmt.get());
        if (rc == SQL_NO_DATA) {
            at_end = true;
            row.clear();
            return;
        }
        odbc::check(rc, SQL_HANDLE_STMT, stmt.get(), "SQLFetch", statement);
        row.resize(std::size_t(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i)
            read_column(stmt.get(), SQLUSMALLINT(i + 1), row[std::size_t(i)], statement);
    } catch (const DbError& e) {
        // A driver that fetches rows in blocks (psqlODBC's UseDeclareFetch)
        // talks to the server here: a loss or a failure belongs to the
        // connection's record as much as one of a statement does.
        if (connection) {
            connection->fetch_failed = true;
            if (e.connection_lost())
                connection->lost = true;
        }
        at_end = true;
        row.clear();
        throw;
    }
    at_end = false;
}

int ResultSet::Impl::column_index(const QString& name) const
{
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names.at(i) == name)
            return int(i);
    for (qsizetype i = 0; i < names.size(); ++i)
        if (equal_ignoring_ascii_case(names.at(i), name))
            return int(i);
    return -1;
}

ResultSet::ResultSet() = default;
ResultSet::~ResultSet() = default;
ResultSet::ResultSet(ResultSet&&) noexcept = default;
ResultSet& ResultSet::operator=(ResultSet&&) noexcept = default;

bool ResultSet::is_open() const
{
    return impl_ && impl_->stmt;
}

bool ResultSet::eof() const
{
    return !impl_ || impl_->at_end;
}

QStringList ResultSet::column_names() const
{
    return impl_ ? impl_->names : QStringList();
}

std::optional<QString> ResultSet::value(const QString& column) const
{
    const int index = impl_ ? impl_->column_index(column) : -1;
    if (index < 0)
        throw DbError(QStringLiteral("42S22"), 0,
                      QStringLiteral("the result set has no column named %1").arg(column),
                      impl_ ? impl_->statement : QString());
    return value(index);
}

std::optional<QString> ResultSet::value(int column_index) const
{
    const std::optional<QByteArrayView> bytes = value_utf8(column_index);
    if (!bytes)
        return std::nullopt;
    return bytes->isEmpty() ? QString() : QString::fromUtf8(*bytes);
}

std::optional<QByteArrayView> ResultSet::value_utf8(int column_index) const
{
    if (eof())
        throw DbError(QStringLiteral("24000"), 0, QStringLiteral("the result set has no current row"),
                      impl_ ? impl_->statement : QString());
    if (column_index < 0 || std::size_t(column_index) >= impl_->row.size())
        throw DbError(QStringLiteral("07009"), 0,
                      QStringLiteral("column number %1 is out of range").arg(column_index),
                      impl_->statement);
    const Impl::Value& v = impl_->row[std::size_t(column_index)];
    if (v.null)
        return std::nullopt;
    return QByteArrayView(v.bytes.data(), qsizetype(v.length));
}

int ResultSet::column_index(const QString& column) const
{
    return impl_ ? impl_->column_index(column) : -1;
}

void ResultSet::move_next()
{
    if (!eof())
        impl_->fetch();
}

void ResultSet::close()
{
    impl_.reset();
}

}  // namespace k4
