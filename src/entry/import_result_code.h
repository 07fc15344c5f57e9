// PLYImport's result numbers, in the one place that decides them. The stand-in host's `info`
// command includes this too, so that what it predicts is what the import returns.
#pragma once

#include "ply/import.h"

namespace tolvane::entry {

inline float import_result_code(ply::ImportResult result) {
    using ply::ImportResult;
    switch (result) {
        case ImportResult::imported:
            return 0.0f;
        case ImportResult::cannot_open:
            return -1.0f;
        case ImportResult::bad_header:
            return -2.0f;
        case ImportResult::bad_data:
            return -3.0f;
        case ImportResult::nothing_to_write:
            return -4.0f;
        case ImportResult::cannot_create:
            return -5.0f;
        case ImportResult::write_failed:
            return -6.0f;
    }
    return -1.0f;
}

}  // namespace tolvane::entry
