// Interchange files in the host's chunk order, the PLY text the export must produce, and running
// the export, for the export's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/programs.h"

namespace tolvane::test {

// Magic, vertex chunk, colour chunk, face chunk, end marker: how the host lays out a mesh.
std::string host_file(const std::vector<float> &xyz, const std::vector<std::uint8_t> &rgb,
                      const std::vector<std::int32_t> &abcd);

// The worked triangle: (0,0,0) red, (1,0,0) green, (0,1,0) blue, one face 0, 1, 2, -1.
std::string worked_triangle();
// Four vertices and the single quad 0, 1, 2, 3.
std::string single_quad();

// The chunks of an interchange file, walked by their sizes, laid out again in the host's order
// (vertex, colour, face) and closed with an end marker: what the host would write for the same
// mesh that PLYImport wrote in its own order.
std::string in_host_order(const std::string &interchange);

// The header the export writes for `vertices` and `faces` in `format` ("ascii" or
// "binary_little_endian").
std::string ply_header(const std::string &format, std::uint64_t vertices, std::uint64_t faces);

// PLYExport called as the host calls it, the output path in a 260-byte buffer.
float export_file(const std::string &input, double value, const std::string &output);

}  // namespace tolvane::test
