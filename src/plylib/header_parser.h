// Reading a PLY header from the handle's byte source into its elements, properties, comments
// and obj_infos. Leaves the source at the first byte of data.
#pragma once

#include "plylib/rply.h"

namespace plylib {

// True when the header is whole and well formed; otherwise one message went to the error
// callback.
bool parse_header(p_ply ply);

}  // namespace plylib
