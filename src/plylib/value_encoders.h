// Writing one value of a PLY data section. An encoder is chosen once per property from a table
// indexed by storage mode and type.
#pragma once

#include "plylib/byte_sink.h"
#include "plylib/rply.h"

namespace plylib {

// Checks that the type can hold `value` (integers: after truncation toward zero; float32:
// within +-FLT_MAX or NaN; float64: anything) and writes it, after a blank when `separate` (ASCII
// only). False, with nothing written, when the value is refused.
using Encoder = bool (*)(ByteSink &sink, double value, bool separate);

// `mode` is the file's storage mode (PLY_DEFAULT already resolved); `type` a scalar type.
Encoder encoder_for(e_ply_storage_mode mode, e_ply_type type);

}  // namespace plylib
