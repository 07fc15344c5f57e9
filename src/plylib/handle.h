// The structures behind the opaque handles of rply.h.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plylib/byte_sink.h"
#include "plylib/byte_source.h"
#include "plylib/column_binding.h"
#include "plylib/file_open.h"
#include "plylib/rply.h"
#include "plylib/value_decoders.h"
#include "plylib/value_encoders.h"

struct t_ply_element_;

struct t_ply_property_ {
    std::string name;
    // As declared: PLY_LIST for a list; for a scalar all three are its type.
    e_ply_type type = PLY_LIST;
    e_ply_type length_type = PLY_UCHAR;
    e_ply_type value_type = PLY_UCHAR;
    t_ply_element_ *element = nullptr;
    std::size_t index = 0;  // within its element

    bool is_list() const { return type == PLY_LIST; }

    // Reading: the callback, if any.
    p_ply_read_cb read_cb = nullptr;
    void *pdata = nullptr;
    long idata = 0;
    // Bytes of a binary length and value.
    std::size_t length_size = 0;
    std::size_t value_size = 0;
    // Bulk reading: the column the property feeds instead of a callback, and its place among
    // the column's values of one instance.
    plylib::ColumnBinding *binding = nullptr;
    std::size_t slot = 0;

    // Writing.
    plylib::Encoder encode_length = nullptr;
    plylib::Encoder encode_value = nullptr;
};

struct t_ply_element_ {
    std::string name;
    std::int64_t ninstances = 0;
    std::size_t index = 0;
    // A deque, so that property handles stay valid while properties are added.
    std::deque<t_ply_property_> properties;
    // The same in a vector, for the writing loops; filled once the declarations are complete.
    std::vector<t_ply_property_ *> order;
};

// What a read callback is told about the value at hand.
struct t_ply_argument_ {
    p_ply_element element = nullptr;
    long instance_index = 0;
    p_ply_property property = nullptr;
    long length = 0;
    long value_index = 0;
    double value = 0;
    void *pdata = nullptr;
    long idata = 0;
};

namespace plylib {

enum class Phase : std::uint8_t {
    header_unread,  // reader: opened
    header_read,    // reader: callbacks may be set, data may be read
    data_read,      // reader: ply_read ran (successfully or not)
    declaring,      // writer: before ply_write_header
    writing,        // writer: header written, values go out
    failed,         // the header could not be read or written
};

// Where the next ply_write value goes.
struct WriteCursor {
    std::size_t element = 0;
    t_ply_element_ *current = nullptr;  // elements[element] while not done
    std::int64_t instance = 0;
    std::size_t property = 0;
    bool in_list = false;  // the list's length is written, entries follow
    std::int64_t list_remaining = 0;
    bool instance_started = false;  // a value of this instance is written (ASCII blanks)
    bool done = false;              // every declared value is written
};

// Counts are 64-bit inside; the API's long may be 32-bit (Windows).
inline long clamp_to_long(std::int64_t value) {
    if constexpr (sizeof(long) < sizeof(std::int64_t)) {
        if (value > LONG_MAX) return LONG_MAX;
        if (value < LONG_MIN) return LONG_MIN;
    }
    return static_cast<long>(value);
}

void default_error_cb(p_ply ply, const char *message);

// Moves the write cursor past `count` whole instances of the element at hand, which the bulk
// writer wrote (writer.cpp).
void skip_written_instances(t_ply_ &ply, std::int64_t count);
// Reports, once, that the output could not be written (writer.cpp).
void report_write_failure(t_ply_ &ply);

// A word of the input quoted for a message: at most 64 bytes, unprintable bytes as '?'.
std::string quote(std::string_view word);

}  // namespace plylib

struct t_ply_ {
    t_ply_(bool writing, p_ply_error_cb error_cb, long idata, void *pdata)
        : writing(writing),
          phase(writing ? plylib::Phase::declaring : plylib::Phase::header_unread),
          error_cb(error_cb ? error_cb : plylib::default_error_cb),
          idata(idata),
          pdata(pdata) {}

    const bool writing;
    plylib::Phase phase;
    e_ply_storage_mode storage_mode = PLY_ASCII;  // the file's (never PLY_DEFAULT)
    p_ply_error_cb error_cb;
    long idata;
    void *pdata;

    // Deques, so that element handles and comment texts stay valid while more are added.
    std::deque<t_ply_element_> elements;
    std::deque<std::string> comments;
    std::deque<std::string> obj_infos;

    // Reading.
    std::unique_ptr<plylib::ByteSource> source;
    std::unique_ptr<plylib::ValueInput> input;
    std::deque<plylib::ColumnBinding> bindings;

    // Writing: ply_create's file (the sink writes into it), the buffered sink, the position.
    plylib::FileHandle output_file;
    std::unique_ptr<plylib::ByteSink> sink;
    plylib::WriteCursor cursor;
    bool write_failure_reported = false;

    // Reports one failure through the error callback.
    void error(const std::string &message) { error_cb(this, message.c_str()); }
    void error(const char *message) { error_cb(this, message); }
};
