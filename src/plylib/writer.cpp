// The writing half of the API: declarations, the header, value by value writing.
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "plylib/ascii_numbers.h"
#include "plylib/handle.h"
#include "plylib/types.h"

namespace plylib {
namespace {

bool valid_mode(e_ply_storage_mode mode) {
    return mode == PLY_BIG_ENDIAN || mode == PLY_LITTLE_ENDIAN || mode == PLY_ASCII ||
           mode == PLY_DEFAULT;
}

e_ply_storage_mode resolve(e_ply_storage_mode mode) {
    if (mode != PLY_DEFAULT) return mode;
    return std::endian::native == std::endian::little ? PLY_LITTLE_ENDIAN : PLY_BIG_ENDIAN;
}

const char *mode_word(e_ply_storage_mode mode) {
    switch (mode) {
        case PLY_ASCII:
            return "ascii";
        case PLY_BIG_ENDIAN:
            return "binary_big_endian";
        default:
            return "binary_little_endian";
    }
}

int write_to_file(void *file, const void *data, std::size_t size) {
    return std::fwrite(data, 1, size, static_cast<std::FILE *>(file)) == size ? 1 : 0;
}

p_ply create_writer(p_ply_sink_write write, void *context, e_ply_storage_mode mode,
                    p_ply_error_cb error_cb, long idata, void *pdata) {
    auto ply = std::make_unique<t_ply_>(true, error_cb, idata, pdata);
    ply->storage_mode = resolve(mode);
    ply->sink = std::make_unique<ByteSink>(write, context);
    return ply.release();
}

int fail(p_ply ply, const std::string &message) {
    ply->error(message);
    return 0;
}

// What `step` returns, or 0 when it runs out of memory (reported).
template <typename Step>
int unless_out_of_memory(p_ply ply, Step step) {
    try {
        return step();
    } catch (const std::bad_alloc &) {
        return fail(ply, "Out of memory");
    }
}

// A handle created for writing; a reader's handle is reported as misused.
bool writer(p_ply ply) {
    if (!ply) return false;
    if (!ply->writing) ply->error("This handle was opened for reading, not writing");
    return ply->writing;
}

// A handle that still takes declarations; otherwise reports why not.
bool declaring(p_ply ply) {
    if (!writer(ply)) return false;
    if (ply->phase == Phase::declaring) return true;
    ply->error("Declarations must come before ply_write_header");
    return false;
}

// Names go into a blank-separated header: at least one byte, no blanks or line ends.
bool valid_name(const char *name) {
    return name && *name && !std::strpbrk(name, " \t\n\r\v\f");
}

// Comment and obj_info texts run to the line end, so they must hold none.
bool valid_text(const char *text) {
    return text && !std::strpbrk(text, "\n\r");
}

// A comment or obj_info line, into the handle's `texts`.
int add_text(p_ply ply, const char *text, std::deque<std::string> t_ply_::*texts,
             const char *what) {
    if (!declaring(ply)) return 0;
    if (!valid_text(text))
        return fail(ply, std::string("Invalid ") + what + " text (it may not hold a line end)");
    return unless_out_of_memory(ply, [&] {
        (ply->*texts).emplace_back(text);
        return 1;
    });
}

class ValueWriter {
  public:
    explicit ValueWriter(t_ply_ &ply) : ply_(ply), cursor_(ply.cursor), sink_(*ply.sink) {}

    // The cursor at the first value of the first element from `element` on that has any.
    void seek_element(std::size_t element) {
        cursor_.element = element;
        cursor_.instance = 0;
        cursor_.property = 0;
        cursor_.in_list = false;
        cursor_.instance_started = false;
        for (; cursor_.element < ply_.elements.size(); ++cursor_.element) {
            t_ply_element_ &e = ply_.elements[cursor_.element];
            if (e.ninstances > 0 && !e.order.empty()) {
                cursor_.current = &e;
                return;
            }
        }
        cursor_.current = nullptr;
        cursor_.done = true;
    }

    // Past `count` whole instances of the element at hand, which the bulk writer wrote.
    void skip_instances(std::int64_t count) {
        cursor_.instance += count;
        if (cursor_.instance >= cursor_.current->ninstances) seek_element(cursor_.element + 1);
    }

    bool write(double value) {
        if (cursor_.done) {
            ply_.error("No value left to write: every declared value was written");
            return false;
        }
        t_ply_element_ &element = *cursor_.current;
        t_ply_property_ &property = *element.order[cursor_.property];
        if (!property.is_list() || cursor_.in_list) {
            if (!put(property.encode_value, value))
                return refuse(property, property.value_type, value);
            cursor_.instance_started = true;
            if (property.is_list() && --cursor_.list_remaining > 0) return true;
            cursor_.in_list = false;
            next_property(element);
            return true;
        }
        std::int64_t length = 0;
        if (!list_length(property.length_type, value, &length) ||
            !put(property.encode_length, value))
            return refuse_length(property, value);
        cursor_.instance_started = true;
        if (length == 0) {
            next_property(element);
        } else {
            cursor_.in_list = true;
            cursor_.list_remaining = length;
        }
        return true;
    }

  private:
    // The value as the encoder writes it; false, with nothing written, when it is refused.
    bool put(Encoder encode, double value) {
        unsigned char *const out = sink_.reserve(kMaxNumberChars + 1);
        unsigned char *const end =
            encode(reinterpret_cast<const unsigned char *>(&value), 0, 1, out);
        if (!end) return false;
        sink_.commit(end);
        return true;
    }

    void next_property(const t_ply_element_ &element) {
        if (++cursor_.property < element.order.size()) return;
        // The blank after the instance's last value becomes its line end.
        if (ply_.storage_mode == PLY_ASCII) sink_.replace_last('\n');
        cursor_.property = 0;
        cursor_.instance_started = false;
        if (++cursor_.instance < element.ninstances) return;
        seek_element(cursor_.element + 1);
    }

    // The refusals build messages; kept out of line so that the path of every accepted value
    // stays small.
    [[gnu::noinline, gnu::cold]] bool refuse_length(const t_ply_property_ &property, double value) {
        ply_.error("List length " + number_text(value) + " cannot be written as " +
                   type_word(property.length_type) + where(property));
        return false;
    }

    [[gnu::noinline, gnu::cold]] bool refuse(const t_ply_property_ &property, e_ply_type type,
                                             double value) {
        ply_.error("Value " + number_text(value) + " cannot be written as " + type_word(type) +
                   where(property));
        return false;
    }

    std::string where(const t_ply_property_ &property) const {
        return " (element '" + property.element->name + "', instance " +
               std::to_string(cursor_.instance) + ", property '" + property.name + "')";
    }

    t_ply_ &ply_;
    WriteCursor &cursor_;
    ByteSink &sink_;
};

}  // namespace

void report_write_failure(t_ply_ &ply) {
    if (ply.write_failure_reported) return;
    ply.write_failure_reported = true;
    ply.error("Error writing the output");
}

void skip_written_instances(t_ply_ &ply, std::int64_t count) {
    ValueWriter(ply).skip_instances(count);
}

}  // namespace plylib

using namespace plylib;

namespace {

// A writer's handle, or null with `error_cb` told why not.
template <typename Open>
p_ply create(e_ply_storage_mode storage_mode, p_ply_error_cb error_cb, Open open) {
    if (!valid_mode(storage_mode)) {
        error_cb(nullptr, "Invalid storage mode");
        return nullptr;
    }
    try {
        return open();
    } catch (const std::bad_alloc &) {
        error_cb(nullptr, "Out of memory");
        return nullptr;
    }
}

}  // namespace

p_ply ply_create(const char *name, e_ply_storage_mode storage_mode, p_ply_error_cb error_cb,
                 long idata, void *pdata) {
    if (!error_cb) error_cb = default_error_cb;
    return create(storage_mode, error_cb, [&]() -> p_ply {
        FileHandle file = name ? open_file(name, "wb") : nullptr;
        if (!file) {
            error_cb(nullptr, "Unable to create file");
            return nullptr;
        }
        // Blocks are handed over whole; the stream's buffer would only add a copy.
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
        p_ply ply = create_writer(write_to_file, file.get(), storage_mode, error_cb, idata, pdata);
        ply->output_file = std::move(file);
        return ply;
    });
}

p_ply ply_create_sink(p_ply_sink_write write, void *sink, e_ply_storage_mode storage_mode,
                      p_ply_error_cb error_cb, long idata, void *pdata) {
    if (!error_cb) error_cb = default_error_cb;
    if (!write) {
        error_cb(nullptr, "No write callback");
        return nullptr;
    }
    return create(storage_mode, error_cb,
                  [&] { return create_writer(write, sink, storage_mode, error_cb, idata, pdata); });
}

int ply_add_element(p_ply ply, const char *name, long ninstances) {
    if (!declaring(ply)) return 0;
    if (!valid_name(name)) return fail(ply, "Invalid element name");
    if (ninstances < 0) return fail(ply, "Invalid element count " + std::to_string(ninstances));
    return unless_out_of_memory(ply, [&] {
        t_ply_element_ &element = ply->elements.emplace_back();
        element.name = name;
        element.ninstances = ninstances;
        element.index = ply->elements.size() - 1;
        return 1;
    });
}

namespace {

int add_property(p_ply ply, const char *name, e_ply_type type, e_ply_type length_type,
                 e_ply_type value_type) {
    if (!declaring(ply)) return 0;
    if (ply->elements.empty()) return fail(ply, "Property before any element");
    if (!valid_name(name)) return fail(ply, "Invalid property name");
    if (!is_scalar_type(length_type) || !is_scalar_type(value_type))
        return fail(ply, "Invalid property type");
    return unless_out_of_memory(ply, [&] {
        t_ply_element_ &element = ply->elements.back();
        t_ply_property_ &property = element.properties.emplace_back();
        property.name = name;
        property.type = type;
        property.length_type = length_type;
        property.value_type = value_type;
        property.element = &element;
        property.index = element.properties.size() - 1;
        property.length_size = scalar_size(canonical(length_type));
        property.value_size = scalar_size(canonical(value_type));
        return 1;
    });
}

}  // namespace

int ply_add_scalar_property(p_ply ply, const char *name, e_ply_type type) {
    if (!writer(ply)) return 0;
    if (!is_scalar_type(type)) return fail(ply, "Invalid property type");
    return add_property(ply, name, type, type, type);
}

int ply_add_list_property(p_ply ply, const char *name, e_ply_type length_type,
                          e_ply_type value_type) {
    return add_property(ply, name, PLY_LIST, length_type, value_type);
}

int ply_add_comment(p_ply ply, const char *comment) {
    return add_text(ply, comment, &t_ply_::comments, "comment");
}

int ply_add_obj_info(p_ply ply, const char *obj_info) {
    return add_text(ply, obj_info, &t_ply_::obj_infos, "obj_info");
}

int ply_write_header(p_ply ply) {
    if (!declaring(ply)) return 0;
    try {
        ByteSink &sink = *ply->sink;
        std::string header = std::string("ply\nformat ") + mode_word(ply->storage_mode) + " 1.0\n";
        for (const std::string &comment : ply->comments) header += "comment " + comment + "\n";
        for (const std::string &obj_info : ply->obj_infos) header += "obj_info " + obj_info + "\n";
        for (t_ply_element_ &element : ply->elements) {
            header += "element " + element.name + " " + std::to_string(element.ninstances) + "\n";
            element.order.clear();
            for (t_ply_property_ &property : element.properties) {
                element.order.push_back(&property);
                header += "property ";
                if (property.is_list())
                    header += std::string("list ") + type_word(property.length_type) + " ";
                header += std::string(type_word(property.value_type)) + " " + property.name + "\n";
                property.encode_length = encoder_for(ply->storage_mode, property.length_type);
                property.encode_value = encoder_for(ply->storage_mode, property.value_type);
            }
        }
        header += "end_header\n";
        sink.append(header.data(), header.size());
        ply->phase = Phase::writing;
        ValueWriter(*ply).seek_element(0);
        if (sink.failed()) {
            report_write_failure(*ply);
            return 0;
        }
        return 1;
    } catch (const std::bad_alloc &) {
        ply->phase = Phase::failed;
        ply->error("Out of memory writing the header");
        return 0;
    }
}

int ply_write(p_ply ply, double value) {
    if (!writer(ply)) return 0;
    if (ply->phase != Phase::writing) return fail(ply, "ply_write before ply_write_header");
    if (ply->sink->failed()) return 0;  // reported when it happened
    if (!unless_out_of_memory(ply, [&] { return ValueWriter(*ply).write(value) ? 1 : 0; }))
        return 0;
    if (ply->sink->failed()) {
        report_write_failure(*ply);
        return 0;
    }
    return 1;
}
