#include "platform/safe_output.h"

#include <cstring>

#include "platform/replace_file.h"

namespace tolvane {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

void flush_buffer(SafeOutput &output) {
    if (output.buffered == 0) return;
    if (!output.failed &&
        std::fwrite(output.buffer.get(), 1, output.buffered, output.stream) != output.buffered) {
        output.failed = true;
    }
    output.buffered = 0;
}

}  // namespace

SafeOutput::~SafeOutput() {
    discard_output(*this);
}

bool open_output(SafeOutput &output, const char *target) {
    discard_output(output);
    output.target = platform::replacement_target(target);
    if (!platform::can_replace(output.target)) return false;
    platform::TempFile temp;
    if (!platform::create_temp_beside(output.target, temp)) return false;
    // Our own block buffer: the stream's would only copy every byte once more.
    std::setvbuf(temp.stream, nullptr, _IONBF, 0);
    output.stream = temp.stream;
    output.temp_path = std::move(temp.path);
    output.buffer = platform::allocate_large_or_throw(kBufferSize);
    output.buffered = 0;
    output.failed = false;
    return true;
}

void write_output(SafeOutput &output, const void *data, std::size_t size) {
    if (output.stream == nullptr || output.failed) return;
    const char *bytes = static_cast<const char *>(data);
    // Blocks as large as a writer's own go straight to the file: copying them would only cost.
    if (size >= kBufferSize / 8) {
        flush_buffer(output);
        if (!output.failed && std::fwrite(bytes, 1, size, output.stream) != size) {
            output.failed = true;
        }
        return;
    }
    if (output.buffered + size > kBufferSize) flush_buffer(output);
    std::memcpy(output.buffer.get() + output.buffered, bytes, size);
    output.buffered += size;
}

bool output_position(SafeOutput &output, std::fpos_t *position) {
    if (output.stream == nullptr || output.failed) return false;
    flush_buffer(output);
    if (!output.failed && std::fgetpos(output.stream, position) != 0) output.failed = true;
    return !output.failed;
}

void patch_output(SafeOutput &output, const std::fpos_t &position, const void *data,
                  std::size_t size) {
    if (output.stream == nullptr || output.failed) return;
    flush_buffer(output);
    // fpos_t, not a long offset: the place may lie beyond 2 GB where a long has 32 bits.
    if (output.failed || std::fsetpos(output.stream, &position) != 0 ||
        std::fwrite(data, 1, size, output.stream) != size ||
        std::fseek(output.stream, 0, SEEK_END) != 0) {
        output.failed = true;
    }
}

bool commit_output(SafeOutput &output) {
    if (output.stream == nullptr) return false;
    flush_buffer(output);
    if (std::fflush(output.stream) != 0) output.failed = true;
    const bool closed = std::fclose(output.stream) == 0;
    output.stream = nullptr;
    if (output.failed || !closed || !platform::replace_with(output.temp_path, output.target)) {
        platform::remove_temp(output.temp_path);
        output.temp_path.clear();
        output.buffer.reset();
        return false;
    }
    output.temp_path.clear();
    output.buffer.reset();
    return true;
}

void discard_output(SafeOutput &output) {
    if (output.stream != nullptr) {
        std::fclose(output.stream);
        output.stream = nullptr;
    }
    if (!output.temp_path.empty()) {
        platform::remove_temp(output.temp_path);
        output.temp_path.clear();
    }
    output.buffer.reset();
    output.buffered = 0;
}

}  // namespace tolvane
