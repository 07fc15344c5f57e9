// Reads the version resource of the DLL and of the stand-in host built beside this test, the
// way Explorer and installers read it, and holds it to the project's one version.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tolvane_version.h"

namespace {

std::wstring widen(const char *ascii) {
    return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii));
}

std::wstring beside_this_program(const wchar_t *name) {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring folder(path.data(), length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

std::vector<unsigned char> version_block(const std::wstring &file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<unsigned char> block(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) block.clear();
    return block;
}

// A string of the first language the resource lists.
std::wstring string_value(std::vector<unsigned char> &block, const wchar_t *name) {
    struct Translation {
        WORD language, code_page;
    } *translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void **>(&translations), &size) ||
        size < sizeof(Translation)) {
        return L"<no translation>";
    }
    wchar_t key[128];
    std::swprintf(key, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translations[0].language,
                  translations[0].code_page, name);
    wchar_t *text = nullptr;
    if (!VerQueryValueW(block.data(), key, reinterpret_cast<void **>(&text), &size)) {
        return L"<missing>";
    }
    return text;
}

TEST(VersionResource, DllAndHostCarryTheProjectVersion) {
    const std::wstring version = widen(tolvane::kFileVersionText);
    for (const wchar_t *name : {L"tolvane.dll", L"tolvane.exe"}) {
        SCOPED_TRACE(testing::Message() << "file " << std::string(name, name + wcslen(name)));
        std::vector<unsigned char> block = version_block(beside_this_program(name));
        ASSERT_FALSE(block.empty()) << "no version resource";

        VS_FIXEDFILEINFO *fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void **>(&fixed), &size));
        ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        for (const auto &[high, low] :
             {std::pair{fixed->dwFileVersionMS, fixed->dwFileVersionLS},
              std::pair{fixed->dwProductVersionMS, fixed->dwProductVersionLS}}) {
            wchar_t numbers[64];
            std::swprintf(numbers, 64, L"%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low),
                          LOWORD(low));
            EXPECT_EQ(std::wstring(numbers), version);
        }

        EXPECT_EQ(string_value(block, L"FileVersion"), version);
        EXPECT_EQ(string_value(block, L"ProductVersion"), version);
        EXPECT_EQ(string_value(block, L"ProductName"), L"Tolvane");
        EXPECT_EQ(string_value(block, L"OriginalFilename"), name);
        const std::wstring description = string_value(block, L"FileDescription");
        EXPECT_NE(description.find(L"Tolvane"), std::wstring::npos);
    }
}

TEST(VersionResource, FourNumbersBeginWithTheVersionExportReturns) {
    const std::string file_version = tolvane::kFileVersionText;
    EXPECT_EQ(file_version.rfind(std::string(tolvane::kVersionText) + ".", 0), 0u);
    wchar_t shown[32];
    std::swprintf(shown, 32, L"%.1f", static_cast<double>(tolvane::kVersionNumber));
    EXPECT_EQ(std::wstring(shown), widen(tolvane::kVersionText));
}

}  // namespace
