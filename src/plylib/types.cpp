#include "plylib/types.h"

namespace plylib {
namespace {

constexpr const char *kTypeWords[] = {"int8",    "uint8",   "int16", "uint16", "int32", "uint32",
                                      "float32", "float64", "char",  "uchar",  "short", "ushort",
                                      "int",     "uint",    "float", "double", "list"};
static_assert(sizeof(kTypeWords) / sizeof(kTypeWords[0]) == PLY_LIST + 1);

}  // namespace

const char *type_word(e_ply_type type) {
    if (type < PLY_INT8 || type > PLY_LIST) return "?";
    return kTypeWords[type];
}

bool parse_scalar_type_word(std::string_view word, e_ply_type *type) {
    for (int t = PLY_INT8; t < PLY_LIST; ++t) {
        if (word == kTypeWords[t]) {
            *type = static_cast<e_ply_type>(t);
            return true;
        }
    }
    return false;
}

}  // namespace plylib
