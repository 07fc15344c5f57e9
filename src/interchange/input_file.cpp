#include "interchange/input_file.h"

namespace tolvane::interchange {

bool open_input(const char *path, InputFile &file) {
    file = InputFile{};
    file.stream.reset(std::fopen(path, "rb"));
    if (!file.stream) return false;
    // Every read is a whole piece at an offset of its own: the stream's buffer would only split
    // a block's read into several and copy part of it twice.
    std::setvbuf(file.stream.get(), nullptr, _IONBF, 0);
    if (regular_file_size(file.stream.get(), file.size)) return true;
    file = InputFile{};
    return false;
}

bool read_at(const InputFile &file, std::uint64_t offset, void *out, std::size_t length) {
    if (offset > file.size || length > file.size - offset) return false;
    return length == 0 || (seek_to(file.stream.get(), offset) &&
                           std::fread(out, 1, length, file.stream.get()) == length);
}

}  // namespace tolvane::interchange
