// Reading the values of a PLY data section. A reader is chosen once per property from a table
// indexed by storage mode, column type and value type; the data loop calls through it.
#pragma once

#include <cstdint>

#include "plylib/byte_source.h"
#include "plylib/column.h"
#include "plylib/rply.h"

namespace plylib {

enum class DecodeStatus : std::uint8_t { ok, end_of_input, read_error, invalid, out_of_range };

// The byte source plus the ASCII tokenizer's state.
class ValueInput {
  public:
    explicit ValueInput(ByteSource &source) : source(source) {}

    ByteSource &source;

    // ASCII: the next blank-separated token, whole in the window, which stays valid until the
    // source reads more. False at the end of the input (or on a read error).
    bool next_token();
    const char *token_begin = nullptr;
    const char *token_end = nullptr;

    // Why the last reader below stopped short.
    DecodeStatus status = DecodeStatus::ok;

    DecodeStatus end_status() const {
        return source.read_failed() ? DecodeStatus::read_error : DecodeStatus::end_of_input;
    }
};

// Reads the next `count` values of one type, each converted as column_value<T>() converts it
// to the column type it was chosen for (float64: the value as a double), stored one after
// another from `dst`. Returns how many were read; fewer when one failed (`status` says why).
using ValueReader = std::uint64_t (*)(ValueInput &input, unsigned char *dst, std::uint64_t count);

// `mode` is the file's storage mode (PLY_DEFAULT is not a file's mode); `type` a scalar type.
ValueReader value_reader_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column);
// The same for values that are only checked (dst is not looked at).
ValueReader value_checker_for(e_ply_storage_mode mode, e_ply_type type);

// Binary: `count` packed values `stride` bytes apart, all within the window, into a column at
// `dst`, `dst_stride` bytes apart.
using StridedDecoder = void (*)(const unsigned char *src, std::size_t stride, std::size_t count,
                                unsigned char *dst, std::size_t dst_stride);
StridedDecoder strided_decoder_for(e_ply_storage_mode mode, e_ply_type type, ColumnType column);

// A list read into rows of a column: a list whose length lies in [min_length, width] is a row,
// its entries then `pad`.
struct RowShape {
    std::size_t min_length = 0;
    std::size_t width = 0;
    std::int32_t pad = 0;
};

// The usual faces, an element of one list with a count of one byte's type and 32-bit integer
// entries, into consecutive rows of an int32 column from `row` on, where they lie: up to `count`
// instances; *rows is raised by the rows made (ASCII takes other lengths too, their entries
// checked and passed over). Returns how many instances were read: it stops before one it leaves
// to the general way. Null for other shapes.
using FaceRowsReader = std::uint64_t (*)(ByteSource &source, const RowShape &shape,
                                         std::int32_t *row, std::uint64_t count,
                                         std::uint64_t *rows);
FaceRowsReader face_rows_reader_for(e_ply_storage_mode mode, e_ply_type length_type,
                                    e_ply_type value_type, ColumnType column);

}  // namespace plylib
