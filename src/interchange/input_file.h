// An interchange file open for reading a piece at a time, at any offset: the export reads its
// input by blocks, so its memory does not grow with the mesh. The seek and the size, which the
// standard streams cannot give for files of 2 GiB or more, differ by system
// (input_file_posix.cpp, input_file_windows.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace tolvane::interchange {

struct StreamCloser {
    void operator()(std::FILE *stream) const { std::fclose(stream); }
};

struct InputFile {
    std::unique_ptr<std::FILE, StreamCloser> stream;
    std::uint64_t size = 0;
};

// False when the file cannot be opened for reading, or is not a regular file.
bool open_input(const char *path, InputFile &file);

// The `length` bytes at `offset`. False when they do not all lie inside the file or cannot be
// read.
bool read_at(const InputFile &file, std::uint64_t offset, void *out, std::size_t length);

// The system's part: the size of the regular file open in `stream`, and a seek to any offset.
bool regular_file_size(std::FILE *stream, std::uint64_t &size);
bool seek_to(std::FILE *stream, std::uint64_t offset);

}  // namespace tolvane::interchange
