#include "support/temp_home.h"
#include "vmac/posix_files.h"

#include <gtest/gtest.h>

namespace talvora {
namespace {

TEST(PosixFiles, BehavesLikeTheFileManager)
{
    test_support::TempHome temp;
    vmac::PosixFiles posix(temp.home);
    Files& files = posix;
    const std::string root = temp.home.root;

    EXPECT_EQ(files.userLibraryDirectory(), root + "/Library");
    EXPECT_FALSE(files.createDirectory(root + "/a/b", false)); // parent missing
    EXPECT_TRUE(files.createDirectory(root + "/a/b", true));
    EXPECT_TRUE(files.createDirectory(root + "/a/b", true)); // already there is fine
    test_support::writeFile(root + "/plain", "x");
    EXPECT_FALSE(files.createDirectory(root + "/plain/sub", true));

    const std::string path = root + "/f.txt";
    EXPECT_FALSE(files.openForWriting(path)); // must exist first
    test_support::writeFile(path, "xyzw");
    auto handle = files.openForWriting(path);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(handle->write("ab"));
    handle.reset();
    EXPECT_EQ(test_support::readFile(path), "abzw"); // from the start, not truncated
    EXPECT_TRUE(files.createFile(path));
    EXPECT_EQ(test_support::readFile(path), "");
    EXPECT_FALSE(files.createFile(root + "/a")); // a directory is in the way
}

} // namespace
} // namespace talvora
