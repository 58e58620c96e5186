#pragma once

#include "platform/application.h"
#include "platform/notification_center.h"

#include <functional>
#include <map>
#include <string>

namespace talvora::vmac {

class VirtualMac;

// The program running on the virtual Mac as an application: activation, termination and the
// images of its bundle's resources.
class VirtualApplication final : public Application {
public:
    // Both outlive the application; notifications go to the program's default centre.
    VirtualApplication(VirtualMac& mac, NotificationCenter& notifications);

    // What ends the program's run once the will-terminate notification has been delivered.
    void setOnTerminate(std::function<void()> terminate) { m_onTerminate = std::move(terminate); }
    void addResourceImage(const std::string& name, ImageRef image) { m_resources[name] = std::move(image); }
    bool isTerminated() const { return m_terminated; }
    // How many times the application came to the front when asked.
    int activations() const { return m_activations; }

private:
    // Application:
    void activateIgnoringOtherApps(bool ignoringOtherApps) override;
    void terminate() override;
    ImageRef imageNamed(const std::string& name) override;

    VirtualMac& m_mac;
    NotificationCenter& m_notifications;
    std::function<void()> m_onTerminate;
    std::map<std::string, ImageRef> m_resources;
    bool m_terminated = false;
    int m_activations = 0;
};

// The privacy settings of the virtual Mac for this program: screen recording and
// Accessibility, as a person grants or revokes them in System Settings. Accessibility takes
// effect at once; screen recording only when the program is launched again, so the running
// process keeps the answer it was launched with. Asking for screen recording without it shows
// the system's prompt, which is counted.
class PrivacySettings final : public ScreenCaptureAccess {
public:
    PrivacySettings(bool screenRecordingAllowed, bool accessibilityAllowed);

    bool screenRecordingAllowed() const { return m_screenRecordingAllowed; }
    void setScreenRecordingAllowed(bool allowed) { m_screenRecordingAllowed = allowed; }
    // The running process does not yet see the setting the pane shows.
    bool screenRecordingNeedsRelaunch() const { return m_screenRecordingAllowed != m_grantedAtLaunch; }
    bool accessibilityAllowed() const { return m_accessibilityAllowed; }
    void setAccessibilityAllowed(bool allowed);
    // Told of every change of the Accessibility setting.
    void setOnAccessibilityChange(std::function<void(bool)> changed) { m_onAccessibilityChange = std::move(changed); }

    int screenCapturePromptCount() const { return m_promptCount; }
    bool isScreenCapturePromptShown() const { return m_promptShown; }
    void dismissScreenCapturePrompt() { m_promptShown = false; }

private:
    // ScreenCaptureAccess:
    bool preflight() override { return m_grantedAtLaunch; }
    bool request() override;

    bool m_grantedAtLaunch;
    bool m_screenRecordingAllowed;
    bool m_accessibilityAllowed;
    std::function<void(bool)> m_onAccessibilityChange;
    int m_promptCount = 0;
    bool m_promptShown = false;
};

} // namespace talvora::vmac
