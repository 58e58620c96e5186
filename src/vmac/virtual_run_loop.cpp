#include "vmac/virtual_run_loop.h"

namespace talvora::vmac {

void VirtualRunLoop::async(std::function<void()> work)
{
    after(0, std::move(work));
}

void VirtualRunLoop::after(double seconds, std::function<void()> work)
{
    double now = static_cast<const Clock&>(m_clock).mediaTime();
    m_queue.emplace(Key { now + (seconds > 0 ? seconds : 0), m_sequence++ }, std::move(work));
}

std::optional<double> VirtualRunLoop::nextDueTime() const
{
    if (m_queue.empty())
        return std::nullopt;
    return m_queue.begin()->first.first;
}

void VirtualRunLoop::runUntil(double mediaTime)
{
    while (!m_queue.empty() && m_queue.begin()->first.first <= mediaTime) {
        auto node = m_queue.extract(m_queue.begin());
        m_clock.advanceTo(node.key().first);
        node.mapped()();
    }
    m_clock.advanceTo(mediaTime);
}

} // namespace talvora::vmac
