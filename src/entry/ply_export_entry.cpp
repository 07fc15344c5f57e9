#include "entry/calling_form.h"
#include "entry/export_result_code.h"
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

}  // namespace

TOLVANE_EXPORT float TOLVANE_CALL PLYExport(const char *input_path, double option_code,
                                            char *output_path) {
    if (input_path == nullptr || output_path == nullptr) return -1.0f;
    // The export takes a few blocks of memory, whatever the mesh: running out of it is reported
    // with the counts this build cannot hold.
    return tolvane::entry::guarded(-8.0f, [&] {
        return tolvane::entry::export_result_code(
            tolvane::ply::export_ply(input_path, output_path, decode_option_code(option_code)));
    });
}
