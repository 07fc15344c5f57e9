// Deleting and renaming one file at the host script's request.
#pragma once

namespace tolvane::folders {

// False when nothing was deleted: a folder, a missing path, a file the platform will not let go.
bool delete_file(const char *path);

// False for identical paths (nothing is tried), for a new path that already names something,
// and whenever the platform refuses.
bool rename_file(const char *current_path, const char *new_path);

}  // namespace tolvane::folders
