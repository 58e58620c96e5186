#include "vmac/virtual_notification_center.h"

#include <algorithm>

namespace talvora::vmac {

namespace {

class Token final : public ObserverToken {
public:
    explicit Token(std::shared_ptr<std::function<void()>> handler)
        : m_handler(std::move(handler))
    {
    }

private:
    std::shared_ptr<std::function<void()>> m_handler;
};

} // namespace

ObserverTokenPtr VirtualNotificationCenter::addObserver(const std::string& name, std::function<void()> handler)
{
    auto shared = std::make_shared<std::function<void()>>(std::move(handler));
    std::erase_if(m_observers, [](const Observer& o) { return o.handler.expired(); });
    m_observers.push_back({ name, shared });
    return std::make_unique<Token>(std::move(shared));
}

void VirtualNotificationCenter::post(const std::string& name)
{
    m_posted.push_back(name);
    // A handler may add or drop observers while this runs; work on a snapshot.
    // A handler dropped by an earlier one is not called.
    std::vector<std::weak_ptr<std::function<void()>>> handlers;
    for (const auto& observer : m_observers) {
        if (observer.name == name)
            handlers.push_back(observer.handler);
    }
    for (auto& weak : handlers) {
        if (auto handler = weak.lock())
            (*handler)();
    }
}

int VirtualNotificationCenter::postCount(const std::string& name) const
{
    return static_cast<int>(std::count(m_posted.begin(), m_posted.end(), name));
}

} // namespace talvora::vmac
