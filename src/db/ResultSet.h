#pragma once
// The rows of one statement as the database layer hands them over.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace k4 {

class Database;

// A forward-only view of the rows of one statement, owned by the caller that
// opened it. After open the first row (if any) is current.
class ResultSet {
public:
    ResultSet();
    ~ResultSet();
    ResultSet(ResultSet&&) noexcept;
    ResultSet& operator=(ResultSet&&) noexcept;
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    bool is_open() const;
    bool eof() const;                    // no current row
    QStringList column_names() const;
    // The current row's value of a column by name (exact, then ASCII
    // case-insensitive); std::nullopt for SQL NULL. Throws DbError for an
    // unknown column or when there is no current row.
    std::optional<QString> value(const QString& column) const;
    std::optional<QString> value(int column_index) const;
    // The same value as the driver delivered it, UTF-8, without making a
    // QString: for readers of many rows. The bytes stay valid until the next
    // move_next or close. Throws as value(int) does.
    std::optional<QByteArrayView> value_utf8(int column_index) const;
    // The index of a column by name (exact, then ASCII case-insensitive);
    // -1 when the result set has no such column.
    int column_index(const QString& column) const;
    void move_next();                    // throws DbError on a fetch failure
    void close();                        // never throws

    struct Impl;  // defined by the database layer's internals

private:
    friend class Database;
    std::unique_ptr<Impl> impl_;
};

}  // namespace k4
