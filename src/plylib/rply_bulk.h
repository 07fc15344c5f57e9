// The bulk interface, beside the value-by-value one of rply.h: chosen properties of an element
// read into typed columns, and whole instances written from typed sources. It shares the header
// parser, the per-type decoders and encoders, the checks and the messages with ply_read and
// ply_write, and gives the same values, results and messages for every input.
#pragma once

#include <cstddef>

#include "plylib/column.h"
#include "plylib/rply.h"

// Reading. Between ply_read_header and ply_read, a property may feed one column instead of a
// callback: attaching it to a column drops its callback, and ply_set_read_cb refuses a property
// that feeds a column. ply_read empties the columns, then fills them while it reads the file;
// an element none of whose properties has a callback is decoded whole instances at a time.
// After a failed ply_read the columns hold no meaningful values.

// The scalar properties `names` of `element` feed `column`, each instance's values side by side
// in the order the header declares them (x, y, z as declared, say). Names the element does not
// declare are passed over, so the column's width is the number of properties found. Each value
// is converted from the file's type by column_value<T>() of the column's type. `names` holds
// `count` names; `column` is the caller's and must outlive ply_read. Returns the element's
// instance count (at most LONG_MAX), or 0 when nothing is attached: no element or property of
// those names (not reported), a null `column`, one of the properties a list or already feeding a
// column, a call outside the time between ply_read_header and ply_read, or memory running out
// (reported).
long ply_set_read_column(p_ply ply, const char *element, const char *const *names,
                         std::size_t count, plylib::Column *column);

// The list property `name` of `element` feeds `column` as rows of `width` values: a list whose
// length lies in [min_length, width] becomes one row, its entries converted by column_value<T>()
// and the rest of the row filled with `pad` (converted as the entries are); lists of other
// lengths are passed over. Returns the element's instance count (at most LONG_MAX), or 0 when
// nothing is attached: the list is not declared (not reported), `column` is null, `width` is 0
// or below `min_length` ("Invalid row shape"), the property is a scalar or already feeds a
// column, the call comes outside the time between ply_read_header and ply_read, or memory runs
// out (reported).
long ply_set_read_rows(p_ply ply, const char *element, const char *name, std::size_t min_length,
                       std::size_t width, double pad, plylib::Column *column);

// Writing.
namespace plylib {

// Where the values of one property come from, for `instances` consecutive instances. Values are
// the machine's own representation and need no alignment. A scalar's value of instance i is at
// values + i * stride. A list's length is at lengths + i * length_stride, and its entry j at
// values + i * stride + j * entry_stride.
struct WriteSource {
    ColumnType type = ColumnType::float32;
    const void *values = nullptr;
    std::size_t stride = 0;
    ColumnType length_type = ColumnType::uint8;  // lists only
    const void *lengths = nullptr;
    std::size_t length_stride = 0;
    std::size_t entry_stride = 0;
};

}  // namespace plylib

// Writes `instances` whole instances of the element at hand, from one source per property in
// declaration order (`count` of them, one per property of the element). It must start at an
// instance's first value, and `instances` may not exceed what the element has left. It does
// exactly what ply_write would do with each value in turn (as a double): the same bytes, and at
// the first value the type cannot hold the same refusal (reported, 0 returned, the values before
// it written). Returns 1 (nothing written when `instances` is 0), or 0 with a report when the
// handle is a reader's or its header is not written, every value is written, the previous value
// left an instance unfinished, `count` or `instances` does not fit, a source has no values (or a
// list's no lengths), memory runs out or the output fails; 0 without a report for a null handle.
int ply_write_instances(p_ply ply, const plylib::WriteSource *sources, std::size_t count,
                        std::size_t instances);
