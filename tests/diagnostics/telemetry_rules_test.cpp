// The telemetry rules that do not need a server: the identifier, the day in local time, what
// happens when a body cannot be written, and what the settings window is told.
#include "diagnostics/telemetry.h"
#include "diagnostics/telemetry_disclosure.h"
#include "settings/preference_keys.h"
#include "support/memory_preferences.h"
#include "vmac/scripted_http_client.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_run_loop.h"
#include "vmac/virtual_system_info.h"

#include <gtest/gtest.h>

using namespace talvora;

namespace {

struct Rig {
    test_support::MemoryPreferences prefs;
    vmac::VirtualClock clock;
    vmac::VirtualRunLoop runLoop { clock };
    vmac::ScriptedHttpClient http { runLoop };
    vmac::VirtualSystemInfo system;
    Telemetry telemetry { { prefs, clock, http, system }, TelemetryEndpoint { "https://events.example.org/", "a.b.c" } };

    void settle() { runLoop.runFor(0.01); }
};

TEST(TelemetryRules, DaysFollowLocalMidnightAndTheStoredDaysAreLocalDays)
{
    const Date lateEveningUTC { 1796688000.0 - 3600 }; // 2026-12-07 23:00 UTC
    EXPECT_EQ(dayString(lateEveningUTC, 0), "2026-12-07");
    EXPECT_EQ(dayString(lateEveningUTC, 2 * 3600), "2026-12-08"); // 01:00 in Zurich in summer time
    EXPECT_EQ(dayString(lateEveningUTC, -8 * 3600), "2026-12-07");
    EXPECT_EQ(dayString(Date { 1796688000.0 + 3600 }, -5 * 3600), "2026-12-07");
    EXPECT_EQ(dayString(Date { 951782400.0 }, 0), "2000-02-29");

    Rig rig;
    vmac::VirtualClock zurich(300, lateEveningUTC, 2 * 3600);
    Telemetry telemetry { { rig.prefs, zurich, rig.http, rig.system }, TelemetryEndpoint { "https://events.example.org", "a.b.c" } };
    telemetry.sendLaunchEvent();
    telemetry.sendActiveEvent();
    rig.settle();
    EXPECT_EQ(rig.prefs.string(PrefKey::telemetryLastLaunchDay), "2026-12-08");
    EXPECT_EQ(rig.prefs.string(PrefKey::telemetryLastActiveDay), "2026-12-08");
}

TEST(TelemetryRules, AStoredIdentifierIsUsedOnlyWhenItIsALowerCaseUUID)
{
    Rig rig;
    const std::string good = "3f2a9c1e-7b4d-4e8a-9f61-0c5d2b7e8a90";
    rig.prefs.set(PrefKey::telemetryAnonymousID, good);
    EXPECT_EQ(rig.telemetry.anonymousID(), good);

    for (PreferenceValue bad : { PreferenceValue(std::string("3F2A9C1E-7B4D-4E8A-9F61-0C5D2B7E8A90")),
             PreferenceValue(std::string("me@example.org")), PreferenceValue(std::string(good + " ")),
             PreferenceValue(std::string("3f2a9c1e-7b4d-4e8a-9f61-0c5d2b7e8a9g")), PreferenceValue(std::int64_t { 42 }) }) {
        rig.prefs.set(PrefKey::telemetryAnonymousID, bad);
        std::string id = rig.telemetry.anonymousID();
        EXPECT_TRUE(isLowerCaseUUID(id)) << id;
        EXPECT_NE(id, good);
        EXPECT_EQ(rig.prefs.string(PrefKey::telemetryAnonymousID), id) << "the replacement is kept";
        EXPECT_EQ(rig.telemetry.anonymousID(), id);
    }
}

TEST(TelemetryRules, ABodyThatCannotBeWrittenCompletesWithFailureAndIsTriedAgain)
{
    Rig rig;
    rig.system.shortVersion = std::string("1.0\xff\xfe");
    std::optional<bool> completed;
    rig.telemetry.sendEvent(TelemetryEvent::active, [&](bool ok) { completed = ok; });
    EXPECT_EQ(completed, false);

    rig.telemetry.sendActiveEvent();
    rig.settle();
    EXPECT_TRUE(rig.http.requests().empty());
    EXPECT_FALSE(rig.prefs.object(PrefKey::telemetryLastActiveDay));

    // Once the version reads again, the next appearance of icons sends the day's event.
    rig.system.shortVersion = std::nullopt;
    rig.telemetry.sendActiveEvent();
    rig.settle();
    ASSERT_EQ(rig.http.requests().size(), 1u);
    EXPECT_NE(rig.http.requests()[0].body.find(R"("app_version":"dev")"), std::string::npos);
    EXPECT_EQ(rig.http.requests()[0].url, "https://events.example.org/rest/v1/tv_events");
    EXPECT_EQ(rig.http.requests()[0].timeoutSeconds, 10);
}

TEST(TelemetryRules, TheDisclosureShowsTheNextBodyWithoutMakingAnIdentifier)
{
    Rig rig;
    rig.system.shortVersion = "2.0";
    TelemetryDisclosure on = describeTelemetry(rig.telemetry);
    EXPECT_EQ(on.state, TelemetryDisclosure::State::On);
    EXPECT_EQ(on.destination, "POST https://events.example.org/rest/v1/tv_events");
    EXPECT_EQ(on.nextEvent, "app_first_launch");
    EXPECT_NE(on.nextBody.find(R"("metadata":{"app_version":"2.0","os":"14.5","lang":"en-US"})"), std::string::npos);
    EXPECT_FALSE(rig.prefs.object(PrefKey::telemetryAnonymousID));
    EXPECT_TRUE(rig.http.requests().empty());

    // After the first launch went out, the body shown is the launch event with the real id.
    rig.telemetry.sendLaunchEvent();
    rig.settle();
    TelemetryDisclosure later = describeTelemetry(rig.telemetry);
    EXPECT_EQ(later.nextEvent, "app_launch");
    std::string sent = rig.http.requests().at(0).body;
    std::string expected = sent;
    expected.replace(expected.find("app_first_launch"), 16, "app_launch");
    EXPECT_EQ(later.nextBody, expected);

    rig.prefs.set(PrefKey::telemetryDisabled, true);
    EXPECT_EQ(describeTelemetry(rig.telemetry).state, TelemetryDisclosure::State::TurnedOff);
    Telemetry unconfigured { { rig.prefs, rig.clock, rig.http, rig.system }, std::nullopt };
    TelemetryDisclosure off = describeTelemetry(unconfigured);
    EXPECT_EQ(off.state, TelemetryDisclosure::State::NotConfigured);
    EXPECT_TRUE(off.nextBody.empty());
}

} // namespace
