// An output file that is written beside its target and only takes the target's place once every
// byte is written and closed. Until then, and on every failure, the target stays as it was.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/large_memory.h"

namespace tolvane {

struct SafeOutput {
    std::FILE *stream = nullptr;
    std::string temp_path;
    std::string target;
    platform::LargeMemory buffer;  // not cleared: only the bytes written to it are read
    std::size_t buffered = 0;
    bool failed = false;  // the first write error, kept until commit

    SafeOutput() = default;
    SafeOutput(const SafeOutput &) = delete;
    SafeOutput &operator=(const SafeOutput &) = delete;
    ~SafeOutput();
};

// False when the target cannot be written: its folder is missing, it is a folder, it is
// read-only. Nothing is created then.
bool open_output(SafeOutput &output, const char *target);

void write_output(SafeOutput &output, const void *data, std::size_t size);

// Where the next byte written will go, for a later patch_output() (a header whose values are
// known only once what follows it is written). False once the output has failed.
bool output_position(SafeOutput &output, std::fpos_t *position);
// Writes `size` bytes over those at `position`, then goes on writing at the end.
void patch_output(SafeOutput &output, const std::fpos_t &position, const void *data,
                  std::size_t size);

// Flushes, closes and moves the file over the target. False when any write, the close or the
// move failed: the target is then as it was before, and the new file is gone.
bool commit_output(SafeOutput &output);

// Drops the new file; the target stays as it was.
void discard_output(SafeOutput &output);

}  // namespace tolvane
