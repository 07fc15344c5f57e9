#include "entry/calling_form.h"
#include "entry/guard.h"
#include "entry/import_result_code.h"
#include "ply/import.h"

TOLVANE_EXPORT float TOLVANE_CALL PLYImport(const char *ply_path, double, char *output_path) {
    if (ply_path == nullptr || output_path == nullptr) return -1.0f;
    // Running out of memory while gathering the mesh is a failure to read it.
    return tolvane::entry::guarded(-3.0f, [&] {
        return tolvane::entry::import_result_code(tolvane::ply::import_ply(ply_path, output_path));
    });
}
