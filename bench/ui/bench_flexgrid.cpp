// Filling the grid widget with 100,000 rows x 6 columns through its classic
// operations, beside a plain std::vector<std::string> fill of the same cells,
// and paging through the filled grid. Memory is reported as counters: the
// grid's own cell storage, the process's resident growth while the grid was
// filled and shown, the heap it holds afterwards (grid and view together),
// and the raw UTF-8 bytes of the cell texts.

#include "ui/FlexGrid.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <string>
#include <vector>

using namespace k4;

namespace {

constexpr int data_rows = 100000;
constexpr int cols = 6;

// The cells as the list delivers them: partner code, type, type name,
// classification code, classification name; column 0 stays empty.
struct Source {
    std::vector<QString> cells;  // row-major, data rows only
    std::size_t utf8_bytes = 0;

    Source()
    {
        const QString type_names[3] = {QStringLiteral("送信"), QStringLiteral("受信"),
                                       QStringLiteral("送受信")};
        cells.reserve(std::size_t(data_rows) * cols);
        for (int r = 0; r < data_rows; ++r) {
            const QString row[cols] = {QString(),
                                       QStringLiteral("P%1").arg(r, 11, 10, QChar(u'0')),
                                       QString::number(r % 3 + 1),
                                       type_names[r % 3],
                                       QStringLiteral("%1").arg(r % 500, 4, 10, QChar(u'0')),
                                       QStringLiteral("情報区分名称%1").arg(r % 500)};
            for (const QString& c : row) {
                utf8_bytes += std::size_t(c.toUtf8().size());
                cells.push_back(c);
            }
        }
    }
    const QString& at(int row, int col) const
    {
        return cells[std::size_t(row - 1) * cols + std::size_t(col)];
    }
};

const Source& source()
{
    static const Source s;
    return s;
}

// Bytes allocated and not yet freed on the heap (small blocks and mapped ones).
long long heap_in_use()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

long resident_kib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// The fill as the screens write it: every cell made current, written and
// aligned, the number of rows grown by one per row.
void classic_fill(FlexGrid& grid, const Source& s)
{
    grid.Clear();
    grid.setCols(cols);
    grid.setRow(0);
    const int widths[cols] = {0, 1820, 350, 1550, 600, 2800};
    for (int c = 1; c < cols; ++c) {
        grid.setCol(c);
        grid.setText(QStringLiteral("見出し%1").arg(c));
    }
    for (int c = 0; c < cols; ++c)
        grid.setColWidth(c, widths[c]);
    for (int r = 1; r <= data_rows; ++r) {
        grid.setRows(r + 1);
        grid.setRow(r);
        grid.setRowHeight(r, 360);
        for (int c = 1; c < cols; ++c) {
            grid.setCol(c);
            grid.setText(s.at(r, c));
            grid.setCellAlignment(1);
        }
    }
}

void BM_PlainVectorFill(benchmark::State& state)
{
    const Source& s = source();
    for (auto _ : state) {
        std::vector<std::string> cells;
        for (int r = 1; r <= data_rows; ++r)
            for (int c = 0; c < cols; ++c)
                cells.push_back(s.at(r, c).toStdString());
        benchmark::DoNotOptimize(cells.data());
        state.PauseTiming();
        cells = {};
        state.ResumeTiming();
    }
    state.counters["raw_utf8_bytes"] = double(s.utf8_bytes);
}

// A fresh grid filled and shown; the time includes the view catching up
// (Refresh) but not the first paint.
void BM_FlexGridFill(benchmark::State& state)
{
    const Source& s = source();
    std::size_t storage = 0;
    long grown_kib = 0;
    long long heap_growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* grid = new FlexGrid;
        grid->resize(800, 600);
        grid->show();
        QCoreApplication::processEvents();
        grid->viewport()->repaint();  // fonts and caches of a first paint are fixed costs
        const long before = resident_kib();
        const long long heap_before = heap_in_use();
        state.ResumeTiming();

        classic_fill(*grid, s);
        grid->Refresh();

        state.PauseTiming();
        QCoreApplication::processEvents();
        grid->viewport()->repaint();
        storage = grid->storage_bytes();
        // Memory freed by an earlier iteration is reused, so the first
        // iteration's growth is the one that counts.
        grown_kib = std::max(grown_kib, resident_kib() - before);
        heap_growth = std::max(heap_growth, heap_in_use() - heap_before);
        delete grid;
        state.ResumeTiming();
    }
    state.counters["raw_utf8_bytes"] = double(source().utf8_bytes);
    state.counters["cell_storage_bytes"] = double(storage);
    state.counters["rss_growth_bytes"] = double(grown_kib) * 1024;
    state.counters["heap_growth_bytes"] = double(heap_growth);
}

// Shows the grid with the rows filled in and its first paint done.
void show_filled(FlexGrid& grid, const Source& s)
{
    grid.resize(800, 600);
    grid.show();
    classic_fill(grid, s);
    grid.Refresh();
    QCoreApplication::processEvents();
}

// Refilling a grid that already holds the rows, inside a bulk update.
void BM_FlexGridRefillBulk(benchmark::State& state)
{
    const Source& s = source();
    FlexGrid grid;
    show_filled(grid, s);
    for (auto _ : state) {
        grid.begin_bulk_update();
        classic_fill(grid, s);
        grid.end_bulk_update();
    }
}

// Paging through the filled grid, one repaint per page.
void BM_FlexGridPageAndPaint(benchmark::State& state)
{
    const Source& s = source();
    FlexGrid grid;
    show_filled(grid, s);
    QScrollBar* bar = grid.verticalScrollBar();
    int position = 0;
    for (auto _ : state) {
        position = (position + 25) % std::max(bar->maximum(), 1);
        bar->setValue(position);
        grid.viewport()->repaint();
    }
}

}  // namespace

BENCHMARK(BM_PlainVectorFill)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FlexGridFill)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FlexGridRefillBulk)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FlexGridPageAndPaint)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
