#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support/child_process.h"

namespace tolvane::test {
namespace {

int run_limited(int resource, std::uint64_t limit, const std::function<int()> &body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit bound = {static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        if (setrlimit(resource, &bound) != 0) _exit(125);
        const int code = body();
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool can_run_in_child() { return true; }

int run_with_file_size_limit(std::uint64_t max_file_bytes, const std::function<int()> &body) {
    return run_limited(RLIMIT_FSIZE, max_file_bytes, body);
}

int run_with_memory_limit(std::uint64_t max_bytes, const std::function<int()> &body) {
    return run_limited(RLIMIT_AS, max_bytes, body);
}

}  // namespace tolvane::test
