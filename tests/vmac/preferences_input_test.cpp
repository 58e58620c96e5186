// The preferences domain against hostile files and killed writers: nothing blocks, nothing
// recursive runs over a deep document, nothing the user had is lost or rolled back.

#include "support/run_tool.h"
#include "support/temp_home.h"
#include "vmac/file_preferences_store.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_run_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace talvora::vmac {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string readText(const std::string& path) { return test_support::readFile(path).value_or(""); }

class PreferencesInputTest : public ::testing::Test {
protected:
    std::unique_ptr<FilePreferencesStore> open() { return std::make_unique<FilePreferencesStore>(path(), clock, queue, log); }
    std::string path() const { return home.preferencesFile(); }
    static PreferencesStore& api(FilePreferencesStore& store) { return store; }
    test_support::ToolResult tool(std::vector<std::string> args)
    {
        args.insert(args.begin(), { TALVORA_DEFAULTS_TOOL, "--home", home.root });
        return test_support::runTool(std::move(args), home.root);
    }
    // Files beside the domain that a writer made and did not clean up.
    std::vector<std::string> temporaryFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(home.preferencesFolder())) {
            if (entry.path().filename().string().find(".tmp-") != std::string::npos)
                names.push_back(entry.path().filename().string());
        }
        return names;
    }
    // The files that a write moved aside.
    std::vector<std::string> keptAside() const
    {
        std::vector<std::string> paths;
        for (const auto& entry : fs::directory_iterator(home.preferencesFolder())) {
            if (entry.path().filename().string().find(".corrupt-") != std::string::npos)
                paths.push_back(entry.path().string());
        }
        return paths;
    }

    test_support::TempHome temp;
    const HomeFolder& home = temp.home;
    VirtualClock clock;
    VirtualRunLoop queue { clock };
    RecordingSystemLog log;
};

TEST_F(PreferencesInputTest, HostileFilesReadAsEmptyAndAreKeptAsideWhole)
{
    const std::string entry = R"("a": {"type": "integer", "value": 1})";
    const std::size_t deep = 48000;
    const std::vector<std::pair<std::string, std::string>> files = {
        { "nested 48,000 levels under an unknown key", "{" + entry + R"(, "x": )" + std::string(deep, '[') + std::string(deep, ']') + "}" },
        { "nested 10,000 levels in objects", "{" + entry + R"(, "x": )" + [] {
              std::string s;
              for (int i = 0; i < 10000; ++i)
                  s += "{\"k\":";
              return s + "1" + std::string(10000, '}');
          }() + "}" },
        { "larger than the limit", "{" + entry + "}" + std::string((8u << 20) + 1, ' ') },
    };
    for (const auto& [what, text] : files) {
        SCOPED_TRACE(what);
        test_support::writeFile(path(), text);
        auto store = open();
        EXPECT_FALSE(api(*store).object("a"));
        EXPECT_TRUE(store->unusableReason());
        api(*store).set("b", std::int64_t { 2 });
        ASSERT_TRUE(store->lastWriteSucceeded());
        EXPECT_LT(fs::file_size(path()), 100u) << "the new file holds the one new value";
        auto aside = keptAside();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(readText(aside[0]), text) << "the damaged file is kept byte for byte";
        fs::remove(aside[0]);
    }
}

TEST_F(PreferencesInputTest, ARewriteKeepsTheTextOfWhatItDidNotChange)
{
    // An entry from a newer version, spelled as no writer of ours would spell it.
    const std::string future = R"({"type": "future", "value": [1e5, "\u00e9\/", {"deep": [[[]]]}, 0.10]})";
    test_support::writeFile(path(), "{\"zz\":" + future + ",\n\"a\":{\"type\":\"integer\",\"value\":1}, \"a\": {\"type\":\"integer\",\"value\":7}}");
    auto store = open();
    EXPECT_EQ(api(*store).object("a"), PreferenceValue(std::int64_t { 7 })) << "a key given twice keeps its last value";
    api(*store).set("b", std::int64_t { 1 });
    const std::string first = readText(path());
    EXPECT_THAT(first, HasSubstr("\"zz\": " + future));
    for (std::int64_t n = 2; n < 6; ++n)
        api(*store).set("b", n);
    EXPECT_EQ(readText(path()).size(), first.size()) << "rewrites do not grow what they did not change";
    api(*store).remove("b");
    api(*store).remove("zz");
    EXPECT_EQ(nlohmann::json::parse(readText(path())), nlohmann::json::parse(R"({"a": {"type": "integer", "value": 7}})"));
}

TEST_F(PreferencesInputTest, AFifoInPlaceOfTheFileNeverBlocks)
{
    fs::create_directories(home.preferencesFolder());
    ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
    auto store = open(); // would block for ever on a plain open
    EXPECT_EQ(store->unusableReason(), std::optional<std::string>("not a regular file"));
    api(*store).set("b", true);
    EXPECT_FALSE(store->lastWriteSucceeded()) << "what it cannot read it does not replace";
    EXPECT_TRUE(fs::is_fifo(path()));
    auto read = tool({ "read" });
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_EQ(read.err, "talvora-defaults: cannot read " + path() + ": not a regular file\n");
}

TEST_F(PreferencesInputTest, StaleTemporaryFilesGoWithTheNextWrite)
{
    fs::create_directories(home.preferencesFolder());
    const std::string stale = path() + ".tmp-Ab12Cd", unrelated = path() + ".tmp-notours.txt";
    test_support::writeFile(stale, "{\"half\": ");
    test_support::writeFile(unrelated, "kept");
    auto store = open();
    api(*store).set("a", true);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(unrelated));
}

TEST_F(PreferencesInputTest, KilledWritersNeverDamageTheFileNorRollBackAWrite)
{
    using Clock = std::chrono::steady_clock;
    // Kill moments spread over a whole write, however fast this machine is right now.
    const auto started = Clock::now();
    ASSERT_EQ(tool({ "write", "k0", "-int", "-1" }).exitCode, 0);
    const auto oneWrite = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count();
    std::mt19937 random(15);
    std::uniform_int_distribution<long> delayMicroseconds(0, oneWrite * 3 / 2);
    std::map<std::string, std::int64_t> acknowledged; // the last value whose writer reported success
    int killed = 0, rounds = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(40);
    for (; rounds < 300 && Clock::now() < deadline; ++rounds) {
        const std::string key = "k" + std::to_string(rounds % 4), value = std::to_string(rounds);
        std::vector<std::string> args = { TALVORA_DEFAULTS_TOOL, "--home", home.root, "write", key, "-int", value };
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        // Every fourth writer is left to finish, so that there are always writes to lose.
        if (rounds % 4 != 3) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
            ::kill(pid, SIGKILL);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (succeeded)
            acknowledged[key] = rounds;
        else
            ++killed;

        const std::string text = readText(path());
        std::string error;
        auto parsed = parsePreferencesText(text, error);
        ASSERT_TRUE(parsed) << "round " << rounds << ": " << error;
        const auto domain = decodeDomain(*parsed);
        for (const auto& [k, v] : acknowledged) {
            auto it = domain.find(k);
            ASSERT_NE(it, domain.end()) << "round " << rounds << ": " << k << " lost";
            ASSERT_GE(std::get<std::int64_t>(it->second), v) << "round " << rounds << ": " << k << " rolled back";
        }
        if (succeeded) {
            ASSERT_TRUE(temporaryFiles().empty()) << "round " << rounds;
        }
    }
    EXPECT_GE(rounds, 100) << "too few rounds to mean anything";
    EXPECT_GT(killed, 10);
    EXPECT_FALSE(acknowledged.empty());
    ASSERT_EQ(tool({ "write", "last", "-bool", "true" }).exitCode, 0);
    EXPECT_TRUE(temporaryFiles().empty());
    EXPECT_TRUE(keptAside().empty()) << "no version of the file was ever damaged";
}

TEST_F(PreferencesInputTest, DefaultsToolRefusesWhatItCannotStoreOrRead)
{
    ASSERT_EQ(tool({ "write", "keep", "-int", "1" }).exitCode, 0);
    const std::string before = readText(path());
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { "write", "bad\xff", "-int", "1" }, { "write", "k", "-string", "caf\xc3" }, { "write", "k", "-array", "ok", "\xed\xa0\x80" },
             { "read", "\xff" } }) {
        auto result = tool(args);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_THAT(result.err, HasSubstr("not UTF-8")) << ::testing::PrintToString(args);
    }
    EXPECT_THAT(tool({ "write", "", "-int", "1" }).err, HasSubstr("a key must not be empty"));
    EXPECT_THAT(tool({ "write", "k\x1b[2J", "-string", "\xff" }).err, HasSubstr("'\\xff'")) << "escaped, not sent to the terminal";
    EXPECT_EQ(readText(path()), before);

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
    ASSERT_EQ(keptAside().size(), 1u);
    EXPECT_EQ(readText(keptAside()[0]), damaged);
}

} // namespace
} // namespace talvora::vmac
