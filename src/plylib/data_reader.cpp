#include "plylib/data_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plylib/ascii_numbers.h"
#include "plylib/column_binding.h"
#include "plylib/types.h"

namespace plylib {
namespace {

// Records decoded column by column a slice of this many bytes at a time.
constexpr std::size_t kSliceBytes = std::size_t{32} << 10;

// The largest list length taken; a length is no allocation, this only keeps it an integer.
constexpr double kMaxListLength = 9.0e18;

bool valid_list_length(double length) {
    return length >= 0 && length <= kMaxListLength &&
           static_cast<double>(static_cast<std::int64_t>(length)) == length;
}

// One property of an instance and the readers its storage mode, value type and destination
// chose.
struct Step {
    t_ply_property_ *property = nullptr;
    ColumnBinding *binding = nullptr;   // null: a callback's, or checked and dropped
    ValueReader read = nullptr;         // into the column, as a double for a callback, or checked
    ValueReader read_length = nullptr;  // lists: the length as a double
    ValueReader check = nullptr;        // lists: the entries of a list that is no row
};

// Reads the data section, element by element, instance by instance, step by step, each step's
// values by one call to the reader its property's storage mode, value type and destination
// chose. The byte source keeps a value whole in its window, so the readers never see one cut.
class DataReader {
  public:
    explicit DataReader(t_ply_ &ply)
        : ply_(ply), input_(*ply.input), source_(*ply.source), mode_(ply.storage_mode) {}

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
            const auto total = static_cast<std::uint64_t>(element.ninstances);
            const bool ok = records_ ? read_records(element, total) : read_instances(0, total);
            if (!ok) return false;
        }
        return true;
    }

  private:
    bool start_element(t_ply_element_ &element) {
        steps_.clear();
        bindings_.clear();
        records_ = mode_ != PLY_ASCII;
        record_size_ = 0;
        std::uint64_t least_bytes = 0;  // that an instance can take
        for (t_ply_property_ &property : element.properties) {
            ColumnBinding *binding = property.binding;
            if (binding &&
                std::find(bindings_.begin(), bindings_.end(), binding) == bindings_.end())
                bindings_.push_back(binding);
            if (property.read_cb || property.is_list()) records_ = false;
            const std::size_t size =
                property.is_list() ? property.length_size : property.value_size;
            record_size_ += size;
            least_bytes += mode_ == PLY_ASCII ? 2 : size;  // ASCII: a digit and a blank
            add_step(property);
        }
        face_rows_ = nullptr;
        const t_ply_property_ &first = element.properties.front();
        if (element.properties.size() == 1 && first.binding && first.binding->rows) {
            face_rows_ = face_rows_reader_for(mode_, first.length_type, first.value_type,
                                              first.binding->column->type);
            std::memcpy(&row_shape_.pad, first.binding->pad_bytes, sizeof row_shape_.pad);
            row_shape_.min_length = first.binding->min_length;
            row_shape_.width = first.binding->width;
        }
        argument_.element = &element;
        // Room for the declared instances, but never more than the bytes left could hold.
        const std::uint64_t backed = source_.remaining() / std::max<std::uint64_t>(least_bytes, 1);
        instance_limit_ = static_cast<std::uint64_t>(element.ninstances);
        const std::uint64_t expected = std::min(backed, instance_limit_);
        for (ColumnBinding *binding : bindings_) {
            // A column that is handed on as it fills keeps the room its caller gave it.
            if (binding->column->drain) continue;
            if (expected > 0 && !room(*binding, expected, binding->width)) return false;
        }
        return true;
    }

    void add_step(t_ply_property_ &property) {
        ColumnBinding *binding = property.binding;
        Step step;
        step.property = &property;
        step.binding = binding;
        step.check = value_checker_for(mode_, property.value_type);
        if (binding)
            step.read = value_reader_for(mode_, property.value_type, binding->column->type);
        else if (property.read_cb)
            step.read = value_reader_for(mode_, property.value_type, ColumnType::float64);
        else
            step.read = step.check;
        if (property.is_list())
            step.read_length = value_reader_for(mode_, property.length_type, ColumnType::float64);
        steps_.push_back(step);
    }

    // The general loop, from instance `first` on.
    bool read_instances(std::uint64_t first, std::uint64_t total) {
        for (std::uint64_t instance = first; instance < total;) {
            const std::uint64_t stop = instance + instances_with_room(instance, total);
            if (stop == instance) return false;
            while (instance < stop) {
                if (face_rows_) instance += read_face_rows(stop - instance);
                if (instance < stop && !read_instance(instance++)) return false;
            }
            commit(instance);
        }
        return true;
    }

    // Faces, a special path: the general one takes much longer over them.
    std::uint64_t read_face_rows(std::uint64_t count) {
        Column &column = *steps_.front().binding->column;
        std::uint64_t rows = 0;
        const std::uint64_t done = face_rows_(
            source_, row_shape_,
            reinterpret_cast<std::int32_t *>(column.storage.get()) + column.size, count, &rows);
        column.size += static_cast<std::size_t>(rows) * row_shape_.width;
        return done;
    }

    bool read_instance(std::uint64_t instance) {
        instance_ = instance;
        argument_.instance_index = clamp_to_long(static_cast<std::int64_t>(instance));
        for (const Step &step : steps_) {
            t_ply_property_ &property = *step.property;
            if (property.is_list()) {
                if (!read_list(step)) return false;
                continue;
            }
            double value;
            unsigned char *dst = step.binding ? scalar_at(*step.binding, instance, property.slot)
                                              : reinterpret_cast<unsigned char *>(&value);
            if (!values(property, step.read, dst, 1, property.value_type)) return false;
            if (property.read_cb && !report(property, 1, 0, value)) return false;
        }
        return true;
    }

    bool read_list(const Step &step) {
        t_ply_property_ &property = *step.property;
        double length_value;
        if (!values(property, step.read_length, reinterpret_cast<unsigned char *>(&length_value), 1,
                    property.length_type))
            return false;
        if (!valid_list_length(length_value))
            return fail("Invalid list length " + number_text(length_value), property);
        const auto length = static_cast<std::uint64_t>(length_value);
        if (property.read_cb) {
            if (!report(property, length, -1, length_value)) return false;
            double value;
            for (std::uint64_t i = 0; i < length; ++i) {
                if (!values(property, step.read, reinterpret_cast<unsigned char *>(&value), 1,
                            property.value_type) ||
                    !report(property, length, i, value))
                    return false;
            }
            return true;
        }
        ColumnBinding *binding = step.binding;
        if (!binding || length < binding->min_length || length > binding->width)
            return values(property, step.check, nullptr, length, property.value_type);
        Column &column = *binding->column;
        const std::size_t value_size = column_value_size(column.type);
        unsigned char *at = column.storage.get() + column.size * value_size;
        if (!values(property, step.read, at, length, property.value_type)) return false;
        at += length * value_size;
        for (std::uint64_t i = length; i < binding->width; ++i, at += value_size)
            std::memcpy(at, binding->pad_bytes, value_size);
        column.size += binding->width;
        return true;
    }

    // `count` values through `read`; a failure is reported at the value it met.
    bool values(const t_ply_property_ &property, ValueReader read, unsigned char *dst,
                std::uint64_t count, e_ply_type type) {
        return read(input_, dst, count) == count || value_error(property, input_.status, type);
    }

    bool report(t_ply_property_ &property, std::uint64_t length, std::int64_t index, double value) {
        argument_.property = &property;
        argument_.length = clamp_to_long(static_cast<std::int64_t>(length));
        argument_.value_index = clamp_to_long(index);
        argument_.value = value;
        argument_.pdata = property.pdata;
        argument_.idata = property.idata;
        if (property.read_cb(&argument_)) return true;
        return fail("Read aborted by the callback", property);
    }

    // Binary, scalars only, no callback: records of one size, a window's worth per turn, column
    // by column; a record cut by the end of the input goes the general way, which reports it.
    bool read_records(const t_ply_element_ &element, std::uint64_t total) {
        struct Field {
            const t_ply_property_ *property;
            std::size_t offset;
            StridedDecoder strided;
        };
        std::vector<Field> fields;
        std::size_t offset = 0;
        for (const t_ply_property_ &property : element.properties) {
            if (property.binding)
                fields.push_back({&property, offset,
                                  strided_decoder_for(mode_, property.value_type,
                                                      property.binding->column->type)});
            offset += property.value_size;
        }
        std::uint64_t instance = 0;
        while (instance < total && source_.fill(record_size_)) {
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(
                static_cast<std::size_t>(source_.end - source_.cur) / record_size_,
                total - instance));
            for (ColumnBinding *binding : bindings_) {
                if (!room_for_instances(*binding, instance, instance + count)) return false;
            }
            // Column by column over a slice of records small enough to stay in the processor's
            // cache for all of them.
            const std::size_t slice = std::max<std::size_t>(kSliceBytes / record_size_, 1);
            for (std::size_t first = 0; first < count; first += slice) {
                const std::size_t records = std::min(slice, count - first);
                const unsigned char *const start = source_.cur + first * record_size_;
                for (const Field &field : fields) {
                    const ColumnBinding &binding = *field.property->binding;
                    field.strided(start + field.offset, record_size_, records,
                                  scalar_at(binding, instance + first, field.property->slot),
                                  binding.width * column_value_size(binding.column->type));
                }
            }
            source_.cur += count * record_size_;
            instance += count;
            commit(instance);
        }
        return read_instances(instance, total);
    }

    // How many instances from `instance` on (up to `total`) every column has room for, each
    // making at most one row of a list; 0 when memory ran out (reported).
    std::uint64_t instances_with_room(std::uint64_t instance, std::uint64_t total) {
        std::uint64_t batch = total - instance;
        for (ColumnBinding *binding : bindings_) {
            const auto held = [&] {
                const Column &column = *binding->column;
                return binding->rows
                           ? (column.capacity - column.size) / binding->width
                           : binding->instances_held - (instance - binding->first_instance);
            };
            if (held() == 0 && !room_for_instances(*binding, instance, instance + 1)) return 0;
            batch = std::min(batch, held());
        }
        return batch;
    }

    // Every scalar column of the element holds the values of the first `instances` instances.
    void commit(std::uint64_t instances) {
        for (ColumnBinding *binding : bindings_) {
            // room() made sure the product fits.
            if (!binding->rows)
                binding->column->size =
                    static_cast<std::size_t>(instances - binding->first_instance) * binding->width;
        }
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

    // Where a scalar's value of `instance` goes in its column.
    static unsigned char *scalar_at(const ColumnBinding &binding, std::uint64_t instance,
                                    std::size_t slot) {
        const Column &column = *binding.column;
        const auto index =
            static_cast<std::size_t>(instance - binding.first_instance) * binding.width + slot;
        return column.storage.get() + index * column_value_size(column.type);
    }

    // A read fails once at most: cold keeps the messages' building out of the loops that can
    // fail.
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

    [[gnu::cold]] bool fail(const std::string &what, const t_ply_property_ &property) {
        ply_.error(what + " in element '" + property.element->name + "' (instance " +
                   std::to_string(instance_) + "), property '" + property.name + "'");
        return false;
    }

    t_ply_ &ply_;
    ValueInput &input_;
    ByteSource &source_;
    const e_ply_storage_mode mode_;
    t_ply_argument_ argument_;
    std::uint64_t instance_ = 0;
    // The element at hand.
    std::vector<ColumnBinding *> bindings_;
    std::vector<Step> steps_;
    bool records_ = false;
    FaceRowsReader face_rows_ = nullptr;
    RowShape row_shape_;
    std::size_t record_size_ = 0;
    std::uint64_t instance_limit_ = 0;
};

}  // namespace

bool read_data(t_ply_ &ply) {
    return DataReader(ply).run();
}

}  // namespace plylib
