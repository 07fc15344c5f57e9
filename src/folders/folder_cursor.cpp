#include "folders/folder_cursor.h"

#include <cstring>

#include "folders/dir_stream.h"

namespace tolvane::folders {
namespace {

// Released with the library too: an open search keeps its folder locked on Windows, so a
// script that forgets to close must not leave the folder locked after the plug-in is gone.
DirStreamHandle cursor;

}  // namespace

bool open_folder(const char *folder) noexcept {
    cursor.reset();
    cursor.reset(OpenDirStream(folder));
    return cursor != nullptr;
}

NextEntry next_folder_entry(char *buffer) noexcept {
    if (!cursor) return NextEntry::no_folder_open;
    const char *name = ReadDirEntry(*cursor);
    if (name == nullptr) return NextEntry::end_of_folder;
    const std::size_t length = strnlen(name, kEntryNameSize - 1);
    std::memcpy(buffer, name, length);
    buffer[length] = '\0';
    return NextEntry::copied;
}

bool close_folder() noexcept {
    if (!cursor) return false;
    cursor.reset();
    return true;
}

}  // namespace tolvane::folders
