#pragma once

#include "platform/app_windows.h"
#include "platform/clock.h"
#include "platform/notification_center.h"
#include "platform/screens.h"
#include "platform/window_list.h"
#include "platform/workspace.h"
#include "vmac/mission_control.h"
#include "vmac/virtual_app_window.h"
#include "vmac/virtual_desktop.h"
#include "vmac/virtual_status_bar.h"

#include <memory>
#include <optional>

namespace talvora::vmac {

class AppBundles;

// The window server, the screens, the workspace and the process information of a simulated
// Mac. The interface overrides are private: the system reaches them only through the platform
// interfaces, while scenarios and tests change the desktop through the public verbs.
// Where a click went, as the window server routed it.
struct ClickTarget {
    enum class Kind {
        OwnWindow, // a window of the program on this Mac that accepts the mouse
        Thumbnail, // a window's thumbnail in Mission Control: the overview is left with it in front
        Overview, // Mission Control's backdrop outside every thumbnail: the overview closes
        Window, // another application's window: it comes to the front
        MenuBar, // a menu bar or another process's status item
        StatusItem, // the program's own status item: its menu opens
        Menu, // the program's open status menu, on the row `row` (outside its rows it just closes)
        Desktop, // the desktop picture
        Nothing, // no display there
    };
    Kind kind = Kind::Nothing;
    WindowNumber window = 0; // the window clicked, for OwnWindow, Thumbnail and Window
    // OwnWindow: AppKit's locationInWindow, bottom-left origin; StatusItem: the window-server
    // point clicked.
    Point locationInWindow;
    std::optional<std::size_t> row; // Menu only: the row chosen
};

class VirtualMac final : public WindowServer, public Screens, public Workspace, public ProcessInfo, public AppWindows {
public:
    // `ownPID` is the process id of the program that runs on this Mac (it owns the overlay
    // windows and the status item). Animations run on `clock`'s media time; Space changes are
    // posted on `workspaceNotifications`. Both outlive the Mac.
    VirtualMac(VirtualDesktop desktop, ProcessID ownPID, const Clock& clock, NotificationCenter& workspaceNotifications);

    const VirtualDesktop& desktop() const { return m_desktop; }
    ProcessID ownPID() const { return m_ownPID; }
    // The clock the Mac animates on: what a compositor reads to draw the moment it shows.
    const Clock& clock() const { return m_clock; }

    // Window verbs. Unknown windows and processes are ignored and reported as false.
    bool setWindowBounds(WindowNumber window, const Rect& bounds);
    bool moveWindow(WindowNumber window, Point origin);
    bool openWindow(const VirtualWindow& window); // in front of its application's windows
    bool closeWindow(WindowNumber window);
    bool setWindowMinimized(WindowNumber window, bool minimized);

    // Application verbs.
    bool activateApp(ProcessID pid); // front application, its windows brought forward
    bool setAppHidden(ProcessID pid, bool hidden);
    bool quitApp(ProcessID pid);
    void launchApp(std::shared_ptr<VirtualApp> app);

    // The application's default notification centre, where display changes are posted.
    void setApplicationNotifications(NotificationCenter* center) { m_applicationNotifications = center; }
    // The applications installed on the disk: where the workspace finds bundles, their Info.plist
    // and their icons. Without one nothing is installed. It outlives the Mac.
    void setAppBundles(const AppBundles* bundles) { m_appBundles = bundles; }

    // Display verbs. A display added to an empty desktop becomes the primary.
    void addDisplay(const VirtualDisplay& display);
    bool removeDisplay(std::optional<DisplayID> number);

    // Mission Control. Opening animates every window of the current Spaces to its thumbnail
    // and adds the overview's backdrops on every display; closing reverses it. Opening while
    // closing reverses the close midway. False when the verb does not apply in the current phase.
    bool openMissionControl();
    bool closeMissionControl(); // the front window stays in front
    void pressMissionControlKey(); // opens, or closes when opening or open (App Exposé too)
    // App Exposé: the front application's windows of the current Spaces as thumbnails, over
    // the same kind of backdrop; `closeMissionControl` and `clickThumbnail` leave it.
    bool openAppExpose();
    // Leaves Mission Control with this window in front: its application active, the window
    // first of its layer. False unless the window is a thumbnail of the open overview.
    bool clickThumbnail(WindowNumber window);
    void setOverviewStyle(OverviewStyle style);

    // Ground truth for measuring the detector.
    MissionControlPhase missionControlPhase() const;
    // Which overview the phase belongs to.
    OverviewKind overviewKind() const { return m_missionControl.kind(); }
    // From the first moment the window list shows the overview until the closing animation ends.
    bool isMissionControlShown() const;
    std::optional<double> lastMissionControlOpenStart() const; // media seconds
    std::optional<double> lastMissionControlCloseStart() const; // media seconds
    // Where a window's thumbnail is (or is heading) while Mission Control opens or is open.
    std::optional<Rect> thumbnailFrame(WindowNumber window) const;

    // Spaces, per display (nothing names a display without a number). Switching posts the
    // workspace's active-Space notification; inside Mission Control the backdrops vanish for a
    // moment and the new Space's windows come in as thumbnails. False for an unknown display,
    // a Space out of range or the Space already shown.
    bool switchSpace(std::optional<DisplayID> display, int space);
    bool addSpace(std::optional<DisplayID> display);

    void setScreenRecordingGranted(bool granted);
    // The next window-list query fails: it returns nothing (Null) or a value that is not an
    // array of dictionaries (Malformed).
    void failNextWindowListQuery(WindowListReply::Status how) { m_nextQueryFailure = how; }

    // The program's own windows that are still held, oldest first.
    std::vector<std::shared_ptr<VirtualAppWindow>> ownWindows() const;
    // A window-server point in AppKit global coordinates.
    Point appKitPoint(Point windowServerPoint) const { return { windowServerPoint.x, primaryHeight() - windowServerPoint.y }; }
    // A point given from the top-left corner of a numbered display, y down, in AppKit global
    // coordinates; nothing for an unknown display.
    std::optional<Point> displayPointToAppKit(DisplayID display, Point local) const;
    // What the window server shows at this moment instead of the resting desktop.
    ListPresentation presentation() const;
    // Where a left click at a point in AppKit global coordinates goes, as the window server
    // routes it: to the front-most window there, except that a window ignoring the mouse lets
    // it through. Routing alone changes nothing.
    ClickTarget routeClick(Point location) const;
    // What a click does once its owner has received it: a thumbnail leaves Mission Control
    // with its window in front, the overview's backdrop leaves it, a window comes to the front.
    void applyClick(const ClickTarget& target);

    // The program's status items and its open status menu.
    VirtualStatusBar& statusBar() { return m_statusBar; }
    const VirtualStatusBar& statusBar() const { return m_statusBar; }
    // Where the program's status item stands on a display, in window-server points; nothing
    // when the program has no item or the display does not exist.
    std::optional<Rect> ownStatusItemFrame(std::size_t displayIndex) const;

    // Counts every change of what the Mac shows (desktop, windows, the program's own windows
    // and status item), so that a compositor knows when to draw again.
    std::uint64_t changeCount() const { return m_changeCount; }

    // How many window-list queries were answered.
    int windowListQueryCount() const { return m_queryCount; }

private:
    // WindowServer:
    WindowListReply copyWindowList(WindowListOption option, WindowNumber relativeToWindow) override;
    Rect displayBounds(DisplayID display) override;
    DisplayID mainDisplayID() override;
    // Screens:
    std::vector<ScreenDescription> screens() override;
    std::optional<ScreenDescription> mainScreen() override;
    // Workspace:
    RunningApplicationRef runningApplication(ProcessID pid) override;
    std::vector<RunningApplicationRef> runningApplications(const std::string& bundleIdentifier) override;
    RunningApplicationRef frontmostApplication() override;
    ImageRef iconForFile(const std::string& path) override;
    std::optional<std::string> applicationPath(const std::string& bundleIdentifier) override;
    std::optional<std::map<std::string, Value>> bundleInfoDictionary(const std::string& bundlePath) override;
    // ProcessInfo:
    ProcessID processIdentifier() const override { return m_ownPID; }
    // AppWindows:
    std::vector<AppWindowRef> windows() override;
    AppWindowRef createWindow(const Rect& contentRect, std::uint64_t styleMask, WindowClassTraits traits) override;

    VirtualWindow* findWindow(WindowNumber window);
    std::shared_ptr<VirtualApp> findApp(ProcessID pid) const;
    double primaryHeight() const;
    void rehomeStrandedWindows();
    void postScreenParametersChange();
    void refocusOnSpaceOf(std::optional<DisplayID> display);
    double now() const { return m_clock.mediaTime(); }
    // After every change of the desktop: the overview re-flows and the lists are built anew.
    void changed();
    // After a change of the program's own windows: only the lists are built anew.
    void ownWindowsChanged();
    std::vector<OwnWindowListing> ownWindowListings() const;

    // A list built at one media time. While anything animates it holds only for that time;
    // once everything has settled it holds until the desktop changes.
    struct CachedList {
        std::shared_ptr<const WindowList> list;
        double builtAt = 0;
        bool settled = false;
    };

    VirtualDesktop m_desktop;
    ProcessID m_ownPID;
    const Clock& m_clock;
    NotificationCenter& m_workspaceNotifications;
    NotificationCenter* m_applicationNotifications = nullptr;
    const AppBundles* m_appBundles = nullptr;
    MissionControl m_missionControl;
    // A Space switch inside Mission Control moves the focus when the overview is left.
    bool m_spaceSwitchedDuringVisit = false;
    std::optional<DisplayID> m_displaySwitchedDuringVisit;
    std::optional<WindowListReply::Status> m_nextQueryFailure;
    CachedList m_cachedAll;
    CachedList m_cachedOnScreen;
    int m_queryCount = 0;
    std::uint64_t m_changeCount = 0;
    std::vector<std::weak_ptr<VirtualAppWindow>> m_ownWindows;
    VirtualStatusBar m_statusBar;
    WindowNumber m_nextOwnWindowNumber = 9001;
    // Own windows report changes through this; they may outlive the Mac.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

// A solid square icon of the given colour (0xAARRGGBB), 64 by 64 pixels.
ImageRef makeSolidIcon(std::uint32_t argb);

} // namespace talvora::vmac
