#pragma once

#include "platform/input.h"
#include "platform/preferences_store.h"
#include "vmac/app_bundles.h"
#include "vmac/virtual_desktop.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace talvora::vmac {

class VirtualMac;

// The two buttons of a hovered icon, as a scenario names them.
enum class IconButton { Close, Minimize };

// What a scenario's actions need besides the Mac itself: writing the preferences domain as
// another process would (a value, or nothing to delete the key).
struct ScenarioHooks {
    std::function<void(const std::string& key, const std::optional<PreferenceValue>& value)> writePreferenceFromOtherProcess;
    // The user clicks, scrolls, swipes or types somewhere on the desktop.
    std::function<void(EventType)> userInput;
    // Accessibility is granted to or taken from this process.
    std::function<void(bool trusted)> setAccessibilityTrusted;
    // The pointer moves to a point in AppKit global coordinates.
    std::function<void(Point)> movePointer;
    // The left button is pressed and released where the pointer is.
    std::function<void()> click;
    // The pointer moves to the close or minimize button of a window's icon as the overlay
    // draws it, and the left button is pressed and released there a moment later. Nothing
    // happens while the window has no icon.
    std::function<void(WindowNumber window, IconButton button)> clickIconButton;
    // The system switches the event taps off, for a timeout (true) or for user input.
    std::function<void(bool byTimeout)> disableEventTaps;
    // The host takes a picture of every display (the headless demo writes it out).
    std::function<void(const std::string& caption)> snapshot;
    // The settings window opens (or comes forward) on a tab, given by its title; empty keeps
    // the tab it shows.
    std::function<void(const std::string& tab)> openSettings;
};

// One step of a timeline, at a time in seconds after the scenario starts.
struct TimelineAction {
    double at = 0;
    std::string verb;
    std::string description; // for the demo's timeline
    std::function<void(VirtualMac&, ScenarioHooks&)> apply;
};

// A desktop and a timeline of what happens on it, read from JSON.
struct Scenario {
    std::string description;
    VirtualDesktop desktop;
    ProcessID talvoraPID = 900;
    std::map<std::string, PreferenceValue> initialPreferences;
    bool debugLogging = false; // create the marker that turns the debug log on
    bool accessibilityTrusted = false;
    // Application bundles written to the home's Applications folder before the app starts.
    std::vector<AppBundleSpec> installedApps;
    std::vector<TimelineAction> timeline; // sorted by time
    double duration = 0; // seconds to run; at least the last action's time
};

struct ScenarioResult {
    std::optional<Scenario> scenario;
    std::string error; // set when the scenario could not be read, naming the place
};

ScenarioResult parseScenario(const std::string& jsonText);
ScenarioResult loadScenarioFile(const std::string& path);

// A preference value from its JSON form: {"type": "...", "value": ...} or a bare Boolean,
// number (integral numbers are integers) or string.
std::optional<PreferenceValue> preferenceValueFromJson(const std::string& jsonText, std::string* error = nullptr);

} // namespace talvora::vmac
