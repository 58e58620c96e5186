// Icon placement over the thumbnails: which windows get an icon, on which screen, how large
// and how opaque, and the smoothed anchor that glides with the opening animation.

#include "engine/closed_window_registry.h"
#include "engine/overlay_view_model.h"
#include "engine/placement_state.h"
#include "engine/window_entry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

namespace talvora {

namespace placement {

double smoothingHalfLife(double distance)
{
    if (distance > 30)
        return 0.01;
    if (distance > 10)
        return 0.025;
    return 0.045;
}

double smoothingFactor(double distance, double frameDelta)
{
    const double step = frameDelta < 0.1 ? std::max(frameDelta, 0.001) : 0.1;
    return 1 - std::exp2(-step / smoothingHalfLife(distance));
}

double visibilityLevel(bool late, bool showNew, bool inScreen, bool fast, bool wrongScreen, double rs, double entryT)
{
    if (late)
        return showNew && inScreen && !fast ? 0.7 : 0.0;
    if (wrongScreen || rs <= 0.03)
        return 0;
    return std::max(rs, 0.7 * std::min(entryT, 1.0));
}

double sizeTerm(double windowSizeInfluence, double initialArea, double maxArea)
{
    double ratio = maxArea > 0 ? std::sqrt(initialArea / maxArea) : 1.0;
    ratio = std::clamp(std::isfinite(ratio) ? ratio : 1.0, 0.4, 1.0);
    return 1 - windowSizeInfluence * (1 - ratio);
}

double iconScale(double term, double visibility, double thumbnailWidth)
{
    const double f = visibility >= 0.6 ? 1.0 : 0.3 + 0.7 * visibility / 0.6;
    // The cap is relative to the 51-point reference icon, whatever the icon-size setting.
    return std::min(term * f, std::max(0.7 * thumbnailWidth / 51, 0.2));
}

} // namespace placement

namespace {

// Copies into the storage `to` already has.
void assignOptional(std::optional<std::string>& to, const std::optional<std::string>& from)
{
    if (!from)
        to.reset();
    else if (to)
        to->assign(*from);
    else
        to.emplace(*from);
}

} // namespace

bool OverlayViewModel::isHiddenByWindowAction(WindowNumber window) const
{
    return ClosedWindowRegistry::shared().contains(window) || m_placement.recentlyClosedWindowIDs.contains(window);
}

void OverlayViewModel::runExclusionUpkeep(Date dateNow)
{
    // A close keeps its icon away for its lifetime. Then a window that has left the list stays
    // in the registry until the list and the registry forget it; one that is still listed (its
    // application answered the press with a save sheet) gets its icon back.
    auto& closing = m_placement.recentlyClosedWindowIDs;
    const Date expiry = dateNow.addingSeconds(-PlacementState::recentlyClosedTTL);
    if (std::any_of(closing.begin(), closing.end(), [&](const auto& e) { return e.second <= expiry; })) {
        std::erase_if(closing, [&](const auto& e) {
            if (!(e.second <= expiry))
                return false;
            if (isInList(e.first))
                ClosedWindowRegistry::shared().remove(e.first);
            else
                ClosedWindowRegistry::shared().record(e.first, dateNow);
            return true;
        });
    }
    std::erase_if(m_placement.recentlyHiddenWindowIDs,
        [&](const auto& e) { return !(e.second > dateNow.addingSeconds(-PlacementState::recentlyHiddenTTL)); });
}

std::unordered_set<DisplayID> OverlayViewModel::screensWithEstablishedThumbnails(Date dateNow) const
{
    std::unordered_set<DisplayID> screens;
    if (!isMCActive.value())
        return screens;
    const Date activation = m_detector.mcActivationTime.value_or(dateNow);
    for (const WindowEntry& e : *m_sampling.cachedWindowList) {
        auto number = entryWindowNumber(e);
        auto owner = entryOwnerName(e);
        auto bounds = entryBounds(e);
        if (!number || !owner || !bounds || isDockOrWindowServer(*owner))
            continue;
        const double area = bounds->area();
        auto initial = m_detector.initialAreas.find(*number);
        const double ia = initial != m_detector.initialAreas.end() ? initial->second : area;
        if (!(ia > 0) || area < 0)
            continue;
        const double s = 1 - std::sqrt(area / ia);
        auto firstSeen = m_detector.initialAreasFirstSeen.find(*number);
        const bool existedBefore = firstSeen != m_detector.initialAreasFirstSeen.end()
            && firstSeen->second != Date::distantPast() && firstSeen->second <= activation;
        if (!((s >= 1 || s > 0.2) && existedBefore))
            continue;
        if (auto host = indexOfLargestIntersection(m_screens.cachedScreenCGRects, *bounds)) {
            screens.insert(m_screens.cachedScreenInfos[*host].id);
            if (screens.size() == m_screens.cachedScreenInfos.size())
                break; // every screen has one
        }
    }
    return screens;
}

void OverlayViewModel::runPlacement(Date dateNow, double frameDelta, bool logDue)
{
    runExclusionUpkeep(dateNow);
    const auto establishedScreens = screensWithEstablishedThumbnails(dateNow);
    const bool active = isMCActive.value();
    const Date activation = m_detector.mcActivationTime.value_or(Date::distantPast());
    const double entryT = active ? 4 * dateNow.secondsSince(activation) : 0;
    const double sinceActivation = m_detector.mcActivationTime ? dateNow.secondsSince(*m_detector.mcActivationTime) : 0;

    std::vector<WindowInfo> placed = std::move(m_placement.recycledWindows);
    std::size_t count = 0;
    for (const WindowEntry& e : *m_sampling.cachedWindowList) {
        auto number = entryWindowNumber(e);
        auto owner = entryOwnerName(e);
        auto pid = entryOwnerPID(e);
        auto bounds = entryBounds(e);
        if (!number || !owner || !pid || !bounds)
            continue;
        // Most of the complete list is off screen; those entries are passed over first (the
        // filters are independent, so their order is free).
        const bool onScreen = isOnScreenEntry(e);
        auto hidden = m_placement.recentlyHiddenWindowIDs.find(*number);
        const bool hiddenRecent = hidden != m_placement.recentlyHiddenWindowIDs.end()
            && dateNow.secondsSince(hidden->second) < PlacementState::recentlyHiddenTTL;
        if (!(onScreen || hiddenRecent))
            continue;
        if (isHiddenByWindowAction(*number))
            continue;
        const RunningApplicationRef& application = cachedRunningApplication(*pid);
        const Rect& b = *bounds;
        if (!isUserAppWindow(e, *owner, *pid, application.get(), b, m_ownProcess))
            continue;
        const ImageRef& icon = cachedIcon(application);
        // The screen the thumbnail mostly lies on hosts the icon; a window on no screen gets none.
        auto hostIndex = indexOfLargestIntersection(m_screens.cachedScreenCGRects, b);
        if (!hostIndex)
            continue;
        const ScreenInfo host = m_screens.cachedScreenInfos[*hostIndex];

        const double area = b.area();
        auto initial = m_detector.initialAreas.find(*number);
        const double ia = initial != m_detector.initialAreas.end() ? initial->second : area;
        const double rs = rawShrink(area, ia);
        auto firstSeen = m_detector.initialAreasFirstSeen.find(*number);
        const Date firstSeenAt = firstSeen != m_detector.initialAreasFirstSeen.end() ? firstSeen->second : Date::distantPast();
        const bool late = active && firstSeenAt > activation;

        auto maxOnHost = m_detectorTick.maxAreaByScreen.find(host.id);
        const double mia = maxOnHost != m_detectorTick.maxAreaByScreen.end() ? maxOnHost->second
                                                                             : m_detectorTick.maxAreaAnyScreen.value_or(ia);

        const Point target { b.x + b.width / 2 - host.cgRect.x, b.y + b.height / 2 - host.cgRect.y };
        const bool inScreen = target.x >= 0 && target.x <= host.cgRect.width && target.y >= 0 && target.y <= host.cgRect.height;
        const bool hasThumbs = establishedScreens.contains(host.id);

        auto previousHost = m_placement.windowHostScreenIDs.find(*number);
        const bool changed = previousHost != m_placement.windowHostScreenIDs.end() && previousHost->second != host.id;
        m_placement.windowHostScreenIDs[*number] = host.id;

        auto prevIt = m_placement.smoothedPositions.find(*number);
        std::optional<Point> prev;
        if (prevIt != m_placement.smoothedPositions.end())
            prev = prevIt->second;
        auto distanceTo = [&](Point p) { return std::sqrt((target.x - p.x) * (target.x - p.x) + (target.y - p.y) * (target.y - p.y)); };
        const bool fast = changed || !prev || distanceTo(*prev) > 20;

        auto initialScreenIt = m_placement.windowInitialScreenIDs.find(*number);
        std::optional<DisplayID> initialScreen;
        if (initialScreenIt != m_placement.windowInitialScreenIDs.end())
            initialScreen = initialScreenIt->second;
        // A thumbnail that moves to another screen while Mission Control is being entered
        // belongs to a Space switch: hold the state for a moment.
        if (!late && changed && initialScreen && *initialScreen != host.id)
            m_detector.transitionLockUntil = std::max(m_detector.transitionLockUntil, dateNow.addingSeconds(0.5));
        const bool lockActive = dateNow < m_detector.transitionLockUntil;
        if (!initialScreen && !lockActive)
            m_placement.windowInitialScreenIDs[*number] = host.id;

        bool wrongScreen = false, snapNew = false, showNew = false;
        if (late) {
            snapNew = !hasThumbs;
            showNew = rs > 0.04 || !hasThumbs;
        } else {
            wrongScreen = lockActive && initialScreen && *initialScreen != host.id;
        }
        const double sh = placement::visibilityLevel(late, showNew, inScreen, fast, wrongScreen, rs, entryT);
        const double term = placement::sizeTerm(m_settings.windowSizeInfluence, ia, mia);
        double sc = placement::iconScale(term, sh, b.width);
        if (!active && m_detector.mcExitTime)
            sc = term * std::max(0.0, 1 - 2 * dateNow.secondsSince(*m_detector.mcExitTime));
        const double op = std::clamp(sh / 0.65, 0.0, 1.0);

        const ApplicationNames& names = cachedNames(application);
        const std::optional<std::string>& displayName = names.localizedName;
        if (logDue) {
            const double rsc = mia > 0 ? std::clamp(std::sqrt(ia / mia), 0.4, 1.0) : 1.0;
            char detail[512];
            std::snprintf(detail, sizeof detail,
                "name=\"%s\" id=%u bounds=(%lld,%lld,%lld,%lld) ia=%lld mia=%lld rsc=%.2f sc=%.2f lc=%s rs=%.2f sh=%.2f "
                "op=%.2f t=%.2fs scr=%u/%s tgt=(%lld,%lld) chg=%s fast=%s wx=%s dist=",
                (displayName ? *displayName : std::string(*owner)).c_str(), *number, recordInteger(b.x),
                recordInteger(b.y), recordInteger(b.width), recordInteger(b.height),
                recordInteger(ia), recordInteger(mia), rsc, sc, boolText(late), rs, sh, op, sinceActivation,
                host.id, initialScreen ? std::to_string(*initialScreen).c_str() : "?", recordInteger(target.x),
                recordInteger(target.y), boolText(changed), boolText(fast), boolText(wrongScreen));
            std::string line = detail;
            if (prev) {
                char dist[32];
                std::snprintf(dist, sizeof dist, "%.1f", distanceTo(*prev));
                line += dist;
            } else {
                line += "nil";
            }
            logStateEvent("window_calc", line);
        }

        // Smoothing: jump on a change of screen, a new late window or a window on the wrong
        // screen; otherwise glide with a half-life that is independent of the tick rate.
        const Point start = (changed || snapNew || wrongScreen) ? target : prev.value_or(target);
        const double a = placement::smoothingFactor(
            std::sqrt((target.x - start.x) * (target.x - start.x) + (target.y - start.y) * (target.y - start.y)), frameDelta);
        const Point anchor { start.x + (target.x - start.x) * a, start.y + (target.y - start.y) * a };
        m_placement.smoothedPositions[*number] = anchor;

        if (count == placed.size())
            placed.emplace_back();
        WindowInfo& info = placed[count++];
        info.id = *number;
        info.pid = *pid;
        info.owner.assign(*owner);
        assignOptional(info.bundleIdentifier, names.bundleIdentifier);
        info.displayName.assign(displayName ? *displayName : *owner);
        info.title.assign(entryTitleView(e));
        info.bounds = b;
        info.localBounds = { b.x - host.cgRect.x, b.y - host.cgRect.y, b.width, b.height };
        if (info.icon != icon)
            info.icon = icon;
        info.currentPosition = anchor;
        info.hostScreenID = host.id;
        info.scaleFactor = sc;
        info.placementOpacity = op;
    }

    placed.resize(count);
    // Every placed window has an entry in both maps; when they hold no more entries than there
    // are placed windows (each listed once), none is stale.
    const bool maybeStale = m_listHasRepeatedNumbers || m_placement.smoothedPositions.size() != placed.size()
        || m_placement.windowHostScreenIDs.size() != placed.size();
    if (maybeStale) {
        std::vector<WindowNumber> present;
        present.reserve(placed.size());
        for (const auto& info : placed)
            present.push_back(info.id);
        std::sort(present.begin(), present.end());
        auto absent = [&](const auto& e) { return !std::binary_search(present.begin(), present.end(), e.first); };
        std::erase_if(m_placement.smoothedPositions, absent);
        std::erase_if(m_placement.windowHostScreenIDs, absent);
    }
    // The records of the last publication are filled again next tick: their strings keep their
    // storage.
    m_placement.recycledWindows = activeWindows.exchange(std::move(placed));
}

void OverlayViewModel::clearPlacement()
{
    if (!activeWindows.value().empty())
        activeWindows.publish({});
    m_placement.smoothedPositions.clear();
    m_placement.windowHostScreenIDs.clear();
    m_placement.windowInitialScreenIDs.clear();
    m_placement.recycledWindows.clear();
}

} // namespace talvora
