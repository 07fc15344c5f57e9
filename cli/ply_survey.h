// A PLY file read the way PLYImport reads it (the same reader, the same callbacks registered on
// the same properties) but counting instead of storing, so that `tolvane info` can say what the
// import will take from the file and what it will return, without writing anything.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ply/import.h"
#include "plylib/rply.h"

namespace tolvane::cli {

struct PropertyDeclaration {
    std::string name;
    e_ply_type type = PLY_LIST;  // PLY_LIST for a list, then see the two below
    e_ply_type length_type = PLY_LIST;
    e_ply_type value_type = PLY_LIST;
};

struct ElementDeclaration {
    std::string name;
    long count = 0;
    std::vector<PropertyDeclaration> properties;
};

// One colour channel, as the import's channel callback would take it.
struct ChannelTally {
    const PropertyDeclaration *declared = nullptr;  // null when element vertex lacks it
    std::uint64_t values = 0;
    std::uint64_t altered = 0;  // values that do not arrive as they stand in the file
    double first_altered = 0.0;
    bool all_within_0_to_1 = true;
};

struct FaceTally {
    std::uint64_t triangles = 0;
    std::uint64_t quads = 0;
    std::map<long, std::uint64_t> left_out;  // faces the import leaves out, by corner count
    // Indices of kept faces outside the vertices the host will get, counted against the number
    // the header promises (vertices_expected); the lowest and highest hold whatever it is.
    std::uint64_t indices_outside = 0;
    bool any_index = false;
    std::int32_t lowest_index = 0;
    std::int32_t highest_index = 0;
};

struct PlySurvey {
    PlySurvey() = default;
    PlySurvey(const PlySurvey &) = delete;  // it points into its own declarations
    PlySurvey &operator=(const PlySurvey &) = delete;

    ply::ImportResult stop = ply::ImportResult::imported;  // cannot_open, bad_header or bad_data
    std::vector<std::string> reader_messages;
    std::vector<std::string> comments;
    std::vector<std::string> obj_infos;
    std::vector<ElementDeclaration> elements;

    const ElementDeclaration *vertex = nullptr;
    const ElementDeclaration *face = nullptr;
    std::vector<const PropertyDeclaration *> coordinates_declared;  // x, y, z in file order
    std::uint64_t coordinates = 0;         // values the coordinate callback would store
    std::uint64_t vertices_expected = 0;   // the host's vertex count as the header promises it
    std::array<ChannelTally, 3> channels;  // red, green, blue
    const PropertyDeclaration *face_list = nullptr;  // vertex_indices of element face
    FaceTally faces;

    std::uint64_t host_vertices() const { return coordinates / 3; }
    std::uint64_t kept_faces() const { return faces.triangles + faces.quads; }
};

inline constexpr std::array<const char *, 3> kChannelNames = {"red", "green", "blue"};

// Reads the whole file.
void survey_ply(const std::string &path, PlySurvey &survey);

// What PLYImport will return for the file, when writing the output succeeds.
ply::ImportResult predicted_import(const PlySurvey &survey);

}  // namespace tolvane::cli
