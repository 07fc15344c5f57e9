// The values one import gathers from a PLY file before the interchange file is written. They
// belong to the call: whatever its result, they are released before the import returns, so the
// host keeps no memory of a conversion between calls.
#pragma once

#include <cstdint>
#include <vector>

#include "interchange/writer.h"
#include "plylib/column.h"

namespace tolvane::ply {

// Filled by the PLY library's bulk reader: the usual way.
struct ImportColumns {
    plylib::Column coordinates{plylib::ColumnType::float32};
    plylib::Column face_indices{
        plylib::ColumnType::int32};  // four per face; -1 fourth for a triangle
    // Only the low 8 bits of a channel value reach the file, so only they are kept.
    plylib::Column red{plylib::ColumnType::uint8};
    plylib::Column green{plylib::ColumnType::uint8};
    plylib::Column blue{plylib::ColumnType::uint8};
};

// Filled by the read callbacks: for files whose properties have unusual shapes (a list where a
// coordinate or colour is expected, a scalar where the face list is), which the callbacks take
// value by value.
struct ImportBuffers {
    std::vector<float> coordinates;
    std::vector<std::int32_t> face_indices;
    std::vector<std::uint8_t> red;
    std::vector<std::uint8_t> green;
    std::vector<std::uint8_t> blue;
};

interchange::MeshBuffers as_mesh(const ImportColumns &columns);
interchange::MeshBuffers as_mesh(const ImportBuffers &buffers);

}  // namespace tolvane::ply
