#include "vmac/mission_control.h"

#include "vmac/spaces.h"

#include <algorithm>

namespace talvora::vmac {

namespace {

constexpr int kDockBackdropLowerLayer = 18;
constexpr int kDockBackdropUpperLayer = 20; // kCGDockWindowLevel
constexpr int kWindowManagerOverviewLayer = 19;
// App Exposé adds the Dock's layer-18 window on every display but no display-sized layer-20
// one (the probes count one layer-20 window during App Exposé, two during Mission Control, the
// Dock's own among them); some builds add a small layer-20 window instead. Its size is from the
// probes; its place, near the bottom of the Dock's display, is a guess.
// Other applications' windows keep their frames in the list during App Exposé (guess: no dump
// found; the overview hides them behind its backdrop).
constexpr Size kAppExposeBadgeSize { 233, 86 };
constexpr double kAppExposeBadgeBottomInset = 40;

// The desktop's windows by number, looked up once per thumbnail: a desktop can hold 10^5
// windows, so a search of the whole list for each would be quadratic.
class WindowsByNumber {
public:
    explicit WindowsByNumber(const VirtualDesktop& desktop)
    {
        m_windows.reserve(desktop.windows.size());
        for (const auto& w : desktop.windows)
            m_windows.emplace(w.number, &w); // the first of equal numbers wins, as a search would find it
    }
    const VirtualWindow* find(WindowNumber number) const
    {
        auto it = m_windows.find(number);
        return it == m_windows.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<WindowNumber, const VirtualWindow*> m_windows;
};

} // namespace

bool isInOverview(const VirtualDesktop& desktop, std::span<const Rect> displayBounds, const VirtualWindow& window, const VirtualApp* app)
{
    if (window.minimized || window.layer != 0 || !app || app->terminated || app->hidden)
        return false;
    return isOnActiveSpace(desktop, displayBounds, window);
}

bool isInOverview(const VirtualDesktop& desktop, std::span<const Rect> displayBounds, const VirtualWindow& window)
{
    auto app = std::find_if(desktop.apps.begin(), desktop.apps.end(), [&](const auto& a) { return a->pid == window.pid; });
    return isInOverview(desktop, displayBounds, window, app == desktop.apps.end() ? nullptr : app->get());
}

MissionControlPhase MissionControl::phase(double now) const
{
    switch (m_state) {
    case State::Visiting:
        return now < m_openEndsAt ? MissionControlPhase::Opening : MissionControlPhase::Open;
    case State::Closing:
        return now < m_closeEndsAt ? MissionControlPhase::Closing : MissionControlPhase::Closed;
    case State::Closed:
        break;
    }
    return MissionControlPhase::Closed;
}

bool MissionControl::backdropsShown(double now) const
{
    if (m_state != State::Visiting || now < m_backdropsFrom)
        return false;
    return !(now >= m_gapFrom && now < m_gapUntil);
}

bool MissionControl::isShown(double now) const
{
    if (phase(now) == MissionControlPhase::Closed)
        return false;
    return now > m_openStartedAt || backdropsShown(now);
}

std::optional<Rect> MissionControl::thumbnailFrame(WindowNumber window, double now) const
{
    auto p = phase(now);
    if (p != MissionControlPhase::Opening && p != MissionControlPhase::Open)
        return std::nullopt;
    auto it = m_windows.find(window);
    if (it == m_windows.end())
        return std::nullopt;
    return it->second.to;
}

MissionControl::BackdropNumbers MissionControl::freshBackdropNumbers()
{
    auto next = [this] {
        WindowNumber n = m_nextNumber;
        m_nextNumber = m_nextNumber >= kLastBackdropNumber ? kFirstBackdropNumber : m_nextNumber + 1;
        return n;
    };
    BackdropNumbers numbers;
    numbers.lower = next();
    numbers.upper = next();
    return numbers;
}

std::unordered_map<WindowNumber, FrameAnimation> MissionControl::thumbnailsOf(const VirtualDesktop& desktop, double now,
    bool windowsNewToTheOverviewAnimateFromTheirFrames) const
{
    const auto screens = globalDisplayBounds(desktop);
    std::vector<LayoutWindow> candidates;
    std::unordered_map<WindowNumber, Rect> framesByNumber;
    const AppsByPID apps(desktop);
    for (const auto& w : desktop.windows) {
        if (isInOverview(desktop, screens, w, apps.find(w.pid)) && (m_kind != OverviewKind::AppExpose || w.pid == m_exposedApp)) {
            candidates.push_back({ w.number, w.bounds });
            framesByNumber.emplace(w.number, w.bounds);
        }
    }
    const auto& timings = desktop.missionControlTimings;
    std::unordered_map<WindowNumber, FrameAnimation> result;
    for (const auto& thumbnail : layoutThumbnails(screens, candidates, desktop.thumbnailLayout)) {
        auto existing = m_windows.find(thumbnail.number);
        FrameAnimation a { thumbnail.frame, thumbnail.frame, now, 0, AnimationCurve::EaseOut };
        if (windowsNewToTheOverviewAnimateFromTheirFrames) {
            Rect from = existing != m_windows.end() ? existing->second.at(now) : framesByNumber.at(thumbnail.number);
            a = { from, thumbnail.frame, now, timings.openDuration, AnimationCurve::SmoothStep };
        } else if (existing != m_windows.end()) {
            if (existing->second.to == thumbnail.frame)
                a = existing->second;
            else
                a = { existing->second.at(now), thumbnail.frame, now, timings.relayoutDuration, AnimationCurve::EaseOut };
        }
        result.emplace(thumbnail.number, a);
    }
    return result;
}

bool MissionControl::open(const VirtualDesktop& desktop, double now, OverviewKind kind)
{
    auto p = phase(now);
    if (p == MissionControlPhase::Opening || p == MissionControlPhase::Open)
        return false;
    if (p == MissionControlPhase::Closed)
        m_windows.clear();
    m_kind = kind;
    m_exposedApp = kind == OverviewKind::AppExpose ? desktop.frontmostPID : std::nullopt;
    const auto& timings = desktop.missionControlTimings;
    m_windows = thumbnailsOf(desktop, now, /*windowsNewToTheOverviewAnimateFromTheirFrames=*/true);
    m_state = State::Visiting;
    m_openStartedAt = now;
    m_openEndsAt = now + timings.openDuration;
    m_backdropsFrom = now + timings.markerDelay;
    m_closeEndsAt = kNever;
    m_gapFrom = m_gapUntil = kNever;
    m_lastOpenStartedAt = now;
    m_backdrops.clear();
    for (std::size_t i = 0; i < desktop.displays.size(); ++i)
        m_backdrops.push_back(freshBackdropNumbers());
    return true;
}

bool MissionControl::close(const VirtualDesktop& desktop, double now)
{
    auto p = phase(now);
    if (p != MissionControlPhase::Opening && p != MissionControlPhase::Open)
        return false;
    const double duration = desktop.missionControlTimings.closeDuration;
    const WindowsByNumber windows(desktop);
    std::erase_if(m_windows, [&](const auto& entry) { return !windows.find(entry.first); });
    for (auto& [number, animation] : m_windows)
        animation = { animation.at(now), windows.find(number)->bounds, now, duration, AnimationCurve::SmoothStep };
    m_state = State::Closing;
    m_closeEndsAt = now + duration;
    m_lastCloseStartedAt = now;
    return true;
}

void MissionControl::spaceSwitched(const VirtualDesktop& desktop, double now)
{
    if (m_state != State::Visiting)
        return;
    m_gapFrom = now;
    m_gapUntil = now + desktop.missionControlTimings.spaceSwitchBackdropGap;
}

void MissionControl::displayAdded()
{
    if (m_state == State::Visiting)
        m_backdrops.push_back(freshBackdropNumbers());
}

void MissionControl::displayRemoved(std::size_t index)
{
    if (index < m_backdrops.size())
        m_backdrops.erase(m_backdrops.begin() + static_cast<std::ptrdiff_t>(index));
}

void MissionControl::desktopChanged(const VirtualDesktop& desktop, double now)
{
    switch (phase(now)) {
    case MissionControlPhase::Closed:
        m_state = State::Closed;
        m_windows.clear();
        return;
    case MissionControlPhase::Closing: {
        // Windows head for their frames and arrive when the close does.
        const auto screens = globalDisplayBounds(desktop);
        const WindowsByNumber windows(desktop);
        const AppsByPID apps(desktop);
        std::erase_if(m_windows, [&](const auto& entry) {
            const VirtualWindow* w = windows.find(entry.first);
            return !w || !isInOverview(desktop, screens, *w, apps.find(w->pid));
        });
        for (auto& [number, animation] : m_windows) {
            const Rect& frame = windows.find(number)->bounds;
            if (animation.to != frame)
                animation = { animation.at(now), frame, now, m_closeEndsAt - now, AnimationCurve::SmoothStep };
        }
        return;
    }
    case MissionControlPhase::Opening:
    case MissionControlPhase::Open:
        m_windows = thumbnailsOf(desktop, now, /*windowsNewToTheOverviewAnimateFromTheirFrames=*/false);
        return;
    }
}

ListPresentation MissionControl::presentation(const VirtualDesktop& desktop, double now) const
{
    ListPresentation p;
    if (phase(now) == MissionControlPhase::Closed)
        return p;
    for (const auto& [number, animation] : m_windows)
        p.presentedBounds.emplace(number, animation.at(now));
    if (!backdropsShown(now))
        return p;
    const auto screens = globalDisplayBounds(desktop);
    for (std::size_t i = 0; i < screens.size() && i < m_backdrops.size(); ++i) {
        const auto& numbers = m_backdrops[i];
        if (desktop.overviewStyle == OverviewStyle::WindowManager) {
            p.transientWindows.push_back(
                { numbers.lower, SystemPID::windowManager, "WindowManager", screens[i], kWindowManagerOverviewLayer });
            continue;
        }
        if (m_kind == OverviewKind::AppExpose) {
            if (i == 0) {
                const Rect badge { screens[i].x + (screens[i].width - kAppExposeBadgeSize.width) / 2,
                    screens[i].maxY() - kAppExposeBadgeBottomInset - kAppExposeBadgeSize.height, kAppExposeBadgeSize.width,
                    kAppExposeBadgeSize.height };
                p.transientWindows.push_back({ numbers.upper, SystemPID::dock, "Dock", badge, kDockBackdropUpperLayer });
            }
        } else {
            p.transientWindows.push_back({ numbers.upper, SystemPID::dock, "Dock", screens[i], kDockBackdropUpperLayer });
        }
        p.transientWindows.push_back({ numbers.lower, SystemPID::dock, "Dock", screens[i], kDockBackdropLowerLayer });
    }
    return p;
}

double MissionControl::settledAt() const
{
    double settled = std::max({ m_openEndsAt, m_backdropsFrom, m_gapUntil, m_closeEndsAt });
    for (const auto& [number, animation] : m_windows)
        settled = std::max(settled, animation.endsAt());
    return settled;
}

} // namespace talvora::vmac
