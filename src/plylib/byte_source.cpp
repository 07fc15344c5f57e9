#include "plylib/byte_source.h"

#include <cstring>

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
    if (kept == capacity_) {
        const std::size_t grown = capacity_ == 0 ? kBlockSize : capacity_ * 2;
        LargeMemory larger = allocate_large_or_throw(grown);
        if (kept > 0) std::memcpy(larger.get(), cur, kept);
        buffer_ = std::move(larger);
        capacity_ = grown;
    } else if (kept > 0) {
        std::memmove(buffer_.get(), cur, kept);
    }
    cur = buffer_.get();
    end = cur + kept;
    const std::size_t got = std::fread(buffer_.get() + kept, 1, capacity_ - kept, file_.get());
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
