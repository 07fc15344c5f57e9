#include "plylib/byte_source.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace plylib {

ByteSource::ByteSource(const void *data, std::size_t size) {
    cur = static_cast<const unsigned char *>(data);
    end = size == 0 ? cur : cur + size;
}

ByteSource::ByteSource(FileHandle file) : file_(std::move(file)) {
    file_size_ = file_size_or_zero(file_.get());
    // Blocks are read whole into our own buffer; the stream's buffer would only add a copy.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
}

bool ByteSource::refill() {
    if (!file_ || read_failed_) return false;
    const auto kept = static_cast<std::size_t>(end - cur);
    if (!buffer_ || kept > headroom_) {
        // Doubled as it grows, so that a long token costs time in proportion to its length.
        std::size_t headroom = std::max(kPage, headroom_);
        while (headroom < kept) {
            if (headroom > SIZE_MAX / 4) throw std::bad_alloc();
            headroom *= 2;
        }
        LargeMemory larger = allocate_large_or_throw(headroom + kBlockSize + kPage);
        const auto past_page = (reinterpret_cast<std::uintptr_t>(larger.get()) + headroom) % kPage;
        unsigned char *const read_at = larger.get() + headroom + (kPage - past_page) % kPage;
        if (kept > 0) std::memcpy(read_at - kept, cur, kept);
        buffer_ = std::move(larger);
        read_at_ = read_at;
        headroom_ = headroom;
    } else if (kept > 0) {
        std::memmove(read_at_ - kept, cur, kept);
    }
    cur = read_at_ - kept;
    end = read_at_;
    const std::size_t got = std::fread(read_at_, 1, kBlockSize, file_.get());
    if (got == 0) {
        if (std::ferror(file_.get())) read_failed_ = true;
        return false;
    }
    end += got;
    read_so_far_ += got;
    return true;
}

bool ByteSource::read(void *out, std::size_t size) {
    if (!fill(size)) return false;
    std::memcpy(out, cur, size);
    cur += size;
    return true;
}

std::uint64_t ByteSource::remaining() const {
    const auto in_window = static_cast<std::uint64_t>(end - cur);
    if (!file_) return in_window;
    const std::uint64_t consumed = read_so_far_ - in_window;
    return file_size_ > consumed ? file_size_ - consumed : 0;
}

bool ByteSource::close() {
    if (!file_) return true;
    return std::fclose(file_.release()) == 0;
}

}  // namespace plylib
