#include "folders/file_services.h"

#include <cstring>

#include "platform/file_ops.h"

namespace tolvane::folders {

bool delete_file(const char *path) {
    return platform::delete_file(path);
}

bool rename_file(const char *current_path, const char *new_path) {
    // Byte for byte, no case folding: "mesh.ply" to "MESH.PLY" is a real rename.
    if (std::strcmp(current_path, new_path) == 0) return false;
    return platform::rename_without_replacing(current_path, new_path);
}

}  // namespace tolvane::folders
