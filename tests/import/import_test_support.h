// Shared pieces of the import tests: the one-triangle mesh in every storage mode, and what the
// import must make of it.
#pragma once

#include <string>

#include "support/mesh_bytes.h"
#include "support/plugin_fixture.h"
#include "support/test_files.h"

namespace tolvane::test {

inline const char *kTriangleDeclarations =
    "element vertex 3\n"
    "property float x\nproperty float y\nproperty float z\n"
    "property uchar red\nproperty uchar green\nproperty uchar blue\n"
    "element face 1\n"
    "property list uchar int vertex_indices\n";

inline std::string ascii_triangle_ply() {
    return ply_file("ascii", kTriangleDeclarations,
                    "0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n");
}

inline std::string binary_triangle_ply(bool big_endian) {
    PackedBytes body{big_endian, {}};
    body.put(0.0f).put(0.0f).put(0.0f).put<std::uint8_t>(255).put<std::uint8_t>(0).put<std::uint8_t>(0);
    body.put(1.0f).put(0.0f).put(0.0f).put<std::uint8_t>(0).put<std::uint8_t>(255).put<std::uint8_t>(0);
    body.put(0.0f).put(1.0f).put(0.0f).put<std::uint8_t>(0).put<std::uint8_t>(0).put<std::uint8_t>(255);
    body.put<std::uint8_t>(3).put<std::int32_t>(0).put<std::int32_t>(1).put<std::int32_t>(2);
    return ply_file(big_endian ? "binary_big_endian" : "binary_little_endian",
                    kTriangleDeclarations, body.bytes);
}

// The interchange file of the coloured triangle, 160 bytes.
inline std::string expected_triangle_interchange() {
    return interchange_magic() + vertex_chunk({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
           face_chunk({0, 1, 2, -1}) + colour_chunk({255, 0, 0, 0, 255, 0, 0, 0, 255}) +
           end_marker();
}

inline float import_file(const std::string &ply_path, const std::string &output_path) {
    return call("PLYImport", ply_path.c_str(), 0.0, output_path);
}

// Imports `ply_bytes` from a scratch file; `imported` receives the output, if any.
inline float import_bytes(const std::string &ply_bytes, std::string &imported) {
    ScratchFolder folder;
    write_bytes(folder.file("in.ply"), ply_bytes);
    const float result = import_file(folder.file("in.ply"), folder.file("out.vyn"));
    imported = exists(folder.file("out.vyn")) ? read_bytes(folder.file("out.vyn")) : "";
    return result;
}

}  // namespace tolvane::test
