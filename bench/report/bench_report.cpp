// Prints the one table of a benchmark run and writes it as JSON.
//
//   bench_report [--json OUT] [--note TEXT]... [--strict] RESULT.json...
//
// RESULT.json are Google Benchmark outputs (--benchmark_out). The context of
// the first one (date, machine) goes into OUT with every --note. --strict
// makes the exit status 1 when a target this run is held to was missed.

#include "Report.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString json_out;
    QStringList notes;
    bool strict = false;
    QStringList inputs;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--json") && i + 1 < args.size())
            json_out = args[++i];
        else if (args[i] == QLatin1String("--note") && i + 1 < args.size())
            notes << args[++i];
        else if (args[i] == QLatin1String("--strict"))
            strict = true;
        else
            inputs << args[i];
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "usage: bench_report [--json OUT] [--note TEXT]... [--strict] RESULT.json...\n");
        return 2;
    }

    std::vector<k4::bench::Measurement> all;
    QJsonObject context;
    try {
        for (const QString& path : inputs) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 2;
            }
            const QByteArray bytes = file.readAll();
            if (context.isEmpty())
                context = QJsonDocument::fromJson(bytes).object().value(QLatin1String("context")).toObject();
            auto some = k4::bench::read_benchmark_json(bytes);
            all.insert(all.end(), some.begin(), some.end());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    context.remove(QStringLiteral("executable"));
    if (!notes.isEmpty())
        context[QStringLiteral("notes")] = QJsonArray::fromStringList(notes);

    const auto table = k4::bench::build_table(all);
    const QByteArray text = k4::bench::format_table(table).toUtf8();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);

    if (!json_out.isEmpty()) {
        QFile out(json_out);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(QJsonDocument(k4::bench::to_json(table, context)).toJson()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(json_out));
            return 2;
        }
    }
    return strict && !k4::bench::all_binding_targets_met(table) ? 1 : 0;
}
