#include "vmac/virtual_input.h"

namespace talvora::vmac {

namespace {

class MonitorToken final : public ObserverToken {
public:
    explicit MonitorToken(std::shared_ptr<void> monitor)
        : m_monitor(std::move(monitor))
    {
    }

private:
    std::shared_ptr<void> m_monitor;
};

bool isKeyEvent(EventType type) { return type == EventType::KeyDown || type == EventType::FlagsChanged; }

} // namespace

ObserverTokenPtr VirtualInput::addGlobalMonitor(std::uint64_t mask, std::function<void(EventType)> handler)
{
    if (m_refuses)
        return nullptr;
    auto monitor = std::make_shared<Monitor>(Monitor { mask, std::move(handler) });
    std::erase_if(m_monitors, [](const auto& weak) { return weak.expired(); });
    m_monitors.push_back(monitor);
    m_lastMask = mask;
    return std::make_unique<MonitorToken>(std::move(monitor));
}

void VirtualInput::postEvent(EventType type)
{
    if (isKeyEvent(type) && !m_accessibility.trusted())
        return;
    auto monitors = m_monitors; // a handler may add or drop monitors
    for (auto& weak : monitors) {
        auto monitor = weak.lock();
        if (monitor && (monitor->mask & eventMask(type)))
            monitor->handler(type);
    }
}

ObserverTokenPtr VirtualInput::addLocalMonitor(std::uint64_t mask, LocalMonitorHandler handler)
{
    auto monitor = std::make_shared<LocalMonitor>(LocalMonitor { mask, std::move(handler) });
    std::erase_if(m_localMonitors, [](const auto& weak) { return weak.expired(); });
    m_localMonitors.push_back(monitor);
    return std::make_unique<MonitorToken>(std::move(monitor));
}

std::optional<LocalEvent> VirtualInput::deliverLocal(const LocalEvent& event)
{
    std::optional<LocalEvent> current = event;
    auto monitors = m_localMonitors; // a handler may add or drop monitors
    for (auto& weak : monitors) {
        auto monitor = weak.lock();
        if (!monitor || !(monitor->mask & eventMask(current->type)))
            continue;
        current = monitor->handler(*current);
        if (!current)
            return std::nullopt;
    }
    return current;
}

int VirtualInput::liveLocalMonitors() const
{
    int count = 0;
    for (const auto& weak : m_localMonitors)
        count += !weak.expired();
    return count;
}

int VirtualInput::liveGlobalMonitors() const
{
    int count = 0;
    for (const auto& weak : m_monitors)
        count += !weak.expired();
    return count;
}

} // namespace talvora::vmac
