// Deleting and renaming with the same guarantees on every platform: a delete takes files only,
// never a folder (not even an empty one), and a rename never replaces what is already there.
#pragma once

namespace tolvane::platform {

// False when nothing was deleted. A path longer than the platform can take is refused without
// asking the platform at all.
bool delete_file(const char *path);

// Gives the file or folder at `from` the path `to`, unless `to` already names something; the
// check and the rename are one step, so nothing created at `to` meanwhile is replaced.
bool rename_without_replacing(const char *from, const char *to);

}  // namespace tolvane::platform
