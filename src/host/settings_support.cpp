#include "host/settings_support.h"

#include "host/composition.h"

namespace talvora::host {

namespace {

ApplicationVersion buildVersion()
{
    ApplicationVersion version;
#ifdef TALVORA_VERSION
    version.shortVersion = TALVORA_VERSION;
#endif
#ifdef TALVORA_BUILD_NUMBER
    version.build = TALVORA_BUILD_NUMBER;
#endif
    return version;
}

} // namespace

SettingsSupport::SettingsSupport(Composition& app)
    : m_app(app)
    , m_loginItems(app.home().root + "/.config/autostart", {})
    , m_permissionProbes(app.mac(), app.accessibility())
    , m_applicationsFolder(app.home().applications())
{
}

void SettingsSupport::useDesktopSession(const std::vector<std::string>& command)
{
    if (auto folder = vmac::xdgAutostartFolder())
        m_loginItems.setAutostartFolder(*folder);
    m_loginItems.setCommand(command);
    m_process.setRelaunchCommand(command);
}

SettingsServices SettingsSupport::services()
{
    Platform& platform = m_app.platform();
    return SettingsServices { platform.preferences, platform.notifications, m_app.pinnedApps(), platform.workspace,
        platform.files, m_loginItems, m_permissionProbes, m_workspaceActions, m_process, platform.mainQueue, buildVersion() };
}

} // namespace talvora::host
