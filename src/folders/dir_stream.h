// A directory stream: one folder's entries handed out one name at a time, in the platform's own
// order, with nothing filtered or sorted. The platforms differ only behind this header.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

namespace tolvane::folders {

// Folder texts this long or longer are refused before anything is opened.
inline constexpr std::size_t kFolderTextLimit = 260;
// An entry name and its NUL: the size of the host's buffer.
inline constexpr std::size_t kEntryNameSize = 260;
// Handed out for an entry whose name the platform cannot give as a narrow string.
inline constexpr const char *kUnnamedEntry = "?";

// The platform's search state, defined by each platform's file.
struct FindState;
struct FindStateRelease {
    void operator()(FindState *state) const noexcept;
};

struct DirStream {
    std::array<char, kEntryNameSize> entry_name{};  // overwritten by every read
    std::unique_ptr<FindState, FindStateRelease> find_state;
};

// A relative folder is resolved now, so that a later change of the current folder does not
// move the stream. Null when the folder cannot be listed: an empty or overlong text, a
// missing path, a file, or no memory.
DirStream *OpenDirStream(const char *folder) noexcept;

// The next entry's bare name, valid until the next read or the close; null at the end. Once it
// has returned null it keeps doing so, and the platform's search is already released.
const char *ReadDirEntry(DirStream &stream) noexcept;

// Releases the stream and its search. Null is allowed.
void CloseDirStream(DirStream *stream) noexcept;

struct DirStreamCloser {
    void operator()(DirStream *stream) const noexcept { CloseDirStream(stream); }
};
using DirStreamHandle = std::unique_ptr<DirStream, DirStreamCloser>;

// The separator that joins a folder and an entry name on this platform.
char folder_separator() noexcept;

}  // namespace tolvane::folders
