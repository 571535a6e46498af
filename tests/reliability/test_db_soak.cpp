// Many operators at once on the server database. Each operator has a
// connection of its own on a thread of its own and works as the screen does,
// through the store: the duplicate check and the save for an addition or a
// change, the held deletion with its existence check. They add, change and
// delete rows of one small shared key space at random for a fixed time
// (K408020_SOAK_SECONDS, 20 by default; K408020_SOAK_OPERATORS, 8 by default).
//
// Every operator keeps a record of what it did and what each step came to,
// with the times around it. At the end the table, read by a separate
// connection, has to agree with the records:
//  - no key twice;
//  - every row present was put there by a committed addition or change (or
//    was there at the start);
//  - no committed addition or change is lost and no committed deletion is
//    undone, judged at every check an operator saw and at the end.
// Commits of different operators overlap in time, so the judgement uses only
// what the intervals prove (see KeyHistory): it cannot raise a false alarm
// from timing, and it still fails when a committed write goes missing.
#include "ProgramHarness.h"

#include "db/Database.h"
#include "maint/MasterStore.h"
#include "maint/Statements.h"

#include <QMutex>
#include <QSet>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <thread>

namespace k4::test {
namespace {

using Clock = std::chrono::steady_clock;
using Time = Clock::time_point;

// The shared key space: 3 partners x 2 types x 6 codes.
QStringList key_space()
{
    QStringList keys;
    for (int partner = 1; partner <= 3; ++partner)
        for (int type = 1; type <= 2; ++type)
            for (int code = 1; code <= 6; ++code)
                keys << QStringLiteral("C0000%1|%2|000%3").arg(partner).arg(type).arg(code);
    return keys;
}

EntryValues values_of(const QString& key)
{
    const QStringList parts = key.split(u'|');
    return {parts.value(0), parts.value(1), parts.value(2)};
}

QString key_of(const EntryValues& v)
{
    return v.partner_code + u'|' + v.transfer_type + u'|' + v.info_code;
}

int env_int(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// --- what an operator did -----------------------------------------------------

enum class Kind { add, change, remove };
// done: committed; refused: the duplicate check found the new values, or the
// existence check did not find the row; failed / unreachable: the store's
// failure path; escaped: an exception came out of the store.
enum class Outcome { done, refused, failed, unreachable, escaped };

struct Span {
    Time start, end;
};

struct Operation {
    Kind kind = Kind::add;
    QString from;                 // change: the listed row; remove: the row
    QString to;                   // add, change: the new row
    Outcome outcome = Outcome::failed;
    std::optional<Presence> seen; // what the check said
    Span check{};                 // the duplicate or existence check
    Span write{};                 // change: write_entry; remove: begin_deletion .. end_deletion
    bool left_open = false;       // a transaction still open after the operation
};

struct OperatorRecord {
    bool opened = false;
    QString open_error;
    std::vector<Operation> operations;
    std::vector<double> save_ms;  // every write_entry, whatever it came to
};

// The store's failure logs (k4.db), tallied by SQLSTATE instead of printed:
// a soak run fails thousands of inserts on purpose.
class FailureTally {
public:
    FailureTally() { instance = this; previous_ = qInstallMessageHandler(&FailureTally::handle); }
    ~FailureTally()
    {
        qInstallMessageHandler(previous_);
        instance = nullptr;
    }
    std::map<QString, int> by_sqlstate() const
    {
        QMutexLocker lock(&mutex_);
        return counts_;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (instance && context.category && QByteArray(context.category) == "k4.db") {
            if (type == QtWarningMsg) {
                const qsizetype at = text.indexOf(QLatin1String("SQLSTATE "));
                const QString state = at < 0 ? QStringLiteral("other") : text.mid(at + 9, 5);
                QMutexLocker lock(&instance->mutex_);
                ++instance->counts_[state];
            }
            return;
        }
        if (instance && instance->previous_)
            instance->previous_(type, context, text);
    }

    static inline FailureTally* instance = nullptr;
    QtMessageHandler previous_ = nullptr;
    mutable QMutex mutex_;
    std::map<QString, int> counts_;
};

// --- one operator -------------------------------------------------------------

class Operator {
public:
    Operator(int id, QString dsn, QString user, Time deadline, OperatorRecord& record)
        : id_(id), dsn_(std::move(dsn)), user_(std::move(user)), deadline_(deadline),
          record_(record), rng_(0x4B408020u + unsigned(id))
    {
    }

    void run()
    {
        db_.query_timeout_seconds = 30;
        try {
            db_.open_database(dsn_, user_, QString(), QStringLiteral("PC%1").arg(id_, 2, 10, QLatin1Char('0')));
        } catch (const DbError& e) {
            record_.open_error = QString::fromUtf8(e.what());
            return;
        }
        record_.opened = true;
        MasterStore store(db_);
        refresh(store);
        while (Clock::now() < deadline_) {
            Operation op;
            try {
                const int roll = pick(100);
                if (listed_.isEmpty() || roll < 40)
                    add(store, op);
                else if (roll < 70)
                    change(store, op);
                else
                    remove(store, op);
            } catch (...) {
                op.outcome = Outcome::escaped;
            }
            op.left_open = db_.in_transaction();
            record_.operations.push_back(op);
        }
        db_.close_database();
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    // The values as typed: now and then with blanks around the partner code,
    // which the checks and the save trim.
    EntryValues typed(const QString& key)
    {
        EntryValues v = values_of(key);
        if (pick(4) == 0)
            v.partner_code = QStringLiteral(" ") + v.partner_code + QStringLiteral("  ");
        return v;
    }
    QString random_key() { return keys_[pick(int(keys_.size()))]; }

    // The grid after a save or a deletion: the full list.
    void refresh(MasterStore& store)
    {
        OpenedList list = store.open_full_list();
        if (list.outcome != StoreOutcome::done)
            return;   // the grid keeps what it showed
        QStringList rows;
        while (!list.rows.eof()) {
            rows << key_of({list.rows.value(0).value_or(QString()), list.rows.value(1).value_or(QString()),
                            list.rows.value(2).value_or(QString())});
            list.rows.move_next();
        }
        listed_ = rows;
    }

    static Outcome outcome_of(StoreOutcome s)
    {
        switch (s) {
        case StoreOutcome::done: return Outcome::done;
        case StoreOutcome::absent: return Outcome::refused;
        case StoreOutcome::failed: return Outcome::failed;
        case StoreOutcome::unreachable: return Outcome::unreachable;
        }
        return Outcome::failed;
    }
    static Outcome outcome_of(Presence p)
    {
        return p == Presence::unreachable ? Outcome::unreachable : Outcome::failed;
    }

    // The duplicate check of the new values, then the save.
    void save(MasterStore& store, Operation& op, const EntryValues& listed, const EntryValues& fields)
    {
        op.check.start = Clock::now();
        const Presence seen = store.find_entry(trimmed(fields));
        op.check.end = Clock::now();
        op.seen = seen;
        if (seen == Presence::present) {
            op.outcome = Outcome::refused;
            return;
        }
        if (seen != Presence::absent) {
            op.outcome = outcome_of(seen);
            return;
        }
        op.write.start = Clock::now();
        const StoreOutcome written = store.write_entry(op.kind == Kind::change ? entry::change : entry::add,
                                                       listed, fields);
        op.write.end = Clock::now();
        record_.save_ms.push_back(std::chrono::duration<double, std::milli>(op.write.end - op.write.start).count());
        op.outcome = outcome_of(written);
        refresh(store);
    }

    void add(MasterStore& store, Operation& op)
    {
        op.kind = Kind::add;
        op.to = random_key();
        save(store, op, {}, typed(op.to));
    }

    void change(MasterStore& store, Operation& op)
    {
        op.kind = Kind::change;
        op.from = listed_[pick(int(listed_.size()))];
        do
            op.to = random_key();
        while (op.to == op.from);
        save(store, op, values_of(op.from), typed(op.to));
    }

    // The deletion: the existence check, then the DELETE in a transaction of
    // its own, which removes exactly the checked row or nothing.
    void remove(MasterStore& store, Operation& op)
    {
        op.kind = Kind::remove;
        op.from = listed_[pick(int(listed_.size()))];
        op.check.start = Clock::now();
        const Presence seen = store.find_entry(values_of(op.from));
        op.check.end = Clock::now();
        op.seen = seen;
        if (seen != Presence::present) {
            op.outcome = seen == Presence::absent ? Outcome::refused : outcome_of(seen);
            if (seen == Presence::absent)
                refresh(store);   // the operator looks again
            return;
        }
        op.write.start = Clock::now();
        const StoreOutcome deleted = store.delete_entry(values_of(op.from));
        op.write.end = Clock::now();
        op.outcome = outcome_of(deleted);
        refresh(store);
    }

    const int id_;
    const QString dsn_, user_;
    const Time deadline_;
    OperatorRecord& record_;
    std::mt19937 rng_;
    const QStringList keys_ = key_space();
    QStringList listed_;
    Database db_;
};

// --- judging one key ------------------------------------------------------------

// What the records say about one key. A put is a committed addition or change
// into the key; its insert succeeded under the primary key, so at its commit
// (somewhere inside its span) the key went from absent to present. A remove
// is a committed deletion or change away from the key; its DELETE, run after
// the span's start, may have found the row already gone, so it proves only
// that a row put before its start is gone by its end. A sighting is a check
// that saw the key present or absent at some instant inside its span.
class KeyHistory {
public:
    void put(Span s) { puts_.push_back(s); }
    void remove(Span s) { removes_.push_back(s); }
    void seen(Span s, bool present) { sightings_.push_back({s, present}); }

    // Every contradiction between the sightings and the committed writes.
    QStringList contradictions(const QString& key)
    {
        // Each put also saw the key absent just before its commit.
        for (const Span& p : puts_)
            sightings_.push_back({p, false});
        prepare();
        QStringList found;
        for (const auto& [s, present] : sightings_) {
            if (present) {
                // The row seen was put before the check ended ...
                const auto before = last_put_end_starting_before(s.end);
                if (!before) {
                    found << QStringLiteral("%1 present with no committed addition or change into it").arg(key);
                    continue;
                }
                // ... and no remove that began after that put had ended
                // was over before the check began.
                if (remove_between(*before, s.start))
                    found << QStringLiteral("%1 present after a committed deletion of it (deletion lost)").arg(key);
            } else {
                // A put over before the check began must have been undone by
                // a remove that ended after the put began and began before
                // the check ended.
                const auto before = last_put_start_ending_before(s.start);
                if (before && !remove_overlapping(*before, s.end))
                    found << QStringLiteral("%1 absent with no committed deletion after its addition (addition lost)")
                                 .arg(key);
            }
        }
        return found;
    }

private:
    void prepare()
    {
        std::sort(puts_.begin(), puts_.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
        std::sort(removes_.begin(), removes_.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
        by_end_ = puts_;
        std::sort(by_end_.begin(), by_end_.end(), [](const Span& a, const Span& b) { return a.end < b.end; });
        // Running maxima and minima for the questions below.
        put_max_end_.clear();
        for (const Span& p : puts_)
            put_max_end_.push_back(put_max_end_.empty() ? p.end : std::max(put_max_end_.back(), p.end));
        put_max_start_by_end_.clear();
        for (const Span& p : by_end_)
            put_max_start_by_end_.push_back(put_max_start_by_end_.empty() ? p.start
                                                                          : std::max(put_max_start_by_end_.back(), p.start));
        remove_max_end_.clear();
        for (const Span& r : removes_)
            remove_max_end_.push_back(remove_max_end_.empty() ? r.end : std::max(remove_max_end_.back(), r.end));
        remove_min_end_after_.assign(removes_.size(), Time::max());
        for (std::size_t i = removes_.size(); i-- > 0;)
            remove_min_end_after_[i] = std::min(removes_[i].end, i + 1 < removes_.size() ? remove_min_end_after_[i + 1] : Time::max());
    }

    // The latest end among puts that started before t.
    std::optional<Time> last_put_end_starting_before(Time t) const
    {
        const auto n = std::lower_bound(puts_.begin(), puts_.end(), t,
                                        [](const Span& p, Time v) { return p.start < v; }) - puts_.begin();
        return n == 0 ? std::nullopt : std::optional<Time>(put_max_end_[std::size_t(n - 1)]);
    }
    // The latest start among puts that ended before t.
    std::optional<Time> last_put_start_ending_before(Time t) const
    {
        const auto n = std::lower_bound(by_end_.begin(), by_end_.end(), t,
                                        [](const Span& p, Time v) { return p.end < v; }) - by_end_.begin();
        return n == 0 ? std::nullopt : std::optional<Time>(put_max_start_by_end_[std::size_t(n - 1)]);
    }
    // Whether a remove started after `after` and ended before `before`.
    bool remove_between(Time after, Time before) const
    {
        const auto i = std::upper_bound(removes_.begin(), removes_.end(), after,
                                        [](Time v, const Span& r) { return v < r.start; }) - removes_.begin();
        return std::size_t(i) < removes_.size() && remove_min_end_after_[std::size_t(i)] < before;
    }
    // Whether a remove ended after `after` and started before `before`.
    bool remove_overlapping(Time after, Time before) const
    {
        const auto n = std::lower_bound(removes_.begin(), removes_.end(), before,
                                        [](const Span& r, Time v) { return r.start < v; }) - removes_.begin();
        return n > 0 && remove_max_end_[std::size_t(n - 1)] > after;
    }

    std::vector<Span> puts_, removes_, by_end_;
    std::vector<std::pair<Span, bool>> sightings_;
    std::vector<Time> put_max_end_, put_max_start_by_end_, remove_max_end_, remove_min_end_after_;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// --- the run --------------------------------------------------------------------

TEST(Soak, ManyOperatorsAddingChangingAndDeletingSharedRowsLoseNothing)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "no PostgreSQL server configured (K4_PG_PORT)";
    const QString backend = QStringLiteral("postgresql");
    const QString dsn = sandbox.dsn(backend);
    const QString user = sandbox.user(backend);
    const int operators = env_int("K408020_SOAK_OPERATORS", 8);
    const int seconds = env_int("K408020_SOAK_SECONDS", 20);

    reset_schema(backend);
    // Half the key space to start with, so deletions and changes have rows.
    const QStringList keys = key_space();
    std::vector<MasterRow> initial;
    for (qsizetype i = 0; i < keys.size(); i += 2) {
        const EntryValues v = values_of(keys[i]);
        initial.push_back({v.partner_code, v.transfer_type, v.info_code});
    }
    set_master_rows(dsn, initial);

    FailureTally tally;
    std::vector<OperatorRecord> records(std::size_t(operators), OperatorRecord{});
    const Time began = Clock::now();
    const Time deadline = began + std::chrono::seconds(seconds);
    {
        std::vector<std::thread> threads;
        for (int i = 0; i < operators; ++i)
            threads.emplace_back([&, i] { Operator(i + 1, dsn, user, deadline, records[std::size_t(i)]).run(); });
        for (std::thread& t : threads)
            t.join();
    }
    const Time ended = Clock::now();
    const double elapsed = std::chrono::duration<double>(ended - began).count();

    // The table through a separate connection.
    const QStringList table = master_rows(dsn);
    EXPECT_EQ(sandbox.scalar(dsn, QStringLiteral(
                                      "SELECT COUNT(*) FROM (SELECT 1 FROM FL1914利用情報区分マスタ"
                                      " GROUP BY 相手先企業コード, 送受信種別, 情報区分コード"
                                      " HAVING COUNT(*) > 1) AS twice")),
              std::optional<QString>(QStringLiteral("0")));
    EXPECT_EQ(QSet<QString>(table.begin(), table.end()).size(), table.size()) << table.join(u' ').toStdString();

    // The records, key by key.
    std::map<QString, KeyHistory> history;
    for (const MasterRow& r : initial)
        history[r.partner + u'|' + r.type + u'|' + r.code].put({began, began});
    int total = 0, committed = 0, refused = 0, failed = 0, unreachable = 0, escaped = 0, left_open = 0;
    std::map<Kind, int> done_by_kind;
    std::vector<double> save_ms;
    QStringList per_operator;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const OperatorRecord& rec = records[i];
        EXPECT_TRUE(rec.opened) << "operator " << i + 1 << " could not connect: " << rec.open_error.toStdString();
        save_ms.insert(save_ms.end(), rec.save_ms.begin(), rec.save_ms.end());
        int own_done = 0;
        for (const Operation& op : rec.operations) {
            ++total;
            left_open += op.left_open;
            if (op.seen == Presence::present || op.seen == Presence::absent)
                history[op.kind == Kind::remove ? op.from : op.to].seen(op.check, op.seen == Presence::present);
            switch (op.outcome) {
            case Outcome::done:
                ++committed;
                ++own_done;
                ++done_by_kind[op.kind];
                if (op.kind != Kind::add)
                    history[op.from].remove(op.write);
                if (op.kind != Kind::remove)
                    history[op.to].put(op.write);
                break;
            case Outcome::refused: ++refused; break;
            case Outcome::failed: ++failed; break;
            case Outcome::unreachable: ++unreachable; break;
            case Outcome::escaped: ++escaped; break;
            }
        }
        per_operator << QStringLiteral("%1/%2").arg(own_done).arg(rec.operations.size());
    }
    // The table itself is the last sighting of every key.
    for (const QString& key : keys)
        history[key].seen({ended, ended}, table.contains(key));
    for (const QString& row : table)
        if (!keys.contains(row))
            history[row].seen({ended, ended}, true);

    QStringList contradictions;
    for (auto& [key, h] : history)
        contradictions << h.contradictions(key);
    EXPECT_TRUE(contradictions.isEmpty()) << contradictions.size() << " contradictions, the first: "
                                          << contradictions.mid(0, 10).join(u'\n').toStdString();

    // Refusals and failures all came through the store's own results.
    EXPECT_EQ(escaped, 0) << "exceptions came out of the store";
    EXPECT_EQ(left_open, 0) << "operations left a transaction open";
    EXPECT_EQ(unreachable, 0) << "the server was up all the time";
    // The soak did what it is for: every kind of write committed, with contention.
    EXPECT_GT(done_by_kind[Kind::add], 0);
    EXPECT_GT(done_by_kind[Kind::change], 0);
    EXPECT_GT(done_by_kind[Kind::remove], 0);
    EXPECT_GT(refused, 0);

    const double per_second = total / elapsed;
    const double committed_per_second = committed / elapsed;
    const double save_p50 = percentile(save_ms, 50);
    const double save_p99 = percentile(save_ms, 99);
    QStringList failures;
    for (const auto& [state, n] : tally.by_sqlstate())
        failures << QStringLiteral("%1 x%2").arg(state).arg(n);

    RecordProperty("operators", operators);
    RecordProperty("seconds", QString::number(elapsed, 'f', 1).toStdString());
    RecordProperty("operations", total);
    RecordProperty("committed", committed);
    RecordProperty("operations_per_second", QString::number(per_second, 'f', 1).toStdString());
    RecordProperty("committed_per_second", QString::number(committed_per_second, 'f', 1).toStdString());
    RecordProperty("save_p99_ms", QString::number(save_p99, 'f', 2).toStdString());
    std::printf("soak: %d operators, %.1f s, %d operations (%.1f/s), %d committed (%.1f/s: %d added, %d changed, "
                "%d deleted), %d refused by the checks, %d failed; %zu saves, p50 %.2f ms, p99 %.2f ms; "
                "final rows %lld; %s\n"
                "soak: committed/total per operator: %s\n"
                "soak: database failures logged by SQLSTATE: %s\n",
                operators, elapsed, total, per_second, committed, committed_per_second, done_by_kind[Kind::add],
                done_by_kind[Kind::change], done_by_kind[Kind::remove], refused, failed, save_ms.size(), save_p50,
                save_p99, static_cast<long long>(table.size()),
                contradictions.isEmpty() && escaped == 0 && left_open == 0 ? "invariants held" : "INVARIANTS BROKEN",
                qPrintable(per_operator.join(u' ')), qPrintable(failures.isEmpty() ? QStringLiteral("none") : failures.join(QStringLiteral(", "))));
    std::fflush(stdout);
}

}  // namespace
}  // namespace k4::test
