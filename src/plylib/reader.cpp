// The reading half of the API: opening, the header, callbacks, the data section.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "plylib/data_reader.h"
#include "plylib/handle.h"
#include "plylib/header_parser.h"
#include "plylib/rply_bulk.h"

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
        // Side by side in declaration order, whatever order the names came in.
        std::sort(
            found.begin(), found.end(),
            [](const t_ply_property_ *a, const t_ply_property_ *b) { return a->index < b->index; });
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
        const bool ok = read_data(*ply);
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
