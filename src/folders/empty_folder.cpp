#include "folders/empty_folder.h"

#include <string>
#include <string_view>

#include "folders/dir_stream.h"
#include "platform/file_ops.h"

namespace tolvane::folders {
namespace {

// Passed over by name, not by position: a drive's root has no such entries, and elsewhere the
// platform promises no order, so skipping the first two would spare real files at random.
bool is_self_or_parent(std::string_view name) {
    return name == "." || name == "..";
}

bool has_dot(std::string_view name) {
    return name.find('.') != std::string_view::npos;
}

}  // namespace

bool empty_folder(const char *folder) {
    if (folder == nullptr || folder[0] == '\0') return false;
    std::string folder_string(folder);
    if (folder_string.back() != folder_separator()) folder_string += folder_separator();
    const DirStreamHandle stream(OpenDirStream(folder_string.c_str()));
    if (!stream) return false;
    std::string entry_path;
    while (const char *name = ReadDirEntry(*stream)) {
        const std::string_view entry(name);
        if (is_self_or_parent(entry) || !has_dot(entry)) continue;
        // Built at full length: a cut path could name some other file.
        entry_path.assign(folder_string).append(entry);
        // A file that will not go stays; the rest of the folder is emptied all the same.
        (void)platform::delete_file(entry_path.c_str());
    }
    return true;
}

}  // namespace tolvane::folders
