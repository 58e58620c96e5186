#include "timeline_printer.h"

#include "host/simulation.h"
#include "platform/input_checks.h"

#include <cstdio>

namespace talvora::app {

namespace {

std::string describeMode(const TickModeSpec& mode)
{
    char text[64];
    if (auto* link = std::get_if<DisplayLinkMode>(&mode))
        std::snprintf(text, sizeof text, "display link %.0f Hz", link->hz);
    else
        std::snprintf(text, sizeof text, "timer %.0f ms", std::get<TimerMode>(mode).interval * 1000);
    return text;
}

std::string describeScreens(const ScreenCache& screens)
{
    std::string text;
    for (const auto& s : screens.cachedScreenInfos) {
        char one[96];
        std::snprintf(one, sizeof one, "%s%u:%.0fx%.0f@%.0f,%.0f", text.empty() ? "" : " ", s.id, s.cgRect.width, s.cgRect.height,
            s.cgRect.x, s.cgRect.y);
        text += one;
    }
    return text.empty() ? "none" : text;
}

std::string windowName(std::optional<WindowNumber> window) { return window ? std::to_string(*window) : "-"; }

std::string windowLabel(const OverlayViewModel& engine, WindowNumber id)
{
    for (const auto& w : engine.activeWindows.value()) {
        if (w.id == id)
            return w.displayName + " (" + std::to_string(id) + ")";
    }
    return std::to_string(id);
}

} // namespace

TimelinePrinter::TimelinePrinter(host::Simulation& simulation, bool verbose)
    : m_simulation(simulation)
    , m_verbose(verbose)
{
}

void TimelinePrinter::line(const char* marker, const std::string& text)
{
    std::printf("%8.3f  %-2s %s\n", m_simulation.elapsed(), marker, escapeControlCharacters(text).c_str());
}

void TimelinePrinter::action(const vmac::TimelineAction& action) { line(">", action.description); }

void TimelinePrinter::note(const std::string& text) { line("", text); }

void TimelinePrinter::tick()
{
    const auto& engine = m_simulation.engine();
    if (m_verbose)
        tickLine();
    if (engine.isMCActive.value() != m_wasMissionControl) {
        m_wasMissionControl = engine.isMCActive.value();
        line("*", m_wasMissionControl ? "Mission Control recognised" : "Mission Control left");
    }
    if (engine.shouldShowIcons.value() != m_wereIconsShown) {
        m_wereIconsShown = engine.shouldShowIcons.value();
        line("*", m_wereIconsShown ? "icons shown on " + std::to_string(engine.activeWindows.value().size()) + " windows, previous front window "
                    + windowName(engine.previousActiveWindowID.value())
                                   : "icons hidden");
    }
    if (engine.hoveredWindowID.value() != m_hovered) {
        m_hovered = engine.hoveredWindowID.value();
        line("*", m_hovered ? "pointer on the icon of " + windowLabel(engine, *m_hovered) + ": close and minimize buttons shown"
                            : "no icon under the pointer");
    }
    if (engine.hoveredButton.value() != m_hoveredButton) {
        m_hoveredButton = engine.hoveredButton.value();
        if (m_hoveredButton)
            line("*", std::string("pointer on the ") + (m_hoveredButton->kind == ButtonHoverKind::Close ? "close" : "minimize") + " button");
    }
    if (engine.pendingButtonClick.value() != m_pendingClick) {
        m_pendingClick = engine.pendingButtonClick.value();
        if (m_pendingClick)
            line("*", std::string("first click on the ") + (m_pendingClick->kind == ButtonHoverKind::Close ? "close" : "minimize")
                    + " button of " + windowLabel(engine, m_pendingClick->windowID) + ": armed until a second click");
    }
}

void TimelinePrinter::tickLine()
{
    const auto& engine = m_simulation.engine();
    const auto& sampling = engine.sampling();
    if (sampling.lastTickOutcome == TickOutcome::WindowListFailed) {
        std::printf("%8.3f  tick %-4d window list query failed; caches kept, next tick tries again\n", m_simulation.elapsed(),
            m_simulation.tickCount());
        return;
    }
    const auto& evidence = engine.lastDetectorTick();
    std::printf("%8.3f  tick %-4d %-20s list=%zu visible=%zu screens=[%s] front=%s previous=%s backdrops=%d/%d "
                "shrink=%.2f confidence=%d %s icons=%zu opacity=%.2f\n",
        m_simulation.elapsed(), m_simulation.tickCount(), describeMode(engine.tickMode.value()).c_str(),
        sampling.cachedWindowList ? sampling.cachedWindowList->size() : 0, sampling.cachedVisibleWindowList.size(),
        describeScreens(engine.screens()).c_str(), windowName(sampling.currentActiveWindowID).c_str(),
        windowName(engine.previousActiveWindowID.value()).c_str(), evidence.fullScreens, evidence.threshold, evidence.bestScreenShrink,
        engine.detector().missionControlConfidence, engine.isMCActive.value() ? "MISSION-CONTROL" : "closed",
        engine.activeWindows.value().size(), engine.iconOpacity.value());
}

} // namespace talvora::app
