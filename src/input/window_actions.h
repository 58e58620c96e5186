#pragma once

#include "platform/platform.h"

namespace talvora {

// Presses a window's own close or minimize button through Accessibility, on behalf of the
// application that owns it. Each request to that application gives up after
// kAccessibilityMessagingTimeout, so an application that hangs stalls the caller (the main
// thread) for that long and no longer. Lines go to the unified log, category "App".

inline constexpr float kAccessibilityMessagingTimeout = 0.25f; // seconds

enum class WindowButtonAction { Close, Minimize };

// How a press went. Only `Pressed` means the application accepted it; whether the window then
// really closes is up to the application (it may answer with a save sheet).
enum class PressOutcome { Pressed, NotTrusted, NoWindowList, NoWindowMatched, NoButton, PressFailed };

// Asks for trust (with the platform's prompt), finds the window element whose window number
// is `window` among the application's AXWindows and presses its button. A failed press goes on
// to the following elements, as two elements may claim one window number.
PressOutcome pressWindowButton(Platform& platform, WindowButtonAction action, ProcessID pid, WindowNumber window);

// True when the close button was pressed; records the window in the closed-window registry.
bool closeWindowViaAccessibility(Platform& platform, ProcessID pid, WindowNumber window);

} // namespace talvora
