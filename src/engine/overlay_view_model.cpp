#include "engine/overlay_view_model.h"

#include "engine/active_window.h"
#include "engine/closed_window_registry.h"
#include "engine/scan_record.h"
#include "engine/window_entry.h"
#include "settings/preference_keys.h"

namespace talvora {

namespace {

// The frame delta used when there is no usable previous tick (the first one, or one more
// than a quarter of a second ago): one frame at 120 Hz.
constexpr double kNominalFrameDelta = 1.0 / 120.0;
constexpr double kMaxFrameGap = 0.25;
constexpr double kSettingsRefreshInterval = 1.0;
constexpr double kStateLogInterval = 0.5;

} // namespace

OverlayViewModel::OverlayViewModel(Platform& platform)
    : m_platform(platform)
    , m_ownProcess(platform.processInfo.processIdentifier())
    , m_debugLog(platform.clock, platform.systemLog, platform.files, platform.preferences)
    , m_applications(platform.workspace)
{
    m_detector.appLaunchTime = platform.clock.now();
}

OverlayViewModel::~OverlayViewModel() = default;

void OverlayViewModel::tick()
{
    Clock& clock = m_platform.clock;
    const double now = clock.mediaTime();

    // 1. Frame delta.
    double frameDelta = kNominalFrameDelta;
    if (m_sampling.lastFrameTime != 0 && now - m_sampling.lastFrameTime <= kMaxFrameGap)
        frameDelta = now - m_sampling.lastFrameTime;
    m_sampling.lastFrameTime = now;

    // 2. Settings, at most once a second.
    if (now - m_sampling.lastSettingsRefreshAt >= kSettingsRefreshInterval) {
        m_sampling.lastSettingsRefreshAt = now;
        refreshSettings();
    }

    // 3. Log gate: periodic records of this tick are written at most about twice a second.
    const double logGap = now - m_sampling.lastStateLogTickAt;
    if (logGap >= kStateLogInterval)
        m_sampling.lastStateLogTickAt = now;
    // Records are only formatted when they will be written.
    const bool recordsDue = logGap >= kStateLogInterval && isDebugLoggingEnabled();

    // 4. Fade step.
    fadeStep(now);

    // 5. Suppression after a desktop switch.
    if (suppressionEndsTick(clock.now())) {
        m_sampling.lastTickOutcome = TickOutcome::Suppressed;
        return;
    }

    // 6. The complete window list; a failed or malformed query ends the tick.
    if (!sampleWindowList()) {
        m_sampling.lastTickOutcome = TickOutcome::WindowListFailed;
        return;
    }

    // 7. Screens; an empty answer is asked once more.
    refreshScreenCache();
    if (m_screens.cachedScreenInfos.empty())
        refreshScreenCache();

    // 8. The front window, tracked only while Mission Control is fully closed.
    updateActiveWindowTracking(m_sampling.cachedVisibleWindowList);

    // 9. Forget the areas of windows that are gone. The maps only ever gain windows of the list
    // they were filled from, so while the list holds the same windows nothing can be gone.
    if (collectWindowNumbersOfList()) {
        std::erase_if(m_detector.initialAreas, [&](const auto& e) { return !isInList(e.first); });
        std::erase_if(m_detector.initialAreasFirstSeen, [&](const auto& e) { return !isInList(e.first); });
    }

    // 10–11. The detector: evidence, then decisions.
    const Date dateNow = clock.now();
    m_detectorTick = DetectorTick {};
    runEvidencePasses(now, dateNow);
    runDetector(now, dateNow, recordsDue);

    // 12. Placement while icons are shown.
    if (shouldShowIcons.value())
        runPlacement(dateNow, frameDelta, recordsDue);
    else
        clearPlacement();

    // 13. Duration of the whole tick.
    m_sampling.lastFullUpdateTime = clock.mediaTime() - now;

    // 14. Scan record.
    if (recordsDue)
        writeScanRecord(frameDelta);

    // 15. Registry prune.
    ClosedWindowRegistry::shared().prune(clock.now().addingSeconds(-kClosedWindowRegistryTTL), m_windowsInList);

    // 16. Keep full speed while Mission Control is open or showing early signs.
    if (wantsHighRate())
        extendHighRate(now, shouldShowIcons.value() ? 0.75 : 0.4);

    // 17. Tick mode, then the hover from where the pointer is now.
    m_sampling.lastTickOutcome = TickOutcome::Completed;
    updateTickMode(now);
    updateHover();
}

bool OverlayViewModel::sampleWindowList()
{
    Clock& clock = m_platform.clock;
    const double t0 = clock.mediaTime();
    WindowListReply reply = m_platform.windowServer.copyWindowList(WindowListOption::All, 0);
    if (!reply.ok())
        return false;
    m_sampling.cachedWindowList = std::move(reply.entries);
    m_sampling.cachedVisibleWindowList.clear();
    for (const WindowEntry& entry : *m_sampling.cachedWindowList) {
        if (isOnScreenEntry(entry))
            m_sampling.cachedVisibleWindowList.push_back(&entry);
    }
    m_sampling.lastWindowListTime = clock.mediaTime() - t0;
    m_sampling.cachedListIsFullSweep = true;
    return true;
}

bool OverlayViewModel::collectWindowNumbersOfList()
{
    // From one sample to the next the list mostly holds the same windows in the same order;
    // then the sorted numbers of the last sample still stand.
    m_windowsInListOrder.swap(m_previousWindowsInListOrder);
    m_windowsInListOrder.clear();
    for (const WindowEntry& entry : *m_sampling.cachedWindowList) {
        if (auto number = entryWindowNumber(entry))
            m_windowsInListOrder.push_back(*number);
    }
    if (m_windowsInListOrder == m_previousWindowsInListOrder && m_windowsInListIsSet)
        return false;
    m_windowsInList = m_windowsInListOrder;
    std::sort(m_windowsInList.begin(), m_windowsInList.end());
    m_windowsInListIsSet = true;
    m_listHasRepeatedNumbers = std::adjacent_find(m_windowsInList.begin(), m_windowsInList.end()) != m_windowsInList.end();
    return true;
}

void OverlayViewModel::fadeStep(double now)
{
    if (iconOpacity.value() == m_fade.iconOpacityTarget)
        return;
    iconOpacity.publish(fadedOpacity(m_fade, now));
}

bool OverlayViewModel::suppressionEndsTick(Date dateNow)
{
    if (!(dateNow < m_suppressOverlayUntil))
        return false;
    if (isMCActive.value() || m_detector.isInGracePeriod || shouldShowIcons.value()) {
        m_detector.isInGracePeriod = false;
        m_fade.iconOpacityTarget = 0;
        m_fade.iconOpacityStart = 0;
        m_detector.mcExitTime.reset();
        isMCActive.publish(false);
        shouldShowIcons.publish(false);
        iconOpacity.publish(0);
        activeWindows.publish({});
    }
    clearHover();
    return true;
}

bool OverlayViewModel::wantsHighRate() const
{
    const bool quiet = !m_detectorTick.raw && !isMCActive.value() && !m_detector.isInGracePeriod
        && iconOpacity.value() <= 0.01 && m_detector.missionControlConfidence < 1
        && (m_detector.baselineFullScreenCount < 1 || m_detectorTick.fullScreens <= m_detector.baselineFullScreenCount);
    return !quiet;
}

void OverlayViewModel::writeScanRecord(double frameDelta)
{
    ScanRecord record;
    record.tick = m_detectorTick;
    record.confidence = m_detector.missionControlConfidence;
    record.baseline = m_detector.baselineFullScreenCount;
    record.preExit = m_detector.isPreExitTriggered;
    record.grace = m_detector.isInGracePeriod;
    record.lockRemainingSeconds = m_detector.transitionLockUntil.secondsSince(m_platform.clock.now());
    record.screens = m_screens.cachedScreenInfos;
    record.windowListSeconds = m_sampling.lastWindowListTime;
    record.updateSeconds = m_sampling.lastFullUpdateTime;
    record.frameDeltaSeconds = frameDelta;
    logStateEvent("scan", formatScanDetail(record));
}

void OverlayViewModel::refreshSettings()
{
    m_settings = readCachedSettings(m_platform.preferences);
}

void OverlayViewModel::refreshScreenCache()
{
    m_screens.refresh(m_platform.windowServer, m_platform.screens);
}

void OverlayViewModel::updateActiveWindowTracking(const std::vector<const WindowEntry*>& visibleList)
{
    if (isMCActive.value() || m_detector.isInGracePeriod || m_detector.missionControlConfidence != 0)
        return;
    if (m_platform.clock.now() < m_suppressOverlayUntil)
        return;
    auto front = m_platform.workspace.frontmostApplication();
    if (!front || front->processIdentifier() == m_ownProcess)
        return;
    auto window = frontWindowOfProcess(front->processIdentifier(), visibleList);
    if (!window || m_sampling.currentActiveWindowID == window)
        return;
    auto previous = m_sampling.currentActiveWindowID;
    m_sampling.currentActiveWindowID = window;
    previousActiveWindowID.publish(previous);
}

void OverlayViewModel::setIconOpacityTarget(double target, double duration)
{
    if (!m_settings.fadeEnabled) {
        m_fade.iconOpacityStart = target;
        m_fade.iconOpacityTarget = target;
        iconOpacity.publish(target);
        return;
    }
    m_fade.iconOpacityStart = iconOpacity.value();
    m_fade.iconOpacityStartTime = m_platform.clock.mediaTime();
    m_fade.iconOpacityDuration = duration;
    m_fade.iconOpacityTarget = target;
}

void OverlayViewModel::extendHighRate(double now, double duration)
{
    m_scheduling.highRateUntil = std::max(m_scheduling.highRateUntil, now + duration);
}

void OverlayViewModel::updateTickMode(double now)
{
    TickModeSpec mode = selectTickMode(m_settings.responsiveness, now < m_scheduling.highRateUntil,
        now - m_scheduling.lastUserInputAt);
    if (mode != tickMode.value())
        tickMode.publish(mode);
}

void OverlayViewModel::handleScreenParametersChange()
{
    const double now = m_platform.clock.mediaTime();
    refreshScreenCache();
    extendHighRate(now, 0.4);
    updateTickMode(now);
    // Areas and screens are no longer comparable across a display change.
    m_detector.initialAreas.clear();
    m_detector.initialAreasFirstSeen.clear();
    m_placement.windowInitialScreenIDs.clear();
    m_placement.windowHostScreenIDs.clear();
    m_placement.smoothedPositions.clear();
}

void OverlayViewModel::startUserInputMonitoring()
{
    if (m_userInputMonitor)
        return;
    observeSettingsNotifications();
    // Keys are watched only where the platform delivers them: to a process trusted for
    // Accessibility. The mask is chosen once, now.
    std::uint64_t mask = eventMask(EventType::LeftMouseDown) | eventMask(EventType::RightMouseDown)
        | eventMask(EventType::OtherMouseDown) | eventMask(EventType::ScrollWheel) | eventMask(EventType::Magnify)
        | eventMask(EventType::Swipe);
    if (m_platform.accessibility.isProcessTrusted())
        mask |= eventMask(EventType::KeyDown) | eventMask(EventType::FlagsChanged);
    std::weak_ptr<int> alive = m_lifetime;
    m_userInputMonitor = m_platform.eventMonitors.addGlobalMonitor(mask, [this, alive](EventType) {
        if (alive.expired())
            return;
        m_scheduling.lastUserInputAt = m_platform.clock.mediaTime();
    });
}

void OverlayViewModel::observeSettingsNotifications()
{
    std::weak_ptr<int> alive = m_lifetime;
    m_settingsObservers.push_back(m_platform.notifications.addObserver(NotificationName::responsivenessChanged, [this, alive] {
        if (alive.expired())
            return;
        refreshSettings();
        updateTickMode(m_platform.clock.mediaTime());
    }));
    m_settingsObservers.push_back(m_platform.notifications.addObserver(NotificationName::buttonBehaviorChanged, [this, alive] {
        if (alive.expired())
            return;
        refreshSettings();
    }));
}

} // namespace talvora
