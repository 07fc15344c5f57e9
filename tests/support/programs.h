// Running programs from tests: the stand-in host beside the test executable, and others on PATH.
#pragma once

#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace tolvane::test {

bool windows_build();

// Runs `command` through the system's shell; its standard output and error land in `output`.
int run_command(const std::string &command, const std::filesystem::path &output_file,
                std::string &output);

// The full path of `program` when it is found on PATH, else empty.
std::filesystem::path find_on_path(const std::string &program);

// The stand-in host beside the test executable; empty when it is not there.
std::filesystem::path stand_in_host();

struct HostRun {
    int status = -1;   // as the shell reports it: exit status 1 is 256 on POSIX, 1 on Windows
    std::string text;  // standard output and error
    bool succeeded() const { return status == 0; }
    bool refused() const { return status == 1 || status == 256; }
};

// `tolvane ARGUMENTS`, its output kept in `folder`.
HostRun run_stand_in_host(const ScratchFolder &folder, const std::string &arguments);

}  // namespace tolvane::test
