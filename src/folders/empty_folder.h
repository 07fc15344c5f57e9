// Emptying a folder of its dotted names: every entry whose name holds a dot gets one delete,
// which takes files only. Subfolders are neither entered nor deleted.
#pragma once

namespace tolvane::folders {

// False when the folder cannot be listed (null or empty text included); true otherwise, even
// when some or all deletions failed. Leaves the folder cursor alone.
bool empty_folder(const char *folder);

}  // namespace tolvane::folders
