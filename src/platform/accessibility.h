#pragma once

#include "platform/window_list.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talvora {

// AXError: 0 is success; the failures the system meets, numbered as the platform numbers them.
using AXError = std::int32_t;
namespace AXErrorCode {
inline constexpr AXError success = 0;
inline constexpr AXError failure = -25200;
inline constexpr AXError illegalArgument = -25201;
inline constexpr AXError invalidUIElement = -25202;
inline constexpr AXError cannotComplete = -25204; // the application did not answer in time
inline constexpr AXError attributeUnsupported = -25205;
inline constexpr AXError actionUnsupported = -25206;
inline constexpr AXError apiDisabled = -25211; // the process is not trusted
inline constexpr AXError noValue = -25212;
} // namespace AXErrorCode

// An element of another application's user interface (AXUIElementRef). Opaque to the system:
// it only hands elements back to the platform.
class AXUIElement {
public:
    virtual ~AXUIElement() = default;
};
using AXElementRef = std::shared_ptr<const AXUIElement>;

// The value of an attribute: nothing, one element, an array of elements, or a value of
// another kind (a string), which the system treats as the wrong type.
using AXValue = std::variant<std::monostate, AXElementRef, std::vector<AXElementRef>, std::string>;

struct AXAttributeReply {
    AXError error = AXErrorCode::failure;
    AXValue value;
};

struct AXWindowNumberReply {
    AXError error = AXErrorCode::failure;
    WindowNumber window = 0;
};

// Attribute and action names the system uses.
namespace AXName {
inline constexpr const char* windows = "AXWindows";
inline constexpr const char* closeButton = "AXCloseButton";
inline constexpr const char* minimizeButton = "AXMinimizeButton";
inline constexpr const char* press = "AXPress";
} // namespace AXName

// The Accessibility interface: this process's trust, and other applications' windows and
// buttons. Every request to an application waits at most its messaging timeout for an answer.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    // AXIsProcessTrusted.
    virtual bool isProcessTrusted() = 0;
    // AXIsProcessTrustedWithOptions with kAXTrustedCheckOptionPrompt: when the process is not
    // trusted and `prompt` is true, the platform asks the user to grant the permission.
    virtual bool isProcessTrustedWithPrompt(bool prompt) = 0;
    // AXUIElementCreateApplication.
    virtual AXElementRef createApplication(ProcessID pid) = 0;
    // AXUIElementSetMessagingTimeout, seconds.
    virtual AXError setMessagingTimeout(const AXElementRef& element, float seconds) = 0;
    // AXUIElementCopyAttributeValue.
    virtual AXAttributeReply copyAttributeValue(const AXElementRef& element, std::string_view attribute) = 0;
    // _AXUIElementGetWindow: the window-server number of a window element.
    virtual AXWindowNumberReply windowNumber(const AXElementRef& element) = 0;
    // AXUIElementPerformAction.
    virtual AXError performAction(const AXElementRef& element, std::string_view action) = 0;
};

} // namespace talvora
