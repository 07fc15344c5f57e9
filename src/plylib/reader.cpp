// The reading half of the API: opening, the header, callbacks, the data section.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "plylib/ascii_numbers.h"
#include "plylib/column_binding.h"
#include "plylib/copied_words.h"
#include "plylib/handle.h"
#include "plylib/header_parser.h"
#include "plylib/packed_values.h"
#include "plylib/rply_bulk.h"
#include "plylib/types.h"

namespace plylib {
namespace {

p_ply open_reader(std::unique_ptr<ByteSource> source, p_ply_error_cb error_cb, long idata,
                  void *pdata) {
    auto ply = std::make_unique<t_ply_>(false, error_cb, idata, pdata);
    ply->source = std::move(source);
    ply->input = std::make_unique<ValueInput>(*ply->source);
    return ply.release();
}

// A handle opened for reading; a writer's handle is reported as misused.
bool is_reader(p_ply ply) {
    if (!ply) return false;
    if (ply->writing) ply->error("This handle was created for writing, not reading");
    return !ply->writing;
}

// Records decoded column by column a slice of this many bytes at a time.
constexpr std::size_t kSliceBytes = std::size_t{32} << 10;

// The largest list length taken; a length is no allocation, this only keeps it an integer.
constexpr double kMaxListLength = 9.0e18;

bool valid_list_length(double length) {
    return length >= 0 && length <= kMaxListLength &&
           static_cast<double>(static_cast<std::int64_t>(length)) == length;
}

// What the bulk loops need of one property of the element at hand.
struct PropertyPlan {
    t_ply_property_ *property = nullptr;
    ColumnBinding *binding = nullptr;          // null: read, checked and dropped
    std::size_t offset = 0;                    // within a record of scalars only
    StridedDecoder strided = nullptr;          // binary, bound: values into the column
    InPlaceDecoder in_place = nullptr;         // ASCII: scalar values or list entries
    InPlaceDecoder in_place_length = nullptr;  // ASCII lists: the length, as a double
};

// ASCII, scalars only: neighbouring properties of one type that fill neighbouring slots of one
// column (x, y, z; red, green, blue), or that feed none, parsed by one call.
struct ScalarRun {
    InPlaceDecoder in_place = nullptr;
    ColumnBinding *binding = nullptr;
    std::size_t slot = 0;
    std::size_t count = 0;
};

// Reads the data section, element by element, instance by instance, property by property.
// In binary files, packed values that lie wholly in the current block take a fast path.
//
// An element none of whose properties has a callback is read by a bulk loop, whole instances
// at a time, straight into its columns. Whatever a bulk loop cannot take as it lies (a value
// across two blocks, the end of the file, an unusual ASCII token, an error) it leaves to the
// general path, one instance at a time, from that instance's first byte: so both give the same
// values and the same messages.
class DataReader {
  public:
    explicit DataReader(t_ply_ &ply)
        : ply_(ply),
          input_(*ply.input),
          source_(ply.source.get()),
          binary_(ply.storage_mode != PLY_ASCII) {}

    bool run() {
        for (ColumnBinding &binding : ply_.bindings) {
            binding.column->size = 0;
            binding.first_instance = 0;
            binding.instances_held = 0;
        }
        for (t_ply_element_ &element : ply_.elements) {
            // An element without properties takes no bytes, whatever its count.
            if (element.properties.empty() || element.ninstances == 0) continue;
            if (!start_element(element)) return false;
            const bool ok = bulk_ ? read_bulk(element) : read_each(element);
            if (!ok) return false;
        }
        return true;
    }

  private:
    bool start_element(t_ply_element_ &element) {
        std::vector<t_ply_property_ *> &properties = element.order;
        properties.clear();
        bindings_.clear();
        plans_.clear();
        bulk_ = true;
        all_scalar_ = true;
        std::uint64_t least_bytes = 0;  // that an instance can take
        std::size_t offset = 0;
        for (t_ply_property_ &property : element.properties) {
            properties.push_back(&property);
            if (property.read_cb) bulk_ = false;
            if (property.is_list()) all_scalar_ = false;
            ColumnBinding *binding = property.binding;
            if (binding &&
                std::find(bindings_.begin(), bindings_.end(), binding) == bindings_.end())
                bindings_.push_back(binding);
            PropertyPlan plan;
            plan.property = &property;
            plan.binding = binding;
            plan.offset = offset;
            const ColumnType target = binding ? binding->column->type : ColumnType::float64;
            if (binary_) {
                if (binding)
                    plan.strided =
                        strided_decoder_for(ply_.storage_mode, property.value_type, target);
                const std::size_t size =
                    property.is_list() ? property.length_size : property.value_size;
                offset += size;
                least_bytes += size;
            } else {
                plan.in_place = binding ? in_place_decoder_for(property.value_type, target)
                                        : in_place_checker_for(property.value_type);
                plan.in_place_length =
                    in_place_decoder_for(property.length_type, ColumnType::float64);
                least_bytes += 2;  // a digit and a blank
            }
            plans_.push_back(plan);
        }
        record_size_ = offset;
        if (!binary_ && all_scalar_) plan_scalar_runs();
        argument_.element = &element;
        // Room for the declared instances, but never more than the bytes left could hold.
        const std::uint64_t backed = source_->remaining() / std::max<std::uint64_t>(least_bytes, 1);
        instance_limit_ = static_cast<std::uint64_t>(element.ninstances);
        const std::uint64_t expected = std::min(backed, instance_limit_);
        for (ColumnBinding *binding : bindings_) {
            // A column that is handed on as it fills keeps the room its caller gave it.
            if (binding->column->drain) continue;
            if (expected > 0 && !room(*binding, expected, binding->width)) return false;
        }
        return true;
    }

    void plan_scalar_runs() {
        runs_.clear();
        for (const PropertyPlan &plan : plans_) {
            const t_ply_property_ &property = *plan.property;
            if (!runs_.empty()) {
                ScalarRun &last = runs_.back();
                if (last.binding == plan.binding && last.in_place == plan.in_place &&
                    (!plan.binding || property.slot == last.slot + last.count)) {
                    ++last.count;
                    continue;
                }
            }
            runs_.push_back({plan.in_place, plan.binding, plan.binding ? property.slot : 0, 1});
        }
    }

    bool read_each(t_ply_element_ &element) {
        for (std::int64_t instance = 0; instance < element.ninstances; ++instance) {
            if (!read_instance(instance)) return false;
        }
        return true;
    }

    // The general path: one instance, value by value.
    bool read_instance(std::int64_t instance) {
        instance_ = instance;
        argument_.instance_index = clamp_to_long(instance);
        if (!room_for_instance(static_cast<std::uint64_t>(instance))) return false;
        for (ColumnBinding *binding : bindings_) binding->row_pending = false;
        for (t_ply_property_ *property : argument_.element->order) {
            if (!(property->is_list() ? read_list(*property) : read_scalar(*property)))
                return false;
        }
        commit(static_cast<std::uint64_t>(instance) + 1);
        return true;
    }

    // Every column of the element holds the values of the first `instances` instances.
    void commit(std::uint64_t instances) {
        for (ColumnBinding *binding : bindings_) {
            if (!binding->rows) {
                // room() made sure the product fits.
                binding->column->size =
                    static_cast<std::size_t>(instances - binding->first_instance) * binding->width;
            } else if (binding->row_pending) {
                binding->column->size += binding->width;
                binding->row_pending = false;
            }
        }
    }

    // Room in every column for one more instance after the first `instance`.
    bool room_for_instance(std::uint64_t instance) {
        for (ColumnBinding *binding : bindings_) {
            const Column &column = *binding->column;
            // Nearly always the room is there, which takes no division to see.
            const bool has_room =
                binding->rows ? column.capacity - column.size >= binding->width
                              : instance - binding->first_instance < binding->instances_held;
            if (!has_room && !room_for_instances(*binding, instance, instance + 1)) return false;
        }
        return true;
    }

    // Room for the values of the instances before `end` (scalars), or for one more row, when
    // those before `start` are complete; a full column that is handed on is drained first.
    bool room_for_instances(ColumnBinding &binding, std::uint64_t start, std::uint64_t end) {
        Column &column = *binding.column;
        const auto needed_rows = [&] {
            return binding.rows ? column.size / binding.width + 1 : end - binding.first_instance;
        };
        if (column.drain && column.size > 0 && needed_rows() > column.capacity / binding.width) {
            column.drain(column, column.drain_context);
            column.size = 0;
            binding.first_instance = start;
        }
        return room(binding, needed_rows(), binding.width);
    }

    // Room for `count` x `width` values (counts are 64-bit on every build; a column is not).
    bool room(ColumnBinding &binding, std::uint64_t count, std::uint64_t width) {
        if (count > SIZE_MAX / width) return out_of_memory();
        const auto needed = static_cast<std::size_t>(count * width);
        Column &column = *binding.column;
        if (needed > column.capacity) {
            // Doubling, but never past what the declared instances need.
            const std::size_t limit = instance_limit_ > SIZE_MAX / width
                                          ? SIZE_MAX
                                          : static_cast<std::size_t>(instance_limit_ * width);
            const std::size_t grown =
                std::max(needed, column.capacity > limit / 2 ? limit : column.capacity * 2);
            if (!reserve_column(column, grown)) return out_of_memory();
        }
        binding.instances_held = column.capacity / width;
        return true;
    }

    bool out_of_memory() {
        ply_.error("Out of memory reading the data");
        return false;
    }

    bool read_bulk(t_ply_element_ &element) {
        if (all_scalar_)
            return binary_ ? read_binary_records(element) : read_ascii_records(element);
        if (byte_counted_int_rows()) {
            if (!binary_) return read_ascii_counted_rows(element);
            const bool swap =
                (ply_.storage_mode == PLY_BIG_ENDIAN) != (std::endian::native == std::endian::big);
            return read_byte_counted_rows(element, swap);
        }
        return read_instances(element);
    }

    // The faces of nearly every mesh file: an element of one list, its count an unsigned byte
    // and its entries 32-bit integers, read into rows of int32 (whose value is the entry's low
    // 32 bits: in binary, its bits as they are).
    bool byte_counted_int_rows() const {
        if (plans_.size() != 1 || !plans_[0].binding) return false;
        const t_ply_property_ &property = *plans_[0].property;
        const Scalar entry = canonical(property.value_type);
        return property.is_list() && canonical(property.length_type) == Scalar::u8 &&
               (entry == Scalar::i32 || entry == Scalar::u32) &&
               plans_[0].binding->column->type == ColumnType::int32;
    }

    // Such rows straight from the block, an instance per turn with no call; an instance that
    // runs past the block goes the general way.
    bool read_byte_counted_rows(t_ply_element_ &element, bool swap) {
        ColumnBinding &binding = *plans_[0].binding;
        Column &column = *binding.column;
        const std::size_t width = binding.width;
        const std::size_t min_length = binding.min_length;
        std::int32_t pad;
        std::memcpy(&pad, binding.pad_bytes, sizeof pad);
        const auto entry = [swap](const unsigned char *at) {
            std::uint32_t bits;
            std::memcpy(&bits, at, sizeof bits);
            if (swap) bits = byte_swap(bits);
            return static_cast<std::int32_t>(bits);
        };
        const bool whole_rows = !swap && width == 4 && min_length <= 3;
        const auto total = static_cast<std::uint64_t>(element.ninstances);
        std::uint64_t instance = 0;
        while (instance < total) {
            const std::uint64_t stop = instance + rows_with_room(binding, instance, total);
            if (stop == instance) return false;
            // The loop keeps its place in the block and in the column to itself, and hands
            // them back around an instance that goes the general way.
            const unsigned char *p = source_->cur;
            const unsigned char *end = source_->end;
            std::int32_t *row =
                reinterpret_cast<std::int32_t *>(column.storage.get()) + column.size;
            std::size_t rows = 0;
            for (; instance < stop; ++instance) {
                // Triangles and quads into rows of four, while the block holds the most that
                // one can take: each row's four places copied whole, a triangle's last then
                // padded.
                if (whole_rows) {
                    for (; instance < stop && end - p > 16; ++instance) {
                        const std::size_t length = *p;
                        if (length != 3 && length != 4) break;
                        std::memcpy(row, p + 1, 16);
                        if (length == 3) row[3] = pad;
                        row += 4;
                        ++rows;
                        p += 1 + 4 * length;
                    }
                    if (instance == stop) break;
                }
                const auto left = static_cast<std::size_t>(end - p);
                const std::size_t length = left > 0 ? *p : 0;
                if (left == 0 || (left - 1) / 4 < length) {
                    source_->cur = p;
                    column.size += rows * width;
                    rows = 0;
                    if (!read_instance(static_cast<std::int64_t>(instance))) return false;
                    p = source_->cur;
                    end = source_->end;
                    row = reinterpret_cast<std::int32_t *>(column.storage.get()) + column.size;
                    continue;
                }
                ++p;
                if (length >= min_length && length <= width) {
                    if (length == 3) {  // nearly every face
                        row[0] = entry(p);
                        row[1] = entry(p + 4);
                        row[2] = entry(p + 8);
                    } else {
                        for (std::size_t j = 0; j < length; ++j) row[j] = entry(p + 4 * j);
                    }
                    for (std::size_t j = length; j < width; ++j) row[j] = pad;
                    row += width;
                    ++rows;
                }
                p += 4 * length;
            }
            source_->cur = p;
            column.size += rows * width;
        }
        return true;
    }

    // Room for a row for instance `instance` and then for as many of the instances after it as
    // the column holds (each makes at most one row), up to `total`; 0 when there is none.
    std::uint64_t rows_with_room(ColumnBinding &binding, std::uint64_t instance,
                                 std::uint64_t total) {
        if (!room_for_instance(instance)) return 0;
        const Column &column = *binding.column;
        return std::min<std::uint64_t>(total - instance,
                                       (column.capacity - column.size) / binding.width);
    }

    // The same in ASCII: an instance per turn, its tokens parsed where they lie.
    bool read_ascii_counted_rows(t_ply_element_ &element) {
        ColumnBinding &binding = *plans_[0].binding;
        Column &column = *binding.column;
        const CountedRowDecoder decode = counted_row_decoder_for(plans_[0].property->value_type);
        std::int32_t pad;
        std::memcpy(&pad, binding.pad_bytes, sizeof pad);
        const auto total = static_cast<std::uint64_t>(element.ninstances);
        std::uint64_t instance = 0;
        while (instance < total) {
            const std::uint64_t stop = instance + rows_with_room(binding, instance, total);
            if (stop == instance) return false;
            for (; instance < stop; ++instance) {
                auto *row = reinterpret_cast<std::int32_t *>(column.storage.get()) + column.size;
                bool kept = false;
                if (decode(source_->cur, source_->end, binding.min_length, binding.width, pad, row,
                           &kept)) {
                    if (kept) column.size += binding.width;
                } else if (!read_instance(static_cast<std::int64_t>(instance))) {
                    return false;
                }
            }
        }
        return true;
    }

    // For each run of x, y, z and the like (neighbouring values that go as they lie into
    // neighbouring places of one column), how many it holds, at its first property.
    std::vector<std::size_t> copied_runs() const {
        return plylib::copied_runs(
            plans_.size(),
            [this](std::size_t p) {
                const PropertyPlan &plan = plans_[p];
                return plan.binding && copied_as_is(ply_.storage_mode, plan.property->value_type,
                                                    plan.binding->column->type);
            },
            [this](std::size_t last, std::size_t next) {
                const PropertyPlan &a = plans_[last], &b = plans_[next];
                return b.binding == a.binding && b.property->slot == a.property->slot + 1 &&
                       b.offset == a.offset + 4;
            });
    }

    // Binary, scalars only: records of one size, a block's worth per loop, column by column.
    bool read_binary_records(t_ply_element_ &element) {
        const std::vector<std::size_t> runs = copied_runs();
        const auto total = static_cast<std::uint64_t>(element.ninstances);
        std::uint64_t instance = 0;
        while (instance < total) {
            const std::size_t whole =
                static_cast<std::size_t>(source_->end - source_->cur) / record_size_;
            if (whole == 0) {
                if (!read_instance(static_cast<std::int64_t>(instance))) return false;
                ++instance;
                continue;
            }
            const auto count =
                static_cast<std::size_t>(std::min<std::uint64_t>(whole, total - instance));
            for (ColumnBinding *binding : bindings_) {
                if (!room_for_instances(*binding, instance, instance + count)) return false;
            }
            // Column by column over a slice of records small enough to stay in the processor's
            // cache for all of them.
            const std::size_t slice = std::max<std::size_t>(kSliceBytes / record_size_, 1);
            for (std::size_t first = 0; first < count; first += slice) {
                const std::size_t records = std::min(slice, count - first);
                const unsigned char *slice_start = source_->cur + first * record_size_;
                for (std::size_t p = 0; p < plans_.size();) {
                    const PropertyPlan &plan = plans_[p];
                    const std::size_t run = runs[p];
                    if (!plan.binding) {
                        ++p;
                        continue;
                    }
                    const std::size_t row_bytes =
                        plan.binding->width * column_value_size(plan.binding->column->type);
                    const auto at = [&](const PropertyPlan &one) {
                        return scalar_at(*one.binding, instance + first, one.property->slot);
                    };
                    // A NaN or an infinity among floats: their decoders take the run.
                    if (run > 0 && (copy_words(slice_start + plan.offset, record_size_, run,
                                               records, at(plan), row_bytes) ||
                                    plan.binding->column->type != ColumnType::float32)) {
                        p += run;
                        continue;
                    }
                    for (const std::size_t end = p + std::max<std::size_t>(run, 1); p < end; ++p) {
                        const PropertyPlan &one = plans_[p];
                        one.strided(slice_start + one.offset, record_size_, records, at(one),
                                    row_bytes);
                    }
                }
            }
            source_->cur += count * record_size_;
            instance += count;
            commit(instance);
        }
        return true;
    }

    // ASCII, scalars only: as many instances per turn as the columns hold, a call per run of
    // properties; an instance not wholly in the block, or with an unusual token, goes the
    // general way.
    bool read_ascii_records(t_ply_element_ &element) {
        const auto total = static_cast<std::uint64_t>(element.ninstances);
        std::uint64_t instance = 0;
        while (instance < total) {
            if (!room_for_instance(instance)) return false;
            std::uint64_t batch = total - instance;
            for (const ColumnBinding *binding : bindings_)
                batch =
                    std::min(batch, binding->instances_held - (instance - binding->first_instance));
            const unsigned char *p = source_->cur;
            const unsigned char *const end = source_->end;
            std::uint64_t done = 0;
            for (; done < batch; ++done) {
                const unsigned char *q = p;
                bool whole = true;
                for (const ScalarRun &run : runs_) {
                    unsigned char *dst =
                        run.binding ? scalar_at(*run.binding, instance + done, run.slot) : nullptr;
                    if (!run.in_place(q, end, dst, run.count)) {
                        whole = false;
                        break;
                    }
                }
                if (!whole) break;
                p = q;
            }
            source_->cur = p;
            instance += done;
            commit(instance);
            if (done < batch) {
                if (!read_instance(static_cast<std::int64_t>(instance))) return false;
                ++instance;
            }
        }
        return true;
    }

    // With lists: an instance at a time, as long as it lies wholly in the block (ASCII: its
    // tokens parsed where they lie).
    bool read_instances(t_ply_element_ &element) {
        const auto total = static_cast<std::uint64_t>(element.ninstances);
        for (std::uint64_t instance = 0; instance < total; ++instance) {
            if (!room_for_instance(instance)) return false;
            const bool in_place =
                binary_ ? binary_instance_in_place(instance) : ascii_instance_in_place(instance);
            if (!in_place && !read_instance(static_cast<std::int64_t>(instance))) return false;
        }
        return true;
    }

    // Where a scalar's value of `instance` goes in its column.
    static unsigned char *scalar_at(const ColumnBinding &binding, std::uint64_t instance,
                                    std::size_t slot) {
        const Column &column = *binding.column;
        return column.storage.get() +
               scalar_index(binding, instance, slot) * column_value_size(column.type);
    }
    static std::size_t scalar_index(const ColumnBinding &binding, std::uint64_t instance,
                                    std::size_t slot) {
        return static_cast<std::size_t>(instance - binding.first_instance) * binding.width + slot;
    }

    // Where a list of `length` entries goes as the column's next row; null when it is no row.
    static unsigned char *row_for(ColumnBinding *binding, std::uint64_t length) {
        if (!binding || length < binding->min_length || length > binding->width) return nullptr;
        const Column &column = *binding->column;
        return column.storage.get() + column.size * column_value_size(column.type);
    }

    // The row just filled with `length` entries is padded, and counted with its instance.
    void finish_row(ColumnBinding &binding, std::uint64_t length) {
        pad_row(binding, static_cast<std::size_t>(length));
        binding.row_pending = true;
    }

    bool binary_instance_in_place(std::uint64_t instance) {
        const unsigned char *p = source_->cur;
        const unsigned char *const end = source_->end;
        for (const PropertyPlan &plan : plans_) {
            const t_ply_property_ &property = *plan.property;
            ColumnBinding *binding = plan.binding;
            if (!property.is_list()) {
                if (static_cast<std::size_t>(end - p) < property.value_size) return abandon();
                if (binding) plan.strided(p, 0, 1, scalar_at(*binding, instance, property.slot), 0);
                p += property.value_size;
                continue;
            }
            if (static_cast<std::size_t>(end - p) < property.length_size) return abandon();
            const double length_value = property.packed_length(p);
            if (!valid_list_length(length_value)) return abandon();
            p += property.length_size;
            const auto length = static_cast<std::uint64_t>(length_value);
            if (static_cast<std::uint64_t>(end - p) / property.value_size < length)
                return abandon();
            if (unsigned char *row = row_for(binding, length)) {
                plan.strided(p, property.value_size, static_cast<std::size_t>(length), row,
                             column_value_size(binding->column->type));
                finish_row(*binding, length);
            }
            p += static_cast<std::size_t>(length) * property.value_size;
        }
        source_->cur = p;
        commit(instance + 1);
        return true;
    }

    bool ascii_instance_in_place(std::uint64_t instance) {
        const unsigned char *p = source_->cur;
        const unsigned char *const end = source_->end;
        for (const PropertyPlan &plan : plans_) {
            const t_ply_property_ &property = *plan.property;
            ColumnBinding *binding = plan.binding;
            if (!property.is_list()) {
                unsigned char *dst =
                    binding ? scalar_at(*binding, instance, property.slot) : nullptr;
                if (!plan.in_place(p, end, dst, 1)) return abandon();
                continue;
            }
            double length_value;
            if (!plan.in_place_length(p, end, reinterpret_cast<unsigned char *>(&length_value),
                                      1) ||
                !valid_list_length(length_value))
                return abandon();
            const auto length = static_cast<std::uint64_t>(length_value);
            if (unsigned char *row = row_for(binding, length)) {
                if (!plan.in_place(p, end, row, static_cast<std::size_t>(length))) return abandon();
                finish_row(*binding, length);
            } else {
                // Checked only: a list longer than the block cannot lie in it whole.
                if (length > static_cast<std::uint64_t>(end - p) ||
                    !in_place_checker_for(property.value_type)(p, end, nullptr,
                                                               static_cast<std::size_t>(length)))
                    return abandon();
            }
        }
        source_->cur = p;
        commit(instance + 1);
        return true;
    }

    // The bulk loop leaves the instance to the general path, which starts it afresh.
    bool abandon() {
        for (ColumnBinding *binding : bindings_) binding->row_pending = false;
        return false;
    }

    void pad_row(ColumnBinding &binding, std::size_t length) {
        Column &column = *binding.column;
        const std::size_t value_size = column_value_size(column.type);
        unsigned char *at = column.storage.get() + (column.size + length) * value_size;
        for (std::size_t i = length; i < binding.width; ++i, at += value_size)
            std::memcpy(at, binding.pad_bytes, value_size);
    }

    // The next value of the property's value or length type.
    bool next(const t_ply_property_ &property, Decoder decode, PackedDecoder packed,
              std::size_t size, e_ply_type type, double *value) {
        if (binary_) {
            if (static_cast<std::size_t>(source_->end - source_->cur) >= size) {
                *value = packed(source_->cur);
                source_->cur += size;
                return true;
            }
        }
        const DecodeStatus status = decode(input_, value);
        if (status == DecodeStatus::ok) return true;
        return value_error(property, status, type);
    }

    bool read_scalar(t_ply_property_ &property) {
        double value;
        if (!next(property, property.decode_value, property.packed_value, property.value_size,
                  property.value_type, &value))
            return false;
        if (ColumnBinding *binding = property.binding) {
            store_column_value(
                *binding->column,
                scalar_index(*binding, static_cast<std::uint64_t>(instance_), property.slot),
                value);
            return true;
        }
        if (!property.read_cb) return true;
        argument_.property = &property;
        argument_.length = 1;
        argument_.value_index = 0;
        argument_.value = value;
        argument_.pdata = property.pdata;
        argument_.idata = property.idata;
        return call(property);
    }

    bool read_list(t_ply_property_ &property) {
        double length_value;
        if (!next(property, property.decode_length, property.packed_length, property.length_size,
                  property.length_type, &length_value))
            return false;
        if (!valid_list_length(length_value)) {
            return fail("Invalid list length " + number_text(length_value), property);
        }
        const auto length = static_cast<std::int64_t>(length_value);
        if (ColumnBinding *binding = property.binding) return read_row(property, *binding, length);
        std::int64_t i = 0;
        if (property.read_cb) {
            argument_.property = &property;
            argument_.length = clamp_to_long(length);
            argument_.value_index = -1;
            argument_.value = length_value;
            argument_.pdata = property.pdata;
            argument_.idata = property.idata;
            if (!call(property)) return false;
        }
        if (binary_) {
            // The whole list in the current block: straight from the bytes.
            const std::size_t size = property.value_size;
            if (length <= static_cast<std::int64_t>(
                              static_cast<std::size_t>(source_->end - source_->cur) / size)) {
                const PackedDecoder packed = property.packed_value;
                if (!property.read_cb) {
                    source_->cur += static_cast<std::size_t>(length) * size;
                    return true;
                }
                for (; i < length; ++i) {
                    argument_.value = packed(source_->cur);
                    source_->cur += size;
                    argument_.value_index = clamp_to_long(i);
                    if (!call(property)) return false;
                }
                return true;
            }
        }
        double value;
        for (; i < length; ++i) {
            if (!next(property, property.decode_value, property.packed_value, property.value_size,
                      property.value_type, &value))
                return false;
            if (!property.read_cb) continue;
            argument_.value = value;
            argument_.value_index = clamp_to_long(i);
            if (!call(property)) return false;
        }
        return true;
    }

    // A list that feeds a column: a row when its length fits, read and dropped otherwise.
    bool read_row(t_ply_property_ &property, ColumnBinding &binding, std::int64_t length) {
        const bool kept = static_cast<std::uint64_t>(length) >= binding.min_length &&
                          static_cast<std::uint64_t>(length) <= binding.width;
        double value;
        for (std::int64_t i = 0; i < length; ++i) {
            if (!next(property, property.decode_value, property.packed_value, property.value_size,
                      property.value_type, &value))
                return false;
            if (kept)
                store_column_value(*binding.column,
                                   binding.column->size + static_cast<std::size_t>(i), value);
        }
        if (kept) finish_row(binding, static_cast<std::uint64_t>(length));
        return true;
    }

    bool call(t_ply_property_ &property) {
        if (property.read_cb(&argument_)) return true;
        return fail("Read aborted by the callback", property);
    }

    // A read fails once at most: cold keeps the messages' building out of the loops that can
    // fail, which inlined it into every one of them (5 KB of the 32-bit plug-in).
    [[gnu::cold]] bool value_error(const t_ply_property_ &property, DecodeStatus status,
                                   e_ply_type type) {
        // Only ASCII values are ever invalid or out of range; their token is at hand.
        const auto token = [this] {
            return std::string_view(input_.token_begin, static_cast<std::size_t>(
                                                            input_.token_end - input_.token_begin));
        };
        switch (status) {
            case DecodeStatus::end_of_input:
                return fail("Unexpected end of file", property);
            case DecodeStatus::read_error:
                return fail("Error reading file", property);
            case DecodeStatus::invalid:
                return fail(std::string("Invalid ") + type_word(type) + " value " + quote(token()),
                            property);
            case DecodeStatus::out_of_range:
                return fail("Value " + quote(token()) + " out of range for " + type_word(type),
                            property);
            case DecodeStatus::ok:
                break;
        }
        return false;
    }

    static std::string number_text(double value) {
        char text[kMaxNumberChars];
        return std::string(text, format_float64(text, value));
    }

    [[gnu::cold]] bool fail(const std::string &what, const t_ply_property_ &property) {
        ply_.error(what + " in element '" + property.element->name + "' (instance " +
                   std::to_string(instance_) + "), property '" + property.name + "'");
        return false;
    }

    t_ply_ &ply_;
    ValueInput &input_;
    ByteSource *source_;
    const bool binary_;
    t_ply_argument_ argument_;
    std::int64_t instance_ = 0;
    // The element at hand.
    std::vector<ColumnBinding *> bindings_;
    std::vector<PropertyPlan> plans_;
    std::vector<ScalarRun> runs_;
    bool bulk_ = false;
    bool all_scalar_ = false;
    std::size_t record_size_ = 0;
    std::uint64_t instance_limit_ = 0;
};

}  // namespace
}  // namespace plylib

using namespace plylib;

p_ply ply_open(const char *name, p_ply_error_cb error_cb, long idata, void *pdata) {
    if (!error_cb) error_cb = default_error_cb;
    try {
        FileHandle file = name ? open_file(name, "rb") : nullptr;
        if (!file) {
            error_cb(nullptr, "Unable to open file");
            return nullptr;
        }
        return open_reader(std::make_unique<ByteSource>(std::move(file)), error_cb, idata, pdata);
    } catch (const std::bad_alloc &) {
        error_cb(nullptr, "Out of memory");
        return nullptr;
    }
}

p_ply ply_open_memory(const void *data, std::size_t size, p_ply_error_cb error_cb, long idata,
                      void *pdata) {
    if (!error_cb) error_cb = default_error_cb;
    if (!data && size > 0) {
        error_cb(nullptr, "No data to read");
        return nullptr;
    }
    try {
        return open_reader(std::make_unique<ByteSource>(data, size), error_cb, idata, pdata);
    } catch (const std::bad_alloc &) {
        error_cb(nullptr, "Out of memory");
        return nullptr;
    }
}

int ply_read_header(p_ply ply) {
    if (!is_reader(ply)) return 0;
    if (ply->phase != Phase::header_unread) {
        ply->error("The header was already read");
        return 0;
    }
    try {
        const bool ok = parse_header(ply);
        ply->phase = ok ? Phase::header_read : Phase::failed;
        return ok ? 1 : 0;
    } catch (const std::bad_alloc &) {
        ply->phase = Phase::failed;
        ply->error("Out of memory reading the header");
        return 0;
    }
}

namespace {

// Names are matched as C callers see them: a name read with a NUL byte in it is its text up to
// that byte, as ply_get_element_info and ply_get_property_info hand it out. Whole names would
// let a caller that walks the elements and one that looks "vertex" up by name find different
// elements. Only the first element of a name is found, and the first property of a name in it.
bool named(const std::string &name, const char *wanted) {
    return std::strcmp(name.c_str(), wanted) == 0;
}

t_ply_element_ *find_element(p_ply ply, const char *name) {
    if (!name) return nullptr;
    for (t_ply_element_ &element : ply->elements) {
        if (named(element.name, name)) return &element;
    }
    return nullptr;
}

t_ply_property_ *find_property(t_ply_element_ &element, const char *name) {
    if (!name) return nullptr;
    for (t_ply_property_ &property : element.properties) {
        if (named(property.name, name)) return &property;
    }
    return nullptr;
}

}  // namespace

long ply_set_read_cb(p_ply ply, const char *element_name, const char *property_name,
                     p_ply_read_cb read_cb, void *pdata, long idata) {
    if (!is_reader(ply)) return 0;
    if (ply->phase != Phase::header_read) {
        ply->error("Read callbacks are set between ply_read_header and ply_read");
        return 0;
    }
    t_ply_element_ *element = find_element(ply, element_name);
    t_ply_property_ *property = element ? find_property(*element, property_name) : nullptr;
    if (!property) return 0;
    if (property->binding) {
        ply->error("Property '" + property->name + "' already feeds a column");
        return 0;
    }
    property->read_cb = read_cb;
    property->pdata = pdata;
    property->idata = idata;
    return clamp_to_long(element->ninstances);
}

namespace {

bool reading_between_header_and_data(p_ply ply) {
    if (!is_reader(ply)) return false;
    if (ply->phase == Phase::header_read) return true;
    ply->error("Read columns are set between ply_read_header and ply_read");
    return false;
}

bool bindable(p_ply ply, const t_ply_property_ &property, bool list) {
    if (property.binding) {
        ply->error("Property '" + property.name + "' already feeds a column");
        return false;
    }
    if (property.is_list() != list) {
        ply->error("Property '" + property.name + (list ? "' is not a list" : "' is a list"));
        return false;
    }
    return true;
}

}  // namespace

long ply_set_read_column(p_ply ply, const char *element_name, const char *const *names,
                         std::size_t count, Column *column) {
    if (!reading_between_header_and_data(ply) || !column || (!names && count > 0)) return 0;
    t_ply_element_ *element = find_element(ply, element_name);
    if (!element) return 0;
    std::vector<t_ply_property_ *> found;
    try {
        for (std::size_t i = 0; i < count; ++i) {
            t_ply_property_ *property = find_property(*element, names[i]);
            if (!property || std::find(found.begin(), found.end(), property) != found.end())
                continue;
            if (!bindable(ply, *property, false)) return 0;
            found.push_back(property);
        }
        if (found.empty()) return 0;
        // Side by side in declaration order, whatever order the names came in (a handful).
        for (std::size_t i = 1; i < found.size(); ++i) {
            for (std::size_t j = i; j > 0 && found[j - 1]->index > found[j]->index; --j)
                std::swap(found[j - 1], found[j]);
        }
        ColumnBinding &binding = ply->bindings.emplace_back();
        binding.column = column;
        binding.width = found.size();
        for (std::size_t slot = 0; slot < found.size(); ++slot) {
            found[slot]->binding = &binding;
            found[slot]->slot = slot;
            found[slot]->read_cb = nullptr;
        }
    } catch (const std::bad_alloc &) {
        ply->error("Out of memory");
        return 0;
    }
    return clamp_to_long(element->ninstances);
}

long ply_set_read_rows(p_ply ply, const char *element_name, const char *name,
                       std::size_t min_length, std::size_t width, double pad, Column *column) {
    if (!reading_between_header_and_data(ply) || !column) return 0;
    if (width == 0 || min_length > width) {
        ply->error("Invalid row shape");
        return 0;
    }
    t_ply_element_ *element = find_element(ply, element_name);
    t_ply_property_ *property = element ? find_property(*element, name) : nullptr;
    if (!property || !bindable(ply, *property, true)) return 0;
    try {
        ColumnBinding &binding = ply->bindings.emplace_back();
        binding.column = column;
        binding.width = width;
        binding.rows = true;
        binding.min_length = min_length;
        store_value_as(column->type, binding.pad_bytes, pad);
        property->binding = &binding;
        property->slot = 0;
        property->read_cb = nullptr;
    } catch (const std::bad_alloc &) {
        ply->error("Out of memory");
        return 0;
    }
    return clamp_to_long(element->ninstances);
}

int ply_read(p_ply ply) {
    if (!is_reader(ply)) return 0;
    if (ply->phase != Phase::header_read) {
        ply->error(ply->phase == Phase::data_read ? "The data was already read"
                                                  : "The header was not read");
        return 0;
    }
    ply->phase = Phase::data_read;
    try {
        const bool ok = DataReader(*ply).run();
        return ok ? 1 : 0;
    } catch (const std::bad_alloc &) {
        ply->error("Out of memory reading the data");
        return 0;
    }
}

double ply_get_argument_value(p_ply_argument argument) {
    return argument ? argument->value : 0.0;
}

int ply_get_argument_property(p_ply_argument argument, p_ply_property *property, long *length,
                              long *value_index) {
    if (!argument) return 0;
    if (property) *property = argument->property;
    if (length) *length = argument->length;
    if (value_index) *value_index = argument->value_index;
    return 1;
}

int ply_get_argument_element(p_ply_argument argument, p_ply_element *element,
                             long *instance_index) {
    if (!argument) return 0;
    if (element) *element = argument->element;
    if (instance_index) *instance_index = argument->instance_index;
    return 1;
}

int ply_get_argument_user_data(p_ply_argument argument, void **pdata, long *idata) {
    if (!argument) return 0;
    if (pdata) *pdata = argument->pdata;
    if (idata) *idata = argument->idata;
    return 1;
}
