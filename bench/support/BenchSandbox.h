#pragma once
// Data sets for the screen benchmarks, made at set-up time and removed at the
// end: a private ODBC configuration (ODBCSYSINI / ODBCINI) with one SQLite
// data source per row count and, when K4_PG_PORT is set, one PostgreSQL
// database per row count on that server; list files of any number of lines;
// an EDI.ini per data source and list file.
//
// The master rows: partner codes "P" + 11 digits, ten rows per partner, types
// 1 and 2 (both named in 区分マスタ), information codes J000 to J009. A list of
// n lines holds those ten codes as its last ten entries, so every grid row is
// named whatever the list's length, and a lookup that walks the list would
// walk all of it.

#include "RawOdbc.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace k4::bench {

// The floor the program is measured against, and the set-up of the data sets.
using fixtures::RawOdbc;

struct DataSource {
    QString backend;   // "sqlite" or "postgresql"
    int rows = 0;
    QString dsn;
    QString user;
};

class BenchSandbox {
public:
    // The row counts the data sources hold.
    static const std::vector<int>& row_counts();

    BenchSandbox();
    ~BenchSandbox();
    BenchSandbox(const BenchSandbox&) = delete;
    BenchSandbox& operator=(const BenchSandbox&) = delete;

    // Made on first use; writes the ODBC configuration before any ODBC call.
    static BenchSandbox& shared();

    bool has_postgres() const { return !pg_port_.isEmpty(); }
    QStringList backends() const;

    // The data source of `backend` with `rows` master rows, filled on first use.
    const DataSource& source(const QString& backend, int rows);
    // A list file of `lines` lines (code page 932, CR LF), written on first use.
    QString list_file(int lines);
    // EDI.ini naming `source` and a list file of `list_lines` lines.
    QString edi_ini(const DataSource& source, int list_lines);

    QString folder() const { return dir_.path(); }

private:
    void write_configuration();
    void fill(DataSource& source);

    QTemporaryDir dir_;
    QString pg_host_;
    QString pg_port_;
    QString pg_prefix_;
    std::map<QString, std::unique_ptr<DataSource>> sources_;
    std::map<int, QString> list_files_;
    std::map<QString, QString> ini_files_;
    QStringList pg_databases_;
};

// The list file's lines: `lines` entries, the codes J000..J009 last.
QStringList list_lines(int lines);

}  // namespace k4::bench
