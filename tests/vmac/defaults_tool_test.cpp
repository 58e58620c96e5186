// The talvora-defaults tool, the way a person or a script uses it on the application's domain.

#include "vmac/preferences_file_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace talvora::vmac {
namespace {

using ::testing::HasSubstr;
using test_support::readText;

using DefaultsToolTest = test_support::PreferencesFileFixture;

TEST_F(DefaultsToolTest, WritesEveryTypeThatTheApplicationThenReads)
{
    auto app = open();
    EXPECT_EQ(tool({ "write", "flag", "-bool", "YES" }).exitCode, 0);
    EXPECT_EQ(tool({ "write", "off", "-bool", "0" }).exitCode, 0);
    EXPECT_EQ(tool({ "write", "count", "-int", "-42" }).exitCode, 0);
    EXPECT_EQ(tool({ "write", "ratio", "-float", "2" }).exitCode, 0);
    EXPECT_EQ(tool({ "write", "name", "-string", "hello world" }).exitCode, 0);
    EXPECT_EQ(tool({ "write", "blob", "-data", "00fFa5" }).exitCode, 0);
    EXPECT_EQ(tool({ "write", "list", "-array", "x", "y, z" }).exitCode, 0);

    app->synchronize();
    EXPECT_EQ(app->dictionaryRepresentation(),
        (PreferenceDomain { { "flag", true }, { "off", false }, { "count", std::int64_t { -42 } },
            { "ratio", 2.0 }, { "name", std::string("hello world") },
            { "blob", PreferenceData { 0x00, 0xff, 0xa5 } },
            { "list", StringArray { "x", "y, z" } } }));

    EXPECT_EQ(tool({ "read", "ratio" }).out, "2.0\n");
    EXPECT_EQ(tool({ "read", "blob" }).out, "00ffa5\n");
    auto all = tool({ "read" });
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(all.out, "blob = 00ffa5 (data)\n"
                       "count = -42 (integer)\n"
                       "flag = true (boolean)\n"
                       "list = [\"x\",\"y, z\"] (array)\n"
                       "name = hello world (string)\n"
                       "off = false (boolean)\n"
                       "ratio = 2.0 (double)\n");

    // The application's own write is visible to the tool, and the tool's delete to the app.
    api(*app).set("fromApp", std::int64_t { 9 });
    EXPECT_EQ(tool({ "read", "fromApp" }).out, "9\n");
    EXPECT_EQ(tool({ "delete", "fromApp" }).exitCode, 0);
    app->synchronize();
    EXPECT_FALSE(api(*app).object("fromApp"));
    EXPECT_TRUE(api(*app).object("count"));
}

// Missing keys exit 1, input it cannot take exits 2; either way one line on standard error,
// nothing on standard output and nothing written.
TEST_F(DefaultsToolTest, RefusesWhatItCannotFindStoreOrRead)
{
    ASSERT_EQ(tool({ "write", "keep", "-int", "1" }).exitCode, 0);
    const std::string before = readText(path());
    const std::string missing =
        "The domain/default pair of (app.talvora.Talvora, nothing) does not exist\n";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string error;
    } cases[] = {
        { { "read", "nothing" }, 1, missing },
        { { "delete", "nothing" }, 1, missing },
        { { "write", "k", "-int", "12x" }, 2, "usage: talvora-defaults" },
        { { "write", "k", "-float", "1.5.2" }, 2, "usage: talvora-defaults" },
        { { "write", "k", "-data", "abc" }, 2, "usage: talvora-defaults" },
        { { "write", "k", "-bool", "maybe" }, 2, "usage: talvora-defaults" },
        { { "write", "k", "-color", "red" }, 2, "usage: talvora-defaults" },
        { { "write", "k", "-int", "1", "2" }, 2, "usage: talvora-defaults" },
        { { "write", "k" }, 2, "usage: talvora-defaults" },
        { { "read", "a", "b" }, 2, "usage: talvora-defaults" },
        { { "rename", "k" }, 2, "usage: talvora-defaults" },
        { { "write", "bad\xff", "-int", "1" }, 2, "not UTF-8" },
        { { "write", "k", "-string", "caf\xc3" }, 2, "not UTF-8" },
        { { "write", "k", "-array", "ok", "\xed\xa0\x80" }, 2, "not UTF-8" },
        { { "read", "\xff" }, 2, "not UTF-8" },
        { { "write", "", "-int", "1" }, 2, "a key must not be empty" },
        // Escaped, not sent to the terminal.
        { { "write", "k\x1b[2J", "-string", "\xff" }, 2, "'\\xff'" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        auto result = tool(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_THAT(result.err, HasSubstr(c.error));
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_EQ(readText(path()), before);
}

TEST_F(DefaultsToolTest, ReadsNothingFromADamagedFileAndAWriteKeepsItAside)
{
    const std::string damaged = "{\"a\": {\"type\": \"integer\", \"value\": 1},";
    test_support::writeFile(path(), damaged);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> { { "read" }, { "read", "a" } }) {
        auto result = tool(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_THAT(result.err, HasSubstr("talvora-defaults: cannot read " + path() + ": line 1, column "));
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_EQ(readText(path()), damaged) << "reading changes nothing";
    // A write keeps the damaged file aside and says so, in one line.
    auto write = tool({ "write", "b", "-int", "2" });
    EXPECT_EQ(write.exitCode, 0);
    EXPECT_THAT(write.err, HasSubstr("could not be parsed; kept it as " + path() + ".corrupt-"));
    EXPECT_EQ(std::count(write.err.begin(), write.err.end(), '\n'), 1) << write.err;
    ASSERT_EQ(filesNamed(".corrupt-").size(), 1u);
    EXPECT_EQ(readText(filesNamed(".corrupt-")[0]), damaged);
}

} // namespace
} // namespace talvora::vmac
