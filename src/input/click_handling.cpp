// The two ways a click reaches the buttons of a hovered icon, and the optional click-twice rule.

#include "engine/icon_geometry.h"
#include "input/input_controller.h"

#include <charconv>
#include <string>

namespace talvora {

namespace {

std::string formatNumber(double v)
{
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v);
    std::string text(buffer, error == std::errc() ? end : buffer);
    // Whole numbers keep one decimal, as the platform writes them.
    if (text.find_first_of(".eEn") == std::string::npos)
        text += ".0";
    return text;
}

} // namespace

std::string formatLogPoint(Point p) { return "(" + formatNumber(p.x) + ", " + formatNumber(p.y) + ")"; }

InputController::InputController(OverlayViewModel& engine, Platform& platform)
    : m_engine(engine)
    , m_platform(platform)
    , m_tapSupervisor(engine, platform, [this] { return handleTapMouseDown(); })
{
}

InputController::~InputController() = default;

void InputController::logOverlay(const std::string& line)
{
    if (m_engine.isDebugLoggingEnabled())
        m_platform.systemLog.log(LogLevel::Debug, DebugLog::kCategory, line);
}

void InputController::installLocalMouseMonitor(std::function<bool(const AppWindow&)> isOverlayWindow)
{
    if (m_mouseMonitor)
        return;
    m_isOverlayWindow = std::move(isOverlayWindow);
    std::weak_ptr<int> alive = m_lifetime;
    m_mouseMonitor = m_platform.eventMonitors.addLocalMonitor(eventMask(EventType::LeftMouseDown),
        [this, alive](const LocalEvent& event) -> std::optional<LocalEvent> {
            if (alive.expired())
                return event;
            return handleLocalMouseDown(event);
        });
    logOverlay("[monitor] local left-mouse-down monitor installed");
}

const WindowInfo* InputController::hoveredWindow() const
{
    const auto& hovered = m_engine.hoveredWindowID.value();
    if (!hovered)
        return nullptr;
    for (const WindowInfo& w : m_engine.activeWindows.value()) {
        if (w.id == *hovered)
            return &w;
    }
    return nullptr;
}

std::optional<LocalEvent> InputController::handleLocalMouseDown(const LocalEvent& event)
{
    const bool onOverlay = event.window && m_isOverlayWindow && m_isOverlayWindow(*event.window);
    const auto& hovered = m_engine.hoveredWindowID.value();
    logOverlay("[event-mon] leftMouseDown loc=" + formatLogPoint(event.locationInWindow) + " onOverlay="
        + (onOverlay ? "true" : "false") + " hovered=" + (hovered ? std::to_string(*hovered) : "nil"));
    if (!onOverlay)
        return event;
    const WindowInfo* window = hoveredWindow();
    if (!window)
        return event;
    // The overlay covers its screen, so the flipped location is the screen's overlay space.
    const Point p { event.locationInWindow.x, event.window->frame().height - event.locationInWindow.y };
    const IconGeometrySettings geometry = iconGeometrySettings(m_engine.settings());
    // A copy: the click may publish, and a subscriber may change the list.
    const WindowInfo w = *window;
    if (hitsCloseButton(w, p, geometry)) {
        handleButtonClick(ButtonHoverKind::Close, w);
        return std::nullopt;
    }
    if (hitsMinimizeButton(w, p, geometry)) {
        handleButtonClick(ButtonHoverKind::Minimize, w);
        return std::nullopt;
    }
    logOverlay("[event-mon]   click=" + formatLogPoint(p) + " inside=false");
    return event;
}

bool InputController::handleTapMouseDown()
{
    if (!m_engine.shouldShowIcons.value())
        return false;
    const WindowInfo* window = hoveredWindow();
    if (!window)
        return false;
    std::optional<ScreenDescription> screen;
    for (const ScreenDescription& s : m_platform.screens.screens()) {
        if (displayIDOf(s) == window->hostScreenID) {
            screen = s;
            break;
        }
    }
    if (!screen)
        screen = m_platform.screens.mainScreen();
    if (!screen)
        return false;
    const Point pointer = m_platform.pointer.mouseLocation();
    const Point p { pointer.x - screen->frame.minX(), screen->frame.maxY() - pointer.y };
    const IconGeometrySettings geometry = iconGeometrySettings(m_engine.settings());
    const WindowInfo w = *window;
    if (hitsCloseButton(w, p, geometry))
        return handleButtonClick(ButtonHoverKind::Close, w);
    if (hitsMinimizeButton(w, p, geometry))
        return handleButtonClick(ButtonHoverKind::Minimize, w);
    return false;
}

bool InputController::handleButtonClick(ButtonHoverKind kind, const WindowInfo& window)
{
    auto perform = [&] {
        if (kind == ButtonHoverKind::Minimize)
            requestMinimize(window);
        else
            requestClose(window);
    };
    if (!m_engine.settings().closeMinimizeDoubleClickRequired) {
        perform();
        return true;
    }
    const double now = m_platform.clock.mediaTime();
    const auto& pending = m_engine.pendingButtonClick.value();
    if (pending && pending->windowID == window.id && pending->kind == kind
        && now - pending->at <= m_platform.pointer.doubleClickInterval()) {
        std::weak_ptr<int> alive = m_lifetime;
        m_engine.pendingButtonClick.publish(std::nullopt);
        if (!alive.expired())
            perform();
        return true;
    }
    // The first click of two is swallowed too: the armed ring shows it was taken.
    m_engine.pendingButtonClick.publish(PendingButtonClick { window.id, kind, now });
    return true;
}

} // namespace talvora
