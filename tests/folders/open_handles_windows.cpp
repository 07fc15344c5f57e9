#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "folders/open_handles.h"

namespace tolvane::test {
namespace {

// The system-wide handle table, for where GetProcessHandleCount is a stand-in that always
// answers none (Wine). Its layout has stayed the same since NT.
struct SystemHandleEntry {
    ULONG owner_process_id;
    UCHAR object_type;
    UCHAR flags;
    USHORT handle_value;
    PVOID object;
    ACCESS_MASK granted_access;
};
struct SystemHandleTable {
    ULONG count;
    SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI *)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

long count_in_system_table() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return -1;
    QuerySystemInformation query = nullptr;
    const FARPROC address = GetProcAddress(ntdll, "NtQuerySystemInformation");
    if (address == nullptr) return -1;
    static_assert(sizeof query == sizeof address);
    std::memcpy(&query, &address, sizeof query);

    std::vector<std::uint8_t> table(1 << 16);
    for (int attempt = 0; attempt < 16; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(kSystemHandleInformation, table.data(),
                                  static_cast<ULONG>(table.size()), &needed);
        if (status == kInfoLengthMismatch) {
            table.resize(std::max<std::size_t>(table.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) return -1;
        const auto *handles = reinterpret_cast<const SystemHandleTable *>(table.data());
        const ULONG self = GetCurrentProcessId();
        long count = 0;
        for (ULONG i = 0; i < handles->count; ++i) {
            if (handles->entries[i].owner_process_id == self) ++count;
        }
        return count > 0 ? count : -1;
    }
    return -1;
}

}  // namespace

long open_handle_count() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) {
        return static_cast<long>(count);
    }
    return count_in_system_table();
}

}  // namespace tolvane::test
