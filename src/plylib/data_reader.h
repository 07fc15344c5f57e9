// The data section of a file opened for reading, after its header: every value to its
// callback or its column, element by element, instance by instance.
#pragma once

#include "plylib/handle.h"

namespace plylib {

// True when every value was read; otherwise one message went to the error callback. Columns are
// emptied first; after a failure they hold no meaningful values.
bool read_data(t_ply_ &ply);

}  // namespace plylib
