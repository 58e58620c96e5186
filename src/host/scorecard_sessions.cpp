#include "host/scorecard_sessions.h"

#include "settings/preference_keys.h"
#include "vmac/virtual_mac.h"

#include <algorithm>

namespace talvora::host {

namespace {

double uniform(ScorecardRandom& r, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(r); }
int pick(ScorecardRandom& r, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); }
bool chance(ScorecardRandom& r, double p) { return uniform(r, 0, 1) < p; }

using MacAction = std::function<void(vmac::VirtualMac&)>;

double primaryHeightOf(const vmac::VirtualMac& mac)
{
    const auto& displays = mac.desktop().displays;
    return displays.empty() ? 0 : displays.front().frame.height;
}

// Switches the display at `index` (if it is still there) to the Space it is not showing.
MacAction switchToOtherSpace(int index)
{
    return [index](vmac::VirtualMac& mac) {
        const auto& displays = mac.desktop().displays;
        if (index < static_cast<int>(displays.size()) && displays[index].spaceCount > 1)
            mac.switchSpace(displays[index].number, 1 - displays[index].activeSpace);
    };
}

MacAction switchToSpace(DisplayID display, int space)
{
    return [display, space](vmac::VirtualMac& mac) { mac.switchSpace(display, space); };
}

// An application opens a window (on the Space shown on the display it lands on).
MacAction openWindowOf(ProcessID pid, WindowNumber number, Rect bounds)
{
    return [pid, number, bounds](vmac::VirtualMac& mac) {
        vmac::VirtualWindow w;
        w.number = number;
        w.pid = pid;
        w.title = "Window " + std::to_string(number);
        w.bounds = bounds;
        mac.openWindow(w);
    };
}

MacAction moveWindowBy(WindowNumber number, double dx, double dy)
{
    return [number, dx, dy](vmac::VirtualMac& mac) {
        for (const auto& w : mac.desktop().windows) {
            if (w.number == number) {
                mac.moveWindow(number, { w.bounds.x + dx, w.bounds.y + dy });
                return;
            }
        }
    };
}

// A display plugged in to the right of the others, top-aligned with the primary one.
MacAction plugDisplay(DisplayID number, Size size)
{
    return [number, size](vmac::VirtualMac& mac) {
        double right = 0;
        for (const auto& d : mac.desktop().displays) {
            if (d.number == number)
                return;
            right = std::max(right, d.frame.maxX());
        }
        vmac::VirtualDisplay display;
        display.number = number;
        display.frame = vmac::appKitFrameFromGlobal({ right, 0, size.width, size.height }, primaryHeightOf(mac));
        mac.addDisplay(display);
    };
}

MacAction unplugDisplay(DisplayID number)
{
    return [number](vmac::VirtualMac& mac) { mac.removeDisplay(number); };
}

// The display a window stands on: the one holding its centre, else the first.
std::size_t displayOfWindow(const vmac::VirtualDesktop& desktop, const vmac::VirtualWindow& window)
{
    const double primaryHeight = desktop.displays.empty() ? 0 : desktop.displays.front().frame.height;
    const Point centre { window.bounds.x + window.bounds.width / 2, window.bounds.y + window.bounds.height / 2 };
    for (std::size_t i = 0; i < desktop.displays.size(); ++i) {
        const Rect screen = vmac::globalFromAppKitFrame(desktop.displays[i].frame, primaryHeight);
        if (centre.x >= screen.minX() && centre.x < screen.maxX() && centre.y >= screen.minY() && centre.y < screen.maxY())
            return i;
    }
    return 0;
}

} // namespace

ScorecardRandom sessionRandom(std::uint64_t seed, int index)
{
    std::seed_seq sequence { static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32), static_cast<std::uint32_t>(index) };
    return ScorecardRandom(sequence);
}

vmac::Scenario randomDesktop(ScorecardRandom& r, ResponsivenessMode mode)
{
    static constexpr Size kDisplaySizes[] = { { 1440, 900 }, { 1512, 982 }, { 1920, 1080 }, { 2560, 1440 }, { 1728, 1117 } };
    vmac::Scenario s;
    const int displays = pick(r, 1, 3);
    double x = 0;
    double primaryHeight = 0;
    std::vector<bool> emptySecondSpace;
    for (int d = 0; d < displays; ++d) {
        Size size = kDisplaySizes[pick(r, 0, 4)];
        if (d == 0)
            primaryHeight = size.height;
        vmac::VirtualDisplay display;
        display.number = static_cast<DisplayID>(d + 1);
        display.frame = vmac::appKitFrameFromGlobal({ x, 0, size.width, size.height }, primaryHeight);
        display.spaceCount = chance(r, 0.5) ? 2 : 1;
        emptySecondSpace.push_back(display.spaceCount > 1 && chance(r, 0.5));
        s.desktop.displays.push_back(display);
        x += size.width;
    }
    auto talvora = std::make_shared<vmac::VirtualApp>();
    talvora->pid = s.talvoraPID;
    talvora->localizedName = "Talvora";
    talvora->activationPolicy = ActivationPolicy::Accessory;
    s.desktop.apps.push_back(talvora);

    WindowNumber number = 1000;
    const int apps = pick(r, 2, 6);
    for (int a = 0; a < apps; ++a) {
        auto app = std::make_shared<vmac::VirtualApp>();
        app->pid = 500 + a;
        app->localizedName = "App " + std::to_string(a);
        app->bundleIdentifier = "com.example.app" + std::to_string(a);
        app->icon = vmac::makeSolidIcon(0xFF202020u + static_cast<std::uint32_t>(a) * 0x1F2F3Fu);
        s.desktop.apps.push_back(app);
        const int windows = pick(r, 1, 3);
        for (int w = 0; w < windows; ++w) {
            const int d = pick(r, 0, displays - 1);
            const auto& display = s.desktop.displays[static_cast<std::size_t>(d)];
            Rect screen = vmac::globalFromAppKitFrame(display.frame, primaryHeight);
            vmac::VirtualWindow window;
            window.number = number++;
            window.pid = app->pid;
            window.title = "Document " + std::to_string(window.number);
            double width = uniform(r, 320, screen.width * 0.8);
            double height = uniform(r, 240, screen.height * 0.8);
            window.bounds = { screen.x + uniform(r, 0, screen.width - width), screen.y + 30 + uniform(r, 0, screen.height - height - 30),
                width, height };
            window.space = display.spaceCount > 1 && !emptySecondSpace[static_cast<std::size_t>(d)] && chance(r, 0.3) ? 1 : 0;
            s.desktop.windows.push_back(window);
        }
    }
    s.desktop.frontmostPID = 500;
    s.initialPreferences[PrefKey::responsivenessMode] = std::string(rawValue(mode));
    return s;
}

void randomTimeline(ScorecardRandom& r, vmac::Scenario& s, double seconds)
{
    auto add = [&](double at, std::string verb, MacAction apply) {
        vmac::TimelineAction action;
        action.at = at;
        action.verb = verb;
        action.description = std::move(verb);
        action.apply = [apply = std::move(apply)](vmac::VirtualMac& mac, vmac::ScenarioHooks&) { apply(mac); };
        s.timeline.push_back(std::move(action));
    };
    std::vector<WindowNumber> windows;
    std::vector<ProcessID> pids;
    for (const auto& w : s.desktop.windows)
        windows.push_back(w.number);
    for (const auto& a : s.desktop.apps) {
        if (a->activationPolicy == ActivationPolicy::Regular)
            pids.push_back(a->pid);
    }
    // Displays whose second Space holds no window: a visit can begin there.
    std::vector<std::pair<DisplayID, int>> emptySpaces;
    for (std::size_t d = 0; d < s.desktop.displays.size(); ++d) {
        const auto& display = s.desktop.displays[d];
        if (display.spaceCount < 2 || !display.number)
            continue;
        const bool used = std::any_of(s.desktop.windows.begin(), s.desktop.windows.end(),
            [&](const auto& w) { return w.space == 1 && displayOfWindow(s.desktop, w) == d; });
        if (!used)
            emptySpaces.emplace_back(*display.number, 1);
    }
    WindowNumber nextWindow = 5000;
    DisplayID nextDisplay = 40;
    const int displays = static_cast<int>(s.desktop.displays.size());
    auto anyPid = [&] { return pids[static_cast<std::size_t>(pick(r, 0, static_cast<int>(pids.size()) - 1))]; };
    auto anyWindow = [&] { return windows[static_cast<std::size_t>(pick(r, 0, static_cast<int>(windows.size()) - 1))]; };
    auto leave = [&](double at) {
        if (chance(r, 0.5)) {
            add(at, "pressMissionControlKey", [](vmac::VirtualMac& mac) { mac.pressMissionControlKey(); });
        } else {
            WindowNumber target = anyWindow();
            add(at, "clickThumbnail", [target](vmac::VirtualMac& mac) {
                if (!mac.clickThumbnail(target))
                    mac.closeMissionControl();
            });
        }
    };
    auto open = [&](double at) { add(at, "openMissionControl", [](vmac::VirtualMac& mac) { mac.openMissionControl(); }); };

    double t = uniform(r, 3.5, 5); // past the engine's start-up, so the baseline is learned
    while (t < seconds - 6) {
        const int kind = pick(r, 0, 21);
        if (kind <= 8) {
            // A visit: open, stay, perhaps with things happening inside, leave.
            const double stay = uniform(r, 0.8, 5.0);
            open(t);
            auto inside = [&] { return t + uniform(r, 0.5, stay - 0.1); };
            if (chance(r, 0.2))
                add(inside(), "switchSpace", switchToOtherSpace(pick(r, 0, displays - 1)));
            if (chance(r, 0.15))
                add(inside(), "openWindow", openWindowOf(anyPid(), nextWindow++, { 200, 150, 640, 480 }));
            if (chance(r, 0.1)) {
                WindowNumber w = anyWindow();
                add(inside(), "closeWindow", [w](vmac::VirtualMac& mac) { mac.closeWindow(w); });
            }
            if (chance(r, 0.15))
                add(inside(), "moveWindow", moveWindowBy(anyWindow(), uniform(r, -200, 200), uniform(r, -120, 120)));
            if (chance(r, 0.05)) {
                const DisplayID number = nextDisplay++;
                const double at = inside();
                add(at, "plugDisplay", plugDisplay(number, { 1920, 1080 }));
                add(at + stay + uniform(r, 2, 6), "unplugDisplay", unplugDisplay(number));
            }
            leave(t + stay);
            t += stay + uniform(r, 1.5, 4);
        } else if (kind <= 10 && !emptySpaces.empty()) {
            // A visit that begins over a Space without windows and switches to one with windows.
            auto [display, empty] = emptySpaces[static_cast<std::size_t>(pick(r, 0, static_cast<int>(emptySpaces.size()) - 1))];
            add(t, "switchSpace", switchToSpace(display, empty));
            t += uniform(r, 1.5, 3);
            const double before = uniform(r, 0.5, 4);
            const double after = uniform(r, 0.3, 3);
            open(t);
            add(t + before, "switchSpace", switchToSpace(display, 1 - empty));
            leave(t + before + after);
            t += before + after + uniform(r, 1.5, 4);
        } else if (kind == 11) {
            // A quick open-and-close.
            open(t);
            add(t + uniform(r, 0.1, 0.4), "pressMissionControlKey", [](vmac::VirtualMac& mac) { mac.pressMissionControlKey(); });
            t += uniform(r, 1.5, 3);
        } else if (kind == 12) {
            add(t, "switchSpace", switchToOtherSpace(pick(r, 0, displays - 1)));
            t += uniform(r, 1.5, 3);
        } else if (kind == 13) {
            const ProcessID pid = anyPid();
            add(t, "activateApp", [pid](vmac::VirtualMac& mac) { mac.activateApp(pid); });
            t += uniform(r, 0.5, 2);
        } else if (kind == 14) {
            WindowNumber number = nextWindow++;
            add(t, "openWindow", openWindowOf(anyPid(), number, { 120, 90, 700, 500 }));
            add(t + uniform(r, 0.5, 1.5), "closeWindow", [number](vmac::VirtualMac& mac) { mac.closeWindow(number); });
            t += uniform(r, 2, 3);
        } else if (kind == 15) {
            add(t, "moveWindow", moveWindowBy(anyWindow(), uniform(r, -300, 300), uniform(r, -200, 200)));
            t += uniform(r, 0.5, 2);
        } else if (kind == 16) {
            // A display plugged in between visits, unplugged a while later.
            const DisplayID number = nextDisplay++;
            add(t, "plugDisplay", plugDisplay(number, { 2560, 1440 }));
            add(t + uniform(r, 4, 12), "unplugDisplay", unplugDisplay(number));
            t += uniform(r, 2, 4);
        } else if (kind <= 18) {
            // App Exposé of the front application (sometimes another one brought forward
            // first), left with the key or by clicking a thumbnail.
            if (chance(r, 0.5)) {
                const ProcessID pid = anyPid();
                add(t, "activateApp", [pid](vmac::VirtualMac& mac) { mac.activateApp(pid); });
                t += uniform(r, 0.5, 1.5);
            }
            const double stay = uniform(r, 0.8, 4.0);
            add(t, "openAppExpose", [](vmac::VirtualMac& mac) { mac.openAppExpose(); });
            leave(t + stay);
            t += stay + uniform(r, 1.5, 4);
        } else {
            // A long idle stretch.
            t += uniform(r, 5, 12);
        }
    }
    std::stable_sort(s.timeline.begin(), s.timeline.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    s.duration = seconds;
}

} // namespace talvora::host
