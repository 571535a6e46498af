#pragma once
// The one table of the benchmark run: every measurement beside its floor,
// their ratio, and the target it is held to.
//
// Input is Google Benchmark's JSON output. A paired benchmark (bench/support/
// Paired.h) carries the counters program_ms, floor_ms and ratio; the grid
// widget's fill is paired here with the plain vector fill of the same run.
// Names are <family>/<db>/<rows> or <family>/<rows>, as the benchmarks
// register them.
//
// Targets are set for SQLite (and for the database-independent rows); the
// PostgreSQL rows show the same figure beside them without a verdict.

#include <QJsonObject>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace k4::bench {

struct Measurement {
    QString name;     // without Google Benchmark's "/iterations:..." suffixes
    QString family;   // first part of the name
    QString db;       // "sqlite", "postgresql" or empty
    int rows = 0;     // from the name, 0 when it names none
    double time_ms = 0;                 // the benchmark's own time
    std::map<QString, double> counters;
    QString error;    // the benchmark's error message, if it failed
};

// The benchmarks of one JSON document; throws std::runtime_error when it is
// not Google Benchmark output. Aggregate rows (mean, median...) are skipped.
std::vector<Measurement> read_benchmark_json(const QByteArray& json);

struct TableLine {
    QString what;
    QString db;
    QString rows;
    std::optional<double> program;
    std::optional<double> floor;
    std::optional<double> ratio;
    QString unit;       // "ms" or "MB"
    QString floor_is;   // what the floor is
    std::optional<double> target;   // upper bound of the checked value
    bool target_is_ratio = true;    // else the program's value itself is checked
    bool binding = false;           // a target that this run is held to
    QString verdict;    // "met", "MISSED", "(met)", "(over)", "error: ..." or empty
};

std::vector<TableLine> build_table(const std::vector<Measurement>& measurements);

// Fixed-width text; one line per table line, a header and the notes.
QString format_table(const std::vector<TableLine>& lines);

// {"context": context, "results": [...]} with every figure as a number.
QJsonObject to_json(const std::vector<TableLine>& lines, const QJsonObject& context);

// Whether every binding target was met (errors count as missed).
bool all_binding_targets_met(const std::vector<TableLine>& lines);

}  // namespace k4::bench
