#pragma once

#include "platform/login_items.h"
#include "vmac/xdg_autostart.h"

#include <optional>
#include <string>
#include <vector>

namespace talvora::vmac {

// The virtual Mac's login-item service for the application, kept as a real XDG autostart
// entry so that the desktop session of this machine starts the program at login.
//
// The state lives on disk, as the service's does: no entry is "not registered", an entry is
// "enabled", and an entry marked hidden is "requires approval" (registered, but the person has
// not allowed it yet, so the session does not start it). Tests and scenarios can make the
// service ask for approval, grant it, lose track of the application or fail a call.
class VirtualLoginItems final : public LoginItemService {
public:
    // `command` is what the session runs at login: the program and its arguments.
    VirtualLoginItems(std::string autostartFolder, std::vector<std::string> command);

    const XdgAutostartEntry& entry() const { return m_entry; }
    void setAutostartFolder(const std::string& folder);
    void setCommand(std::vector<std::string> command) { m_command = std::move(command); }

    // Registrations from now on wait for the person's approval.
    void setApprovalRequired(bool required) { m_approvalRequired = required; }
    // The person allows the waiting item in the system settings.
    bool approve();
    // The service cannot find the application: the status is NotFound and registering fails.
    void setApplicationMissing(bool missing) { m_applicationMissing = missing; }
    // The next registering or unregistering call fails with this reason and changes nothing.
    void failNextCall(std::string reason) { m_nextFailure = std::move(reason); }

    int registerCalls() const { return m_registerCalls; }
    int unregisterCalls() const { return m_unregisterCalls; }

    // LoginItemService:
    LoginItemStatus status() override;
    std::optional<std::string> registerApp() override;
    std::optional<std::string> unregisterApp() override;

private:
    XdgAutostartEntry m_entry;
    std::vector<std::string> m_command;
    bool m_approvalRequired = false;
    bool m_applicationMissing = false;
    std::optional<std::string> m_nextFailure;
    int m_registerCalls = 0;
    int m_unregisterCalls = 0;
};

} // namespace talvora::vmac
