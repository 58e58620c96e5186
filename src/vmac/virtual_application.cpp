#include "vmac/virtual_application.h"

#include "vmac/virtual_mac.h"

namespace talvora::vmac {

VirtualApplication::VirtualApplication(VirtualMac& mac, NotificationCenter& notifications)
    : m_mac(mac)
    , m_notifications(notifications)
{
}

void VirtualApplication::activateIgnoringOtherApps(bool)
{
    if (m_terminated)
        return;
    const bool wasActive = m_mac.desktop().frontmostPID == m_mac.ownPID();
    if (!m_mac.activateApp(m_mac.ownPID()))
        return;
    ++m_activations;
    if (!wasActive)
        m_notifications.post(kApplicationDidBecomeActiveNotification);
}

void VirtualApplication::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    m_notifications.post(kApplicationWillTerminateNotification);
    // The process is gone: its status item leaves the menu bar with it.
    m_mac.quitApp(m_mac.ownPID());
    if (m_onTerminate)
        m_onTerminate();
}

ImageRef VirtualApplication::imageNamed(const std::string& name)
{
    auto it = m_resources.find(name);
    return it == m_resources.end() ? nullptr : it->second;
}

PrivacySettings::PrivacySettings(bool screenRecordingAllowed, bool accessibilityAllowed)
    : m_grantedAtLaunch(screenRecordingAllowed)
    , m_screenRecordingAllowed(screenRecordingAllowed)
    , m_accessibilityAllowed(accessibilityAllowed)
{
}

void PrivacySettings::setAccessibilityAllowed(bool allowed)
{
    if (allowed == m_accessibilityAllowed)
        return;
    m_accessibilityAllowed = allowed;
    if (m_onAccessibilityChange)
        m_onAccessibilityChange(allowed);
}

bool PrivacySettings::request()
{
    if (m_grantedAtLaunch)
        return true;
    ++m_promptCount;
    m_promptShown = true;
    return false;
}

} // namespace talvora::vmac
