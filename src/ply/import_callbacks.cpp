#include "ply/import_callbacks.h"

#include <cstdint>
#include <vector>

#include "ply/numeric.h"

namespace tolvane::ply {
namespace {

template <typename Target>
Target &target_of(p_ply_argument argument) {
    void *target = nullptr;
    ply_get_argument_user_data(argument, &target, nullptr);
    return *static_cast<Target *>(target);
}

// Running out of memory stops the read (a failed read), rather than unwinding through the
// reader.
template <typename Value>
int append(p_ply_argument argument, Value value) {
    try {
        target_of<std::vector<Value>>(argument).push_back(value);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace

int on_coordinate(p_ply_argument argument) {
    return append(argument, nearest_float(ply_get_argument_value(argument)));
}

int on_channel(p_ply_argument argument) {
    return append(argument,
                  static_cast<std::uint8_t>(low_32_bits(ply_get_argument_value(argument))));
}

// Triangles become a, b, c, -1 and quads a, b, c, d; lists of any other length are left out.
int on_face_index(p_ply_argument argument) {
    long length = 0;
    long index = 0;
    ply_get_argument_property(argument, nullptr, &length, &index);
    if ((length != 3 && length != 4) || index < 0) return 1;
    if (!append(argument, truncate_to_int32(ply_get_argument_value(argument)))) return 0;
    if (length == 3 && index == 2) return append(argument, std::int32_t{-1});
    return 1;
}

}  // namespace tolvane::ply
