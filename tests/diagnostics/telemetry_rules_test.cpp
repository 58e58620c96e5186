// The telemetry rules that do not need a server: the identifier, the day in local time, and
// what happens when a body cannot be written. What the settings window shows of them is the
// window's test.
#include "diagnostics/telemetry.h"
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
    EXPECT_EQ(rig.http.requests()[0].timeoutSeconds, 10);
}

} // namespace
