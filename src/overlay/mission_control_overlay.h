#pragma once

#include "platform/app_windows.h"

namespace talvora {

// One transparent, borderless, shadowless window over a whole display, at the pop-up-menu
// level, on every Space and beside full-screen applications, that never takes keyboard
// focus and lets clicks through until the hover routing says otherwise. Whatever style the
// caller asks for, the window is borderless.
class MissionControlOverlay {
public:
    static constexpr int kLevel = 101; // the pop-up-menu level
    static constexpr std::uint64_t kCollectionBehavior = WindowCollectionBehavior::canJoinAllSpaces
        | WindowCollectionBehavior::stationary | WindowCollectionBehavior::fullScreenAuxiliary;

    MissionControlOverlay(AppWindows& windows, const Rect& contentRect, std::uint64_t requestedStyleMask);

    AppWindow& window() { return *m_window; }
    const AppWindow& window() const { return *m_window; }
    const AppWindowRef& windowRef() const { return m_window; }

private:
    AppWindowRef m_window;
};

} // namespace talvora
