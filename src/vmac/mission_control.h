#pragma once

#include "vmac/frame_animation.h"
#include "vmac/virtual_desktop.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace talvora::vmac {

enum class MissionControlPhase : std::uint8_t {
    Closed,
    Opening, // windows on their way to their thumbnails
    Open,
    Closing, // thumbnails on their way back to the windows' frames
};

// Which overview is up: Mission Control shows every window of the current Spaces; App Exposé
// only the windows of the application that was in front when it opened.
enum class OverviewKind : std::uint8_t {
    MissionControl,
    AppExpose,
};

// Mission Control as the window list shows it. The desktop keeps the resting state (frames,
// Spaces, order); this object knows what is drawn differently while the overview is up, as a
// function of media-clock time: the bounds at which each window of the current Spaces is
// reported, and the backdrop windows added on every display. Times are media-clock seconds;
// rectangles are in window-server coordinates.
class MissionControl {
public:
    MissionControlPhase phase(double now) const;
    // From the first moment anything shows the overview (bounds moved or backdrops up) until
    // the closing animation ends.
    bool isShown(double now) const;
    bool backdropsShown(double now) const;
    std::optional<double> lastOpenStartedAt() const { return m_lastOpenStartedAt; }
    std::optional<double> lastCloseStartedAt() const { return m_lastCloseStartedAt; }
    // Where a window of the overview is, or is heading, while Mission Control is opening or open.
    std::optional<Rect> thumbnailFrame(WindowNumber window, double now) const;

    // Opening starts from wherever the windows are drawn now, so opening during a close
    // reverses it midway. False when already opening or open.
    bool open(const VirtualDesktop& desktop, double now, OverviewKind kind = OverviewKind::MissionControl);
    // The overview of the last opening.
    OverviewKind kind() const { return m_kind; }
    // False unless opening or open.
    bool close(const VirtualDesktop& desktop, double now);
    // The active Space of a display changed: inside Mission Control the backdrops vanish for a
    // moment. Call `desktopChanged` as well.
    void spaceSwitched(const VirtualDesktop& desktop, double now);
    // Keep the backdrops in step with the desktop's displays (added at the end, or removed at
    // an index).
    void displayAdded();
    void displayRemoved(std::size_t index);
    // Anything of the desktop changed: the layout re-flows. Windows new to the overview appear
    // at their thumbnails, others animate to their new ones, windows that left it are drawn
    // where they are. While closing, windows follow changes of their frames.
    void desktopChanged(const VirtualDesktop& desktop, double now);

    ListPresentation presentation(const VirtualDesktop& desktop, double now) const;
    // From this time on, and until the next call that changes something, the presentation
    // stays the same.
    double settledAt() const;

private:
    enum class State : std::uint8_t { Closed, Visiting, Closing };
    struct BackdropNumbers {
        WindowNumber lower = 0; // the Dock's layer 18, or WindowManager's layer 19
        WindowNumber upper = 0; // the Dock's layer 20
    };

    BackdropNumbers freshBackdropNumbers();
    std::unordered_map<WindowNumber, FrameAnimation> thumbnailsOf(const VirtualDesktop& desktop, double now,
        bool windowsNewToTheOverviewAnimateFromTheirFrames) const;

    static constexpr double kNever = std::numeric_limits<double>::lowest();

    State m_state = State::Closed;
    OverviewKind m_kind = OverviewKind::MissionControl;
    std::optional<ProcessID> m_exposedApp; // App Exposé's application
    double m_openStartedAt = kNever;
    double m_openEndsAt = kNever;
    double m_backdropsFrom = kNever;
    double m_closeEndsAt = kNever;
    double m_gapFrom = kNever;
    double m_gapUntil = kNever;
    std::optional<double> m_lastOpenStartedAt;
    std::optional<double> m_lastCloseStartedAt;
    std::unordered_map<WindowNumber, FrameAnimation> m_windows;
    std::vector<BackdropNumbers> m_backdrops; // parallel to the desktop's displays during a visit
    WindowNumber m_nextNumber = kFirstBackdropNumber;

    // Backdrops get fresh numbers on every visit (guess), from a range no other window uses here.
    static constexpr WindowNumber kFirstBackdropNumber = 30001;
    static constexpr WindowNumber kLastBackdropNumber = 49999;
};

// Whether Mission Control shows this window as a thumbnail: an on-screen layer-0 window of a
// running, unhidden application, on the active Space of its display.
bool isInOverview(const VirtualDesktop& desktop, std::span<const Rect> displayBounds, const VirtualWindow& window);
// The same, with the window's application already found (null when it has none).
bool isInOverview(const VirtualDesktop& desktop, std::span<const Rect> displayBounds, const VirtualWindow& window, const VirtualApp* app);

} // namespace talvora::vmac
