// The folder cursor: the one listing a host script keeps open across calls, from opening a
// folder to closing it.
#pragma once

namespace tolvane::folders {

// Replaces the listing the cursor holds, closing the old one first, with one of `folder`.
// False when `folder` cannot be listed (null included): the cursor is then empty.
bool open_folder(const char *folder) noexcept;

enum class NextEntry {
    copied,          // the name and its NUL are in the buffer
    no_folder_open,  // the cursor is empty
    end_of_folder,   // every entry has been handed out; stays so until the cursor is closed
};

// Copies the next entry's name into `buffer`, which holds 260 bytes.
NextEntry next_folder_entry(char *buffer) noexcept;

// False when the cursor was already empty.
bool close_folder() noexcept;

}  // namespace tolvane::folders
