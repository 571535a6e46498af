// Loading a full 32,767-line list file, beside reading and decoding the same
// file alone (the floor any loader has to pay), and looking codes up in the
// loaded list. Loading a 300 MB file named as the list by mistake, with the
// memory that load takes.

#include "Paired.h"
#include "common/cp932.h"
#include "lookup/InfoCodeList.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <stdexcept>
#include <string>

using namespace k4;

namespace {

struct ListFiles {
    QTemporaryDir dir;
    QString list_path;
    QString ini_path;

    ListFiles()
    {
        list_path = dir.path() + QStringLiteral("/johokubun.txt");
        ini_path = dir.path() + QStringLiteral("/EDI.ini");
        QByteArray bytes;
        for (int i = 1; i <= max_info_code_lines; ++i) {
            bytes += QByteArray::number(i).rightJustified(5, '0').right(4);
            bytes += to_cp932(QStringLiteral("情報区分名称") + QString::number(i).rightJustified(14, u'0'));
            bytes += "\r\n";
        }
        write(list_path, bytes);
        write(ini_path, to_cp932(QStringLiteral("[PATH]\r\nJOHOKUBUN=") + list_path + QStringLiteral("\r\n")));
    }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }

    SettingsLocation where() const { return {dir.path() + QStringLiteral("/BIN/K408020"), ini_path}; }
};

ListFiles& files()
{
    static ListFiles instance;
    return instance;
}

}  // namespace

// Each benchmark times the work up to the finished result; freeing the result
// is left out of the timing (the program keeps its list until it ends).

static void BM_ReadAndDecodeOnly(benchmark::State& state)
{
    for (auto _ : state) {
        QString text;
        {
            QFile f(files().list_path);
            if (!f.open(QIODevice::ReadOnly))
                state.SkipWithError("cannot open the list file");
            text = from_cp932(f.readAll());
        }
        benchmark::DoNotOptimize(text.constData());
        state.PauseTiming();
        text = QString();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadAndDecodeOnly)->Unit(benchmark::kMillisecond);

static void BM_LoadInfoCodeList(benchmark::State& state)
{
    for (auto _ : state) {
        auto list = std::make_unique<InfoCodeList>();
        const ListLoad load = load_info_code_list(*list, files().where());
        if (!load.complete || list->info_code_count() != max_info_code_lines)
            state.SkipWithError("the list did not load");
        benchmark::DoNotOptimize(list->info_code_list().data());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadInfoCodeList)->Unit(benchmark::kMillisecond);

static void BM_ReadInfoCodeFile(benchmark::State& state)
{
    for (auto _ : state) {
        auto read = std::make_unique<ListFileRead>(read_info_code_file(files().list_path));
        benchmark::DoNotOptimize(read->entries.data());
        state.PauseTiming();
        read.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadInfoCodeFile)->Unit(benchmark::kMillisecond);

// The load beside reading and decoding, alternated in one benchmark so that
// their ratio holds on a busy machine.
static void BM_LoadBesideReadAndDecode(benchmark::State& state)
{
    std::unique_ptr<InfoCodeList> list;
    QString text;
    k4::bench::Paired paired;
    paired.program = [&] {
        list = std::make_unique<InfoCodeList>();
        const ListLoad load = load_info_code_list(*list, files().where());
        if (!load.complete || list->info_code_count() != max_info_code_lines)
            throw std::runtime_error("the list did not load");
    };
    paired.after_program = [&] { list.reset(); };
    paired.floor = [&] {
        QFile f(files().list_path);
        if (!f.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot open the list file");
        text = from_cp932(f.readAll());
    };
    paired.after_floor = [&] { text = QString(); };
    try {
        k4::bench::run_paired(state, paired);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(BM_LoadBesideReadAndDecode)->Name("list_load/32767")->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

static void BM_FindInFullList(benchmark::State& state)
{
    InfoCodeList list;
    if (!load_info_code_list(list, files().where()).complete)
        state.SkipWithError("the list did not load");
    const QStringList keys = {QStringLiteral("0001"), QStringLiteral(" 5000 "), QStringLiteral("9999"),
                              QStringLiteral("2767"), QStringLiteral("ZZZZ")};
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.find(keys[i]));
        i = (i + 1) % keys.size();
    }
}
BENCHMARK(BM_FindInFullList);

namespace {

// Resident memory of this process from /proc/self/status, in KiB: "VmRSS" now
// or "VmHWM" (the peak since the last reset_peak_rss).
long status_kib(const char* key)
{
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(key) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

// Sets the peak to the current resident size (Linux 4.0 and later); false
// when the kernel refuses.
bool reset_peak_rss()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5" << std::flush;
    return bool(clear);
}

// A file of 300,800,000 bytes: 3,008,000 code page 932 lines of 100 bytes,
// each ended by CR LF, the code and name where a list has them and the rest
// of the line filled, as a data file of the same folder named by mistake
// would be. Written in pieces, so that making it leaves no trace in the
// process's peak memory.
struct OversizedListFile {
    static constexpr int lines = 3'008'000;
    static constexpr int line_bytes = 100;
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/johokubun.txt");

    OversizedListFile()
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        const QByteArray name = to_cp932(QStringLiteral("情報区分名称"));
        QByteArray piece;
        piece.reserve(4 << 20);
        for (int i = 1; i <= lines; ++i) {
            const qsizetype start = piece.size();
            piece += QByteArray::number(i % 10000).rightJustified(4, '0');
            piece += name;
            piece += QByteArray::number(i).rightJustified(14, '0');
            piece += QByteArray(line_bytes - 2 - (piece.size() - start), 'X');
            piece += "\r\n";
            if (piece.size() >= (4 << 20) - line_bytes || i == lines) {
                if (f.write(piece) != piece.size())
                    qFatal("cannot write %s", qPrintable(path));
                piece.clear();
            }
        }
    }
};

}  // namespace

// The start-up load of that file: it ends found but incomplete, with the
// first 32,767 lines. The time is the load's; peak_mb is the most resident
// memory the load added above what the process held before it (the largest
// over the iterations), file_mb the file's size.
static void BM_LoadOversizedListFile(benchmark::State& state)
{
    const OversizedListFile file;   // written before any timing starts
    long added_peak_kib = 0;
    bool peak_known = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<InfoCodeList>();
        // Free heap pages go back to the kernel first, so that what the load
        // allocates shows as new resident memory instead of reusing pages
        // that the file's writing or an earlier iteration left behind.
        malloc_trim(0);
        peak_known = peak_known && reset_peak_rss();
        const long before = status_kib("VmRSS");
        state.ResumeTiming();

        const ListLoad load = load_info_code_file(*list, file.path);
        benchmark::DoNotOptimize(list->info_code_list().data());

        state.PauseTiming();
        added_peak_kib = std::max(added_peak_kib, status_kib("VmHWM") - before);
        if (!load.found || load.complete || list->info_code_count() != max_info_code_lines)
            state.SkipWithError("the load did not stop at the line limit, found and incomplete");
        list.reset();
        state.ResumeTiming();
    }
    if (peak_known)
        state.counters["peak_mb"] = double(added_peak_kib) / 1024.0;
    state.counters["file_mb"] = double(QFileInfo(file.path).size()) / 1e6;
}
BENCHMARK(BM_LoadOversizedListFile)->Name("list_load_oversized")->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    files();   // written before any timing starts
    // Every iteration frees megabytes that the next one allocates again. By
    // default glibc hands such blocks back to the kernel depending on the order
    // of the frees, so one benchmark would pay fresh page faults on every
    // iteration and the other not, and the comparison would measure that.
    // Keeping the heap measures the work itself; --release-heap shows glibc's
    // default behaviour.
    if (argc > 1 && std::strcmp(argv[argc - 1], "--release-heap") == 0) {
        --argc;
    } else {
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
