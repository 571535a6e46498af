// Many operators at once on the server database. Each operator has a
// connection of its own on a thread of its own and works as the screen does,
// through the store: the duplicate check and the save for an addition or a
// change, the existence check and then the deletion in a transaction of its
// own. They add, change and delete rows of one small shared key space at
// random for a fixed time (K408020_SOAK_SECONDS, 20 by default;
// K408020_SOAK_OPERATORS, 8 by default).
//
// Besides the random mix they meet on purpose: every few milliseconds a round
// begins on one of the hot rows (partner C00001). Everyone who joins a round
// changes or deletes that same row, runs the check at the round's start and
// writes at one shared instant a little later, as if all of them answered the
// question at once. On PostgreSQL the second DELETE waits for the first
// commit and then removes nothing: one operator's write is done, the others
// are told the row is no longer there (Outcome::absent).
//
// Every operator keeps a record of what it did and what each step came to,
// with the times around it. At the end the table, read by a separate
// connection, has to agree with the records:
//  - no key twice;
//  - every row present was put there by a committed addition or change (or
//    was there at the start);
//  - no committed addition or change is lost and no committed deletion is
//    undone, judged at every check an operator saw and at the end;
//  - a committed change or deletion removed its row while it was there, and
//    no committed removal took a row another had already removed: two of
//    them on one key need a committed addition or change into it between;
//  - an operator told "no longer there" was told so while the row was gone;
//  - the row count is what the committed operations add up to.
// Commits of different operators overlap in time, so the judgement uses only
// what the intervals prove (see KeyHistory): it cannot raise a false alarm
// from timing, and it still fails when a committed write goes missing or a
// removal is counted that did not happen.
#include "LogLines.h"
#include "ProgramHarness.h"

#include "db/Database.h"
#include "store/DbMasterStore.h"
#include "store/Statements.h"

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
// existence check did not find the row; absent: the store found the listed
// row no longer there and wrote nothing; failed / unreachable: the store's
// failure path; escaped: an exception came out of the store.
enum class Told { done, refused, absent, failed, unreachable, escaped };
// What the duplicate or existence check came to.
enum class Presence { absent, present, failed, unreachable };

struct Span {
    Time start, end;
};

struct Operation {
    Kind kind = Kind::add;
    QString from;                 // change: the listed row; remove: the row
    QString to;                   // add, change: the new row
    Told outcome = Told::failed;
    std::optional<Presence> seen; // what the check said
    Span check{};                 // the duplicate or existence check
    Span write{};                 // add, change: write_entry; remove: delete_entry
    bool in_round = false;        // met others on the same row (see Rounds)
    bool left_open = false;       // a transaction still open after the operation
};

struct OperatorRecord {
    bool opened = false;
    QString open_error;
    std::vector<Operation> operations;
    std::vector<double> save_ms;  // every write_entry, whatever it came to
};

// --- meeting on purpose ----------------------------------------------------------

// The rows operators meet on: partner C00001's twelve keys.
QStringList hot_keys()
{
    return key_space().mid(0, 12);
}

// Rounds of the same length follow each other from the start of the run. An
// operator joining a round waits for its start, checks, and writes at its
// answer instant; everyone in the round picks the same row, the first hot
// row its list shows counting from the round's number. The waits are bounded
// by the round's length.
struct Rounds {
    static constexpr auto length = std::chrono::milliseconds(10);
    static constexpr auto answer_after = std::chrono::milliseconds(5);
    static constexpr int join_percent = 20;

    Time origin;

    // The next round to begin after `now`.
    long long next(Time now) const { return (now - origin) / length + 1; }
    Time opens(long long round) const { return origin + round * length; }
};

// --- one operator -------------------------------------------------------------

class Operator {
public:
    Operator(int id, QString dsn, QString user, Time deadline, Rounds rounds, OperatorRecord& record)
        : id_(id), dsn_(std::move(dsn)), user_(std::move(user)), deadline_(deadline), rounds_(rounds),
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
        DbMasterStore store(db_);
        refresh(store);
        while (Clock::now() < deadline_) {
            Operation op;
            try {
                const bool joins = pick(100) < Rounds::join_percent;
                const int roll = pick(100);
                if (joins)
                    meet(store, op);
                else if (listed_.isEmpty() || roll < 40)
                    add(store, op);
                else if (roll < 70)
                    change(store, op);
                else
                    remove(store, op);
            } catch (...) {
                op.outcome = Told::escaped;
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
        const Result<ListedRows> list = store.full_list();
        if (!list.done())
            return;   // the grid keeps what it showed
        QStringList rows;
        for (int r = 1; r <= list.value.count(); ++r)
            rows << key_of(list.value.stored(r));
        listed_ = rows;
    }

    static Told outcome_of(k4::Outcome s)
    {
        switch (s) {
        case k4::Outcome::done: return Told::done;
        case k4::Outcome::refused: return Told::refused;
        case k4::Outcome::absent: return Told::absent;
        case k4::Outcome::failed: return Told::failed;
        case k4::Outcome::unreachable: return Told::unreachable;
        }
        return Told::failed;
    }
    static Presence presence_of(const Result<bool>& found)
    {
        if (found.done())
            return found.value ? Presence::present : Presence::absent;
        return found.outcome == k4::Outcome::unreachable ? Presence::unreachable : Presence::failed;
    }
    static Told outcome_of(Presence p)
    {
        return p == Presence::unreachable ? Told::unreachable : Told::failed;
    }

    // The duplicate check of the new values, then the save; in a round, the
    // save waits for the round's answer instant.
    void save(MasterStore& store, Operation& op, const EntryValues& listed, const EntryValues& fields,
              std::optional<Time> answer_at = std::nullopt)
    {
        op.check.start = Clock::now();
        const Presence seen = presence_of(store.find_entry(trimmed(fields)));
        op.check.end = Clock::now();
        op.seen = seen;
        if (seen == Presence::present) {
            op.outcome = Told::refused;
            return;
        }
        if (seen != Presence::absent) {
            op.outcome = outcome_of(seen);
            return;
        }
        if (answer_at)
            std::this_thread::sleep_until(*answer_at);
        op.write.start = Clock::now();
        const k4::Outcome written = store.write_entry(
            op.kind == Kind::change ? EntryKind::change : EntryKind::add, listed, trimmed(fields));
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
        delete_checked(store, op);
    }

    void delete_checked(MasterStore& store, Operation& op, std::optional<Time> answer_at = std::nullopt)
    {
        op.check.start = Clock::now();
        const Presence seen = presence_of(store.find_entry(values_of(op.from)));
        op.check.end = Clock::now();
        op.seen = seen;
        if (seen != Presence::present) {
            op.outcome = seen == Presence::absent ? Told::refused : outcome_of(seen);
            if (seen == Presence::absent)
                refresh(store);   // the operator looks again
            return;
        }
        if (answer_at)
            std::this_thread::sleep_until(*answer_at);
        op.write.start = Clock::now();
        const k4::Outcome deleted = store.delete_entry(values_of(op.from));
        op.write.end = Clock::now();
        op.outcome = outcome_of(deleted);
        refresh(store);
    }

    // A round: the round's row, changed or deleted at its answer instant.
    // With no hot row listed the operator adds one instead.
    void meet(MasterStore& store, Operation& op)
    {
        const long long round = rounds_.next(Clock::now());
        const auto first = std::size_t(round) % std::size_t(hot_.size());
        QString row;
        for (std::size_t i = 0; i < std::size_t(hot_.size()) && row.isEmpty(); ++i) {
            const QString& key = hot_[qsizetype((first + i) % std::size_t(hot_.size()))];
            if (listed_.contains(key))
                row = key;
        }
        if (row.isEmpty()) {
            op.kind = Kind::add;
            op.to = hot_[pick(int(hot_.size()))];
            save(store, op, {}, typed(op.to));
            return;
        }
        op.in_round = true;
        op.from = row;
        const Time answer_at = rounds_.opens(round) + Rounds::answer_after;
        std::this_thread::sleep_until(rounds_.opens(round));
        if (pick(2) == 0) {
            op.kind = Kind::change;
            do
                op.to = random_key();
            while (op.to == op.from);
            save(store, op, values_of(op.from), typed(op.to), answer_at);
        } else {
            op.kind = Kind::remove;
            delete_checked(store, op, answer_at);
        }
    }

    const int id_;
    const QString dsn_, user_;
    const Time deadline_;
    const Rounds rounds_;
    OperatorRecord& record_;
    std::mt19937 rng_;
    const QStringList keys_ = key_space();
    const QStringList hot_ = hot_keys();
    QStringList listed_;
    Database db_;
};

// --- judging one key ------------------------------------------------------------

// What the records say about one key. A put is a committed addition or change
// into the key; its insert succeeded under the primary key, so at its commit
// (somewhere inside its span) the key went from absent to present. A remove
// is a committed deletion or change away from the key; its DELETE removed
// exactly one row, so the key was present when the DELETE found it and went
// from present to absent at the commit, both inside the span. A sighting is a
// check that saw the key present or absent at some instant inside its span;
// a write told "no longer there" saw it absent inside the write's span.
class KeyHistory {
public:
    void put(Span s) { puts_.push_back(s); }
    void remove(Span s) { removes_.push_back(s); }
    // `by`: who saw it, for the report.
    void seen(Span s, bool present, const char* by) { sightings_.push_back({s, present, by}); }

    // Every contradiction between the sightings and the committed writes.
    QStringList contradictions(const QString& key)
    {
        // Each put also saw the key absent just before its commit, each
        // remove saw it present.
        for (const Span& p : puts_)
            sightings_.push_back({p, false, "a committed addition or change"});
        for (const Span& r : removes_)
            sightings_.push_back({r, true, "a committed change or deletion"});
        prepare();
        QStringList found = removed_twice(key);
        for (const auto& [s, present, by] : sightings_) {
            if (present) {
                // The row seen was put before the check ended ...
                const auto before = last_put_end_starting_before(s.end);
                if (!before) {
                    found << QStringLiteral("%1 present with no committed addition or change into it (seen by %2)")
                                 .arg(key, QLatin1String(by));
                    continue;
                }
                // ... and no remove that began after that put had ended
                // was over before the check began.
                if (remove_between(*before, s.start))
                    found << QStringLiteral("%1 present after a committed deletion of it (deletion lost; seen by %2)")
                                 .arg(key, QLatin1String(by));
            } else {
                // A put over before the check began must have been undone by
                // a remove that ended after the put began and began before
                // the check ended.
                const auto before = last_put_start_ending_before(s.start);
                if (before && !remove_overlapping(*before, s.end))
                    found << QStringLiteral("%1 absent with no committed deletion after its addition (addition lost;"
                                            " seen by %2)")
                                 .arg(key, QLatin1String(by));
            }
        }
        return found;
    }

private:
    // Two removes A and B of the key need a put whose commit can lie between
    // theirs, in whichever order they came. A before B can hold a put P when
    // A.start < P.end and P.start < B.end; with g(A) the earliest start among
    // puts that end after A starts, and G(A) = max(A.start, g(A)), the order
    // A before B is impossible or has no put between exactly when
    // B.end <= G(A). Both orders fail when B.end <= G(A) and A.end <= G(B).
    QStringList removed_twice(const QString& key) const
    {
        const std::size_t n = removes_.size();
        std::vector<Time> reach(n);   // G of each remove, in the order of removes_
        for (std::size_t i = 0; i < n; ++i) {
            const auto after = std::upper_bound(by_end_.begin(), by_end_.end(), removes_[i].start,
                                                [](Time v, const Span& p) { return v < p.end; }) - by_end_.begin();
            const Time g = std::size_t(after) < by_end_.size() ? put_min_start_from_end_[std::size_t(after)] : Time::max();
            reach[i] = std::max(removes_[i].start, g);
        }
        // The removes by end, with the two largest G among each prefix.
        std::vector<std::size_t> order(n);
        for (std::size_t i = 0; i < n; ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return removes_[a].end < removes_[b].end; });
        std::vector<std::size_t> best(n), second(n, n);
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = order[k];
            best[k] = k == 0 ? i : best[k - 1];
            second[k] = k == 0 ? n : second[k - 1];
            if (k > 0 && reach[i] > reach[best[k]]) {
                second[k] = best[k];
                best[k] = i;
            } else if (k > 0 && (second[k] == n || reach[i] > reach[second[k]])) {
                second[k] = i;
            }
        }
        QStringList found;
        for (std::size_t a = 0; a < n; ++a) {
            // The removes B with B.end <= G(A) are a prefix of `order`.
            const auto upto = std::upper_bound(order.begin(), order.end(), reach[a],
                                               [&](Time v, std::size_t b) { return v < removes_[b].end; }) - order.begin();
            if (upto == 0)
                continue;
            const std::size_t k = std::size_t(upto - 1);
            const std::size_t b = best[k] != a ? best[k] : second[k];
            if (b != n && removes_[a].end <= reach[b])
                found << QStringLiteral("%1 removed by a committed deletion or change after another had removed it,"
                                        " with no committed addition or change into it between (removal counted twice)")
                             .arg(key);
        }
        return found;
    }

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
        put_min_start_from_end_.assign(by_end_.size(), Time::max());
        for (std::size_t i = by_end_.size(); i-- > 0;)
            put_min_start_from_end_[i] = std::min(by_end_[i].start, i + 1 < by_end_.size() ? put_min_start_from_end_[i + 1] : Time::max());
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
    struct Sighting {
        Span span;
        bool present;
        const char* by;
    };
    std::vector<Sighting> sightings_;
    std::vector<Time> put_max_end_, put_max_start_by_end_, put_min_start_from_end_, remove_max_end_,
        remove_min_end_after_;
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

    LogLines log({.category = "k4.db"});   // the store's failure logs, tallied by SQLSTATE at the end
    std::vector<OperatorRecord> records(std::size_t(operators), OperatorRecord{});
    const Time began = Clock::now();
    const Time deadline = began + std::chrono::seconds(seconds);
    const Rounds rounds{began};
    {
        std::vector<std::thread> threads;
        for (int i = 0; i < operators; ++i)
            threads.emplace_back([&, i] { Operator(i + 1, dsn, user, deadline, rounds, records[std::size_t(i)]).run(); });
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
    int total = 0, committed = 0, refused = 0, absent = 0, failed = 0, unreachable = 0, escaped = 0, left_open = 0;
    int in_rounds = 0, absent_in_rounds = 0;
    std::map<Kind, int> done_by_kind, absent_by_kind;
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
            in_rounds += op.in_round;
            if (op.seen == Presence::present || op.seen == Presence::absent)
                history[op.kind == Kind::remove ? op.from : op.to].seen(op.check, op.seen == Presence::present,
                                                                         "a check");
            switch (op.outcome) {
            case Told::done:
                ++committed;
                ++own_done;
                ++done_by_kind[op.kind];
                if (op.kind != Kind::add)
                    history[op.from].remove(op.write);
                if (op.kind != Kind::remove)
                    history[op.to].put(op.write);
                break;
            case Told::refused: ++refused; break;
            case Told::absent:
                // The DELETE of the listed row found nothing inside the write.
                ++absent;
                ++absent_by_kind[op.kind];
                absent_in_rounds += op.in_round;
                history[op.from].seen(op.write, false, "a write told it was no longer there");
                break;
            case Told::failed: ++failed; break;
            case Told::unreachable: ++unreachable; break;
            case Told::escaped: ++escaped; break;
            }
        }
        per_operator << QStringLiteral("%1/%2").arg(own_done).arg(rec.operations.size());
    }
    // The table itself is the last sighting of every key.
    for (const QString& key : keys)
        history[key].seen({ended, ended}, table.contains(key), "the table at the end");
    for (const QString& row : table)
        if (!keys.contains(row))
            history[row].seen({ended, ended}, true, "the table at the end");

    QStringList contradictions;
    for (auto& [key, h] : history)
        contradictions << h.contradictions(key);
    // How many of each kind (the text after the key), and the first few.
    std::map<QString, int> by_kind;
    for (const QString& c : contradictions)
        ++by_kind[c.mid(c.indexOf(u' ') + 1)];
    QStringList kinds;
    for (const auto& [kind, n] : by_kind)
        kinds << QStringLiteral("%1 x %2").arg(n).arg(kind);
    EXPECT_TRUE(contradictions.isEmpty()) << contradictions.size() << " contradictions:\n"
                                          << kinds.join(u'\n').toStdString() << "\nthe first:\n"
                                          << contradictions.mid(0, 10).join(u'\n').toStdString();

    // The ledger: a committed addition adds a row, a committed deletion takes
    // one away, a committed change keeps the count.
    const long long ledger = static_cast<long long>(initial.size()) + done_by_kind[Kind::add] - done_by_kind[Kind::remove];
    EXPECT_EQ(static_cast<long long>(table.size()), ledger)
        << "the table's rows differ from what the committed operations add up to (" << initial.size() << " + "
        << done_by_kind[Kind::add] << " added - " << done_by_kind[Kind::remove] << " deleted)";

    // Refusals and failures all came through the store's own results.
    EXPECT_EQ(escaped, 0) << "exceptions came out of the store";
    EXPECT_EQ(left_open, 0) << "operations left a transaction open";
    EXPECT_EQ(unreachable, 0) << "the server was up all the time";
    // The soak did what it is for: every kind of write committed, with contention.
    EXPECT_GT(done_by_kind[Kind::add], 0);
    EXPECT_GT(done_by_kind[Kind::change], 0);
    EXPECT_GT(done_by_kind[Kind::remove], 0);
    EXPECT_GT(refused, 0);
    // Operators met on one row: some of them were told it was no longer there.
    EXPECT_GT(in_rounds, 0);
    EXPECT_GT(absent, 0);

    const double per_second = total / elapsed;
    const double committed_per_second = committed / elapsed;
    const double save_p50 = percentile(save_ms, 50);
    const double save_p99 = percentile(save_ms, 99);
    QStringList failures;
    std::map<QString, int> by_sqlstate;
    for (const QString& line : log.warnings()) {
        // The database's own failures; a row found no longer there is counted
        // with the outcomes.
        if (const qsizetype at = line.indexOf(QLatin1String("SQLSTATE ")); at >= 0)
            ++by_sqlstate[line.mid(at + 9, 5)];
    }
    for (const auto& [state, n] : by_sqlstate)
        failures << QStringLiteral("%1 x%2").arg(state).arg(n);

    RecordProperty("operators", operators);
    RecordProperty("seconds", QString::number(elapsed, 'f', 1).toStdString());
    RecordProperty("operations", total);
    RecordProperty("committed", committed);
    RecordProperty("operations_per_second", QString::number(per_second, 'f', 1).toStdString());
    RecordProperty("committed_per_second", QString::number(committed_per_second, 'f', 1).toStdString());
    RecordProperty("save_p99_ms", QString::number(save_p99, 'f', 2).toStdString());
    RecordProperty("refused_no_longer_there", absent);
    const bool held = contradictions.isEmpty() && escaped == 0 && left_open == 0 && table.size() == ledger;
    std::printf("soak: %d operators, %.1f s, %d operations (%.1f/s), %d committed (%.1f/s: %d added, %d changed, "
                "%d deleted), %d refused by the checks, %d refused as no longer there (%d changes, %d deletions; "
                "%d of them among the %d operations in rounds), %d failed; %zu saves, p50 %.2f ms, p99 %.2f ms; "
                "final rows %lld (ledger %lld); %s\n"
                "soak: committed/total per operator: %s\n"
                "soak: database failures logged by SQLSTATE: %s\n",
                operators, elapsed, total, per_second, committed, committed_per_second, done_by_kind[Kind::add],
                done_by_kind[Kind::change], done_by_kind[Kind::remove], refused, absent, absent_by_kind[Kind::change],
                absent_by_kind[Kind::remove], absent_in_rounds, in_rounds, failed, save_ms.size(), save_p50,
                save_p99, static_cast<long long>(table.size()), ledger, held ? "invariants held" : "INVARIANTS BROKEN",
                qPrintable(per_operator.join(u' ')), qPrintable(failures.isEmpty() ? QStringLiteral("none") : failures.join(QStringLiteral(", "))));
    std::fflush(stdout);
}

}  // namespace
}  // namespace k4::test
