// Driving the folder exports as a host script does, and laying out folders to drive them on.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/plugin_fixture.h"
#include "support/test_files.h"

namespace tolvane::test {

using Names = std::vector<std::string>;

// The cursor is process-wide: every test starts and ends with it empty.
class FolderTest : public ::testing::Test {
  protected:
    void SetUp() override { call("CloseFolder", nullptr, 0.0, ""); }
    void TearDown() override { call("CloseFolder", nullptr, 0.0, ""); }
};

// GetFile with a host-sized buffer; `name` receives what it wrote there.
float get_file(std::string &name);

// GetFile until it stops giving 0 (bounded, so a cursor that never ends fails instead of
// hanging). `last` receives the result that ended it.
Names read_remaining(float &last);

// OpenFolder, every GetFile, CloseFolder; the names sorted, since the order is the platform's.
// Fails the test when any of the calls does not give what a complete listing gives.
Names list_through_exports(const std::string &folder);

// The listing an ordinary folder holding `names` gives: those names and "." and "..", sorted.
Names listing_of(Names names);

Names sorted(Names names);

// Creates empty files, and folders for the names ending in '/'.
void make_entries(const std::filesystem::path &folder, const Names &names);

// A new folder inside `scratch`, and a text of exactly `length` characters naming it: its path
// padded with "." steps, ending in no separator.
struct PaddedFolder {
    std::filesystem::path folder;
    std::string text;
};
PaddedFolder make_padded_folder(const std::filesystem::path &scratch, std::size_t length);

// The current folder, restored when the guard goes.
struct CurrentFolderGuard {
    std::filesystem::path saved = std::filesystem::current_path();
    ~CurrentFolderGuard() { std::filesystem::current_path(saved); }
};

}  // namespace tolvane::test
