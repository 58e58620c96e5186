// The preferences domain as the application and other processes share it, and against hostile
// files and killed writers: nothing blocks, nothing recursive runs over a deep document, nothing
// the user had is lost or rolled back.

#include "vmac/preferences_file_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace talvora::vmac {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using PreferencesFileTest = test_support::PreferencesFileFixture;
using test_support::countMentions;
using test_support::readText;

// --- Values and the file format ---------------------------------------------------------

TEST_F(PreferencesFileTest, EveryTypeSurvivesTheFileWithItsType)
{
    PreferenceData allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.push_back(static_cast<std::uint8_t>(i));
    const std::vector<std::pair<std::string, PreferenceValue>> values = {
        { "flag", true },
        { "off", false },
        { "count", std::int64_t { -9007199254740993 } },
        { "big", std::int64_t { 9223372036854775807 } },
        { "ratio", 0.1 },
        { "whole", 2.0 },
        { "nan", std::nan("") },
        { "infinite", -INFINITY },
        { "name", std::string("Grüße, \"quoted\"\n") },
        { "empty", std::string() },
        { "blob", allBytes },
        { "two", PreferenceData { 0x00, 0x10 } },
        { "none", PreferenceData {} },
        { "list", StringArray { "a, b", "", "ü" } },
        { "nolist", StringArray {} },
    };
    {
        auto writer = open();
        for (const auto& [key, value] : values)
            api(*writer).set(key, value);
        EXPECT_TRUE(writer->lastWriteSucceeded());
    }
    auto reader = open();
    for (const auto& [key, value] : values) {
        auto read = api(*reader).object(key);
        ASSERT_TRUE(read) << key;
        ASSERT_EQ(read->index(), value.index()) << key;
        if (key == "nan")
            EXPECT_TRUE(std::isnan(std::get<double>(*read)));
        else
            EXPECT_EQ(*read, value) << key;
    }
    EXPECT_TRUE(log.records().empty());

    auto json = fileJson();
    EXPECT_EQ(json["whole"], (nlohmann::json { { "type", "double" }, { "value", 2.0 } }));
    EXPECT_TRUE(json["whole"]["value"].is_number_float());
    EXPECT_EQ(json["count"], (nlohmann::json { { "type", "integer" }, { "value", -9007199254740993 } }));
    EXPECT_EQ(json["two"], (nlohmann::json { { "type", "data" }, { "value", "ABA=" } }));
    EXPECT_EQ(json["list"]["type"], "array");
}

// Entries this version cannot read are skipped one by one, not taken for a corrupt file, and a
// write keeps them, and the text of every entry it did not change, as they were.
TEST_F(PreferencesFileTest, EntriesItCannotReadAreSkippedAndKeptAsWrittenByAWrite)
{
    // An entry from a newer version, spelled as no writer of ours would spell it.
    const std::string future = R"({"type": "future", "value": [1e5, "\u00e9\/", {"deep": [[[]]]}, 0.10]})";
    test_support::writeFile(path(), "{\"zz\":" + future + R"(,
        "a": {"type": "integer", "value": 1}, "a": {"type": "integer", "value": 7},
        "wrongValue": {"type": "boolean", "value": "yes"},
        "fractionalInt": {"type": "integer", "value": 1.5},
        "mixedArray": {"type": "array", "value": ["a", 1]},
        "badBase64": {"type": "data", "value": "A==="},
        "noType": {"value": 1},
        "bare": 3
    })");
    auto store = open();
    EXPECT_EQ(store->dictionaryRepresentation(), (PreferenceDomain { { "a", std::int64_t { 7 } } }))
        << "a key given twice keeps its last value";
    EXPECT_TRUE(log.records().empty()) << "one bad entry does not make the file corrupt";

    api(*store).set("b", std::int64_t { 1 });
    const std::string first = readText(path());
    EXPECT_THAT(first, HasSubstr("\"zz\": " + future));
    EXPECT_EQ(fileJson()["bare"], 3);
    for (std::int64_t n = 2; n < 6; ++n)
        api(*store).set("b", n);
    EXPECT_EQ(readText(path()).size(), first.size()) << "rewrites do not grow what they did not change";
    EXPECT_THAT(filesNamed(""), ElementsAre(path(), path() + ".lock"));
}

TEST_F(PreferencesFileTest, EmptyFileIsAnEmptyDomainNotACorruptOne)
{
    test_support::writeFile(path(), "\n");
    auto store = open();
    api(*store).set("a", true);
    EXPECT_TRUE(log.records().empty());
    EXPECT_THAT(filesNamed(""), ElementsAre(path(), path() + ".lock"));
}

// --- Two processes on one file ----------------------------------------------------------

// That another process's write is also seen unasked, within a quarter second, and heard of by
// observers, the settings window's and the demo scenario's tests show.
TEST_F(PreferencesFileTest, AnotherProcessesWriteAndRemovalAndADeletedFileAreSeen)
{
    auto app = open();
    auto tool = open();
    api(*tool).set("speed", 4.0);
    app->synchronize();
    EXPECT_EQ(api(*app).number("speed"), 4.0);

    api(*tool).remove("speed");
    app->synchronize();
    EXPECT_FALSE(api(*app).object("speed"));

    // The file removed by hand reads as an empty domain.
    api(*tool).set("speed", 1.0);
    app->synchronize();
    fs::remove(path());
    app->synchronize();
    EXPECT_FALSE(api(*app).object("speed"));
}

TEST_F(PreferencesFileTest, WritesMergeWithWhatOtherProcessesWrote)
{
    auto app = open();
    auto tool = open();
    api(*app).set("a", std::int64_t { 1 });
    api(*tool).set("b", std::int64_t { 2 }); // tool has never looked at "a"
    api(*app).set("c", std::int64_t { 3 }); // app has never looked at "b"
    api(*tool).remove("c");

    auto json = fileJson();
    EXPECT_TRUE(json.contains("a"));
    EXPECT_TRUE(json.contains("b"));
    EXPECT_FALSE(json.contains("c"));
    // A write also brings the writer's copy up to date with the file.
    EXPECT_EQ(api(*tool).object("a"), PreferenceValue(std::int64_t { 1 }));
    app->synchronize();
    EXPECT_EQ(api(*app).object("b"), PreferenceValue(std::int64_t { 2 }));
    EXPECT_FALSE(api(*app).object("c"));
}

TEST_F(PreferencesFileTest, ConcurrentWritersInSeparateProcessesLoseNothing)
{
    constexpr int kWrites = 60;
    { auto first = open(); api(*first).set("start", true); }
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        VirtualClock childClock;
        VirtualRunLoop childQueue(childClock);
        RecordingSystemLog childLog;
        FilePreferencesStore store(path(), childClock, childQueue, childLog);
        for (int i = 0; i < kWrites; ++i)
            static_cast<PreferencesStore&>(store).set("child" + std::to_string(i), std::int64_t { i });
        ::_exit(store.lastWriteSucceeded() && childLog.records().empty() ? 0 : 3);
    }
    auto store = open();
    for (int i = 0; i < kWrites; ++i) {
        api(*store).set("parent" + std::to_string(i), std::int64_t { i });
        // Whatever moment it is caught at, the file is a whole document.
        std::string error;
        EXPECT_TRUE(parsePreferencesText(readText(path()), error)) << error;
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    store->synchronize();
    auto all = store->dictionaryRepresentation();
    EXPECT_EQ(all.size(), 2u * kWrites + 1);
    EXPECT_THAT(filesNamed(""), ElementsAre(path(), path() + ".lock"));
}

// A reader that opened the file before a write keeps reading the whole old document: the write
// puts a new file in place instead of rewriting the old one.
TEST_F(PreferencesFileTest, AWriteReplacesTheFileWithANewOne)
{
    auto store = open();
    api(*store).set("speed", 1.0);
    struct stat before {};
    ASSERT_EQ(::stat(path().c_str(), &before), 0);
    std::ifstream reader(path(), std::ios::binary);
    ASSERT_TRUE(reader);

    api(*store).set("speed", 2.0);
    api(*store).set("padding", std::string(4096, 'x'));
    std::stringstream old;
    old << reader.rdbuf();
    std::string error;
    auto document = parsePreferencesText(old.str(), error);
    ASSERT_TRUE(document) << error;
    EXPECT_EQ((*document)["speed"]["value"], 1.0);
    EXPECT_FALSE(document->contains("padding"));

    struct stat after {};
    ASSERT_EQ(::stat(path().c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(fileJson()["speed"]["value"], 2.0);
}

TEST_F(PreferencesFileTest, KilledWritersNeverDamageTheFileNorRollBackAWrite)
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
        // What a killed writer left behind goes with the next write that succeeds.
        if (succeeded) {
            ASSERT_TRUE(filesNamed(".tmp-").empty()) << "round " << rounds;
        }
    }
    EXPECT_GE(rounds, 100) << "too few rounds to mean anything";
    EXPECT_GT(killed, 10);
    EXPECT_FALSE(acknowledged.empty());
    ASSERT_EQ(tool({ "write", "last", "-bool", "true" }).exitCode, 0);
    EXPECT_TRUE(filesNamed(".tmp-").empty());
    EXPECT_TRUE(filesNamed(".corrupt-").empty()) << "no version of the file was ever damaged";
}

// --- Change observers -------------------------------------------------------------------

TEST_F(PreferencesFileTest, ObserversHearOfRealChangesOnlyAndOnTheQueue)
{
    auto app = open();
    auto tool = open();
    int calls = 0;
    auto token = api(*app).addChangeObserver([&] { ++calls; });

    api(*tool).set("k", std::string("v"));
    app->synchronize();
    EXPECT_EQ(calls, 0) << "delivered through the main queue, not from inside the check";
    queue.drain();
    EXPECT_EQ(calls, 1);

    // The file rewritten with the same contents: a new stamp, but no change to report.
    api(*tool).set("k", std::string("v"));
    app->synchronize();
    queue.drain();
    EXPECT_EQ(calls, 1);

    api(*app).set("mine", true);
    api(*app).set("mine", true);
    api(*app).remove("absent");
    queue.drain();
    EXPECT_EQ(calls, 2);

    // Already queued when the token goes: the handler is not called.
    api(*tool).set("k", std::string("w"));
    app->synchronize();
    token.reset();
    queue.drain();
    EXPECT_EQ(calls, 2);
}

TEST_F(PreferencesFileTest, ObserverThatWritesDoesNotReenterAndDeadStoreIsSilent)
{
    auto store = open();
    int calls = 0;
    int depth = 0;
    auto token = api(*store).addChangeObserver([&] {
        ++calls;
        EXPECT_EQ(depth++, 0);
        api(*store).set("echo", true);
        --depth;
    });
    api(*store).set("trigger", true);
    queue.drain();
    // Once for "trigger", once for its own first write of "echo", then nothing changes.
    EXPECT_EQ(calls, 2);

    int late = 0;
    auto other = open();
    auto lateToken = api(*other).addChangeObserver([&] { ++late; });
    api(*other).set("x", true);
    token.reset();
    store.reset();
    other.reset();
    queue.drain();
    EXPECT_EQ(late, 0);
}

// --- Unusable files and failed writes ---------------------------------------------------

// A file that cannot be used reads as empty and is reported once, however often it is looked
// at; the next write keeps it aside byte for byte, under a name no earlier one has, and starts a
// new file with the one new value.
TEST_F(PreferencesFileTest, UnusableFilesReadEmptyAndAreKeptAsideWholeByTheNextWrite)
{
    const std::string entry = R"("a": {"type": "integer", "value": 1})";
    const std::size_t deep = 48000;
    const std::vector<std::pair<std::string, std::string>> files = {
        { "cut short, with a control character", "{" + entry + ",\n\x01 truncated" },
        { "not an object", "[1, 2]" },
        { "nested 48,000 levels under an unknown key", "{" + entry + R"(, "x": )" + std::string(deep, '[') + std::string(deep, ']') + "}" },
        { "nested 10,000 levels in objects", "{" + entry + R"(, "x": )" + [] {
              std::string s;
              for (int i = 0; i < 10000; ++i)
                  s += "{\"k\":";
              return s + "1" + std::string(10000, '}');
          }() + "}" },
        { "larger than the limit", "{" + entry + "}" + std::string((8u << 20) + 1, ' ') },
    };
    // The virtual clock stands still, so every file is moved aside in the same second.
    const std::string aside = path() + ".corrupt-20261206-160000";
    std::vector<std::string> keptAside;
    for (const auto& [what, text] : files) {
        SCOPED_TRACE(what);
        log.clear();
        test_support::writeFile(path(), text);
        auto store = open();
        for (int i = 0; i < 3; ++i) {
            EXPECT_FALSE(api(*store).object("a"));
            store->synchronize();
        }
        EXPECT_TRUE(store->unusableReason());
        EXPECT_EQ(countMentions(log, "could not parse " + path()), 1);
        EXPECT_EQ(log.records().at(0).level, LogLevel::Error);

        api(*store).set("b", std::int64_t { 2 });
        ASSERT_TRUE(store->lastWriteSucceeded());
        EXPECT_EQ(fileJson(), nlohmann::json::parse(R"({"b": {"type": "integer", "value": 2}})"));
        const std::size_t n = keptAside.size() + 1;
        keptAside.push_back(n == 1 ? aside : aside + "-" + std::to_string(n));
        EXPECT_EQ(countMentions(log, "kept it as " + keptAside.back()), 1);
        EXPECT_EQ(readText(keptAside.back()), text) << "the damaged file is kept byte for byte";
    }
    EXPECT_EQ(filesNamed(".corrupt-").size(), files.size()) << "no earlier file overwritten";
    EXPECT_EQ(readText(aside), files[0].second);
}

TEST_F(PreferencesFileTest, AFifoInPlaceOfTheFileNeverBlocks)
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

TEST_F(PreferencesFileTest, FailedWriteIsLoggedAndStillSeenByThisProcess)
{
    // A file where the Library folder should be: no folder can be created under it.
    test_support::writeFile(home.library(), "not a folder");
    auto store = open();
    int calls = 0;
    auto token = api(*store).addChangeObserver([&] { ++calls; });
    api(*store).set("a", std::int64_t { 5 });
    EXPECT_FALSE(store->lastWriteSucceeded());
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_THAT(log.records()[0].message, HasSubstr("[prefs] could not write " + path() + ": "));
    EXPECT_EQ(log.records()[0].level, LogLevel::Error);
    EXPECT_EQ(api(*store).object("a"), PreferenceValue(std::int64_t { 5 }));
    queue.drain();
    EXPECT_EQ(calls, 1);
    clock.advance(1);
    EXPECT_EQ(api(*store).object("a"), PreferenceValue(std::int64_t { 5 }));
}

} // namespace
} // namespace talvora::vmac
