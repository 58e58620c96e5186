#pragma once

#include "platform/event_tap.h"
#include "vmac/virtual_accessibility.h"
#include "vmac/virtual_input.h"
#include "vmac/virtual_mac.h"

#include <memory>
#include <optional>
#include <vector>

namespace talvora::vmac {

// What became of one click.
struct ClickOutcome {
    ClickTarget target; // where the window server routed it (nothing when it never got there)
    bool held = false; // input stalled by a tap kept without the privilege: nothing received it
    bool droppedByTap = false; // an event tap dropped the mouse-down
    bool swallowedByApp = false; // a local monitor of the program took it: its window never saw it
};

// The login session's stream of mouse events, in the order a Mac passes a click along: the
// active event taps at the head of the stream (which may drop it), window routing, then the
// owner of the window under the pointer (for the program's own windows its local monitors
// first, which may swallow the click; other applications' clicks are heard by global
// monitors), then the effect (a thumbnail picked, Mission Control left, a window brought
// forward). A click dropped or swallowed on the way has no effect behind it.
//
// Event taps: creating an active tap needs the Accessibility privilege. A tap still installed
// after the privilege is gone stalls the session's input: clicks are held, not delivered, and
// counted, and the time spent so is measured.
class EventStream final : public EventTaps {
public:
    EventStream(VirtualMac& mac, VirtualInput& input, VirtualAccessibility& accessibility);
    ~EventStream() override;

    // A left click (down, then up) at a point in AppKit global coordinates.
    ClickOutcome click(Point location);
    // The system switches every enabled active tap off and tells it so: for taking too long
    // (byTimeout) or because of user input.
    void disableTaps(bool byTimeout);

    // Taps created and not invalidated, and those of them enabled on the run loop.
    int installedTaps() const;
    int activeTaps() const;
    int probeCount() const { return m_probes; } // taps created at the tail of the stream
    int refusedTapCount() const { return m_refused; }
    int heldClicks() const { return m_heldClicks; }
    // Clicks whose mouse-down and mouse-up met different fates: the receiver saw half a click.
    int halfClicks() const { return m_halfClicks; }
    // Seconds during which an active tap was installed without the privilege.
    double secondsStalled() const;

private:
    // EventTaps:
    EventTapPortRef createTap(EventTapLocation location, EventTapPlacement placement, EventTapOptions options, std::uint64_t mask,
        EventTapCallback callback) override;

    class Tap;
    // Runs an event through the enabled active taps, head first; true when one dropped it.
    bool throughTaps(CGEventType type);
    bool isStalled() const;
    // After every change of trust or of the set of taps.
    void accountStall();
    void deliver(Point location, ClickOutcome& outcome);

    VirtualMac& m_mac;
    VirtualInput& m_input;
    VirtualAccessibility& m_accessibility;
    std::vector<std::weak_ptr<Tap>> m_taps; // head first
    int m_probes = 0;
    int m_refused = 0;
    int m_heldClicks = 0;
    int m_halfClicks = 0;
    double m_stalledTotal = 0;
    std::optional<double> m_stalledSince;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora::vmac
