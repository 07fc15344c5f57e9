// Where the reader's bytes come from: a file read in blocks of 1 MiB, or bytes in memory that
// the caller keeps alive. The bytes not consumed yet are [cur, end); refill() brings the next
// block once they are all consumed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plylib/file_open.h"
#include "plylib/large_memory.h"

namespace plylib {

class ByteSource {
  public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

    // The whole input is one block.
    ByteSource(const void *data, std::size_t size);
    // Reads the file in blocks.
    explicit ByteSource(FileHandle file);
    ByteSource(const ByteSource &) = delete;
    ByteSource &operator=(const ByteSource &) = delete;

    const unsigned char *cur = nullptr;
    const unsigned char *end = nullptr;

    // Replaces the consumed block by the next one. False at the end of the input or on a read
    // error (see read_failed()); the window is then empty.
    bool refill();
    // Copies the next `size` bytes to `out`, across blocks; false when the input ends first.
    bool read(void *out, std::size_t size);
    bool read_failed() const { return read_failed_; }
    // The bytes not consumed yet, as far as known: the file's size less what was consumed
    // (0 when the size cannot be had).
    std::uint64_t remaining() const;
    // Closes the file, if any; false when closing failed.
    bool close();

  private:
    FileHandle file_;
    std::uint64_t file_size_ = 0;
    std::uint64_t read_so_far_ = 0;  // from the file, up to `end`
    LargeMemory block_;
    bool read_failed_ = false;
};

}  // namespace plylib
