// Any bytes as an interchange file given to PLYExport, end to end through the exported function
// (the option code is the input's size modulo 4, so that every mode is reached). A PLY file must
// exist exactly on success, nothing else may be left in the folder, and the PLY file must read
// back, through the PLY library, as the very mesh the bytes hold.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "interchange/format.h"
#include "plylib/rply.h"

namespace {

using namespace tolvane;
using fuzz::require;

void quiet(p_ply, const char *) {}

int collect(p_ply_argument argument) {
    void *values = nullptr;
    ply_get_argument_user_data(argument, &values, nullptr);
    static_cast<std::vector<double> *>(values)->push_back(ply_get_argument_value(argument));
    return 1;
}

struct ReadBack {
    long vertices = 0, faces = 0;
    std::vector<double> x, y, z, red, green, blue, faces_values;
};

ReadBack read_back(const std::string &ply_bytes, bool binary) {
    const std::string format = binary ? "format binary_little_endian 1.0\n" : "format ascii 1.0\n";
    require(ply_bytes.compare(0, 4 + format.size(), "ply\n" + format) == 0, "the format line");
    ReadBack back;
    p_ply ply = ply_open_memory(ply_bytes.data(), ply_bytes.size(), quiet, 0, nullptr);
    require(ply_read_header(ply) == 1, "the exported header does not read back");
    const struct {
        const char *element, *property;
        std::vector<double> *into;
    } wanted[] = {{"vertex", "x", &back.x},
                  {"vertex", "y", &back.y},
                  {"vertex", "z", &back.z},
                  {"vertex", "red", &back.red},
                  {"vertex", "green", &back.green},
                  {"vertex", "blue", &back.blue},
                  {"face", "vertex_indices", &back.faces_values}};
    for (const auto &w : wanted) {
        const long count = ply_set_read_cb(ply, w.element, w.property, collect, w.into, 0);
        if (std::strcmp(w.element, "vertex") == 0)
            back.vertices = count;
        else
            back.faces = count;
    }
    require(ply_read(ply) == 1, "the exported data does not read back");
    ply_close(ply);
    return back;
}

// The mesh as the host's layout puts it in the bytes, computed here independently of the reader.
struct Layout {
    const std::uint8_t *data;
    std::size_t size;
    std::uint32_t u32(std::uint64_t at) const {
        require(at + 4 <= size, "an export succeeded on a file too short for its headers");
        return interchange::load_u32(data + at);
    }
    std::int32_t i32(std::uint64_t at) const { return static_cast<std::int32_t>(u32(at)); }
};

void check_mesh(const Layout &in, const ReadBack &back, bool split) {
    const std::uint32_t vertices = in.u32(40);
    const std::int64_t colour_chunk = 32 + std::int64_t{in.i32(36)};
    const std::int64_t colours = colour_chunk + 16;
    const std::int64_t face_chunk = colours + 4 * std::int64_t{vertices};
    require(back.vertices == static_cast<long>(vertices), "vertex count");
    require(back.x.size() == vertices && back.red.size() == vertices, "vertex values");
    for (std::uint32_t k = 0; k < vertices; ++k) {
        const std::uint64_t at = 48 + 12 * std::uint64_t{k};
        for (int axis = 0; axis < 3; ++axis) {
            const std::vector<double> &values = axis == 0 ? back.x : axis == 1 ? back.y : back.z;
            const float written = static_cast<float>(values[k]);
            const std::uint32_t bits = in.u32(at + 4 * static_cast<std::uint64_t>(axis));
            require(std::memcmp(&written, &bits, 4) == 0, "a coordinate changed");
        }
        const std::uint32_t colour = in.u32(static_cast<std::uint64_t>(colours) + 4 * k);
        require(back.blue[k] == (colour & 0xff) && back.green[k] == ((colour >> 8) & 0xff) &&
                    back.red[k] == ((colour >> 16) & 0xff),
                "a colour changed");
    }
    std::vector<double> faces;
    long face_count = 0;
    const std::int64_t records_end =
        face_chunk + in.i32(static_cast<std::uint64_t>(face_chunk + 4));
    for (std::int64_t at = face_chunk + 16; at < records_end; at += 16) {
        const auto corner = [&](int i) {
            return static_cast<double>(in.i32(static_cast<std::uint64_t>(at + 4 * i)));
        };
        if (corner(3) < 0) {
            faces.insert(faces.end(), {3, corner(0), corner(1), corner(2)});
        } else if (split) {
            faces.insert(faces.end(),
                         {3, corner(0), corner(1), corner(2), 3, corner(2), corner(3), corner(0)});
            ++face_count;
        } else {
            faces.insert(faces.end(), {4, corner(0), corner(1), corner(2), corner(3)});
        }
        ++face_count;
    }
    require(back.faces == face_count, "face count");
    require(back.faces_values == faces, "face values");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::empty_scratch_folder();
    const auto input = fuzz::scratch_folder() / "in.vyn";
    const auto output = fuzz::scratch_folder() / "out.ply";
    fuzz::write_file(input, data, size);

    const int option = static_cast<int>(size % 4);
    fuzz::HostBuffer buffer(output.string());
    const float result = PLYExport(input.string().c_str(), option, buffer.bytes);
    require(std::strcmp(buffer.bytes, output.string().c_str()) == 0, "the buffer was written");

    const std::vector<std::string> left = fuzz::names_in(fuzz::scratch_folder());
    if (result == 0) {
        require(left == std::vector<std::string>{"in.vyn", "out.ply"},
                "files other than the input and the output were left behind");
        const bool binary = option == 1 || option == 3;
        check_mesh({data, size}, read_back(fuzz::read_file(output), binary), option >= 2);
    } else {
        // Refusals name their reason; +1 and -100 (the output cannot be written) cannot happen in
        // a folder of our own, and -1760 not for a file that is there.
        require(result == -3 || result == -4 || result == -7 || result == -8 || result == -56 ||
                    (result >= 1 && result == std::trunc(result)),
                "unexpected result " + std::to_string(result));
        require(left == std::vector<std::string>{"in.vyn"}, "a failed export left a file behind");
    }
    return 0;
}
