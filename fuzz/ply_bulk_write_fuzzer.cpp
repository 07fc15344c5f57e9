// Declarations and values drawn from any bytes, written value by value and a whole instance at
// a time: both must give the same bytes, results and messages.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "bulk/bulk_differential.h"
#include "fuzz_support.h"

namespace {

struct Draw {
    const std::uint8_t *data;
    std::size_t size;
    std::size_t at = 0;

    std::uint8_t byte() { return at < size ? data[at++] : 0; }

    // Mostly values near the types' limits, sometimes any double.
    double value() {
        static const double kSpecial[] = {0.0,
                                          -0.0,
                                          0.5,
                                          -1.5,
                                          127.9,
                                          -128.9,
                                          255.0,
                                          256.0,
                                          65535.0,
                                          -32769.0,
                                          4294967295.0,
                                          -2147483649.0,
                                          3.4e38,
                                          3.5e38,
                                          1e300,
                                          std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity()};
        const std::uint8_t pick = byte();
        if (pick < 128) return static_cast<double>(static_cast<int>(pick) - 8);
        if (pick < 128 + std::size(kSpecial)) return kSpecial[pick - 128];
        double any = 0;
        for (std::size_t i = 0; i < sizeof any && at < size; ++i)
            reinterpret_cast<unsigned char *>(&any)[i] = data[at++];
        return any;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace tolvane::bulk;
    Draw draw{data, size};
    WritePlan plan;
    const e_ply_storage_mode modes[] = {PLY_ASCII, PLY_LITTLE_ENDIAN, PLY_BIG_ENDIAN};
    plan.mode = modes[draw.byte() % 3];
    const int elements = 1 + draw.byte() % 3;
    for (int e = 0; e < elements; ++e) {
        WriteElement element{"e" + std::to_string(e), draw.byte() % 48, {}};
        const int properties = 1 + draw.byte() % 4;
        for (int p = 0; p < properties; ++p) {
            WriteProperty property;
            property.name = "p" + std::to_string(p);
            const std::uint8_t shape = draw.byte();
            property.type = static_cast<e_ply_type>(shape % 16);
            property.list = shape >= 192;
            property.length_type = static_cast<e_ply_type>(draw.byte() % 16);
            property.source_type = draw.byte() % 4;
            if (property.list) property.length_source_type = draw.byte() % 4;
            element.properties.push_back(property);
        }
        // Values for each property in turn, as many as it may take.
        for (WriteProperty &property : element.properties) {
            const long wanted = element.instances * (property.list ? 4 : 1);
            for (long i = 0; i < wanted && draw.at < size; ++i) {
                property.values.push_back(property.list && i % 4 == 0
                                              ? draw.byte() % 5 - 1.0 * (draw.byte() % 7 == 0)
                                              : draw.value());
            }
        }
        plan.elements.push_back(element);
    }
    const std::string difference = compare_writes(plan);
    tolvane::fuzz::require(difference.empty(),
                           "value by value and whole instances disagree: " + difference);
    return 0;
}
