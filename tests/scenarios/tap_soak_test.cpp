// Ten minutes of virtual time with the event tap under stress: trust granted and revoked, the
// tap switched off by the system for timeouts and for input, visits to Mission Control with
// clicks on the icons' buttons and on thumbnails. Nothing may be lost, nothing may leak through
// and input may never stall.

#include "support/click_desk.h"

#include <gtest/gtest.h>

#include <random>

using namespace talvora;
using test_support::ClickDesk;
using test_support::twoDisplayDesk;

TEST(EventTapSoak, TenMinutesOfTrustChangesTimeoutsVisitsAndClicks)
{
    ClickDesk desk(twoDisplayDesk());
    auto& events = desk.sim->events();
    const std::vector<vmac::VirtualWindow> initialWindows = desk.mac().desktop().windows;
    std::mt19937 rng(20261207);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };

    // Time passes with the system's noise: trust changes about every 40 s, the tap is switched
    // off about every 6 s, for a timeout or for input.
    auto noisyFor = [&](double seconds) {
        for (double t = 0; t < seconds; t += 0.25) {
            if (chance(0.25 / 40))
                desk.sim->accessibility().setTrusted(!desk.sim->accessibility().trusted());
            if (chance(0.25 / 6))
                events.disableTaps(chance(0.5));
            desk.sim->runFor(0.25);
        }
    };

    int buttonClicks = 0, thumbnailClicks = 0;
    int shouldHavePassed = 0, shouldHaveBeenDropped = 0;
    const double end = desk.sim->elapsed() + 600;
    while (desk.sim->elapsed() < end) {
        noisyFor(std::uniform_real_distribution<double>(2, 6)(rng));
        desk.mac().openMissionControl();
        if (!desk.runUntil([&] { return desk.engine().iconOpacity.value() == 1; }))
            continue;
        noisyFor(1);
        const auto windows = desk.engine().activeWindows.value();
        if (windows.empty() || desk.mac().missionControlPhase() != vmac::MissionControlPhase::Open)
            continue;
        const WindowInfo target = windows[pick(windows.size())];
        const int held = events.heldClicks();
        if (chance(0.6)) {
            ++buttonClicks;
            desk.clickButton(target.id, chance(0.5) ? vmac::IconButton::Close : vmac::IconButton::Minimize);
            desk.sim->runFor(0.01);
            if (desk.mac().missionControlPhase() != vmac::MissionControlPhase::Open)
                ++shouldHaveBeenDropped;
        } else {
            ++thumbnailClicks;
            const Point corner = desk.mac().appKitPoint({ target.bounds.x + 8, target.bounds.y + 8 });
            desk.sim->input().movePointer(corner);
            desk.sim->runFor(0.05);
            events.click(corner);
            if (desk.mac().missionControlPhase() == vmac::MissionControlPhase::Open)
                ++shouldHavePassed;
        }
        if (events.heldClicks() != held)
            ++shouldHavePassed;
        desk.mac().closeMissionControl();
        desk.runUntil([&] { return !desk.engine().isMCActive.value() && desk.engine().iconOpacity.value() == 0; });
        // The desktop as it was: closed windows open again, minimized ones come back.
        for (const auto& w : initialWindows) {
            if (!desk.isListed(w.number))
                desk.mac().openWindow(w);
            else if (desk.isMinimized(w.number))
                desk.mac().setWindowMinimized(w.number, false);
        }
    }

    EXPECT_GT(buttonClicks, 20);
    EXPECT_GT(thumbnailClicks, 15);
    EXPECT_GT(events.probeCount(), 100);
    EXPECT_EQ(shouldHavePassed, 0);
    EXPECT_EQ(shouldHaveBeenDropped, 0);
    EXPECT_EQ(events.secondsStalled(), 0);
    EXPECT_EQ(events.heldClicks(), 0);
    EXPECT_EQ(events.halfClicks(), 0);
    EXPECT_GT(desk.lines("[tap] repeated timeout").size(), 0u) << "the soak reached the removal";
    EXPECT_GT(desk.lines("[tap] Accessibility privilege lost").size(), 0u) << "and the revocation";
}
