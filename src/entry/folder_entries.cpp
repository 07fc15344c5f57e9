#include "entry/calling_form.h"
#include "entry/guard.h"
#include "folders/folder_cursor.h"

namespace {

float next_entry_result_code(tolvane::folders::NextEntry result) {
    using tolvane::folders::NextEntry;
    switch (result) {
        case NextEntry::copied:
            return 0.0f;
        case NextEntry::no_folder_open:
            return -1.0f;
        case NextEntry::end_of_folder:
            return -3.0f;
    }
    return -1.0f;
}

}  // namespace

// A null folder is no exception to the rule that opening replaces the cursor: whatever it held
// is closed, and it stays empty.
TOLVANE_EXPORT float TOLVANE_CALL OpenFolder(const char *folder, double, char *) {
    return tolvane::entry::guarded(
        -1.0f, [&] { return tolvane::folders::open_folder(folder) ? 0.0f : -1.0f; });
}

TOLVANE_EXPORT float TOLVANE_CALL GetFile(const char *, double, char *name_buffer) {
    if (name_buffer == nullptr) return -1.0f;
    return tolvane::entry::guarded(-1.0f, [&] {
        return next_entry_result_code(tolvane::folders::next_folder_entry(name_buffer));
    });
}

TOLVANE_EXPORT float TOLVANE_CALL CloseFolder(const char *, double, char *) {
    return tolvane::entry::guarded(-1.0f,
                                   [&] { return tolvane::folders::close_folder() ? 0.0f : -1.0f; });
}
