#include "support/mesh_bytes.h"

namespace tolvane::test {

std::string ply_file(const std::string &format, const std::string &declarations,
                     const std::string &body) {
    return "ply\nformat " + format + " 1.0\n" + declarations + "end_header\n" + body;
}

std::string interchange_magic() { return "Vynb 1.0 Halvex Vyn Binary......"; }

std::string chunk_header(std::uint32_t tag, std::int32_t size, std::uint32_t count) {
    PackedBytes header;
    header.put(tag).put(size).put(count).put(0.0f);
    return header.bytes;
}

std::string vertex_chunk(const std::vector<float> &xyz) {
    PackedBytes payload;
    for (const float value : xyz) payload.put(value);
    return chunk_header(10001, static_cast<std::int32_t>(16 + payload.bytes.size()),
                        static_cast<std::uint32_t>(xyz.size() / 3)) +
           payload.bytes;
}

std::string face_chunk(const std::vector<std::int32_t> &abcd) {
    PackedBytes payload;
    for (const std::int32_t value : abcd) payload.put(value);
    return chunk_header(20001, static_cast<std::int32_t>(16 + payload.bytes.size()),
                        static_cast<std::uint32_t>(abcd.size() / 4)) +
           payload.bytes;
}

std::string colour_chunk(const std::vector<std::uint8_t> &rgb) {
    std::string payload;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        payload += static_cast<char>(rgb[i + 2]);
        payload += static_cast<char>(rgb[i + 1]);
        payload += static_cast<char>(rgb[i]);
        payload += '\0';
    }
    return chunk_header(35001, static_cast<std::int32_t>(16 + payload.size()),
                        static_cast<std::uint32_t>(rgb.size() / 3)) +
           payload;
}

std::string end_marker() { return std::string(16, '\0'); }

}  // namespace tolvane::test
