// Writing whole instances from typed sources (rply_bulk.h).
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "plylib/ascii_numbers.h"
#include "plylib/copied_words.h"
#include "plylib/handle.h"
#include "plylib/packed_values.h"
#include "plylib/rply_bulk.h"
#include "plylib/types.h"

namespace plylib {
namespace {

// Room for one ASCII value and the blank or line end after it.
constexpr std::size_t kMaxTextBytes = kMaxNumberChars + 1;

// `kEntries` 32-bit entries copied as they lie (a triangle or a quad: a copy of a fixed size,
// which the compiler makes a few moves), `out` moved past them; returns their bits ORed, whose
// top one says whether any is negative.
template <std::size_t kEntries>
std::uint32_t copy_packed(const unsigned char *entry, unsigned char *&out) {
    std::uint32_t row[kEntries];
    std::memcpy(row, entry, sizeof row);
    std::memcpy(out, entry, sizeof row);
    out += sizeof row;
    std::uint32_t bits = 0;
    for (const std::uint32_t one : row) bits |= one;
    return bits;
}

double value_at(ColumnType type, const void *at) {
    const auto load = [at](auto typed) {
        std::memcpy(&typed, at, sizeof typed);
        return static_cast<double>(typed);
    };
    switch (type) {
        case ColumnType::int32:
            return load(std::int32_t{});
        case ColumnType::uint8:
            return load(std::uint8_t{});
        case ColumnType::float32:
            return load(float{});
        case ColumnType::float64:
            return load(double{});
    }
    return 0;
}

struct SourcePlan {
    const t_ply_property_ *property = nullptr;
    const unsigned char *values = nullptr;
    std::size_t stride = 0;
    const unsigned char *lengths = nullptr;
    std::size_t length_stride = 0;
    std::size_t entry_stride = 0;
    ColumnType type = ColumnType::float32;
    ColumnType length_type = ColumnType::uint8;
    std::size_t offset = 0;  // in a record of scalars only
    StridedEncoder strided = nullptr;
    StridedEncoder strided_length = nullptr;
    TextEncoder text = nullptr;
    TextEncoder text_length = nullptr;
};

class BulkWriter {
  public:
    BulkWriter(t_ply_ &ply, std::vector<SourcePlan> &plans)
        : ply_(ply), sink_(*ply.sink), plans_(plans), ascii_(ply.storage_mode == PLY_ASCII) {}

    bool run(std::size_t instances) {
        bool all_scalar = true;
        std::size_t record = 0;
        for (SourcePlan &plan : plans_) {
            if (plan.property->is_list()) all_scalar = false;
            plan.offset = record;
            record += plan.property->value_size;
        }
        if (!ascii_ && all_scalar && record <= ByteSink::kBlockSize) {
            return write_records(instances, record);
        }
        if (byte_counted_int_rows()) {
            return write_counted_rows(instances, (ply_.storage_mode == PLY_BIG_ENDIAN) !=
                                                     (std::endian::native == std::endian::big));
        }
        if (ascii_ && all_scalar && plans_.size() * kMaxTextBytes < ByteSink::kBlockSize) {
            return write_text_records(instances);
        }
        for (std::size_t i = 0; i < instances; ++i) {
            if (!write_in_place(i) && !write_by_value(i)) return false;
        }
        return true;
    }

  private:
    // The faces of nearly every mesh file: one list, counted by an unsigned byte, of 32-bit
    // integers, from byte lengths and int32 entries (which an int always holds).
    bool byte_counted_int_rows() const {
        if (plans_.size() != 1) return false;
        const SourcePlan &plan = plans_[0];
        const Scalar entry = canonical(plan.property->value_type);
        return plan.property->is_list() && canonical(plan.property->length_type) == Scalar::u8 &&
               plan.length_type == ColumnType::uint8 && plan.type == ColumnType::int32 &&
               (entry == Scalar::i32 || entry == Scalar::u32);
    }

    // Such instances an instance per turn with no call, as bytes or as a line of text ("3 a b
    // c"). A negative entry for a uint, which the type cannot hold, leaves its instance
    // uncommitted and sends it value by value to the writer's refusal.
    bool write_counted_rows(std::size_t instances, bool swap) {
        const SourcePlan &plan = plans_[0];
        const bool unsigned_entries = canonical(plan.property->value_type) == Scalar::u32;
        // Kept in locals: the stores into the block could otherwise alias them.
        const unsigned char *const values = plan.values;
        const unsigned char *const lengths = plan.lengths;
        const std::size_t stride = plan.stride, length_stride = plan.length_stride;
        const std::size_t entry_stride = plan.entry_stride;
        // Entries side by side in the machine's byte order, as the export's records and rows
        // are.
        const bool packed = !swap && entry_stride == 4;
        const auto put_bytes = [&](std::size_t length, const unsigned char *entry) {
            unsigned char *out = sink_.reserve(1 + 4 * length);
            *out++ = static_cast<unsigned char>(length);
            std::uint32_t negative = 0;
            if (packed && length == 3) {
                negative = copy_packed<3>(entry, out);
            } else if (packed && length == 4) {
                negative = copy_packed<4>(entry, out);
            } else {
                for (std::size_t j = 0; j < length; ++j, entry += entry_stride, out += 4) {
                    std::uint32_t bits;
                    std::memcpy(&bits, entry, 4);
                    negative |= bits;
                    if (swap) bits = byte_swap(bits);
                    std::memcpy(out, &bits, 4);
                }
            }
            if (unsigned_entries && (negative & 0x80000000u)) return false;
            sink_.commit(out);
            return true;
        };
        const auto put_text = [&](std::size_t length, const unsigned char *entry) {
            char *out = reinterpret_cast<char *>(sink_.reserve((1 + length) * kMaxTextBytes));
            if (length < 10) {  // 3 or 4, as a rule
                *out++ = static_cast<char>('0' + length);
            } else {
                out = format_unsigned32(out, static_cast<std::uint32_t>(length));
            }
            bool refused = false;
            for (std::size_t j = 0; j < length; ++j, entry += entry_stride) {
                std::int32_t value;
                std::memcpy(&value, entry, sizeof value);
                refused |= unsigned_entries && value < 0;
                *out++ = ' ';
                out = value >= 0 ? format_unsigned32(out, static_cast<std::uint32_t>(value))
                                 : format_integer(out, value);
            }
            if (refused) return false;
            *out++ = '\n';
            sink_.commit(reinterpret_cast<unsigned char *>(out));
            return true;
        };
        const auto put = [&](std::size_t i) {
            const std::size_t length = lengths[i * length_stride];
            const unsigned char *entries = values + i * stride;
            return ascii_ ? put_text(length, entries) : put_bytes(length, entries);
        };
        // Triangles and quads, as nearly every mesh's faces are: a block's worth per loop, each
        // row's entries copied after its count byte with a copy of a fixed size. Stops at a row
        // of another length.
        const bool whole_rows = !ascii_ && packed && !unsigned_entries;
        constexpr std::size_t kMostPerRow = 1 + 16;
        const auto put_whole_rows = [&](std::size_t i) {
            while (i < instances) {
                const std::size_t batch =
                    std::min(instances - i, ByteSink::kBlockSize / kMostPerRow);
                unsigned char *out = sink_.reserve(batch * kMostPerRow);
                std::size_t done = 0;
                for (; done < batch; ++done) {
                    const std::size_t length = lengths[(i + done) * length_stride];
                    const unsigned char *row = values + (i + done) * stride;
                    if (length != 3 && length != 4) break;
                    std::memcpy(out + 1, row, 12);
                    if (length == 4) std::memcpy(out + 13, row + 12, 4);
                    *out = static_cast<unsigned char>(length);
                    out += 1 + 4 * length;
                }
                sink_.commit(out);
                i += done;
                if (done < batch) break;
            }
            return i;
        };
        std::size_t i = 0;
        while (i < instances) {
            const std::size_t first = i;
            for (;;) {
                if (whole_rows) i = put_whole_rows(i);
                if (i == instances || !put(i)) break;
                ++i;
            }
            skip_written_instances(ply_, static_cast<std::int64_t>(i - first));
            if (i < instances && !write_by_value(i++)) return false;
        }
        return true;
    }

    // ASCII, scalars only: a block's worth of lines per loop. Neighbouring properties that one
    // encoder writes from values evenly spaced in one record, either way (x, y, z side by side;
    // red, green, blue stored blue first), take one call.
    bool write_text_records(std::size_t instances) {
        struct Run {
            TextEncoder text;
            const unsigned char *values;
            std::size_t stride;   // from one instance to the next
            std::ptrdiff_t step;  // from one property of the run to the next
            std::size_t count;
        };
        std::vector<Run> runs;
        for (const SourcePlan &plan : plans_) {
            if (!runs.empty()) {
                Run &last = runs.back();
                // Addresses as numbers: the values may lie in unrelated arrays.
                const auto offset =
                    static_cast<std::intptr_t>(reinterpret_cast<std::uintptr_t>(plan.values) -
                                               reinterpret_cast<std::uintptr_t>(last.values));
                const std::ptrdiff_t step = last.count == 1 ? offset : last.step;
                const auto reach = static_cast<std::size_t>(offset < 0 ? -offset : offset);
                // The next place of the run, and within one instance's record: the values of
                // one array of records.
                const bool in_record = step != 0 &&
                                       offset == step * static_cast<std::ptrdiff_t>(last.count) &&
                                       reach + column_value_size(plan.type) <= plan.stride;
                if (last.text == plan.text && last.stride == plan.stride && in_record) {
                    last.step = step;
                    ++last.count;
                    continue;
                }
            }
            runs.push_back({plan.text, plan.values, plan.stride, 0, 1});
        }
        const std::size_t line = plans_.size() * kMaxTextBytes + 1;
        std::size_t i = 0;
        while (i < instances) {
            const std::size_t batch = std::min(instances - i, ByteSink::kBlockSize / line);
            unsigned char *out = sink_.reserve(batch * line);
            std::size_t done = 0;
            for (; done < batch; ++done) {
                char *text = reinterpret_cast<char *>(out);
                for (const Run &run : runs) {
                    text = run.text(run.values + (i + done) * run.stride, run.step, run.count,
                                    &run != runs.data(), text);
                    if (!text) break;
                }
                if (!text) break;
                *text++ = '\n';
                out = reinterpret_cast<unsigned char *>(text);
            }
            sink_.commit(out);
            skip_written_instances(ply_, static_cast<std::int64_t>(done));
            i += done;
            // A value the type cannot hold: its instance goes value by value, to the refusal.
            if (done < batch && !write_by_value(i++)) return false;
        }
        return true;
    }

    // Binary, scalars only: a block's worth of records per loop. Up to four neighbouring
    // properties copied as they are from neighbouring values of one source record (x, y, z of a
    // vertex) go as one copy per record; the others property by property.
    bool write_records(std::size_t instances, std::size_t record) {
        const std::vector<std::size_t> runs = copied_runs(
            plans_.size(),
            [this](std::size_t p) {
                return copied_as_is(ply_.storage_mode, plans_[p].property->value_type,
                                    plans_[p].type);
            },
            [this](std::size_t last, std::size_t next) {
                const SourcePlan &a = plans_[last], &b = plans_[next];
                return b.type == a.type && b.stride == a.stride && b.values == a.values + 4 &&
                       b.offset == a.offset + 4;
            });
        std::size_t i = 0;
        while (i < instances) {
            const std::size_t batch = std::min(instances - i, ByteSink::kBlockSize / record);
            unsigned char *out = sink_.reserve(batch * record);
            std::size_t written = batch;
            for (std::size_t p = 0; p < plans_.size();) {
                const SourcePlan &plan = plans_[p];
                const std::size_t run = runs[p];
                // A NaN or an infinity among the floats: their encoders decide, as ever (an
                // infinity is refused).
                if (run > 0 && (copy_words(plan.values + i * plan.stride, plan.stride, run, batch,
                                           out + plan.offset, record) ||
                                plan.type != ColumnType::float32)) {
                    p += run;
                    continue;
                }
                for (const std::size_t end = p + std::max<std::size_t>(run, 1); p < end; ++p) {
                    const SourcePlan &one = plans_[p];
                    written = one.strided(one.values + i * one.stride, one.stride, written,
                                          out + one.offset, record);
                }
            }
            sink_.commit(out + written * record);
            skip_written_instances(ply_, static_cast<std::int64_t>(written));
            i += written;
            // A value the type cannot hold: its instance goes value by value, to the refusal.
            if (written < batch && !write_by_value(i++)) return false;
        }
        return true;
    }

    // One instance straight into the sink's block; false, with nothing written, leaves it to
    // write_by_value (a refused value, or an instance larger than a block).
    bool write_in_place(std::size_t i) {
        std::size_t bound = ascii_ ? 1 : 0;
        for (std::size_t p = 0; p < plans_.size(); ++p) {
            const SourcePlan &plan = plans_[p];
            const std::size_t value_bytes = ascii_ ? kMaxTextBytes : plan.property->value_size;
            if (!plan.property->is_list()) {
                bound += value_bytes;
                continue;
            }
            std::int64_t length = 0;
            if (!length_of(plan, i, &length) ||
                static_cast<std::uint64_t>(length) > ByteSink::kBlockSize)
                return false;
            lengths_[p] = static_cast<std::size_t>(length);
            bound +=
                (ascii_ ? kMaxTextBytes : plan.property->length_size) + lengths_[p] * value_bytes;
        }
        if (bound > ByteSink::kBlockSize) return false;
        unsigned char *const start = sink_.reserve(bound);
        unsigned char *out = start;
        for (std::size_t p = 0; p < plans_.size(); ++p) {
            const SourcePlan &plan = plans_[p];
            const unsigned char *value = plan.values + i * plan.stride;
            if (plan.property->is_list()) {
                if (!put(plan.text_length, plan.strided_length, plan.property->length_size,
                         plan.lengths + i * plan.length_stride, 0, 1, start, out))
                    return false;
                if (!put(plan.text, plan.strided, plan.property->value_size, value,
                         plan.entry_stride, lengths_[p], start, out))
                    return false;
            } else if (!put(plan.text, plan.strided, plan.property->value_size, value, 0, 1, start,
                            out)) {
                return false;
            }
        }
        if (ascii_) *out++ = '\n';
        sink_.commit(out);
        skip_written_instances(ply_, 1);
        return true;
    }

    // A list's length by the writer's rule; integers need no more than a range check.
    static bool length_of(const SourcePlan &plan, std::size_t i, std::int64_t *length) {
        const unsigned char *at = plan.lengths + i * plan.length_stride;
        const Scalar type = canonical(plan.property->length_type);
        if (is_integer(type) && plan.length_type == ColumnType::uint8) {
            *length = *at;
            return *length <= integer_max(type);
        }
        if (is_integer(type) && plan.length_type == ColumnType::int32) {
            std::int32_t value;
            std::memcpy(&value, at, sizeof value);
            *length = value;
            return value >= 0 && *length <= integer_max(type);
        }
        return list_length(plan.property->length_type, value_at(plan.length_type, at), length);
    }

    // `count` values `stride` bytes apart; in ASCII each after a blank but the instance's first.
    bool put(TextEncoder text, StridedEncoder strided, std::size_t size, const unsigned char *value,
             std::size_t stride, std::size_t count, const unsigned char *start,
             unsigned char *&out) {
        if (ascii_) {
            char *end = text(value, static_cast<std::ptrdiff_t>(stride), count, out != start,
                             reinterpret_cast<char *>(out));
            if (!end) return false;
            out = reinterpret_cast<unsigned char *>(end);
            return true;
        }
        if (strided(value, stride, count, out, size) != count) return false;
        out += count * size;
        return true;
    }

    // Exactly what ply_write does with each value of the instance in turn.
    bool write_by_value(std::size_t i) {
        for (const SourcePlan &plan : plans_) {
            const unsigned char *value = plan.values + i * plan.stride;
            if (!plan.property->is_list()) {
                if (!ply_write(&ply_, value_at(plan.type, value))) return false;
                continue;
            }
            const double length_value =
                value_at(plan.length_type, plan.lengths + i * plan.length_stride);
            if (!ply_write(&ply_, length_value)) return false;
            std::int64_t length = 0;
            list_length(plan.property->length_type, length_value, &length);
            for (std::int64_t j = 0; j < length; ++j, value += plan.entry_stride) {
                if (!ply_write(&ply_, value_at(plan.type, value))) return false;
            }
        }
        return true;
    }

    t_ply_ &ply_;
    ByteSink &sink_;
    std::vector<SourcePlan> &plans_;
    const bool ascii_;
    std::vector<std::size_t> lengths_ = std::vector<std::size_t>(plans_.size());
};

bool fail(t_ply_ &ply, const char *message) {
    ply.error(message);
    return false;
}

// The handle is at the first value of an instance, and the sources fit the element at hand.
bool ready(t_ply_ &ply, const WriteSource *sources, std::size_t count, std::size_t instances) {
    if (!ply.writing) return fail(ply, "This handle was opened for reading, not writing");
    if (ply.phase != Phase::writing) return fail(ply, "ply_write before ply_write_header");
    const WriteCursor &cursor = ply.cursor;
    if (instances == 0) return true;
    if (cursor.done) return fail(ply, "No value left to write: every declared value was written");
    if (cursor.property != 0 || cursor.in_list || cursor.instance_started)
        return fail(ply, "Whole instances are written from an instance's first value");
    const t_ply_element_ &element = *cursor.current;
    if (count != element.order.size() || (!sources && count > 0))
        return fail(ply, "One source is needed for each property of the element");
    if (instances > static_cast<std::uint64_t>(element.ninstances - cursor.instance))
        return fail(ply, "More instances than the element has left");
    for (std::size_t p = 0; p < count; ++p) {
        if (!sources[p].values || (element.order[p]->is_list() && !sources[p].lengths))
            return fail(ply, "A source without values");
    }
    return true;
}

}  // namespace
}  // namespace plylib

using namespace plylib;

int ply_write_instances(p_ply ply, const WriteSource *sources, std::size_t count,
                        std::size_t instances) {
    if (!ply) return 0;
    try {
        if (!ready(*ply, sources, count, instances)) return 0;
        if (instances == 0) return 1;
        if (ply->sink->failed()) return 0;  // reported when it happened
        std::vector<SourcePlan> plans(count);
        const t_ply_element_ &element = *ply->cursor.current;
        for (std::size_t p = 0; p < count; ++p) {
            const WriteSource &source = sources[p];
            const t_ply_property_ &property = *element.order[p];
            SourcePlan &plan = plans[p];
            plan.property = &property;
            plan.values = static_cast<const unsigned char *>(source.values);
            plan.stride = source.stride;
            plan.lengths = static_cast<const unsigned char *>(source.lengths);
            plan.length_stride = source.length_stride;
            plan.entry_stride = source.entry_stride;
            plan.type = source.type;
            plan.length_type = source.length_type;
            plan.strided = strided_encoder_for(ply->storage_mode, property.value_type, source.type);
            plan.text = text_encoder_for(property.value_type, source.type);
            if (property.is_list()) {
                plan.strided_length = strided_encoder_for(ply->storage_mode, property.length_type,
                                                          source.length_type);
                plan.text_length = text_encoder_for(property.length_type, source.length_type);
            }
        }
        const bool ok = BulkWriter(*ply, plans).run(instances);
        if (ply->sink->failed()) {
            report_write_failure(*ply);
            return 0;
        }
        return ok ? 1 : 0;
    } catch (const std::bad_alloc &) {
        ply->error("Out of memory");
        return 0;
    }
}
