// Measuring in a child process: fork gives the measured step a fresh address space, and the
// child's own resource accounting gives its peak memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include <vector>

#include "bench_support.h"

namespace tolvane::bench {
namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

void settle_disk() {
    sync();
}

Measured measure_in_child(const std::function<int()> &body, int runs,
                          const std::function<void()> &before) {
    Measured overall;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        std::array<int, 2> pipe_ends{};
        if (pipe(pipe_ends.data()) != 0) throw std::runtime_error("pipe failed");
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child < 0) throw std::runtime_error("fork failed");
        if (child == 0) {
            close(pipe_ends[0]);
            if (before) before();
            struct rusage usage_before {};
            getrusage(RUSAGE_SELF, &usage_before);
            const auto start = std::chrono::steady_clock::now();
            const int code = body();
            const double seconds = seconds_since(start);
            const long before_kib = usage_before.ru_maxrss;
            const ssize_t written1 = write(pipe_ends[1], &seconds, sizeof seconds);
            const ssize_t written2 = write(pipe_ends[1], &before_kib, sizeof before_kib);
            _exit(written1 == sizeof seconds && written2 == sizeof before_kib ? code : 99);
        }
        close(pipe_ends[1]);
        double seconds = 0;
        long before_kib = 0;
        const bool got = read(pipe_ends[0], &seconds, sizeof seconds) == sizeof seconds &&
                         read(pipe_ends[0], &before_kib, sizeof before_kib) == sizeof before_kib;
        close(pipe_ends[0]);
        int status = 0;
        struct rusage usage {};
        wait4(child, &status, 0, &usage);
        Measured m;
        m.exit_code = WIFEXITED(status) && got ? WEXITSTATUS(status) : -1;
        m.seconds = seconds;
        const long added_kib = std::max(0L, usage.ru_maxrss - before_kib);
        m.peak_bytes = static_cast<std::uint64_t>(added_kib) * 1024;
        if (m.exit_code != 0) return m;
        times.push_back(m.seconds);
        overall.peak_bytes = std::max(overall.peak_bytes, m.peak_bytes);
    }
    overall.seconds = median(times);
    return overall;
}

}  // namespace tolvane::bench
