// Scenarios: a desktop and a timeline, as JSON.
//
// Top level: "description", "talvoraPID", "debugLogging", "accessibilityTrusted", "screenRecording",
// "controlCenterName", "offScreenEntriesPerOnScreen", "displays", "apps", "front",
// "preferences", "timeline", "duration"; "overview": "dock" (default) or "windowManager" (the
// overview drawn by one WindowManager window per display); "missionControlTimings": any of
// "openDuration", "closeDuration", "markerDelay", "spaceSwitchBackdropGap", "relayoutDuration"
// (seconds); "thumbnailLayout": any of "spacesBarHeightFraction", "marginFraction",
// "cellPadding", "maxWindowScale", "maxDisplayFraction".
// A display: "number" (or null), "bounds" (window-server) or "frame" (AppKit), "menuBarHeight",
// "spaces" (how many, default 1), "activeSpace" (index, default 0).
// A window: "number", "bounds", "title", "layer", "alpha", "minimized", "quirks", "space"
// (index on its display, default 0), "accessibility" (how its Accessibility misbehaves: any of
// "missingFromWindows", "windowNumberZero", "noCloseButton", "noMinimizeButton", "pressFails",
// "saveSheetOnClose"). An app's "accessibility" takes the same names for all its windows, and
// "windowsWrongType" and "hangs" for the application itself.
// "installedApps" (top level): application bundles written into the home's Applications folder
// at start, each "name" (Name.app), "bundleID", "displayName" (optional), "color" (#rrggbb, the
// icon; without it the generic application icon); an app's "bundlePath" under "/Applications/"
// means that folder.
// Timeline actions ("at" seconds, "do" verb): moveWindow {window, to}, setWindowBounds
// {window, bounds}, closeWindow / minimizeWindow / unminimizeWindow {window}, openWindow {pid,
// window} (on the active Space of its display unless the window names one), activateApp /
// hideApp / unhideApp / quitApp {pid}, addDisplay {display}, removeDisplay {number},
// writePreference {key, value}, deletePreference {key}, failNextWindowListQuery {how},
// setScreenRecording {granted}, userInput {event: click, rightClick, otherClick, scroll,
// magnify, swipe, keyDown, flagsChanged}, setAccessibility {trusted}, openMissionControl, closeMissionControl,
// pressMissionControlKey, openAppExpose (the front application's windows; closeMissionControl
// leaves it), clickThumbnail {window}, switchSpace {display (number or null),
// space}, addSpace {display}, movePointer {display, at: [x, y]} (points from the display's
// top-left corner, y down) or {thumbnail: window, offset: [dx, dy]} (from the centre of the
// window's thumbnail, y down; ignored while the window has none), click (where the pointer is),
// clickAt {display, point: [x, y]} (points from the display's top-left corner, y down: the
// pointer moves there and clicks), clickIconButton {window,
// button: close or minimize} (the pointer moves to that button of the window's icon and clicks
// a moment later; ignored while the window has no icon), disableEventTaps {how: timeout or
// userInput} (the system switches the session's event taps off and tells them), snapshot
// {caption} (a picture of every display, for hosts that take them), openSettings {tab} (the
// settings window, on the tab of that title when given).

#include "vmac/scenario.h"

#include "vmac/app_icons.h"
#include "vmac/spaces.h"
#include "vmac/input_file.h"
#include "vmac/scenario_reader.h"
#include "vmac/virtual_mac.h"
#include "platform/input_checks.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace talvora::vmac {

namespace {

using nlohmann::json;

namespace limits = scenario_limits;

// The scenario's own reader: checked members, plus the short forms the action readers use.
struct Reader : ScenarioReader {
    using ScenarioReader::rect;
    using ScenarioReader::string;

    // A required integer member, checked against T's range.
    template<typename T>
    std::optional<T> number(const json& object, const char* key, const std::string& where)
    {
        const bool wasFailed = failed();
        T value = integer<T>(object, key, where);
        if (failed() && !wasFailed)
            return std::nullopt;
        return wasFailed ? std::nullopt : std::optional<T>(value);
    }

    // An optional string member; one of another type is a fault.
    std::optional<std::string> string(const json& object, const char* key) { return string(object, key, "scenario"); }

    std::optional<Rect> rect(const json& value, const std::string& where) { return rect(value, where, limits::kMaxWindowSize); }
};

std::optional<std::uint32_t> parseColor(const std::string& text)
{
    if (text.size() != 7 || text[0] != '#')
        return std::nullopt;
    std::uint32_t rgb = 0;
    for (char c : text.substr(1)) {
        rgb <<= 4;
        if (c >= '0' && c <= '9')
            rgb |= static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            rgb |= static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            rgb |= static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
    }
    return 0xFF000000u | rgb;
}

std::optional<PreferenceValue> preferenceFromJson(const json& j, std::string& error)
{
    if (j.is_boolean())
        return PreferenceValue(j.get<bool>());
    if (j.is_number_integer()) {
        if (auto i = integerFromJson<std::int64_t>(j))
            return PreferenceValue(*i);
        error = "an integer must fit in 64 bits";
        return std::nullopt;
    }
    if (j.is_number())
        return PreferenceValue(j.get<double>());
    if (j.is_string())
        return PreferenceValue(j.get<std::string>());
    if (!j.is_object() || !j.contains("type") || !j["type"].is_string() || !j.contains("value")) {
        error = "expected a Boolean, number, string or {\"type\", \"value\"}";
        return std::nullopt;
    }
    const std::string& type = j["type"].get_ref<const std::string&>();
    const json& v = j["value"];
    if (type == "boolean" && v.is_boolean())
        return PreferenceValue(v.get<bool>());
    if (type == "integer" && v.is_number_integer()) {
        if (auto i = integerFromJson<std::int64_t>(v))
            return PreferenceValue(*i);
    }
    if (type == "double" && v.is_number())
        return PreferenceValue(v.get<double>());
    if (type == "string" && v.is_string())
        return PreferenceValue(v.get<std::string>());
    if (type == "array" && v.is_array() && std::all_of(v.begin(), v.end(), [](const json& e) { return e.is_string(); }))
        return PreferenceValue(v.get<StringArray>());
    if (type == "data" && v.is_string()) {
        // Raw bytes written as text (the JSON of the pinned apps, for instance).
        std::string text = v.get<std::string>();
        return PreferenceValue(PreferenceData(text.begin(), text.end()));
    }
    error = "value does not match type " + ScenarioReader::shown(type);
    return std::nullopt;
}

std::optional<VirtualDisplay> readDisplay(Reader& r, const json& j, const std::string& where, std::optional<double> primaryHeight)
{
    if (!j.is_object()) {
        r.fail(where, "a display must be an object");
        return std::nullopt;
    }
    VirtualDisplay display;
    if (auto it = j.find("number"); it != j.end() && !it->is_null())
        display.number = r.integer<DisplayID>(j, "number", where, std::nullopt, 1);
    const bool framed = j.contains("frame");
    auto rect = r.rect(framed ? j["frame"] : j.value("bounds", json()), where + (framed ? ".frame" : ".bounds"), limits::kMaxDisplaySize);
    if (!rect)
        return std::nullopt;
    // The primary display defines the origin of both spaces.
    display.frame = framed ? *rect : appKitFrameFromGlobal(*rect, primaryHeight.value_or(rect->maxY()));
    if (display.frame.isEmpty()) {
        r.fail(where, "a display needs a positive size");
        return std::nullopt;
    }
    display.menuBarHeight = r.real(j, "menuBarHeight", where, 24.0, 0, display.frame.height);
    display.spaceCount = r.integer<int>(j, "spaces", where, 1, 1, limits::kMaxSpaces);
    display.activeSpace = r.integer<int>(j, "activeSpace", where, 0, 0, limits::kMaxSpaces - 1);
    if (r.failed())
        return std::nullopt;
    if (display.activeSpace >= display.spaceCount) {
        r.fail(where, "needs \"spaces\" ≥ 1 and 0 ≤ \"activeSpace\" < \"spaces\"");
        return std::nullopt;
    }
    return display;
}

// "accessibility": the names of the ways an application's Accessibility misbehaves.
bool readAXQuirks(Reader& r, const json& j, const std::string& where, std::vector<AXQuirk>& quirks)
{
    auto it = j.find("accessibility");
    if (it == j.end())
        return true;
    if (!it->is_array())
        return r.fail(where + ".accessibility", "must be an array of names");
    for (const auto& name : *it) {
        auto quirk = name.is_string() ? axQuirkNamed(name.get<std::string>()) : std::nullopt;
        if (!quirk)
            return r.fail(where + ".accessibility", "unknown quirk " + Reader::shown(name));
        quirks.push_back(*quirk);
    }
    return true;
}

std::optional<VirtualWindow> readWindow(Reader& r, const json& j, ProcessID pid, const std::string& where)
{
    if (!j.is_object()) {
        r.fail(where, "a window must be an object");
        return std::nullopt;
    }
    VirtualWindow w;
    w.pid = pid;
    w.number = r.integer<WindowNumber>(j, "number", where);
    if (r.failed())
        return std::nullopt;
    if (w.number == 0) {
        r.fail(where, "window number 0 is not a window");
        return std::nullopt;
    }
    auto bounds = r.rect(j.value("bounds", json()), where + ".bounds");
    if (!bounds)
        return std::nullopt;
    w.bounds = *bounds;
    w.title = r.string(j, "title", where);
    w.layer = r.integer<int>(j, "layer", where, 0);
    w.alpha = r.real(j, "alpha", where, 1.0, 0, 1);
    w.minimized = r.boolean(j, "minimized", where, false);
    w.space = r.integer<int>(j, "space", where, 0, 0, limits::kMaxSpaces - 1);
    if (r.failed())
        return std::nullopt;
    if (auto it = j.find("quirks"); it != j.end()) {
        if (!it->is_array()) {
            r.fail(where + ".quirks", "must be an array of names");
            return std::nullopt;
        }
        for (const auto& name : *it) {
            auto quirk = name.is_string() ? entryQuirkNamed(name.get<std::string>()) : std::nullopt;
            if (!quirk) {
                r.fail(where + ".quirks", "unknown quirk " + Reader::shown(name));
                return std::nullopt;
            }
            w.quirks.push_back(*quirk);
        }
    }
    if (!readAXQuirks(r, j, where, w.axQuirks))
        return std::nullopt;
    return w;
}

std::shared_ptr<VirtualApp> readApp(Reader& r, const json& j, const std::string& where, std::vector<VirtualWindow>& windows)
{
    if (!j.is_object()) {
        r.fail(where, "an app must be an object");
        return nullptr;
    }
    auto app = std::make_shared<VirtualApp>();
    app->pid = r.integer<ProcessID>(j, "pid", where, std::nullopt, 1);
    app->localizedName = r.string(j, "name", where);
    app->bundleIdentifier = r.string(j, "bundleID", where);
    app->bundlePath = r.string(j, "bundlePath", where);
    const std::string policy = r.string(j, "policy", where).value_or("regular");
    app->hidden = r.boolean(j, "hidden", where, false);
    const auto color = r.string(j, "color", where);
    const std::string icon = r.string(j, "icon", where).value_or("app");
    if (r.failed())
        return nullptr;
    if (policy == "regular")
        app->activationPolicy = ActivationPolicy::Regular;
    else if (policy == "accessory")
        app->activationPolicy = ActivationPolicy::Accessory;
    else if (policy == "prohibited")
        app->activationPolicy = ActivationPolicy::Prohibited;
    else {
        r.fail(where + ".policy", "must be regular, accessory or prohibited");
        return nullptr;
    }
    if (!readAXQuirks(r, j, where, app->axQuirks))
        return nullptr;
    if (icon != "app" && icon != "bundle" && icon != "none") {
        r.fail(where + ".icon", "must be app, bundle or none");
        return nullptr;
    }
    if (color) {
        auto argb = parseColor(*color);
        if (!argb) {
            r.fail(where + ".color", "must look like #rrggbb");
            return nullptr;
        }
        // "icon": "bundle" keeps the icon in the bundle only, as for an app whose running
        // instance reports none.
        if (icon == "bundle")
            app->bundleIcon = makeAppIcon(*argb, static_cast<std::uint32_t>(app->pid));
        else if (icon != "none")
            app->icon = makeAppIcon(*argb, static_cast<std::uint32_t>(app->pid));
    }
    if (auto it = j.find("windows"); it != j.end()) {
        if (!it->is_array()) {
            r.fail(where + ".windows", "must be an array");
            return nullptr;
        }
        if (windows.size() + it->size() > limits::kMaxWindows) {
            r.fail(where + ".windows", "a scenario holds at most " + std::to_string(limits::kMaxWindows) + " windows");
            return nullptr;
        }
        for (std::size_t i = 0; i < it->size(); ++i) {
            auto w = readWindow(r, (*it)[i], app->pid, where + ".windows[" + std::to_string(i) + "]");
            if (!w)
                return nullptr;
            windows.push_back(std::move(*w));
        }
    }
    return app;
}

// The settings window: opened as the status menu's "Preferences…" would, on a tab when named.
bool readOpenSettings(Reader& r, const json& j, const std::string& where, TimelineAction& action)
{
    static constexpr const char* kTabs[] = { "General", "Icons", "Highlights", "Labels" };
    auto tab = r.string(j, "tab", where).value_or("");
    if (r.failed())
        return false;
    if (!tab.empty() && std::find(std::begin(kTabs), std::end(kTabs), tab) == std::end(kTabs))
        return r.fail(where, "openSettings: \"tab\" must be General, Icons, Highlights or Labels");
    action.description = "open settings" + (tab.empty() ? std::string() : ": " + tab);
    action.apply = [tab](VirtualMac&, ScenarioHooks& hooks) {
        if (hooks.openSettings)
            hooks.openSettings(tab);
    };
    return true;
}

// Clicks at a point and on the buttons of an icon, and event taps switched off by the system.
// False when the verb is not one of them.
bool readInputAction(Reader& r, const json& j, const std::string& where, TimelineAction& action)
{
    const std::string& verb = action.verb;
    if (verb == "clickAt") {
        auto display = r.number<DisplayID>(j, "display", where);
        auto point = display ? r.point(j.value("point", json()), where + ".point") : std::nullopt;
        if (!display || !point) {
            r.fail(where, "clickAt needs \"display\" and \"point\": [x, y]");
            action.apply = nullptr;
            return true;
        }
        const Point p = *point;
        action.description = "click on display " + std::to_string(*display);
        action.apply = [d = *display, p](VirtualMac& mac, ScenarioHooks& hooks) {
            auto global = mac.displayPointToAppKit(d, p);
            if (!global || !hooks.movePointer || !hooks.click)
                return;
            hooks.movePointer(*global);
            hooks.click();
        };
        return true;
    }
    if (verb == "disableEventTaps") {
        const std::string how = r.string(j, "how", where).value_or("");
        if (how != "timeout" && how != "userInput") {
            r.fail(where, "disableEventTaps needs \"how\": timeout or userInput");
            action.apply = nullptr;
            return true;
        }
        action.description = "the system switches event taps off (" + how + ")";
        action.apply = [byTimeout = how == "timeout"](VirtualMac&, ScenarioHooks& hooks) {
            if (hooks.disableEventTaps)
                hooks.disableEventTaps(byTimeout);
        };
        return true;
    }
    if (verb == "clickIconButton") {
        auto window = r.number<WindowNumber>(j, "window", where);
        const std::string name = r.string(j, "button", where).value_or("");
        if (!window || (name != "close" && name != "minimize")) {
            r.fail(where, "clickIconButton needs \"window\" and \"button\": close or minimize");
            action.apply = nullptr;
            return true;
        }
        const IconButton button = name == "close" ? IconButton::Close : IconButton::Minimize;
        action.description = "click " + name + " on the icon of " + std::to_string(*window);
        action.apply = [w = *window, button](VirtualMac&, ScenarioHooks& hooks) {
            if (hooks.clickIconButton)
                hooks.clickIconButton(w, button);
        };
        return true;
    }
    return false;
}

std::optional<TimelineAction> readAction(Reader& r, const json& j, const std::string& where, double primaryHeight)
{
    if (!j.is_object() || !j.contains("do") || !j["do"].is_string()) {
        r.fail(where, "an action needs \"do\"");
        return std::nullopt;
    }
    TimelineAction action;
    action.at = r.real(j, "at", where, std::nullopt, 0, limits::kMaxDuration);
    if (r.failed())
        return std::nullopt;
    action.verb = j["do"];
    action.description = action.verb;
    const std::string& verb = action.verb;

    auto windowArg = [&]() -> std::optional<WindowNumber> { return r.number<WindowNumber>(j, "window", where); };
    auto pidArg = [&]() -> std::optional<ProcessID> { return r.number<ProcessID>(j, "pid", where); };

    if (readInputAction(r, j, where, action)) {
        if (!action.apply)
            return std::nullopt;
    } else if (verb == "moveWindow") {
        auto window = windowArg();
        auto origin = window ? r.point(j.value("to", json()), where + ".to") : std::nullopt;
        if (!window || !origin)
            return std::nullopt;
        action.description = "move window " + std::to_string(*window);
        action.apply = [w = *window, o = *origin](VirtualMac& mac, ScenarioHooks&) { mac.moveWindow(w, o); };
    } else if (verb == "setWindowBounds") {
        auto window = windowArg();
        auto bounds = r.rect(j.value("bounds", json()), where + ".bounds");
        if (!window || !bounds)
            return std::nullopt;
        action.description = "resize window " + std::to_string(*window);
        action.apply = [w = *window, b = *bounds](VirtualMac& mac, ScenarioHooks&) { mac.setWindowBounds(w, b); };
    } else if (verb == "closeWindow" || verb == "minimizeWindow" || verb == "unminimizeWindow") {
        auto window = windowArg();
        if (!window)
            return std::nullopt;
        action.description = verb + " " + std::to_string(*window);
        action.apply = [w = *window, verb](VirtualMac& mac, ScenarioHooks&) {
            if (verb == "closeWindow")
                mac.closeWindow(w);
            else
                mac.setWindowMinimized(w, verb == "minimizeWindow");
        };
    } else if (verb == "openWindow") {
        auto pid = pidArg();
        if (!pid)
            return std::nullopt;
        auto window = readWindow(r, j.value("window", json()), *pid, where + ".window");
        if (!window)
            return std::nullopt;
        action.description = "open window " + std::to_string(window->number);
        const bool spaceGiven = j["window"].contains("space");
        action.apply = [w = *window, spaceGiven](VirtualMac& mac, ScenarioHooks&) {
            VirtualWindow opened = w;
            if (!spaceGiven)
                opened.space = activeSpaceAt(mac.desktop(), opened.bounds);
            mac.openWindow(opened);
        };
    } else if (verb == "activateApp" || verb == "hideApp" || verb == "unhideApp" || verb == "quitApp") {
        auto pid = pidArg();
        if (!pid)
            return std::nullopt;
        action.description = verb + " " + std::to_string(*pid);
        action.apply = [p = *pid, verb](VirtualMac& mac, ScenarioHooks&) {
            if (verb == "activateApp")
                mac.activateApp(p);
            else if (verb == "quitApp")
                mac.quitApp(p);
            else
                mac.setAppHidden(p, verb == "hideApp");
        };
    } else if (verb == "addDisplay") {
        auto display = readDisplay(r, j.value("display", json()), where + ".display", primaryHeight);
        if (!display)
            return std::nullopt;
        action.description = "add display";
        action.apply = [d = *display](VirtualMac& mac, ScenarioHooks&) { mac.addDisplay(d); };
    } else if (verb == "removeDisplay") {
        auto it = j.find("number");
        if (it == j.end()) {
            r.fail(where, "removeDisplay needs \"number\" (an integer or null)");
            return std::nullopt;
        }
        std::optional<DisplayID> number;
        if (!it->is_null())
            number = r.number<DisplayID>(j, "number", where);
        if (r.failed())
            return std::nullopt;
        action.description = "remove display";
        action.apply = [number](VirtualMac& mac, ScenarioHooks&) { mac.removeDisplay(number); };
    } else if (verb == "writePreference" || verb == "deletePreference") {
        auto key = r.string(j, "key", where, /*required=*/true);
        if (!key) {
            r.fail(where, "a preference action needs \"key\"");
            return std::nullopt;
        }
        std::optional<PreferenceValue> value;
        if (verb == "writePreference") {
            std::string error;
            auto it = j.find("value");
            value = preferenceFromJson(it == j.end() ? json() : *it, error);
            if (!value) {
                r.fail(where + ".value", error);
                return std::nullopt;
            }
        }
        action.description = verb + " " + *key;
        action.apply = [k = *key, value](VirtualMac&, ScenarioHooks& hooks) {
            if (hooks.writePreferenceFromOtherProcess)
                hooks.writePreferenceFromOtherProcess(k, value);
        };
    } else if (verb == "failNextWindowListQuery") {
        std::string how = r.string(j, "how", where).value_or("null");
        if (r.failed())
            return std::nullopt;
        if (how != "null" && how != "malformed") {
            r.fail(where, "\"how\" must be null or malformed");
            return std::nullopt;
        }
        auto status = how == "null" ? WindowListReply::Status::Null : WindowListReply::Status::Malformed;
        action.description = "window list query fails (" + how + ")";
        action.apply = [status](VirtualMac& mac, ScenarioHooks&) { mac.failNextWindowListQuery(status); };
    } else if (verb == "userInput") {
        static constexpr std::pair<const char*, EventType> kEvents[] = { { "click", EventType::LeftMouseDown },
            { "rightClick", EventType::RightMouseDown }, { "otherClick", EventType::OtherMouseDown },
            { "scroll", EventType::ScrollWheel }, { "magnify", EventType::Magnify }, { "swipe", EventType::Swipe },
            { "keyDown", EventType::KeyDown }, { "flagsChanged", EventType::FlagsChanged } };
        std::string name = r.string(j, "event", where).value_or("click");
        if (r.failed())
            return std::nullopt;
        auto it = std::find_if(std::begin(kEvents), std::end(kEvents), [&](const auto& e) { return name == e.first; });
        if (it == std::end(kEvents)) {
            r.fail(where + ".event", "unknown event " + Reader::shown(name));
            return std::nullopt;
        }
        action.description = "user input: " + name;
        action.apply = [type = it->second](VirtualMac&, ScenarioHooks& hooks) {
            if (hooks.userInput)
                hooks.userInput(type);
        };
    } else if (verb == "setAccessibility") {
        bool trusted = r.boolean(j, "trusted", where, true);
        if (r.failed())
            return std::nullopt;
        action.description = trusted ? "Accessibility granted" : "Accessibility revoked";
        action.apply = [trusted](VirtualMac&, ScenarioHooks& hooks) {
            if (hooks.setAccessibilityTrusted)
                hooks.setAccessibilityTrusted(trusted);
        };
    } else if (verb == "setScreenRecording") {
        bool granted = r.boolean(j, "granted", where, true);
        if (r.failed())
            return std::nullopt;
        action.description = granted ? "screen recording granted" : "screen recording revoked";
        action.apply = [granted](VirtualMac& mac, ScenarioHooks&) { mac.setScreenRecordingGranted(granted); };
    } else if (verb == "openMissionControl" || verb == "closeMissionControl" || verb == "pressMissionControlKey"
        || verb == "openAppExpose") {
        action.apply = [verb](VirtualMac& mac, ScenarioHooks&) {
            if (verb == "openMissionControl")
                mac.openMissionControl();
            else if (verb == "openAppExpose")
                mac.openAppExpose();
            else if (verb == "closeMissionControl")
                mac.closeMissionControl();
            else
                mac.pressMissionControlKey();
        };
    } else if (verb == "clickThumbnail") {
        auto window = windowArg();
        if (!window)
            return std::nullopt;
        action.description = "click thumbnail of " + std::to_string(*window);
        action.apply = [w = *window](VirtualMac& mac, ScenarioHooks&) { mac.clickThumbnail(w); };
    } else if (verb == "movePointer") {
        if (j.contains("thumbnail")) {
            auto window = r.number<WindowNumber>(j, "thumbnail", where);
            auto offset = j.contains("offset") ? r.point(j["offset"], where + ".offset") : std::optional<Point>(Point {});
            if (!window || !offset) {
                r.fail(where, "movePointer needs \"thumbnail\" and optionally \"offset\": [dx, dy]");
                return std::nullopt;
            }
            action.description = "pointer to the thumbnail of " + std::to_string(*window);
            action.apply = [w = *window, d = *offset](VirtualMac& mac, ScenarioHooks& hooks) {
                auto frame = mac.thumbnailFrame(w);
                if (frame && hooks.movePointer)
                    hooks.movePointer(mac.appKitPoint({ frame->x + frame->width / 2 + d.x, frame->y + frame->height / 2 + d.y }));
            };
        } else {
            auto display = r.number<DisplayID>(j, "display", where);
            auto at = display ? r.point(j.value("at", json()), where + ".at") : std::nullopt;
            if (!display || !at) {
                r.fail(where, "movePointer needs \"display\" and \"at\": [x, y]");
                return std::nullopt;
            }
            action.description = "pointer to display " + std::to_string(*display);
            action.apply = [d = *display, p = *at](VirtualMac& mac, ScenarioHooks& hooks) {
                auto global = mac.displayPointToAppKit(d, p);
                if (global && hooks.movePointer)
                    hooks.movePointer(*global);
            };
        }
    } else if (verb == "snapshot") {
        auto caption = r.string(j, "caption", where).value_or("");
        if (r.failed())
            return std::nullopt;
        action.description = "snapshot" + (caption.empty() ? std::string() : ": " + caption);
        action.apply = [caption](VirtualMac&, ScenarioHooks& hooks) {
            if (hooks.snapshot)
                hooks.snapshot(caption);
        };
    } else if (verb == "click") {
        action.description = "click";
        action.apply = [](VirtualMac&, ScenarioHooks& hooks) {
            if (hooks.click)
                hooks.click();
        };
    } else if (verb == "switchSpace" || verb == "addSpace") {
        auto it = j.find("display");
        if (it == j.end()) {
            r.fail(where, verb + " needs \"display\" (an integer or null)");
            return std::nullopt;
        }
        std::optional<DisplayID> display;
        if (!it->is_null())
            display = r.number<DisplayID>(j, "display", where);
        if (r.failed())
            return std::nullopt;
        const std::string displayName = display ? std::to_string(*display) : "without number";
        if (verb == "addSpace") {
            action.description = "add a Space to display " + displayName;
            action.apply = [display](VirtualMac& mac, ScenarioHooks&) { mac.addSpace(display); };
        } else {
            auto space = r.integer<int>(j, "space", where, std::nullopt, 0, limits::kMaxSpaces - 1);
            if (r.failed())
                return std::nullopt;
            action.description = "switch display " + displayName + " to Space " + std::to_string(space);
            action.apply = [display, s = space](VirtualMac& mac, ScenarioHooks&) { mac.switchSpace(display, s); };
        }
    } else if (verb == "openSettings") {
        if (!readOpenSettings(r, j, where, action))
            return std::nullopt;
    } else {
        r.fail(where, "unknown action \"" + verb + "\"");
        return std::nullopt;
    }
    return action;
}

// Timings in seconds and layout fractions and factors: anything larger is a typing error.
constexpr double kMaxTunable = 1000;

// Reads the named numbers of an object into the fields they name; nothing else is allowed in it.
std::string readTunables(const json& root, const char* key, std::initializer_list<std::pair<const char*, double*>> fields)
{
    auto it = root.find(key);
    if (it == root.end())
        return {};
    if (!it->is_object())
        return std::string(key) + ": must be an object";
    for (const auto& item : it->items()) {
        const std::string& name = item.key();
        const json& value = item.value();
        auto field = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return name == f.first; });
        if (field == fields.end())
            return std::string(key) + ": unknown member " + ScenarioReader::shown(name);
        if (!value.is_number() || !(value.get<double>() >= 0 && value.get<double>() <= kMaxTunable))
            return std::string(key) + "." + name + ": must be a number from 0 to 1000, not " + ScenarioReader::shown(value);
        *field->second = value.get<double>();
    }
    return {};
}

std::string readMissionControlSettings(const json& root, VirtualDesktop& desktop)
{
    auto it = root.find("overview");
    if (it != root.end() && !it->is_string())
        return "overview: must be \"dock\" or \"windowManager\"";
    const std::string overview = it == root.end() ? "dock" : it->get<std::string>();
    if (overview == "windowManager")
        desktop.overviewStyle = OverviewStyle::WindowManager;
    else if (overview != "dock")
        return "overview: must be \"dock\" or \"windowManager\"";
    auto& t = desktop.missionControlTimings;
    auto error = readTunables(root, "missionControlTimings",
        { { "openDuration", &t.openDuration }, { "closeDuration", &t.closeDuration }, { "markerDelay", &t.markerDelay },
            { "spaceSwitchBackdropGap", &t.spaceSwitchBackdropGap }, { "relayoutDuration", &t.relayoutDuration } });
    if (!error.empty())
        return error;
    auto& l = desktop.thumbnailLayout;
    return readTunables(root, "thumbnailLayout",
        { { "spacesBarHeightFraction", &l.spacesBarHeightFraction }, { "marginFraction", &l.marginFraction },
            { "cellPadding", &l.cellPadding }, { "maxWindowScale", &l.maxWindowScale },
            { "maxDisplayFraction", &l.maxDisplayFraction } });
}

// The application bundles to install: names are file names, each used once.
std::string readInstalledApps(const json& root, std::vector<AppBundleSpec>& installed)
{
    auto it = root.find("installedApps");
    if (it == root.end())
        return {};
    if (!it->is_array())
        return "installedApps: must be an array";
    if (it->size() > limits::kMaxApps)
        return "installedApps: at most " + std::to_string(limits::kMaxApps) + " applications";
    for (std::size_t i = 0; i < it->size(); ++i) {
        const json& j = (*it)[i];
        const std::string where = "installedApps[" + std::to_string(i) + "]";
        if (!j.is_object())
            return where + ": an installed app must be an object";
        AppBundleSpec spec;
        auto name = j.find("name");
        if (name == j.end() || !name->is_string())
            return where + ": needs \"name\"";
        spec.name = name->get<std::string>();
        if (spec.name.empty() || spec.name == "." || spec.name == ".." || spec.name.find('/') != std::string::npos)
            return where + ": \"name\" must be a file name";
        auto clash = std::find_if(installed.begin(), installed.end(), [&](const auto& other) { return other.name == spec.name; });
        if (clash != installed.end())
            return where + ": " + ScenarioReader::shown(spec.name) + " is installed twice";
        auto bundleID = j.find("bundleID");
        if (bundleID == j.end() || !bundleID->is_string() || bundleID->get<std::string>().empty())
            return where + ": needs \"bundleID\"";
        spec.bundleIdentifier = bundleID->get<std::string>();
        if (auto displayName = j.find("displayName"); displayName != j.end()) {
            if (!displayName->is_string())
                return where + ": \"displayName\" must be a string";
            spec.displayName = displayName->get<std::string>();
        }
        if (auto color = j.find("color"); color != j.end()) {
            auto argb = color->is_string() ? parseColor(color->get<std::string>()) : std::nullopt;
            if (!argb)
                return where + ": \"color\" must look like #rrggbb";
            // Seeded by place, so that installed apps look different from one another.
            spec.icon = makeAppIcon(*argb, static_cast<std::uint32_t>(i + 7));
        }
        installed.push_back(std::move(spec));
    }
    return {};
}

// A member that must be an array when present; absent is an empty one.
const json* arrayMember(Reader& r, const json& root, const char* key)
{
    static const json kEmpty = json::array();
    auto it = root.find(key);
    if (it == root.end())
        return &kEmpty;
    if (!it->is_array()) {
        r.fail(key, "must be an array");
        return nullptr;
    }
    return &*it;
}

ScenarioResult parseScenarioObject(const json& root)
{
    Reader r;
    Scenario s;
    const std::string top = "scenario";
    s.description = r.string(root, "description", top).value_or("");
    s.talvoraPID = r.integer<ProcessID>(root, "talvoraPID", top, 900, 1);
    s.debugLogging = r.boolean(root, "debugLogging", top, false);
    s.accessibilityTrusted = r.boolean(root, "accessibilityTrusted", top, false);
    s.desktop.screenRecordingGranted = r.boolean(root, "screenRecording", top, true);
    s.desktop.controlCenterName = r.string(root, "controlCenterName", top).value_or("Control Center");
    s.desktop.offScreenEntriesPerOnScreen = r.integer<int>(root, "offScreenEntriesPerOnScreen", top, 9, 0, 100);
    std::optional<ProcessID> front;
    if (root.contains("front"))
        front = r.integer<ProcessID>(root, "front", top);
    s.duration = r.real(root, "duration", top, 0.0, 0, limits::kMaxDuration);
    if (r.failed())
        return { std::nullopt, r.error() };
    if (auto error = readMissionControlSettings(root, s.desktop); !error.empty())
        return { std::nullopt, error };

    const json* displays = arrayMember(r, root, "displays");
    if (!displays)
        return { std::nullopt, r.error() };
    if (displays->size() > limits::kMaxDisplays)
        return { std::nullopt, "displays: at most " + std::to_string(limits::kMaxDisplays) };
    std::optional<double> primaryHeight;
    for (std::size_t i = 0; i < displays->size(); ++i) {
        auto d = readDisplay(r, (*displays)[i], "displays[" + std::to_string(i) + "]", primaryHeight);
        if (!d)
            return { std::nullopt, r.error() };
        if (!primaryHeight)
            primaryHeight = d->frame.height;
        s.desktop.displays.push_back(*d);
    }

    // Talvora itself is a running accessory application on this Mac.
    auto talvora = std::make_shared<VirtualApp>();
    talvora->pid = s.talvoraPID;
    talvora->localizedName = "Talvora";
    talvora->bundleIdentifier = "app.talvora.Talvora";
    talvora->activationPolicy = ActivationPolicy::Accessory;
    s.desktop.apps.push_back(talvora);

    const json* apps = arrayMember(r, root, "apps");
    if (!apps)
        return { std::nullopt, r.error() };
    if (apps->size() > limits::kMaxApps)
        return { std::nullopt, "apps: at most " + std::to_string(limits::kMaxApps) };
    for (std::size_t i = 0; i < apps->size(); ++i) {
        auto app = readApp(r, (*apps)[i], "apps[" + std::to_string(i) + "]", s.desktop.windows);
        if (!app)
            return { std::nullopt, r.error() };
        s.desktop.apps.push_back(app);
    }
    if (auto error = readInstalledApps(root, s.installedApps); !error.empty())
        return { std::nullopt, error };
    s.desktop.frontmostPID = front;

    if (auto it = root.find("preferences"); it != root.end()) {
        if (!it->is_object())
            return { std::nullopt, "preferences: must be an object" };
        for (const auto& [key, value] : it->items()) {
            std::string error;
            auto v = preferenceFromJson(value, error);
            if (!v)
                return { std::nullopt, "preferences." + key + ": " + error };
            s.initialPreferences.emplace(key, *v);
        }
    }

    const json* timeline = arrayMember(r, root, "timeline");
    if (!timeline)
        return { std::nullopt, r.error() };
    if (timeline->size() > limits::kMaxActions)
        return { std::nullopt, "timeline: at most " + std::to_string(limits::kMaxActions) + " actions" };
    for (std::size_t i = 0; i < timeline->size(); ++i) {
        auto action = readAction(r, (*timeline)[i], "timeline[" + std::to_string(i) + "]", primaryHeight.value_or(0));
        if (!action)
            return { std::nullopt, r.error() };
        s.timeline.push_back(std::move(*action));
    }
    std::stable_sort(s.timeline.begin(), s.timeline.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    if (!s.timeline.empty())
        s.duration = std::max(s.duration, s.timeline.back().at);
    return { std::move(s), {} };
}

} // namespace

std::optional<PreferenceValue> preferenceValueFromJson(const std::string& jsonText, std::string* error)
{
    std::string message;
    std::optional<PreferenceValue> value;
    if (auto j = parseJsonInput(jsonText, message))
        value = preferenceFromJson(*j, message);
    else
        message = "not JSON: " + message;
    if (!value && error)
        *error = message;
    return value;
}

ScenarioResult parseScenario(const std::string& jsonText)
{
    std::string error;
    auto root = parseJsonInput(jsonText, error);
    if (!root)
        return { std::nullopt, "not JSON: " + error };
    if (!root->is_object())
        return { std::nullopt, "the top level must be a JSON object" };
    // Every member is read with its type checked, so the JSON library has no reason to throw;
    // should it still, the message says so in one line instead of ending the program.
    try {
        auto result = parseScenarioObject(*root);
        result.error = escapeControlCharacters(result.error);
        return result;
    } catch (const nlohmann::json::exception& e) {
        return { std::nullopt, escapeControlCharacters(std::string("unexpected value: ") + e.what()) };
    }
}

ScenarioResult loadScenarioFile(const std::string& path)
{
    const std::string name = escapeControlCharacters(path);
    auto file = readInputFile(path, limits::kMaxFileBytes);
    if (!file.text)
        return { std::nullopt, (path.empty() ? "scenario" : name) + ": " + file.error };
    auto result = parseScenario(*file.text);
    if (!result.scenario)
        result.error = name + ": " + result.error;
    return result;
}

} // namespace talvora::vmac
