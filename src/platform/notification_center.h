#pragma once

#include <functional>
#include <memory>
#include <string>

namespace talvora {

// An observer registration; the observer stays registered while the token lives.
class ObserverToken {
public:
    virtual ~ObserverToken() = default;
};
using ObserverTokenPtr = std::unique_ptr<ObserverToken>;

// NSNotificationCenter without sender or payload: notifications are delivered on the main
// thread, synchronously when posted there.
class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;
    virtual ObserverTokenPtr addObserver(const std::string& name, std::function<void()> handler) = 0;
    virtual void post(const std::string& name) = 0;
};

} // namespace talvora
