// The administrators' command on 100,000 rows, each beside its floor in the
// same run (see Paired.h):
//
//   master_import/<db>/100000   import of 100,000 lines into the table, beside
//                               a plain ODBC loop inserting the same rows with
//                               one prepared INSERT in one transaction
//   master_export/<db>/100000   export of the table, beside a plain ODBC fetch
//                               of the same rows written to a file
//   master_check/<db>/100000    check of the table, beside the same fetch
//   master_memory/sqlite        the command as a process importing 100,000
//                               lines (dry run) beside 1,000,000: peak memory
#include "BenchSandbox.h"
#include "ChildProcess.h"
#include "Paired.h"

#include "admin/MasterCommand.h"
#include "common/cp932.h"
#include "store/Statements.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <stdexcept>

#ifndef K4_MASTER_PATH
#error "K4_MASTER_PATH must name the command"
#endif

using namespace k4;
using namespace k4::bench;

namespace {

constexpr int small_list = 10;
constexpr int rows = 100000;

template <typename Body>
void guarded(benchmark::State& state, Body body)
{
    try {
        body();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        for (auto _ : state) {
        }
    }
}

// The command in-process on the data source's EDI.ini; standard output and
// errors are kept in memory.
int run_command(const QString& ini, const QStringList& args)
{
    QBuffer in, out;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    QString errors;
    QTextStream err(&errors);
    CommandContext c;
    c.arguments = QStringList{QStringLiteral("--ini"), ini} + args;
    c.standard_input = &in;
    c.standard_output = &out;
    c.errors = &err;
    const int status = run_master_command(c);
    if (status != exit_status::done && !(status == exit_status::rows && args.value(0) == QLatin1String("check")))
        throw std::runtime_error("the command failed: " + errors.toStdString());
    return status;
}

// A CSV file of `lines` rows that the data sets do not hold (partners "R"),
// in code page 932 (ASCII only).
QString import_file(const QString& folder, int lines)
{
    const QString path = QStringLiteral("%1/import-%2.csv").arg(folder).arg(lines);
    if (QFile::exists(path))
        return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the import file");
    file.write(to_cp932(QStringLiteral("相手先企業コード,送受信種別,情報区分コード\r\n")));
    QByteArray chunk;
    for (int i = 0; i < lines; ++i) {
        chunk += "R" + QByteArray::number(i / 2).rightJustified(11, '0') + ',' + QByteArray::number(i % 2 + 1)
            + ",J00" + QByteArray::number(i % 10) + "\r\n";
        if (chunk.size() > 1 << 20) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return path;
}

// The plain ODBC floor of an import: one connection, one prepared INSERT,
// one transaction.
void raw_insert(const DataSource& source, int lines)
{
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    QByteArray connect = ("DSN=" + source.dsn + ";UID=" + source.user + ";PWD=;").toUtf8();
    bool ok = SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connect.data()), SQL_NTS,
                                             nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    ok = ok && SQL_SUCCEEDED(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                                               reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0));
    ok = ok && SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt));
    QByteArray insert = QStringLiteral("INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, "
                                       "情報区分コード) VALUES (?, ?, ?)").toUtf8();
    ok = ok && SQL_SUCCEEDED(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(insert.data()), SQL_NTS));
    char partner[16], type[4], code[8];
    SQLLEN lengths[3] = {12, 1, 4};
    ok = ok && SQL_SUCCEEDED(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 12, 0, partner, 16, &lengths[0]))
        && SQL_SUCCEEDED(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, type, 4, &lengths[1]))
        && SQL_SUCCEEDED(SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 4, 0, code, 8, &lengths[2]));
    for (int i = 0; ok && i < lines; ++i) {
        std::snprintf(partner, sizeof partner, "R%011d", i / 2);
        std::snprintf(type, sizeof type, "%d", i % 2 + 1);
        std::snprintf(code, sizeof code, "J00%d", i % 10);
        ok = SQL_SUCCEEDED(SQLExecute(stmt));
    }
    ok = ok && SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT));
    if (stmt)
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    if (!ok)
        throw std::runtime_error("the raw insert loop failed");
}

void remove_imported(const DataSource& source)
{
    RawOdbc(source.dsn, source.user).execute(
        QStringLiteral("DELETE FROM FL1914利用情報区分マスタ WHERE 相手先企業コード LIKE 'R%'"));
}

// The plain fetch of the table's rows, as the command reads them.
std::vector<std::string> raw_fetch(const DataSource& source)
{
    RawOdbc raw(source.dsn, source.user);
    std::vector<std::string> values;
    if (raw.fetch_all(sql::master_rows(nullptr), values) != std::size_t(rows))
        throw std::runtime_error("the raw fetch did not read every row");
    return values;
}

// The same fetch, written to a file as CSV lines.
void raw_fetch_to_file(const DataSource& source, const QString& path)
{
    const std::vector<std::string> values = raw_fetch(source);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the floor's file");
    QByteArray out;
    for (std::size_t i = 0; i < values.size(); i += 3)
        out += QByteArray::fromStdString(values[i]) + ',' + QByteArray::fromStdString(values[i + 1]) + ','
            + QByteArray::fromStdString(values[i + 2]) + "\r\n";
    file.write(out);
}

void bm_import(benchmark::State& state, QString backend)
{
    guarded(state, [&] {
        BenchSandbox& sandbox = BenchSandbox::shared();
        const DataSource& source = sandbox.source(backend, rows);
        const QString ini = sandbox.edi_ini(source, small_list);
        const QString file = import_file(sandbox.folder(), rows);
        Paired paired;
        paired.program = [&] {
            run_command(ini, {QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("BENCH"), file});
        };
        paired.after_program = [&] { remove_imported(source); };
        paired.floor = [&] { raw_insert(source, rows); };
        paired.after_floor = [&] { remove_imported(source); };
        run_paired(state, paired);
        state.counters["rows"] = rows;
    });
}

void bm_export(benchmark::State& state, QString backend)
{
    guarded(state, [&] {
        BenchSandbox& sandbox = BenchSandbox::shared();
        const DataSource& source = sandbox.source(backend, rows);
        const QString ini = sandbox.edi_ini(source, small_list);
        const QString out = sandbox.folder() + QStringLiteral("/export.csv");
        Paired paired;
        paired.program = [&] { run_command(ini, {QStringLiteral("export"), out}); };
        paired.floor = [&] { raw_fetch_to_file(source, out + QStringLiteral(".floor")); };
        run_paired(state, paired);
        state.counters["rows"] = rows;
    });
}

void bm_check(benchmark::State& state, QString backend)
{
    guarded(state, [&] {
        BenchSandbox& sandbox = BenchSandbox::shared();
        const DataSource& source = sandbox.source(backend, rows);
        const QString ini = sandbox.edi_ini(source, small_list);
        Paired paired;
        paired.program = [&] { run_command(ini, {QStringLiteral("check")}); };
        paired.floor = [&] { static_cast<void>(raw_fetch(source)); };
        run_paired(state, paired);
        state.counters["rows"] = rows;
    });
}

// Peak memory of the command as a process: a dry run of 100,000 lines
// (program) beside one of 1,000,000 (floor), whose ratio shows the growth.
void bm_memory(benchmark::State& state)
{
    guarded(state, [&] {
        BenchSandbox& sandbox = BenchSandbox::shared();
        const DataSource& source = sandbox.source(QStringLiteral("sqlite"), rows);
        const std::string ini = sandbox.edi_ini(source, small_list).toStdString();
        const std::string small = import_file(sandbox.folder(), rows).toStdString();
        const std::string large = import_file(sandbox.folder(), 10 * rows).toStdString();
        long small_peak = 0, large_peak = 0;
        auto run = [&](const std::string& file, long& peak) {
            const ChildResult r = run_child({K4_MASTER_PATH, "--ini", ini, "import", "--dry-run", "--operator",
                                             "BENCH", file},
                                            {{"QT_LOGGING_RULES", "k4.*.info=false"}});
            if (r.exit_status != 0)
                throw std::runtime_error("the command did not exit normally");
            peak = std::max(peak, r.peak_rss_kib);
        };
        Paired paired;
        paired.program = [&] { run(small, small_peak); };
        paired.floor = [&] { run(large, large_peak); };
        run_paired(state, paired);
        state.counters["program_peak_mb"] = double(small_peak) / 1024.0;
        state.counters["floor_peak_mb"] = double(large_peak) / 1024.0;
    });
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "k4.*.info=false");
    QCoreApplication app(argc, argv);
    BenchSandbox::shared();
    for (const QString& db : BenchSandbox::shared().backends()) {
        auto name = [&](const char* family) { return QStringLiteral("%1/%2/%3").arg(QLatin1String(family), db).arg(rows).toStdString(); };
        benchmark::RegisterBenchmark(name("master_import").c_str(), bm_import, db)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
        benchmark::RegisterBenchmark(name("master_export").c_str(), bm_export, db)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
        benchmark::RegisterBenchmark(name("master_check").c_str(), bm_check, db)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
    }
    benchmark::RegisterBenchmark("master_memory/sqlite", bm_memory)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
