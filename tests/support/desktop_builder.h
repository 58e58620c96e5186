#pragma once

#include "vmac/scenario.h"
#include "vmac/virtual_mac.h"

#include <memory>
#include <string>

namespace talvora::test_support {

// Sets up a test desktop in one declarative expression:
//   DesktopBuilder().display(1, {0, 0, 1440, 900}).app(501, "Safari").window(1001, 501, {100, 100, 800, 600}, "Start")
// Display bounds and window bounds are in window-server coordinates.
class DesktopBuilder {
public:
    DesktopBuilder()
    {
        auto talvora = std::make_shared<vmac::VirtualApp>();
        talvora->pid = m_scenario.talvoraPID;
        talvora->localizedName = "Talvora";
        talvora->bundleIdentifier = "app.talvora.Talvora";
        talvora->activationPolicy = ActivationPolicy::Accessory;
        m_scenario.desktop.apps.push_back(talvora);
    }

    DesktopBuilder& display(std::optional<DisplayID> number, Rect bounds)
    {
        if (m_scenario.desktop.displays.empty())
            m_primaryHeight = bounds.height;
        m_scenario.desktop.displays.push_back({ number, vmac::appKitFrameFromGlobal(bounds, m_primaryHeight), 24 });
        return *this;
    }
    DesktopBuilder& app(ProcessID pid, std::string name, ActivationPolicy policy = ActivationPolicy::Regular)
    {
        auto app = std::make_shared<vmac::VirtualApp>();
        app->pid = pid;
        app->localizedName = name;
        app->bundleIdentifier = "com.example." + name;
        app->activationPolicy = policy;
        app->icon = vmac::makeSolidIcon(0xFF000000u | static_cast<std::uint32_t>(pid));
        m_scenario.desktop.apps.push_back(app);
        return *this;
    }
    DesktopBuilder& window(WindowNumber number, ProcessID pid, Rect bounds, std::optional<std::string> title = {}, double alpha = 1)
    {
        vmac::VirtualWindow w;
        w.number = number;
        w.pid = pid;
        w.title = std::move(title);
        w.bounds = bounds;
        w.alpha = alpha;
        m_scenario.desktop.windows.push_back(std::move(w));
        return *this;
    }
    // The display added last gets this many Spaces.
    DesktopBuilder& spaces(int count)
    {
        m_scenario.desktop.displays.back().spaceCount = count;
        return *this;
    }
    // The window added last lives on this Space of its display.
    DesktopBuilder& onSpace(int space)
    {
        m_scenario.desktop.windows.back().space = space;
        return *this;
    }
    // Damages the entry of the window added last.
    DesktopBuilder& quirks(std::vector<vmac::EntryQuirk> quirks)
    {
        m_scenario.desktop.windows.back().quirks = std::move(quirks);
        return *this;
    }
    DesktopBuilder& front(ProcessID pid)
    {
        m_scenario.desktop.frontmostPID = pid;
        return *this;
    }
    DesktopBuilder& debugLogging()
    {
        m_scenario.debugLogging = true;
        return *this;
    }
    DesktopBuilder& preference(const std::string& key, PreferenceValue value)
    {
        m_scenario.initialPreferences[key] = std::move(value);
        return *this;
    }
    DesktopBuilder& accessibilityTrusted(bool trusted = true)
    {
        m_scenario.accessibilityTrusted = trusted;
        return *this;
    }
    // How the Accessibility of the window added last misbehaves.
    DesktopBuilder& windowAccessibility(std::vector<vmac::AXQuirk> quirks)
    {
        m_scenario.desktop.windows.back().axQuirks = std::move(quirks);
        return *this;
    }
    // How the Accessibility of the app added last misbehaves.
    DesktopBuilder& appAccessibility(std::vector<vmac::AXQuirk> quirks)
    {
        m_scenario.desktop.apps.back()->axQuirks = std::move(quirks);
        return *this;
    }
    vmac::Scenario build() const { return m_scenario; }

private:
    vmac::Scenario m_scenario;
    double m_primaryHeight = 0;
};

} // namespace talvora::test_support
