#pragma once

#include "engine/window_entry.h"
#include "support/desktop_builder.h"
#include "vmac/spaces.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_mac.h"
#include "vmac/virtual_notification_center.h"

namespace talvora::test_support {

// A virtual Mac with its own media clock and workspace notification centre; the test moves
// time with `advance`. The readers look at a fresh window list each time.
struct VirtualMacFixture {
    vmac::VirtualClock clock;
    vmac::VirtualNotificationCenter workspace;
    vmac::VirtualMac mac;

    explicit VirtualMacFixture(const vmac::Scenario& scenario)
        : mac(scenario.desktop, scenario.talvoraPID, clock, workspace)
    {
    }
    explicit VirtualMacFixture(const DesktopBuilder& builder)
        : VirtualMacFixture(builder.build())
    {
    }

    double now() const { return static_cast<const Clock&>(clock).mediaTime(); }
    void advance(double seconds) { clock.advance(seconds); }
    WindowListReply list(WindowListOption option = WindowListOption::All)
    {
        return static_cast<WindowServer&>(mac).copyWindowList(option, 0);
    }
    ProcessID frontPID() { return static_cast<Workspace&>(mac).frontmostApplication()->processIdentifier(); }

    std::optional<WindowEntry> entry(WindowNumber n)
    {
        for (const auto& e : *list().entries) {
            if (entryWindowNumber(e) == n)
                return e;
        }
        return std::nullopt;
    }
    Rect bounds(WindowNumber n)
    {
        auto e = entry(n);
        return e ? entryBounds(*e).value_or(Rect {}) : Rect {};
    }
    bool onScreen(WindowNumber n)
    {
        auto e = entry(n);
        return e && isOnScreenEntry(*e);
    }
    // On-screen windows at a layer, front to back.
    std::vector<WindowEntry> onScreenAtLayer(long long layer)
    {
        std::vector<WindowEntry> found;
        for (const auto& e : *list().entries) {
            if (isOnScreenEntry(e) && entryLayer(e) == layer)
                found.push_back(e);
        }
        return found;
    }
    // On-screen Dock and Window Server windows covering at least 90 % of a display in both
    // directions: what the engine counts as backdrops.
    int displaySizedSystemWindows()
    {
        const auto displays = vmac::globalDisplayBounds(mac.desktop());
        int count = 0;
        for (const auto& e : *list().entries) {
            auto owner = entryOwnerName(e);
            auto b = entryBounds(e);
            if (!isOnScreenEntry(e) || !owner || (*owner != "Dock" && *owner != "Window Server") || !b)
                continue;
            count += std::any_of(displays.begin(), displays.end(),
                [&](const Rect& d) { return b->width >= 0.9 * d.width && b->height >= 0.9 * d.height; });
        }
        return count;
    }
};

} // namespace talvora::test_support
