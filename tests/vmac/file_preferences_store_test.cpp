#include "support/run_tool.h"
#include "support/temp_home.h"
#include "vmac/file_preferences_store.h"
#include "vmac/system_logs.h"
#include "vmac/home_folder.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_run_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace talvora::vmac {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// How many records of the log mention `fragment`.
int countMentions(const RecordingSystemLog& log, const std::string& fragment)
{
    int n = 0;
    for (const auto& r : log.records())
        n += r.message.find(fragment) != std::string::npos;
    return n;
}

std::string readText(const std::string& path) { return test_support::readFile(path).value_or(""); }

class PreferencesFileTest : public ::testing::Test {
protected:
    std::unique_ptr<FilePreferencesStore> open() { return std::make_unique<FilePreferencesStore>(path(), clock, queue, log); }
    std::string path() const { return home.preferencesFile(); }
    nlohmann::json fileJson() const { return nlohmann::json::parse(readText(path())); }
    std::vector<std::string> folderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(home.preferencesFolder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static PreferencesStore& api(FilePreferencesStore& store) { return store; }

    test_support::TempHome temp;
    const HomeFolder& home = temp.home;
    VirtualClock clock;
    VirtualRunLoop queue { clock };
    RecordingSystemLog log;
};

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
        { "one", PreferenceData { 0xff } },
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

TEST_F(PreferencesFileTest, EntriesOfUnknownShapeAreSkippedAndKeptOnWrite)
{
    test_support::writeFile(path(), R"({
        "good": {"type": "integer", "value": 7},
        "future": {"type": "color", "value": "#ff0000"},
        "wrongValue": {"type": "boolean", "value": "yes"},
        "fractionalInt": {"type": "integer", "value": 1.5},
        "mixedArray": {"type": "array", "value": ["a", 1]},
        "badBase64": {"type": "data", "value": "A==="},
        "noType": {"value": 1},
        "bare": 3
    })");
    auto store = open();
    auto all = store->dictionaryRepresentation();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all["good"], PreferenceValue(std::int64_t { 7 }));
    EXPECT_TRUE(log.records().empty()) << "one bad entry does not make the file corrupt";

    api(*store).set("other", std::string("x"));
    auto json = fileJson();
    EXPECT_EQ(json["future"], (nlohmann::json { { "type", "color" }, { "value", "#ff0000" } }));
    EXPECT_EQ(json["bare"], 3);
    EXPECT_EQ(json["other"]["value"], "x");
    EXPECT_THAT(folderEntries(), ElementsAre("app.talvora.Talvora.json", "app.talvora.Talvora.json.lock"));
}

// --- Two processes on one file ----------------------------------------------------------

TEST_F(PreferencesFileTest, AnotherProcessesWriteIsSeenAfterAQuarterSecondOrASynchronize)
{
    auto app = open();
    auto tool = open();
    EXPECT_FALSE(api(*app).object("speed"));

    api(*tool).set("speed", 3.5);
    clock.advance(0.2);
    EXPECT_FALSE(api(*app).object("speed")) << "reads within the interval come from memory";
    clock.advance(0.05);
    EXPECT_EQ(api(*app).number("speed"), 3.5);

    api(*tool).set("speed", 4.0);
    EXPECT_EQ(api(*app).number("speed"), 3.5);
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
    EXPECT_THAT(folderEntries(), ElementsAre("app.talvora.Talvora.json", "app.talvora.Talvora.json.lock"));
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

    app->synchronize();
    clock.advance(1);
    api(*app).object("k");
    queue.drain();
    EXPECT_EQ(calls, 1) << "nothing changed";

    // The file rewritten with the same contents: a new stamp, but no change to report.
    api(*tool).set("k", std::string("v"));
    app->synchronize();
    queue.drain();
    EXPECT_EQ(calls, 1);

    api(*app).set("mine", true);
    queue.drain();
    EXPECT_EQ(calls, 2);
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

// --- Unreadable files and failed writes -------------------------------------------------

TEST_F(PreferencesFileTest, CorruptFileReadsEmptyAndIsMovedAsideBeforeTheNextWrite)
{
    const std::string garbage = "{\"a\": {\"type\": \"integer\", \"value\": 1},\n\x01 truncated";
    test_support::writeFile(path(), garbage);
    auto store = open();
    EXPECT_FALSE(api(*store).object("a"));
    for (int i = 0; i < 5; ++i) {
        clock.advance(0.5);
        api(*store).object("a");
        store->synchronize();
    }
    EXPECT_EQ(countMentions(log, "could not parse " + path()), 1);
    EXPECT_EQ(log.records().at(0).category, "Preferences");
    EXPECT_EQ(log.records().at(0).level, LogLevel::Error);

    api(*store).set("b", std::int64_t { 2 });
    const std::string aside = path() + ".corrupt-20261206-160002";
    EXPECT_EQ(readText(aside), garbage);
    EXPECT_EQ(countMentions(log, "kept it as " + aside), 1);
    EXPECT_EQ(fileJson(), (nlohmann::json { { "b", { { "type", "integer" }, { "value", 2 } } } }));

    // A second bad file in the same second gets a name of its own.
    test_support::writeFile(path(), "[1, 2]");
    store->synchronize();
    EXPECT_FALSE(api(*store).object("b"));
    api(*store).remove("b");
    EXPECT_EQ(readText(aside + "-2"), "[1, 2]");
    EXPECT_EQ(readText(aside), garbage);
    EXPECT_EQ(fileJson(), nlohmann::json::object());
}

TEST_F(PreferencesFileTest, EmptyFileIsAnEmptyDomainNotACorruptOne)
{
    test_support::writeFile(path(), "\n");
    auto store = open();
    api(*store).set("a", true);
    EXPECT_TRUE(log.records().empty());
    EXPECT_THAT(folderEntries(), ElementsAre("app.talvora.Talvora.json", "app.talvora.Talvora.json.lock"));
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

// --- The talvora-defaults tool ----------------------------------------------------------

using test_support::ToolResult;

class DefaultsToolTest : public PreferencesFileTest {
protected:
    ToolResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), { TALVORA_DEFAULTS_TOOL, "--home", home.root });
        return test_support::runTool(std::move(args), home.root);
    }
};

TEST_F(DefaultsToolTest, WritesEveryTypeThatTheApplicationThenReads)
{
    auto app = open();
    EXPECT_EQ(run({ "write", "flag", "-bool", "YES" }).exitCode, 0);
    EXPECT_EQ(run({ "write", "off", "-bool", "0" }).exitCode, 0);
    EXPECT_EQ(run({ "write", "count", "-int", "-42" }).exitCode, 0);
    EXPECT_EQ(run({ "write", "ratio", "-float", "2" }).exitCode, 0);
    EXPECT_EQ(run({ "write", "name", "-string", "hello world" }).exitCode, 0);
    EXPECT_EQ(run({ "write", "blob", "-data", "00fFa5" }).exitCode, 0);
    EXPECT_EQ(run({ "write", "list", "-array", "x", "y, z" }).exitCode, 0);

    app->synchronize();
    EXPECT_EQ(api(*app).object("flag"), PreferenceValue(true));
    EXPECT_EQ(api(*app).object("off"), PreferenceValue(false));
    EXPECT_EQ(api(*app).object("count"), PreferenceValue(std::int64_t { -42 }));
    EXPECT_EQ(api(*app).object("ratio"), PreferenceValue(2.0));
    EXPECT_EQ(api(*app).object("name"), PreferenceValue(std::string("hello world")));
    EXPECT_EQ(api(*app).object("blob"), PreferenceValue(PreferenceData { 0x00, 0xff, 0xa5 }));
    EXPECT_EQ(api(*app).object("list"), PreferenceValue(StringArray { "x", "y, z" }));

    EXPECT_EQ(run({ "read", "ratio" }).out, "2.0\n");
    EXPECT_EQ(run({ "read", "blob" }).out, "00ffa5\n");
    auto all = run({ "read" });
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
    EXPECT_EQ(run({ "read", "fromApp" }).out, "9\n");
    EXPECT_EQ(run({ "delete", "fromApp" }).exitCode, 0);
    app->synchronize();
    EXPECT_FALSE(api(*app).object("fromApp"));
    EXPECT_TRUE(api(*app).object("count"));
}

TEST_F(DefaultsToolTest, MissingKeysExitOne)
{
    for (const char* command : { "read", "delete" }) {
        auto result = run({ command, "nothing" });
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, "The domain/default pair of (app.talvora.Talvora, nothing) does not exist\n") << command;
    }
    EXPECT_FALSE(fs::exists(path()));
}

TEST_F(DefaultsToolTest, BadInputExitsTwoAndWritesNothing)
{
    ASSERT_EQ(run({ "write", "keep", "-int", "1" }).exitCode, 0);
    const std::string before = readText(path());
    const std::vector<std::vector<std::string>> bad = {
        { "write", "k", "-int", "12x" },
        { "write", "k", "-float", "1.5.2" },
        { "write", "k", "-data", "abc" },
        { "write", "k", "-bool", "maybe" },
        { "write", "k", "-color", "red" },
        { "write", "k", "-int", "1", "2" },
        { "write", "k" },
        { "read", "a", "b" },
        { "rename", "k" },
    };
    for (const auto& args : bad) {
        auto result = run(args);
        std::string shown = ::testing::PrintToString(args);
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_THAT(result.err, HasSubstr("usage: talvora-defaults")) << shown;
        EXPECT_TRUE(result.out.empty()) << shown;
    }
    EXPECT_EQ(readText(path()), before);
}

} // namespace
} // namespace talvora::vmac
