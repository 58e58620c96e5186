#pragma once

#include "diagnostics/debug_log.h"
#include "engine/button_hover_kind.h"
#include "engine/application_cache.h"
#include "engine/detector_state.h"
#include "engine/fade.h"
#include "engine/placement_state.h"
#include "engine/published.h"
#include "engine/records.h"
#include "engine/screen_cache.h"
#include "engine/tick_mode.h"
#include "platform/platform.h"
#include "settings/cached_settings.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

namespace talvora {

// How far the last tick got: a suppression period or a failed window-list query ends a tick
// early, leaving the previous caches and published values as they were.
enum class TickOutcome { NotRun, Completed, Suppressed, WindowListFailed };

// Sampling of the window list: what the last complete query returned and how long it took.
// Media-clock seconds unless named otherwise.
struct SamplingState {
    double lastFrameTime = 0;
    double lastSettingsRefreshAt = 0;
    double lastStateLogTickAt = 0;
    double lastWindowListTime = 0; // duration of the last query, seconds
    double lastFullUpdateTime = 0; // duration of the last complete tick, seconds
    bool cachedListIsFullSweep = false;
    std::shared_ptr<const WindowList> cachedWindowList;
    // Entries of cachedWindowList that are on screen, in the same order; they point into it.
    std::vector<const WindowEntry*> cachedVisibleWindowList;
    std::optional<WindowNumber> currentActiveWindowID;
    TickOutcome lastTickOutcome = TickOutcome::NotRun;
};

// Scheduling inputs, media-clock seconds.
struct SchedulingState {
    double lastUserInputAt = 0;
    double highRateUntil = 0;
};

// The one engine object. Everything runs on the main thread: the frame driver calls `tick`,
// notifications arrive on the main queue.
class OverlayViewModel {
public:
    explicit OverlayViewModel(Platform& platform);
    ~OverlayViewModel();
    OverlayViewModel(const OverlayViewModel&) = delete;
    OverlayViewModel& operator=(const OverlayViewModel&) = delete;

    void tick();

    void refreshSettings();
    void refreshScreenCache();
    void updateActiveWindowTracking(const std::vector<const WindowEntry*>& visibleList);
    const RunningApplicationRef& cachedRunningApplication(ProcessID pid) { return m_applications.cachedRunningApplication(pid); }
    const ImageRef& cachedIcon(const RunningApplicationRef& application) { return m_applications.cachedIcon(application); }
    const ApplicationNames& cachedNames(const RunningApplicationRef& application) { return m_applications.cachedNames(application); }

    // Starts a fade of the global icon opacity, or jumps there when fading is off.
    void setIconOpacityTarget(double target, double duration);
    // highRateUntil becomes the later of its value and now + duration; never shortens it.
    void extendHighRate(double now, double duration);
    // Publishes the tick mode for `now`, only when it differs from the published one.
    void updateTickMode(double now);
    // Registers the two settings notifications and installs the global input monitor whose
    // events shorten the idle interval. Does nothing once a monitor is installed; when the
    // platform refused one, a later call tries again (and registers the observers again).
    void startUserInputMonitoring();
    bool isMonitoringUserInput() const { return m_userInputMonitor != nullptr; }
    // The active Space changed (the workspace's notification).
    void handleSpaceChange();
    // The display configuration changed: screens are re-read and per-window memory that
    // compares areas and screens is forgotten.
    void handleScreenParametersChange();

    void logBlock(std::string_view title) { m_debugLog.logBlock(title); }
    void logStateEvent(std::string_view event, std::string_view detail) { m_debugLog.logStateEvent(event, detail); }
    bool isDebugLoggingEnabled() const { return m_debugLog.isDebugLoggingEnabled(); }
    DebugLog& debugLog() { return m_debugLog; }

    // Published values.
    Published<std::vector<WindowInfo>> activeWindows;
    Published<bool> isMCActive { false };
    Published<bool> shouldShowIcons { false };
    Published<double> iconOpacity { 0.0 };
    Published<std::optional<WindowNumber>> previousActiveWindowID;
    Published<TickModeSpec> tickMode { DisplayLinkMode { 120 } };
    // Hover: the window whose icon's hover zone holds the pointer, the button under it, and a
    // first click waiting for its second.
    Published<std::optional<WindowNumber>> hoveredWindowID;
    Published<std::optional<WindowButton>> hoveredButton;
    Published<std::optional<PendingButtonClick>> pendingButtonClick;
    // Recomputes the hover from the pointer; called at the end of every completed tick. Lets
    // an expired first click go, and publishes each hover field only when it changes.
    void updateHover();
    // Empties the hover and the button under the pointer; a waiting first click stays.
    void clearHover();
    // The pointing hand over a button, the arrow elsewhere.
    void updateCursor();

    // Bookkeeping of close and minimize requests made through the overlay (wall-clock dates).
    // A close hides the icon from the request on; a request that failed shows it again, and so
    // does a window still listed once the close's lifetime has run out (a save sheet kept it).
    void noteCloseRequested(WindowNumber window, Date at) { m_placement.recentlyClosedWindowIDs[window] = at; }
    void forgetCloseRequest(WindowNumber window) { m_placement.recentlyClosedWindowIDs.erase(window); }
    void noteMinimized(WindowNumber window, Date at) { m_placement.recentlyHiddenWindowIDs[window] = at; }
    // Whether a close or minimize through the overlay keeps this window's icon away.
    bool isHiddenByWindowAction(WindowNumber window) const;

    // State, grouped by concern.
    const CachedSettings& settings() const { return m_settings; }
    const SamplingState& sampling() const { return m_sampling; }
    const ScreenCache& screens() const { return m_screens; }
    const DetectorState& detector() const { return m_detector; }
    const DetectorTick& lastDetectorTick() const { return m_detectorTick; }
    const FadeState& fade() const { return m_fade; }
    const PlacementState& placement() const { return m_placement; }
    const SchedulingState& scheduling() const { return m_scheduling; }
    Date suppressOverlayUntil() const { return m_suppressOverlayUntil; }
    void setSuppressOverlayUntil(Date date) { m_suppressOverlayUntil = date; }
    void setLastUserInputAt(double mediaTime) { m_scheduling.lastUserInputAt = mediaTime; }

private:
    bool sampleWindowList();
    // Detector (detector.cpp).
    void runEvidencePasses(double now, Date dateNow);
    void runDetector(double now, Date dateNow, bool logDue);
    void runPreExitDetection(Date dateNow, double sinceActivation);
    void runTransitions(Date dateNow, double sinceActivation);
    void applyCloseEffects(Date dateNow);
    void learnBaseline(double now, Date dateNow);
    // Placement (placement.cpp).
    void runExclusionUpkeep(Date dateNow);
    std::unordered_set<DisplayID> screensWithEstablishedThumbnails(Date dateNow) const;
    void runPlacement(Date dateNow, double frameDelta, bool logDue);
    void clearPlacement();
    void observeSettingsNotifications();
    // Fills m_windowsInList with the window numbers of the complete list, sorted; false when
    // the list holds the same numbers in the same order as the last time.
    bool collectWindowNumbersOfList();
    bool isInList(WindowNumber window) const { return std::binary_search(m_windowsInList.begin(), m_windowsInList.end(), window); }
    void fadeStep(double now);
    bool suppressionEndsTick(Date dateNow);
    bool wantsHighRate() const;
    void writeScanRecord(double frameDelta);
    // Hover (hover.cpp).
    struct ScreenPoint {
        DisplayID screenID = 0;
        Point local; // the screen's overlay space: points, origin top-left, y down
    };
    std::optional<ScreenPoint> pointerOnScreen();
    const WindowInfo* windowUnderPointer(const ScreenPoint& pointer) const;

    Platform& m_platform;
    ProcessID m_ownProcess;
    DebugLog m_debugLog;
    ApplicationCache m_applications;
    CachedSettings m_settings;
    SamplingState m_sampling;
    ScreenCache m_screens;
    DetectorState m_detector;
    DetectorTick m_detectorTick;
    FadeState m_fade;
    PlacementState m_placement;
    SchedulingState m_scheduling;
    Date m_suppressOverlayUntil = Date::distantPast();
    std::vector<WindowNumber> m_windowsInList; // sorted; reused every tick
    std::vector<WindowNumber> m_windowsInListOrder; // as the list has them
    std::vector<WindowNumber> m_previousWindowsInListOrder;
    bool m_windowsInListIsSet = false;
    bool m_listHasRepeatedNumbers = false; // a list that names one window twice
    std::vector<ObserverTokenPtr> m_settingsObservers;
    ObserverTokenPtr m_userInputMonitor;
    // Callbacks hold this weakly and do nothing once the engine is gone.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora
