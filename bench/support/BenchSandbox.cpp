#include "BenchSandbox.h"

#include "common/cp932.h"

#include <sql.h>
#include <sqlext.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#ifndef K4_BENCH_SOURCE_DIR
#error "K4_BENCH_SOURCE_DIR must name the project's source folder"
#endif

namespace k4::bench {

namespace {

const QString pg_user = QStringLiteral("postgres");
const QString pg_admin_dsn = QStringLiteral("k4b_pg_admin");

QString dsn_name(const QString& backend, int rows)
{
    return QStringLiteral("k4b_%1_%2").arg(backend).arg(rows);
}

QString find_driver(const QString& file_name)
{
    QStringList folders{QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc")};
    const QDir lib(QStringLiteral("/usr/lib"));
    for (const QString& triplet : lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << lib.filePath(triplet + QStringLiteral("/odbc"));
    folders << QStringLiteral("/usr/lib/odbc") << QStringLiteral("/usr/local/lib/odbc");
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(file_name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

void write_bytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

std::string diagnostic(SQLSMALLINT type, SQLHANDLE handle)
{
    std::string out;
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, message,
                                                        SQLSMALLINT(sizeof message), &length));
         ++i) {
        out += reinterpret_cast<const char*>(state);
        out += ' ';
        out += reinterpret_cast<const char*>(message);
        out += "; ";
    }
    return out;
}

// The statements of a schema script: "--" comments dropped, split at ';'
// outside quotes.
QStringList split_script(const QString& text)
{
    QStringList statements;
    QString current;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            current += c;
            if (c == quote)
                quote = QChar();
        } else if (c == u'-' && i + 1 < text.size() && text.at(i + 1) == u'-') {
            while (i < text.size() && text.at(i) != u'\n')
                ++i;
            current += u'\n';
        } else if (c == u';') {
            if (!current.trimmed().isEmpty())
                statements << current.trimmed();
            current.clear();
        } else {
            if (c == u'\'' || c == u'"')
                quote = c;
            current += c;
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

QString read_schema(const QString& backend)
{
    QFile file(QStringLiteral(K4_BENCH_SOURCE_DIR "/db/%1/schema.sql").arg(backend));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + file.fileName().toStdString());
    return QString::fromUtf8(file.readAll());
}

// One statement that inserts `rows` generated master rows.
QString generate_rows(const QString& backend, int rows)
{
    if (backend == QLatin1String("postgresql"))
        return QStringLiteral(
                   "INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード)"
                   " SELECT 'P' || lpad((i / 10)::text, 11, '0'), (i % 2 + 1)::text,"
                   " 'J00' || (i % 10)::text FROM generate_series(0, %1) AS i")
            .arg(rows - 1);
    return QStringLiteral(
               "INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード)"
               " WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE i + 1 < ")
        + QString::number(rows)
        + QStringLiteral(") SELECT printf('P%011d', i / 10), CAST(i % 2 + 1 AS TEXT),"
                         " 'J00' || (i % 10) FROM s");
}

}  // namespace

RawOdbc::RawOdbc(const QString& dsn, const QString& user)
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    env_ = env;
    dbc_ = dbc;
    QByteArray connect = QStringLiteral("DSN=%1;UID=%2;PWD=;").arg(dsn, user).toUtf8();
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connect.data()),
                                          SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const std::string why = diagnostic(SQL_HANDLE_DBC, dbc);
        release();
        throw std::runtime_error("connecting to " + dsn.toStdString() + " failed: " + why);
    }
    connected_ = true;
}

RawOdbc::~RawOdbc()
{
    release();
}

void RawOdbc::release() noexcept
{
    if (stmt_)
        SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(stmt_));
    stmt_ = nullptr;
    if (connected_)
        SQLDisconnect(static_cast<SQLHDBC>(dbc_));
    connected_ = false;
    if (dbc_)
        SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
    if (env_)
        SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
    dbc_ = env_ = nullptr;
}

void RawOdbc::execute(const QString& statement)
{
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc_), &stmt);
    QByteArray text = statement.toUtf8();
    const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        const std::string why = diagnostic(SQL_HANDLE_STMT, stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        throw std::runtime_error("statement failed: " + statement.toStdString() + ": " + why);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

std::size_t RawOdbc::fetch_all(const QString& statement, std::vector<std::string>& out)
{
    open(statement);
    return read_rows(out);
}

void RawOdbc::open(const QString& statement)
{
    if (stmt_)
        SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(stmt_));
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc_), &stmt);
    stmt_ = stmt;
    QByteArray text = statement.toUtf8();
    const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
        const std::string why = diagnostic(SQL_HANDLE_STMT, stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        stmt_ = nullptr;
        throw std::runtime_error("query failed: " + why);
    }
}

std::size_t RawOdbc::read_rows(std::vector<std::string>& out)
{
    const auto stmt = static_cast<SQLHSTMT>(stmt_);
    if (!stmt)
        throw std::runtime_error("no statement to read");
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    std::size_t rows = 0;
    char buffer[256];
    SQLRETURN rc = SQL_SUCCESS;
    while (SQL_SUCCEEDED(rc = SQLFetch(stmt))) {
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c) {
            std::string value;
            for (;;) {
                SQLLEN indicator = 0;
                rc = SQLGetData(stmt, c, SQL_C_CHAR, buffer, SQLLEN(sizeof buffer), &indicator);
                if (!SQL_SUCCEEDED(rc) || indicator == SQL_NULL_DATA)
                    break;
                const bool more = rc == SQL_SUCCESS_WITH_INFO
                    && (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer));
                value.append(buffer, more ? strnlen(buffer, sizeof buffer - 1) : std::size_t(indicator));
                if (!more)
                    break;
            }
            out.push_back(std::move(value));
        }
        ++rows;
    }
    const std::string why = rc == SQL_NO_DATA ? std::string() : diagnostic(SQL_HANDLE_STMT, stmt);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    stmt_ = nullptr;
    if (!why.empty() || rc != SQL_NO_DATA)
        throw std::runtime_error("fetch failed: " + why);
    return rows;
}

const std::vector<int>& BenchSandbox::row_counts()
{
    static const std::vector<int> counts{1000, 10000, 100000};
    return counts;
}

BenchSandbox::BenchSandbox() : dir_(QDir::temp().filePath(QStringLiteral("k4-bench-XXXXXX")))
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create the benchmark folder");
    pg_port_ = qEnvironmentVariable("K4_PG_PORT");
    pg_host_ = qEnvironmentVariable("K4_PG_HOST", QStringLiteral("127.0.0.1"));
    pg_prefix_ = QStringLiteral("k4b_%1").arg(QCoreApplication::applicationPid());
    write_configuration();
}

BenchSandbox::~BenchSandbox()
{
    if (pg_databases_.isEmpty())
        return;
    try {
        RawOdbc admin(pg_admin_dsn, pg_user);
        for (const QString& name : pg_databases_)
            admin.execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    } catch (const std::exception& e) {
        qWarning("benchmark data: could not drop the PostgreSQL databases: %s", e.what());
    }
}

BenchSandbox& BenchSandbox::shared()
{
    static BenchSandbox sandbox;
    return sandbox;
}

QStringList BenchSandbox::backends() const
{
    QStringList names{QStringLiteral("sqlite")};
    if (has_postgres())
        names << QStringLiteral("postgresql");
    return names;
}

void BenchSandbox::write_configuration()
{
    const QDir dir(dir_.path());
    const QString sqlite_driver = find_driver(QStringLiteral("libsqlite3odbc.so"));
    if (sqlite_driver.isEmpty())
        throw std::runtime_error("the SQLite ODBC driver (libsqliteodbc) is not installed");
    QString drivers = QStringLiteral("[SQLite3]\nDriver=%1\n\n").arg(sqlite_driver);
    QString sources;
    for (int rows : row_counts())
        sources += QStringLiteral("[%1]\nDriver=SQLite3\nDatabase=%2\nTimeout=30000\n\n")
                       .arg(dsn_name(QStringLiteral("sqlite"), rows),
                            dir.filePath(QStringLiteral("master_%1.db").arg(rows)));
    if (has_postgres()) {
        const QString pg_driver = find_driver(QStringLiteral("psqlodbcw.so"));
        if (pg_driver.isEmpty())
            throw std::runtime_error("K4_PG_PORT is set but psqlODBC is not installed");
        drivers += QStringLiteral("[PostgreSQL Unicode]\nDriver=%1\n\n").arg(pg_driver);
        const QString pg = QStringLiteral(
            "[%1]\nDriver=PostgreSQL Unicode\nServername=%2\nPort=%3\nDatabase=%4\nUsername=%5\n\n");
        sources += pg.arg(pg_admin_dsn, pg_host_, pg_port_, QStringLiteral("postgres"), pg_user);
        for (int rows : row_counts())
            sources += pg.arg(dsn_name(QStringLiteral("postgresql"), rows), pg_host_, pg_port_,
                              QStringLiteral("%1_%2").arg(pg_prefix_).arg(rows), pg_user);
    }
    write_bytes(dir.filePath(QStringLiteral("odbcinst.ini")), drivers.toUtf8());
    write_bytes(dir.filePath(QStringLiteral("odbc.ini")), sources.toUtf8());
    write_bytes(dir.filePath(QStringLiteral("user-odbc.ini")), QByteArray());
    qputenv("ODBCSYSINI", QFile::encodeName(dir.path()));
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("user-odbc.ini"))));
    qunsetenv("ODBCINSTINI");
}

const DataSource& BenchSandbox::source(const QString& backend, int rows)
{
    const QString name = dsn_name(backend, rows);
    auto& slot = sources_[name];
    if (!slot) {
        auto made = std::make_unique<DataSource>();
        made->backend = backend;
        made->rows = rows;
        made->dsn = name;
        made->user = backend == QLatin1String("postgresql") ? pg_user : QString();
        fill(*made);
        slot = std::move(made);
    }
    return *slot;
}

void BenchSandbox::fill(DataSource& source)
{
    if (source.backend == QLatin1String("postgresql")) {
        const QString database = QStringLiteral("%1_%2").arg(pg_prefix_).arg(source.rows);
        RawOdbc admin(pg_admin_dsn, pg_user);
        admin.execute(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(database));
        pg_databases_ << database;
    }
    RawOdbc db(source.dsn, source.user);
    for (const QString& statement : split_script(read_schema(source.backend)))
        db.execute(statement);
    db.execute(QStringLiteral("BEGIN"));
    db.execute(generate_rows(source.backend, source.rows));
    db.execute(QStringLiteral("COMMIT"));
    db.execute(QStringLiteral("ANALYZE"));
}

QStringList list_lines(int lines)
{
    // Filler codes "X" + three base-36 digits are unique up to 46,656 lines.
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QStringList out;
    out.reserve(lines);
    const int filler = std::max(lines - 10, 0);
    auto name = [](int i) {
        return QStringLiteral("情報区分名称%1").arg(i, 14, 10, QChar(u'0'));  // 20 characters
    };
    for (int i = 0; i < filler; ++i) {
        const QString code = QStringLiteral("X") + QChar(digits[i / 1296 % 36])
            + QChar(digits[i / 36 % 36]) + QChar(digits[i % 36]);
        out << code + name(i);
    }
    for (int j = 0; j < 10 && out.size() < lines; ++j)
        out << QStringLiteral("J00%1").arg(j) + name(j);
    return out;
}

QString BenchSandbox::list_file(int lines)
{
    QString& path = list_files_[lines];
    if (path.isEmpty()) {
        path = QDir(dir_.path()).filePath(QStringLiteral("JOHOKUBUN_%1.TXT").arg(lines));
        const QStringList text = list_lines(lines);
        write_bytes(path, to_cp932(text.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    }
    return path;
}

QString BenchSandbox::edi_ini(const DataSource& source, int list_lines)
{
    const QString key = QStringLiteral("%1_%2").arg(source.dsn).arg(list_lines);
    QString& path = ini_files_[key];
    if (!path.isEmpty())
        return path;
    path = QDir(dir_.path()).filePath(QStringLiteral("EDI_%1.ini").arg(key));
    const QString ini = QStringLiteral(
                            "[動作環境]\r\nMACHINENAME=BENCH\r\nUSERID=%1\r\nPASSWD=\r\nDBSTRING=%2\r\n"
                            "[Setting0]\r\nFormBackColor=15790320\r\nLabelBackColor=15790320\r\n"
                            "LabelFontBold=False\r\nLabelFontItalic=False\r\nLabelFontName=ＭＳ ゴシック\r\n"
                            "LabelFontSize=11.25\r\nLabelFontStrikethru=False\r\nLabelFontUnderline=False\r\n"
                            "LabelForeColor=0\r\nTextBackColor=16777215\r\nTextFocusColor=12648447\r\n"
                            "TextFontBold=False\r\nTextFontItalic=False\r\nTextFontName=ＭＳ ゴシック\r\n"
                            "TextFontSize=12\r\nTextFontStrikethru=False\r\nTextFontUnderline=False\r\n"
                            "TextForeColor=0\r\nTitleBackColor=8404992\r\nTitleFontBold=True\r\n"
                            "TitleFontItalic=False\r\nTitleFontName=ＭＳ ゴシック\r\nTitleFontSize=11.25\r\n"
                            "TitleFontStrikethru=False\r\nTitleFontUnderline=False\r\nTitleForeColor=16777215\r\n"
                            "[K405010]\r\nMINIMAIZE=0\r\nDEMOMODE=0\r\n"
                            "[PATH]\r\nJOHOKUBUN=%3\r\n"
                            "[デバッグ]\r\nMODE=0\r\n")
                            .arg(source.user, source.dsn, list_file(list_lines));
    write_bytes(path, to_cp932(ini));
    return path;
}

}  // namespace k4::bench
