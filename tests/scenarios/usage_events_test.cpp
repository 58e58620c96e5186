// The app on two displays reports its launch and icons appearing to telemetry: one active event
// a day, however many screens and visits.
#include "host/simulation.h"
#include "overlay/overlay_content_view.h"
#include "settings/preference_keys.h"
#include "support/click_desk.h"
#include "support/temp_home.h"
#include "vmac/scripted_http_client.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_system_info.h"

#include <gtest/gtest.h>

using namespace talvora;

namespace {

TEST(UsageEvents, ThreeVisitsOnTwoScreensReportOneActiveEvent)
{
    test_support::TempHome home;
    vmac::RecordingSystemLog log;
    host::Simulation sim(test_support::twoDisplayDesk().build(), home.home, log);
    vmac::ScriptedHttpClient http(sim.runLoop());
    vmac::VirtualSystemInfo system;
    Clock& clock = sim.virtualClock();
    Telemetry telemetry({ sim.preferences(), clock, http, system }, TelemetryEndpoint { "https://events.example.org", "a.b.c" });
    sim.app().setTelemetry(&telemetry);
    sim.start();
    sim.runFor(3.5); // the closed state is learned first

    // What each screen's painter does every frame: render its overlay's content.
    auto renderEveryScreen = [&] {
        int rendered = 0;
        for (const auto& window : sim.mac().ownWindows()) {
            if (auto* content = dynamic_cast<const OverlayContentView*>(window->contentView().get())) {
                content->render(sim.clock().mediaTime());
                ++rendered;
            }
        }
        return rendered;
    };
    for (int visit = 0; visit < 3; ++visit) {
        sim.mac().openMissionControl();
        for (int i = 0; i < 600 && !sim.engine().shouldShowIcons.value(); ++i)
            sim.runFor(1.0 / 120);
        ASSERT_TRUE(sim.engine().shouldShowIcons.value());
        ASSERT_EQ(renderEveryScreen(), 2);
        sim.runFor(0.5);
        sim.mac().closeMissionControl();
        sim.runFor(2);
        renderEveryScreen();
    }
    // The launch handler recorded the first launch; the three visits made one active event.
    ASSERT_EQ(http.requests().size(), 2u);
    EXPECT_NE(http.requests()[0].body.find(R"("event_type":"app_first_launch")"), std::string::npos);
    EXPECT_NE(http.requests()[1].body.find(R"("event_type":"app_active")"), std::string::npos);
    EXPECT_EQ(sim.preferences().string(PrefKey::telemetryLastActiveDay), telemetry.currentDayString());
}

} // namespace
