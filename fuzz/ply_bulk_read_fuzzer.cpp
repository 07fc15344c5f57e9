// Any bytes as a PLY file, read through callbacks and into columns: both must give the same
// results, the same messages and, on success, the same values.
#include <cstdint>
#include <string>

#include "bulk/bulk_differential.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const std::string difference = tolvane::bulk::compare_reads(bytes);
    tolvane::fuzz::require(difference.empty(), "callbacks and columns disagree: " + difference);
    return 0;
}
