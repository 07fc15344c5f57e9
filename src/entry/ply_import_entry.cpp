#include "entry/calling_form.h"
#include "entry/guard.h"
#include "ply/import.h"

namespace {

float import_result_code(tolvane::ply::ImportResult result) {
    using tolvane::ply::ImportResult;
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

}  // namespace

TOLVANE_EXPORT float TOLVANE_CALL PLYImport(const char *ply_path, double, char *output_path) {
    if (ply_path == nullptr || output_path == nullptr) return -1.0f;
    // Running out of memory while gathering the mesh is a failure to read it.
    return tolvane::entry::guarded(-3.0f, [&] {
        return import_result_code(tolvane::ply::import_ply(ply_path, output_path));
    });
}
