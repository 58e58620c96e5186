// Update checks: against a real HTTP server on the loopback address that each test starts, and
// the once-a-day schedule in virtual time.
#include "app/update_checker.h"
#include "qt/qt_http_client.h"
#include "qt/qt_run_loop.h"
#include "qt/gui_test.h"
#include "settings/preference_keys.h"
#include "support/loopback_http_server.h"
#include "support/memory_preferences.h"
#include "vmac/recorded_update_alerts.h"
#include "vmac/scripted_http_client.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_run_loop.h"
#include "vmac/virtual_system_info.h"

#include <gtest/gtest.h>

using namespace talvora;
using Kind = UpdateCheckResult::Kind;

namespace {

std::string appcast(const std::string& shortVersion, const std::string& build)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:up="http://example.org/xml-namespaces/updates"><channel>
  <item><title>Talvora )" + shortVersion
        + R"(</title>
    <up:releaseNotesLink>https://example.org/talvora/)"
        + shortVersion + R"(.html</up:releaseNotesLink>
    <enclosure url="https://example.org/talvora.zip" up:version=")"
        + build + R"(" up:shortVersionString=")" + shortVersion + R"(" type="application/octet-stream"/>
  </item></channel></rss>)";
}

class UpdateCheckOverHttp : public test_support::GuiTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        runLoop = std::make_unique<qt::QtRunLoop>();
        http = std::make_unique<qt::QtHttpClient>(*runLoop);
        system.shortVersion = "1.4";
        system.buildVersion = "140";
        makeChecker(server.url("/appcast.xml"), /*timeoutSeconds=*/0.3);
    }
    void makeChecker(std::string feed, double timeoutSeconds)
    {
        checker = std::make_unique<UpdateChecker>(UpdateChecker::Services { prefs, clock, *runLoop, *http, system, window },
            UpdateFeed { std::move(feed), timeoutSeconds });
        checker->onCheckFinished = [this](const UpdateCheckResult& r) { results.push_back(r); };
    }
    void TearDown() override
    {
        checker.reset();
        http.reset();
        runLoop.reset();
    }
    // Asks as the menu command does and waits for the answer.
    const UpdateCheckResult& checkNow()
    {
        std::size_t before = results.size();
        checker->checkForUpdates();
        EXPECT_TRUE(runUntil([&] { return results.size() > before; }));
        return results.back();
    }

    test_support::LoopbackHttpServer server;
    std::unique_ptr<qt::QtRunLoop> runLoop;
    std::unique_ptr<qt::QtHttpClient> http;
    test_support::MemoryPreferences prefs;
    vmac::VirtualClock clock;
    vmac::VirtualSystemInfo system;
    vmac::RecordedUpdateAlerts window;
    std::unique_ptr<UpdateChecker> checker;
    std::vector<UpdateCheckResult> results;
};

TEST_F(UpdateCheckOverHttp, UpToDateAndNewerAreToldWithTheReleaseNotes)
{
    server.respond({ 200, appcast("1.4.0", "140"), "application/rss+xml" });
    EXPECT_EQ(checkNow().kind, Kind::UpToDate);
    ASSERT_EQ(window.shown().size(), 1u);
    EXPECT_EQ(window.shown()[0].title, "You\u2019re up to date");
    EXPECT_EQ(window.shown()[0].message, "Talvora 1.4 (140) is the newest version available.");
    EXPECT_FALSE(window.shown()[0].releaseNotesURL);
    EXPECT_EQ(server.requests().at(0).method, "GET");
    EXPECT_EQ(server.requests().at(0).target, "/appcast.xml");

    server.respond({ 200, appcast("1.10", "1000"), "application/rss+xml" });
    EXPECT_EQ(checkNow().kind, Kind::NewerAvailable);
    const UpdateAlert& newer = window.shown().back();
    EXPECT_EQ(newer.title, "A new version of Talvora is available");
    EXPECT_EQ(newer.releaseNotesURL, "https://example.org/talvora/1.10.html");
    EXPECT_NE(newer.message.find("Talvora 1.10 (1000) is available; you have 1.4 (140)."), std::string::npos);
    EXPECT_NE(newer.message.find("https://example.org/talvora/1.10.html"), std::string::npos);
}

TEST_F(UpdateCheckOverHttp, FailuresSayWhy)
{
    server.respond({ 200, "<html><body>Moved</body></html>", "text/html" });
    EXPECT_EQ(checkNow().kind, Kind::UnreadableFeed);
    EXPECT_EQ(window.shown().back().message, "The update feed could not be read: it is not an RSS feed.");

    server.respondStatus(404, "not here");
    const auto& missing = checkNow();
    EXPECT_EQ(missing.kind, Kind::ServerError);
    EXPECT_EQ(window.shown().back().message, "The update server answered with HTTP status 404. Try again later.");

    server.hang();
    EXPECT_EQ(checkNow().kind, Kind::TimedOut);
    EXPECT_EQ(window.shown().back().message, "The update server did not answer in time. Try again later.");
    EXPECT_EQ(window.shown().back().title, "Talvora could not check for updates");
    EXPECT_EQ(window.shown().size(), 3u);

    // A port that was just free: nothing listens there.
    std::string closed;
    {
        test_support::LoopbackHttpServer gone;
        closed = gone.url("/appcast.xml");
    }
    makeChecker(closed, 1);
    EXPECT_EQ(checkNow().kind, Kind::Offline);
    EXPECT_NE(window.shown().back().message.find("could not be reached"), std::string::npos);
}

// The schedule, in virtual time with a scripted loader.
struct ScheduleRig {
    test_support::MemoryPreferences prefs;
    vmac::VirtualClock clock;
    vmac::VirtualRunLoop runLoop { clock };
    vmac::ScriptedHttpClient http { runLoop };
    vmac::VirtualSystemInfo system;
    vmac::RecordedUpdateAlerts window;

    std::unique_ptr<UpdateChecker> make(std::optional<UpdateFeed> feed = UpdateFeed { "https://updates.example.org/appcast.xml" })
    {
        return std::make_unique<UpdateChecker>(UpdateChecker::Services { prefs, clock, runLoop, http, system, window }, feed);
    }
};

TEST(UpdateSchedule, AutomaticChecksAtMostOnceADayAndQuietUnlessNewer)
{
    ScheduleRig rig;
    rig.system.shortVersion = "1.4";
    rig.http.answerStatus(200, appcast("1.4", "1"));
    auto checker = rig.make();
    checker->start();
    EXPECT_TRUE(rig.http.requests().empty()) << "start returns before checking";
    rig.runLoop.runFor(1);
    ASSERT_EQ(rig.http.requests().size(), 1u);
    EXPECT_TRUE(rig.window.shown().empty()) << "an automatic check that finds nothing new says nothing";

    // Restarted an hour later: no check until a day after the last one.
    rig.runLoop.runFor(3600);
    checker = rig.make();
    checker->start();
    rig.runLoop.runFor(UpdateChecker::kCheckIntervalSeconds - 3600 - 10);
    EXPECT_EQ(rig.http.requests().size(), 1u);
    rig.http.failTransport();
    rig.runLoop.runFor(20);
    EXPECT_EQ(rig.http.requests().size(), 2u);
    EXPECT_TRUE(rig.window.shown().empty()) << "a failed automatic check is not shown";

    // The next day's check finds a newer version and says so.
    rig.http.answerStatus(200, appcast("1.5", "2"));
    rig.runLoop.runFor(UpdateChecker::kCheckIntervalSeconds);
    EXPECT_EQ(rig.http.requests().size(), 3u);
    ASSERT_EQ(rig.window.shown().size(), 1u);
    EXPECT_EQ(rig.window.shown()[0].title, "A new version of Talvora is available");
}

TEST(UpdateSchedule, AskingDuringAnAutomaticCheckShowsItsResultOnceAndWithoutAFeedSaysSo)
{
    ScheduleRig rig;
    rig.http.setHolding(true);
    auto checker = rig.make();
    checker->start();
    rig.runLoop.runFor(1);
    checker->checkForUpdates();
    EXPECT_EQ(rig.http.requests().size(), 1u);
    rig.http.release();
    rig.runLoop.runFor(1);
    EXPECT_EQ(rig.window.shown().size(), 1u);
    EXPECT_FALSE(checker->isChecking());

    // Without a feed nothing is fetched, and asking says so.
    rig.prefs.remove(PrefKey::lastUpdateCheckTime);
    checker = rig.make(std::nullopt);
    checker->start();
    rig.runLoop.runFor(2 * UpdateChecker::kCheckIntervalSeconds);
    checker->checkForUpdates();
    rig.runLoop.runFor(1);
    EXPECT_EQ(rig.http.requests().size(), 1u);
    EXPECT_FALSE(rig.prefs.object(PrefKey::lastUpdateCheckTime));
    ASSERT_EQ(rig.window.shown().size(), 2u);
    EXPECT_EQ(rig.window.shown()[1].message,
        "This build of Talvora has no update feed, so it never checks for updates.");
}

} // namespace
