#pragma once

#include <string>

class QPointF;

namespace talvora::host {
class Composition;
}
namespace talvora::qt {
class VirtualMacWindow;
}

namespace talvora::app {

class PrivacyWindows;

// The state of the app and of the virtual Mac as JSON: Mission Control's phase, the front
// application, every window with its title and whether it is minimized, the status item and
// its menu, the icons with their buttons, and whether the app has terminated. Places are in
// the pixels of `window` when there is one (for driving it from outside), else window-server
// points. With `privacy`, also the privacy settings, the system's screen-recording prompt and
// the privacy pane, with where their buttons and switches are on the screen.
std::string appStateJson(host::Composition& app, const qt::VirtualMacWindow* window, const PrivacyWindows* privacy = nullptr);

// Writes `text` to `path` through a temporary file, so that a reader never sees half of it.
bool writeFileAtomically(const std::string& path, const std::string& text);

} // namespace talvora::app
