#pragma once

#include "platform/window_list.h"

#include <optional>
#include <vector>

namespace talvora {

// The front window of a process: the first entry of the visible list (front to back) owned
// by it on the normal layer, visibly opaque (alpha above 0.05) and at least 80 by 60 points,
// so that toolbars, helpers and status items never count as the window a person works in.
std::optional<WindowNumber> frontWindowOfProcess(ProcessID pid, const std::vector<const WindowEntry*>& visibleList);

} // namespace talvora
