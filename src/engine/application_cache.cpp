#include "engine/application_cache.h"

namespace talvora {

RunningApplicationRef ApplicationCache::cachedRunningApplication(ProcessID pid)
{
    if (auto it = m_appCache.find(pid); it != m_appCache.end())
        return it->second;
    auto application = m_workspace.runningApplication(pid);
    m_appCache.emplace(pid, application);
    return application;
}

ImageRef ApplicationCache::cachedIcon(const RunningApplicationRef& application)
{
    if (!application)
        return nullptr;
    ProcessID pid = application->processIdentifier();
    if (auto it = m_iconCache.find(pid); it != m_iconCache.end())
        return it->second;
    ImageRef icon = application->icon();
    if (!icon) {
        if (auto path = application->bundlePath())
            icon = m_workspace.iconForFile(*path);
    }
    m_iconCache.emplace(pid, icon);
    return icon;
}

} // namespace talvora
