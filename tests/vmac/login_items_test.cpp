#include "support/temp_home.h"
#include "vmac/virtual_login_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

using namespace talvora;
using test_support::readFile;

namespace {

struct LoginItemsTest : ::testing::Test {
    test_support::TempHome temp;
    std::string folder = temp.home.root + "/config/autostart";
    vmac::VirtualLoginItems items { folder, { "/opt/Talvora Tools/talvora", "--scenario", "50%.json" } };
};

} // namespace

TEST_F(LoginItemsTest, RegisteringWritesARealAutostartEntryAndUnregisteringRemovesIt)
{
    EXPECT_EQ(items.status(), LoginItemStatus::NotRegistered);
    ASSERT_EQ(items.registerApp(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItemStatus::Enabled);

    auto text = readFile(items.entry().path());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text->find("Type=Application\n"), std::string::npos);
    // The space is quoted, the per cent sign doubled so it is not a field code.
    EXPECT_NE(text->find("Exec=\"/opt/Talvora Tools/talvora\" --scenario 50%%.json\n"), std::string::npos);
    EXPECT_EQ(text->find("Hidden"), std::string::npos);
    // Nothing is left beside the entry by the atomic replace.
    using Files = std::filesystem::directory_iterator;
    EXPECT_EQ(std::distance(Files(folder), Files()), 1);

    ASSERT_EQ(items.unregisterApp(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItemStatus::NotRegistered);
    EXPECT_FALSE(std::filesystem::exists(items.entry().path()));
    EXPECT_NE(items.unregisterApp(), std::nullopt); // nothing left to unregister
}

TEST_F(LoginItemsTest, AnItemWaitingForApprovalIsHiddenFromTheSessionUntilApproved)
{
    items.setApprovalRequired(true);
    ASSERT_EQ(items.registerApp(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItemStatus::RequiresApproval);
    EXPECT_NE(readFile(items.entry().path())->find("Hidden=true\n"), std::string::npos);

    EXPECT_TRUE(items.approve());
    EXPECT_EQ(items.status(), LoginItemStatus::Enabled);
    // Registering again keeps the approval the person gave.
    ASSERT_EQ(items.registerApp(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItemStatus::Enabled);
}

// The service's failures as such show in the settings window's test; this one is the real
// file system's.
TEST_F(LoginItemsTest, AFolderThatCannotBeCreatedIsAFailureWithAReason)
{
    test_support::writeFile(temp.home.root + "/file", "x");
    items.setAutostartFolder(temp.home.root + "/file/autostart");
    auto error = items.registerApp();
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("file/autostart"), std::string::npos);
    EXPECT_EQ(items.status(), LoginItemStatus::NotRegistered);
}

TEST(DesktopEntryExec, QuotesAndEscapesWhatTheFormatReserves)
{
    EXPECT_EQ(vmac::desktopEntryExec({ "/usr/bin/talvora" }), "/usr/bin/talvora");
    EXPECT_EQ(vmac::desktopEntryExec({ "/a b/t", "" }), "\"/a b/t\" \"\"");
    // "$" and a backslash are escaped inside quotes, and the backslash again by the key file.
    EXPECT_EQ(vmac::desktopEntryExec({ "$HOME\\x" }), "\"\\\\$HOME\\\\\\\\x\"");
}
