#pragma once

#include "platform/accessibility.h"
#include "platform/notification_center.h"
#include "vmac/virtual_desktop.h"

#include <functional>

namespace talvora::vmac {

class VirtualMac;

// Accessibility on the virtual Mac: this process's trust, and every application's windows as
// elements mapped to their window numbers. A press on a window's close button closes the
// simulated window (it leaves the window list and Mission Control's thumbnails); a press on its
// minimize button minimizes it. Applications and windows misbehave as their AXQuirks say.
class VirtualAccessibility final : public Accessibility {
public:
    explicit VirtualAccessibility(VirtualMac& mac);

    // Granting or revoking trust posts "com.apple.accessibility.api" on the distributed
    // centre, after telling the trust observer (the session's event stream).
    void setTrusted(bool trusted);
    void setDistributedNotifications(NotificationCenter* center) { m_distributed = center; }
    void setTrustObserver(std::function<void()> observer) { m_trustObserver = std::move(observer); }
    bool trusted() const { return m_trusted; }
    // How often the platform asked the user to grant the permission.
    int trustPrompts() const { return m_trustPrompts; }

    // How a request that waits for a hung application costs time: the virtual Mac advances
    // its clock, a real-time host sleeps. Until set, waiting costs nothing.
    void setWait(std::function<void(double seconds)> wait) { m_wait = std::move(wait); }
    // Requests that reached an application, and the seconds spent waiting for hung ones.
    int requestCount() const { return m_requests; }
    double secondsWaited() const { return m_secondsWaited; }
    // Close presses answered with a save sheet.
    int saveSheetsShown() const { return m_saveSheets; }

    // The timeout of a request without one set, as on a Mac.
    static constexpr float kDefaultMessagingTimeout = 6.0f;

private:
    // Accessibility:
    bool isProcessTrusted() override { return m_trusted; }
    bool isProcessTrustedWithPrompt(bool prompt) override;
    AXElementRef createApplication(ProcessID pid) override;
    AXError setMessagingTimeout(const AXElementRef& element, float seconds) override;
    AXAttributeReply copyAttributeValue(const AXElementRef& element, std::string_view attribute) override;
    AXWindowNumberReply windowNumber(const AXElementRef& element) override;
    AXError performAction(const AXElementRef& element, std::string_view action) override;

    struct Element;
    // Whether a request to the element's application can be made; the error if not. A hung
    // application costs its timeout first.
    AXError beginRequest(const Element& element);
    bool hasQuirk(const Element& element, AXQuirk quirk) const;

    VirtualMac& m_mac;
    bool m_trusted = false;
    int m_trustPrompts = 0;
    int m_requests = 0;
    double m_secondsWaited = 0;
    int m_saveSheets = 0;
    std::function<void(double)> m_wait;
    NotificationCenter* m_distributed = nullptr;
    std::function<void()> m_trustObserver;
};

} // namespace talvora::vmac
