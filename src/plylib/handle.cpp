// What readers and writers share: closing, header inspection, user data, error reporting.
#include <cstdio>
#include <new>
#include <string>

#include "plylib/handle.h"

namespace plylib {

void default_error_cb(p_ply, const char *message) {
    // The same bytes as fprintf("RPly: %s\n"), without the formatted-output machinery that
    // some runtimes would link in for it.
    std::fputs("RPly: ", stderr);
    std::fputs(message, stderr);
    std::fputc('\n', stderr);
}

std::string quote(std::string_view word) {
    constexpr std::size_t kMaxQuoted = 64;
    std::string out = "'";
    for (std::size_t i = 0; i < word.size() && i < kMaxQuoted; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        out += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
    }
    if (word.size() > kMaxQuoted) out += "...";
    out += "'";
    return out;
}

}  // namespace plylib

int ply_close(p_ply ply) {
    if (!ply) return 0;
    std::unique_ptr<t_ply_> owner(ply);
    bool ok = true;
    try {
        if (ply->writing) {
            if (ply->sink && !ply->sink->flush()) ok = false;
            if (ply->output_file && std::fclose(ply->output_file.release()) != 0) ok = false;
            if (!ok && !ply->write_failure_reported) {
                ply->write_failure_reported = true;
                ply->error("Error writing the output");
            }
        } else if (ply->source && !ply->source->close()) {
            ok = false;
            ply->error("Error closing the file");
        }
    } catch (const std::bad_alloc &) {
        ok = false;
    }
    return ok ? 1 : 0;
}

int ply_get_ply_user_data(p_ply ply, void **pdata, long *idata) {
    if (!ply) return 0;
    if (pdata) *pdata = ply->pdata;
    if (idata) *idata = ply->idata;
    return 1;
}

p_ply_element ply_get_next_element(p_ply ply, p_ply_element last) {
    if (!ply) return nullptr;
    const std::size_t next = last ? last->index + 1 : 0;
    return next < ply->elements.size() ? &ply->elements[next] : nullptr;
}

int ply_get_element_info(p_ply_element element, const char **name, long *ninstances) {
    if (!element) return 0;
    if (name) *name = element->name.c_str();
    if (ninstances) *ninstances = plylib::clamp_to_long(element->ninstances);
    return 1;
}

p_ply_property ply_get_next_property(p_ply_element element, p_ply_property last) {
    if (!element) return nullptr;
    const std::size_t next = last ? last->index + 1 : 0;
    return next < element->properties.size() ? &element->properties[next] : nullptr;
}

int ply_get_property_info(p_ply_property property, const char **name, e_ply_type *type,
                          e_ply_type *length_type, e_ply_type *value_type) {
    if (!property) return 0;
    if (name) *name = property->name.c_str();
    if (type) *type = property->type;
    if (length_type) *length_type = property->length_type;
    if (value_type) *value_type = property->value_type;
    return 1;
}

namespace {

const char *next_text(const std::deque<std::string> &texts, const char *last) {
    if (!last) return texts.empty() ? nullptr : texts.front().c_str();
    for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
        if (texts[i].c_str() == last) return texts[i + 1].c_str();
    }
    return nullptr;
}

}  // namespace

const char *ply_get_next_comment(p_ply ply, const char *last) {
    return ply ? next_text(ply->comments, last) : nullptr;
}

const char *ply_get_next_obj_info(p_ply ply, const char *last) {
    return ply ? next_text(ply->obj_infos, last) : nullptr;
}
