#include "overlay/overlay_content_view.h"

#include "engine/overlay_view_model.h"
#include "overlay/content_settings.h"
#include "settings/pinned_apps_store.h"

namespace talvora {

namespace {

template<typename T>
std::shared_ptr<void> markOnPublish(Published<T>& value, bool& flag)
{
    return value.subscribe([&flag](const T&) { flag = true; });
}

} // namespace

OverlayContentView::OverlayContentView(const Sources& sources, DisplayID screenID)
    : m_sources(sources)
    , m_screenID(screenID)
{
    OverlayViewModel& vm = m_sources.engine;
    m_subscriptions = {
        markOnPublish(vm.activeWindows, m_needsDisplay),
        markOnPublish(vm.shouldShowIcons, m_needsDisplay),
        markOnPublish(vm.iconOpacity, m_needsDisplay),
        markOnPublish(vm.previousActiveWindowID, m_needsDisplay),
        markOnPublish(vm.hoveredWindowID, m_needsDisplay),
        markOnPublish(vm.hoveredButton, m_needsDisplay),
        markOnPublish(vm.pendingButtonClick, m_needsDisplay),
    };
    m_pinnedAppsObserver = m_sources.pinnedApps.observe([this] { m_needsDisplay = true; });
}

OverlayContent OverlayContentView::render(double frameMediaTimeSeconds) const
{
    const OverlayViewModel& vm = m_sources.engine;
    std::optional<WindowButton> armed;
    if (const auto& pending = vm.pendingButtonClick.value())
        armed = WindowButton { pending->windowID, pending->kind };
    const OverlayEngineState state {
        vm.activeWindows.value(),
        vm.shouldShowIcons.value(),
        vm.iconOpacity.value(),
        vm.previousActiveWindowID.value(),
        vm.hoveredWindowID.value(),
        vm.hoveredButton.value(),
        armed,
    };
    const ActivityReporting activity { m_sources.activity, m_shouldShowIconsAtLastRender };
    OverlayContent content = layoutOverlayContent(m_screenID, state, readOverlayContentSettings(m_sources.preferences),
        m_sources.pinnedApps.apps(), frameMediaTimeSeconds, activity);
    m_shouldShowIconsAtLastRender = state.shouldShowIcons;
    m_needsDisplay = false;
    return content;
}

} // namespace talvora
