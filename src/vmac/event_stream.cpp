#include "vmac/event_stream.h"

#include <algorithm>

namespace talvora::vmac {

class EventStream::Tap final : public EventTapPort {
public:
    Tap(EventStream& stream, std::weak_ptr<int> streamAlive, EventTapPlacement placement, EventTapOptions options, std::uint64_t mask,
        EventTapCallback callback)
        : m_stream(stream)
        , m_streamAlive(std::move(streamAlive))
        , m_placement(placement)
        , m_options(options)
        , m_mask(mask)
        , m_callback(std::move(callback))
    {
    }
    ~Tap() override { invalidate(); }

    void enable(bool on) override { m_enabled = on && m_valid; }
    bool isEnabled() const override { return m_enabled; }
    void addToMainRunLoop() override { m_attached = m_valid; }
    void removeFromMainRunLoop() override { m_attached = false; }
    void invalidate() override
    {
        if (!m_valid)
            return;
        m_valid = false;
        m_enabled = false;
        m_attached = false;
        if (!m_streamAlive.expired())
            m_stream.accountStall();
    }

    bool isValid() const { return m_valid; }
    bool isActiveFilter() const { return m_valid && m_options == EventTapOptions::Default; }
    bool receives(CGEventType type) const { return m_valid && m_enabled && m_attached && (m_mask & cgEventMaskBit(type)); }
    TapVerdict call(CGEventType type) { return m_callback ? m_callback(type) : TapVerdict::Pass; }
    EventTapPlacement placement() const { return m_placement; }

private:
    EventStream& m_stream;
    std::weak_ptr<int> m_streamAlive;
    EventTapPlacement m_placement;
    EventTapOptions m_options;
    std::uint64_t m_mask;
    EventTapCallback m_callback;
    bool m_valid = true;
    bool m_enabled = true; // a new tap is enabled, as CGEventTapCreate makes it
    bool m_attached = false;
};

EventStream::EventStream(VirtualMac& mac, VirtualInput& input, VirtualAccessibility& accessibility)
    : m_mac(mac)
    , m_input(input)
    , m_accessibility(accessibility)
{
    std::weak_ptr<int> alive = m_lifetime;
    m_accessibility.setTrustObserver([this, alive] {
        if (!alive.expired())
            accountStall();
    });
}

EventStream::~EventStream() { m_accessibility.setTrustObserver(nullptr); }

EventTapPortRef EventStream::createTap(EventTapLocation, EventTapPlacement placement, EventTapOptions options, std::uint64_t mask,
    EventTapCallback callback)
{
    if (placement == EventTapPlacement::TailAppend)
        ++m_probes;
    if (options == EventTapOptions::Default && !m_accessibility.trusted()) {
        ++m_refused;
        return nullptr;
    }
    auto tap = std::make_shared<Tap>(*this, m_lifetime, placement, options, mask, std::move(callback));
    std::erase_if(m_taps, [](const auto& weak) { return weak.expired() || !weak.lock()->isValid(); });
    if (placement == EventTapPlacement::HeadInsert)
        m_taps.insert(m_taps.begin(), tap);
    else
        m_taps.push_back(tap);
    accountStall();
    return tap;
}

int EventStream::installedTaps() const
{
    return static_cast<int>(std::count_if(m_taps.begin(), m_taps.end(), [](const auto& weak) {
        auto tap = weak.lock();
        return tap && tap->isActiveFilter();
    }));
}

int EventStream::activeTaps() const
{
    return static_cast<int>(std::count_if(m_taps.begin(), m_taps.end(), [](const auto& weak) {
        auto tap = weak.lock();
        return tap && tap->isActiveFilter() && tap->receives(CGEventType::LeftMouseDown);
    }));
}

bool EventStream::isStalled() const { return !m_accessibility.trusted() && installedTaps() > 0; }

void EventStream::accountStall()
{
    const double now = m_mac.clock().mediaTime();
    const bool stalled = isStalled();
    if (stalled && !m_stalledSince)
        m_stalledSince = now;
    else if (!stalled && m_stalledSince) {
        m_stalledTotal += now - *m_stalledSince;
        m_stalledSince.reset();
    }
}

double EventStream::secondsStalled() const
{
    return m_stalledTotal + (m_stalledSince ? m_mac.clock().mediaTime() - *m_stalledSince : 0);
}

bool EventStream::throughTaps(CGEventType type)
{
    std::vector<std::shared_ptr<Tap>> taps; // a callback may create or invalidate taps
    for (const auto& weak : m_taps) {
        if (auto tap = weak.lock(); tap && tap->isActiveFilter() && tap->placement() == EventTapPlacement::HeadInsert)
            taps.push_back(std::move(tap));
    }
    for (const auto& tap : taps) {
        if (tap->receives(type) && tap->call(type) == TapVerdict::Drop)
            return true;
    }
    return false;
}

void EventStream::disableTaps(bool byTimeout)
{
    std::vector<std::shared_ptr<Tap>> taps;
    for (const auto& weak : m_taps) {
        if (auto tap = weak.lock(); tap && tap->isValid() && tap->isEnabled())
            taps.push_back(std::move(tap));
    }
    for (const auto& tap : taps) {
        tap->enable(false);
        tap->call(byTimeout ? CGEventType::TapDisabledByTimeout : CGEventType::TapDisabledByUserInput);
    }
}

void EventStream::deliver(Point location, ClickOutcome& outcome)
{
    outcome.target = m_mac.routeClick(location);
    if (outcome.target.kind == ClickTarget::Kind::OwnWindow) {
        const auto own = m_mac.ownWindows();
        auto it = std::find_if(own.begin(), own.end(), [&](const auto& w) { return w->windowNumber() == outcome.target.window; });
        if (it != own.end()) {
            const LocalEvent event { EventType::LeftMouseDown, *it, outcome.target.locationInWindow };
            outcome.swallowedByApp = !m_input.deliverLocal(event);
        }
        return;
    }
    // The program's status item and menu are its own: other applications do not hear those.
    if (outcome.target.kind != ClickTarget::Kind::StatusItem && outcome.target.kind != ClickTarget::Kind::Menu)
        m_input.postEvent(EventType::LeftMouseDown);
    m_mac.applyClick(outcome.target);
}

ClickOutcome EventStream::click(Point location)
{
    ClickOutcome outcome;
    if (isStalled()) {
        outcome.held = true;
        ++m_heldClicks;
        return outcome;
    }
    outcome.droppedByTap = throughTaps(CGEventType::LeftMouseDown);
    if (!outcome.droppedByTap)
        deliver(location, outcome);
    const bool upDropped = throughTaps(CGEventType::LeftMouseUp);
    if (upDropped != outcome.droppedByTap)
        ++m_halfClicks;
    return outcome;
}

} // namespace talvora::vmac
