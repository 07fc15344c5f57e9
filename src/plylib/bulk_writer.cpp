// Writing whole instances from typed sources (rply_bulk.h): the encoders of value_encoders.h
// over the caller's values straight into the sink's block. A value the type cannot hold sends
// its instance to ply_write, value by value, for the refusal and its message.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "plylib/ascii_numbers.h"
#include "plylib/handle.h"
#include "plylib/packed_values.h"
#include "plylib/rply_bulk.h"
#include "plylib/types.h"

namespace plylib {
namespace {

// Room for one ASCII value and the blank or line end after it.
constexpr std::size_t kMaxTextBytes = kMaxNumberChars + 1;

double value_at(ColumnType type, const unsigned char *at) {
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

// One property's source and its encoders.
struct SourcePlan {
    const t_ply_property_ *property = nullptr;
    WriteSource source;
    const unsigned char *values = nullptr;
    const unsigned char *lengths = nullptr;
    bool list = false;
    std::size_t offset = 0;  // in a binary record of scalars
    Encoder encode = nullptr;
    Encoder encode_length = nullptr;
    StridedEncoder strided = nullptr;  // binary records
};

class BulkWriter {
  public:
    BulkWriter(t_ply_ &ply, std::vector<SourcePlan> &plans)
        : ply_(ply), sink_(*ply.sink), plans_(plans), ascii_(ply.storage_mode == PLY_ASCII) {}

    bool run(std::size_t instances) {
        find_runs();
        std::size_t record = 0;
        for (SourcePlan &plan : plans_) {
            plan.offset = record;
            record += plan.property->value_size;
            if (!plan.list) scalar_bytes_ += ascii_ ? kMaxTextBytes : plan.property->value_size;
            has_lists_ = has_lists_ || plan.list;
        }
        if (!ascii_ && !has_lists_ && record <= ByteSink::kBlockSize)
            return write_records(instances, record);
        if (index_rows()) return write_index_rows(instances);
        for (std::size_t i = 0; i < instances;) {
            const std::size_t done = write_in_place(i, instances);
            i += done;
            if (i < instances && !write_by_value(i++)) return false;
        }
        return true;
    }

  private:
    // Properties written by one call of their encoder: in ASCII, neighbouring scalars that one
    // encoder writes from values evenly spaced in one record, either way (x, y, z side by side;
    // red, green, blue stored blue first): the usual vertex then takes two calls, not six.
    struct Run {
        std::size_t plan;     // the first
        std::ptrdiff_t step;  // from one property's value to the next
        std::size_t count;
    };

    void find_runs() {
        for (std::size_t p = 0; p < plans_.size(); ++p) {
            const SourcePlan &plan = plans_[p];
            if (ascii_ && !plan.list && !runs_.empty()) {
                Run &last = runs_.back();
                const SourcePlan &first = plans_[last.plan];
                // Addresses as numbers: the values may lie in unrelated arrays.
                const auto offset =
                    static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(plan.values) -
                                                reinterpret_cast<std::uintptr_t>(first.values));
                const std::ptrdiff_t step = last.count == 1 ? offset : last.step;
                const std::size_t reach = offset < 0 ? 0 - static_cast<std::size_t>(offset)
                                                     : static_cast<std::size_t>(offset);
                std::ptrdiff_t next = 0;  // where the run's next value lies
                if (!first.list && first.encode == plan.encode &&
                    first.source.stride == plan.source.stride && step != 0 &&
                    !__builtin_mul_overflow(step, last.count, &next) && offset == next &&
                    reach + column_value_size(plan.source.type) <= plan.source.stride) {
                    last.step = step;
                    ++last.count;
                    continue;
                }
            }
            runs_.push_back({p, 0, 1});
        }
    }

    // Binary, scalars only: records of a fixed size, a block's worth at a time, each property's
    // values encoded into their place of every record in one call.
    bool write_records(std::size_t instances, std::size_t record) {
        std::size_t i = 0;
        while (i < instances) {
            const std::size_t batch = std::min(instances - i, ByteSink::kBlockSize / record);
            unsigned char *out = sink_.reserve(batch * record);
            std::size_t written = batch;
            for (const SourcePlan &plan : plans_)
                written = plan.strided(plan.values + i * plan.source.stride,
                                       static_cast<std::ptrdiff_t>(plan.source.stride), written,
                                       out + plan.offset, record);
            sink_.commit(out + written * record);
            skip_written_instances(ply_, static_cast<std::int64_t>(written));
            i += written;
            if (written < batch && !write_by_value(i++)) return false;
        }
        return true;
    }

    // The faces of nearly every mesh: one list, counted by an unsigned byte, of 32-bit integers,
    // from byte lengths and int32 entries (which an int always holds, a uint when not negative).
    bool index_rows() const {
        if (plans_.size() != 1 || !plans_[0].list) return false;
        const SourcePlan &plan = plans_[0];
        const Scalar entry = canonical(plan.property->value_type);
        return canonical(plan.property->length_type) == Scalar::u8 &&
               plan.source.length_type == ColumnType::uint8 &&
               plan.source.type == ColumnType::int32 &&
               (entry == Scalar::i32 || entry == Scalar::u32);
    }

    // Such rows of up to four entries (triangles and quads) a block's worth at a time, with no
    // call per value, which the general way, writing the others, makes several of per row.
    // Entries lying side by side in the file's byte order go as copies of a fixed size.
    bool write_index_rows(std::size_t instances) {
        const SourcePlan &plan = plans_[0];
        const WriteSource &source = plan.source;
        const bool unsigned_entries = canonical(plan.property->value_type) == Scalar::u32;
        const bool swap =
            (ply_.storage_mode == PLY_BIG_ENDIAN) != (std::endian::native == std::endian::big);
        const bool ascii = ascii_;
        const bool copied = !swap && source.entry_stride == 4 && !unsigned_entries;
        // Kept in locals: the stores into the block could otherwise alias them.
        const unsigned char *const values = plan.values, *const lengths = plan.lengths;
        const std::size_t stride = source.stride, length_stride = source.length_stride;
        const std::size_t entry_stride = source.entry_stride;
        // Null for a longer row, or one with a negative entry that a uint cannot hold.
        const auto put_row = [&](std::size_t i, unsigned char *out) -> unsigned char * {
            const std::size_t length = lengths[i * length_stride];
            const unsigned char *entry = values + i * stride;
            if (length > 4) return nullptr;
            if (!ascii && copied && length >= 3) {
                *out = static_cast<unsigned char>(length);
                std::memcpy(out + 1, entry, 12);
                if (length == 4) std::memcpy(out + 13, entry + 12, 4);
                return out + 1 + 4 * length;
            }
            std::uint32_t bits = 0;
            char *text = reinterpret_cast<char *>(out);
            *text++ = ascii ? static_cast<char>('0' + length) : static_cast<char>(length);
            for (std::size_t j = 0; j < length; ++j, entry += entry_stride) {
                std::uint32_t value;
                std::memcpy(&value, entry, sizeof value);
                bits |= value;
                if (ascii) {
                    *text++ = ' ';
                    text = format_integer(text, static_cast<std::int32_t>(value));
                } else {
                    if (swap) value = byte_swap(value);
                    std::memcpy(text, &value, sizeof value);
                    text += sizeof value;
                }
            }
            if (ascii) *text++ = '\n';
            if (unsigned_entries && (bits >> 31) != 0) return nullptr;
            return reinterpret_cast<unsigned char *>(text);
        };
        const std::size_t most = ascii_ ? 5 * kMaxTextBytes + 1 : 17;
        for (std::size_t i = 0; i < instances;) {
            const std::size_t batch = std::min(instances - i, ByteSink::kBlockSize / most);
            unsigned char *out = sink_.reserve(batch * most);
            std::size_t done = 0;
            for (unsigned char *end; done < batch && (end = put_row(i + done, out)); ++done)
                out = end;
            sink_.commit(out);
            skip_written_instances(ply_, static_cast<std::int64_t>(done));
            i += done;
            if (done < batch && write_in_place(i, i + 1) == 0 && !write_by_value(i)) return false;
            if (done < batch) ++i;
        }
        return true;
    }

    // Instances from `first` on, each straight into the sink's block, up to the first that
    // cannot go so (a refused value, or an instance larger than a block); returns how many went.
    std::size_t write_in_place(std::size_t first, std::size_t instances) {
        std::size_t i = first, bound = 0;
        while (i < instances && bound_of(i, &bound)) {
            unsigned char *const out = put_instance(i, sink_.reserve(bound));
            if (!out) break;
            sink_.commit(out);
            ++i;
        }
        skip_written_instances(ply_, static_cast<std::int64_t>(i - first));
        return i - first;
    }

    // The most bytes instance i can take, when that fits a block and its lengths are held by
    // their types; the lengths are kept for the put functions.
    bool bound_of(std::size_t i, std::size_t *bound) {
        *bound = scalar_bytes_ + (ascii_ ? 1 : 0);
        for (std::size_t p = 0; has_lists_ && p < plans_.size(); ++p) {
            const SourcePlan &plan = plans_[p];
            if (!plan.list) continue;
            std::int64_t length = 0;
            if (!length_of(plan, i, &length) ||
                static_cast<std::uint64_t>(length) > ByteSink::kBlockSize)
                return false;
            lengths_[p] = static_cast<std::size_t>(length);
            const t_ply_property_ &property = *plan.property;
            *bound += ascii_ ? (1 + lengths_[p]) * kMaxTextBytes
                             : property.length_size + lengths_[p] * property.value_size;
        }
        return *bound <= ByteSink::kBlockSize;
    }

    // Instance i at `out`, returning its end; null when a value is refused.
    unsigned char *put_instance(std::size_t i, unsigned char *out) {
        for (std::size_t r = 0; r < runs_.size() && out; ++r) {
            const Run &run = runs_[r];
            const SourcePlan &plan = plans_[run.plan];
            const WriteSource &source = plan.source;
            const unsigned char *values = plan.values + i * source.stride;
            if (!plan.list) {
                out = plan.encode(values, run.step, run.count, out);
                continue;
            }
            out = plan.encode_length(plan.lengths + i * source.length_stride, 0, 1, out);
            if (out)
                out = plan.encode(values, static_cast<std::ptrdiff_t>(source.entry_stride),
                                  lengths_[run.plan], out);
        }
        if (out && ascii_) out[-1] = '\n';  // over the blank after the last value
        return out;
    }

    // A list's length by the writer's rule.
    static bool length_of(const SourcePlan &plan, std::size_t i, std::int64_t *length) {
        const unsigned char *at = plan.lengths + i * plan.source.length_stride;
        return list_length(plan.property->length_type, value_at(plan.source.length_type, at),
                           length);
    }

    // Exactly what ply_write does with each value of the instance in turn.
    bool write_by_value(std::size_t i) {
        for (const SourcePlan &plan : plans_) {
            const WriteSource &source = plan.source;
            const unsigned char *value = plan.values + i * source.stride;
            if (!plan.property->is_list()) {
                if (!ply_write(&ply_, value_at(source.type, value))) return false;
                continue;
            }
            const double length_value =
                value_at(source.length_type, plan.lengths + i * source.length_stride);
            if (!ply_write(&ply_, length_value)) return false;
            std::int64_t length = 0;
            list_length(plan.property->length_type, length_value, &length);
            for (std::int64_t j = 0; j < length; ++j, value += source.entry_stride) {
                if (!ply_write(&ply_, value_at(source.type, value))) return false;
            }
        }
        return true;
    }

    t_ply_ &ply_;
    ByteSink &sink_;
    std::vector<SourcePlan> &plans_;
    const bool ascii_;
    bool has_lists_ = false;
    std::size_t scalar_bytes_ = 0;  // the most an instance's scalars take
    std::vector<Run> runs_;
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
            plan.list = property.is_list();
            plan.source = source;
            plan.values = static_cast<const unsigned char *>(source.values);
            plan.lengths = static_cast<const unsigned char *>(source.lengths);
            plan.encode = encoder_for(ply->storage_mode, property.value_type, source.type);
            plan.encode_length =
                encoder_for(ply->storage_mode, property.length_type, source.length_type);
            plan.strided = strided_encoder_for(ply->storage_mode, property.value_type, source.type);
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
