#include "host/simulation.h"
#include "settings/pinned_apps_store.h"
#include "support/memory_preferences.h"
#include "support/temp_home.h"
#include "vmac/app_bundles.h"
#include "vmac/app_icons.h"
#include "vmac/scenario.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_mac.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

using namespace talvora;
using vmac::AppBundles;
using vmac::parsePlist;
using vmac::PlistArray;
using vmac::PlistDictionary;
using vmac::PlistValue;

namespace {

std::string plist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n"
        + body + "\n</plist>\n";
}

std::string infoPlist(const std::string& bundleID, const std::string& more = "")
{
    return plist("<dict><key>CFBundleIdentifier</key><string>" + bundleID + "</string>" + more + "</dict>");
}

const PlistDictionary& dict(const PlistValue& v) { return std::get<PlistDictionary>(v.value); }

Workspace& workspaceOf(vmac::VirtualMac& mac) { return mac; }

} // namespace

TEST(PlistReader, ReadsEveryTypeTheInfoPlistUses)
{
    auto v = parsePlist(plist(R"(<!-- a comment -->
        <dict>
            <key>CFBundleName</key>  <string>Tom &amp; Jerry &lt;3 &#x2713;&#65;</string>
            <key>Spaces</key><string>  two  </string>
            <key>Cdata</key><string><![CDATA[<b>&amp;</b>]]></string>
            <key>Count</key><integer> -42 </integer>
            <key>Hex</key><integer>0x1F</integer>
            <key>Max</key><integer>9223372036854775807</integer>
            <key>Ratio</key><real>2.5e1</real>
            <key>Yes</key><true/>
            <key>No</key><false></false>
            <key>List</key><array><string>a</string><integer>1</integer><dict/><array/></array>
            <key>Nested</key><dict><key>Inner</key><true/></dict>
            <key>Twice</key><string>first</string>
            <key>Twice</key><string>last</string>
        </dict>)"));
    ASSERT_TRUE(v);
    const auto& d = dict(*v);
    EXPECT_EQ(std::get<std::string>(d.at("CFBundleName").value), "Tom & Jerry <3 \u2713A");
    EXPECT_EQ(std::get<std::string>(d.at("Spaces").value), "  two  ") << "string content is kept as written";
    EXPECT_EQ(std::get<std::string>(d.at("Cdata").value), "<b>&amp;</b>");
    EXPECT_EQ(std::get<std::int64_t>(d.at("Count").value), -42);
    EXPECT_EQ(std::get<std::int64_t>(d.at("Hex").value), 31);
    EXPECT_EQ(std::get<std::int64_t>(d.at("Max").value), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(std::get<double>(d.at("Ratio").value), 25.0);
    EXPECT_EQ(std::get<bool>(d.at("Yes").value), true);
    EXPECT_EQ(std::get<bool>(d.at("No").value), false);
    const auto& list = std::get<PlistArray>(d.at("List").value);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(std::get<std::string>(list[0].value), "a");
    EXPECT_TRUE(std::get<PlistDictionary>(list[2].value).empty());
    EXPECT_TRUE(std::get<bool>(std::get<PlistDictionary>(d.at("Nested").value).at("Inner").value));
    EXPECT_EQ(std::get<std::string>(d.at("Twice").value), "last");

    EXPECT_TRUE(parsePlist("\xEF\xBB\xBF<plist><string>bom</string></plist>")) << "a byte-order mark, no declaration";
}

TEST(PlistReader, EveryTruncationIsRefused)
{
    const std::string whole = infoPlist("com.example.truncated",
        "<key>N</key><integer>12</integer><key>L</key><array><real>1.5</real><true/></array><!-- c --><key>S</key><string>a&amp;b</string>");
    ASSERT_TRUE(parsePlist(whole));
    const std::size_t rootEnd = whole.rfind("</plist>") + 8;
    for (std::size_t length = 0; length < rootEnd; ++length)
        EXPECT_FALSE(parsePlist(whole.substr(0, length))) << "cut after " << length << " bytes: " << whole.substr(0, length);
}

TEST(PlistReader, RefusesMalformedInput)
{
    // One case per kind.
    const char* cases[] = {
        // wrong root
        "<plist/>",
        "<plist><dict/></plist>text after",
        "bplist00\x01\x02",
        // unknown or misplaced elements
        "<plist><foo/></plist>",
        "<plist><data>AAAA</data></plist>",
        "<plist><dict><string>value without key</string></dict></plist>",
        // entities and references
        "<plist><string>&nbsp;</string></plist>",
        "<plist><string>&#xD800;</string></plist>",
        "<plist><string>&#99999999999999999999;</string></plist>",
        "<!DOCTYPE plist [<!ENTITY e \"boom\">]><plist><string>&e;</string></plist>",
        "<plist><string><![CDATA[unterminated</string></plist>",
        // numbers
        "<plist><integer>12a</integer></plist>",
        "<plist><integer>9223372036854775808</integer></plist>",
        "<plist><real>1.5.2</real></plist>",
        "<plist><real>1e99999</real></plist>",
        // markup and encoding
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><dict/></plist>",
        "<plist><string>\xff\xfe</string></plist>",
        "<plist><string>bell\x07</string></plist>",
    };
    for (const char* text : cases)
        EXPECT_FALSE(parsePlist(text)) << text;
    const char withNul[] = "<plist><string>nul\0</string></plist>";
    EXPECT_FALSE(parsePlist(std::string(withNul, sizeof withNul - 1)));
}

TEST(PlistReader, NestingIsBoundedAndNeverExhaustsTheStack)
{
    auto nested = [](int depth) {
        std::string s = "<plist>";
        for (int i = 0; i < depth; ++i)
            s += "<array>";
        for (int i = 0; i < depth; ++i)
            s += "</array>";
        return s + "</plist>";
    };
    EXPECT_TRUE(parsePlist(nested(64)));
    EXPECT_FALSE(parsePlist(nested(65)));
    std::string deep = "<plist>";
    for (int i = 0; i < 200000; ++i)
        deep += "<dict><key>k</key>";
    EXPECT_FALSE(parsePlist(deep));
}

// A bundle installed by the virtual Mac and bundles written by hand beside it, read as any
// reader of the folder reads them.
TEST(AppBundles, InstalledAndHandWrittenBundlesGiveTheirInfoDictionaryAndIcon)
{
    test_support::TempHome home;
    const std::string apps = home.home.applications();
    AppBundles bundles(apps);
    auto icon = vmac::makeSolidIcon(0xFF112233);
    auto path = bundles.install({ "Tom & Jerry", "com.example.tom", "Tom & Jerry ✓", icon });
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, apps + "/Tom & Jerry.app");
    auto text = test_support::readFile(*path + "/Contents/Info.plist");
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("Tom &amp; Jerry"), std::string::npos) << "escaped on disk";
    EXPECT_EQ(test_support::readFile(*path + "/Contents/PkgInfo"), "APPL????");
    auto info = AppBundles::readInfoPlist(*path + "/Contents/Info.plist");
    ASSERT_TRUE(info);
    EXPECT_EQ(std::get<std::string>(info->at("CFBundleIdentifier").value), "com.example.tom");
    EXPECT_EQ(std::get<std::string>(info->at("CFBundleName").value), "Tom & Jerry");
    // The Mac's own Applications folder is this one.
    const std::string asNamed = "/Applications/Tom & Jerry.app";
    EXPECT_EQ(bundles.resolve(asNamed), *path);
    EXPECT_EQ(bundles.iconForFile(asNamed), icon);
    auto named = bundles.infoDictionary(asNamed);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->at("CFBundleDisplayName"), Value::string("Tom & Jerry ✓"));

    test_support::writeFile(apps + "/Odd.app/Contents/Info.plist",
        infoPlist("com.example.odd", "<key>CFBundleName</key><integer>3</integer>"
                                     "<key>LSItems</key><array/><key>Ratio</key><real>0.5</real>"));
    test_support::writeFile(apps + "/Bad.app/Contents/Info.plist", "<plist><dict>");
    std::filesystem::create_directories(apps + "/Bare.app");
    auto odd = bundles.infoDictionary(apps + "/Odd.app");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->at("CFBundleIdentifier"), Value::string("com.example.odd"));
    EXPECT_EQ(odd->at("CFBundleName"), Value::integer(3));
    EXPECT_EQ(odd->at("Ratio"), Value::real(0.5));
    ASSERT_TRUE(odd->contains("LSItems")) << "present, though not a scalar";
    EXPECT_TRUE(odd->at("LSItems").isAbsent());
    EXPECT_EQ(bundles.infoDictionary(apps + "/Bad.app"), (std::map<std::string, Value> {}))
        << "a bundle that reads as empty";
    EXPECT_EQ(bundles.infoDictionary(apps + "/Bare.app"), (std::map<std::string, Value> {}));
    EXPECT_FALSE(bundles.infoDictionary(apps + "/Missing.app")) << "no bundle there";
    EXPECT_FALSE(bundles.infoDictionary(apps + "/Odd.app/Contents/Info.plist"))
        << "a file is no bundle";
    EXPECT_EQ(bundles.iconForFile(apps + "/Missing.app"), nullptr);
    EXPECT_EQ(bundles.iconForFile(apps), nullptr) << "a plain folder";

    auto again = bundles.install({ "Tom & Jerry", "com.example.tom2", std::nullopt, nullptr });
    ASSERT_EQ(again, path) << "replaced in place";
    EXPECT_FALSE(bundles.infoDictionary(*path)->contains("CFBundleDisplayName"));
    EXPECT_EQ(bundles.iconForFile(*path), vmac::genericApplicationIcon())
        << "the old icon went with the old bundle";
    std::filesystem::remove_all(*path);
    EXPECT_EQ(bundles.iconForFile(*path), nullptr) << "gone from the disk, gone";
    EXPECT_FALSE(bundles.pathForBundleIdentifier("com.example.tom2"));

    for (const char* name : { "", ".", "..", "a/b" })
        EXPECT_FALSE(bundles.install({ name, "com.example.x", std::nullopt, nullptr })) << name;
    EXPECT_FALSE(bundles.install({ "NoID", "", std::nullopt, nullptr }));
    EXPECT_FALSE(bundles.install({ "Bell", "com.example.bell", std::string("\x07"), nullptr }));
    EXPECT_FALSE(std::filesystem::exists(apps + "/Bell.app")) << "nothing half-written";
}

TEST(AppBundles, FindsABundleByScanningTheFolder)
{
    test_support::TempHome home;
    const std::string apps = home.home.applications();
    AppBundles bundles(apps);
    EXPECT_FALSE(bundles.pathForBundleIdentifier("com.example.any")) << "no folder at all";

    bundles.install({ "Pages", "com.apple.iWork.Pages", std::nullopt, nullptr });
    test_support::writeFile(apps + "/Utilities/Terminal.app/Contents/Info.plist", infoPlist("com.apple.Terminal"));
    test_support::writeFile(apps + "/Broken.app/Contents/Info.plist", infoPlist("com.example.broken").substr(0, 100));
    test_support::writeFile(apps + "/Typed.app/Contents/Info.plist",
        plist("<dict><key>CFBundleIdentifier</key><integer>5</integer></dict>"));
    test_support::writeFile(apps + "/Arrayed.app/Contents/Info.plist", plist("<array><string>com.example.array</string></array>"));
    test_support::writeFile(apps + "/Outer.app/Contents/Info.plist", infoPlist("com.example.outer"));
    test_support::writeFile(apps + "/Outer.app/Contents/Helpers/Inner.app/Contents/Info.plist", infoPlist("com.example.inner"));
    test_support::writeFile(apps + "/File.app", infoPlist("com.example.file"));
    test_support::writeFile(apps + "/B Twin.app/Contents/Info.plist", infoPlist("com.example.twin"));
    test_support::writeFile(apps + "/A Twin.app/Contents/Info.plist", infoPlist("com.example.twin"));
    test_support::writeFile(apps + "/Plain/Contents/Info.plist", infoPlist("com.example.plain"));
    std::error_code error;
    std::filesystem::create_directory_symlink(apps, apps + "/Loop", error);
    ASSERT_FALSE(error) << "a linked folder back to the top";

    EXPECT_EQ(bundles.pathForBundleIdentifier("com.apple.iWork.Pages"), apps + "/Pages.app");
    EXPECT_EQ(bundles.pathForBundleIdentifier("com.apple.Terminal"), apps + "/Utilities/Terminal.app") << "in a subfolder";
    EXPECT_EQ(bundles.pathForBundleIdentifier("com.example.twin"), apps + "/A Twin.app") << "first in path order";
    EXPECT_EQ(bundles.pathForBundleIdentifier("com.example.outer"), apps + "/Outer.app");
    EXPECT_FALSE(bundles.pathForBundleIdentifier("com.example.inner")) << "not inside another bundle";
    EXPECT_FALSE(bundles.pathForBundleIdentifier("com.example.broken")) << "a truncated Info.plist";
    EXPECT_FALSE(bundles.pathForBundleIdentifier("com.example.array")) << "not a dictionary at the root";
    EXPECT_FALSE(bundles.pathForBundleIdentifier("5")) << "an identifier that is not a string";
    EXPECT_FALSE(bundles.pathForBundleIdentifier("com.example.file")) << "a file named .app is no bundle";
    EXPECT_FALSE(bundles.pathForBundleIdentifier("com.example.plain")) << "a folder without .app is no bundle";
    EXPECT_FALSE(bundles.pathForBundleIdentifier("COM.APPLE.TERMINAL")) << "identifiers compare exactly";
    EXPECT_FALSE(bundles.pathForBundleIdentifier(""));
}

// The running Safari reports no icon of its own and keeps one in its bundle; the bundle on disk
// wins over it. Mail runs from a bundle that is not installed: the running app's bundle icon.
TEST(AppBundles, TheCompositionInstallsTheScenariosAppsForThePinnedApps)
{
    test_support::TempHome home;
    vmac::RecordingSystemLog log;
    auto result = vmac::parseScenario(R"({
        "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900] } ],
        "apps": [ { "pid": 501, "name": "Safari", "bundleID": "com.apple.Safari", "icon": "bundle",
                    "color": "#000000", "bundlePath": "/Applications/Safari.app" },
                  { "pid": 602, "name": "Mail", "bundleID": "com.apple.mail", "icon": "bundle",
                    "color": "#00ff00", "bundlePath": "/Applications/Mail.app" } ],
        "installedApps": [ { "name": "Pages", "bundleID": "com.apple.iWork.Pages", "displayName": "Pages Pro", "color": "#ff9500" },
                           { "name": "Safari", "bundleID": "com.apple.Safari", "color": "#1e88e5" } ] })");
    ASSERT_TRUE(result.scenario) << result.error;
    auto pagesIcon = result.scenario->installedApps[0].icon, safariIcon = result.scenario->installedApps[1].icon;
    ImageRef mailIcon;
    for (const auto& app : result.scenario->desktop.apps)
        mailIcon = app->pid == 602 ? app->bundleIcon : mailIcon;
    ASSERT_TRUE(mailIcon);
    host::Simulation sim(std::move(*result.scenario), home.home, log);
    EXPECT_TRUE(std::filesystem::exists(home.home.applications() + "/Pages.app/Contents/Info.plist"))
        << "on the disk before the engine starts";

    test_support::MemoryPreferences prefs;
    PinnedAppsStore store(prefs, workspaceOf(sim.mac()));
    auto pages = store.appDisplayInfo("com.apple.iWork.Pages");
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->name, "Pages Pro");
    EXPECT_EQ(pages->icon, pagesIcon);
    auto safari = store.appDisplayInfo("com.apple.Safari");
    ASSERT_TRUE(safari) << "running without an icon: the icon of its bundle, and /Applications is the home's folder";
    EXPECT_EQ(safari->name, "Safari");
    EXPECT_EQ(safari->icon, safariIcon);
    EXPECT_EQ(store.appDisplayInfo("com.apple.mail")->icon, mailIcon);
    EXPECT_FALSE(store.appDisplayInfo("com.example.absent"));
}
