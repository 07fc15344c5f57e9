// The reading half of the API: opening, the header, callbacks, the data section.
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "plylib/ascii_numbers.h"
#include "plylib/handle.h"
#include "plylib/header_parser.h"
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

// The largest list length taken; a length is no allocation, this only keeps it an integer.
constexpr double kMaxListLength = 9.0e18;

// Reads the data section, element by element, instance by instance, property by property.
// `Binary` selects the fast path for packed values that lie wholly in the current block.
template <bool Binary>
class DataReader {
  public:
    explicit DataReader(t_ply_ &ply) : ply_(ply), input_(*ply.input), source_(ply.source.get()) {}

    bool run() {
        for (t_ply_element_ &element : ply_.elements) {
            // An element without properties takes no bytes, whatever its count.
            if (element.properties.empty() || element.ninstances == 0) continue;
            std::vector<t_ply_property_ *> &properties = element.order;
            properties.clear();
            for (t_ply_property_ &property : element.properties) properties.push_back(&property);
            argument_.element = &element;
            for (std::int64_t instance = 0; instance < element.ninstances; ++instance) {
                instance_ = instance;
                argument_.instance_index = clamp_to_long(instance);
                for (t_ply_property_ *property : properties) {
                    if (!(property->is_list() ? read_list(*property) : read_scalar(*property)))
                        return false;
                }
            }
        }
        return true;
    }

  private:
    // The next value of the property's value or length type.
    bool next(const t_ply_property_ &property, Decoder decode, PackedDecoder packed,
              std::size_t size, e_ply_type type, double *value) {
        if constexpr (Binary) {
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
        if (!(length_value >= 0 && length_value <= kMaxListLength) ||
            static_cast<double>(static_cast<std::int64_t>(length_value)) != length_value) {
            return fail("Invalid list length " + number_text(length_value), property);
        }
        const auto length = static_cast<std::int64_t>(length_value);
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
        if constexpr (Binary) {
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

    bool call(t_ply_property_ &property) {
        if (property.read_cb(&argument_)) return true;
        return fail("Read aborted by the callback", property);
    }

    bool value_error(const t_ply_property_ &property, DecodeStatus status, e_ply_type type) {
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

    bool fail(const std::string &what, const t_ply_property_ &property) {
        ply_.error(what + " in element '" + property.element->name + "' (instance " +
                   std::to_string(instance_) + "), property '" + property.name + "'");
        return false;
    }

    t_ply_ &ply_;
    ValueInput &input_;
    ByteSource *source_;
    t_ply_argument_ argument_;
    std::int64_t instance_ = 0;
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

long ply_set_read_cb(p_ply ply, const char *element_name, const char *property_name,
                     p_ply_read_cb read_cb, void *pdata, long idata) {
    if (!is_reader(ply)) return 0;
    if (ply->phase != Phase::header_read) {
        ply->error("Read callbacks are set between ply_read_header and ply_read");
        return 0;
    }
    if (!element_name || !property_name) return 0;
    for (t_ply_element_ &element : ply->elements) {
        if (element.name != element_name) continue;
        for (t_ply_property_ &property : element.properties) {
            if (property.name != property_name) continue;
            property.read_cb = read_cb;
            property.pdata = pdata;
            property.idata = idata;
            return clamp_to_long(element.ninstances);
        }
        return 0;
    }
    return 0;
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
        const bool ok = ply->storage_mode == PLY_ASCII ? DataReader<false>(*ply).run()
                                                       : DataReader<true>(*ply).run();
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
