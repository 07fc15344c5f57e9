// The host's interchange mesh file: a 32-byte magic, tagged chunks, an end marker. Every value
// is little-endian; nothing is aligned or padded.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tolvane::interchange {

inline constexpr char kMagic[] = "Vynb 1.0 Halvex Vyn Binary......";
inline constexpr std::size_t kMagicSize = 32;
static_assert(sizeof kMagic == kMagicSize + 1);

inline constexpr std::size_t kChunkHeaderSize = 16;
inline constexpr std::uint32_t kEndTag = 0;
inline constexpr std::uint32_t kVertexTag = 10001;
inline constexpr std::uint32_t kFaceTag = 20001;
inline constexpr std::uint32_t kColourTag = 35001;

inline constexpr std::size_t kVertexSize = 12;      // x, y, z as float32
inline constexpr std::size_t kFaceSize = 16;        // a, b, c, d as int32; d < 0: triangle
inline constexpr std::size_t kColourEntrySize = 4;  // blue, green, red, 0
inline constexpr std::int32_t kTriangleMark = -1;

// The chunk size field is signed 32-bit.
inline constexpr std::uint64_t kMaxChunkSize = 0x7fffffff;

static_assert(std::endian::native == std::endian::little ||
              std::endian::native == std::endian::big);

inline void store_u32(unsigned char *out, std::uint32_t value) {
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
    out[2] = static_cast<unsigned char>(value >> 16);
    out[3] = static_cast<unsigned char>(value >> 24);
}

inline std::uint32_t load_u32(const unsigned char *in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

inline float load_f32(const unsigned char *in) {
    return std::bit_cast<float>(load_u32(in));
}
inline std::int32_t load_i32(const unsigned char *in) {
    return static_cast<std::int32_t>(load_u32(in));
}

}  // namespace tolvane::interchange
