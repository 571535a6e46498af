#include "OdbcSandbox.h"

#include <sql.h>
#include <sqlext.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QCoreApplication>
#include <stdexcept>
#include <string>

#ifndef K4_SANDBOX_SOURCE_DIR
#error "K4_SANDBOX_SOURCE_DIR must name the project's source folder"
#endif

namespace k4::test {

namespace {

const QString kSqliteDsn = QStringLiteral("k4_sqlite");
const QString kPgDsn = QStringLiteral("k4_pg");
const QString kPgAdminDsn = QStringLiteral("k4_pg_admin");
const QString kPgUser = QStringLiteral("postgres");

// The first existing driver library of that name in the usual ODBC folders.
QString find_driver(const QString& file_name)
{
    QStringList folders{QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc")};
    const QDir lib(QStringLiteral("/usr/lib"));
    for (const QString& triplet : lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << lib.filePath(triplet + QStringLiteral("/odbc"));
    folders << QStringLiteral("/usr/lib/odbc") << QStringLiteral("/usr/local/lib/odbc")
            << QStringLiteral("/usr/local/lib");
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(file_name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

void write_text(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size())
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

// One plain ODBC connection in autocommit mode, for set-up and verification.
class RawConnection {
public:
    explicit RawConnection(const QString& dsn)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        QByteArray connect = (QStringLiteral("DSN=") + dsn + u';').toUtf8();
        const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(connect.data()),
                                              SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            const std::string why = diagnostic(SQL_HANDLE_DBC, dbc_);
            release();
            throw std::runtime_error("sandbox connection to " + dsn.toStdString() + " failed: " + why);
        }
        connected_ = true;
    }
    ~RawConnection() { release(); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // Runs a statement; with `first_value`, reads column 1 of the first row.
    void run(const QString& statement, std::optional<QString>* first_value = nullptr)
    {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
        QByteArray text = statement.toUtf8();
        SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            const std::string why = diagnostic(SQL_HANDLE_STMT, stmt);
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
            throw std::runtime_error("sandbox statement failed: " + statement.toStdString() + ": " + why);
        }
        if (first_value) {
            *first_value = std::nullopt;
            if (rc != SQL_NO_DATA && SQL_SUCCEEDED(SQLFetch(stmt))) {
                QByteArray value;
                char buffer[256];
                SQLLEN indicator = 0;
                for (;;) {
                    rc = SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
                    if (!SQL_SUCCEEDED(rc) || indicator == SQL_NULL_DATA)
                        break;
                    const bool more = rc == SQL_SUCCESS_WITH_INFO
                        && (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer));
                    value.append(buffer, more ? qsizetype(qstrnlen(buffer, sizeof buffer - 1))
                                              : qsizetype(indicator));
                    if (!more) {
                        *first_value = QString::fromUtf8(value);
                        break;
                    }
                }
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }

private:
    void release()
    {
        if (connected_)
            SQLDisconnect(dbc_);
        connected_ = false;
        if (dbc_)
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        if (env_)
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
        dbc_ = SQL_NULL_HDBC;
        env_ = SQL_NULL_HENV;
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

}  // namespace

OdbcSandbox::OdbcSandbox(Options options)
    : options_(options), dir_(QDir::temp().filePath(QStringLiteral("k4-odbc-XXXXXX")))
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create the ODBC sandbox folder");

    pg_port_ = qEnvironmentVariable("K4_PG_PORT");
    pg_host_ = qEnvironmentVariable("K4_PG_HOST", QStringLiteral("127.0.0.1"));
    if (!pg_port_.isEmpty()) {
        pg_database_ = QStringLiteral("k4t_%1_%2")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
    }

    const QString sqlite_driver = find_driver(QStringLiteral("libsqlite3odbc.so"));
    if (sqlite_driver.isEmpty())
        throw std::runtime_error("the SQLite ODBC driver (libsqliteodbc) is not installed");
    const QString pg_driver = find_driver(QStringLiteral("psqlodbcw.so"));
    if (has_postgres() && pg_driver.isEmpty())
        throw std::runtime_error("K4_PG_PORT is set but psqlODBC (odbc-postgresql) is not installed");
    write_configuration(sqlite_driver, pg_driver);

    apply_script(kSqliteDsn, db_file(QStringLiteral("sqlite/schema.sql")));
    if (has_postgres())
        create_postgres_database();
}

OdbcSandbox::~OdbcSandbox()
{
    if (!pg_created_)
        return;
    try {
        RawConnection admin(kPgAdminDsn);
        admin.run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(pg_database_));
    } catch (const std::exception& e) {
        qWarning("ODBC sandbox: could not drop %s: %s", qPrintable(pg_database_), e.what());
    }
}

OdbcSandbox& OdbcSandbox::shared()
{
    static OdbcSandbox sandbox;
    return sandbox;
}

QStringList OdbcSandbox::backends()
{
    return {QStringLiteral("sqlite"), QStringLiteral("postgresql")};
}

void OdbcSandbox::write_configuration(const QString& sqlite_driver, const QString& pg_driver)
{
    const QDir dir(dir_.path());
    QString drivers = QStringLiteral("[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=%1\n\n")
                          .arg(sqlite_driver);
    if (!pg_driver.isEmpty())
        drivers += QStringLiteral("[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver "
                                  "(Unicode version)\nDriver=%1\n\n")
                       .arg(pg_driver);
    write_text(dir.filePath(QStringLiteral("odbcinst.ini")), drivers);

    QString sources = QStringLiteral("[%1]\nDriver=SQLite3\nDatabase=%2\nTimeout=30000\n\n")
                          .arg(kSqliteDsn, sqlite_file());
    if (has_postgres()) {
        const QString pg = QStringLiteral(
            "[%1]\nDriver=PostgreSQL Unicode\nServername=%2\nPort=%3\nDatabase=%4\nUsername=%5\n\n");
        sources += pg.arg(kPgDsn, pg_host_, pg_port_, pg_database_, kPgUser);
        sources += pg.arg(kPgAdminDsn, pg_host_, pg_port_, QStringLiteral("postgres"), kPgUser);
    }
    if (options_.default_dsn)
        sources += QStringLiteral("[Default]\nDriver=SQLite3\nDatabase=%1\nTimeout=30000\n\n")
                       .arg(default_dsn_file());
    write_text(dir.filePath(QStringLiteral("odbc.ini")), sources);
    // User data sources come from an empty file, never from the home folder.
    write_text(dir.filePath(QStringLiteral("user-odbc.ini")), QString());

    qputenv("ODBCSYSINI", QFile::encodeName(dir.path()));
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("user-odbc.ini"))));
    qunsetenv("ODBCINSTINI");
}

void OdbcSandbox::create_postgres_database()
{
    {
        RawConnection admin(kPgAdminDsn);
        admin.run(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'")
                      .arg(pg_database_));
    }
    pg_created_ = true;
    apply_script(kPgDsn, db_file(QStringLiteral("postgresql/schema.sql")));
}

QString OdbcSandbox::folder() const { return dir_.path(); }
QString OdbcSandbox::sqlite_dsn() const { return kSqliteDsn; }
QString OdbcSandbox::sqlite_file() const { return QDir(dir_.path()).filePath(QStringLiteral("k4.db")); }
bool OdbcSandbox::has_postgres() const { return !pg_port_.isEmpty(); }
QString OdbcSandbox::pg_dsn() const { return has_postgres() ? kPgDsn : QString(); }
QString OdbcSandbox::pg_user() const { return kPgUser; }
QString OdbcSandbox::pg_database() const { return pg_database_; }

QString OdbcSandbox::default_dsn_file() const
{
    return options_.default_dsn ? QDir(dir_.path()).filePath(QStringLiteral("default.db")) : QString();
}

QString OdbcSandbox::dsn(const QString& backend) const
{
    return backend == QLatin1String("postgresql") ? pg_dsn() : sqlite_dsn();
}

QString OdbcSandbox::user(const QString& backend) const
{
    return backend == QLatin1String("postgresql") ? pg_user() : QString();
}

void OdbcSandbox::execute(const QString& dsn, const QString& statement) const
{
    RawConnection(dsn).run(statement);
}

std::optional<QString> OdbcSandbox::scalar(const QString& dsn, const QString& query) const
{
    std::optional<QString> value;
    RawConnection(dsn).run(query, &value);
    return value;
}

void OdbcSandbox::apply_script(const QString& dsn, const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    RawConnection connection(dsn);
    for (const QString& statement : split_script(QString::fromUtf8(file.readAll())))
        connection.run(statement);
}

QStringList OdbcSandbox::split_script(const QString& text)
{
    QStringList statements;
    QString current;
    QChar quote;  // the quote character we are inside, or null
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            current += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'-' && i + 1 < text.size() && text.at(i + 1) == u'-') {
            while (i < text.size() && text.at(i) != u'\n')
                ++i;
            current += u'\n';
            continue;
        }
        if (c == u';') {
            if (!current.trimmed().isEmpty())
                statements << current.trimmed();
            current.clear();
            continue;
        }
        if (c == u'\'' || c == u'"')
            quote = c;
        current += c;
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

QString OdbcSandbox::db_file(const QString& relative)
{
    return QDir(QStringLiteral(K4_SANDBOX_SOURCE_DIR "/db")).filePath(relative);
}

}  // namespace k4::test
