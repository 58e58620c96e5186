#include "vmac/virtual_desktop.h"

#include "vmac/spaces.h"

#include <algorithm>

namespace talvora::vmac {

namespace {

// Layers as the window server numbers them.
constexpr int kDesktopPictureLayer = -2147483624; // kCGDesktopWindowLevel - 1
constexpr int kDockLayer = kDockWindowLayer;
constexpr int kMainMenuLayer = 24;
constexpr int kStatusLayer = 25;

// The most off-screen helper entries a full list carries.
constexpr std::size_t kMaxOffScreenEntries = 10000;

// Every window reports the same memory use on current systems.
constexpr int kMemoryUsage = 2288;

Rect displayBoundsGlobal(const VirtualDisplay& display, double primaryHeight)
{
    return globalFromAppKitFrame(display.frame, primaryHeight);
}

class ListWriter {
public:
    ListWriter(const VirtualDesktop& desktop, ProcessID askingProcess)
        : m_desktop(desktop)
        , m_asking(askingProcess)
    {
    }

    void add(WindowNumber number, ProcessID pid, std::string owner, const Rect& bounds, int layer, bool onScreen,
        std::optional<std::string> name, double alpha = 1, bool nameAlwaysVisible = false,
        const std::vector<EntryQuirk>& quirks = {})
    {
        WindowEntry& e = m_entries.emplace_back();
        m_layers.push_back(layer);
        e.number = Value::integer(number);
        e.ownerPID = Value::integer(pid);
        e.ownerName = Value::string(std::move(owner));
        e.bounds = BoundsValue::dictionary(bounds);
        e.layer = Value::integer(layer);
        e.alpha = Value::real(alpha);
        if (onScreen)
            e.isOnscreen = Value::boolean(true);
        // Without screen recording, names of other processes' windows are left out; the window
        // server's own names (such as "Menubar") survive.
        if (name && (m_desktop.screenRecordingGranted || pid == m_asking || nameAlwaysVisible))
            e.name = Value::string(std::move(*name));
        e.sharingState = Value::integer(pid == SystemPID::windowServer ? 1 : 0);
        e.storeType = Value::integer(1);
        e.memoryUsage = Value::integer(kMemoryUsage);
        for (auto quirk : quirks)
            applyQuirk(e, quirk);
    }

    void reserve(std::size_t entries)
    {
        m_entries.reserve(entries);
        m_layers.reserve(entries);
    }

    // Highest layer first; the order of writing is front to back within a layer. The entries are
    // put in place where they stand, each moved once: an entry is large, and a desktop can list
    // 10^5 of them at every frame of an animation.
    WindowList finish(WindowListOption option)
    {
        if (option == WindowListOption::OnScreenOnly) {
            std::size_t kept = 0;
            for (std::size_t i = 0; i < m_entries.size(); ++i) {
                if (m_entries[i].isOnscreen.isAbsent())
                    continue;
                if (kept != i) {
                    m_entries[kept] = std::move(m_entries[i]);
                    m_layers[kept] = m_layers[i];
                }
                ++kept;
            }
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(kept), m_entries.end());
            m_layers.resize(kept);
        }
        // order[k]: the written entry that goes to place k.
        std::vector<std::uint32_t> order(m_entries.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<std::uint32_t>(i);
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return m_layers[a] > m_layers[b]; });
        std::vector<bool> placed(order.size());
        for (std::size_t start = 0; start < order.size(); ++start) {
            if (placed[start] || order[start] == start)
                continue;
            WindowEntry first = std::move(m_entries[start]);
            std::size_t k = start;
            while (order[k] != start) {
                m_entries[k] = std::move(m_entries[order[k]]);
                placed[k] = true;
                k = order[k];
            }
            m_entries[k] = std::move(first);
            placed[k] = true;
        }
        return std::move(m_entries);
    }

    std::size_t onScreenCount() const
    {
        return std::count_if(m_entries.begin(), m_entries.end(), [](const WindowEntry& e) { return !e.isOnscreen.isAbsent(); });
    }

private:
    const VirtualDesktop& m_desktop;
    ProcessID m_asking;
    WindowList m_entries;
    std::vector<int> m_layers;
};

const VirtualApp* findApp(const VirtualDesktop& desktop, ProcessID pid)
{
    for (const auto& app : desktop.apps) {
        if (app->pid == pid)
            return app.get();
    }
    return nullptr;
}

std::string ownerNameOf(const VirtualApp* app)
{
    if (!app)
        return {};
    return app->localizedName.value_or(app->bundleIdentifier.value_or(""));
}

constexpr std::pair<const char*, EntryQuirk> kQuirkNames[] = {
    { "noNumber", EntryQuirk::NoNumber },
    { "numberAsString", EntryQuirk::NumberAsString },
    { "noOwnerName", EntryQuirk::NoOwnerName },
    { "noOwnerPID", EntryQuirk::NoOwnerPID },
    { "pidAsString", EntryQuirk::PIDAsString },
    { "noBounds", EntryQuirk::NoBounds },
    { "boundsNotADictionary", EntryQuirk::BoundsNotADictionary },
    { "noBoundsHeight", EntryQuirk::NoBoundsHeight },
    { "boundsAsStrings", EntryQuirk::BoundsAsStrings },
    { "noLayer", EntryQuirk::NoLayer },
    { "fractionalLayer", EntryQuirk::FractionalLayer },
    { "noAlpha", EntryQuirk::NoAlpha },
    { "alphaAsString", EntryQuirk::AlphaAsString },
    { "onScreenAsInteger", EntryQuirk::OnScreenAsInteger },
    { "titleAsNumber", EntryQuirk::TitleAsNumber },
};

std::string printed(const Value& v)
{
    if (auto d = v.asDouble())
        return std::to_string(*d);
    return "?";
}

} // namespace

std::optional<EntryQuirk> entryQuirkNamed(std::string_view name)
{
    for (const auto& [n, quirk] : kQuirkNames) {
        if (name == n)
            return quirk;
    }
    return std::nullopt;
}

void applyQuirk(WindowEntry& e, EntryQuirk quirk)
{
    switch (quirk) {
    case EntryQuirk::NoNumber:
        e.number = Value();
        break;
    case EntryQuirk::NumberAsString:
        e.number = Value::string(printed(e.number));
        break;
    case EntryQuirk::NoOwnerName:
        e.ownerName = Value();
        break;
    case EntryQuirk::NoOwnerPID:
        e.ownerPID = Value();
        break;
    case EntryQuirk::PIDAsString:
        e.ownerPID = Value::string(printed(e.ownerPID));
        break;
    case EntryQuirk::NoBounds:
        e.bounds = BoundsValue {};
        break;
    case EntryQuirk::BoundsNotADictionary:
        e.bounds.kind = BoundsValue::Kind::NotADictionary;
        break;
    case EntryQuirk::NoBoundsHeight:
        e.bounds.height = Value();
        break;
    case EntryQuirk::BoundsAsStrings:
        // NSLog quotes negative numbers; a careless bridge might hand over the quoted text.
        e.bounds.x = Value::string(printed(e.bounds.x));
        e.bounds.y = Value::string(printed(e.bounds.y));
        break;
    case EntryQuirk::NoLayer:
        e.layer = Value();
        break;
    case EntryQuirk::FractionalLayer:
        e.layer = Value::real(0.5);
        break;
    case EntryQuirk::NoAlpha:
        e.alpha = Value();
        break;
    case EntryQuirk::AlphaAsString:
        e.alpha = Value::string("1");
        break;
    case EntryQuirk::OnScreenAsInteger:
        if (!e.isOnscreen.isAbsent())
            e.isOnscreen = Value::integer(1);
        break;
    case EntryQuirk::TitleAsNumber:
        e.name = Value::integer(42);
        break;
    }
}

WindowList buildWindowList(const VirtualDesktop& desktop, ProcessID askingProcess, WindowListOption option,
    const ListPresentation& presentation, const std::vector<OwnWindowListing>& ownWindows, bool ownStatusItem)
{
    ListWriter writer(desktop, askingProcess);
    const std::size_t listed = desktop.displays.size() * (3 + std::size(kControlCenterItems)) + 1 + presentation.transientWindows.size()
        + ownWindows.size() + desktop.windows.size();
    writer.reserve(listed + (option == WindowListOption::All ? std::min(kMaxOffScreenEntries, listed * std::max(0, desktop.offScreenEntriesPerOnScreen)) : 0));
    const double primaryHeight = desktop.displays.empty() ? 0 : desktop.displays.front().frame.height;

    for (std::size_t i = 0; i < desktop.displays.size(); ++i) {
        const auto& display = desktop.displays[i];
        Rect screen = displayBoundsGlobal(display, primaryHeight);
        const WindowNumber base = static_cast<WindowNumber>(10 + i * 20);
        writer.add(base, SystemPID::windowServer, "Window Server", { screen.x, screen.y, screen.width, display.menuBarHeight },
            kMainMenuLayer, true, std::string("Menubar"), 1, /*nameAlwaysVisible=*/true);
        double right = screen.maxX() - kStatusItemsRightInset;
        WindowNumber item = base + 1;
        // This process's own status item, once the application has put one into the menu bar.
        for (const auto& app : desktop.apps) {
            if (ownStatusItem && app->pid == askingProcess && !app->terminated) {
                right -= kOwnStatusItemWidth;
                writer.add(item++, app->pid, ownerNameOf(app.get()), { right, screen.y, kOwnStatusItemWidth, display.menuBarHeight }, kStatusLayer, true,
                    std::string("Item-0"));
            }
        }
        for (const auto& status : kControlCenterItems) {
            right -= status.width;
            writer.add(item++, SystemPID::controlCenter, desktop.controlCenterName,
                { right, screen.y, status.width, display.menuBarHeight }, kStatusLayer, true, std::string(status.name));
        }
        // The Dock's desktop picture, one per display, always present.
        writer.add(base + 10, SystemPID::dock, "Dock", screen, kDesktopPictureLayer, true, std::string("Desktop Picture"));
    }
    // The Dock's own display-sized window lives on the primary display.
    if (!desktop.displays.empty()) {
        writer.add(5, SystemPID::dock, "Dock", displayBoundsGlobal(desktop.displays.front(), primaryHeight), kDockLayer, true,
            std::string("Dock"));
    }

    // Mission Control's backdrops, unnamed; front to back behind the Dock's own window.
    for (const auto& t : presentation.transientWindows)
        writer.add(t.number, t.pid, t.owner, t.bounds, t.layer, true, std::string());

    // The running program's own windows (its overlays, its hidden root window), unnamed.
    const VirtualApp* own = findApp(desktop, askingProcess);
    for (const auto& w : ownWindows)
        writer.add(w.number, askingProcess, own ? ownerNameOf(own) : "Talvora", w.bounds, w.layer, w.onScreen, std::string(), w.alpha);

    const std::vector<Rect> screens = globalDisplayBounds(desktop);
    const AppsByPID apps(desktop);
    for (const auto& window : desktop.windows) {
        const VirtualApp* app = apps.find(window.pid);
        if (!app || app->terminated)
            continue;
        bool onScreen = !window.minimized && !app->hidden && isOnActiveSpace(desktop, screens, window);
        auto presented = presentation.presentedBounds.find(window.number);
        const Rect& bounds = presented == presentation.presentedBounds.end() ? window.bounds : presented->second;
        writer.add(window.number, window.pid, ownerNameOf(app), bounds, window.layer, onScreen, window.title, window.alpha,
            /*nameAlwaysVisible=*/false, window.quirks);
    }

    if (option == WindowListOption::All) {
        // Off-screen helpers: proxies, hidden panels and windows parked far away. They carry no
        // on-screen key and must never pass as evidence.
        // They belong to applications, not to each window, so a desktop of thousands of windows
        // does not have ten times as many of them.
        const std::size_t extra = std::min(kMaxOffScreenEntries,
            writer.onScreenCount() * static_cast<std::size_t>(std::max(0, desktop.offScreenEntriesPerOnScreen)));
        std::vector<const VirtualApp*> owners;
        for (const auto& app : desktop.apps) {
            if (!app->terminated)
                owners.push_back(app.get());
        }
        for (std::size_t i = 0; i < extra; ++i) {
            WindowNumber number = static_cast<WindowNumber>(50000 + i);
            if (owners.empty() || i % 3 == 0) {
                writer.add(number, SystemPID::dock, "Dock", { -20000.0, -20000.0 + i, 64, 64 }, kDockLayer, false, std::string());
                continue;
            }
            const VirtualApp* app = owners[i % owners.size()];
            Rect r = (i % 2) ? Rect { 0, 0, 500, 500 } : Rect { 0, 0, 1.0 + i % 7, 1.0 + i % 5 };
            writer.add(number, app->pid, ownerNameOf(app), r, 0, false, std::string("Focus Proxy"));
        }
    }
    return writer.finish(option);
}

} // namespace talvora::vmac
