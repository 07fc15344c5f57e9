// Any bytes as a PLY file given to PLYImport, end to end through the exported function: the
// result must be one the bytes call for, an output must exist exactly on success and be a
// well-formed interchange file, nothing else may be left in the folder, and the process-wide
// buffers must be empty again.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "interchange/format.h"
#include "ply/import.h"
#include "plylib/rply.h"

namespace {

using namespace tolvane;
using fuzz::require;

void quiet(p_ply, const char *) {}

// What the PLY library reports for the same bytes: the oracle for the import's result and for
// the sizes of the chunks it writes.
struct Expected {
    float result = 0;
    std::uint64_t coordinates = 0;
    std::uint64_t face_values = 0;           // four per triangle or quad
    std::vector<std::uint8_t> face_lengths;  // 3 or 4, per face kept
    std::uint64_t reds = 0, greens = 0, blues = 0;
};

int count_value(p_ply_argument argument) {
    void *counter = nullptr;
    ply_get_argument_user_data(argument, &counter, nullptr);
    ++*static_cast<std::uint64_t *>(counter);
    return 1;
}

int count_face(p_ply_argument argument) {
    void *expected = nullptr;
    long length = 0, index = 0;
    ply_get_argument_user_data(argument, &expected, nullptr);
    ply_get_argument_property(argument, nullptr, &length, &index);
    if ((length == 3 || length == 4) && index == -1) {
        auto &into = *static_cast<Expected *>(expected);
        into.face_values += 4;
        into.face_lengths.push_back(static_cast<std::uint8_t>(length));
    }
    return 1;
}

Expected expect(const std::uint8_t *data, std::size_t size) {
    Expected expected;
    p_ply ply = ply_open_memory(data, size, quiet, 0, nullptr);
    if (!ply_read_header(ply)) {
        expected.result = -2;
    } else {
        for (const char *axis : {"x", "y", "z"}) {
            ply_set_read_cb(ply, "vertex", axis, count_value, &expected.coordinates, 0);
        }
        ply_set_read_cb(ply, "vertex", "red", count_value, &expected.reds, 0);
        ply_set_read_cb(ply, "vertex", "green", count_value, &expected.greens, 0);
        ply_set_read_cb(ply, "vertex", "blue", count_value, &expected.blues, 0);
        ply_set_read_cb(ply, "face", "vertex_indices", count_face, &expected, 0);
        if (!ply_read(ply)) {
            expected.result = -3;
        } else if (expected.coordinates == 0 || expected.face_values == 0) {
            expected.result = -4;
        }
    }
    ply_close(ply);
    return expected;
}

std::uint32_t u32_at(const std::string &bytes, std::size_t offset) {
    return interchange::load_u32(reinterpret_cast<const unsigned char *>(bytes.data()) + offset);
}

// Checks one chunk header at `offset` and returns the offset of the next chunk.
std::size_t check_chunk(const std::string &out, std::size_t offset, std::uint32_t tag,
                        std::uint64_t payload, std::uint64_t count, const char *what) {
    require(out.size() >= offset + 16, std::string(what) + " chunk header cut off");
    require(u32_at(out, offset) == tag, std::string(what) + " chunk tag");
    require(u32_at(out, offset + 4) == 16 + payload, std::string(what) + " chunk size");
    require(u32_at(out, offset + 8) == count, std::string(what) + " chunk count");
    require(u32_at(out, offset + 12) == 0, std::string(what) + " chunk reserved field");
    require(out.size() >= offset + 16 + payload, std::string(what) + " payload cut off");
    return offset + 16 + payload;
}

void check_output(const std::string &out, const Expected &expected) {
    require(out.compare(0, interchange::kMagicSize, interchange::kMagic) == 0, "magic");
    std::size_t at = check_chunk(out, interchange::kMagicSize, interchange::kVertexTag,
                                 4 * expected.coordinates, expected.coordinates / 3, "vertex");
    const std::size_t faces_at = at;
    at = check_chunk(out, at, interchange::kFaceTag, 4 * expected.face_values,
                     expected.face_values / 4, "face");
    // A triangle's fourth index is exactly -1; a quad's is whatever the file said.
    for (std::size_t i = 0; i < expected.face_lengths.size(); ++i) {
        if (expected.face_lengths[i] == 3) {
            require(u32_at(out, faces_at + 16 + 16 * i + 12) == 0xffffffffu,
                    "a triangle's fourth index is not -1");
        }
    }
    if (expected.reds > 0) {
        at = check_chunk(out, at, interchange::kColourTag, 4 * expected.reds, expected.reds,
                         "colour");
    }
    require(out.size() == at + 16, "the file does not end with the end marker");
    require(out.compare(at, 16, std::string(16, '\0')) == 0, "end marker");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::empty_scratch_folder();
    const auto input = fuzz::scratch_folder() / "in.ply";
    const auto output = fuzz::scratch_folder() / "out.vyn";
    fuzz::write_file(input, data, size);

    fuzz::HostBuffer buffer(output.string());
    const float result = PLYImport(input.string().c_str(), 0.0, buffer.bytes);
    const Expected expected = expect(data, size);
    require(result == expected.result, "PLYImport gave " + std::to_string(result) +
                                           " where the PLY library calls for " +
                                           std::to_string(expected.result));
    require(std::strcmp(buffer.bytes, output.string().c_str()) == 0, "the buffer was written");

    const std::vector<std::string> left = fuzz::names_in(fuzz::scratch_folder());
    if (result == 0) {
        require(left == std::vector<std::string>{"in.ply", "out.vyn"},
                "files other than the input and the output were left behind");
        check_output(fuzz::read_file(output), expected);
    } else {
        require(left == std::vector<std::string>{"in.ply"}, "a failed import left a file behind");
    }
    require(fuzz::read_file(input) == std::string(reinterpret_cast<const char *>(data), size),
            "the input file changed");

    // The values taken value by value through the callbacks make the same file.
    const auto by_callbacks = fuzz::scratch_folder() / "callbacks.vyn";
    const ply::ImportResult again = ply::import_ply(
        input.string().c_str(), by_callbacks.string().c_str(), ply::ImportPath::by_callbacks);
    require((again == ply::ImportResult::imported) == (result == 0),
            "the import by callbacks gave another result");
    if (result == 0) {
        require(fuzz::read_file(by_callbacks) == fuzz::read_file(output),
                "the import by callbacks wrote other bytes");
    }
    return 0;
}
