#pragma once

#include "settings/settings_window_model.h"
#include "vmac/process_relauncher.h"
#include "vmac/virtual_login_items.h"
#include "vmac/virtual_permission_probes.h"
#include "vmac/virtual_workspace_actions.h"

#include <string>
#include <vector>

namespace talvora::host {

class Composition;

// The system services behind the settings window on this machine: the login item (a real
// autostart entry), the permission probes and workspace actions of the virtual Mac, and the
// process, whose relaunch is real. The login item lives in the virtual home's
// .config/autostart until the host points it at the desktop session's folder.
class SettingsSupport {
public:
    explicit SettingsSupport(Composition& app);

    SettingsServices services();

    // For a run on this machine's desktop session: launch at login becomes the session's own
    // autostart entry, and both it and "Relaunch Now" start `command` (the program first).
    void useDesktopSession(const std::vector<std::string>& command);

    vmac::VirtualLoginItems& loginItems() { return m_loginItems; }
    vmac::VirtualWorkspaceActions& workspaceActions() { return m_workspaceActions; }
    vmac::HostApplicationProcess& process() { return m_process; }
    // The bundles an "Add Application…" panel offers: the virtual Mac's Applications folder.
    const std::string& applicationsFolder() const { return m_applicationsFolder; }

private:
    Composition& m_app;
    vmac::VirtualLoginItems m_loginItems;
    vmac::VirtualWorkspaceActions m_workspaceActions;
    vmac::VirtualPermissionProbes m_permissionProbes;
    vmac::HostApplicationProcess m_process;
    std::string m_applicationsFolder;
};

} // namespace talvora::host
