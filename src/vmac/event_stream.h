#pragma once

#include "vmac/virtual_input.h"
#include "vmac/virtual_mac.h"

namespace talvora::vmac {

// What became of one click.
struct ClickOutcome {
    ClickTarget target; // where the window server routed it
    bool swallowedByApp = false; // a local monitor of the program took it: its window never saw it
};

// The login session's stream of mouse events, in the order a Mac passes a click along: window
// routing, then the owner of the window under the pointer (for the program's own windows its
// local monitors first, which may swallow the click; other applications' clicks are heard by
// global monitors), then the effect (a thumbnail picked, Mission Control left, a window
// brought forward). A click swallowed on the way has no effect behind it.
class EventStream {
public:
    EventStream(VirtualMac& mac, VirtualInput& input)
        : m_mac(mac)
        , m_input(input)
    {
    }

    // A left click (down and up) at a point in AppKit global coordinates.
    ClickOutcome click(Point location);

private:
    VirtualMac& m_mac;
    VirtualInput& m_input;
};

} // namespace talvora::vmac
