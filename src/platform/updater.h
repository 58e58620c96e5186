#pragma once

namespace talvora {

// The update controller. Once started it checks on its own schedule; asked, it checks now and
// tells the person the result in its own window. It never downloads or runs anything.
class Updater {
public:
    virtual ~Updater() = default;
    virtual void start() = 0;
    virtual void checkForUpdates() = 0;
};

} // namespace talvora
