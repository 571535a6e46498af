#include "FuzzChecks.h"

#include "db/Database.h"
#include "db/DatabaseOdbc.h"
#include "common/cp932.h"
#include "store/CharFilter.h"
#include "store/EntryValues.h"
#include "store/Statements.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <sqlite3.h>
#include <array>
#include <cstring>
#include <vector>

// glibc's own allocator, under the names the sanitizers do not intercept.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);
}

namespace k4::fuzz {
namespace {

// SQLite's memory comes straight from glibc: SQLite is not under test, and
// its many small allocations through the sanitizers' allocator (this build
// of SQLite has no lookaside memory) would take most of the time. Each block
// begins with its size, which SQLite asks for.
namespace sqlite_memory {
constexpr std::size_t header = 16;  // keeps the blocks 16-byte aligned

void* allocate(int size)
{
    auto* block = static_cast<char*>(__libc_malloc(header + std::size_t(size)));
    if (!block)
        return nullptr;
    *reinterpret_cast<std::size_t*>(block) = std::size_t(size);
    return block + header;
}
void release(void* pointer)
{
    if (pointer)
        __libc_free(static_cast<char*>(pointer) - header);
}
void* reallocate(void* pointer, int size)
{
    if (!pointer)
        return allocate(size);
    auto* block = static_cast<char*>(
        __libc_realloc(static_cast<char*>(pointer) - header, header + std::size_t(size)));
    if (!block)
        return nullptr;
    *reinterpret_cast<std::size_t*>(block) = std::size_t(size);
    return block + header;
}
int size_of(void* pointer)
{
    return pointer ? int(*reinterpret_cast<std::size_t*>(static_cast<char*>(pointer) - header)) : 0;
}
int round_up(int size) { return (size + 7) & ~7; }
int init(void*) { return SQLITE_OK; }
void shutdown(void*) {}

const sqlite3_mem_methods methods = {allocate, release, reallocate, size_of, round_up, init,
                                     shutdown, nullptr};
}  // namespace sqlite_memory

// The data source the statements are checked for: the SQLite ODBC driver
// (DELETE * loses its asterisk there).
const QString sqlite_driver = QStringLiteral("sqlite3odbc.so");

// A statement as the database layer sends it to that driver: adapted, UTF-8,
// and read by the driver up to the first NUL (it is sent with SQL_NTS).
QByteArray sent_bytes(const QString& statement)
{
    return odbc::to_driver(Database::adapt_statement(statement, sqlite_driver));
}

// One prepared statement, finalized on destruction.
class Stmt {
public:
    Stmt() = default;
    ~Stmt() { sqlite3_finalize(stmt_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    sqlite3_stmt** out() { return &stmt_; }
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

using Row = std::array<QByteArray, 3>;

// The in-memory database with the program's schema, made once per process,
// and the statements the check itself uses (all with bound values, so they
// never depend on the quoting under test).
class Db {
public:
    static Db& get()
    {
        static Db db;
        return db;
    }

    const std::string& failure() const { return failure_; }
    sqlite3* handle() const { return db_; }

    bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    // A transaction for the rows of one check, rolled back after it.
    bool begin() { return run(begin_.get()); }
    void rollback() { run(rollback_.get()); }

    // Adds a row unless it is there already.
    bool insert(const Row& row)
    {
        bind(insert_.get(), row);
        const int rc = sqlite3_step(insert_.get());
        sqlite3_reset(insert_.get());
        return rc == SQLITE_DONE;
    }

    // How many rows the table holds, and how many equal `row` byte for byte.
    int count_all() { return count(count_all_.get()); }
    int count(const Row& row)
    {
        bind(count_row_.get(), row);
        return count(count_row_.get());
    }

    // The row with that rowid, and whether each column is of type text.
    bool read(sqlite3_int64 rowid, Row& row)
    {
        sqlite3_stmt* s = read_rowid_.get();
        sqlite3_bind_int64(s, 1, rowid);
        bool found = sqlite3_step(s) == SQLITE_ROW;
        if (found) {
            for (int i = 0; i < 3; ++i) {
                found = found && sqlite3_column_type(s, i) == SQLITE_TEXT;
                row[std::size_t(i)] = column_bytes(s, i);
            }
        }
        sqlite3_reset(s);
        return found;
    }

    static QByteArray column_bytes(sqlite3_stmt* s, int i)
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return QByteArray(text, sqlite3_column_bytes(s, i));
    }

private:
    Db()
    {
        // One thread uses the database, so no memory statistics and no
        // mutexes (both cost a lock per allocation). The configuration fails
        // harmlessly when SQLite is already in use in the process.
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        sqlite3_config(SQLITE_CONFIG_MALLOC, &sqlite_memory::methods);
        if (sqlite3_open_v2(":memory:", &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY | SQLITE_OPEN_NOMUTEX, nullptr)
            != SQLITE_OK) {
            failure_ = "the in-memory database cannot be opened";
            return;
        }
        QFile schema(QStringLiteral(K4_SQLITE_SCHEMA));
        if (!schema.open(QIODevice::ReadOnly)) {
            failure_ = "the schema " K4_SQLITE_SCHEMA " cannot be read";
            return;
        }
        if (!exec(schema.readAll().constData())) {
            failure_ = std::string("the schema does not load: ") + sqlite3_errmsg(db_);
            return;
        }
        const char* const table = "FL1914利用情報区分マスタ";
        const auto prepare = [&](Stmt& stmt, const std::string& sql) {
            if (sqlite3_prepare_v2(db_, sql.c_str(), -1, stmt.out(), nullptr) != SQLITE_OK)
                failure_ = "cannot prepare " + sql + ": " + sqlite3_errmsg(db_);
        };
        prepare(begin_, "BEGIN");
        prepare(rollback_, "ROLLBACK");
        prepare(insert_, std::string("INSERT OR IGNORE INTO ") + table + " VALUES (?1, ?2, ?3)");
        prepare(count_all_, std::string("SELECT count(*) FROM ") + table);
        prepare(count_row_, std::string("SELECT count(*) FROM ") + table
                                + " WHERE 相手先企業コード = ?1 AND 送受信種別 = ?2"
                                  " AND 情報区分コード = ?3");
        prepare(read_rowid_, std::string("SELECT 相手先企業コード, 送受信種別, 情報区分コード FROM ")
                                 + table + " WHERE rowid = ?1");
    }
    ~Db() = default;  // the process ends with it

    // The row outlives the step the values are bound for.
    static void bind(sqlite3_stmt* s, const Row& row)
    {
        for (int i = 0; i < 3; ++i)
            sqlite3_bind_text(s, i + 1, row[std::size_t(i)].constData(),
                              int(row[std::size_t(i)].size()), SQLITE_STATIC);
    }

    static bool run(sqlite3_stmt* s)
    {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        return rc == SQLITE_DONE;
    }

    static int count(sqlite3_stmt* s)
    {
        const int n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : -1;
        sqlite3_reset(s);
        return n;
    }

    sqlite3* db_ = nullptr;
    std::string failure_;
    Stmt begin_, rollback_, insert_, count_all_, count_row_, read_rowid_;
};

// The texts of one input: the search text, three field values and three
// grid cells.
constexpr std::size_t text_count = 7;
constexpr char separator = '\xFF';

// Part i decoded by bits 2i..2i+1 of the first two bytes: UTF-8, code page
// 932, UTF-16LE code units (lone surrogates included) or Latin-1 (C1 control
// characters, U+00A5).
QString decode(const QByteArray& part, int mode)
{
    switch (mode) {
    case 0:
        return QString::fromUtf8(part);
    case 1:
        return from_cp932(part);
    case 2: {
        QString units(part.size() / 2, Qt::Uninitialized);
        if (!units.isEmpty())
            std::memcpy(units.data(), part.constData(), std::size_t(units.size()) * 2);
        return units;
    }
    default:
        return QString::fromLatin1(part);
    }
}

std::array<QString, text_count> texts_of(const std::uint8_t* data, std::size_t size)
{
    const unsigned modes = (size > 0 ? data[0] : 0u) | (size > 1 ? unsigned(data[1]) << 8 : 0u);
    const QByteArray rest = size > 2 ? QByteArray(reinterpret_cast<const char*>(data) + 2,
                                                  qsizetype(size - 2))
                                     : QByteArray();
    std::array<QString, text_count> texts;
    qsizetype from = 0;
    for (std::size_t i = 0; i < text_count && from <= rest.size(); ++i) {
        qsizetype end = rest.indexOf(separator, from);
        if (end < 0)
            end = rest.size();
        texts[i] = decode(rest.sliced(from, end - from), int(modes >> (2 * i)) & 3);
        from = end + 1;
    }
    return texts;
}

// What a field of the main screen keeps of pasted text: its character class
// is "2", as for every field there.
QString pasted(const QString& text)
{
    return filter_text(u"2", QString(), text);
}

Row row_of(const EntryValues& v)
{
    return {odbc::to_driver(v.partner_code), odbc::to_driver(v.transfer_type),
            odbc::to_driver(v.info_code)};
}

// Rows that a literal read wrongly would match instead: each of the first
// `varied` columns in turn made one character longer or shorter, or with its
// quotes doubled or halved.
std::vector<Row> decoys_of(const EntryValues& v, std::size_t varied = 3)
{
    std::vector<Row> rows;
    const QString columns[3] = {v.partner_code, v.transfer_type, v.info_code};
    const Row exact = row_of(v);
    for (std::size_t c = 0; c < varied; ++c) {
        const QString& value = columns[c];
        QString variants[4] = {value + u'x', value.chopped(value.isEmpty() ? 0 : 1),
                               QString(value).replace(QStringLiteral("'"), QStringLiteral("''")),
                               QString(value).replace(QStringLiteral("''"), QStringLiteral("'"))};
        for (const QString& variant : variants) {
            Row row = exact;
            row[c] = odbc::to_driver(variant);
            if (row[c] != exact[c])
                rows.push_back(row);
        }
    }
    return rows;
}

// The statement prepared as the driver receives it. Returns the broken
// property, or the empty string; `prepared` holds the statement when it had
// no NUL (a statement cut at a NUL must not compile, and is not run).
std::string prepare(sqlite3* db, const char* what, const QString& statement, Stmt& prepared,
                    bool& has_nul)
{
    const QByteArray bytes = sent_bytes(statement);
    const qsizetype nul = bytes.indexOf('\0');
    has_nul = nul >= 0;
    if (has_nul) {
        // What the driver reads: everything before the NUL.
        const QByteArray cut = bytes.left(nul);
        Stmt stmt;
        if (sqlite3_prepare_v2(db, cut.constData(), -1, stmt.out(), nullptr) == SQLITE_OK)
            return std::string(what) + ": cut at a NUL, it still compiles: " + cut.toStdString();
        return {};
    }
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, bytes.constData(), int(bytes.size()) + 1, prepared.out(), &tail)
            != SQLITE_OK
        || !prepared.get())
        return std::string(what) + " does not compile (" + sqlite3_errmsg(db)
            + "): " + bytes.toStdString();
    for (; *tail; ++tail) {
        if (!std::strchr(" \t\r\n\f", *tail))
            return std::string(what) + " is more than one statement: " + bytes.toStdString();
    }
    if (sqlite3_bind_parameter_count(prepared.get()) != 0)
        return std::string(what) + " has a parameter outside its literals: " + bytes.toStdString();
    return {};
}

// Runs a statement that changes rows; the number of rows it changed, -1 on failure.
int run_change(sqlite3* db, sqlite3_stmt* stmt)
{
    if (sqlite3_step(stmt) != SQLITE_DONE)
        return -1;
    return sqlite3_changes(db);
}

// Every row a query returns, as text columns.
std::vector<std::vector<QByteArray>> rows_of(sqlite3_stmt* stmt, bool& failed)
{
    std::vector<std::vector<QByteArray>> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<QByteArray> row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i)
            row.push_back(Db::column_bytes(stmt, i));
        rows.push_back(std::move(row));
    }
    failed = rc != SQLITE_DONE;
    return rows;
}

// Rows for a message: columns separated by '|', rows by ';'.
std::string describe(const std::vector<std::vector<QByteArray>>& rows)
{
    std::string out = std::to_string(rows.size()) + " rows:";
    for (const auto& row : rows) {
        out += ' ';
        for (const QByteArray& column : row)
            out += column.toStdString() + '|';
        out += ';';
    }
    return out;
}

// The rows of one check live in a transaction that is rolled back after it.
class Scratch {
public:
    explicit Scratch(Db& db) : db_(db) { ok_ = db_.begin(); }
    ~Scratch() { db_.rollback(); }
    bool ok() const { return ok_; }

private:
    Db& db_;
    bool ok_;
};

bool insert_all(Db& db, const std::vector<Row>& rows)
{
    for (const Row& row : rows)
        if (!db.insert(row))
            return false;
    return true;
}

// The statements of the entry line with these values: the insertion writes
// exactly them, the duplicate check finds exactly that row, the deletion
// removes exactly that row, and the decoys stay.
std::string check_entry_statements(Db& db, const EntryValues& v)
{
    sqlite3* h = db.handle();
    Stmt insert, check, remove;
    bool nul_in_insert = false, nul_in_check = false, nul_in_remove = false;
    if (auto broken = prepare(h, "the insertion", sql::insert_entry(v.partner_code, v.transfer_type,
                                                                  v.info_code),
                              insert, nul_in_insert);
        !broken.empty())
        return broken;
    if (auto broken = prepare(h, "the duplicate check",
                              sql::duplicate_check(v.partner_code, v.transfer_type, v.info_code),
                              check, nul_in_check);
        !broken.empty())
        return broken;
    if (auto broken = prepare(h, "the deletion",
                              sql::delete_entry(v.partner_code, v.transfer_type, v.info_code), remove,
                              nul_in_remove);
        !broken.empty())
        return broken;
    if (nul_in_insert || nul_in_check || nul_in_remove)
        return {};  // the values hold a NUL: nothing compiled, nothing to run

    const Scratch scratch(db);
    if (!scratch.ok())
        return "the check's transaction cannot begin";
    const std::vector<Row> decoys = decoys_of(v);
    if (!insert_all(db, decoys))
        return "the decoy rows cannot be inserted";
    const int decoy_count = db.count_all();

    const Row exact = row_of(v);
    if (run_change(h, insert.get()) != 1)
        return std::string("the insertion fails: ") + sqlite3_errmsg(h);
    Row written;
    if (!db.read(sqlite3_last_insert_rowid(h), written))
        return "the inserted row is not there, or holds other than text";
    if (written != exact)
        return "the insertion wrote other values than those put in";

    bool failed = false;
    const auto found = rows_of(check.get(), failed);
    if (failed)
        return std::string("the duplicate check fails: ") + sqlite3_errmsg(h);
    if (found.size() != 1 || found[0] != std::vector<QByteArray>(exact.begin(), exact.end()))
        return "the duplicate check finds other rows than the one with its values: "
            + describe(found);

    if (run_change(h, remove.get()) != 1)
        return "the deletion does not delete exactly one row";
    if (db.count(exact) != 0 || db.count_all() != decoy_count)
        return "the deletion deletes another row than the one with its values";
    return {};
}

// The removal of the listed row being changed: exactly that row goes.
std::string check_listed_row_removal(Db& db, const EntryValues& cells)
{
    sqlite3* h = db.handle();
    Stmt remove;
    bool has_nul = false;
    if (auto broken = prepare(h, "the removal of the listed row",
                              sql::remove_changed_row(cells.partner_code, cells.transfer_type,
                                                      cells.info_code),
                              remove, has_nul);
        !broken.empty() || has_nul)
        return broken;

    const Scratch scratch(db);
    if (!scratch.ok())
        return "the check's transaction cannot begin";
    const Row exact = row_of(cells);
    if (!insert_all(db, decoys_of(cells)) || !db.insert(exact))
        return "the rows cannot be inserted";
    const int before = db.count_all();
    if (run_change(h, remove.get()) != 1)
        return "the removal of the listed row does not remove exactly one row";
    if (db.count(exact) != 0 || db.count_all() != before - 1)
        return "the removal of the listed row removes another row";
    return {};
}

// One partner's list: exactly the row of that partner, with its type name.
std::string check_partner_list(Db& db, const QString& search)
{
    sqlite3* h = db.handle();
    Stmt list;
    bool has_nul = false;
    if (auto broken = prepare(h, "the partner list", sql::partner_list(search), list, has_nul);
        !broken.empty() || has_nul)
        return broken;

    const Scratch scratch(db);
    if (!scratch.ok())
        return "the check's transaction cannot begin";
    const EntryValues wanted{search, QStringLiteral("1"), QStringLiteral("0001")};
    // The list is by partner only: the decoys differ in the partner code.
    if (!insert_all(db, decoys_of(wanted, 1)) || !db.insert(row_of(wanted)))
        return "the rows cannot be inserted";
    bool failed = false;
    const auto found = rows_of(list.get(), failed);
    if (failed)
        return std::string("the partner list fails: ") + sqlite3_errmsg(h);
    const Row exact = row_of(wanted);
    if (found.size() != 1
        || found[0] != std::vector<QByteArray>{exact[0], exact[1], exact[2], QByteArray("送信")})
        return "the partner list lists other rows than the partner's own: "
            + describe(found);
    return {};
}

}  // namespace

std::string check_statements(const std::uint8_t* data, std::size_t size)
{
    Db& db = Db::get();
    if (!db.failure().empty())
        return db.failure();

    const std::array<QString, text_count> texts = texts_of(data, size);

    // Typed or pasted into the fields: no quote, double quote or comma stays.
    std::array<QString, 4> typed;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        typed[i] = pasted(texts[i]);
        if (typed[i].contains(u'\'') || typed[i].contains(u'"') || typed[i].contains(u','))
            return "a quote, double quote or comma passed the field filter";
    }

    // The search text as typed; the field values as the program trims them;
    // the grid's cells as listed (rows from the database may hold anything,
    // and a listed row copied into the fields is written back as it stands).
    const QString& search = typed[0];
    const EntryValues fields = trimmed(EntryValues{typed[1], typed[2], typed[3]});
    const EntryValues cells{texts[4], texts[5], texts[6]};

    if (auto broken = check_partner_list(db, search); !broken.empty())
        return broken;
    if (auto broken = check_entry_statements(db, fields); !broken.empty())
        return broken;
    if (auto broken = check_entry_statements(db, trimmed(cells)); !broken.empty())
        return "listed values: " + broken;
    return check_listed_row_removal(db, cells);
}

}  // namespace k4::fuzz
