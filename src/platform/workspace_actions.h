#pragma once

#include <string>

namespace talvora {

// What the workspace does on the application's behalf (NSWorkspace openURL: and
// activateFileViewerSelectingURLs:).
class WorkspaceActions {
public:
    virtual ~WorkspaceActions() = default;
    // False when no handler could open the URL.
    virtual bool openURL(const std::string& url) = 0;
    // Shows the file selected in the file viewer.
    virtual void revealInFileViewer(const std::string& path) = 0;
};

} // namespace talvora
