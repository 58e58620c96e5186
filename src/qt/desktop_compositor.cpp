#include "qt/desktop_compositor.h"

#include "qt/desktop_chrome.h"
#include "qt/status_menu_painter.h"
#include "qt/wallpaper.h"
#include "qt/window_picture.h"
#include "vmac/frame_animation.h"
#include "vmac/spaces.h"
#include "vmac/virtual_mac.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace talvora::qt {

namespace {

using vmac::MissionControlPhase;
using vmac::VirtualApp;
using vmac::VirtualDesktop;
using vmac::VirtualWindow;

// How dark the overview's backdrop is over the desktop picture once it is fully in.
constexpr double kBackdropDarkening = 0.45;
constexpr std::size_t kMaxWallpapers = 8;
// Room the pointer's picture takes around its hot spot, in points.
constexpr double kPointerReach = 34;

// Below this many device pixels on either side, a window's picture is drawn as a plain fill.
constexpr double kSmallestDetailedPicture = 8;

QRectF toQRect(const Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }

QString qString(const std::optional<std::string>& text) { return text ? QString::fromStdString(*text) : QString(); }

// A display keeps its desktop picture when others come and go: it follows the display's
// number, or its place for a display without one.
std::size_t desktopPicture(const VirtualDesktop& desktop, std::size_t index)
{
    const auto& number = desktop.displays[index].number;
    return number ? static_cast<std::size_t>(*number) - 1 : index;
}

QString appName(const VirtualApp& app) { return qString(app.localizedName ? app.localizedName : app.bundleIdentifier); }

// One paint's view of the Mac: the lookups every part of the frame needs.
class Frame {
public:
    Frame(const vmac::VirtualMac& mac, std::size_t displayIndex)
        : mac(mac)
        , desktop(mac.desktop())
        , screens(vmac::globalDisplayBounds(desktop))
        , index(displayIndex)
        , display(toQRect(screens[displayIndex]))
        , primaryHeight(desktop.displays.front().frame.height)
        , presentation(mac.presentation())
    {
        for (const auto& app : desktop.apps)
            m_apps.emplace(app->pid, app.get());
        overview = mac.missionControlPhase() != MissionControlPhase::Closed || !presentation.presentedBounds.empty()
            || !presentation.transientWindows.empty();
        progress = overview ? missionControlProgress(mac) : 0;
        // The key window: the front-most window of the front application that is on screen.
        for (const auto& w : desktop.windows) {
            if (desktop.frontmostPID && w.pid == *desktop.frontmostPID && isShownOnDesktop(w)) {
                keyWindow = w.number;
                keyDisplay = vmac::owningDisplayIndex(screens, w.bounds);
                break;
            }
        }
    }

    const VirtualApp* app(ProcessID pid) const
    {
        auto it = m_apps.find(pid);
        return it == m_apps.end() ? nullptr : it->second;
    }

    const AppColors& colors(ProcessID pid)
    {
        auto it = m_colors.find(pid);
        if (it == m_colors.end()) {
            const VirtualApp* a = app(pid);
            it = m_colors.emplace(pid, appColors(a && a->icon ? a->icon.get() : nullptr)).first;
        }
        return it->second;
    }

    // The window is drawn on the desktop outside Mission Control: an application's running,
    // unhidden window on the active Space of its display, not minimized.
    bool isShownOnDesktop(const VirtualWindow& w) const
    {
        const VirtualApp* a = app(w.pid);
        return a && !a->terminated && !a->hidden && !w.minimized && w.alpha > 0 && vmac::isOnActiveSpace(desktop, screens, w);
    }

    bool livesHere(const Rect& globalFrame) const { return vmac::owningDisplayIndex(screens, globalFrame) == index; }

    const vmac::VirtualMac& mac;
    const VirtualDesktop& desktop;
    const std::vector<Rect> screens;
    const std::size_t index;
    const QRectF display; // window-server coordinates
    const double primaryHeight;
    const vmac::ListPresentation presentation;
    bool overview = false;
    double progress = 0;
    std::optional<WindowNumber> keyWindow;
    std::optional<std::size_t> keyDisplay;

private:
    std::unordered_map<ProcessID, const VirtualApp*> m_apps;
    std::unordered_map<ProcessID, AppColors> m_colors;
};

WindowPictureContent pictureOf(Frame& frame, const VirtualWindow& w)
{
    WindowPictureContent content;
    content.title = qString(w.title);
    content.colors = frame.colors(w.pid);
    content.key = frame.keyWindow == w.number;
    content.variety = w.number;
    return content;
}

// A window's picture at its resting size, drawn into `target` (scaled when they differ).
void paintWindowInto(QPainter& painter, Frame& frame, const VirtualWindow& w, const Rect& target, double opacity)
{
    if (opacity <= 0 || w.bounds.isEmpty() || target.isEmpty())
        return;
    // A thumbnail a few pixels across shows no title bar, text or shadow, only its colour: with
    // thousands of windows in the overview, shaping each title would take seconds.
    const QRectF onDevice = painter.worldTransform().mapRect(toQRect(target));
    if (onDevice.width() < kSmallestDetailedPicture || onDevice.height() < kSmallestDetailedPicture) {
        painter.save();
        painter.setOpacity(painter.opacity() * opacity);
        painter.fillRect(toQRect(target), frame.colors(w.pid).body);
        painter.restore();
        return;
    }
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.translate(target.x, target.y);
    painter.scale(target.width / w.bounds.width, target.height / w.bounds.height);
    paintWindowPicture(painter, QSizeF(w.bounds.width, w.bounds.height), pictureOf(frame, w));
    painter.restore();
}

void paintApplicationWindows(QPainter& painter, Frame& frame)
{
    // Back to front: the desktop lists windows front to back within a layer.
    std::vector<const VirtualWindow*> order;
    for (auto it = frame.desktop.windows.rbegin(); it != frame.desktop.windows.rend(); ++it)
        order.push_back(&*it);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) { return a->layer < b->layer; });

    const auto& presented = frame.presentation.presentedBounds;
    // Windows the overview does not show fade out under it as it comes in…
    for (const auto* w : order) {
        if (presented.contains(w->number) || !frame.isShownOnDesktop(*w) || !frame.livesHere(w->bounds))
            continue;
        paintWindowInto(painter, frame, *w, w->bounds, w->alpha * (1 - frame.progress));
    }
    // …and the overview's windows are drawn where it presents them.
    for (const auto* w : order) {
        auto it = presented.find(w->number);
        const VirtualApp* a = frame.app(w->pid);
        if (it == presented.end() || !a || a->terminated || !frame.livesHere(w->bounds))
            continue;
        paintWindowInto(painter, frame, *w, it->second, w->alpha);
    }
}

void paintDockOf(QPainter& painter, Frame& frame)
{
    if (frame.index != 0)
        return;
    std::vector<DockItem> items;
    for (const auto& app : frame.desktop.apps) {
        if (app->terminated || app->activationPolicy != ActivationPolicy::Regular)
            continue;
        items.push_back({ app->icon.get(), appName(*app) });
    }
    paintDock(painter, frame.display, items);
}

void paintMenuBarOf(QPainter& painter, Frame& frame)
{
    const double opacity = 1 - frame.progress;
    if (opacity <= 0)
        return;
    MenuBarContent content;
    if (frame.desktop.frontmostPID) {
        if (const VirtualApp* front = frame.app(*frame.desktop.frontmostPID); front && !front->terminated)
            content.appName = appName(*front);
    }
    content.active = frame.keyDisplay.value_or(0) == frame.index;
    const VirtualApp* own = frame.app(frame.mac.ownPID());
    content.ownStatusItem = own && !own->terminated && frame.mac.ownStatusItemFrame(frame.index).has_value();
    if (content.ownStatusItem) {
        auto menu = frame.mac.statusBar().openMenuLayout();
        auto item = frame.mac.ownStatusItemFrame(frame.index);
        content.ownStatusItemHighlighted = menu && item && frame.display.contains(toQRect(menu->frame).center());
    }
    const Clock& clock = frame.mac.clock();
    const Date now = clock.now();
    content.clock = menuBarClockText(now, clock.localUtcOffsetSeconds(now));
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    paintMenuBar(painter, frame.display, frame.desktop.displays[frame.index].menuBarHeight, content);
    painter.restore();
}

void paintSpacesBarOf(QPainter& painter, Frame& frame)
{
    const auto& d = frame.desktop.displays[frame.index];
    SpacesBarContent content;
    content.picture = desktopPicture(frame.desktop, frame.index);
    content.spaceCount = std::max(1, d.spaceCount);
    content.activeSpace = d.activeSpace;
    content.windows.resize(static_cast<std::size_t>(content.spaceCount));
    for (auto it = frame.desktop.windows.rbegin(); it != frame.desktop.windows.rend(); ++it) {
        const VirtualWindow& w = *it;
        const VirtualApp* a = frame.app(w.pid);
        if (!a || a->terminated || a->hidden || w.minimized || w.space < 0 || w.space >= content.spaceCount || !frame.livesHere(w.bounds))
            continue;
        const AppColors& colors = frame.colors(w.pid);
        content.windows[static_cast<std::size_t>(w.space)].push_back({ toQRect(w.bounds), colors.body, colors.titleBar });
    }
    const double barHeight = frame.display.height() * frame.desktop.thumbnailLayout.spacesBarHeightFraction;
    paintSpacesBar(painter, frame.display, barHeight, content, frame.progress);
}

void paintOwnWindows(QPainter& painter, const vmac::VirtualMac& mac, const std::vector<Rect>& screens, std::size_t index,
    double primaryHeight, const HostedViewPainter& paintHosted)
{
    auto own = mac.ownWindows();
    std::erase_if(own, [&](const auto& w) {
        return !w->isVisible() || w->alphaValue() <= 0
            || vmac::owningDisplayIndex(screens, vmac::globalFromAppKitFrame(w->frame(), primaryHeight)) != index;
    });
    // Back to front: by level, then the window ordered front last in front.
    std::stable_sort(own.begin(), own.end(), [](const auto& a, const auto& b) {
        return a->level() != b->level() ? a->level() < b->level() : a->frontOrder() < b->frontOrder();
    });
    for (const auto& w : own) {
        const QRectF rect = toQRect(vmac::globalFromAppKitFrame(w->frame(), primaryHeight));
        if (rect.isEmpty())
            continue;
        painter.save();
        painter.setOpacity(painter.opacity() * std::min(1.0, w->alphaValue()));
        const WindowColor& bg = w->backgroundColor();
        const double backgroundAlpha = w->isOpaque() ? 1.0 : std::clamp(bg.alpha, 0.0, 1.0);
        if (backgroundAlpha > 0) {
            // A window with a background of its own: its shadow, then the background.
            if (w->hasShadow())
                paintRoundedShadow(painter, rect, 0, 20, QPointF(0, 8), QColor::fromRgbF(0, 0, 0, 0.35f));
            painter.fillRect(rect,
                QColor::fromRgbF(static_cast<float>(std::clamp(bg.red, 0.0, 1.0)), static_cast<float>(std::clamp(bg.green, 0.0, 1.0)),
                    static_cast<float>(std::clamp(bg.blue, 0.0, 1.0)), static_cast<float>(backgroundAlpha)));
        }
        if (paintHosted && w->contentView()) {
            painter.setClipRect(rect, Qt::IntersectClip);
            painter.translate(rect.topLeft());
            paintHosted(painter, *w->contentView(), rect.size());
        }
        painter.restore();
    }
}

} // namespace

double missionControlProgress(const vmac::VirtualMac& mac)
{
    const double now = mac.clock().mediaTime();
    const auto& timings = mac.desktop().missionControlTimings;
    auto along = [&](std::optional<double> start, double duration) {
        if (!start || duration <= 0)
            return 1.0;
        return vmac::smoothStep((now - *start) / duration);
    };
    switch (mac.missionControlPhase()) {
    case MissionControlPhase::Closed:
        return 0;
    case MissionControlPhase::Opening:
        return along(mac.lastMissionControlOpenStart(), timings.openDuration);
    case MissionControlPhase::Open:
        return 1;
    case MissionControlPhase::Closing:
        return 1 - along(mac.lastMissionControlCloseStart(), timings.closeDuration);
    }
    return 0;
}

QSize displayPixelSize(const vmac::VirtualMac& mac, std::size_t displayIndex, double devicePixelRatio)
{
    const auto& displays = mac.desktop().displays;
    if (displayIndex >= displays.size())
        return {};
    const Rect& f = displays[displayIndex].frame;
    return QSize(static_cast<int>(std::lround(f.width * devicePixelRatio)), static_cast<int>(std::lround(f.height * devicePixelRatio)));
}

void DesktopCompositor::paintWallpaperCached(QPainter& painter, const QRectF& display, std::size_t picture)
{
    const QTransform& t = painter.deviceTransform();
    if (t.type() > QTransform::TxScale) {
        paintWallpaper(painter, display, picture);
        return;
    }
    const QRectF device = t.mapRect(display);
    const QSize pixels(static_cast<int>(std::lround(device.width())), static_cast<int>(std::lround(device.height())));
    if (pixels.isEmpty())
        return;
    const auto key = std::make_tuple(picture, pixels.width(), pixels.height());
    auto it = m_wallpapers.find(key);
    if (it == m_wallpapers.end()) {
        if (m_wallpapers.size() >= kMaxWallpapers)
            m_wallpapers.clear();
        it = m_wallpapers.emplace(key, wallpaperImage(pixels, picture)).first;
    }
    painter.drawImage(display, it->second);
}

namespace {

// Sets the painter up for window-server coordinates on the display; the caller restores it.
void enterDisplay(QPainter& painter, const QRectF& display)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(-display.x(), -display.y());
    painter.setClipRect(display, Qt::IntersectClip);
}

} // namespace

void DesktopCompositor::paint(QPainter& painter, const vmac::VirtualMac& mac, std::size_t displayIndex,
    const HostedViewPainter& paintHosted, std::optional<PointerOverlay> pointer)
{
    paintBackdrop(painter, mac, displayIndex);
    paintForeground(painter, mac, displayIndex, paintHosted, pointer);
}

void DesktopCompositor::paintBackdrop(QPainter& painter, const vmac::VirtualMac& mac, std::size_t displayIndex)
{
    if (displayIndex >= mac.desktop().displays.size())
        return;
    Frame frame(mac, displayIndex);
    painter.save();
    enterDisplay(painter, frame.display);
    paintWallpaperCached(painter, frame.display, desktopPicture(mac.desktop(), displayIndex));
    if (frame.progress > 0)
        painter.fillRect(frame.display, QColor::fromRgbF(0.03f, 0.03f, 0.06f, static_cast<float>(kBackdropDarkening * frame.progress)));
    paintApplicationWindows(painter, frame);
    paintDockOf(painter, frame);
    paintMenuBarOf(painter, frame);
    if (frame.overview)
        paintSpacesBarOf(painter, frame);
    painter.restore();
}

void DesktopCompositor::paintForeground(QPainter& painter, const vmac::VirtualMac& mac, std::size_t displayIndex,
    const HostedViewPainter& paintHosted, std::optional<PointerOverlay> pointer)
{
    if (displayIndex >= mac.desktop().displays.size())
        return;
    const auto& desktop = mac.desktop();
    const auto screens = vmac::globalDisplayBounds(desktop);
    const QRectF display = toQRect(screens[displayIndex]);
    const double primaryHeight = desktop.displays.front().frame.height;
    painter.save();
    enterDisplay(painter, display);
    paintOwnWindows(painter, mac, screens, displayIndex, primaryHeight, paintHosted);
    if (const auto* item = mac.statusBar().item()) {
        if (auto layout = mac.statusBar().openMenuLayout(); layout && display.intersects(toQRect(layout->frame)))
            paintStatusMenu(painter, *layout, item->menu, mac.statusBar().highlightedRow());
    }
    if (pointer) {
        const QPointF hotSpot(pointer->location.x, primaryHeight - pointer->location.y);
        // A repaint of a few damaged patches draws the pointer only in the patch it is in.
        const QRectF reach(hotSpot - QPointF(kPointerReach, kPointerReach), QSizeF(2 * kPointerReach, 2 * kPointerReach));
        if (display.contains(hotSpot) && (!painter.hasClipping() || painter.clipBoundingRect().intersects(reach)))
            paintPointer(painter, hotSpot, pointer->cursor);
    }
    painter.restore();
}

QImage DesktopCompositor::render(const vmac::VirtualMac& mac, std::size_t displayIndex, double devicePixelRatio,
    const HostedViewPainter& paintHosted, std::optional<PointerOverlay> pointer)
{
    const QSize size = displayPixelSize(mac, displayIndex, devicePixelRatio);
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.scale(devicePixelRatio, devicePixelRatio);
    paint(painter, mac, displayIndex, paintHosted, pointer);
    painter.end();
    return image;
}

QImage renderDisplay(const vmac::VirtualMac& mac, std::size_t displayIndex, double devicePixelRatio, const HostedViewPainter& paintHosted,
    std::optional<PointerOverlay> pointer)
{
    DesktopCompositor compositor;
    return compositor.render(mac, displayIndex, devicePixelRatio, paintHosted, pointer);
}

} // namespace talvora::qt
