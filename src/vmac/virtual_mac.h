#pragma once

#include "platform/clock.h"
#include "platform/notification_center.h"
#include "platform/screens.h"
#include "platform/window_list.h"
#include "platform/workspace.h"
#include "vmac/virtual_desktop.h"

#include <memory>
#include <optional>

namespace talvora::vmac {

// The window server, the screens, the workspace and the process information of a simulated
// Mac. The interface overrides are private: the system reaches them only through the platform
// interfaces, while scenarios and tests change the desktop through the public verbs.
class VirtualMac final : public WindowServer, public Screens, public Workspace, public ProcessInfo {
public:
    // `ownPID` is the process id of the program that runs on this Mac (it owns the overlay
    // windows and the status item). Animations run on `clock`'s media time; Space changes are
    // posted on `workspaceNotifications`. Both outlive the Mac.
    VirtualMac(VirtualDesktop desktop, ProcessID ownPID, const Clock& clock, NotificationCenter& workspaceNotifications);

    const VirtualDesktop& desktop() const { return m_desktop; }
    ProcessID ownPID() const { return m_ownPID; }

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

    // Display verbs. A display added to an empty desktop becomes the primary.
    void addDisplay(const VirtualDisplay& display);
    bool removeDisplay(std::optional<DisplayID> number);

    void setScreenRecordingGranted(bool granted);
    // The next window-list query fails: it returns nothing (Null) or a value that is not an
    // array of dictionaries (Malformed).
    void failNextWindowListQuery(WindowListReply::Status how) { m_nextQueryFailure = how; }

    // How many window-list queries were answered.
    int windowListQueryCount() const { return m_queryCount; }

private:
    // WindowServer:
    WindowListReply copyWindowList(WindowListOption option, WindowNumber relativeToWindow) override;
    Rect displayBounds(DisplayID display) override;
    DisplayID mainDisplayID() override;
    // Screens:
    std::vector<ScreenDescription> screens() override;
    // Workspace:
    RunningApplicationRef runningApplication(ProcessID pid) override;
    std::vector<RunningApplicationRef> runningApplications(const std::string& bundleIdentifier) override;
    RunningApplicationRef frontmostApplication() override;
    ImageRef iconForFile(const std::string& path) override;
    // ProcessInfo:
    ProcessID processIdentifier() const override { return m_ownPID; }

    VirtualWindow* findWindow(WindowNumber window);
    std::shared_ptr<VirtualApp> findApp(ProcessID pid) const;
    double primaryHeight() const;
    void rehomeStrandedWindows();
    void changed() { m_cachedAll.reset(); m_cachedOnScreen.reset(); }

    VirtualDesktop m_desktop;
    ProcessID m_ownPID;
    const Clock& m_clock;
    NotificationCenter& m_workspaceNotifications;
    std::optional<WindowListReply::Status> m_nextQueryFailure;
    // The window list is rebuilt only after the desktop changed, as the window server keeps
    // its own state between queries.
    std::shared_ptr<const WindowList> m_cachedAll;
    std::shared_ptr<const WindowList> m_cachedOnScreen;
    int m_queryCount = 0;
};

// A solid square icon of the given colour (0xAARRGGBB), 64 by 64 pixels.
ImageRef makeSolidIcon(std::uint32_t argb);

} // namespace talvora::vmac
