// `tolvane info FILE.ply`: the file's header, and what PLYImport will take from it and return,
// with the reason. A user whose import gives -4 needs to see which name or face size is at
// fault, and one whose colours come out black needs to see that they were stored as 0..1.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/info_parts.h"
#include "cli/ply_survey.h"
#include "cli/wording.h"
#include "entry/import_result_code.h"
#include "entry/result_meanings.h"
#include "interchange/format.h"
#include "ply/numeric.h"

namespace tolvane::cli {
namespace {

using ply::ImportResult;

const char *type_word(e_ply_type type) {
    static constexpr const char *kWords[] = {
        "int8",  "uint8", "int16",  "uint16", "int32", "uint32", "float32", "float64", "char",
        "uchar", "short", "ushort", "int",    "uint",  "float",  "double",  "list"};
    const auto index = static_cast<std::size_t>(type);
    return index < std::size(kWords) ? kWords[index] : "?";
}

bool is_float(e_ply_type type) {
    return type == PLY_FLOAT32 || type == PLY_FLOAT64 || type == PLY_FLOAT || type == PLY_DOUBLE;
}

// The type the values arrive in: the entries' type for a list.
e_ply_type value_type(const PropertyDeclaration &property) {
    return property.type == PLY_LIST ? property.value_type : property.type;
}

std::string storage_words(const std::string &word) {
    if (word == "ascii") return "ASCII";
    if (word == "binary_little_endian") return "binary little-endian";
    if (word == "binary_big_endian") return "binary big-endian";
    return word;
}

void print_declarations(const PlySurvey &survey) {
    for (const std::string &text : survey.comments) std::printf("comment %s\n", text.c_str());
    for (const std::string &text : survey.obj_infos) std::printf("obj_info %s\n", text.c_str());
    for (const ElementDeclaration &element : survey.elements) {
        std::printf("element %s %ld\n", element.name.c_str(), element.count);
        for (const PropertyDeclaration &property : element.properties) {
            if (property.type == PLY_LIST) {
                std::printf("  property list %s %s %s\n", type_word(property.length_type),
                            type_word(property.value_type), property.name.c_str());
            } else {
                std::printf("  property %s %s\n", type_word(property.type), property.name.c_str());
            }
        }
    }
}

void print_coordinates(const PlySurvey &survey) {
    if (survey.vertex == nullptr) {
        std::printf("  coordinates  none: the file has no element vertex\n");
        return;
    }
    std::vector<std::string> declared;
    for (const PropertyDeclaration *property : survey.coordinates_declared) {
        declared.push_back(property->name);
    }
    if (declared.empty()) {
        std::printf("  coordinates  none: element vertex has no x, y or z\n");
        return;
    }
    std::printf("  coordinates  %s of element vertex: %s for the host\n", joined(declared).c_str(),
                counted(survey.host_vertices(), "vertex", "vertices").c_str());
    if (survey.vertex->count == 0) std::printf("    element vertex has no instances\n");
    std::vector<std::string> missing;
    for (const char *axis : {"x", "y", "z"}) {
        bool found = false;
        for (const std::string &name : declared) found = found || name == axis;
        if (!found) missing.emplace_back(axis);
    }
    if (!missing.empty()) {
        std::printf(
            "    no %s: %zu values per vertex, which the host reads three at a time, so its\n"
            "    vertices do not line up with the file's %ld\n",
            joined(missing).c_str(), declared.size(), survey.vertex->count);
    } else if (declared != std::vector<std::string>{"x", "y", "z"}) {
        std::printf(
            "    stored in the order the file declares them: the host takes %s as x, %s as y, "
            "%s as z\n",
            declared[0].c_str(), declared[1].c_str(), declared[2].c_str());
    }
    for (const PropertyDeclaration *property : survey.coordinates_declared) {
        if (property->type == PLY_LIST) {
            std::printf("    %s is a list: its length and every entry count as coordinates\n",
                        property->name.c_str());
        }
    }
}

void print_channel_notes(const PlySurvey &survey, std::size_t channel) {
    const ChannelTally &tally = survey.channels[channel];
    const char *name = kChannelNames[channel];
    const ChannelTally &red = survey.channels[0];
    if (tally.declared == nullptr) {
        std::printf("    no %s: it counts as 0 in every colour\n", name);
        return;
    }
    if (tally.values < red.values) {
        std::printf("    fewer %s values than red ones: the missing ones count as 0\n", name);
    }
    if (is_float(value_type(*tally.declared)) && tally.values > 0 && tally.all_within_0_to_1) {
        std::printf(
            "    %s is %s and every value lies in 0..1: colours are not scaled, so each arrives\n"
            "    as 0, or 1 where it is exactly 1\n",
            name, type_word(value_type(*tally.declared)));
    } else if (tally.altered > 0) {
        std::printf("    %" PRIu64 " of %" PRIu64
                    " %s values do not arrive as they stand: each is truncated toward\n"
                    "    zero and only its low 8 bits are kept (the first, %g, arrives as %u)\n",
                    tally.altered, tally.values, name, tally.first_altered,
                    static_cast<unsigned>(
                        static_cast<std::uint8_t>(ply::low_32_bits(tally.first_altered))));
    }
}

// Some tools write colours as "diffuse_red" or "r": the user should learn that they were seen
// and why they are not taken.
void print_colours_under_other_names(const PlySurvey &survey) {
    if (survey.vertex == nullptr) return;
    std::vector<std::string> names;
    for (const PropertyDeclaration &property : survey.vertex->properties) {
        const std::string &name = property.name;
        const bool colour_like = name == "r" || name == "g" || name == "b" ||
                                 (name.find("red") != std::string::npos && name != "red") ||
                                 (name.find("green") != std::string::npos && name != "green") ||
                                 (name.find("blue") != std::string::npos && name != "blue");
        if (colour_like) names.push_back(name);
    }
    if (!names.empty()) {
        std::printf("    it has %s, which the import does not read\n", joined(names).c_str());
    }
}

void print_colours(const PlySurvey &survey) {
    const ChannelTally &red = survey.channels[0];
    if (red.declared == nullptr) {
        const bool others = survey.channels[1].declared || survey.channels[2].declared;
        std::printf("  colours      none: element vertex has no red%s\n",
                    others ? " (green and blue are taken only with red)" : "");
        print_colours_under_other_names(survey);
        return;
    }
    std::vector<std::string> channels;
    for (std::size_t i = 0; i < kChannelNames.size(); ++i) {
        if (survey.channels[i].declared == nullptr) continue;
        channels.push_back(std::string(kChannelNames[i]) + " (" +
                           type_word(value_type(*survey.channels[i].declared)) + ")");
    }
    std::printf("  colours      %s: %s\n", joined(channels).c_str(),
                counted(red.values, "colour", "colours").c_str());
    for (std::size_t i = 0; i < kChannelNames.size(); ++i) print_channel_notes(survey, i);
}

void print_index_range(const PlySurvey &survey) {
    const FaceTally &faces = survey.faces;
    const std::uint64_t vertices = survey.host_vertices();
    if (!faces.any_index || vertices == 0) return;
    if (faces.lowest_index >= 0 && static_cast<std::uint64_t>(faces.highest_index) < vertices) {
        return;
    }
    const std::string range = "0 to " + std::to_string(vertices - 1);
    if (vertices == survey.vertices_expected) {
        std::printf("    %s outside the host's vertices (%s); the lowest is %" PRId32
                    ",\n    the highest %" PRId32 ". The host gets them as they are.\n",
                    counted(faces.indices_outside, "face index lies", "face indices lie").c_str(),
                    range.c_str(), faces.lowest_index, faces.highest_index);
    } else {
        std::printf("    face indices run from %" PRId32 " to %" PRId32
                    ", beyond the host's vertices (%s).\n    The host gets them as they are.\n",
                    faces.lowest_index, faces.highest_index, range.c_str());
    }
}

void print_faces(const PlySurvey &survey) {
    if (survey.face == nullptr) {
        std::printf("  faces        none: the file has no element face\n");
        return;
    }
    if (survey.face_list == nullptr) {
        std::vector<std::string> lists;
        for (const PropertyDeclaration &property : survey.face->properties) {
            if (property.type == PLY_LIST) lists.push_back(property.name);
        }
        std::printf("  faces        none: element face has no list vertex_indices\n");
        if (!lists.empty()) {
            std::printf("    it has %s, which the import does not read\n", joined(lists).c_str());
        }
        return;
    }
    if (survey.face_list->type != PLY_LIST) {
        std::printf("  faces        none: vertex_indices of element face is not a list\n");
        return;
    }
    const FaceTally &faces = survey.faces;
    std::printf("  faces        %s and %s from list vertex_indices of element face\n",
                counted(faces.triangles, "triangle", "triangles").c_str(),
                counted(faces.quads, "quad", "quads").c_str());
    if (!faces.left_out.empty()) {
        std::uint64_t total = 0;
        std::vector<std::string> sizes;
        for (const auto &[corners, count] : faces.left_out) {
            total += count;
            sizes.push_back(std::to_string(count) + " with " + std::to_string(corners));
        }
        std::printf("    %s left out (only triangles and quads are taken): %s corners\n",
                    counted(total, "face", "faces").c_str(), joined(sizes).c_str());
    }
    print_index_range(survey);
}

bool taken(const PlySurvey &survey, const PropertyDeclaration &property) {
    bool found = &property == survey.face_list;
    for (const PropertyDeclaration *coordinate : survey.coordinates_declared) {
        found = found || &property == coordinate;
    }
    for (const ChannelTally &channel : survey.channels)
        found = found || &property == channel.declared;
    return found;
}

// Everything the import reads past, so that a user missing data sees where it went.
void print_read_past(const PlySurvey &survey) {
    std::vector<std::string> past;
    for (const ElementDeclaration &element : survey.elements) {
        if (&element != survey.vertex && &element != survey.face) {
            past.push_back("element " + element.name);
            continue;
        }
        std::vector<std::string> names;
        for (const PropertyDeclaration &property : element.properties) {
            if (!taken(survey, property)) names.push_back(property.name);
        }
        if (!names.empty()) past.push_back(joined(names) + " of element " + element.name);
    }
    if (past.empty()) return;
    std::string text;
    for (const std::string &part : past) text += (text.empty() ? "" : "; ") + part;
    std::printf("  read past    %s\n", text.c_str());
}

void print_verdict(const PlySurvey &survey, ImportResult predicted) {
    for (const std::string &message : survey.reader_messages) {
        std::printf("PLY reader: %s\n", message.c_str());
    }
    const float code = entry::import_result_code(predicted);
    const std::string_view meaning = entry::result_meaning("PLYImport", code, true);
    std::printf("PLYImport would return %s: %.*s\n", format_result(code).c_str(),
                static_cast<int>(meaning.size()), meaning.data());
    switch (predicted) {
        case ImportResult::imported:
            std::printf(
                "  (-5 instead when the output cannot be opened for writing, -6 when "
                "writing it fails)\n");
            break;
        case ImportResult::nothing_to_write:
            if (survey.coordinates == 0) std::printf("  no vertex coordinate: see coordinates\n");
            if (survey.kept_faces() == 0) std::printf("  no triangle or quad: see faces\n");
            break;
        case ImportResult::write_failed:
            std::printf("  the mesh is too large for the interchange file's 32-bit sizes\n");
            break;
        default:
            break;
    }
}

// The first line as the user would see it in an editor, cut short: the file may be anything.
std::string first_line_shown(const std::string &bytes) {
    constexpr std::size_t kMostShown = 40;
    std::string line = bytes.substr(0, bytes.find('\n'));
    if (line.ends_with('\r')) line.pop_back();
    const bool cut = line.size() > kMostShown;
    line.resize(std::min(line.size(), kMostShown));
    for (char &c : line) {
        if (c < ' ' || c > '~') c = '?';
    }
    return "\"" + line + (cut ? "...\"" : "\"");
}

// Why the reader refuses the file at its first line, in the user's terms: most often an empty
// file, or a file of another kind saved under a .ply name.
void print_why_not_ply(const FileStart &start) {
    if (!start.readable || starts_as_ply(start.bytes)) return;
    if (start.bytes.empty()) {
        std::printf("  the file is empty\n");
    } else if (start.bytes.starts_with(
                   std::string_view(interchange::kMagic, interchange::kMagicSize))) {
        std::printf(
            "  it is an interchange file, which PLYImport does not read: PLYExport converts it "
            "to PLY\n");
    } else {
        std::printf("  its first line is %s, where a PLY file has \"ply\"\n",
                    first_line_shown(start.bytes).c_str());
    }
}

}  // namespace

int run_ply_info(const std::string &path, const FileStart &start) {
    PlySurvey survey;
    survey_ply(path, survey);
    const ImportResult predicted = predicted_import(survey);
    if (survey.stop == ImportResult::cannot_open) {
        std::printf("%s: cannot be opened for reading\n", path.c_str());
    } else if (survey.stop == ImportResult::bad_header) {
        std::printf("%s: the PLY header is not valid\n", path.c_str());
        print_why_not_ply(start);
    } else {
        std::printf("%s: PLY, %s\n", path.c_str(),
                    storage_words(ply_storage_word(start.bytes)).c_str());
        print_declarations(survey);
    }
    if (survey.stop == ImportResult::imported) {
        std::printf("What PLYImport takes:\n");
        print_coordinates(survey);
        print_colours(survey);
        print_faces(survey);
        print_read_past(survey);
    }
    print_verdict(survey, predicted);
    return predicted == ImportResult::imported ? 0 : 1;
}

}  // namespace tolvane::cli
