#include "qt/virtual_mac_canvas.h"

#include "overlay/overlay_content_view.h"
#include "qt/desktop_chrome.h"
#include "qt/overlay_painter.h"
#include "vmac/spaces.h"
#include "vmac/virtual_mac.h"

#include <QPainter>

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
    return a->location == b->location && a->cursor == b->cursor;
}

Rect moved(const QRectF& local, const Rect& frame)
{
    return { frame.x + local.x(), frame.y + local.y(), local.width(), local.height() };
}

} // namespace

std::vector<QRect> patches(const QRegion& region)
{
    std::vector<QRect> merged(region.begin(), region.end());
    // A region keeps its area as horizontal bands; rectangles that touch are joined into their
    // bounding box until none touch, which gives back the damaged items' boxes.
    for (bool joined = true; joined;) {
        joined = false;
        for (std::size_t i = 0; i < merged.size() && !joined; ++i) {
            for (std::size_t k = i + 1; k < merged.size(); ++k) {
                if (merged[i].adjusted(0, 0, 1, 1).intersects(merged[k])) {
                    merged[i] |= merged[k];
                    merged.erase(merged.begin() + static_cast<std::ptrdiff_t>(k));
                    joined = true;
                    break;
                }
            }
        }
    }
    return merged;
}

VirtualMacCanvas::VirtualMacCanvas(const vmac::VirtualMac& mac, OverlayPainter& overlayPainter, std::function<double()> frameMediaTime)
    : m_mac(mac)
    , m_overlayPainter(overlayPainter)
    , m_frameMediaTime(std::move(frameMediaTime))
    , m_paintHosted([this](QPainter& painter, const HostedView& view, QSizeF size) { paintHosted(painter, view, size); })
{
    layout();
}

VirtualMacCanvas::~VirtualMacCanvas() = default;

std::vector<Rect> VirtualMacCanvas::displayRects() const { return vmac::globalDisplayBounds(m_mac.desktop()); }

void VirtualMacCanvas::setWindowSize(QSize size)
{
    m_windowSize = size;
    layout();
    m_lastStates.reset();
}

QSize VirtualMacCanvas::sizeForScale(double scale) const
{
    return QSize(std::max(1, static_cast<int>(std::lround(m_bounds.width * scale))), std::max(1, static_cast<int>(std::lround(m_bounds.height * scale))));
}

void VirtualMacCanvas::layout()
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
    const double w = std::max(1, m_windowSize.width());
    const double h = std::max(1, m_windowSize.height());
    m_scale = std::min(w / m_bounds.width, h / m_bounds.height);
    m_offset = QPointF((w - m_bounds.width * m_scale) / 2, (h - m_bounds.height * m_scale) / 2);
}

Point VirtualMacCanvas::toGlobal(QPointF p) const
{
    return { m_bounds.x + (p.x() - m_offset.x()) / m_scale, m_bounds.y + (p.y() - m_offset.y()) / m_scale };
}

QPointF VirtualMacCanvas::toWindow(Point global) const
{
    return { m_offset.x() + (global.x - m_bounds.x) * m_scale, m_offset.y() + (global.y - m_bounds.y) * m_scale };
}

QRectF VirtualMacCanvas::windowRect(const Rect& global) const
{
    return QRectF(toWindow({ global.x, global.y }), toWindow({ global.maxX(), global.maxY() }));
}

QRect VirtualMacCanvas::displayArea(const Rect& display) const { return windowRect(display).toAlignedRect(); }

std::vector<BackdropState> VirtualMacCanvas::backdropStates() const
{
    const auto displays = displayRects();
    const Clock& clock = m_mac.clock();
    const QString clockText = menuBarClockText(clock.now(), clock.localUtcOffsetSeconds(clock.now()));
    const double progress = missionControlProgress(m_mac);
    const auto menu = m_mac.statusBar().openMenuLayout();
    const auto presented = m_mac.presentation().presentedBounds;
    std::vector<BackdropState> states(displays.size());
    for (std::size_t i = 0; i < displays.size(); ++i) {
        states[i].desktopChanges = m_mac.changeCount();
        states[i].missionControlProgress = progress;
        states[i].clock = clockText;
        states[i].menuOpen = menu && intersectionArea(displays[i], menu->frame) > 0;
        for (const auto& [number, bounds] : presented) {
            if (intersectionArea(displays[i], bounds) > 0)
                states[i].presented.emplace_back(number, bounds);
        }
        std::ranges::sort(states[i].presented, {}, &std::pair<WindowNumber, Rect>::first);
    }
    return states;
}

std::map<const void*, VirtualMacCanvas::OverlayRecord> VirtualMacCanvas::renderOverlays()
{
    std::map<const void*, OverlayRecord> overlays;
    const double primaryHeight = m_mac.desktop().displays.empty() ? 0 : m_mac.desktop().displays.front().frame.height;
    const double now = m_frameMediaTime();
    for (const auto& w : m_mac.ownWindows()) {
        const auto& view = w->contentView();
        auto* overlay = dynamic_cast<const OverlayContentView*>(view.get());
        if (!overlay)
            continue;
        OverlayRecord& record = overlays[view.get()];
        record.view = view;
        record.frame = vmac::globalFromAppKitFrame(w->frame(), primaryHeight);
        record.alpha = w->alphaValue();
        record.shown = w->isVisible() && record.alpha > 0;
        if (!record.shown)
            continue;
        record.content = overlay->render(now);
        // A group that looks as it did keeps its bounds (a label's take its text's layout).
        auto previous = m_overlays.find(view.get());
        const OverlayRecord* before = previous != m_overlays.end() && previous->second.view.lock() == view ? &previous->second : nullptr;
        const auto& groups = record.content.groups;
        record.groupBounds.reserve(groups.size());
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const bool same = before && i < before->content.groups.size() && before->content.groups[i].windowID == groups[i].windowID
                && before->content.groups[i].items == groups[i].items;
            record.groupBounds.push_back(same ? before->groupBounds[i] : m_overlayPainter.groupBounds(groups[i]));
        }
    }
    return overlays;
}

void VirtualMacCanvas::overlayDamage(const OverlayRecord* before, const OverlayRecord& after, std::vector<Rect>& damage) const
{
    auto everything = [&](const OverlayRecord& r) {
        for (const QRectF& bounds : r.groupBounds)
            damage.push_back(moved(bounds, r.frame));
    };
    if (!before || before->frame != after.frame || before->alpha != after.alpha || before->shown != after.shown) {
        if (before && before->shown)
            damage.push_back(before->frame);
        if (after.shown)
            damage.push_back(after.frame);
        return;
    }
    const auto& old = before->content.groups;
    const auto& now = after.content.groups;
    // Groups are layers: when their order changes, whatever overlaps may look different.
    const bool sameOrder = old.size() == now.size()
        && std::equal(old.begin(), old.end(), now.begin(), [](const auto& a, const auto& b) { return a.windowID == b.windowID; });
    if (!sameOrder) {
        everything(*before);
        everything(after);
        return;
    }
    for (std::size_t i = 0; i < now.size(); ++i) {
        const auto& a = old[i].items;
        const auto& b = now[i].items;
        if (a == b)
            continue;
        if (a.size() != b.size()) {
            damage.push_back(moved(before->groupBounds[i], before->frame));
            damage.push_back(moved(after.groupBounds[i], after.frame));
            continue;
        }
        for (std::size_t k = 0; k < b.size(); ++k) {
            if (a[k] == b[k])
                continue;
            damage.push_back(moved(m_overlayPainter.itemBounds(a[k]), before->frame));
            damage.push_back(moved(m_overlayPainter.itemBounds(b[k]), after.frame));
        }
    }
}

QRegion VirtualMacCanvas::takeDamage(std::optional<PointerOverlay> pointer)
{
    const auto displays = displayRects();
    auto states = backdropStates();
    auto overlays = renderOverlays();
    const bool everything = !m_lastStates || m_lastStates->size() != states.size();

    std::vector<Rect> damage;
    if (everything) {
        damage.push_back(m_bounds);
    } else {
        for (std::size_t i = 0; i < displays.size(); ++i) {
            const BackdropState& b = (*m_lastStates)[i];
            const BackdropState& a = states[i];
            if (a.desktopChanges != b.desktopChanges || a.missionControlProgress != b.missionControlProgress || a.menuOpen != b.menuOpen
                || a.presented != b.presented) {
                damage.push_back(displays[i]);
            } else if (a.clock != b.clock) {
                const auto& d = m_mac.desktop().displays[i];
                damage.push_back({ displays[i].x, displays[i].y, displays[i].width, d.menuBarHeight });
            }
        }
        // The status menu's highlight is drawn over the overlays.
        if (const auto menu = m_mac.statusBar().openMenuLayout(); menu && m_mac.statusBar().highlightedRow() != m_lastHighlight)
            damage.push_back(menu->frame);
        for (const auto& [key, after] : overlays) {
            auto it = m_overlays.find(key);
            const OverlayRecord* before = it != m_overlays.end() && !it->second.view.expired() ? &it->second : nullptr;
            overlayDamage(before, after, damage);
        }
        for (const auto& [key, before] : m_overlays) {
            if (!overlays.contains(key) && before.shown)
                damage.push_back(before.frame);
        }
        if (!samePointer(m_lastPointer, pointer)) {
            const double primaryHeight = m_mac.desktop().displays.empty() ? 0 : m_mac.desktop().displays.front().frame.height;
            if (m_lastPointer)
                damage.push_back(pointerRect(m_lastPointer->location, primaryHeight));
            if (pointer)
                damage.push_back(pointerRect(pointer->location, primaryHeight));
        }
    }
    m_lastStates = std::move(states);
    m_overlays = std::move(overlays);
    m_lastPointer = pointer;
    m_lastHighlight = m_mac.statusBar().highlightedRow();

    QRegion region;
    for (const Rect& r : damage) {
        if (!r.isEmpty())
            region += windowRect(r).toAlignedRect().adjusted(-1, -1, 1, 1);
    }
    return region & QRect(QPoint(0, 0), m_windowSize);
}

void VirtualMacCanvas::drawBackdrop(std::size_t index, const Rect& display, const QRect& area, double devicePixelRatio, const BackdropState& state)
{
    Backdrop& backdrop = m_backdrops[index];
    const QSize pixels(static_cast<int>(std::ceil(area.width() * devicePixelRatio)), static_cast<int>(std::ceil(area.height() * devicePixelRatio)));
    if (backdrop.state == state && backdrop.picture.size() == pixels && backdrop.picture.devicePixelRatio() == devicePixelRatio)
        return;
    if (backdrop.picture.size() != pixels)
        backdrop.picture = QImage(pixels, QImage::Format_RGB32); // opaque: a repaint copies it
    backdrop.picture.setDevicePixelRatio(devicePixelRatio);
    backdrop.picture.fill(Qt::black);
    QPainter painter(&backdrop.picture);
    painter.translate(windowRect(display).topLeft() - QPointF(area.topLeft()));
    painter.scale(m_scale, m_scale);
    m_compositor.paintBackdrop(painter, m_mac, index);
    painter.end();
    backdrop.state = state;
    ++m_backdropRenders;
}

void VirtualMacCanvas::paint(QPainter& painter, const QRegion& region, double devicePixelRatio, std::optional<PointerOverlay> pointer)
{
    const auto displays = displayRects();
    const auto states = backdropStates();
    m_backdrops.resize(displays.size());
    QRegion uncovered = region;
    for (std::size_t i = 0; i < displays.size(); ++i) {
        const QRect area = displayArea(displays[i]);
        const QRegion part = region & area;
        if (part.isEmpty())
            continue;
        uncovered -= area;
        drawBackdrop(i, displays[i], area, devicePixelRatio, states[i]);
        const QImage& picture = m_backdrops[i].picture;
        // Each patch is a copy of the backdrop at the device's pixels, then the foreground
        // clipped to a rectangle: with no clip or a rectangular one the raster engine copies
        // images directly, where a region would send every image through its general path.
        for (const QRect& r : patches(part)) {
            const QRectF source(QPointF(r.topLeft() - area.topLeft()) * devicePixelRatio, QSizeF(r.size()) * devicePixelRatio);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(QRectF(r), picture, source);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.save();
            painter.setClipRect(r);
            painter.translate(windowRect(displays[i]).topLeft());
            painter.scale(m_scale, m_scale);
            m_compositor.paintForeground(painter, m_mac, i, m_paintHosted, pointer);
            painter.restore();
        }
    }
    for (const QRect& r : uncovered)
        painter.fillRect(r, Qt::black);
}

void VirtualMacCanvas::paintHosted(QPainter& painter, const HostedView& view, QSizeF)
{
    auto* overlay = dynamic_cast<const OverlayContentView*>(&view);
    if (!overlay)
        return;
    // What the last damage was worked out from, so that the repaint draws what was compared.
    if (auto it = m_overlays.find(&view); it != m_overlays.end() && !it->second.view.expired()) {
        m_overlayPainter.paint(painter, it->second.content, {}, it->second.groupBounds);
        return;
    }
    m_overlayPainter.paint(painter, overlay->render(m_frameMediaTime()));
}

} // namespace talvora::qt
