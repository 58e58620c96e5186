#include "settings/pinned_apps_store.h"
#include "support/memory_preferences.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>
#include <map>

using namespace talvora;
using test_support::MemoryPreferences;
using Json = nlohmann::json;

namespace {

struct FakeApp final : RunningApplication {
    std::optional<std::string> name;
    ImageRef image;
    std::optional<std::string> path;
    ProcessID processIdentifier() const override { return 1; }
    std::optional<std::string> bundleIdentifier() const override { return std::nullopt; }
    std::optional<std::string> localizedName() const override { return name; }
    ActivationPolicy activationPolicy() const override { return ActivationPolicy::Regular; }
    bool isHidden() const override { return false; }
    bool isTerminated() const override { return false; }
    ImageRef icon() const override { return image; }
    std::optional<std::string> bundlePath() const override { return path; }
};

struct FakeWorkspace final : Workspace {
    std::map<std::string, std::vector<RunningApplicationRef>> running;
    std::map<std::string, ImageRef> fileIcons;
    RunningApplicationRef runningApplication(ProcessID) override { return nullptr; }
    std::vector<RunningApplicationRef> runningApplications(const std::string& id) override { return running[id]; }
    RunningApplicationRef frontmostApplication() override { return nullptr; }
    ImageRef iconForFile(const std::string& path) override { return fileIcons[path]; }

    // Installed applications: identifier to bundle path, and bundle path to Info.plist (a
    // path without one is a location no bundle can be opened at).
    std::map<std::string, std::string> installed;
    std::map<std::string, std::map<std::string, Value>> infoDictionaries;
    std::vector<std::string> lookups; // identifiers asked for, in order
    std::optional<std::string> applicationPath(const std::string& id) override
    {
        lookups.push_back(id);
        auto it = installed.find(id);
        return it == installed.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::map<std::string, Value>> bundleInfoDictionary(const std::string& path) override
    {
        auto it = infoDictionaries.find(path);
        return it == infoDictionaries.end() ? std::nullopt : std::optional(it->second);
    }
};

PreferenceData bytes(std::string_view text) { return PreferenceData(text.begin(), text.end()); }

Json stored(MemoryPreferences& prefs)
{
    const auto& data = std::get<PreferenceData>(prefs.values.at(PinnedAppsStore::key));
    return Json::parse(data.begin(), data.end());
}

std::vector<PinnedApp> plain(std::initializer_list<const char*> ids)
{
    std::vector<PinnedApp> apps;
    for (const char* id : ids)
        apps.push_back({ id, std::nullopt });
    return apps;
}

const RGBA kBlue { 0.2, 0.8, 1, 1 };

} // namespace

TEST(PinnedAppsStore, LoadsValidJsonFirstAndOtherwiseMigratesTheLegacyList)
{
    FakeWorkspace ws;
    MemoryPreferences empty;
    EXPECT_TRUE(PinnedAppsStore(empty, ws).apps().empty());
    EXPECT_TRUE(empty.writes.empty());

    MemoryPreferences legacy;
    legacy.values[PinnedAppsStore::legacyKey] = StringArray { "a", "b", "a" };
    EXPECT_EQ(PinnedAppsStore(legacy, ws).apps(), plain({ "a", "b", "a" })) << "duplicates survive";
    EXPECT_EQ(stored(legacy), Json::parse(R"([{"bundleID":"a"},{"bundleID":"b"},{"bundleID":"a"}])"));
    EXPECT_EQ(legacy.writes, (std::vector<std::string> { PinnedAppsStore::key, PinnedAppsStore::legacyKey }))
        << "the legacy list is removed, and only once its replacement is written";

    MemoryPreferences emptyLegacy;
    emptyLegacy.values[PinnedAppsStore::legacyKey] = StringArray {};
    EXPECT_TRUE(PinnedAppsStore(emptyLegacy, ws).apps().empty());
    EXPECT_TRUE(emptyLegacy.writes.empty());

    // Member order, a null colour, integral numbers and unknown members are all accepted.
    MemoryPreferences both;
    both.values[PinnedAppsStore::key] = bytes(R"([{"customColor":{"alpha":1,"blue":1,"green":0.8,"red":0.2},"bundleID":"x"},
                                                  {"bundleID":"y","customColor":null,"note":3}])");
    both.values[PinnedAppsStore::legacyKey] = StringArray { "old" };
    EXPECT_EQ(PinnedAppsStore(both, ws).apps(), (std::vector<PinnedApp> { { "x", kBlue }, { "y", std::nullopt } }));
    EXPECT_TRUE(both.writes.empty()) << "the legacy list is left alone";
}

TEST(PinnedAppsStore, OneMalformedElementRejectsTheWholeValue)
{
    FakeWorkspace ws;
    for (const char* json : { R"([{"bundleID":"a"},{"customColor":null}])", R"([{"bundleID":7}])",
             R"([{"bundleID":"a","customColor":{"red":1,"green":1,"blue":1}}])",
             R"([{"bundleID":"a","customColor":{"red":1,"green":1,"blue":1,"alpha":true}}])",
             R"([{"bundleID":"a","customColor":[1,1,1,1]}])", R"(["a"])", R"({"bundleID":"a"})", "[{\"bundleID\":\"a\"}",
             "[{\"bundleID\":\"\xff\"}]", "not json" }) {
        MemoryPreferences prefs;
        prefs.values[PinnedAppsStore::key] = bytes(json);
        prefs.values[PinnedAppsStore::legacyKey] = StringArray { "legacy" };
        EXPECT_EQ(PinnedAppsStore(prefs, ws).apps(), plain({ "legacy" })) << json;
    }

    MemoryPreferences unreadable;
    unreadable.values[PinnedAppsStore::key] = std::string(R"([{"bundleID":"a"}])");
    PinnedAppsStore store(unreadable, ws);
    EXPECT_TRUE(store.apps().empty()) << "only raw bytes are the stored form";
    EXPECT_TRUE(unreadable.writes.empty()) << "not repaired while loading";
    store.add("b");
    EXPECT_EQ(stored(unreadable), Json::parse(R"([{"bundleID":"b"}])"));
}

TEST(PinnedAppsStore, ChangesAreSavedAndAnnouncedExceptTheNoOps)
{
    FakeWorkspace ws;
    MemoryPreferences prefs;
    prefs.values[PinnedAppsStore::key] = bytes(R"([{"bundleID":"a"},{"bundleID":"b"},{"bundleID":"a"},{"bundleID":"c"}])");
    int notified = 0;
    ObserverTokenPtr token;
    {
        PinnedAppsStore store(prefs, ws);
        token = store.observe([&] { ++notified; });
        auto writes = [&] { return prefs.writes.size(); };

        store.add("a");
        store.setCustomColor(kBlue, "zzz");
        EXPECT_EQ(writes(), 0u);
        EXPECT_EQ(notified, 0);
        EXPECT_FALSE(store.isPinned("A")) << "identifiers are case-sensitive";

        store.setCustomColor(kBlue, "a");
        EXPECT_EQ(store.apps()[0].customColor, kBlue);
        EXPECT_EQ(store.apps()[2], (PinnedApp { "a", std::nullopt })) << "only the first entry";
        store.setCustomColor(kBlue, "a");
        EXPECT_EQ(notified, 1) << "the same colour again changes nothing";
        store.add("d");
        store.remove("a");
        EXPECT_EQ(store.apps(), plain({ "b", "c", "d" }));
        EXPECT_EQ(writes(), 4u);
        EXPECT_EQ(notified, 3);

        store.remove("zzz");
        EXPECT_EQ(notified, 3);
        EXPECT_EQ(PinnedAppsStore(prefs, ws).apps(), store.apps());

        token.reset();
        store.add("e");
        EXPECT_EQ(notified, 3);

        ObserverTokenPtr second;
        bool secondRan = false;
        auto first = store.observe([&] { second.reset(); });
        second = store.observe([&] { secondRan = true; });
        store.add("f");
        EXPECT_FALSE(secondRan) << "unregistered by an earlier observer of the same change";
        token = store.observe([] {});
    }
    token.reset(); // outlives the store harmlessly
}

TEST(PinnedAppsStore, StoresAColourOnlyWhenSetAndKeepsEveryStoredCopyReadable)
{
    FakeWorkspace ws;
    MemoryPreferences prefs;
    PinnedAppsStore store(prefs, ws);
    store.add("a");
    store.add("b");
    store.setCustomColor(kBlue, "b");
    EXPECT_EQ(stored(prefs), Json::parse(R"([{"bundleID":"a"},
        {"bundleID":"b","customColor":{"red":0.2,"green":0.8,"blue":1.0,"alpha":1.0}}])"));
    store.setCustomColor(std::nullopt, "b");
    EXPECT_EQ(stored(prefs)[1], Json::parse(R"({"bundleID":"b"})"));

    double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    store.setCustomColor(RGBA { 1.5, -0.2, nan, inf }, "a");
    EXPECT_EQ(PinnedAppsStore(prefs, ws).apps(),
        (std::vector<PinnedApp> { { "a", RGBA { 1, 0, 0, 1 } }, { "b", std::nullopt } }));

    // A list that cannot be encoded is not written, so the copy already stored survives.
    store.add("bad\xff");
    EXPECT_EQ(stored(prefs).size(), 2u);
    MemoryPreferences legacy;
    legacy.values[PinnedAppsStore::legacyKey] = StringArray { "ok", "bad\xff" };
    EXPECT_EQ(PinnedAppsStore(legacy, ws).apps().size(), 2u);
    EXPECT_FALSE(legacy.values.contains(PinnedAppsStore::key));
    EXPECT_TRUE(legacy.values.contains(PinnedAppsStore::legacyKey)) << "still the only copy";

    MemoryPreferences outOfRange;
    outOfRange.values[PinnedAppsStore::key] = bytes(R"([{"bundleID":"a","customColor":{"red":2,"green":-1,"blue":0.5,"alpha":1}}])");
    EXPECT_EQ(PinnedAppsStore(outOfRange, ws).pinnedApp("a")->customColor, (RGBA { 1, 0, 0.5, 1 }));
}

// The name and icon a row shows: the first running instance with an image of its own, or the
// icon of the bundle it runs from; otherwise, running without either or not running at all, the
// installed application, named by its display name, bundle name or file name.
TEST(PinnedAppsStore, DisplayInfoComesFromTheRunningInstanceElseTheInstalledBundle)
{
    auto icon = std::make_shared<const Image>(), fileIcon = std::make_shared<const Image>();
    auto pagesIcon = std::make_shared<const Image>(), ghostIcon = std::make_shared<const Image>();
    auto app = [](std::optional<std::string> name, ImageRef image, std::optional<std::string> path) {
        auto a = std::make_shared<FakeApp>();
        a->name = std::move(name), a->image = std::move(image), a->path = std::move(path);
        return a;
    };
    FakeWorkspace ws;
    auto install = [&](const std::string& id, const std::string& path, std::optional<std::map<std::string, Value>> info) {
        ws.installed[id] = path;
        if (info)
            ws.infoDictionaries[path] = *info;
    };
    ws.running["with.icon"] = { app("Mail", icon, std::nullopt), app("Other", fileIcon, std::nullopt) };
    install("with.icon", "/Applications/Mail.app",
        std::map<std::string, Value> { { "CFBundleName", Value::string("Installed") } });
    ws.running["unnamed"] = { app(std::nullopt, icon, std::nullopt) };
    ws.running["from.file"] = { app("Notes", nullptr, "/Applications/Notes.app") };
    ws.fileIcons["/Applications/Notes.app"] = fileIcon;
    ws.running["ghost"] = { app("Ghost", nullptr, std::nullopt) };
    ws.running["installed.ghost"] = { app("Ghost", nullptr, std::nullopt) };
    install("installed.ghost", "/Applications/Ghost.app",
        std::map<std::string, Value> { { "CFBundleDisplayName", Value::string("Installed Ghost") } });
    ws.fileIcons["/Applications/Ghost.app"] = ghostIcon;
    install("display.name", "/Applications/Pages.app",
        std::map<std::string, Value> { { "CFBundleDisplayName", Value::string("Pages ✎") }, { "CFBundleName", Value::string("Pages") } });
    ws.fileIcons["/Applications/Pages.app"] = pagesIcon;
    install("bundle.name", "/Applications/Keynote.app",
        std::map<std::string, Value> { { "CFBundleDisplayName", Value::integer(3) }, { "CFBundleName", Value::string("Keynote") } });
    install("neither", "/Applications/Utilities/Disk Tool.v2.app",
        std::map<std::string, Value> { { "CFBundleName", Value::integer(7) }, { "CFBundleDisplayName", Value() } });
    install("empty.info", "/Applications/Bare.app", std::map<std::string, Value> {});
    install("no.bundle", "/Applications/Broken.app/", std::nullopt);
    install("empty.name", "/Applications/Blank.app", std::map<std::string, Value> { { "CFBundleDisplayName", Value::string("") } });
    MemoryPreferences prefs;
    PinnedAppsStore store(prefs, ws);

    const struct {
        const char* id;
        const char* name;
        ImageRef icon;
    } cases[] = {
        { "with.icon", "Mail", icon },
        { "unnamed", "unnamed", icon },
        { "from.file", "Notes", fileIcon },
        // Running without icon or location: the installed bundle answers.
        { "installed.ghost", "Installed Ghost", ghostIcon },
        { "display.name", "Pages ✎", pagesIcon },
        // A display name that is not a string is passed over.
        { "bundle.name", "Keynote", nullptr },
        // The file name without its extension; no image for the file, so the row shows none.
        { "neither", "Disk Tool.v2", nullptr },
        { "empty.info", "Bare", nullptr },
        // A bundle that cannot be opened still has a file name.
        { "no.bundle", "Broken", nullptr },
        // An empty string is a string.
        { "empty.name", "", nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        auto info = store.appDisplayInfo(c.id);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->name, c.name);
        EXPECT_EQ(info->icon, c.icon);
    }
    EXPECT_FALSE(store.appDisplayInfo("ghost")) << "running without an image, and not installed";
    EXPECT_FALSE(store.appDisplayInfo("not.installed"));
    EXPECT_EQ(std::count(ws.lookups.begin(), ws.lookups.end(), "with.icon"), 0)
        << "a running application with an image: the installed one is not even looked up";
}
