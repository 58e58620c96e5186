#include "input/window_actions.h"

#include "engine/closed_window_registry.h"

#include <string>

namespace talvora {

namespace {

constexpr const char* kCategory = "App";

struct Wording {
    const char* tag;
    const char* button;
    const char* attribute;
};

Wording wordingOf(WindowButtonAction action)
{
    if (action == WindowButtonAction::Close)
        return { "[close]", "close", AXName::closeButton };
    return { "[minimize]", "minimize", AXName::minimizeButton };
}

const std::vector<AXElementRef>* asElementArray(const AXValue& value)
{
    return std::get_if<std::vector<AXElementRef>>(&value);
}

} // namespace

PressOutcome pressWindowButton(Platform& platform, WindowButtonAction action, ProcessID pid, WindowNumber window)
{
    Accessibility& ax = platform.accessibility;
    const Wording words = wordingOf(action);
    auto log = [&](const std::string& line) { platform.systemLog.log(LogLevel::Debug, kCategory, std::string(words.tag) + " " + line); };

    log("enter pid=" + std::to_string(pid) + " windowID=" + std::to_string(window));
    const bool trusted = ax.isProcessTrustedWithPrompt(true);
    log(std::string("AX trusted=") + (trusted ? "true" : "false"));
    if (!trusted)
        return PressOutcome::NotTrusted;

    AXElementRef app = ax.createApplication(pid);
    ax.setMessagingTimeout(app, kAccessibilityMessagingTimeout);
    AXAttributeReply windows = ax.copyAttributeValue(app, AXName::windows);
    const auto* elements = windows.error == AXErrorCode::success ? asElementArray(windows.value) : nullptr;
    if (!elements) {
        log("AX windows list result=" + std::to_string(windows.error));
        return PressOutcome::NoWindowList;
    }

    bool pressFailed = false;
    for (const AXElementRef& element : *elements) {
        AXWindowNumberReply number = ax.windowNumber(element);
        if (number.error != AXErrorCode::success || number.window != window)
            continue;
        AXAttributeReply button = ax.copyAttributeValue(element, words.attribute);
        const AXElementRef* pressable = std::get_if<AXElementRef>(&button.value);
        if (button.error != AXErrorCode::success || !pressable || !*pressable) {
            log(std::string("match — ") + words.button + " button result=" + std::to_string(button.error));
            return PressOutcome::NoButton;
        }
        const AXError result = ax.performAction(*pressable, AXName::press);
        log("press result=" + std::to_string(result));
        if (result == AXErrorCode::success)
            return PressOutcome::Pressed;
        pressFailed = true;
    }
    log("no window matched windowID=" + std::to_string(window));
    return pressFailed ? PressOutcome::PressFailed : PressOutcome::NoWindowMatched;
}

bool closeWindowViaAccessibility(Platform& platform, ProcessID pid, WindowNumber window)
{
    if (pressWindowButton(platform, WindowButtonAction::Close, pid, window) != PressOutcome::Pressed)
        return false;
    ClosedWindowRegistry::shared().record(window, platform.clock.now());
    return true;
}

} // namespace talvora
