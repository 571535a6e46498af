#include "admin/MasterCommand.h"

#include "common/Csv.h"
#include "common/Messages.h"
#include "common/text.h"
#include "db/Database.h"
#include "lookup/InfoCodeList.h"
#include "settings/Settings.h"
#include "store/ChangeLog.h"
#include "store/EntryRules.h"
#include "store/KubunName.h"
#include "store/Statements.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextStream>
#include <algorithm>
#include <map>
#include <optional>

namespace k4 {

namespace {

const QString transfer_type_kind = QStringLiteral("送受信種別");
const QStringList key_header = {QStringLiteral("相手先企業コード"), QStringLiteral("送受信種別"),
                                QStringLiteral("情報区分コード")};
const QStringList name_header = {QStringLiteral("送受信種別名"), QStringLiteral("情報区分名")};

const char* const general_usage =
    "usage: k408020-master [--ini FILE] COMMAND [OPTIONS]\n"
    "\n"
    "Brings the master table FL1914利用情報区分マスタ in and out as CSV, with the\n"
    "settings (EDI.ini), the data source and the list file of K408020, and checks it.\n"
    "\n"
    "commands:\n"
    "  export   write the table's rows as CSV\n"
    "  import   add the rows of a CSV file, all or nothing\n"
    "  check    list the rows the window could not act on\n"
    "\n"
    "  --ini FILE   the settings file (default: EDI_INI, or EDI.ini two folders up)\n"
    "  --help       this text; COMMAND --help for the command's own\n"
    "\n"
    "exit status: 0 done, 1 rows refused or found, 2 usage, 3 settings or connection\n";

const char* const export_usage =
    "usage: k408020-master export [--partner CODE] [--names] [--encoding cp932|utf-8] [FILE|-]\n"
    "\n"
    "Writes every row of the table (or of one partner), also the rows the window\n"
    "does not list, in the list's order, as CSV with a header line. Values are\n"
    "written exactly as stored. Code page 932 by default; UTF-8 with a byte-order\n"
    "mark on request. A value code page 932 cannot hold stops the export and no\n"
    "file is left behind. FILE - (the default) is standard output.\n"
    "\n"
    "  --partner CODE   only this partner's rows\n"
    "  --names          also the type's name (区分マスタ) and the code's name (list file)\n";

const char* const import_usage =
    "usage: k408020-master import [--dry-run] [--encoding cp932|utf-8] --operator CODE FILE|-\n"
    "\n"
    "Adds the file's rows in one transaction: every line is checked as the window\n"
    "checks an addition, and a value the window would alter (lower case, edge\n"
    "blanks, too long) is refused. One refused line and nothing is written. Each\n"
    "added row goes into the change log with the operator code.\n"
    "\n"
    "  --operator CODE  the operator code written into the change log\n"
    "  --dry-run        check and report, write nothing\n";

const char* const check_usage =
    "usage: k408020-master check [--format text|csv]\n"
    "\n"
    "Lists the rows of the table the window could not act on correctly or would\n"
    "refuse: edge blanks, lower case, values longer than their field, Null,\n"
    "characters the entry fields refuse, a type not in 区分マスタ, a code not in the\n"
    "list file. Exit status 1 when a row is listed, 0 when the table is clean.\n";

struct UsageError {
    QString message;
};
struct SetupError {
    QString message;
};

// The command line after the command: options with and without a value and
// the operands, refused where unknown.
struct Options {
    std::map<QString, QString> values;
    QStringList flags;
    QStringList operands;
    bool help = false;

    bool has(const QString& flag) const { return flags.contains(flag); }
    QString value(const QString& name, const QString& fallback = QString()) const
    {
        const auto at = values.find(name);
        return at == values.end() ? fallback : at->second;
    }
};

Options parse_options(const QStringList& arguments, const QStringList& with_value,
                      const QStringList& flags)
{
    Options options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options.help = true;
        } else if (a == QLatin1String("-") || !a.startsWith(u'-')) {
            options.operands << a;
        } else if (a == QLatin1String("--")) {
            options.operands << arguments.mid(i + 1);
            break;
        } else {
            const qsizetype eq = a.indexOf(u'=');
            const QString name = eq < 0 ? a : a.left(eq);
            if (with_value.contains(name)) {
                if (eq >= 0)
                    options.values[name] = a.mid(eq + 1);
                else if (i + 1 < arguments.size())
                    options.values[name] = arguments[++i];
                else
                    throw UsageError{QStringLiteral("%1 needs a value").arg(name)};
            } else if (flags.contains(a)) {
                options.flags << a;
            } else {
                throw UsageError{QStringLiteral("unknown option %1").arg(a)};
            }
        }
    }
    return options;
}

CsvEncoding encoding_of(const Options& options)
{
    const QString name = options.value(QStringLiteral("--encoding"), QStringLiteral("cp932")).toLower();
    if (name == QLatin1String("cp932") || name == QLatin1String("shift_jis")
        || name == QLatin1String("sjis"))
        return CsvEncoding::cp932;
    if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
        return CsvEncoding::utf8;
    throw UsageError{QStringLiteral("unknown encoding %1 (cp932 or utf-8)").arg(name)};
}

QString row_text(const EntryValues& row)
{
    return QStringLiteral("%1/%2/%3").arg(row.partner_code, row.transfer_type, row.info_code);
}

// The quoted value as a message shows it, control characters escaped.
QString shown(const QString& value)
{
    QString out = QStringLiteral("\"");
    for (const QChar ch : value) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QChar(u'0'));
        else
            out += ch;
    }
    return out + u'"';
}

class Command {
public:
    explicit Command(CommandContext& context) : c_(context), err_(*context.errors) {}

    int run()
    {
        QStringList args = c_.arguments;
        QString ini;
        // The global options come before the command.
        while (!args.isEmpty() && args.front().startsWith(u'-')) {
            const QString a = args.takeFirst();
            if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
                write_usage(general_usage, false);
                return exit_status::done;
            }
            if (a == QLatin1String("--ini") && !args.isEmpty())
                ini = args.takeFirst();
            else if (a.startsWith(QLatin1String("--ini=")))
                ini = a.mid(6);
            else
                return usage(QStringLiteral("unknown option %1").arg(a), general_usage);
        }
        if (args.isEmpty())
            return usage(QStringLiteral("no command given"), general_usage);
        location_.program_dir = c_.program_dir;
        location_.edi_ini_override = ini.isEmpty() ? c_.edi_ini_env : ini;
        const QString command = args.takeFirst();
        try {
            if (command == QLatin1String("export"))
                return run_export(args);
            if (command == QLatin1String("import"))
                return run_import(args);
            if (command == QLatin1String("check"))
                return run_check(args);
            return usage(QStringLiteral("unknown command %1").arg(command), general_usage);
        } catch (const UsageError& e) {
            const char* text = command == QLatin1String("export")   ? export_usage
                               : command == QLatin1String("import") ? import_usage
                                                                    : check_usage;
            return usage(e.message, text);
        } catch (const SetupError& e) {
            err_ << "k408020-master: " << e.message << Qt::endl;
            return exit_status::setup;
        }
    }

private:
    int usage(const QString& problem, const char* text)
    {
        err_ << "k408020-master: " << problem << "\n";
        write_usage(text, true);
        return exit_status::usage;
    }
    void write_usage(const char* text, bool to_errors)
    {
        if (to_errors || !c_.standard_output) {
            err_ << QString::fromUtf8(text) << Qt::flush;
            return;
        }
        c_.standard_output->write(text);
    }

    // Settings, list file and connection, with the window's start-up messages.
    void connect_database()
    {
        try {
            read_db_settings(settings_, location_);
        } catch (const SettingsError& e) {
            throw SetupError{QStringLiteral("%1: the settings could not be read: %2")
                                 .arg(startup_message::ini_read_error, QString::fromUtf8(e.what()))};
        }
        try {
            db_.open_database(settings_.data_source_name, settings_.db_user_id,
                              settings_.db_password, c_.machine_name);
        } catch (const DbError& e) {
            throw SetupError{QStringLiteral("%1: %2").arg(startup_message::connect_error,
                                                          QString::fromUtf8(e.what()))};
        }
    }
    void load_list()
    {
        const QString path = locate_info_code_file(location_);
        const ListLoad load = load_info_code_file(codes_, path);
        if (!load.found)
            throw SetupError{QStringLiteral("the information classification list file was not "
                                            "found (JOHOKUBUN of [PATH] in EDI.ini: %1)")
                                 .arg(path.isEmpty() ? QStringLiteral("empty") : path)};
        if (!load.complete)
            throw SetupError{QStringLiteral("the information classification list file %1 could "
                                            "not be read completely").arg(path)};
    }
    // Whether 区分マスタ names the type (as the window's check asks), asked
    // once per type. Throws DbError when the database cannot be reached.
    std::optional<QString> type_name(const QString& type)
    {
        const auto at = type_names_.find(type);
        if (at != type_names_.end())
            return at->second;
        const Result<QString> found = lookup_kubun_name(db_, transfer_type_kind, type);
        if (found.outcome == Outcome::unreachable)
            throw DbError(QStringLiteral("08001"), 0, QStringLiteral("the type name could not be read"))
                .as_cannot_connect();
        std::optional<QString> name;
        if (found.done())
            name = found.value;
        type_names_.emplace(type, name);
        return name;
    }

    // Progress on standard error when it is a terminal and the work is longer
    // than a second.
    void progress(const char* what, long long count)
    {
        if (!c_.errors_to_terminal)
            return;
        if (!clock_.isValid())
            clock_.start();
        if (clock_.elapsed() < 1000 || clock_.elapsed() - last_progress_ < 250)
            return;
        last_progress_ = clock_.elapsed();
        err_ << "\r" << what << " " << count << Qt::flush;
        progress_shown_ = true;
    }
    void end_progress()
    {
        if (progress_shown_)
            err_ << "\n";
        progress_shown_ = false;
    }

    int run_export(const QStringList& args);
    int run_import(const QStringList& args);
    int run_check(const QStringList& args);

    CommandContext& c_;
    QTextStream& err_;
    SettingsLocation location_;
    Settings settings_;
    Database db_;
    InfoCodeList codes_;
    std::map<QString, std::optional<QString>> type_names_;
    QElapsedTimer clock_;
    qint64 last_progress_ = 0;
    bool progress_shown_ = false;
};

// The rows of the table in the list's order, each value exactly as stored
// (nullopt for Null).
struct StoredRow {
    std::optional<QString> values[3];
    EntryValues entry() const
    {
        return {values[0].value_or(QString()), values[1].value_or(QString()),
                values[2].value_or(QString())};
    }
};

template <class Each>
void for_each_stored_row(Database& db, const QString& partner, bool one_partner, Each each)
{
    ResultSet rows = db.open_query(sql::master_rows(one_partner ? &partner : nullptr));
    while (!rows.eof()) {
        StoredRow row;
        for (int c = 0; c < 3; ++c)
            row.values[c] = rows.value(c);
        each(row);
        rows.move_next();
    }
    rows.close();
}

int Command::run_export(const QStringList& args)
{
    const Options options = parse_options(args, {QStringLiteral("--partner"), QStringLiteral("--encoding")},
                                          {QStringLiteral("--names")});
    if (options.help) {
        write_usage(export_usage, false);
        return exit_status::done;
    }
    if (options.operands.size() > 1)
        throw UsageError{QStringLiteral("export writes one file")};
    const CsvEncoding encoding = encoding_of(options);
    const bool names = options.has(QStringLiteral("--names"));
    const QString target = options.operands.value(0, QStringLiteral("-"));
    connect_database();
    if (names)
        load_list();

    // A file is written beside its place and put there only when complete.
    QSaveFile file(target);
    QIODevice* out = c_.standard_output;
    if (target != QLatin1String("-")) {
        if (!file.open(QIODevice::WriteOnly))
            throw SetupError{QStringLiteral("%1 cannot be written: %2").arg(target, file.errorString())};
        out = &file;
    }
    CsvWriter writer(*out, encoding);
    QStringList header = key_header;
    if (names)
        header << name_header;
    long long written = 0;
    QString failure;
    try {
        if (!writer.write_record(header))
            failure = writer.error();
        for_each_stored_row(db_, options.value(QStringLiteral("--partner")),
                            options.values.count(QStringLiteral("--partner")) > 0,
                            [&](const StoredRow& row) {
                                if (!failure.isEmpty())
                                    return;
                                QStringList fields;
                                for (const auto& v : row.values)
                                    fields << v.value_or(QString());
                                if (names) {
                                    const std::optional<QString> type = type_name(fields[1]);
                                    const InfoCodeEntry* code = codes_.find(fields[2]);
                                    fields << type.value_or(QString())
                                           << (code ? trim_blanks(code->name).toString() : QString());
                                }
                                if (!writer.write_record(fields)) {
                                    failure = QStringLiteral("row %1 (%2): %3")
                                                  .arg(written + 1)
                                                  .arg(row_text(row.entry()), writer.error());
                                    return;
                                }
                                ++written;
                                progress("exported", written);
                            });
    } catch (const DbError& e) {
        end_progress();
        file.cancelWriting();
        const int status = e.cannot_connect() || e.connection_lost() ? exit_status::setup
                                                                     : exit_status::rows;
        err_ << "k408020-master: the rows could not be read ("
             << (status == exit_status::setup ? msg::connect_error : QStringLiteral("the database refused the statement"))
             << "): " << e.what() << Qt::endl;
        return status;
    }
    end_progress();
    if (!failure.isEmpty()) {
        file.cancelWriting();
        err_ << "k408020-master: export stopped, nothing written: " << failure << Qt::endl;
        return exit_status::rows;
    }
    if (!writer.flush()) {
        file.cancelWriting();
        err_ << "k408020-master: the output could not be written: " << writer.error() << Qt::endl;
        return exit_status::setup;
    }
    if (out == &file && !file.commit()) {
        err_ << "k408020-master: " << target << " could not be written: " << file.errorString() << Qt::endl;
        return exit_status::setup;
    }
    err_ << "k408020-master: " << written << " rows exported" << Qt::endl;
    return exit_status::done;
}

int Command::run_check(const QStringList& args)
{
    const Options options = parse_options(args, {QStringLiteral("--format")}, {});
    if (options.help) {
        write_usage(check_usage, false);
        return exit_status::done;
    }
    if (!options.operands.isEmpty())
        throw UsageError{QStringLiteral("check takes no file")};
    const QString format = options.value(QStringLiteral("--format"), QStringLiteral("text"));
    if (format != QLatin1String("text") && format != QLatin1String("csv"))
        throw UsageError{QStringLiteral("unknown format %1 (text or csv)").arg(format)};
    connect_database();
    load_list();

    QTextStream text(c_.standard_output);
    text.setEncoding(QStringConverter::Utf8);
    std::optional<CsvWriter> csv;
    if (format == QLatin1String("csv")) {
        csv.emplace(*c_.standard_output, CsvEncoding::utf8);
        static_cast<void>(csv->write_record(key_header + QStringList{QStringLiteral("項目"),
                                                                     QStringLiteral("理由"),
                                                                     QStringLiteral("画面のメッセージ")}));
    }
    long long rows = 0, listed = 0;
    try {
        for_each_stored_row(db_, QString(), false, [&](const StoredRow& row) {
            ++rows;
            progress("checked", rows);
            std::vector<RowProblem> problems;
            for (int c = 0; c < 3; ++c)
                if (!row.values[c])
                    problems.push_back({RowField(c), QStringLiteral("Null"), QString()});
            const EntryValues entry = row.entry();
            for (const RowProblem& p : value_problems(entry))
                if (row.values[int(p.field)])
                    problems.push_back(p);
            if (row.values[1] && !type_name(entry.transfer_type))
                problems.push_back({RowField::type, QStringLiteral("not in 区分マスタ under 送受信種別 (the window does not list the row)"),
                                    msg::no_such_name});
            if (row.values[2] && !codes_.find(entry.info_code))
                problems.push_back({RowField::code, QStringLiteral("not in the list file"), msg::no_such_code});
            if (problems.empty())
                return;
            ++listed;
            for (const RowProblem& p : problems) {
                const QString value = value_of(entry, p.field);
                if (csv) {
                    QStringList fields;
                    for (const auto& v : row.values)
                        fields << v.value_or(QString());
                    fields << row_field_name(p.field) << p.reason << p.window_message;
                    if (!csv->write_record(fields))
                        throw SetupError{csv->error()};
                } else {
                    text << shown(entry.partner_code) << " " << shown(entry.transfer_type) << " "
                         << shown(entry.info_code) << ": " << row_field_name(p.field) << " "
                         << (row.values[int(p.field)] ? shown(value) : QStringLiteral("Null"))
                         << ": " << p.reason;
                    if (!p.window_message.isEmpty())
                        text << " (" << p.window_message << ")";
                    text << "\n";
                }
            }
        });
    } catch (const DbError& e) {
        end_progress();
        err_ << "k408020-master: the rows could not be read (" << msg::connect_error << "): "
             << e.what() << Qt::endl;
        return exit_status::setup;
    }
    text.flush();
    if (csv)
        static_cast<void>(csv->flush());
    end_progress();
    err_ << "k408020-master: " << rows << " rows checked, " << listed
         << (listed == 1 ? " row" : " rows") << " listed" << Qt::endl;
    return listed > 0 ? exit_status::rows : exit_status::done;
}

int Command::run_import(const QStringList& args)
{
    const Options options = parse_options(args, {QStringLiteral("--encoding"), QStringLiteral("--operator")},
                                          {QStringLiteral("--dry-run")});
    if (options.help) {
        write_usage(import_usage, false);
        return exit_status::done;
    }
    if (options.operands.size() != 1)
        throw UsageError{QStringLiteral("import reads one file (- for standard input)")};
    const QString operator_code = trim_blanks(options.value(QStringLiteral("--operator")));
    if (operator_code.isEmpty())
        throw UsageError{QStringLiteral("--operator CODE is needed: it goes into the change log")};
    const bool dry_run = options.has(QStringLiteral("--dry-run"));
    const CsvEncoding encoding = encoding_of(options);
    const QString source = options.operands.front();

    QFile file(source);
    QIODevice* in = c_.standard_input;
    if (source != QLatin1String("-")) {
        if (!file.open(QIODevice::ReadOnly)) {
            err_ << "k408020-master: " << source << " cannot be read: " << file.errorString()
                 << "; nothing written" << Qt::endl;
            return exit_status::rows;
        }
        in = &file;
    }
    connect_database();
    load_list();

    // The rows added are kept aside until the commit, then recorded.
    QTemporaryFile added;
    if (!added.open())
        throw SetupError{QStringLiteral("no temporary file for the change log")};
    QTextStream added_rows(&added);
    added_rows.setEncoding(QStringConverter::Utf8);

    const QString driver = db_.driver_name().toLower();
    const bool portable = !driver.contains(QLatin1String("sqlite")) && !driver.contains(QLatin1String("psql"));
    CsvReader reader(*in, encoding);
    QStringList fields;
    long long lines = 0, refused = 0, rows = 0;
    auto refuse = [&](int line, const QString& what) {
        ++refused;
        end_progress();
        err_ << "line " << line << ": " << what << "\n";
    };
    int columns = 0;
    try {
        Transaction import(db_);
        PreparedStatement insert = db_.prepare(sql::insert_new_entry(portable));
        if (!reader.next(fields)) {
            const QString problem = reader.error() ? reader.error().text() : QStringLiteral("the file is empty");
            err_ << "k408020-master: " << problem << "; nothing written" << Qt::endl;
            return exit_status::rows;
        }
        if (fields == key_header || fields == key_header + name_header) {
            columns = int(fields.size());
        } else {
            err_ << "k408020-master: line " << reader.line() << ": the header must be "
                 << key_header.join(u',') << " (or with " << name_header.join(u',')
                 << "); nothing written" << Qt::endl;
            return exit_status::rows;
        }
        while (reader.next(fields)) {
            ++lines;
            const int line = reader.line();
            progress("line", line);
            if (fields.size() != columns) {
                refuse(line, QStringLiteral("%1 columns where the header has %2").arg(fields.size()).arg(columns));
                continue;
            }
            const EntryValues row{fields[0], fields[1], fields[2]};
            std::vector<RowProblem> problems = value_problems(row);
            const bool type_ok = std::none_of(problems.begin(), problems.end(),
                                              [](const RowProblem& p) { return p.field == RowField::type; });
            if (type_ok && !type_name(row.transfer_type))
                problems.push_back({RowField::type, QStringLiteral("not in 区分マスタ under 送受信種別"),
                                    msg::no_such_name});
            const bool code_ok = std::none_of(problems.begin(), problems.end(),
                                              [](const RowProblem& p) { return p.field == RowField::code; });
            if (code_ok && !codes_.find(row.info_code))
                problems.push_back({RowField::code, QStringLiteral("not in the list file"), msg::no_such_code});
            if (!problems.empty()) {
                for (const RowProblem& p : problems)
                    refuse(line, QStringLiteral("%1 %2: %3%4")
                                     .arg(row_field_name(p.field), shown(value_of(row, p.field)), p.reason,
                                          p.window_message.isEmpty() ? QString()
                                                                     : QStringLiteral(" (%1)").arg(p.window_message)));
                continue;
            }
            // After a refusal nothing will be committed, but the rows still go
            // in, so that every duplicate of the file is found in one run.
            long long inserted = 0;
            try {
                const QString values[6] = {row.partner_code, row.transfer_type, row.info_code,
                                           row.partner_code, row.transfer_type, row.info_code};
                inserted = insert.execute(std::span<const QString>(values, portable ? 6 : 3));
            } catch (const DbError& e) {
                if (e.cannot_connect() || e.connection_lost())
                    throw;
                // Another program wrote the same row meanwhile (or the table refused it).
                end_progress();
                err_ << "line " << line << ": " << row_text(row) << ": the database refused the row ("
                     << msg::update_failed << "): " << e.what() << "\nk408020-master: nothing written"
                     << Qt::endl;
                return exit_status::rows;
            }
            if (inserted != 1) {
                refuse(line, QStringLiteral("%1: the row is in the table already or on an earlier line (%2)")
                                 .arg(row_text(row), msg::duplicated));
                continue;
            }
            ++rows;
            added_rows << row.partner_code << '\t' << row.transfer_type << '\t' << row.info_code << '\n';
        }
        end_progress();
        if (reader.error()) {
            err_ << "k408020-master: " << reader.error().text() << "; nothing written" << Qt::endl;
            return exit_status::rows;
        }
        if (refused > 0) {
            err_ << "k408020-master: " << refused << " problems in " << lines
                 << " lines; nothing written" << Qt::endl;
            return exit_status::rows;
        }
        if (dry_run) {
            err_ << "k408020-master: " << lines << " lines checked, " << rows
                 << " rows would be added; nothing written (dry run)" << Qt::endl;
            return exit_status::done;
        }
        import.commit();
    } catch (const DbError& e) {
        end_progress();
        if (e.outcome_unknown()) {
            err_ << "k408020-master: the answer to the commit was lost: whether the " << rows
                 << " rows were added is unknown; run check or export to see (" << msg::connect_error
                 << "): " << e.what() << Qt::endl;
        } else {
            err_ << "k408020-master: " << msg::connect_error << ": " << e.what()
                 << "\nk408020-master: nothing written" << Qt::endl;
        }
        return exit_status::setup;
    }

    // Committed: one record per row, as the window records an addition.
    added_rows.flush();
    added.seek(0);
    QTextStream replay(&added);
    replay.setEncoding(QStringConverter::Utf8);
    const ChangeAuthor author{operator_code, c_.login_user, c_.machine_name};
    while (!replay.atEnd()) {
        const QStringList v = replay.readLine().split(u'\t');
        if (v.size() != 3)
            continue;
        const EntryValues row{v[0], v[1], v[2]};
        const ChangeRecord record = change_record("added", author, nullptr, &row);
        qCInfo(lcChanges).noquote() << record.log_line;
        c_.system_log(record.system_line);
    }
    err_ << "k408020-master: " << rows << " rows added" << Qt::endl;
    return exit_status::done;
}

}  // namespace

int run_master_command(CommandContext& context)
{
    return Command(context).run();
}

}  // namespace k4
