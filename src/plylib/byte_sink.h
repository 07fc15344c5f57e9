// Where the writer's bytes go: a buffer handed in blocks to a write callback. The first failure
// of the callback is kept; after it nothing more is handed on.
#pragma once

#include <cstddef>

#include "plylib/large_memory.h"
#include "plylib/rply.h"

namespace plylib {

class ByteSink {
  public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

    // Throws std::bad_alloc when there is no memory for the block.
    ByteSink(p_ply_sink_write write, void *context);
    ByteSink(const ByteSink &) = delete;
    ByteSink &operator=(const ByteSink &) = delete;

    // Room for `size` (at most kBlockSize) bytes at the returned pointer; commit() then says how
    // far they were filled.
    unsigned char *reserve(std::size_t size) {
        if (kBlockSize - used_ < size) flush();
        return buffer_.get() + used_;
    }
    void commit(unsigned char *filled_to) {
        used_ = static_cast<std::size_t>(filled_to - buffer_.get());
    }
    // Overwrites the last byte committed, which a flush can only hand on at the next reserve().
    void replace_last(unsigned char byte) {
        if (used_ > 0) buffer_.get()[used_ - 1] = byte;
    }
    void append(const void *data, std::size_t size);
    // Hands what is buffered to the callback; false once any hand-over failed.
    bool flush();
    bool failed() const { return failed_; }

  private:
    p_ply_sink_write write_;
    void *context_;
    LargeMemory buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

}  // namespace plylib
