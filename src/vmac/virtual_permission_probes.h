#pragma once

#include "platform/accessibility.h"
#include "platform/permission_probes.h"
#include "vmac/virtual_mac.h"

namespace talvora::vmac {

// Screen recording as the virtual Mac grants it; an event tap for key-down events can be
// created exactly when the process is trusted for Accessibility.
class VirtualPermissionProbes final : public PermissionProbes {
public:
    VirtualPermissionProbes(const VirtualMac& mac, Accessibility& accessibility)
        : m_mac(mac)
        , m_accessibility(accessibility)
    {
    }

    bool preflightScreenCaptureAccess() override { return m_mac.desktop().screenRecordingGranted; }
    bool canCreateEventTap() override { return m_accessibility.isProcessTrusted(); }

private:
    const VirtualMac& m_mac;
    Accessibility& m_accessibility;
};

} // namespace talvora::vmac
