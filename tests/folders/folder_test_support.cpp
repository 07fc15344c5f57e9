#include "folders/folder_test_support.h"

#include <algorithm>
#include <array>

namespace tolvane::test {

float get_file(std::string &name) {
    std::array<char, 260> buffer{};
    const float result = entry("GetFile")(nullptr, 0.0, buffer.data());
    buffer.back() = '\0';
    name = buffer.data();
    return result;
}

Names read_remaining(float &last) {
    Names names;
    std::string name;
    for (int i = 0; i < 100000; ++i) {
        last = get_file(name);
        if (last != 0.0f) return names;
        names.push_back(name);
    }
    ADD_FAILURE() << "GetFile never reached the end";
    return names;
}

Names list_through_exports(const std::string &folder) {
    EXPECT_EQ(call("OpenFolder", folder.c_str(), 0.0, ""), 0.0f) << folder;
    float last = 0.0f;
    Names names = read_remaining(last);
    EXPECT_EQ(last, -3.0f) << folder;
    EXPECT_EQ(call("CloseFolder", nullptr, 0.0, ""), 0.0f) << folder;
    return sorted(std::move(names));
}

Names listing_of(Names names) {
    names.push_back(".");
    names.push_back("..");
    return sorted(std::move(names));
}

Names sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

void make_entries(const std::filesystem::path &folder, const Names &names) {
    for (const std::string &name : names) {
        if (!name.empty() && name.back() == '/') {
            std::filesystem::create_directory(folder / name.substr(0, name.size() - 1));
        } else {
            write_bytes(folder / name, "");
        }
    }
}

PaddedFolder make_padded_folder(const std::filesystem::path &scratch, std::size_t length) {
    // The folder's name is one or two letters long, whichever lets "/." steps fill up exactly.
    const std::size_t base = (scratch / "d").string().size();
    PaddedFolder padded;
    padded.folder = scratch / ((length - base) % 2 == 0 ? "d" : "dd");
    std::filesystem::create_directory(padded.folder);
    padded.text = padded.folder.string();
    while (padded.text.size() + 2 <= length) padded.text += "/.";
    EXPECT_EQ(padded.text.size(), length) << "the scratch folder's own path is too long";
    return padded;
}

}  // namespace tolvane::test
