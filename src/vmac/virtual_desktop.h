#pragma once

#include "platform/geometry.h"
#include "platform/window_list.h"
#include "platform/workspace.h"
#include "vmac/mission_control_timings.h"
#include "vmac/thumbnail_layout.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace talvora::vmac {

// One display. `frame` is in AppKit coordinates (origin at the bottom-left of the primary
// display, y up), as NSScreen reports it; the first display is the primary one.
struct VirtualDisplay {
    std::optional<DisplayID> number; // "NSScreenNumber"; a display without one is possible
    Rect frame;
    double menuBarHeight = 24; // 24 on current systems, 37 on a display with a notch
    int spaceCount = 1; // Spaces of this display (at least one)
    int activeSpace = 0; // index of the Space shown, 0 … spaceCount − 1
};

// Ways a window's entry in the list can be damaged: keys left out or of the wrong type, as
// the window server's dictionaries can be. Only the named keys are touched.
enum class EntryQuirk : std::uint8_t {
    NoNumber,
    NumberAsString,
    NoOwnerName,
    NoOwnerPID,
    PIDAsString,
    NoBounds,
    BoundsNotADictionary,
    NoBoundsHeight,
    BoundsAsStrings,
    NoLayer,
    FractionalLayer,
    NoAlpha,
    AlphaAsString,
    OnScreenAsInteger,
    TitleAsNumber,
};

// Ways an application's Accessibility can misbehave, per application or per window: the
// window left out of AXWindows, an element whose window number reads 0, a window without a
// close or minimize button, a press that fails, AXWindows of the wrong type (application
// only), an application that hangs (application only: every request waits out the messaging
// timeout and fails), and a close answered with a save sheet that keeps the window.
enum class AXQuirk : std::uint8_t {
    MissingFromWindows,
    WindowNumberZero,
    NoCloseButton,
    NoMinimizeButton,
    PressFails,
    WindowsWrongType,
    Hangs,
    SaveSheetOnClose,
};
// The quirk named in a scenario ("missingFromWindows", "hangs", …).
std::optional<AXQuirk> axQuirkNamed(std::string_view name);

// A window of an application or of a system process, in window-server coordinates.
struct VirtualWindow {
    WindowNumber number = 0;
    ProcessID pid = 0;
    std::optional<std::string> title; // nothing: the window has no name at all
    Rect bounds;
    int layer = 0;
    double alpha = 1;
    bool minimized = false;
    std::vector<EntryQuirk> quirks;
    std::vector<AXQuirk> axQuirks;
    int space = 0; // index of its Space on the display it lives on
};

// The quirk named in a scenario ("noNumber", "fractionalLayer", …).
std::optional<EntryQuirk> entryQuirkNamed(std::string_view name);
// Applies a quirk to an entry built from a well-formed window.
void applyQuirk(WindowEntry& entry, EntryQuirk quirk);

// One running (or quit) process with windows.
struct VirtualApp {
    ProcessID pid = 0;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;
    bool hidden = false;
    bool terminated = false;
    ImageRef icon;
    std::optional<std::string> bundlePath;
    ImageRef bundleIcon; // what the workspace shows for the bundle on disk
    std::vector<AXQuirk> axQuirks; // for the application and every window of it
};

// Who draws Mission Control's overview. Current systems add the Dock's display-sized windows
// at layers 18 and 20; a newer system ("macOS 27") draws it with one WindowManager window at
// layer 19 per display instead, which a detector counting Dock and Window Server backdrops
// does not see. Off by default; there to measure that risk.
enum class OverviewStyle : std::uint8_t { Dock, WindowManager };

// What the window server holds: displays, processes and their windows, front to back within
// each layer. The system processes (Window Server, Dock, Control Center) are built in.
struct VirtualDesktop {
    std::vector<VirtualDisplay> displays;
    // Shared so that a running-application handle follows its process; a quit process stays
    // here, marked terminated.
    std::vector<std::shared_ptr<VirtualApp>> apps;
    std::vector<VirtualWindow> windows; // front to back
    std::optional<ProcessID> frontmostPID;
    bool screenRecordingGranted = true;
    // Localized owner name of Control Center, which a Polish system calls "Centrum sterowania".
    std::string controlCenterName = "Control Center";
    // Off-screen entries per on-screen entry: macOS lists about ten times as many windows with
    // kCGWindowListOptionAll as are on screen (helpers, proxies, closed Space windows).
    int offScreenEntriesPerOnScreen = 9;
    OverviewStyle overviewStyle = OverviewStyle::Dock;
    MissionControlTimings missionControlTimings;
    ThumbnailLayoutRules thumbnailLayout;
};

// The desktop's applications by process id, for passes over every window: a desktop can hold
// 10^4 applications and 10^5 windows, too many to search the list for each window.
class AppsByPID {
public:
    explicit AppsByPID(const VirtualDesktop& desktop)
    {
        m_apps.reserve(desktop.apps.size());
        for (const auto& app : desktop.apps)
            m_apps.emplace(app->pid, app.get()); // the first of equal ids wins, as a search would find it
    }
    const VirtualApp* find(ProcessID pid) const
    {
        auto it = m_apps.find(pid);
        return it == m_apps.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<ProcessID, const VirtualApp*> m_apps;
};

// The status items on every menu bar, right to left from a small inset at its right edge: the
// running program's own item first, then Control Center's, with their widths in points.
inline constexpr double kStatusItemsRightInset = 8;
inline constexpr double kOwnStatusItemWidth = 33;
struct StatusItem {
    const char* name;
    double width;
};
inline constexpr StatusItem kControlCenterItems[] = { { "Clock", 131 }, { "BentoBox", 33 }, { "FocusModes", 33 } };

// The layer of the Dock's own display-sized window (and of its bar).
inline constexpr int kDockWindowLayer = 20;

// Process ids and window numbers of the built-in system processes.
namespace SystemPID {
inline constexpr ProcessID windowServer = 155;
inline constexpr ProcessID dock = 612;
inline constexpr ProcessID controlCenter = 640;
inline constexpr ProcessID windowManager = 668;
} // namespace SystemPID

// AppKit frame of a display given its window-server rectangle and the primary display's height,
// and the reverse.
inline Rect appKitFrameFromGlobal(const Rect& global, double primaryHeight)
{
    return { global.x, primaryHeight - global.maxY(), global.width, global.height };
}
inline Rect globalFromAppKitFrame(const Rect& frame, double primaryHeight)
{
    return { frame.x, primaryHeight - frame.maxY(), frame.width, frame.height };
}

// A display-sized system window that exists only for a while (Mission Control's backdrops):
// unnamed, on screen, in window-server coordinates.
struct TransientSystemWindow {
    WindowNumber number = 0;
    ProcessID pid = 0;
    std::string owner;
    Rect bounds;
    int layer = 0;
};

// What an animation shows at one moment instead of the desktop's resting state: the bounds at
// which windows are drawn (thumbnails, or on their way to or from them) and transient system
// windows.
struct ListPresentation {
    std::unordered_map<WindowNumber, Rect> presentedBounds;
    std::vector<TransientSystemWindow> transientWindows;
};

// A window of the program running on this Mac, as the list shows it: window-server bounds,
// front to back within its layer.
struct OwnWindowListing {
    WindowNumber number = 0;
    Rect bounds;
    int layer = 0;
    double alpha = 1;
    bool onScreen = false;
};

// The window list as CGWindowListCopyWindowInfo reports it for this desktop: highest layer
// first, front to back within a layer, the on-screen key left out for windows off screen (of
// another Space, minimized, of a hidden application), and other processes' window names left
// out while screen recording is not granted. The asking process's status item is on every
// menu bar while `ownStatusItem` says it has one.
WindowList buildWindowList(const VirtualDesktop& desktop, ProcessID askingProcess, WindowListOption option,
    const ListPresentation& presentation = {}, const std::vector<OwnWindowListing>& ownWindows = {}, bool ownStatusItem = false);

} // namespace talvora::vmac
