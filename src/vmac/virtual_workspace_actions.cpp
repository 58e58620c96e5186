#include "vmac/virtual_workspace_actions.h"

namespace talvora::vmac {

bool VirtualWorkspaceActions::openURL(const std::string& url)
{
    m_openedURLs.push_back(url);
    // The system settings answer their own scheme even before a pane draws anything.
    if (urlHandler)
        return urlHandler(url);
    return url.starts_with("x-apple.systempreferences:");
}

void VirtualWorkspaceActions::revealInFileViewer(const std::string& path)
{
    m_revealedFiles.push_back(path);
    if (fileViewer)
        fileViewer(path);
}

} // namespace talvora::vmac
