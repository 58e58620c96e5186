#include "vmac/virtual_login_items.h"

#include <utility>

namespace talvora::vmac {

namespace {
constexpr const char* kEntryFileName = "app.talvora.Talvora.desktop";
constexpr const char* kApplicationName = "Talvora";
} // namespace

VirtualLoginItems::VirtualLoginItems(std::string autostartFolder, std::vector<std::string> command)
    : m_entry(std::move(autostartFolder), kEntryFileName, kApplicationName)
    , m_command(std::move(command))
{
}

void VirtualLoginItems::setAutostartFolder(const std::string& folder)
{
    m_entry = XdgAutostartEntry(folder, kEntryFileName, kApplicationName);
}

LoginItemStatus VirtualLoginItems::status()
{
    if (m_applicationMissing)
        return LoginItemStatus::NotFound;
    auto contents = m_entry.read();
    if (!contents)
        return LoginItemStatus::NotRegistered;
    return contents->hidden ? LoginItemStatus::RequiresApproval : LoginItemStatus::Enabled;
}

bool VirtualLoginItems::approve()
{
    auto contents = m_entry.read();
    if (!contents || !contents->hidden)
        return false;
    return !m_entry.write(m_command, /*hidden=*/false);
}

std::optional<std::string> VirtualLoginItems::registerApp()
{
    ++m_registerCalls;
    if (m_nextFailure)
        return std::exchange(m_nextFailure, std::nullopt);
    if (m_applicationMissing)
        return "The application could not be found.";
    if (m_command.empty())
        return "There is no program to start at login.";
    // An item the person already allowed stays allowed.
    const bool hidden = m_approvalRequired && status() != LoginItemStatus::Enabled;
    return m_entry.write(m_command, hidden);
}

std::optional<std::string> VirtualLoginItems::unregisterApp()
{
    ++m_unregisterCalls;
    if (m_nextFailure)
        return std::exchange(m_nextFailure, std::nullopt);
    if (status() == LoginItemStatus::NotRegistered)
        return "The login item is not registered.";
    return m_entry.remove();
}

} // namespace talvora::vmac
