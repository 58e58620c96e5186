#pragma once

#include "engine/button_hover_kind.h"
#include "engine/overlay_view_model.h"
#include "input/event_tap_supervisor.h"
#include "platform/platform.h"

#include <functional>
#include <memory>
#include <optional>

namespace talvora {

// Clicks on the close and minimize buttons of a hovered icon, and what they do to the window.
// A click reaches it by the application's local mouse monitor (a click inside an overlay
// window) or by the session event tap (a click anywhere, before Mission Control sees it). Both
// paths only record and queue: the Accessibility work runs from the main queue afterwards.
// Main thread only; the engine outlives it, and queued work does nothing once it is gone.
class InputController {
public:
    InputController(OverlayViewModel& engine, Platform& platform);
    ~InputController();
    InputController(const InputController&) = delete;
    InputController& operator=(const InputController&) = delete;

    // Installs the monitor of the application's own left-mouse-downs, once. `isOverlayWindow`
    // tells the overlay windows from the application's other windows.
    void installLocalMouseMonitor(std::function<bool(const AppWindow&)> isOverlayWindow);
    bool hasLocalMouseMonitor() const { return m_mouseMonitor != nullptr; }

    // The event to deliver, or nothing when the click pressed a button and is swallowed.
    std::optional<LocalEvent> handleLocalMouseDown(const LocalEvent& event);
    // True when the click at the pointer hit a button of the hovered icon: swallow it.
    bool handleTapMouseDown();
    // Performs the action, or in double-click mode arms it first; always true.
    bool handleButtonClick(ButtonHoverKind kind, const WindowInfo& window);

    void requestClose(const WindowInfo& window);
    void requestMinimize(const WindowInfo& window);

    // The session event tap that calls handleTapMouseDown, and its supervision; once.
    void startEventTapSupervision() { m_tapSupervisor.start(); }
    EventTapSupervisor& eventTapSupervisor() { return m_tapSupervisor; }

private:
    const WindowInfo* hoveredWindow() const;
    void logOverlay(const std::string& line);

    OverlayViewModel& m_engine;
    Platform& m_platform;
    std::function<bool(const AppWindow&)> m_isOverlayWindow;
    ObserverTokenPtr m_mouseMonitor;
    EventTapSupervisor m_tapSupervisor;
    // Callbacks and queued work hold this weakly and do nothing once the controller is gone.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

// A point as the platform writes it in a log line: "(120.0, 48.5)".
std::string formatLogPoint(Point p);

} // namespace talvora
