#include "vmac/virtual_mac.h"

#include "vmac/spaces.h"

#include <algorithm>

namespace talvora::vmac {

namespace {

// A live handle on a process, as NSRunningApplication is: hiding or quitting the process shows
// through a handle taken earlier.
class VirtualRunningApplication final : public RunningApplication {
public:
    explicit VirtualRunningApplication(std::shared_ptr<const VirtualApp> app)
        : m_app(std::move(app))
    {
    }

private:
    // RunningApplication:
    ProcessID processIdentifier() const override { return m_app->pid; }
    std::optional<std::string> bundleIdentifier() const override { return m_app->bundleIdentifier; }
    std::optional<std::string> localizedName() const override { return m_app->localizedName; }
    ActivationPolicy activationPolicy() const override { return m_app->activationPolicy; }
    bool isHidden() const override { return m_app->hidden; }
    bool isTerminated() const override { return m_app->terminated; }
    ImageRef icon() const override { return m_app->icon; }
    std::optional<std::string> bundlePath() const override { return m_app->bundlePath; }

    std::shared_ptr<const VirtualApp> m_app;
};

} // namespace

ImageRef makeSolidIcon(std::uint32_t argb)
{
    auto image = std::make_shared<Image>();
    image->width = 64;
    image->height = 64;
    image->pixels.assign(64 * 64, argb);
    return image;
}

namespace {

// Every display has at least one Space, and its active Space is one of them.
void normalizeSpaces(VirtualDisplay& display)
{
    display.spaceCount = std::max(display.spaceCount, 1);
    display.activeSpace = std::clamp(display.activeSpace, 0, display.spaceCount - 1);
}

} // namespace

VirtualMac::VirtualMac(VirtualDesktop desktop, ProcessID ownPID, const Clock& clock, NotificationCenter& workspaceNotifications)
    : m_desktop(std::move(desktop))
    , m_ownPID(ownPID)
    , m_clock(clock)
    , m_workspaceNotifications(workspaceNotifications)
{
    for (auto& d : m_desktop.displays)
        normalizeSpaces(d);
}

WindowListReply VirtualMac::copyWindowList(WindowListOption option, WindowNumber)
{
    ++m_queryCount;
    if (m_nextQueryFailure) {
        auto status = *m_nextQueryFailure;
        m_nextQueryFailure.reset();
        return { status, nullptr };
    }
    auto& cache = option == WindowListOption::All ? m_cachedAll : m_cachedOnScreen;
    if (!cache)
        cache = std::make_shared<const WindowList>(buildWindowList(m_desktop, m_ownPID, option));
    return { WindowListReply::Status::Ok, cache };
}

double VirtualMac::primaryHeight() const
{
    return m_desktop.displays.empty() ? 0 : m_desktop.displays.front().frame.height;
}

Rect VirtualMac::displayBounds(DisplayID display)
{
    for (const auto& d : m_desktop.displays) {
        if (d.number == display)
            return globalFromAppKitFrame(d.frame, primaryHeight());
    }
    return {};
}

DisplayID VirtualMac::mainDisplayID()
{
    if (m_desktop.displays.empty())
        return 0;
    return m_desktop.displays.front().number.value_or(0);
}

std::vector<ScreenDescription> VirtualMac::screens()
{
    std::vector<ScreenDescription> result;
    result.reserve(m_desktop.displays.size());
    for (const auto& d : m_desktop.displays)
        result.push_back({ d.frame, d.number ? Value::integer(*d.number) : Value() });
    return result;
}

std::shared_ptr<VirtualApp> VirtualMac::findApp(ProcessID pid) const
{
    for (const auto& app : m_desktop.apps) {
        if (app->pid == pid)
            return app;
    }
    return nullptr;
}

RunningApplicationRef VirtualMac::runningApplication(ProcessID pid)
{
    auto app = findApp(pid);
    if (!app || app->terminated)
        return nullptr;
    return std::make_shared<VirtualRunningApplication>(app);
}

std::vector<RunningApplicationRef> VirtualMac::runningApplications(const std::string& bundleIdentifier)
{
    std::vector<RunningApplicationRef> result;
    for (const auto& app : m_desktop.apps) {
        if (!app->terminated && app->bundleIdentifier == bundleIdentifier)
            result.push_back(std::make_shared<VirtualRunningApplication>(app));
    }
    return result;
}

RunningApplicationRef VirtualMac::frontmostApplication()
{
    if (!m_desktop.frontmostPID)
        return nullptr;
    return runningApplication(*m_desktop.frontmostPID);
}

ImageRef VirtualMac::iconForFile(const std::string& path)
{
    for (const auto& app : m_desktop.apps) {
        if (app->bundlePath == path && app->bundleIcon)
            return app->bundleIcon;
    }
    return nullptr;
}

VirtualWindow* VirtualMac::findWindow(WindowNumber window)
{
    auto it = std::find_if(m_desktop.windows.begin(), m_desktop.windows.end(), [&](const auto& w) { return w.number == window; });
    return it == m_desktop.windows.end() ? nullptr : &*it;
}

bool VirtualMac::setWindowBounds(WindowNumber window, const Rect& bounds)
{
    auto* w = findWindow(window);
    if (!w)
        return false;
    w->bounds = bounds;
    changed();
    return true;
}

bool VirtualMac::moveWindow(WindowNumber window, Point origin)
{
    auto* w = findWindow(window);
    if (!w)
        return false;
    return setWindowBounds(window, { origin.x, origin.y, w->bounds.width, w->bounds.height });
}

bool VirtualMac::openWindow(const VirtualWindow& window)
{
    if (!findApp(window.pid) || findWindow(window.number) || window.number == 0)
        return false;
    auto firstOfApp = std::find_if(m_desktop.windows.begin(), m_desktop.windows.end(), [&](const auto& w) { return w.pid == window.pid; });
    m_desktop.windows.insert(firstOfApp, window);
    changed();
    return true;
}

bool VirtualMac::closeWindow(WindowNumber window)
{
    auto removed = std::erase_if(m_desktop.windows, [&](const auto& w) { return w.number == window; });
    if (removed)
        changed();
    return removed > 0;
}

bool VirtualMac::setWindowMinimized(WindowNumber window, bool minimized)
{
    auto* w = findWindow(window);
    if (!w)
        return false;
    w->minimized = minimized;
    changed();
    return true;
}

bool VirtualMac::activateApp(ProcessID pid)
{
    auto app = findApp(pid);
    if (!app || app->terminated)
        return false;
    app->hidden = false;
    m_desktop.frontmostPID = pid;
    // The application's windows come forward, keeping their own order.
    std::stable_partition(m_desktop.windows.begin(), m_desktop.windows.end(), [&](const auto& w) { return w.pid == pid; });
    changed();
    return true;
}

bool VirtualMac::setAppHidden(ProcessID pid, bool hidden)
{
    auto app = findApp(pid);
    if (!app || app->terminated)
        return false;
    app->hidden = hidden;
    if (hidden && m_desktop.frontmostPID == pid) {
        // The next application with a window becomes the front one, as on a Mac.
        m_desktop.frontmostPID.reset();
        for (const auto& w : m_desktop.windows) {
            auto other = findApp(w.pid);
            if (other && !other->hidden && !other->terminated && other->activationPolicy == ActivationPolicy::Regular) {
                m_desktop.frontmostPID = w.pid;
                break;
            }
        }
    }
    changed();
    return true;
}

bool VirtualMac::quitApp(ProcessID pid)
{
    auto app = findApp(pid);
    if (!app || app->terminated)
        return false;
    setAppHidden(pid, true);
    app->hidden = false;
    app->terminated = true;
    std::erase_if(m_desktop.windows, [&](const auto& w) { return w.pid == pid; });
    changed();
    return true;
}

void VirtualMac::launchApp(std::shared_ptr<VirtualApp> app)
{
    m_desktop.apps.push_back(std::move(app));
    changed();
}

void VirtualMac::addDisplay(const VirtualDisplay& display)
{
    m_desktop.displays.push_back(display);
    normalizeSpaces(m_desktop.displays.back());
    changed();
}

bool VirtualMac::removeDisplay(std::optional<DisplayID> number)
{
    auto it = std::find_if(m_desktop.displays.begin(), m_desktop.displays.end(), [&](const auto& d) { return d.number == number; });
    if (it == m_desktop.displays.end())
        return false;
    const bool wasPrimary = it == m_desktop.displays.begin();
    m_desktop.displays.erase(it);
    if (wasPrimary && !m_desktop.displays.empty()) {
        // AppKit frames are relative to the primary display, and the next display takes its role.
        Rect newPrimary = m_desktop.displays.front().frame;
        for (auto& d : m_desktop.displays) {
            d.frame.x -= newPrimary.x;
            d.frame.y -= newPrimary.y;
        }
    }
    rehomeStrandedWindows();
    changed();
    return true;
}

void VirtualMac::rehomeStrandedWindows()
{
    // Windows left on no display are gathered onto the primary one, below its menu bar, into
    // the Space it shows.
    if (m_desktop.displays.empty())
        return;
    const std::vector<Rect> screens = globalDisplayBounds(m_desktop);
    const Rect& primary = screens.front();
    double offset = 0;
    for (auto& w : m_desktop.windows) {
        bool visible = std::any_of(screens.begin(), screens.end(), [&](const Rect& s) { return intersectionArea(s, w.bounds) > 0; });
        if (visible)
            continue;
        w.bounds.x = primary.x + 40 + offset;
        w.bounds.y = primary.y + m_desktop.displays.front().menuBarHeight + 20 + offset;
        w.space = m_desktop.displays.front().activeSpace;
        offset += 24;
    }
}

void VirtualMac::setScreenRecordingGranted(bool granted)
{
    m_desktop.screenRecordingGranted = granted;
    changed();
}

} // namespace talvora::vmac
