// Any bytes as a PLY file, read from memory with a callback on every property. What the reader
// accepts must also survive the writer: the values read are written again in each storage mode,
// read back, and must come back bit for bit.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "plylib/rply.h"

namespace {

using tolvane::fuzz::require;

void quiet(p_ply, const char *) {}

struct Capture {
    std::vector<double> values;  // every value the callbacks saw, list lengths included
};

int on_value(p_ply_argument argument) {
    void *pdata = nullptr;
    long idata = 0;
    p_ply_property property = nullptr;
    p_ply_element element = nullptr;
    long length = 0, value_index = 0, instance = 0;
    require(ply_get_argument_user_data(argument, &pdata, &idata) == 1, "user data");
    require(ply_get_argument_property(argument, &property, &length, &value_index) == 1,
            "argument property");
    require(ply_get_argument_element(argument, &element, &instance) == 1, "argument element");
    long ninstances = 0;
    ply_get_element_info(element, nullptr, &ninstances);
    require(instance >= 0 && instance < ninstances, "instance index outside the element");
    e_ply_type type;
    ply_get_property_info(property, nullptr, &type, nullptr, nullptr);
    const double value = ply_get_argument_value(argument);
    if (type == PLY_LIST) {
        require(value_index >= -1 && value_index < length, "list index outside the list");
        if (value_index == -1) require(value == static_cast<double>(length), "list length");
    } else {
        require(length == 1 && value_index == 0, "scalar length and index");
    }
    static_cast<Capture *>(pdata)->values.push_back(value);
    return 1;
}

// Reads `bytes`; false when the reader refuses them. The handle's declarations stay readable
// through `inspect` before the handle closes.
template <typename Inspect>
bool read_all(const std::string &bytes, Capture &capture, Inspect &&inspect) {
    p_ply ply = ply_open_memory(bytes.data(), bytes.size(), quiet, 0, nullptr);
    require(ply != nullptr, "ply_open_memory gave no handle");
    bool ok = ply_read_header(ply) == 1;
    if (ok) {
        for (p_ply_element e = ply_get_next_element(ply, nullptr); e;
             e = ply_get_next_element(ply, e)) {
            const char *element_name = nullptr;
            ply_get_element_info(e, &element_name, nullptr);
            for (p_ply_property p = ply_get_next_property(e, nullptr); p;
                 p = ply_get_next_property(e, p)) {
                const char *property_name = nullptr;
                ply_get_property_info(p, &property_name, nullptr, nullptr, nullptr);
                // By name, the only way the API offers: the first property of that name gets it.
                ply_set_read_cb(ply, element_name, property_name, on_value, &capture, 0);
            }
        }
        ok = ply_read(ply) == 1;
        if (ok) inspect(ply);
    }
    require(ply_close(ply) == 1, "closing a memory reader failed");
    return ok;
}

int append_to(void *sink, const void *data, std::size_t size) {
    static_cast<std::string *>(sink)->append(static_cast<const char *>(data), size);
    return 1;
}

// Names the writer can declare as they were read, one callback per property: then the values
// written are exactly the ones captured, in the same order.
bool declarable(p_ply ply) {
    for (p_ply_element e = ply_get_next_element(ply, nullptr); e;
         e = ply_get_next_element(ply, e)) {
        const char *name = nullptr;
        ply_get_element_info(e, &name, nullptr);
        for (p_ply_element other = ply_get_next_element(ply, nullptr); other != e;
             other = ply_get_next_element(ply, other)) {
            const char *other_name = nullptr;
            ply_get_element_info(other, &other_name, nullptr);
            if (std::strcmp(name, other_name) == 0) return false;
        }
        for (p_ply_property p = ply_get_next_property(e, nullptr); p;
             p = ply_get_next_property(e, p)) {
            const char *property_name = nullptr;
            ply_get_property_info(p, &property_name, nullptr, nullptr, nullptr);
            for (p_ply_property other = ply_get_next_property(e, nullptr); other != p;
                 other = ply_get_next_property(e, other)) {
                const char *other_name = nullptr;
                ply_get_property_info(other, &other_name, nullptr, nullptr, nullptr);
                if (std::strcmp(property_name, other_name) == 0) return false;
            }
        }
    }
    return true;
}

// Writes the declarations of `source` and `values` in `mode`; false when the writer refuses a
// declaration (a name or text it cannot write).
bool rewrite(p_ply source, const std::vector<double> &values, e_ply_storage_mode mode,
             std::string &out) {
    p_ply ply = ply_create_sink(append_to, &out, mode, quiet, 0, nullptr);
    require(ply != nullptr, "ply_create_sink gave no handle");
    bool ok = true;
    for (const char *c = ply_get_next_comment(source, nullptr); c && ok;
         c = ply_get_next_comment(source, c)) {
        ok = ply_add_comment(ply, c) == 1;
    }
    for (const char *c = ply_get_next_obj_info(source, nullptr); c && ok;
         c = ply_get_next_obj_info(source, c)) {
        ok = ply_add_obj_info(ply, c) == 1;
    }
    for (p_ply_element e = ply_get_next_element(source, nullptr); e && ok;
         e = ply_get_next_element(source, e)) {
        const char *name = nullptr;
        long count = 0;
        ply_get_element_info(e, &name, &count);
        ok = ply_add_element(ply, name, count) == 1;
        for (p_ply_property p = ply_get_next_property(e, nullptr); p && ok;
             p = ply_get_next_property(e, p)) {
            e_ply_type type, length_type, value_type;
            ply_get_property_info(p, &name, &type, &length_type, &value_type);
            ok = type == PLY_LIST ? ply_add_list_property(ply, name, length_type, value_type) == 1
                                  : ply_add_scalar_property(ply, name, type) == 1;
        }
    }
    if (ok) {
        require(ply_write_header(ply) == 1, "the header of accepted declarations");
        for (const double value : values) {
            require(ply_write(ply, value) == 1,
                    "the writer refused a value the reader accepted: " + std::to_string(value));
        }
        // Every declared value is written: one more must be refused.
        require(ply_write(ply, 0) == 0, "the writer took a value past the declared ones");
    }
    require(ply_close(ply) == 1, "closing a sink writer failed");
    return ok;
}

bool same_bits(const std::vector<double> &a, const std::vector<double> &b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

bool all_finite(const std::vector<double> &values) {
    for (const double value : values) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // Read straight from the fuzzer's buffer, which ends exactly at `size`: one byte past it is
    // a sanitizer report.
    p_ply ply = ply_open_memory(data, size, quiet, 0, nullptr);
    require(ply != nullptr, "ply_open_memory gave no handle");
    Capture first;
    bool read = false;
    // Whether every property that has values got a callback: a name with a NUL byte in it
    // cannot be named through the API.
    bool all_attached = true;
    if (ply_read_header(ply) == 1) {
        for (p_ply_element e = ply_get_next_element(ply, nullptr); e;
             e = ply_get_next_element(ply, e)) {
            const char *name = nullptr;
            long count = 0;
            ply_get_element_info(e, &name, &count);
            for (p_ply_property p = ply_get_next_property(e, nullptr); p;
                 p = ply_get_next_property(e, p)) {
                const char *property_name = nullptr;
                ply_get_property_info(p, &property_name, nullptr, nullptr, nullptr);
                const long found = ply_set_read_cb(ply, name, property_name, on_value, &first, 0);
                if (found != count) all_attached = false;
            }
        }
        read = ply_read(ply) == 1;
        // A handle reads once.
        require(ply_read(ply) == 0, "a second ply_read succeeded");
    }
    if (read && all_attached && declarable(ply)) {
        const std::string original(reinterpret_cast<const char *>(data), size);
        for (const e_ply_storage_mode mode : {PLY_ASCII, PLY_LITTLE_ENDIAN, PLY_BIG_ENDIAN}) {
            // Binary files can hold infinities and NaN: ASCII has no text for them, and the
            // writer refuses float32 infinities on purpose.
            if (!all_finite(first.values)) break;
            std::string written;
            if (!rewrite(ply, first.values, mode, written)) break;
            Capture again;
            require(read_all(written, again, [](p_ply) {}),
                    "the reader refused what the writer wrote");
            require(same_bits(first.values, again.values),
                    "values changed on their way through the writer");
        }
    }
    ply_close(ply);
    return 0;
}
