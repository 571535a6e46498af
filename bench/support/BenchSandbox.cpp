#include "BenchSandbox.h"

#include "OdbcConfig.h"
#include "SettingsText.h"
#include "common/cp932.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace k4::bench {

namespace {

const QString pg_user = QStringLiteral("postgres");
const QString pg_admin_dsn = QStringLiteral("k4b_pg_admin");

QString dsn_name(const QString& backend, int rows)
{
    return QStringLiteral("k4b_%1_%2").arg(backend).arg(rows);
}

void write_bytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
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
    fixtures::OdbcConfig config(has_postgres());
    for (int rows : row_counts())
        config.add_sqlite(dsn_name(QStringLiteral("sqlite"), rows),
                          QDir(dir_.path()).filePath(QStringLiteral("master_%1.db").arg(rows)));
    if (has_postgres()) {
        config.add_postgres(pg_admin_dsn, pg_host_, pg_port_, QStringLiteral("postgres"), pg_user);
        for (int rows : row_counts())
            config.add_postgres(dsn_name(QStringLiteral("postgresql"), rows), pg_host_, pg_port_,
                                QStringLiteral("%1_%2").arg(pg_prefix_).arg(rows), pg_user);
    }
    config.install(dir_.path());
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
    db.execute_script(fixtures::read_db_file(source.backend + QStringLiteral("/schema.sql")));
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
    const QString ini = fixtures::settings_text(source.dsn, source.user, list_file(list_lines),
                                                QStringLiteral("BENCH"));
    write_bytes(path, to_cp932(ini));
    return path;
}

}  // namespace k4::bench
