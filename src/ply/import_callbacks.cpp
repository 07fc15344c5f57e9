#include "ply/import_callbacks.h"

#include <cstdint>
#include <vector>

#include "interchange/format.h"
#include "ply/numeric.h"

namespace tolvane::ply {
namespace {

using interchange::kTriangleMark;

template <typename Target>
Target &target_of(p_ply_argument argument) {
    void *target = nullptr;
    ply_get_argument_user_data(argument, &target, nullptr);
    return *static_cast<Target *>(target);
}

// Running out of memory stops the read (a failed read), rather than unwinding through the
// reader.
template <typename Value, typename... More>
int append(std::vector<Value> &target, Value value, More... more) noexcept {
    try {
        target.push_back(value);
        (target.push_back(more), ...);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace

int on_coordinate(p_ply_argument argument) {
    return append(target_of<std::vector<float>>(argument),
                  nearest_float(ply_get_argument_value(argument)));
}

int on_channel(p_ply_argument argument) {
    return append(target_of<std::vector<std::uint8_t>>(argument),
                  static_cast<std::uint8_t>(low_32_bits(ply_get_argument_value(argument))));
}

// Triangles become a, b, c, -1 and quads a, b, c, d; lists of any other length are left out.
int on_face_index(p_ply_argument argument) {
    long length = 0;
    long index = 0;
    ply_get_argument_property(argument, nullptr, &length, &index);
    if ((length != 3 && length != 4) || index < 0) return 1;
    auto &faces = target_of<std::vector<std::int32_t>>(argument);
    const std::int32_t entry = truncate_to_int32(ply_get_argument_value(argument));
    if (length == 3 && index == 2) return append(faces, entry, kTriangleMark);
    return append(faces, entry);
}

}  // namespace tolvane::ply
