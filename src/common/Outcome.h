#pragma once
// The one vocabulary in which the layers below the screen say what an
// operation came to: an outcome, and with it a value when there is one. No
// exception passes these layers' public functions; each outcome that is not
// `done` has been logged where it arose.

#include <utility>

namespace k4 {

enum class Outcome {
    done,
    refused,     // refused before anything was tried (a value that may not be written)
    absent,      // the row or value asked for is not there (for a change or a
                 // deletion: no longer as listed; rolled back, nothing written)
    failed,      // the database or the file refused it; rolled back, logged
    unreachable  // the database cannot be reached, even after connecting again;
                 // after a commit whose answer was lost, whether it took effect
                 // is unknown (logged with the values)
};

// An outcome and the value that comes with it; the value is meaningful only
// when the outcome is `done` (and default-constructed otherwise).
template <class T>
struct [[nodiscard]] Result {
    Outcome outcome = Outcome::failed;
    T value{};

    bool done() const { return outcome == Outcome::done; }

    static Result of(T value) { return {Outcome::done, std::move(value)}; }
    static Result fail(Outcome outcome) { return {outcome, T{}}; }
};

}  // namespace k4
