#include "entry/calling_form.h"
#include "entry/guard.h"
#include "folders/empty_folder.h"
#include "folders/file_services.h"

TOLVANE_EXPORT float TOLVANE_CALL EmptyFolder(const char *folder, double, char *) {
    if (folder == nullptr) return -1.0f;
    return tolvane::entry::guarded(
        -1.0f, [&] { return tolvane::folders::empty_folder(folder) ? 0.0f : -1.0f; });
}

TOLVANE_EXPORT float TOLVANE_CALL FileDelete(const char *path, double, char *) {
    if (path == nullptr) return -1.0f;
    return tolvane::entry::guarded(
        -1.0f, [&] { return tolvane::folders::delete_file(path) ? 0.0f : -1.0f; });
}

TOLVANE_EXPORT float TOLVANE_CALL FileRename(const char *current_path, double, char *new_path) {
    if (current_path == nullptr || new_path == nullptr) return -1.0f;
    return tolvane::entry::guarded(-1.0f, [&] {
        return tolvane::folders::rename_file(current_path, new_path) ? 0.0f : -1.0f;
    });
}
