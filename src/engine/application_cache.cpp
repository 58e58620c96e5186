#include "engine/application_cache.h"

namespace talvora {

const RunningApplicationRef& ApplicationCache::cachedRunningApplication(ProcessID pid)
{
    if (auto it = m_appCache.find(pid); it != m_appCache.end())
        return it->second;
    return m_appCache.emplace(pid, m_workspace.runningApplication(pid)).first->second;
}

const ImageRef& ApplicationCache::cachedIcon(const RunningApplicationRef& application)
{
    static const ImageRef kNoIcon;
    if (!application)
        return kNoIcon;
    ProcessID pid = application->processIdentifier();
    if (auto it = m_iconCache.find(pid); it != m_iconCache.end())
        return it->second;
    ImageRef icon = application->icon();
    if (!icon) {
        if (auto path = application->bundlePath())
            icon = m_workspace.iconForFile(*path);
    }
    return m_iconCache.emplace(pid, std::move(icon)).first->second;
}

const ApplicationNames& ApplicationCache::cachedNames(const RunningApplicationRef& application)
{
    static const ApplicationNames kNoNames;
    if (!application)
        return kNoNames;
    ProcessID pid = application->processIdentifier();
    if (auto it = m_namesCache.find(pid); it != m_namesCache.end())
        return it->second;
    return m_namesCache.emplace(pid, ApplicationNames { application->bundleIdentifier(), application->localizedName() }).first->second;
}

} // namespace talvora
