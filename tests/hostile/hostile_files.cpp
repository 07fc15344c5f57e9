#include "hostile_files.h"

#include "bounded_call.h"
#include "support/mesh_bytes.h"
#include "support/plugin_fixture.h"

namespace tolvane::test {

HostileRun import_hostile(const std::string &ply, bool bounded) {
    ScratchFolder folder;
    write_bytes(folder.file("in.ply"), ply);
    const std::string input = folder.file("in.ply"), output = folder.file("out.vyn");
    const auto run = [&] { return call("PLYImport", input.c_str(), 0.0, output); };
    HostileRun done;
    done.result = bounded ? bounded_call(run) : run();
    done.left = listing(folder.path);
    return done;
}

HostileRun export_hostile(const std::string &interchange, bool bounded, std::string *output) {
    ScratchFolder folder;
    write_bytes(folder.file("in.vyn"), interchange);
    const std::string input = folder.file("in.vyn"), ply = folder.file("out.ply");
    const auto run = [&] { return call("PLYExport", input.c_str(), 0.0, ply); };
    HostileRun done;
    done.result = bounded ? bounded_call(run) : run();
    done.left = listing(folder.path);
    if (output != nullptr && exists(ply)) *output = read_bytes(ply);
    return done;
}

std::string triangle_ply(const std::string &format) {
    const std::string declarations =
        "element vertex 3\n"
        "property float x\nproperty float y\nproperty float z\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element face 1\n"
        "property list uchar int vertex_indices\n";
    if (format == "ascii") {
        return ply_file(format, declarations,
                        "0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n");
    }
    PackedBytes body{format == "binary_big_endian", {}};
    const float xyz[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int v = 0; v < 3; ++v) {
        body.put(xyz[v][0]).put(xyz[v][1]).put(xyz[v][2]);
        for (int c = 0; c < 3; ++c) body.put<std::uint8_t>(c == v ? 255 : 0);
    }
    body.put<std::uint8_t>(3).put<std::int32_t>(0).put<std::int32_t>(1).put<std::int32_t>(2);
    return ply_file(format, declarations, body.bytes);
}

std::string host_triangle() {
    return interchange_magic() + vertex_chunk({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
           colour_chunk({255, 0, 0, 0, 255, 0, 0, 0, 255}) + face_chunk({0, 1, 2, -1}) +
           end_marker();
}

void put_u32(std::string &bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace tolvane::test
