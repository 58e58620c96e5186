#include "engine/frame_driver.h"

namespace talvora {

Coordinator::Coordinator(RunLoop& runLoop, TickModeSpec mode, std::function<void()> onFrame)
    : onFrame(std::move(onFrame))
    , mode(mode)
    , m_runLoop(runLoop)
{
}

Coordinator::~Coordinator()
{
    stop();
}

void Coordinator::start(DisplayLinkHostingView& host)
{
    stop();
    displayLink = host.makeDisplayLink(shared_from_this());
    applyMode();
    if (std::holds_alternative<TimerMode>(mode) && displayLink)
        displayLink->setPaused(true);
}

void Coordinator::stop()
{
    if (timer) {
        timer->cancel();
        timer.reset();
    }
    if (displayLink) {
        displayLink->invalidate();
        displayLink.reset();
    }
}

void Coordinator::applyMode()
{
    ++m_applications;
    if (auto* link = std::get_if<DisplayLinkMode>(&mode)) {
        if (timer) {
            timer->cancel();
            timer.reset();
        }
        // Without a display link (the host view is in no window) nothing runs until start.
        if (displayLink) {
            displayLink->setPreferredFrameRate(link->hz);
            displayLink->setPaused(false);
        }
        return;
    }
    const auto& spec = std::get<TimerMode>(mode);
    // Paused rather than destroyed: it comes back at once when Mission Control opens.
    if (displayLink)
        displayLink->setPaused(true);
    if (timer)
        timer->cancel();
    std::weak_ptr<Coordinator> weak = weak_from_this();
    // Timer modes run whether or not the host view is in a window.
    timer = m_runLoop.scheduleRepeating(spec.interval, spec.leeway, [weak] {
        if (auto self = weak.lock())
            self->handleDisplayLink();
    });
}

void Coordinator::handleDisplayLink()
{
    if (onFrame) {
        auto frame = onFrame; // the frame may update the driver and replace the callback
        frame();
    }
}

void DisplayLinkHostingView::moveToWindow(std::optional<DisplayID> display)
{
    m_windowDisplay = display;
    if (!display) {
        if (auto c = coordinator.lock())
            c->stop();
        return;
    }
    // Let the window finish its own work first; then, if the view is still in a window and
    // still has a coordinator, start it.
    std::weak_ptr<DisplayLinkHostingView> weak = weak_from_this();
    m_runLoop.async([weak] {
        auto self = weak.lock();
        if (!self || !self->isInWindow())
            return;
        if (auto c = self->coordinator.lock())
            c->start(*self);
    });
}

DisplayLinkPtr DisplayLinkHostingView::makeDisplayLink(const std::shared_ptr<Coordinator>& target)
{
    if (!m_windowDisplay)
        return nullptr;
    std::weak_ptr<Coordinator> weak = target;
    return m_runLoop.createDisplayLink(*m_windowDisplay, [weak] {
        if (auto c = weak.lock())
            c->handleDisplayLink();
    });
}

DisplayLinkDriver::DisplayLinkDriver(RunLoop& runLoop, TickModeSpec mode, std::function<void()> onFrame)
    : m_coordinator(std::make_shared<Coordinator>(runLoop, mode, std::move(onFrame)))
    , m_hostView(std::make_shared<DisplayLinkHostingView>(runLoop))
{
    m_hostView->coordinator = m_coordinator;
}

void DisplayLinkDriver::update(TickModeSpec mode, std::function<void()> onFrame)
{
    m_coordinator->onFrame = std::move(onFrame);
    if (mode != m_coordinator->mode) {
        m_coordinator->mode = mode;
        m_coordinator->applyMode();
    }
    m_hostView->coordinator = m_coordinator;
}

} // namespace talvora
