// The program's hot path on large tables, each beside its floor in the same
// run (see Paired.h):
//
//   refresh/<db>/<rows>            the store's full_list + fill_grid, beside a
//                                  raw ODBC fetch of the same statement
//   refresh_list_size/<db>         refresh of 100,000 rows with a list of
//                                  32,767 entries, beside one with 10 entries
//   refresh_growth/<db>            refresh of 100,000 rows beside 10,000 rows
//   fill_grid/<db>/<rows>          rows read and fill_grid on a list already run (the
//                                  drivers hold its rows by then), beside
//                                  reading the rows of the same statement
//                                  already run (SQLFetch + SQLGetData)
//   startup/<db>/<rows>            the in-process start-up up to the window
//                                  shown with a filled grid, beside a raw
//                                  connect + fetch plus an empty window shown
//   process/<db>/100000            the program as a process that ends right
//                                  after showing its window (wall time and
//                                  peak resident memory), beside a process
//                                  that connects, fetches and shows an empty
//                                  window
//
// <db> is sqlite, and postgresql when K4_PG_PORT names a running server
// (scripts/pg-test-server).

#include "BenchSandbox.h"
#include "ChildProcess.h"
#include "Paired.h"
#include "ScreenApp.h"

#include "db/Database.h"
#include "maint/MaintScreen.h"
#include "store/DbMasterStore.h"
#include "store/Statements.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

#ifndef K4_PROGRAM_PATH
#error "K4_PROGRAM_PATH must name the program"
#endif
#ifndef K4_FLOOR_PROCESS_PATH
#error "K4_FLOOR_PROCESS_PATH must name the floor process"
#endif

using namespace k4;
using namespace k4::bench;

namespace {

constexpr int small_list = 10;
constexpr int full_list_lines = 32767;

// Started programs and raw connections, kept for the whole run.
std::map<QString, std::unique_ptr<ScreenApp>>& apps()
{
    static std::map<QString, std::unique_ptr<ScreenApp>> started;
    return started;
}
std::map<QString, std::unique_ptr<RawOdbc>>& raw_connections()
{
    static std::map<QString, std::unique_ptr<RawOdbc>> connections;
    return connections;
}

ScreenApp& app_on(const QString& backend, int rows, int list_lines)
{
    BenchSandbox& sandbox = BenchSandbox::shared();
    const DataSource& source = sandbox.source(backend, rows);
    auto& slot = apps()[QStringLiteral("%1/%2/%3").arg(backend).arg(rows).arg(list_lines)];
    if (!slot)
        slot = ScreenApp::start(sandbox, source, list_lines);
    return *slot;
}

RawOdbc& raw_on(const QString& backend, int rows)
{
    const DataSource& source = BenchSandbox::shared().source(backend, rows);
    auto& slot = raw_connections()[source.dsn];
    if (!slot)
        slot = std::make_unique<RawOdbc>(source.dsn, source.user);
    return *slot;
}

// The floor of a refresh: the statement's rows read as UTF-8 strings.
struct RawFetch {
    RawOdbc& db;
    int expected_rows;
    std::vector<std::string> values;

    void operator()()
    {
        const std::size_t rows = db.fetch_all(sql::full_list(), values);
        if (rows != std::size_t(expected_rows))
            throw std::runtime_error("the raw fetch did not read every row");
    }
    void release() { values = {}; }
};

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

void bm_refresh(benchmark::State& state, QString backend, int rows)
{
    guarded(state, [&] {
        ScreenApp& app = app_on(backend, rows, small_list);
        auto raw = std::make_shared<RawFetch>(RawFetch{raw_on(backend, rows), rows, {}});
        Paired paired;
        paired.program = [&] { app.refresh(); };
        paired.floor = [raw] { (*raw)(); };
        paired.after_floor = [raw] { raw->release(); };
        run_paired(state, paired);
        if (app.grid_rows() != rows)
            state.SkipWithError("the grid does not hold every row");
        state.counters["rows"] = rows;
    });
}

void bm_refresh_list_size(benchmark::State& state, QString backend, int rows)
{
    guarded(state, [&] {
        ScreenApp& full = app_on(backend, rows, full_list_lines);
        ScreenApp& small = app_on(backend, rows, small_list);
        Paired paired;
        paired.program = [&] { full.refresh(); };
        paired.floor = [&] { small.refresh(); };
        run_paired(state, paired);
        state.counters["rows"] = rows;
    });
}

void bm_refresh_growth(benchmark::State& state, QString backend)
{
    guarded(state, [&] {
        ScreenApp& large = app_on(backend, 100000, small_list);
        ScreenApp& small = app_on(backend, 10000, small_list);
        Paired paired;
        paired.program = [&] { large.refresh(); };
        paired.floor = [&] { small.refresh(); };
        run_paired(state, paired);
    });
}

void bm_fill_grid(benchmark::State& state, QString backend, int rows)
{
    guarded(state, [&] {
        ScreenApp& app = app_on(backend, rows, small_list);
        RawOdbc& raw = raw_on(backend, rows);
        ResultSet list;
        std::vector<std::string> values;
        Paired paired;
        paired.before_program = [&] {
            list = app.app->db.open_query(sql::full_list());
        };
        // The rows read into the store's form and shown, as after a save.
        paired.program = [&] { app.app->screen->flow.fill_grid(read_listed_rows(list)); };
        paired.after_program = [&] { list.close(); };
        paired.before_floor = [&] { raw.open(sql::full_list()); };
        paired.floor = [&] {
            if (raw.read_rows(values) != std::size_t(rows))
                throw std::runtime_error("the raw read did not read every row");
        };
        paired.after_floor = [&] { values = {}; };
        run_paired(state, paired);
        if (app.grid_rows() != rows)
            state.SkipWithError("the grid does not hold every row");
        state.counters["rows"] = rows;
    });
}

void bm_startup(benchmark::State& state, QString backend, int rows)
{
    guarded(state, [&] {
        BenchSandbox& sandbox = BenchSandbox::shared();
        const DataSource& source = sandbox.source(backend, rows);
        sandbox.edi_ini(source, small_list);  // files written before timing
        std::unique_ptr<ScreenApp> started;
        std::unique_ptr<RawOdbc> connection;
        std::vector<std::string> values;
        std::unique_ptr<QWidget> window;
        Paired paired;
        paired.program = [&] { started = ScreenApp::start(sandbox, source, small_list); };
        paired.after_program = [&] { started.reset(); };
        paired.floor = [&] {
            connection = std::make_unique<RawOdbc>(source.dsn, source.user);
            if (connection->fetch_all(sql::full_list(), values) != std::size_t(rows))
                throw std::runtime_error("the raw fetch did not read every row");
            window = std::make_unique<QWidget>();
            window->resize(800, 600);
            window->show();
            QCoreApplication::processEvents();
        };
        paired.after_floor = [&] {
            window.reset();
            connection.reset();
            values = {};
        };
        run_paired(state, paired);
        state.counters["rows"] = rows;
    });
}

void bm_process(benchmark::State& state, QString backend, int rows)
{
    guarded(state, [&] {
        BenchSandbox& sandbox = BenchSandbox::shared();
        const DataSource& source = sandbox.source(backend, rows);
        const std::string ini = sandbox.edi_ini(source, small_list).toStdString();
        long program_peak = 0, floor_peak = 0;
        auto check = [](const ChildResult& r, const char* what) {
            if (r.exit_status != 0)
                throw std::runtime_error(std::string(what) + " did not exit normally");
        };
        Paired paired;
        paired.program = [&] {
            const ChildResult r = run_child({K4_PROGRAM_PATH},
                                            {{"EDI_INI", ini},
                                             {"K408020_EXIT_AFTER_SHOW", "1"},
                                             {"QT_QPA_PLATFORM", "offscreen"}});
            check(r, "the program");
            program_peak = std::max(program_peak, r.peak_rss_kib);
        };
        paired.floor = [&] {
            const ChildResult r = run_child(
                {K4_FLOOR_PROCESS_PATH, source.dsn.toStdString(), source.user.toStdString()},
                {{"QT_QPA_PLATFORM", "offscreen"}});
            check(r, "the floor process");
            floor_peak = std::max(floor_peak, r.peak_rss_kib);
        };
        run_paired(state, paired);
        state.counters["rows"] = rows;
        state.counters["program_peak_mb"] = double(program_peak) / 1024.0;
        state.counters["floor_peak_mb"] = double(floor_peak) / 1024.0;
    });
}

void register_all()
{
    const QStringList backends = BenchSandbox::shared().backends();
    auto name = [](const QString& text) { return text.toStdString(); };
    for (const QString& db : backends) {
        for (int rows : BenchSandbox::row_counts()) {
            benchmark::RegisterBenchmark(name(QStringLiteral("refresh/%1/%2").arg(db).arg(rows)).c_str(),
                                         bm_refresh, db, rows)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(rows >= 100000 ? 11 : rows >= 10000 ? 21 : 51);
        }
        for (int rows : BenchSandbox::row_counts()) {
            benchmark::RegisterBenchmark(name(QStringLiteral("fill_grid/%1/%2").arg(db).arg(rows)).c_str(),
                                         bm_fill_grid, db, rows)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(rows >= 100000 ? 11 : rows >= 10000 ? 21 : 51);
        }
        benchmark::RegisterBenchmark(name(QStringLiteral("refresh_list_size/%1/100000").arg(db)).c_str(),
                                     bm_refresh_list_size, db, 100000)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(11);
        benchmark::RegisterBenchmark(name(QStringLiteral("refresh_growth/%1").arg(db)).c_str(),
                                     bm_refresh_growth, db)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(11);
    }
    for (const QString& db : backends) {
        for (int rows : {10000, 100000}) {
            benchmark::RegisterBenchmark(name(QStringLiteral("startup/%1/%2").arg(db).arg(rows)).c_str(),
                                         bm_startup, db, rows)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(rows >= 100000 ? 9 : 15);
        }
        benchmark::RegisterBenchmark(name(QStringLiteral("process/%1/100000").arg(db)).c_str(),
                                     bm_process, db, 100000)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own log lines (start-up facts) would drown the table.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "k4.*.info=false");
    QApplication app(argc, argv);
    install_program_fonts();
    BenchSandbox::shared();  // the ODBC configuration before any ODBC call
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    apps().clear();
    raw_connections().clear();
    return 0;
}
