#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "support/process_memory.h"

namespace tolvane::test {

std::uint64_t peak_memory_during(const std::function<void()> &body) {
    std::atomic<bool> done{false};
    std::uint64_t peak = process_memory_bytes();
    std::thread sampler([&] {
        while (!done.load()) {
            peak = std::max(peak, process_memory_bytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    body();
    done = true;
    sampler.join();
    return std::max(peak, process_memory_bytes());
}

}  // namespace tolvane::test
