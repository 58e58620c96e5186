#include "vmac/virtual_mac.h"

#include "vmac/app_bundles.h"
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
    m_statusBar.setOnItemChange([this] { ownWindowsChanged(); });
}

void VirtualMac::changed()
{
    ++m_changeCount;
    m_cachedAll.list.reset();
    m_cachedOnScreen.list.reset();
    m_missionControl.desktopChanged(m_desktop, now());
}

WindowListReply VirtualMac::copyWindowList(WindowListOption option, WindowNumber)
{
    ++m_queryCount;
    if (m_nextQueryFailure) {
        auto status = *m_nextQueryFailure;
        m_nextQueryFailure.reset();
        return { status, nullptr };
    }
    // The window server keeps its own state between queries: a list is built again only after
    // the desktop changed, or at every new moment while something animates.
    const double t = now();
    auto& cache = option == WindowListOption::All ? m_cachedAll : m_cachedOnScreen;
    if (!cache.list || !(cache.settled || cache.builtAt == t)) {
        cache.list = std::make_shared<const WindowList>(
            buildWindowList(m_desktop, m_ownPID, option, m_missionControl.presentation(m_desktop, t), ownWindowListings(), m_statusBar.item() != nullptr));
        cache.builtAt = t;
        cache.settled = t >= m_missionControl.settledAt();
    }
    return { WindowListReply::Status::Ok, cache.list };
}

double VirtualMac::primaryHeight() const
{
    return m_desktop.displays.empty() ? 0 : m_desktop.displays.front().frame.height;
}

namespace {

// The window server knows every display by an id, even one whose screen description lacks
// "NSScreenNumber"; such a display gets an id of its own here, derived from its place.
DisplayID cgDisplayID(const VirtualDisplay& display, std::size_t index)
{
    return display.number.value_or(0x7F000000u + static_cast<DisplayID>(index));
}

} // namespace

Rect VirtualMac::displayBounds(DisplayID display)
{
    for (std::size_t i = 0; i < m_desktop.displays.size(); ++i) {
        if (cgDisplayID(m_desktop.displays[i], i) == display)
            return globalFromAppKitFrame(m_desktop.displays[i].frame, primaryHeight());
    }
    return {};
}

DisplayID VirtualMac::mainDisplayID()
{
    if (m_desktop.displays.empty())
        return 0;
    return cgDisplayID(m_desktop.displays.front(), 0);
}

std::vector<ScreenDescription> VirtualMac::screens()
{
    std::vector<ScreenDescription> result;
    result.reserve(m_desktop.displays.size());
    for (const auto& d : m_desktop.displays) {
        ScreenDescription screen { d.frame, Value() };
        if (d.number)
            screen.screenNumber = Value::integer(*d.number);
        result.push_back(std::move(screen));
    }
    return result;
}

std::optional<ScreenDescription> VirtualMac::mainScreen()
{
    // The key window of a menu-bar program is rarely anywhere but the primary display.
    auto all = screens();
    if (all.empty())
        return std::nullopt;
    return all.front();
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
    // The bundle on disk first; a running application's own idea of its bundle's icon serves a
    // path that is not installed.
    if (m_appBundles) {
        if (auto icon = m_appBundles->iconForFile(path))
            return icon;
    }
    for (const auto& app : m_desktop.apps) {
        if (app->bundlePath == path && app->bundleIcon)
            return app->bundleIcon;
    }
    return nullptr;
}

std::optional<std::string> VirtualMac::applicationPath(const std::string& bundleIdentifier)
{
    if (!m_appBundles)
        return std::nullopt;
    return m_appBundles->pathForBundleIdentifier(bundleIdentifier);
}

std::optional<std::map<std::string, Value>> VirtualMac::bundleInfoDictionary(const std::string& bundlePath)
{
    if (!m_appBundles)
        return std::nullopt;
    return m_appBundles->infoDictionary(bundlePath);
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
    m_missionControl.displayAdded();
    changed();
    postScreenParametersChange();
}

bool VirtualMac::removeDisplay(std::optional<DisplayID> number)
{
    auto it = std::find_if(m_desktop.displays.begin(), m_desktop.displays.end(), [&](const auto& d) { return d.number == number; });
    if (it == m_desktop.displays.end())
        return false;
    const bool wasPrimary = it == m_desktop.displays.begin();
    m_missionControl.displayRemoved(static_cast<std::size_t>(it - m_desktop.displays.begin()));
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
    postScreenParametersChange();
    return true;
}

void VirtualMac::postScreenParametersChange()
{
    if (m_applicationNotifications)
        m_applicationNotifications->post(kScreenParametersDidChangeNotification);
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

bool VirtualMac::openMissionControl()
{
    if (!m_missionControl.open(m_desktop, now()))
        return false;
    m_spaceSwitchedDuringVisit = false;
    changed();
    return true;
}

bool VirtualMac::openAppExpose()
{
    if (!m_missionControl.open(m_desktop, now(), OverviewKind::AppExpose))
        return false;
    m_spaceSwitchedDuringVisit = false;
    changed();
    return true;
}

bool VirtualMac::closeMissionControl()
{
    if (!m_missionControl.close(m_desktop, now()))
        return false;
    // Leaving into another Space than the one the visit started on brings that Space's front
    // window forward, unless the front application has a window there.
    if (m_spaceSwitchedDuringVisit)
        refocusOnSpaceOf(m_displaySwitchedDuringVisit);
    changed();
    return true;
}

void VirtualMac::pressMissionControlKey()
{
    auto phase = missionControlPhase();
    if (phase == MissionControlPhase::Opening || phase == MissionControlPhase::Open)
        closeMissionControl();
    else
        openMissionControl();
}

bool VirtualMac::clickThumbnail(WindowNumber window)
{
    if (!m_missionControl.thumbnailFrame(window, now()))
        return false;
    const VirtualWindow* w = findWindow(window);
    activateApp(w->pid);
    auto it = std::find_if(m_desktop.windows.begin(), m_desktop.windows.end(), [&](const auto& x) { return x.number == window; });
    std::rotate(m_desktop.windows.begin(), it, it + 1);
    m_spaceSwitchedDuringVisit = false;
    return closeMissionControl();
}

void VirtualMac::setOverviewStyle(OverviewStyle style)
{
    m_desktop.overviewStyle = style;
    changed();
}

MissionControlPhase VirtualMac::missionControlPhase() const { return m_missionControl.phase(now()); }

bool VirtualMac::isMissionControlShown() const { return m_missionControl.isShown(now()); }

std::optional<double> VirtualMac::lastMissionControlOpenStart() const { return m_missionControl.lastOpenStartedAt(); }

std::optional<double> VirtualMac::lastMissionControlCloseStart() const { return m_missionControl.lastCloseStartedAt(); }

std::optional<Rect> VirtualMac::thumbnailFrame(WindowNumber window) const { return m_missionControl.thumbnailFrame(window, now()); }

bool VirtualMac::switchSpace(std::optional<DisplayID> display, int space)
{
    auto index = displayIndexNumbered(m_desktop, display);
    if (!index)
        return false;
    auto& d = m_desktop.displays[*index];
    if (space < 0 || space >= d.spaceCount || space == d.activeSpace)
        return false;
    d.activeSpace = space;
    auto phase = missionControlPhase();
    if (phase == MissionControlPhase::Opening || phase == MissionControlPhase::Open) {
        m_missionControl.spaceSwitched(m_desktop, now());
        m_spaceSwitchedDuringVisit = true;
        m_displaySwitchedDuringVisit = display;
    } else {
        refocusOnSpaceOf(display);
    }
    changed();
    // Observers may read the window list at once: post only once it shows the new Space.
    m_workspaceNotifications.post(kActiveSpaceDidChangeNotification);
    return true;
}

bool VirtualMac::addSpace(std::optional<DisplayID> display)
{
    auto index = displayIndexNumbered(m_desktop, display);
    if (!index)
        return false;
    ++m_desktop.displays[*index].spaceCount;
    changed();
    return true;
}

void VirtualMac::refocusOnSpaceOf(std::optional<DisplayID> display)
{
    // Focus follows the Space shown on that display: the front application stays in front if
    // it has a window there; otherwise the application of the front-most window there takes
    // its place. A Space without windows leaves the focus alone.
    auto index = displayIndexNumbered(m_desktop, display);
    if (!index)
        return;
    const auto screens = globalDisplayBounds(m_desktop);
    auto shownThere = [&](const VirtualWindow& w) {
        return isInOverview(m_desktop, screens, w) && owningDisplayIndex(screens, w.bounds) == index;
    };
    for (const auto& w : m_desktop.windows) {
        if (shownThere(w) && w.pid == m_desktop.frontmostPID)
            return;
    }
    for (const auto& w : m_desktop.windows) {
        auto app = findApp(w.pid);
        if (shownThere(w) && app && app->activationPolicy == ActivationPolicy::Regular) {
            activateApp(w.pid);
            return;
        }
    }
}

void VirtualMac::setScreenRecordingGranted(bool granted)
{
    m_desktop.screenRecordingGranted = granted;
    changed();
}

void VirtualMac::ownWindowsChanged()
{
    ++m_changeCount;
    m_cachedAll.list.reset();
    m_cachedOnScreen.list.reset();
}

std::vector<std::shared_ptr<VirtualAppWindow>> VirtualMac::ownWindows() const
{
    std::vector<std::shared_ptr<VirtualAppWindow>> result;
    for (const auto& weak : m_ownWindows) {
        if (auto w = weak.lock())
            result.push_back(std::move(w));
    }
    return result;
}

std::vector<AppWindowRef> VirtualMac::windows()
{
    std::erase_if(m_ownWindows, [](const auto& weak) { return weak.expired(); });
    auto own = ownWindows();
    return { own.begin(), own.end() };
}

AppWindowRef VirtualMac::createWindow(const Rect& contentRect, std::uint64_t styleMask, WindowClassTraits traits)
{
    std::weak_ptr<int> life = m_lifetime;
    auto window = std::make_shared<VirtualAppWindow>(m_nextOwnWindowNumber++, contentRect, styleMask, traits, [this, life] {
        if (!life.expired())
            ownWindowsChanged();
    });
    std::erase_if(m_ownWindows, [](const auto& weak) { return weak.expired(); });
    m_ownWindows.push_back(window);
    ownWindowsChanged();
    return window;
}

std::vector<OwnWindowListing> VirtualMac::ownWindowListings() const
{
    auto own = ownWindows();
    // Front to back within a level: the window ordered front last comes first.
    std::stable_sort(own.begin(), own.end(), [](const auto& a, const auto& b) { return a->frontOrder() > b->frontOrder(); });
    std::vector<OwnWindowListing> listings;
    listings.reserve(own.size());
    for (const auto& w : own)
        listings.push_back({ w->windowNumber(), globalFromAppKitFrame(w->frame(), primaryHeight()), w->level(), w->alphaValue(), w->isVisible() });
    return listings;
}

std::optional<Point> VirtualMac::displayPointToAppKit(DisplayID display, Point local) const
{
    for (const auto& d : m_desktop.displays) {
        if (d.number == display)
            return Point { d.frame.x + local.x, d.frame.maxY() - local.y };
    }
    return std::nullopt;
}

ListPresentation VirtualMac::presentation() const { return m_missionControl.presentation(m_desktop, now()); }

namespace {

bool containsPoint(const Rect& r, Point p) { return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY(); }

} // namespace

ClickTarget VirtualMac::routeClick(Point location) const
{
    const double height = primaryHeight();
    const Point global { location.x, height - location.y };
    // The server's own view of the screen, not a query: it neither fails nor counts.
    const auto thumbnails = presentation();
    // An open status menu takes the click: a row is chosen, anywhere else the menu just closes.
    if (m_statusBar.isMenuOpen())
        return { ClickTarget::Kind::Menu, 0, Point {}, m_statusBar.rowAt(global) };
    const WindowList onScreen
        = buildWindowList(m_desktop, m_ownPID, WindowListOption::OnScreenOnly, thumbnails, ownWindowListings(), m_statusBar.item() != nullptr);
    const auto own = ownWindows();
    for (const auto& entry : onScreen) {
        auto number = entry.number.asInteger<std::int64_t>();
        auto bounds = entry.bounds.asRect();
        auto pid = entry.ownerPID.asInteger<std::int64_t>();
        if (!number || !bounds || !pid || !containsPoint(*bounds, global))
            continue;
        const auto window = static_cast<WindowNumber>(*number);
        if (*pid == m_ownPID) {
            auto it = std::find_if(own.begin(), own.end(), [&](const auto& w) { return w->windowNumber() == window; });
            if (it == own.end()) {
                // The program's status item: where it stands goes with the click, for its menu.
                return { ClickTarget::Kind::StatusItem, window, Point { global.x, global.y }, std::nullopt };
            }
            if ((*it)->ignoresMouseEvents() || (*it)->alphaValue() <= 0)
                continue; // click-through
            Rect frame = (*it)->frame();
            return { ClickTarget::Kind::OwnWindow, window, Point { location.x - frame.x, location.y - frame.y }, std::nullopt };
        }
        if (*pid == SystemPID::windowServer || *pid == SystemPID::controlCenter)
            return { ClickTarget::Kind::MenuBar, window, Point {}, std::nullopt };
        const bool isBackdrop = std::any_of(thumbnails.transientWindows.begin(), thumbnails.transientWindows.end(),
            [&](const auto& t) { return t.number == window; });
        if (isBackdrop) {
            // The overview: the front-most thumbnail under the pointer takes the click.
            for (const auto& w : m_desktop.windows) {
                auto frame = m_missionControl.thumbnailFrame(w.number, now());
                auto shown = thumbnails.presentedBounds.find(w.number);
                if (frame && shown != thumbnails.presentedBounds.end() && containsPoint(shown->second, global))
                    return { ClickTarget::Kind::Thumbnail, w.number, Point {}, std::nullopt };
            }
            return { ClickTarget::Kind::Overview, 0, Point {}, std::nullopt };
        }
        if (*pid == SystemPID::dock) {
            // The Dock's own display-sized window is transparent outside its bar: a click there
            // reaches whatever lies under it, a thumbnail or finally the desktop picture.
            if (entry.layer.asInteger<std::int64_t>() == std::int64_t { kDockWindowLayer })
                continue;
            return { ClickTarget::Kind::Desktop, window, Point {}, std::nullopt };
        }
        if (std::any_of(m_desktop.windows.begin(), m_desktop.windows.end(), [&](const auto& w) { return w.number == window; }))
            return { ClickTarget::Kind::Window, window, Point {}, std::nullopt };
    }
    return {};
}

std::optional<Rect> VirtualMac::ownStatusItemFrame(std::size_t displayIndex) const
{
    const auto own = findApp(m_ownPID);
    if (!m_statusBar.item() || displayIndex >= m_desktop.displays.size() || !own || own->terminated)
        return std::nullopt;
    const auto& display = m_desktop.displays[displayIndex];
    const Rect screen = globalFromAppKitFrame(display.frame, primaryHeight());
    return Rect { screen.maxX() - kStatusItemsRightInset - kOwnStatusItemWidth, screen.y, kOwnStatusItemWidth, display.menuBarHeight };
}

void VirtualMac::applyClick(const ClickTarget& target)
{
    switch (target.kind) {
    case ClickTarget::Kind::Thumbnail:
        clickThumbnail(target.window);
        break;
    case ClickTarget::Kind::Overview:
        closeMissionControl();
        break;
    case ClickTarget::Kind::Window:
        if (auto* w = findWindow(target.window)) {
            activateApp(w->pid);
            auto it = std::find_if(m_desktop.windows.begin(), m_desktop.windows.end(), [&](const auto& x) { return x.number == target.window; });
            std::rotate(m_desktop.windows.begin(), it, it + 1);
            changed();
        }
        break;
    case ClickTarget::Kind::StatusItem:
        // The menu opens below the item on the display clicked.
        for (std::size_t i = 0; i < m_desktop.displays.size(); ++i) {
            auto item = ownStatusItemFrame(i);
            if (item && containsPoint(*item, target.locationInWindow)) {
                m_statusBar.openMenu(*item, globalFromAppKitFrame(m_desktop.displays[i].frame, primaryHeight()));
                break;
            }
        }
        break;
    case ClickTarget::Kind::Menu:
        if (!target.row || !m_statusBar.choose(*target.row))
            m_statusBar.closeMenu();
        break;
    case ClickTarget::Kind::OwnWindow: // the program's own windows handle their clicks themselves
    case ClickTarget::Kind::MenuBar:
    case ClickTarget::Kind::Desktop:
    case ClickTarget::Kind::Nothing:
        break;
    }
}

} // namespace talvora::vmac
