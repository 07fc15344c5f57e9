// Windows cannot fork, so each measured run goes in this process. Its peak memory is taken by a
// watcher thread that samples the process's working set every millisecond while the run lasts
// (the process-wide peak that Windows keeps cannot be reset between runs); the conversions hold
// their large buffers for far longer than a millisecond, so the sampled peak is theirs. It is
// counted from the working set before the first measured run: the runtime's heap may keep
// memory an earlier run freed, and a later run that reuses it would not show it if counted from
// just before that run.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <vector>

#include "bench_support.h"

namespace tolvane::bench {
namespace {

std::uint64_t working_set_bytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.WorkingSetSize;
}

}  // namespace

// Windows lets no unprivileged process flush a whole disk; the runtime's own buffers are what
// this process can settle. scripts/bench flushes the system's before each benchmark program.
void settle_disk() {
    _flushall();
}

Measured measure_in_child(const std::function<int()> &body, int runs,
                          const std::function<void()> &before) {
    static const std::uint64_t before_any_run = working_set_bytes();
    Measured overall;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (before) before();
        std::fflush(nullptr);
        const std::uint64_t base = std::min(before_any_run, working_set_bytes());
        std::atomic<bool> done{false};
        std::atomic<std::uint64_t> highest{base};
        const auto note = [&] {
            const std::uint64_t now = working_set_bytes();
            std::uint64_t seen = highest.load();
            while (now > seen && !highest.compare_exchange_weak(seen, now)) {
            }
        };
        std::thread watcher([&] {
            while (!done.load()) {
                note();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        const auto start = std::chrono::steady_clock::now();
        const int code = body();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        note();
        done.store(true);
        watcher.join();

        Measured m;
        m.exit_code = code;
        m.seconds = seconds;
        m.peak_bytes = highest.load() - base;
        if (m.exit_code != 0) return m;
        times.push_back(m.seconds);
        overall.peak_bytes = std::max(overall.peak_bytes, m.peak_bytes);
    }
    overall.seconds = median(times);
    return overall;
}

}  // namespace tolvane::bench
