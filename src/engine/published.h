#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace talvora {

// A value the engine publishes. Every assignment notifies the subscribers (whether the value
// changed is the publisher's decision: some values are published only on change, some on every
// tick). State is assigned first and subscribers are called second; a subscriber may drop its
// own subscription, or destroy the object that owns this value, from inside the notification.
template<typename T>
class Published {
public:
    using Handler = std::function<void(const T&)>;
    // Keeps the subscription alive; dropping it unsubscribes.
    using Subscription = std::shared_ptr<Handler>;

    explicit Published(T initial = T {})
        : m_value(std::move(initial))
    {
    }
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& value() const { return m_value; }
    operator const T&() const { return m_value; }
    // How many times the value was published; tests count publications.
    unsigned long long publicationCount() const { return m_publications; }

    void publish(T value)
    {
        m_value = std::move(value);
        ++m_publications;
        notify();
    }

    // Publishes like `publish` and hands back the value it replaced, for a publisher that
    // fills the same records again on its next turn.
    T exchange(T value)
    {
        T previous = std::exchange(m_value, std::move(value));
        ++m_publications;
        notify();
        return previous;
    }

    [[nodiscard]] Subscription subscribe(Handler handler)
    {
        auto subscription = std::make_shared<Handler>(std::move(handler));
        std::erase_if(m_handlers, [](const auto& weak) { return weak.expired(); });
        m_handlers.push_back(subscription);
        return subscription;
    }

private:
    void notify()
    {
        std::weak_ptr<int> alive = m_alive;
        auto handlers = m_handlers;
        for (auto& weak : handlers) {
            if (alive.expired())
                return;
            if (auto handler = weak.lock())
                (*handler)(m_value);
        }
    }

    T m_value;
    unsigned long long m_publications = 0;
    std::vector<std::weak_ptr<Handler>> m_handlers;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace talvora
