#include "entry/calling_form.h"
#include "entry/guard.h"
#include "ply/export.h"

namespace {

// Only the exact values 1, 2 and 3 set flags: a script that passes anything else gets the plain
// ASCII export rather than a guess at what it meant.
tolvane::ply::ExportOptions decode_option_code(double value) {
    tolvane::ply::ExportOptions options;
    options.binary = value == 1.0 || value == 3.0;
    options.split_quads = value == 2.0 || value == 3.0;
    return options;
}

float export_result_code(tolvane::ply::ExportResult result) {
    using tolvane::ply::ExportCondition;
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

}  // namespace

TOLVANE_EXPORT float TOLVANE_CALL PLYExport(const char *input_path, double option_code,
                                            char *output_path) {
    if (input_path == nullptr || output_path == nullptr) return -1.0f;
    // Running out of memory anywhere in the export is the input being too large for this machine.
    return tolvane::entry::guarded(-8.0f, [&] {
        return export_result_code(
            tolvane::ply::export_ply(input_path, output_path, decode_option_code(option_code)));
    });
}
