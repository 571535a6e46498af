#pragma once
// Runs a program as a child process and reports its wall time and its peak
// resident memory as /usr/bin/time measures it (the maximum resident set
// size, "%M"). The figure is taken through /usr/bin/time rather than from
// this process's own wait4: a child started from a large process inherits
// that process's high-water mark on Linux, while /usr/bin/time is small.

#include <string>
#include <utility>
#include <vector>

namespace k4::bench {

struct ChildResult {
    int exit_status = -1;     // -1 when it did not exit normally
    double seconds = 0;
    long peak_rss_kib = 0;
};

// `arguments[0]` is the program's path. The child inherits the environment
// with `extra_environment` added (replacing variables of the same name); its
// standard output and error go to /dev/null. Throws std::runtime_error when
// the program or /usr/bin/time cannot be started.
ChildResult run_child(const std::vector<std::string>& arguments,
                      const std::vector<std::pair<std::string, std::string>>& extra_environment);

}  // namespace k4::bench
