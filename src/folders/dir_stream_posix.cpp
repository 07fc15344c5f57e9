#include <dirent.h>

#include <cstring>
#include <new>

#include "folders/dir_stream.h"

namespace tolvane::folders {

struct FindState {
    DIR *directory = nullptr;  // null once the listing has ended
};

void FindStateRelease::operator()(FindState *state) const noexcept {
    if (state == nullptr) return;
    if (state->directory != nullptr) closedir(state->directory);
    delete state;
}

namespace {

void end_search(FindState &state) {
    if (state.directory == nullptr) return;
    closedir(state.directory);
    state.directory = nullptr;
}

void copy_entry_name(const char *name, DirStream &stream) {
    const std::size_t length = strnlen(name, kEntryNameSize);
    if (length >= kEntryNameSize) {
        std::strcpy(stream.entry_name.data(), kUnnamedEntry);
        return;
    }
    std::memcpy(stream.entry_name.data(), name, length + 1);
}

}  // namespace

DirStream *OpenDirStream(const char *folder) noexcept {
    if (folder == nullptr || folder[0] == '\0') return nullptr;
    if (strnlen(folder, kFolderTextLimit) >= kFolderTextLimit) return nullptr;
    DirStreamHandle stream(new (std::nothrow) DirStream);
    if (!stream) return nullptr;
    stream->find_state.reset(new (std::nothrow) FindState);
    if (!stream->find_state) return nullptr;
    // The stream holds the folder itself, not its name: a relative path is resolved here once,
    // and neither a later change of the current folder nor a rename can move it.
    stream->find_state->directory = opendir(folder);
    if (stream->find_state->directory == nullptr) return nullptr;
    return stream.release();
}

const char *ReadDirEntry(DirStream &stream) noexcept {
    FindState *state = stream.find_state.get();
    if (state == nullptr || state->directory == nullptr) return nullptr;
    // An error part-way is taken as the end, as the other platforms' searches do.
    const dirent *entry = readdir(state->directory);
    if (entry == nullptr) {
        end_search(*state);
        return nullptr;
    }
    copy_entry_name(entry->d_name, stream);
    return stream.entry_name.data();
}

void CloseDirStream(DirStream *stream) noexcept {
    delete stream;
}

char folder_separator() noexcept {
    return '/';
}

}  // namespace tolvane::folders
