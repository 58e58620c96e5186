#pragma once

#include "platform/workspace.h"

#include <unordered_map>

namespace talvora {

// Running applications and their icons, looked up once per process id and kept for the life of
// the engine, absent answers included (a reused process id keeps the first application).
// The names of a running application, which do not change while it runs.
struct ApplicationNames {
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
};

class ApplicationCache {
public:
    explicit ApplicationCache(Workspace& workspace)
        : m_workspace(workspace)
    {
    }

    // References into the cache, which is never pruned: they stay valid for the engine's life.
    const RunningApplicationRef& cachedRunningApplication(ProcessID pid);
    // The application's icon, else the workspace icon of its bundle, else nothing.
    const ImageRef& cachedIcon(const RunningApplicationRef& application);
    // The application's names, read once; none for no application.
    const ApplicationNames& cachedNames(const RunningApplicationRef& application);

private:
    Workspace& m_workspace;
    std::unordered_map<ProcessID, RunningApplicationRef> m_appCache;
    std::unordered_map<ProcessID, ImageRef> m_iconCache;
    std::unordered_map<ProcessID, ApplicationNames> m_namesCache;
};

} // namespace talvora
