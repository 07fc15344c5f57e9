#include <io.h>
#include <windows.h>

#include <limits>

#include "platform/file_image.h"

namespace tolvane::platform {
namespace {

// Small files are read: mapping one costs more than the pages it saves.
constexpr std::uint64_t kMappedFrom = std::uint64_t{1} << 20;

// A page of a mapped file that cannot be read raises an exception in whoever touches it, and
// the host would die of it. Windows keeps a mapped file from being cut short, so only the medium
// can fail: a network share that goes away, a drive pulled out. Only files on fixed local drives
// are mapped; on any other, a failed read is a result code like every other.
bool on_fixed_drive(HANDLE file) {
    // A file whose path is longer than this is read: rare, and reading is always safe.
    wchar_t path[MAX_PATH];
    const DWORD length = GetFinalPathNameByHandleW(file, path, MAX_PATH, VOLUME_NAME_DOS);
    wchar_t volume[MAX_PATH];
    return length > 0 && length < MAX_PATH && GetVolumePathNameW(path, volume, MAX_PATH) &&
           GetDriveTypeW(volume) == DRIVE_FIXED;
}

}  // namespace

FileImage map_whole_file(std::FILE *stream, std::uint64_t size) noexcept {
    if (size < kMappedFrom || size > std::numeric_limits<SIZE_T>::max()) return nullptr;
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (file == INVALID_HANDLE_VALUE || !on_fixed_drive(file)) return nullptr;
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) return nullptr;
    // The view keeps the mapping, and the mapping the file, for as long as the view lives.
    void *view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size));
    CloseHandle(mapping);
    return FileImage(static_cast<const unsigned char *>(view));
}

void FileImageRelease::operator()(const unsigned char *bytes) const noexcept {
    UnmapViewOfFile(bytes);
}

}  // namespace tolvane::platform
