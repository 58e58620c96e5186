#include "vmac/virtual_accessibility.h"

#include "platform/event_tap.h"
#include "vmac/virtual_mac.h"

#include <algorithm>
#include <string>

namespace talvora::vmac {

namespace {

constexpr std::pair<const char*, AXQuirk> kAXQuirkNames[] = {
    { "missingFromWindows", AXQuirk::MissingFromWindows },
    { "windowNumberZero", AXQuirk::WindowNumberZero },
    { "noCloseButton", AXQuirk::NoCloseButton },
    { "noMinimizeButton", AXQuirk::NoMinimizeButton },
    { "pressFails", AXQuirk::PressFails },
    { "windowsWrongType", AXQuirk::WindowsWrongType },
    { "hangs", AXQuirk::Hangs },
    { "saveSheetOnClose", AXQuirk::SaveSheetOnClose },
};

} // namespace

std::optional<AXQuirk> axQuirkNamed(std::string_view name)
{
    for (const auto& [n, quirk] : kAXQuirkNames) {
        if (name == n)
            return quirk;
    }
    return std::nullopt;
}

// An element names what it stands for; the application's element and everything read from it
// share one messaging timeout.
struct VirtualAccessibility::Element final : AXUIElement {
    enum class Kind { Application, Window, CloseButton, MinimizeButton };
    Kind kind = Kind::Application;
    ProcessID pid = 0;
    WindowNumber window = 0;
    std::shared_ptr<float> timeout;
};

VirtualAccessibility::VirtualAccessibility(VirtualMac& mac)
    : m_mac(mac)
{
}

void VirtualAccessibility::setTrusted(bool trusted)
{
    if (trusted == m_trusted)
        return;
    m_trusted = trusted;
    if (m_trustObserver)
        m_trustObserver();
    if (m_distributed)
        m_distributed->post(kAccessibilityAPINotification);
}

bool VirtualAccessibility::isProcessTrustedWithPrompt(bool prompt)
{
    if (!m_trusted && prompt)
        ++m_trustPrompts;
    return m_trusted;
}

AXElementRef VirtualAccessibility::createApplication(ProcessID pid)
{
    auto element = std::make_shared<Element>();
    element->pid = pid;
    element->timeout = std::make_shared<float>(kDefaultMessagingTimeout);
    return element;
}

AXError VirtualAccessibility::setMessagingTimeout(const AXElementRef& ref, float seconds)
{
    const auto* element = dynamic_cast<const Element*>(ref.get());
    if (!element || !(seconds >= 0))
        return AXErrorCode::illegalArgument;
    // Zero restores the default, as on a Mac.
    *element->timeout = seconds == 0 ? kDefaultMessagingTimeout : seconds;
    return AXErrorCode::success;
}

bool VirtualAccessibility::hasQuirk(const Element& element, AXQuirk quirk) const
{
    const VirtualDesktop& desktop = m_mac.desktop();
    auto app = std::find_if(desktop.apps.begin(), desktop.apps.end(), [&](const auto& a) { return a->pid == element.pid; });
    if (app != desktop.apps.end() && std::count((*app)->axQuirks.begin(), (*app)->axQuirks.end(), quirk))
        return true;
    if (element.kind == Element::Kind::Application)
        return false;
    auto w = std::find_if(desktop.windows.begin(), desktop.windows.end(), [&](const auto& x) { return x.number == element.window; });
    return w != desktop.windows.end() && std::count(w->axQuirks.begin(), w->axQuirks.end(), quirk);
}

AXError VirtualAccessibility::beginRequest(const Element& element)
{
    if (!m_trusted)
        return AXErrorCode::apiDisabled;
    const VirtualDesktop& desktop = m_mac.desktop();
    auto app = std::find_if(desktop.apps.begin(), desktop.apps.end(), [&](const auto& a) { return a->pid == element.pid; });
    if (app == desktop.apps.end() || (*app)->terminated)
        return AXErrorCode::invalidUIElement;
    ++m_requests;
    if (hasQuirk(element, AXQuirk::Hangs)) {
        // The request waits out the timeout on the caller's thread and gives up.
        const double seconds = *element.timeout;
        m_secondsWaited += seconds;
        if (m_wait)
            m_wait(seconds);
        return AXErrorCode::cannotComplete;
    }
    if (element.kind != Element::Kind::Application) {
        const bool exists = std::any_of(desktop.windows.begin(), desktop.windows.end(),
            [&](const auto& w) { return w.number == element.window && w.pid == element.pid; });
        if (!exists)
            return AXErrorCode::invalidUIElement;
    }
    return AXErrorCode::success;
}

AXAttributeReply VirtualAccessibility::copyAttributeValue(const AXElementRef& ref, std::string_view attribute)
{
    const auto* element = dynamic_cast<const Element*>(ref.get());
    if (!element)
        return { AXErrorCode::illegalArgument, {} };
    if (AXError error = beginRequest(*element); error != AXErrorCode::success)
        return { error, {} };

    auto derived = [&](Element::Kind kind, WindowNumber window) {
        auto e = std::make_shared<Element>();
        e->kind = kind;
        e->pid = element->pid;
        e->window = window;
        e->timeout = element->timeout;
        return e;
    };
    using Kind = Element::Kind;
    if (element->kind == Kind::Application && attribute == AXName::windows) {
        if (hasQuirk(*element, AXQuirk::WindowsWrongType))
            return { AXErrorCode::success, std::string("AXWindows") };
        // Front to back, as the application orders them; minimized windows included.
        std::vector<AXElementRef> windows;
        for (const VirtualWindow& w : m_mac.desktop().windows) {
            if (w.pid == element->pid && !std::count(w.axQuirks.begin(), w.axQuirks.end(), AXQuirk::MissingFromWindows))
                windows.push_back(derived(Kind::Window, w.number));
        }
        if (hasQuirk(*element, AXQuirk::MissingFromWindows))
            windows.clear();
        return { AXErrorCode::success, std::move(windows) };
    }
    if (element->kind == Kind::Window && attribute == AXName::closeButton) {
        if (hasQuirk(*element, AXQuirk::NoCloseButton))
            return { AXErrorCode::noValue, {} };
        return { AXErrorCode::success, AXElementRef(derived(Kind::CloseButton, element->window)) };
    }
    if (element->kind == Kind::Window && attribute == AXName::minimizeButton) {
        if (hasQuirk(*element, AXQuirk::NoMinimizeButton))
            return { AXErrorCode::noValue, {} };
        return { AXErrorCode::success, AXElementRef(derived(Kind::MinimizeButton, element->window)) };
    }
    return { AXErrorCode::attributeUnsupported, {} };
}

AXWindowNumberReply VirtualAccessibility::windowNumber(const AXElementRef& ref)
{
    const auto* element = dynamic_cast<const Element*>(ref.get());
    if (!element || element->kind != Element::Kind::Window)
        return { AXErrorCode::illegalArgument, 0 };
    if (AXError error = beginRequest(*element); error != AXErrorCode::success)
        return { error, 0 };
    if (hasQuirk(*element, AXQuirk::WindowNumberZero))
        return { AXErrorCode::success, 0 };
    return { AXErrorCode::success, element->window };
}

AXError VirtualAccessibility::performAction(const AXElementRef& ref, std::string_view action)
{
    const auto* element = dynamic_cast<const Element*>(ref.get());
    if (!element)
        return AXErrorCode::illegalArgument;
    if (AXError error = beginRequest(*element); error != AXErrorCode::success)
        return error;
    using Kind = Element::Kind;
    if (action != AXName::press || (element->kind != Kind::CloseButton && element->kind != Kind::MinimizeButton))
        return AXErrorCode::actionUnsupported;
    if (hasQuirk(*element, AXQuirk::PressFails))
        return AXErrorCode::failure;
    if (element->kind == Kind::MinimizeButton) {
        m_mac.setWindowMinimized(element->window, true);
        return AXErrorCode::success;
    }
    if (hasQuirk(*element, AXQuirk::SaveSheetOnClose)) {
        // The application asks whether to save; the window stays until the user answers.
        ++m_saveSheets;
        return AXErrorCode::success;
    }
    m_mac.closeWindow(element->window);
    return AXErrorCode::success;
}

} // namespace talvora::vmac
