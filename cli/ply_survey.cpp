#include "cli/ply_survey.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "interchange/format.h"
#include "ply/numeric.h"

namespace tolvane::cli {
namespace {

// The reader reports a failure to open before there is a handle to carry user data, so its
// messages are caught here, for the one survey that runs at a time.
std::vector<std::string> *caught_messages = nullptr;

void catch_message(p_ply, const char *message) {
    if (caught_messages != nullptr) caught_messages->emplace_back(message);
}

struct MessageCatcher {
    explicit MessageCatcher(std::vector<std::string> &messages) { caught_messages = &messages; }
    ~MessageCatcher() { caught_messages = nullptr; }
    MessageCatcher(const MessageCatcher &) = delete;
    MessageCatcher &operator=(const MessageCatcher &) = delete;
};

struct PlyCloser {
    void operator()(t_ply_ *ply) const { ply_close(ply); }
};
using PlyHandle = std::unique_ptr<t_ply_, PlyCloser>;

template <typename Target>
Target &target_of(p_ply_argument argument) {
    void *target = nullptr;
    ply_get_argument_user_data(argument, &target, nullptr);
    return *static_cast<Target *>(target);
}

int count_coordinate(p_ply_argument argument) {
    ++target_of<std::uint64_t>(argument);
    return 1;
}

int tally_channel(p_ply_argument argument) {
    ChannelTally &tally = target_of<ChannelTally>(argument);
    const double value = ply_get_argument_value(argument);
    // Only the low 8 bits of the truncated value reach the file.
    const auto arrives = static_cast<std::uint8_t>(ply::low_32_bits(value));
    if (static_cast<double>(arrives) != value && tally.altered++ == 0) tally.first_altered = value;
    if (!(value >= 0.0 && value <= 1.0)) tally.all_within_0_to_1 = false;
    ++tally.values;
    return 1;
}

struct FaceTarget {
    FaceTally &tally;
    std::uint64_t vertices;
};

// The import keeps lists of three and four entries and leaves out every other length.
int tally_face(p_ply_argument argument) {
    long length = 0;
    long index = 0;
    ply_get_argument_property(argument, nullptr, &length, &index);
    FaceTarget &target = target_of<FaceTarget>(argument);
    FaceTally &tally = target.tally;
    if (length != 3 && length != 4) {
        if (index < 0) ++tally.left_out[length];
        return 1;
    }
    if (index < 0) {
        ++(length == 3 ? tally.triangles : tally.quads);
        return 1;
    }
    const std::int32_t entry = ply::truncate_to_int32(ply_get_argument_value(argument));
    if (entry < 0 || static_cast<std::uint64_t>(entry) >= target.vertices) ++tally.indices_outside;
    tally.lowest_index = tally.any_index ? std::min(tally.lowest_index, entry) : entry;
    tally.highest_index = tally.any_index ? std::max(tally.highest_index, entry) : entry;
    tally.any_index = true;
    return 1;
}

void read_declarations(p_ply ply, PlySurvey &survey) {
    for (const char *text = ply_get_next_comment(ply, nullptr); text != nullptr;
         text = ply_get_next_comment(ply, text)) {
        survey.comments.emplace_back(text);
    }
    for (const char *text = ply_get_next_obj_info(ply, nullptr); text != nullptr;
         text = ply_get_next_obj_info(ply, text)) {
        survey.obj_infos.emplace_back(text);
    }
    for (p_ply_element element = ply_get_next_element(ply, nullptr); element != nullptr;
         element = ply_get_next_element(ply, element)) {
        ElementDeclaration &declared = survey.elements.emplace_back();
        const char *name = nullptr;
        ply_get_element_info(element, &name, &declared.count);
        declared.name = name;
        for (p_ply_property property = ply_get_next_property(element, nullptr); property != nullptr;
             property = ply_get_next_property(element, property)) {
            PropertyDeclaration &p = declared.properties.emplace_back();
            ply_get_property_info(property, &name, &p.type, &p.length_type, &p.value_type);
            p.name = name;
        }
    }
}

// The first element and the first property of a name, as the reader binds callbacks.
const ElementDeclaration *element_named(const PlySurvey &survey, const char *name) {
    for (const ElementDeclaration &element : survey.elements) {
        if (element.name == name) return &element;
    }
    return nullptr;
}

const PropertyDeclaration *property_named(const ElementDeclaration *element, const char *name) {
    if (element == nullptr) return nullptr;
    for (const PropertyDeclaration &property : element->properties) {
        if (property.name == name) return &property;
    }
    return nullptr;
}

void find_what_the_import_takes(PlySurvey &survey) {
    survey.vertex = element_named(survey, "vertex");
    survey.face = element_named(survey, "face");
    if (survey.vertex != nullptr) {
        for (const PropertyDeclaration &property : survey.vertex->properties) {
            const bool axis = property.name == "x" || property.name == "y" || property.name == "z";
            if (axis && property_named(survey.vertex, property.name.c_str()) == &property) {
                survey.coordinates_declared.push_back(&property);
            }
        }
        const auto count = static_cast<std::uint64_t>(std::max(survey.vertex->count, 0L));
        survey.vertices_expected = count * survey.coordinates_declared.size() / 3;
    }
    for (std::size_t i = 0; i < kChannelNames.size(); ++i) {
        survey.channels[i].declared = property_named(survey.vertex, kChannelNames[i]);
    }
    survey.face_list = property_named(survey.face, "vertex_indices");
}

}  // namespace

void survey_ply(const std::string &path, PlySurvey &survey) {
    const MessageCatcher catcher(survey.reader_messages);
    const PlyHandle ply(ply_open(path.c_str(), catch_message, 0, nullptr));
    if (!ply) {
        survey.stop = ply::ImportResult::cannot_open;
        return;
    }
    if (!ply_read_header(ply.get())) {
        survey.stop = ply::ImportResult::bad_header;
        return;
    }
    read_declarations(ply.get(), survey);
    find_what_the_import_takes(survey);

    FaceTarget face_target{survey.faces, survey.vertices_expected};
    for (const char *axis : {"x", "y", "z"}) {
        ply_set_read_cb(ply.get(), "vertex", axis, count_coordinate, &survey.coordinates, 0);
    }
    for (std::size_t i = 0; i < kChannelNames.size(); ++i) {
        ply_set_read_cb(ply.get(), "vertex", kChannelNames[i], tally_channel, &survey.channels[i],
                        0);
    }
    ply_set_read_cb(ply.get(), "face", "vertex_indices", tally_face, &face_target, 0);
    if (!ply_read(ply.get())) survey.stop = ply::ImportResult::bad_data;
}

ply::ImportResult predicted_import(const PlySurvey &survey) {
    if (survey.stop != ply::ImportResult::imported) return survey.stop;
    if (survey.coordinates == 0 || survey.kept_faces() == 0) {
        return ply::ImportResult::nothing_to_write;
    }
    // Every chunk's size, header included, must fit the file's signed 32-bit size field.
    constexpr std::uint64_t kMostValues =
        (interchange::kMaxChunkSize - interchange::kChunkHeaderSize) / 4;
    const std::uint64_t reds = survey.channels[0].values;
    if (survey.coordinates > kMostValues || survey.kept_faces() * 4 > kMostValues ||
        reds > kMostValues) {
        return ply::ImportResult::write_failed;
    }
    return ply::ImportResult::imported;
}

}  // namespace tolvane::cli
