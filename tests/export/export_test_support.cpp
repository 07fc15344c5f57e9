#include "export/export_test_support.h"

#include <cstring>

#include "support/mesh_bytes.h"
#include "support/plugin_fixture.h"
#include "support/test_files.h"

namespace tolvane::test {
namespace {

std::uint32_t u32_at(const std::string &bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value =
            value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

}  // namespace

std::string host_file(const std::vector<float> &xyz, const std::vector<std::uint8_t> &rgb,
                      const std::vector<std::int32_t> &abcd) {
    return interchange_magic() + vertex_chunk(xyz) + colour_chunk(rgb) + face_chunk(abcd) +
           end_marker();
}

std::string worked_triangle() {
    return host_file({0, 0, 0, 1, 0, 0, 0, 1, 0}, {255, 0, 0, 0, 255, 0, 0, 0, 255}, {0, 1, 2, -1});
}

std::string single_quad() {
    return host_file({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                     {0, 1, 2, 3});
}

std::string in_host_order(const std::string &interchange) {
    std::string vertices, colours, faces;
    std::size_t offset = 32;
    while (offset + 16 <= interchange.size()) {
        const std::uint32_t tag = u32_at(interchange, offset);
        const std::uint32_t size = u32_at(interchange, offset + 4);
        if (tag == 0 || size < 16 || size > interchange.size() - offset) break;
        const std::string chunk = interchange.substr(offset, size);
        if (tag == 10001) vertices = chunk;
        if (tag == 35001) colours = chunk;
        if (tag == 20001) faces = chunk;
        offset += size;
    }
    return interchange.substr(0, 32) + vertices + colours + faces + end_marker();
}

std::string ply_header(const std::string &format, std::uint64_t vertices, std::uint64_t faces) {
    return "ply\nformat " + format +
           " 1.0\ncomment PLY export from HALVEX 2Q5\ncomment file name\nelement vertex " +
           std::to_string(vertices) +
           "\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\n"
           "property uchar green\nproperty uchar blue\nelement face " +
           std::to_string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n";
}

float export_file(const std::string &input, double value, const std::string &output) {
    return call("PLYExport", input.c_str(), value, output);
}

}  // namespace tolvane::test
