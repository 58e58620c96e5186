#include "engine/window_entry.h"

namespace talvora {

namespace {

bool isTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isTrimmed(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isTrimmed(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string_view entryTitleView(const WindowEntry& e)
{
    auto name = e.name.asString();
    return name ? trimmed(*name) : std::string_view();
}

std::string entryTitle(const WindowEntry& e)
{
    return std::string(entryTitleView(e));
}

bool isOnScreenEntry(const WindowEntry& e)
{
    if (e.isOnscreen.isBoolean())
        return *e.isOnscreen.asBool();
    if (auto i = e.isOnscreen.asInteger<long long>())
        return *i != 0;
    return false;
}

bool isUserAppWindow(const WindowEntry& e, std::string_view owner, ProcessID pid, const RunningApplication* application,
    const Rect& bounds, ProcessID ownProcess)
{
    if (isDockOrWindowServer(owner))
        return false;
    if (pid == ownProcess)
        return false;
    if (auto layer = entryLayer(e); layer && *layer != 0)
        return false;
    if (auto alpha = entryAlpha(e); alpha && !(*alpha > 0.05))
        return false;
    if (!(bounds.width >= 30 && bounds.height >= 30))
        return false;
    if (!application || application->activationPolicy() != ActivationPolicy::Regular || application->isHidden())
        return false;
    if (auto name = e.name.asString()) {
        auto title = trimmed(*name);
        if (title.starts_with("Item-") || title.starts_with("FocusModes"))
            return false;
    }
    return true;
}

} // namespace talvora
