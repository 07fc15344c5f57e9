// The size of a file already open for reading, in 64 bits: the one thing the reader needs that
// the standard streams cannot say for files of 2 GiB or more (file_size_reader_posix.cpp,
// file_size_reader_windows.cpp).
#pragma once

#include <cstdint>
#include <cstdio>

namespace tolvane::interchange {

// False when the size cannot be had, or the stream is not a regular file.
bool open_file_size(std::FILE *stream, std::uint64_t &size);

}  // namespace tolvane::interchange
