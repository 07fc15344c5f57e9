#include "plylib/byte_source.h"

#include <algorithm>
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
    cur = end;
    if (!file_ || read_failed_) return false;
    if (!block_) block_ = allocate_large_or_throw(kBlockSize);
    const std::size_t got = std::fread(block_.get(), 1, kBlockSize, file_.get());
    if (got == 0) {
        if (std::ferror(file_.get())) read_failed_ = true;
        return false;
    }
    cur = block_.get();
    end = cur + got;
    read_so_far_ += got;
    return true;
}

bool ByteSource::read(void *out, std::size_t size) {
    auto *dst = static_cast<unsigned char *>(out);
    while (size > 0) {
        if (cur == end && !refill()) return false;
        const std::size_t take = std::min(size, static_cast<std::size_t>(end - cur));
        std::memcpy(dst, cur, take);
        cur += take;
        dst += take;
        size -= take;
    }
    return true;
}

std::uint64_t ByteSource::remaining() const {
    const auto in_block = static_cast<std::uint64_t>(end - cur);
    if (!file_) return in_block;
    const std::uint64_t consumed = read_so_far_ - in_block;
    return file_size_ > consumed ? file_size_ - consumed : 0;
}

bool ByteSource::close() {
    if (!file_) return true;
    return std::fclose(file_.release()) == 0;
}

}  // namespace plylib
