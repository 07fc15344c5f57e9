// PLYExport's result numbers, in the one place that decides them. The stand-in host's `info`
// command includes this too, so that what it predicts is what the export returns.
#pragma once

#include "ply/export.h"

namespace tolvane::entry {

inline float export_result_code(const ply::ExportResult &result) {
    using ply::ExportCondition;
    switch (result.condition) {
        case ExportCondition::exported:
            return 0.0f;
        case ExportCondition::cannot_open:
            return -1760.0f;
        case ExportCondition::too_large:
            return -8.0f;
        case ExportCondition::unexpected_chunk:
            // Tags reach the caller as the nearest float: exact up to 2^24.
            return static_cast<float>(result.tag);
        case ExportCondition::missing_chunk:
            return -4.0f;
        case ExportCondition::colour_count_mismatch:
            return -56.0f;
        case ExportCondition::ends_early:
            return -3.0f;
        case ExportCondition::coordinate_not_finite:
            return -7.0f;
        case ExportCondition::cannot_create:
            return 1.0f;
        case ExportCondition::write_failed:
            return -100.0f;
    }
    return -100.0f;
}

}  // namespace tolvane::entry
