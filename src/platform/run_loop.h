#pragma once

#include <functional>

namespace talvora {

// The main thread's queue. Everything the system does runs on it.
class RunLoop {
public:
    virtual ~RunLoop() = default;
    // Asynchronous work on the main queue, after what is already queued.
    virtual void async(std::function<void()> work) = 0;
    // One-shot work on the main queue after a delay in media-clock seconds.
    virtual void after(double seconds, std::function<void()> work) = 0;
};

} // namespace talvora
