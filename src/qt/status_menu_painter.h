#pragma once

#include "platform/status_bar.h"
#include "vmac/virtual_status_bar.h"

#include <optional>

class QPainter;

namespace talvora::qt {

// A status menu as the menu bar shows it: a translucent rounded panel with its rows, a
// separator as a thin line, a disabled title dimmed, the highlighted row in the accent colour,
// and each key equivalent at the right ("⌘,"). The painter is in window-server points.
void paintStatusMenu(QPainter& painter, const vmac::StatusMenuLayout& layout, const Menu& menu, std::optional<std::size_t> highlighted);

} // namespace talvora::qt
