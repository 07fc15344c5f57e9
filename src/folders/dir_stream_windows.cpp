#ifndef __STDC_WANT_SECURE_LIB__
#define __STDC_WANT_SECURE_LIB__ 1
#endif

#include <windows.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "folders/dir_stream.h"

namespace tolvane::folders {

struct FindState {
    WIN32_FIND_DATAW find_data{};  // the latest search result
    bool first_result_pending = false;
    HANDLE search = INVALID_HANDLE_VALUE;
    std::wstring pattern;  // the absolute folder, one separator, "*"
};

void FindStateRelease::operator()(FindState *state) const noexcept {
    if (state == nullptr) return;
    if (state->search != INVALID_HANDLE_VALUE) FindClose(state->search);
    delete state;
}

namespace {

using WideFolder = std::array<wchar_t, kFolderTextLimit>;

bool widen_folder(const char *folder, WideFolder &wide) {
    // Asking for the length first keeps an overlong text away from the runtime's
    // invalid-parameter handler, which may end the host.
    std::size_t needed = 0;
    if (mbstowcs_s(&needed, nullptr, 0, folder, 0) != 0) return false;
    if (needed == 0 || needed > wide.size()) return false;
    std::size_t converted = 0;
    return mbstowcs_s(&converted, wide.data(), wide.size(), folder, _TRUNCATE) == 0;
}

bool make_search_pattern(const wchar_t *folder, std::wstring &pattern) {
    const DWORD needed = GetFullPathNameW(folder, 0, nullptr, nullptr);
    if (needed == 0) return false;
    pattern.assign(needed, L'\0');
    const DWORD written = GetFullPathNameW(folder, needed, pattern.data(), nullptr);
    // A longer answer the second time means the current folder changed in between.
    if (written == 0 || written >= needed) return false;
    pattern.resize(written);
    const wchar_t last = pattern.back();
    if (last != L'\\' && last != L'/' && last != L':') pattern.push_back(L'\\');
    pattern.push_back(L'*');
    return true;
}

bool is_existing_folder(const std::wstring &pattern) {
    const std::wstring folder = pattern.substr(0, pattern.size() - 1);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool narrow_name(const wchar_t *name, DirStream &stream) {
    if (name[0] == L'\0') return false;
    // Truncating instead of overflowing keeps an overlong name away from the invalid-parameter
    // handler; a truncated name names nothing, so it counts as a failure all the same.
    std::size_t converted = 0;
    return wcstombs_s(&converted, stream.entry_name.data(), stream.entry_name.size(), name,
                      _TRUNCATE) == 0;
}

}  // namespace

DirStream *OpenDirStream(const char *folder) noexcept {
    if (folder == nullptr || folder[0] == '\0') return nullptr;
    try {
        WideFolder wide{};
        if (!widen_folder(folder, wide)) return nullptr;
        DirStreamHandle stream(new DirStream);
        stream->find_state.reset(new FindState);
        FindState &state = *stream->find_state;
        if (!make_search_pattern(wide.data(), state.pattern)) return nullptr;
        state.search = FindFirstFileW(state.pattern.c_str(), &state.find_data);
        if (state.search != INVALID_HANDLE_VALUE) {
            state.first_result_pending = true;
            return stream.release();
        }
        // A drive's root folder has no "." and "..": when it is empty the search matches
        // nothing, yet the folder is there and simply has nothing to hand out.
        if (GetLastError() == ERROR_FILE_NOT_FOUND && is_existing_folder(state.pattern)) {
            return stream.release();
        }
        return nullptr;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

const char *ReadDirEntry(DirStream &stream) noexcept {
    FindState *state = stream.find_state.get();
    if (state == nullptr) return nullptr;
    if (state->first_result_pending) {
        state->first_result_pending = false;
    } else {
        if (state->search == INVALID_HANDLE_VALUE) return nullptr;
        // An error part-way is taken as the end: the search cannot be resumed.
        if (!FindNextFileW(state->search, &state->find_data)) {
            FindClose(state->search);
            state->search = INVALID_HANDLE_VALUE;
            return nullptr;
        }
    }
    // A name the current locale cannot carry never ends the listing: the entry goes out by its
    // short name, or as a mark that names nothing.
    if (!narrow_name(state->find_data.cFileName, stream) &&
        !narrow_name(state->find_data.cAlternateFileName, stream)) {
        std::strcpy(stream.entry_name.data(), kUnnamedEntry);
    }
    return stream.entry_name.data();
}

void CloseDirStream(DirStream *stream) noexcept {
    delete stream;
}

char folder_separator() noexcept {
    return '\\';
}

}  // namespace tolvane::folders
