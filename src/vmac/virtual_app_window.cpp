#include "vmac/virtual_app_window.h"

#include <atomic>

namespace talvora::vmac {

namespace {

std::uint64_t nextFrontOrder()
{
    static std::atomic<std::uint64_t> counter { 0 };
    return ++counter;
}

} // namespace

VirtualAppWindow::VirtualAppWindow(WindowNumber number, const Rect& frame, std::uint64_t styleMask, WindowClassTraits traits,
    std::function<void()> onChange)
    : m_number(number)
    , m_frame(frame)
    , m_styleMask(styleMask)
    , m_traits(traits)
    , m_onChange(std::move(onChange))
{
}

VirtualAppWindow::~VirtualAppWindow()
{
    // The released window leaves the window server's list.
    if (m_onChange)
        m_onChange();
}

void VirtualAppWindow::changed()
{
    if (m_onChange)
        m_onChange();
}

void VirtualAppWindow::setFrame(const Rect& frame, bool)
{
    // Nothing is drawn until the compositor asks, so redrawing at once changes nothing here.
    m_frame = frame;
    changed();
}

void VirtualAppWindow::setStyleMask(std::uint64_t mask)
{
    m_styleMask = mask;
    changed();
}

void VirtualAppWindow::setBackgroundColor(const WindowColor& color) { m_background = color; }

void VirtualAppWindow::setOpaque(bool opaque) { m_opaque = opaque; }

void VirtualAppWindow::setAlphaValue(double alpha)
{
    m_alpha = alpha;
    changed();
}

void VirtualAppWindow::setIgnoresMouseEvents(bool ignores) { m_ignoresMouse = ignores; }

void VirtualAppWindow::setHasShadow(bool hasShadow) { m_hasShadow = hasShadow; }

void VirtualAppWindow::setLevel(int level)
{
    m_level = level;
    changed();
}

void VirtualAppWindow::setCollectionBehavior(std::uint64_t behavior) { m_collectionBehavior = behavior; }

void VirtualAppWindow::setContentView(std::shared_ptr<HostedView> view) { m_contentView = std::move(view); }

void VirtualAppWindow::orderFront()
{
    m_visible = true;
    m_frontOrder = nextFrontOrder();
    changed();
}

void VirtualAppWindow::orderOut()
{
    m_visible = false;
    changed();
}

} // namespace talvora::vmac
