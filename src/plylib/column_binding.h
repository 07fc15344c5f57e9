// A column attached to properties of an element for bulk reading (rply_bulk.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "plylib/column.h"

namespace plylib {

struct ColumnBinding {
    Column *column = nullptr;
    std::size_t width = 0;  // values per instance (scalars) or per row (a list)
    bool rows = false;      // a list property's rows, rather than scalars side by side
    std::size_t min_length = 0;
    unsigned char pad_bytes[8] = {};  // the pad as a value of the column's type
    // Scalars: the first instance whose values the column holds (those before it were drained),
    // and how many instances its capacity holds, so that the per-instance check needs no
    // division.
    std::uint64_t first_instance = 0;
    std::uint64_t instances_held = 0;
};

}  // namespace plylib
