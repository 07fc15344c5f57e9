#include "plylib/byte_sink.h"

#include <algorithm>
#include <cstring>

namespace plylib {

ByteSink::ByteSink(p_ply_sink_write write, void *context)
    : write_(write), context_(context), buffer_(allocate_large_or_throw(kBlockSize)) {}

void ByteSink::append(const void *data, std::size_t size) {
    const auto *bytes = static_cast<const unsigned char *>(data);
    while (size > 0) {
        if (used_ == kBlockSize) flush();
        const std::size_t take = std::min(size, kBlockSize - used_);
        std::memcpy(buffer_.get() + used_, bytes, take);
        used_ += take;
        bytes += take;
        size -= take;
    }
}

bool ByteSink::flush() {
    if (used_ > 0 && !failed_ && write_(context_, buffer_.get(), used_) == 0) failed_ = true;
    used_ = 0;
    return !failed_;
}

}  // namespace plylib
