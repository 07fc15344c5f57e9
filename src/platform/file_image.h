// A whole file's bytes seen in place: the system's own cached pages of the file, mapped read-only
// into the process, instead of a copy read into fresh memory. Touching fresh memory for the first
// time costs more than reading the file does; pages the system already holds cost only their
// mapping. Used only where a failing read cannot bring the process down (file_image_windows.cpp,
// file_image_posix.cpp): otherwise the caller reads the file as usual.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace tolvane::platform {

struct FileImageRelease {
    void operator()(const unsigned char *bytes) const noexcept;
};
using FileImage = std::unique_ptr<const unsigned char[], FileImageRelease>;

// The `size` bytes of the regular file open in `stream`, or null where the file had better be
// read. The image stays valid after the stream is closed, until it is released; while it lives,
// the file cannot be replaced or cut short.
FileImage map_whole_file(std::FILE *stream, std::uint64_t size) noexcept;

}  // namespace tolvane::platform
