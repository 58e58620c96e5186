#include "qt/virtual_mac_window.h"

#include "overlay/overlay_content_view.h"
#include "qt/desktop_chrome.h"
#include "vmac/spaces.h"
#include "vmac/virtual_mac.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace talvora::qt {

namespace {

// Room the pointer's picture takes around its hot spot, in points.
constexpr double kPointerReach = 34;

Rect pointerRect(Point appKit, double primaryHeight)
{
    return { appKit.x - kPointerReach, primaryHeight - appKit.y - kPointerReach, 2 * kPointerReach, 2 * kPointerReach };
}

bool samePointer(const std::optional<PointerOverlay>& a, const std::optional<PointerOverlay>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->location.x == b->location.x && a->location.y == b->location.y && a->cursor == b->cursor;
}

} // namespace

std::vector<Rect> damagedRects(const std::vector<Rect>& displays, const std::vector<DisplaySample>& before,
    const std::vector<DisplaySample>& after, const std::vector<double>& menuBarHeights, std::optional<PointerOverlay> pointerBefore,
    std::optional<PointerOverlay> pointerAfter)
{
    std::vector<Rect> damage;
    if (before.size() != after.size()) {
        return displays;
    }
    const double primaryHeight = displays.empty() ? 0 : displays.front().height;
    for (std::size_t i = 0; i < displays.size() && i < after.size(); ++i) {
        const DisplaySample& b = before[i];
        const DisplaySample& a = after[i];
        const bool whole = a.desktopChanges != b.desktopChanges || a.animating || b.animating
            || a.missionControlProgress != b.missionControlProgress || a.menuOpen != b.menuOpen || a.menuHighlight != b.menuHighlight
            || a.overlayLive || b.overlayLive;
        if (whole) {
            damage.push_back(displays[i]);
        } else if (a.clock != b.clock) {
            const double height = i < menuBarHeights.size() ? menuBarHeights[i] : 24;
            damage.push_back({ displays[i].x, displays[i].y, displays[i].width, height });
        }
    }
    if (!samePointer(pointerBefore, pointerAfter)) {
        if (pointerBefore)
            damage.push_back(pointerRect(pointerBefore->location, primaryHeight));
        if (pointerAfter)
            damage.push_back(pointerRect(pointerAfter->location, primaryHeight));
    }
    return damage;
}

VirtualMacWindow::VirtualMacWindow(const vmac::VirtualMac& mac, HostedViewPainter paintHosted, std::function<PointerOverlay()> pointer, Input input)
    : m_mac(mac)
    , m_paintHosted(std::move(paintHosted))
    , m_pointer(std::move(pointer))
    , m_input(std::move(input))
{
    setTitle(QStringLiteral("Talvora \u2014 virtual Mac"));
    // The virtual Mac draws its own pointer.
    setCursor(Qt::BlankCursor);
    layout();
    double fit = 1;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size() * 0.92;
        if (m_bounds.width > 0 && m_bounds.height > 0)
            fit = std::min({ 1.0, room.width() / m_bounds.width, room.height() / m_bounds.height });
    }
    resize(sizeForScale(fit));
}

std::vector<Rect> VirtualMacWindow::displayRects() const
{
    return vmac::globalDisplayBounds(m_mac.desktop());
}

QSize VirtualMacWindow::sizeForScale(double scale) const
{
    return QSize(std::max(1, static_cast<int>(std::lround(m_bounds.width * scale))), std::max(1, static_cast<int>(std::lround(m_bounds.height * scale))));
}

void VirtualMacWindow::layout()
{
    const auto displays = displayRects();
    if (displays.empty()) {
        m_bounds = { 0, 0, 640, 400 };
    } else {
        double minX = displays.front().x, minY = displays.front().y, maxX = displays.front().maxX(), maxY = displays.front().maxY();
        for (const auto& d : displays) {
            minX = std::min(minX, d.x);
            minY = std::min(minY, d.y);
            maxX = std::max(maxX, d.maxX());
            maxY = std::max(maxY, d.maxY());
        }
        m_bounds = { minX, minY, maxX - minX, maxY - minY };
    }
    const double w = std::max(1, width());
    const double h = std::max(1, height());
    m_scale = std::min(w / m_bounds.width, h / m_bounds.height);
    m_offset = QPointF((w - m_bounds.width * m_scale) / 2, (h - m_bounds.height * m_scale) / 2);
}

Point VirtualMacWindow::toGlobal(QPointF p) const
{
    return { m_bounds.x + (p.x() - m_offset.x()) / m_scale, m_bounds.y + (p.y() - m_offset.y()) / m_scale };
}

QPointF VirtualMacWindow::toWindow(Point global) const
{
    return { m_offset.x() + (global.x - m_bounds.x) * m_scale, m_offset.y() + (global.y - m_bounds.y) * m_scale };
}

std::vector<DisplaySample> VirtualMacWindow::sample() const
{
    const auto displays = displayRects();
    std::vector<DisplaySample> samples(displays.size());
    const double progress = missionControlProgress(m_mac);
    const auto phase = m_mac.missionControlPhase();
    const bool animating = phase == vmac::MissionControlPhase::Opening || phase == vmac::MissionControlPhase::Closing;
    const Clock& clock = m_mac.clock();
    const QString clockText = menuBarClockText(clock.now(), clock.localUtcOffsetSeconds(clock.now()));
    const auto menu = m_mac.statusBar().openMenuLayout();
    const double primaryHeight = m_mac.desktop().displays.empty() ? 0 : m_mac.desktop().displays.front().frame.height;
    const double now = clock.mediaTime();
    for (std::size_t i = 0; i < displays.size(); ++i) {
        DisplaySample& s = samples[i];
        s.desktopChanges = m_mac.changeCount();
        s.missionControlProgress = progress;
        s.animating = animating;
        s.clock = clockText;
        s.menuOpen = menu && intersectionArea(displays[i], menu->frame) > 0;
        s.menuHighlight = s.menuOpen ? m_mac.statusBar().highlightedRow() : std::nullopt;
    }
    // An overlay is live while it has something new to show, or shows anything at all (halos
    // pulse and icons fade every frame).
    for (const auto& w : m_mac.ownWindows()) {
        auto* overlay = dynamic_cast<const OverlayContentView*>(w->contentView().get());
        if (!overlay || !w->isVisible() || w->alphaValue() <= 0)
            continue;
        const Rect frame = vmac::globalFromAppKitFrame(w->frame(), primaryHeight);
        const bool live = overlay->needsDisplay() || !overlay->render(now).groups.empty();
        for (std::size_t i = 0; i < displays.size(); ++i) {
            if (live && intersectionArea(displays[i], frame) > 0)
                samples[i].overlayLive = true;
        }
    }
    return samples;
}

void VirtualMacWindow::frame()
{
    if (!isExposed())
        return;
    auto now = sample();
    const std::optional<PointerOverlay> pointer = m_pointer ? std::optional(m_pointer()) : std::nullopt;
    std::vector<double> menuBars;
    for (const auto& d : m_mac.desktop().displays)
        menuBars.push_back(d.menuBarHeight);
    const auto damage = damagedRects(displayRects(), m_lastSample, now, menuBars, m_lastPointer, pointer);
    m_lastSample = std::move(now);
    m_lastPointer = pointer;
    QRegion region;
    for (const Rect& r : damage) {
        const QPointF a = toWindow({ r.x, r.y });
        const QPointF b = toWindow({ r.maxX(), r.maxY() });
        region += QRectF(a, b).toAlignedRect().adjusted(-1, -1, 1, 1);
    }
    if (!region.isEmpty())
        update(region);
}

void VirtualMacWindow::paintEvent(QPaintEvent* event)
{
    ++m_paints;
    for (const QRect& r : event->region())
        m_paintedPixels += static_cast<std::int64_t>(r.width()) * r.height();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(event->rect(), Qt::black);
    const auto displays = displayRects();
    const std::optional<PointerOverlay> pointer = m_pointer ? std::optional(m_pointer()) : std::nullopt;
    for (std::size_t i = 0; i < displays.size(); ++i) {
        const QPointF corner = toWindow({ displays[i].x, displays[i].y });
        const QRectF onWindow(corner, QSizeF(displays[i].width * m_scale, displays[i].height * m_scale));
        if (!event->region().intersects(onWindow.toAlignedRect()))
            continue;
        painter.save();
        painter.translate(corner);
        painter.scale(m_scale, m_scale);
        m_compositor.paint(painter, m_mac, i, m_paintHosted, pointer);
        painter.restore();
    }
}

void VirtualMacWindow::resizeEvent(QResizeEvent*)
{
    layout();
    m_lastSample.clear(); // everything again at the new size
}

void VirtualMacWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_input.mouseMoved)
        m_input.mouseMoved(m_mac.appKitPoint(toGlobal(event->position())));
    frame();
}

void VirtualMacWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_input.mouseMoved)
        m_input.mouseMoved(m_mac.appKitPoint(toGlobal(event->position())));
    if (m_input.mouseDown)
        m_input.mouseDown();
    frame();
}

void VirtualMacWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_input.key)
        m_input.key(*event);
    frame();
}

} // namespace talvora::qt
