// POSIX names are bytes: whatever a folder holds goes out and is judged exactly as it is.
#include <gtest/gtest.h>

#include "folders/folder_test_support.h"

namespace tolvane::test {
namespace {

using PosixNames = FolderTest;

TEST_F(PosixNames, NamesAreHandedOutAndDeletedByTheirBytes) {
    ScratchFolder scratch;
    // Not text in any locale, and a backslash that is no separator here.
    const std::string raw = "\xff\xfe.bin";
    const std::string backslashed = "a\\b.txt";
    const std::string undotted = "back\\slash";
    const std::string trailing_dot = "x.";  // Windows drops a trailing dot; here it stays
    make_entries(scratch.path, {raw, backslashed, undotted, trailing_dot});
    EXPECT_EQ(list_through_exports(scratch.path.string()),
              listing_of({raw, backslashed, undotted, trailing_dot}));
    EXPECT_EQ(call("EmptyFolder", scratch.path.string().c_str(), 0.0, ""), 0.0f);
    EXPECT_EQ(listing(scratch.path), undotted + "\n");
}

}  // namespace
}  // namespace tolvane::test
