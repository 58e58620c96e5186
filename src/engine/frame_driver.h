#pragma once

#include "engine/tick_mode.h"
#include "platform/run_loop.h"
#include "platform/window_list.h"

#include <functional>
#include <memory>
#include <optional>

namespace talvora {

class DisplayLinkHostingView;

// Owns the running mechanism of one driver: at most one timer and one display link. It lives
// across view updates; only a change of mode re-applies the mechanism.
class Coordinator : public std::enable_shared_from_this<Coordinator> {
public:
    Coordinator(RunLoop& runLoop, TickModeSpec mode, std::function<void()> onFrame);
    ~Coordinator();
    Coordinator(const Coordinator&) = delete;
    Coordinator& operator=(const Coordinator&) = delete;

    void start(DisplayLinkHostingView& host);
    void stop();
    void applyMode();
    // What the display link calls each frame, and the timer each firing.
    void handleDisplayLink();

    std::function<void()> onFrame;
    TickModeSpec mode;
    DisplayLinkPtr displayLink; // exists while the host view is in a window
    RepeatingTimerPtr timer; // exists while the mode is a timer

    // How many times the mechanism was (re)applied; tests count it.
    int applications() const { return m_applications; }

private:
    RunLoop& m_runLoop;
    int m_applications = 0;
};

// An empty view whose only work is to provide a display link for the display its window is on,
// and to start and stop its coordinator as it enters and leaves a window.
class DisplayLinkHostingView : public std::enable_shared_from_this<DisplayLinkHostingView> {
public:
    explicit DisplayLinkHostingView(RunLoop& runLoop)
        : m_runLoop(runLoop)
    {
    }

    std::weak_ptr<Coordinator> coordinator;

    // The view is placed in a window on `display`, or taken out of its window (nothing).
    void moveToWindow(std::optional<DisplayID> display);
    bool isInWindow() const { return m_windowDisplay.has_value(); }
    // A display link on the window's display that calls the coordinator; nothing when the view
    // is in no window or the display has none.
    DisplayLinkPtr makeDisplayLink(const std::shared_ptr<Coordinator>& target);

private:
    RunLoop& m_runLoop;
    std::optional<DisplayID> m_windowDisplay;
};

// The frame driver as the root view embeds it: created with a mode and a frame callback,
// updated each time the root view is re-evaluated.
class DisplayLinkDriver {
public:
    DisplayLinkDriver(RunLoop& runLoop, TickModeSpec mode, std::function<void()> onFrame);
    // A view update: the callback is replaced; the mechanism is re-applied only when the mode
    // differs from the one applied.
    void update(TickModeSpec mode, std::function<void()> onFrame);

    DisplayLinkHostingView& hostView() { return *m_hostView; }
    Coordinator& coordinator() { return *m_coordinator; }

private:
    std::shared_ptr<Coordinator> m_coordinator;
    std::shared_ptr<DisplayLinkHostingView> m_hostView;
};

} // namespace talvora
