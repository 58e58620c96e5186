#pragma once

#include "platform/workspace_actions.h"

#include <functional>
#include <string>
#include <vector>

namespace talvora::vmac {

// The workspace's actions on the virtual Mac. Every request is recorded, in order, so tests and
// the host can see what the application asked for. The system settings' privacy pane and the
// file viewer are handlers a host can install; without one the request is only recorded.
class VirtualWorkspaceActions final : public WorkspaceActions {
public:
    const std::vector<std::string>& openedURLs() const { return m_openedURLs; }
    const std::vector<std::string>& revealedFiles() const { return m_revealedFiles; }

    // Returns whether it opened the URL; the request is recorded either way.
    std::function<bool(const std::string& url)> urlHandler;
    std::function<void(const std::string& path)> fileViewer;

    // WorkspaceActions:
    bool openURL(const std::string& url) override;
    void revealInFileViewer(const std::string& path) override;

private:
    std::vector<std::string> m_openedURLs;
    std::vector<std::string> m_revealedFiles;
};

} // namespace talvora::vmac
