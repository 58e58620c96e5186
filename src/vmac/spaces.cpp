#include "vmac/spaces.h"

namespace talvora::vmac {

std::vector<Rect> globalDisplayBounds(const VirtualDesktop& desktop)
{
    std::vector<Rect> result;
    result.reserve(desktop.displays.size());
    const double primaryHeight = desktop.displays.empty() ? 0 : desktop.displays.front().frame.height;
    for (const auto& d : desktop.displays)
        result.push_back(globalFromAppKitFrame(d.frame, primaryHeight));
    return result;
}

std::optional<std::size_t> hostDisplayIndex(std::span<const Rect> displayBounds, const Rect& frame)
{
    return indexOfLargestIntersection(displayBounds, frame);
}

std::optional<std::size_t> owningDisplayIndex(std::span<const Rect> displayBounds, const Rect& frame)
{
    if (displayBounds.empty())
        return std::nullopt;
    return hostDisplayIndex(displayBounds, frame).value_or(0);
}

bool isOnActiveSpace(const VirtualDesktop& desktop, std::span<const Rect> displayBounds, const VirtualWindow& window)
{
    auto display = owningDisplayIndex(displayBounds, window.bounds);
    if (!display || *display >= desktop.displays.size())
        return true;
    return window.space == desktop.displays[*display].activeSpace;
}

int activeSpaceAt(const VirtualDesktop& desktop, const Rect& frame)
{
    auto bounds = globalDisplayBounds(desktop);
    auto display = owningDisplayIndex(bounds, frame);
    return display ? desktop.displays[*display].activeSpace : 0;
}

std::optional<std::size_t> displayIndexNumbered(const VirtualDesktop& desktop, std::optional<DisplayID> number)
{
    for (std::size_t i = 0; i < desktop.displays.size(); ++i) {
        if (desktop.displays[i].number == number)
            return i;
    }
    return std::nullopt;
}

} // namespace talvora::vmac
