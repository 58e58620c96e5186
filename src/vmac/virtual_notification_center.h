#pragma once

#include "platform/notification_center.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace talvora::vmac {

// Notifications posted on the main thread reach their observers synchronously, in the order
// they registered, as NSNotificationCenter does with the main queue as delivery queue.
class VirtualNotificationCenter final : public NotificationCenter {
public:
    VirtualNotificationCenter() = default;
    // How many notifications of this name were posted; tests and the demo's timeline read it.
    int postCount(const std::string& name) const;
    const std::vector<std::string>& postedNames() const { return m_posted; }

private:
    // NotificationCenter:
    ObserverTokenPtr addObserver(const std::string& name, std::function<void()> handler) override;
    void post(const std::string& name) override;

    struct Observer {
        std::string name;
        std::weak_ptr<std::function<void()>> handler;
    };
    std::vector<Observer> m_observers;
    std::vector<std::string> m_posted;
};

} // namespace talvora::vmac
