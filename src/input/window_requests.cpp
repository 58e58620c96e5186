// Close and minimize requests: the icon goes at once, the Accessibility work is queued, and
// the icon comes back when the work fails.

#include "engine/closed_window_registry.h"
#include "input/input_controller.h"
#include "input/window_actions.h"

#include <string>

namespace talvora {

void InputController::requestClose(const WindowInfo& window)
{
    logOverlay("[close] tap pid=" + std::to_string(window.pid) + " windowID=" + std::to_string(window.id));
    m_engine.noteCloseRequested(window.id, m_platform.clock.now());
    std::weak_ptr<int> alive = m_lifetime;
    Platform& platform = m_platform;
    OverlayViewModel& engine = m_engine;
    const ProcessID pid = window.pid;
    const WindowNumber id = window.id;
    m_platform.mainQueue.async([&platform, &engine, alive, pid, id] {
        // The request is made even when the controller has gone; only its bookkeeping is not.
        const bool closed = closeWindowViaAccessibility(platform, pid, id);
        if (!closed && !alive.expired())
            engine.forgetCloseRequest(id);
    });
}

void InputController::requestMinimize(const WindowInfo& window)
{
    logOverlay("[minimize] tap pid=" + std::to_string(window.pid) + " windowID=" + std::to_string(window.id));
    // Hidden while the request is pending, like a close; back when nothing was pressed.
    ClosedWindowRegistry::shared().record(window.id, m_platform.clock.now());
    std::weak_ptr<int> alive = m_lifetime;
    Platform& platform = m_platform;
    OverlayViewModel& engine = m_engine;
    const ProcessID pid = window.pid;
    const WindowNumber id = window.id;
    m_platform.mainQueue.async([&platform, &engine, alive, pid, id] {
        if (alive.expired())
            return;
        const PressOutcome outcome = pressWindowButton(platform, WindowButtonAction::Minimize, pid, id);
        if (alive.expired())
            return;
        if (outcome == PressOutcome::Pressed)
            engine.noteMinimized(id, platform.clock.now());
        else
            ClosedWindowRegistry::shared().remove(id);
    });
}

} // namespace talvora
