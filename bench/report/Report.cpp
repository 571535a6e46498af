#include "Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

namespace k4::bench {

namespace {

const QStringList databases = {QStringLiteral("sqlite"), QStringLiteral("postgresql")};

double to_ms(double value, const QString& unit)
{
    if (unit == QLatin1String("ns"))
        return value / 1e6;
    if (unit == QLatin1String("us"))
        return value / 1e3;
    if (unit == QLatin1String("s"))
        return value * 1e3;
    return value;
}

// "refresh/sqlite/100000/iterations:11/manual_time" -> "refresh/sqlite/100000".
QString base_name(const QString& name)
{
    QStringList parts = name.split(u'/');
    while (parts.size() > 1
           && (parts.last().startsWith(QLatin1String("iterations:"))
               || parts.last() == QLatin1String("manual_time")
               || parts.last() == QLatin1String("real_time")
               || parts.last().startsWith(QLatin1String("repeats:"))))
        parts.removeLast();
    return parts.join(u'/');
}

class Index {
public:
    explicit Index(const std::vector<Measurement>& all) : all_(all)
    {
        for (const Measurement& m : all)
            by_name_[m.name] = &m;
    }
    const Measurement* find(const QString& name)
    {
        const auto it = by_name_.find(name);
        if (it == by_name_.end())
            return nullptr;
        used_.insert(name);
        return it->second;
    }
    // The measurements no line has taken, in their order.
    std::vector<const Measurement*> unused() const
    {
        std::vector<const Measurement*> rest;
        for (const Measurement& m : all_)
            if (!used_.count(m.name))
                rest.push_back(&m);
        return rest;
    }

private:
    const std::vector<Measurement>& all_;
    std::map<QString, const Measurement*> by_name_;
    std::set<QString> used_;
};

std::optional<double> counter(const Measurement& m, const char* name)
{
    const auto it = m.counters.find(QString::fromLatin1(name));
    if (it == m.counters.end())
        return std::nullopt;
    return it->second;
}

// 100000 -> "100 000".
QString rows_text(int rows)
{
    if (rows <= 0)
        return {};
    QString digits = QString::number(rows);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u' ');
    return digits;
}

void judge(TableLine& line)
{
    if (!line.target)
        return;
    const std::optional<double> checked = line.target_is_ratio ? line.ratio : line.program;
    if (!checked)
        return;
    const bool met = *checked <= *line.target;
    if (line.binding)
        line.verdict = met ? QStringLiteral("met") : QStringLiteral("MISSED");
    else
        line.verdict = met ? QStringLiteral("(met)") : QStringLiteral("(over)");
}

// A line from a paired measurement, or an error line when it failed.
void add_paired(std::vector<TableLine>& out, const Measurement* m, TableLine line)
{
    if (!m)
        return;
    line.unit = QStringLiteral("ms");
    if (!m->error.isEmpty()) {
        line.verdict = QStringLiteral("error: ") + m->error;
        out.push_back(line);
        return;
    }
    line.program = counter(*m, "program_ms");
    line.floor = counter(*m, "floor_ms");
    line.ratio = counter(*m, "ratio");
    judge(line);
    out.push_back(line);
}

TableLine make_line(const QString& what, const QString& db, const QString& rows)
{
    TableLine line;
    line.what = what;
    line.db = db;
    line.rows = rows;
    return line;
}

QString number(std::optional<double> value, int decimals)
{
    if (!value)
        return {};
    if (*value != 0 && std::abs(*value) < 0.1)
        return QString::number(*value, 'g', 3);
    return QString::number(*value, 'f', decimals);
}

}  // namespace

std::vector<Measurement> read_benchmark_json(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull())
        throw std::runtime_error("not JSON: " + error.errorString().toStdString());
    if (!doc.object().value(QLatin1String("benchmarks")).isArray())
        throw std::runtime_error("not Google Benchmark output: no \"benchmarks\" array");
    std::vector<Measurement> out;
    for (const QJsonValue& value : doc.object().value(QLatin1String("benchmarks")).toArray()) {
        const QJsonObject b = value.toObject();
        if (b.value(QLatin1String("run_type")).toString() == QLatin1String("aggregate"))
            continue;
        Measurement m;
        m.name = base_name(b.value(QLatin1String("name")).toString());
        const QStringList parts = m.name.split(u'/');
        m.family = parts.value(0);
        for (const QString& part : parts.mid(1)) {
            bool numeric = false;
            const int n = part.toInt(&numeric);
            if (numeric)
                m.rows = n;
            else if (databases.contains(part))
                m.db = part;
        }
        m.time_ms = to_ms(b.value(QLatin1String("real_time")).toDouble(),
                          b.value(QLatin1String("time_unit")).toString());
        if (b.value(QLatin1String("error_occurred")).toBool())
            m.error = b.value(QLatin1String("error_message")).toString();
        static const QStringList fixed = {
            QStringLiteral("name"), QStringLiteral("family_index"), QStringLiteral("per_family_instance_index"),
            QStringLiteral("run_name"), QStringLiteral("run_type"), QStringLiteral("repetitions"),
            QStringLiteral("repetition_index"), QStringLiteral("threads"), QStringLiteral("iterations"),
            QStringLiteral("real_time"), QStringLiteral("cpu_time"), QStringLiteral("time_unit")};
        for (auto it = b.begin(); it != b.end(); ++it)
            if (it.value().isDouble() && !fixed.contains(it.key()))
                m.counters[it.key()] = it.value().toDouble();
        out.push_back(std::move(m));
    }
    return out;
}

std::vector<TableLine> build_table(const std::vector<Measurement>& measurements)
{
    // The paired measurements of the screen, one line per database and row
    // count; the target binds for SQLite at `target_rows`.
    struct PairedGroup {
        const char* what;
        const char* floor_is;
        const char* key;            // %1 the database, %2 the row count
        std::vector<int> rows;
        int target_rows = 0;
        double target = 0;
    };
    static const PairedGroup groups[] = {
        {"refresh after a save (full_list + fill_grid)", "raw ODBC fetch of the same statement",
         "refresh/%1/%2", {1000, 10000, 100000}, 100000, 1.25},
        {"refresh growth: 100 000 rows beside 10 000", "the same refresh of 10 000 rows", "refresh_growth/%1",
         {100000}, 100000, 11},
        {"refresh with a 32 767-entry list beside a 10-entry list", "the same refresh with a 10-entry list",
         "refresh_list_size/%1/%2", {100000}, 100000, 1.1},
        {"fill_grid alone, the statement already run",
         "reading the rows of the same statement already run (SQLFetch + SQLGetData into strings)",
         "fill_grid/%1/%2", {1000, 10000, 100000}},
        {"start-up in-process to the window shown, grid filled", "raw connect + fetch, plus an empty window shown",
         "startup/%1/%2", {10000, 100000}, 100000, 1.5},
        {"k408020-master import of 100 000 lines", "plain ODBC loop, one prepared INSERT, one transaction",
         "master_import/%1/%2", {100000}, 100000, 2},
        {"k408020-master export of the table", "plain ODBC fetch of the same rows written to a file",
         "master_export/%1/%2", {100000}, 100000, 1.3},
        {"k408020-master check of the table", "plain ODBC fetch of the same rows",
         "master_check/%1/%2", {100000}, 100000, 1.5},
    };

    Index index(measurements);
    std::vector<TableLine> out;
    for (const PairedGroup& group : groups) {
        for (const QString& db : databases) {
            for (const int rows : group.rows) {
                TableLine line = make_line(QString::fromUtf8(group.what), db, rows_text(rows));
                line.floor_is = QString::fromUtf8(group.floor_is);
                if (group.target && rows == group.target_rows) {
                    line.target = group.target;
                    line.binding = db == QLatin1String("sqlite");
                }
                QString key = QString::fromLatin1(group.key);
                key.replace(QLatin1String("%1"), db).replace(QLatin1String("%2"), QString::number(rows));
                add_paired(out, index.find(key), line);
            }
        }
    }
    for (const QString& db : databases) {
        const Measurement* m = index.find(QStringLiteral("process/%1/100000").arg(db));
        TableLine line = make_line(QStringLiteral("start-up as a process, ending once the window is shown"), db,
                       QStringLiteral("100 000"));
        line.floor_is = QStringLiteral("a process that connects, fetches, shows an empty window");
        add_paired(out, m, line);
        if (m && m->error.isEmpty()) {
            TableLine memory = make_line(QStringLiteral("peak resident memory of that process"), db,
                             QStringLiteral("100 000"));
            memory.unit = QStringLiteral("MB");
            memory.floor_is = QStringLiteral("the floor process's peak");
            memory.program = counter(*m, "program_peak_mb");
            memory.floor = counter(*m, "floor_peak_mb");
            if (memory.program && memory.floor && *memory.floor > 0)
                memory.ratio = *memory.program / *memory.floor;
            memory.target = 150;
            memory.target_is_ratio = false;
            memory.binding = db == QLatin1String("sqlite");
            judge(memory);
            out.push_back(memory);
        }
    }
    {
        TableLine line = make_line(QStringLiteral("load_info_code_list"), QString(), QStringLiteral("32 767"));
        line.floor_is = QStringLiteral("reading and decoding the file");
        line.target = 2;
        line.binding = true;
        add_paired(out, index.find(QStringLiteral("list_load/32767")), line);
    }
    if (const Measurement* m = index.find(QStringLiteral("list_load_oversized"))) {
        TableLine line = make_line(QStringLiteral("load_info_code_list of a 300 MB file, stopping at 32 767"),
                                   QString(), QStringLiteral("32 767"));
        line.unit = QStringLiteral("ms");
        line.floor_is = QStringLiteral("none (measured alone)");
        if (m->error.isEmpty()) {
            line.program = m->time_ms;
            out.push_back(line);
            TableLine memory = make_line(QStringLiteral("peak resident memory that load adds"), QString(),
                                         QStringLiteral("32 767"));
            memory.unit = QStringLiteral("MB");
            memory.floor_is = QStringLiteral("none (measured alone)");
            memory.program = counter(*m, "peak_mb");
            if (memory.program)
                out.push_back(memory);
        } else {
            line.verdict = QStringLiteral("error: ") + m->error;
            out.push_back(line);
        }
    }
    if (const Measurement* m = index.find(QStringLiteral("master_memory/sqlite")); m && m->error.isEmpty()) {
        // Ten times the lines should cost no more memory: the file is read as a stream.
        TableLine memory = make_line(QStringLiteral("k408020-master import --dry-run, peak memory, 100 000 lines "
                                                    "beside 1 000 000"),
                                     QStringLiteral("sqlite"), QStringLiteral("100 000"));
        memory.unit = QStringLiteral("MB");
        memory.floor_is = QStringLiteral("the same command on 1 000 000 lines");
        memory.program = counter(*m, "program_peak_mb");
        memory.floor = counter(*m, "floor_peak_mb");
        if (memory.program && memory.floor && *memory.floor > 0)
            memory.ratio = *memory.program / *memory.floor;
        out.push_back(memory);
    }
    {
        const Measurement* fill = index.find(QStringLiteral("BM_FlexGridFill"));
        const Measurement* plain = index.find(QStringLiteral("BM_PlainVectorFill"));
        if (fill && plain) {
            TableLine line = make_line(QStringLiteral("grid widget fill, 6 cells a row, shown"), QString(),
                           QStringLiteral("100 000"));
            line.unit = QStringLiteral("ms");
            line.floor_is = QStringLiteral("the same texts into a vector of strings");
            line.program = fill->time_ms;
            line.floor = plain->time_ms;
            if (plain->time_ms > 0)
                line.ratio = fill->time_ms / plain->time_ms;
            out.push_back(line);
        }
    }
    // Everything else the run measured, with its own time and no floor.
    for (const Measurement* m : index.unused()) {
        TableLine line = make_line(m->name, m->db, rows_text(m->rows));
        line.unit = QStringLiteral("ms");
        line.floor_is = QStringLiteral("none (measured alone)");
        if (m->error.isEmpty())
            line.program = m->time_ms;
        else
            line.verdict = QStringLiteral("error: ") + m->error;
        out.push_back(line);
    }
    return out;
}

QString format_table(const std::vector<TableLine>& lines)
{
    struct Column {
        QString title;
        bool right;
    };
    const std::vector<Column> columns = {
        {QStringLiteral("measurement"), false}, {QStringLiteral("db"), false},
        {QStringLiteral("rows"), true},        {QStringLiteral("program"), true},
        {QStringLiteral("floor"), true},       {QStringLiteral("ratio"), true},
        {QStringLiteral("target"), true},      {QStringLiteral("result"), false},
    };
    std::vector<QStringList> cells;
    for (const TableLine& l : lines) {
        const int decimals = l.unit == QLatin1String("MB") ? 1 : 2;
        const QString unit = l.program ? QLatin1Char(' ') + l.unit : QString();
        QString target;
        if (l.target)
            target = (l.target_is_ratio ? QStringLiteral("≤ %1×") : QStringLiteral("≤ %1 MB"))
                         .arg(*l.target);
        cells.push_back({l.what, l.db, l.rows, number(l.program, decimals) + unit,
                         number(l.floor, decimals) + (l.floor ? QLatin1Char(' ') + l.unit : QString()),
                         number(l.ratio, 2), target, l.verdict});
    }
    std::vector<qsizetype> widths;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        qsizetype w = columns[c].title.size();
        for (const QStringList& row : cells)
            w = std::max(w, row[qsizetype(c)].size());
        widths.push_back(w);
    }
    auto render = [&](const QStringList& row) {
        QString line;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const QString& text = row[qsizetype(c)];
            if (c)
                line += QStringLiteral("  ");
            line += columns[c].right ? text.rightJustified(widths[c]) : text.leftJustified(widths[c]);
        }
        while (line.endsWith(u' '))
            line.chop(1);
        return line + u'\n';
    };
    QStringList titles;
    for (const Column& c : columns)
        titles << c.title;
    QString out = render(titles);
    QStringList rule;
    for (qsizetype w : widths)
        rule << QString(w, u'-');
    out += render(rule);
    for (const QStringList& row : cells)
        out += render(row);

    out += QStringLiteral("\nfloors:\n");
    QStringList seen;
    for (const TableLine& l : lines) {
        if (seen.contains(l.what) || (!l.floor && !l.ratio))
            continue;
        seen << l.what;
        out += QStringLiteral("  %1: %2\n").arg(l.what, l.floor_is);
    }
    out += QStringLiteral("Targets hold for SQLite; PostgreSQL figures are shown beside them "
                          "in parentheses.\n");
    return out;
}

QJsonObject to_json(const std::vector<TableLine>& lines, const QJsonObject& context)
{
    QJsonArray results;
    for (const TableLine& l : lines) {
        QJsonObject o;
        o[QStringLiteral("measurement")] = l.what;
        o[QStringLiteral("db")] = l.db;
        o[QStringLiteral("rows")] = l.rows.isEmpty() ? QJsonValue() : QJsonValue(QString(l.rows).remove(u' ').toInt());
        o[QStringLiteral("unit")] = l.unit;
        o[QStringLiteral("floor_is")] = l.floor_is;
        if (l.program)
            o[QStringLiteral("program")] = *l.program;
        if (l.floor)
            o[QStringLiteral("floor")] = *l.floor;
        if (l.ratio)
            o[QStringLiteral("ratio")] = *l.ratio;
        if (l.target) {
            o[QStringLiteral("target")] = *l.target;
            o[QStringLiteral("target_applies_to")] =
                l.target_is_ratio ? QStringLiteral("ratio") : QStringLiteral("program");
            o[QStringLiteral("binding")] = l.binding;
        }
        o[QStringLiteral("verdict")] = l.verdict;
        results.append(o);
    }
    QJsonObject out;
    out[QStringLiteral("context")] = context;
    out[QStringLiteral("results")] = results;
    return out;
}

bool all_binding_targets_met(const std::vector<TableLine>& lines)
{
    for (const TableLine& l : lines) {
        if (l.verdict.startsWith(QLatin1String("error")) && (l.db.isEmpty() || l.db == QLatin1String("sqlite")))
            return false;
        if (l.binding && l.verdict != QLatin1String("met"))
            return false;
    }
    return true;
}

}  // namespace k4::bench
