// Building PLY and interchange files byte by byte for tests.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tolvane::test {

// Packed binary values in either byte order.
struct PackedBytes {
    bool big_endian = false;
    std::string bytes;

    template <typename Value>
    PackedBytes &put(Value value) {
        char raw[sizeof(Value)];
        std::memcpy(raw, &value, sizeof(Value));
        if (big_endian == (std::endian::native == std::endian::little)) {
            for (std::size_t i = 0; i < sizeof(Value) / 2; ++i) {
                std::swap(raw[i], raw[sizeof(Value) - 1 - i]);
            }
        }
        bytes.append(raw, sizeof(Value));
        return *this;
    }
};

// "ply", the format line, then `declarations` (element and property lines, each ending in a
// line end) and "end_header", followed by `body`.
std::string ply_file(const std::string &format, const std::string &declarations,
                     const std::string &body);

// Interchange files: the magic, then chunks as given.
std::string interchange_magic();
std::string chunk_header(std::uint32_t tag, std::int32_t size, std::uint32_t count);
std::string vertex_chunk(const std::vector<float> &xyz);
std::string face_chunk(const std::vector<std::int32_t> &abcd);
// Entries as red, green, blue triples; stored blue, green, red, 0.
std::string colour_chunk(const std::vector<std::uint8_t> &rgb);
std::string end_marker();

}  // namespace tolvane::test
