// Helpers for the PLY library's tests: an error log, recorded callback calls, packed binary
// bytes, a sink into a string and a scratch folder.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "plylib/rply.h"

namespace plytest {

// Every message the logging error callback received, in order (null handles included).
std::vector<std::string> &errors();
void log_error(p_ply ply, const char *message);

// One read callback call, as the callback saw it.
struct Call {
    std::string element;
    long instance = 0;
    std::string property;
    long length = 0;
    long index = 0;
    double value = 0;
    long idata = 0;
};

// A read callback that appends a Call to the std::vector<Call> given as pdata.
int record_call(p_ply_argument argument);

struct ReadResult {
    bool header_ok = false;
    bool read_ok = false;
    std::vector<Call> calls;
    std::vector<std::string> errors;
};

// Reads `bytes` from memory with record_call on every property of every element.
ReadResult read_all(const std::string &bytes);
// The same from a file.
ReadResult read_file(const std::filesystem::path &path);

// Values of one property, in order (list lengths included, with index -1).
std::vector<double> values_of(const std::vector<Call> &calls, const std::string &property);

// Packed values in a byte order.
class Packer {
  public:
    explicit Packer(bool big_endian) : big_endian_(big_endian) {}
    template <typename T>
    Packer &put(T value) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        const bool machine_big = std::endian::native == std::endian::big;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const std::size_t from = big_endian_ == machine_big ? i : sizeof(T) - 1 - i;
            bytes_.push_back(static_cast<char>(bytes[from]));
        }
        return *this;
    }
    const std::string &bytes() const { return bytes_; }

  private:
    bool big_endian_;
    std::string bytes_;
};

// A writer whose output lands in `out` (ply_create_sink); errors go to log_error.
p_ply create_in_string(std::string *out, e_ply_storage_mode mode);

// A fresh folder, removed with its contents.
struct Scratch {
    std::filesystem::path path;
    Scratch();
    ~Scratch();
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
};

void write_file(const std::filesystem::path &path, const std::string &bytes);
std::string read_whole_file(const std::filesystem::path &path);

}  // namespace plytest
