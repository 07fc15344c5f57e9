// Where the reader's bytes come from: a file read in blocks, or bytes in memory that the caller
// keeps alive. The bytes not consumed yet are [cur, end).
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

    // Reads a block after the unconsumed bytes, which move to just before the place every block
    // is read to (the room there grows when they outgrow it): a token or record in the window
    // stays whole. Pointers into the old window are then stale. False, the window's bytes
    // unchanged, at the end of the input or on a read error (see read_failed()).
    bool refill();
    // At least `size` bytes in the window; false when the input ends first.
    bool fill(std::size_t size) {
        while (static_cast<std::size_t>(end - cur) < size) {
            if (!refill()) return false;
        }
        return true;
    }
    // Copies the next `size` bytes to `out`; false when the input ends first.
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
    // Blocks are read to read_at_, a page boundary with headroom_ bytes of the buffer before it:
    // the system copies into an unaligned place at a fraction of the speed.
    static constexpr std::size_t kPage = 4096;
    LargeMemory buffer_;
    unsigned char *read_at_ = nullptr;
    std::size_t headroom_ = 0;
    bool read_failed_ = false;
};

}  // namespace plylib
