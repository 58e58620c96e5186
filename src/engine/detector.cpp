// The Mission Control detector: evidence from the window list, the raw signal, the confidence
// with its hysteresis, pre-exit, the grace period after a Space switch, baseline learning and
// the desktop-switch handler.

#include "engine/closed_window_registry.h"
#include "engine/overlay_view_model.h"
#include "engine/window_entry.h"

#include <cmath>
#include <cstdio>

namespace talvora {

namespace {

std::string format(const char* pattern, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

} // namespace

double rawShrink(double area, double largestArea)
{
    if (!(largestArea > 0) || area < 0)
        return 0;
    // Two huge sides make an infinite area; such a window counts as not shrunk.
    const double ratio = area / largestArea;
    if (!std::isfinite(ratio))
        return 0;
    return std::clamp(1 - std::sqrt(ratio), 0.0, 1.0);
}

int blendedBaseline(int baseline, int fullScreens)
{
    return static_cast<int>(std::round(0.1 * fullScreens + 0.9 * baseline));
}

void OverlayViewModel::runEvidencePasses(double now, Date dateNow)
{
    DetectorTick& t = m_detectorTick;
    const auto& screenRects = m_screens.cachedScreenCGRects;

    // Full-list pass: largest areas, the largest user window per screen, backdrops.
    for (const WindowEntry& e : *m_sampling.cachedWindowList) {
        auto number = entryWindowNumber(e);
        auto w = e.bounds.member(e.bounds.width);
        auto h = e.bounds.member(e.bounds.height);
        if (!number || !w || !h)
            continue;
        const bool onScreen = isOnScreenEntry(e);
        auto owner = entryOwnerName(e);
        if (*w >= 30 && *h >= 30) {
            double area = *w * *h;
            auto [it, inserted] = m_detector.initialAreas.try_emplace(*number, area);
            if (!inserted && it->second < area)
                it->second = area;
            const double largest = it->second;
            auto pid = entryOwnerPID(e);
            auto x = e.bounds.member(e.bounds.x);
            auto y = e.bounds.member(e.bounds.y);
            if (owner && pid && x && y && onScreen) {
                Rect r { *x, *y, *w, *h };
                const RunningApplicationRef& application = cachedRunningApplication(*pid);
                if (isUserAppWindow(e, *owner, *pid, application.get(), r, m_ownProcess)) {
                    if (largest > 0)
                        t.maxAreaAnyScreen = std::max(t.maxAreaAnyScreen.value_or(0), largest);
                    if (auto host = indexOfLargestIntersection(screenRects, r); host && largest > 0) {
                        double& best = t.maxAreaByScreen[m_screens.cachedScreenInfos[*host].id];
                        best = std::max(best, largest);
                    }
                }
            }
        }
        if (onScreen && owner && isDockOrWindowServer(*owner)) {
            for (const Rect& screen : screenRects) {
                if (screen.width * DetectorRule::backdropScreenFraction <= *w
                    && screen.height * DetectorRule::backdropScreenFraction <= *h) {
                    ++t.fullScreens;
                    break;
                }
            }
        }
    }

    // Visible-list pass: first-seen dates, thumbnails and shrink.
    double shrinkSum = 0;
    int candidates = 0;
    std::vector<std::pair<double, int>> perScreen(screenRects.size());
    for (const WindowEntry* e : m_sampling.cachedVisibleWindowList) {
        auto number = entryWindowNumber(*e);
        if (!number)
            continue;
        const Date firstSeen = m_detector.initialAreasFirstSeen.try_emplace(*number, dateNow).first->second;
        auto owner = entryOwnerName(*e);
        auto pid = entryOwnerPID(*e);
        auto bounds = entryBounds(*e);
        if (!owner || !pid || !bounds)
            continue;
        const RunningApplicationRef& application = cachedRunningApplication(*pid);
        if (!application)
            continue;
        const Rect& r = *bounds;
        if (isUserAppWindow(*e, *owner, *pid, application.get(), r, m_ownProcess)) {
            if (auto host = indexOfLargestIntersection(screenRects, r)) {
                const Rect& s = screenRects[*host];
                if (r.width < DetectorRule::thumbnailMaxSideFraction * s.width
                    && r.height < DetectorRule::thumbnailMaxSideFraction * s.height
                    && r.area() < DetectorRule::thumbnailMaxAreaFraction * s.area())
                    ++t.thumbnails;
            }
        }
        if (isDockOrWindowServer(*owner))
            continue;
        auto layer = entryLayer(*e);
        auto initial = m_detector.initialAreas.find(*number);
        if (r.width >= 80 && r.height >= 60 && layer == 0 && application->activationPolicy() == ActivationPolicy::Regular
            && !application->isHidden() && initial != m_detector.initialAreas.end() && initial->second > 0) {
            double s = rawShrink(r.area(), initial->second);
            shrinkSum += s;
            ++candidates;
            if (s < DetectorRule::thumbnailEvidenceShrink && !(t.oldestFullSizeWindowSeenAt && *t.oldestFullSizeWindowSeenAt <= firstSeen))
                t.oldestFullSizeWindowSeenAt = firstSeen;
            if (auto host = indexOfLargestIntersection(screenRects, r)) {
                perScreen[*host].first += s;
                perScreen[*host].second += 1;
            }
        }
    }
    t.avgShrink = candidates > 0 ? shrinkSum / candidates : 0;
    for (const auto& [sum, count] : perScreen) {
        if (count >= 1)
            t.bestScreenShrink = std::max(t.bestScreenShrink, sum / count);
    }
    if (t.bestScreenShrink >= DetectorRule::thumbnailEvidenceShrink)
        m_detector.lastThumbnailEvidenceAt = now;
}

void OverlayViewModel::runDetector(double now, Date dateNow, bool logDue)
{
    DetectorState& d = m_detector;
    DetectorTick& t = m_detectorTick;
    const int screenCount = m_screens.cachedScreenCount;

    // Raw signal.
    const double sinceSpaceChange = dateNow.secondsSince(d.lastSpaceChangeTime);
    t.threshold = detectorThreshold(d.baselineFullScreenCount, screenCount);
    if (isMCActive.value() || d.isInGracePeriod) {
        t.raw = t.fullScreens >= t.threshold;
        if (!t.raw && sinceSpaceChange < DetectorRule::spaceSwitchHoldSeconds)
            t.raw = isMCActive.value();
    } else {
        t.raw = t.fullScreens >= t.threshold && t.thumbnails >= 1 && t.bestScreenShrink > DetectorRule::openingShrink;
        if (sinceSpaceChange < DetectorRule::spaceSwitchHoldSeconds)
            t.raw = false;
    }

    if (logDue && !isMCActive.value() && !d.isInGracePeriod) {
        char detail[256];
        std::snprintf(detail, sizeof detail,
            "fullScreens=%d threshold=%d baseline=%d thumbnails=%d avgShrink=%.3f bestScreenShrink=%.3f preExit=%s "
            "lockRemaining=%.2f",
            t.fullScreens, t.threshold, d.baselineFullScreenCount, t.thumbnails, t.avgShrink, t.bestScreenShrink,
            boolText(d.isPreExitTriggered), std::max(0.0, d.transitionLockUntil.secondsSince(dateNow)));
        logStateEvent("entry_gate", detail);
    }

    if (!isMCActive.value()) {
        d.isPreExitTriggered = false;
        d.preExitTriggeredAt.reset();
        d.mcActivationTime.reset();
        d.countDroppedBelowBaselineAt.reset();
        d.thumbnailHistory.clear();
        d.peakAvgRawShrink = 0;
    }

    const double sinceActivation = dateNow.secondsSince(d.mcActivationTime.value_or(Date::distantPast()));
    if (isMCActive.value())
        runPreExitDetection(dateNow, sinceActivation);

    // Confidence.
    if (!t.raw) {
        if (t.fullScreens > d.baselineFullScreenCount)
            d.countDroppedBelowBaselineAt.reset();
        else if (!d.countDroppedBelowBaselineAt)
            d.countDroppedBelowBaselineAt = dateNow;
        const bool droppedLong = d.countDroppedBelowBaselineAt && t.fullScreens <= d.baselineFullScreenCount
            && dateNow.secondsSince(*d.countDroppedBelowBaselineAt) >= 0.5;
        // The count holds for a moment after a Space switch inside an established visit.
        const bool hold = d.missionControlConfidence >= 1 && sinceSpaceChange < DetectorRule::spaceSwitchHoldSeconds
            && sinceActivation >= 0.5 && !droppedLong;
        if (!hold)
            d.missionControlConfidence = std::max(0, d.missionControlConfidence - 1);
    } else {
        d.missionControlConfidence = std::min(d.missionControlConfidence + 1, DetectorRule::maxConfidence);
        d.countDroppedBelowBaselineAt.reset();
    }

    runTransitions(dateNow, sinceActivation);

    // Grace expiry.
    if (d.isInGracePeriod && dateNow.secondsSince(d.gracePeriodStartTime) > 0.2) {
        d.isInGracePeriod = false;
        applyCloseEffects(dateNow);
        setIconOpacityTarget(0.0, 0.2);
        logBlock("GRACE PERIOD EXPIRED");
    }

    learnBaseline(now, dateNow);

    shouldShowIcons.publish(isMCActive.value() || d.isInGracePeriod || iconOpacity.value() > 0.01);
}

void OverlayViewModel::runPreExitDetection(Date dateNow, double sinceActivation)
{
    DetectorState& d = m_detector;
    const DetectorTick& t = m_detectorTick;
    if (!(sinceActivation > 0.6))
        return;
    const bool lockExpired = dateNow >= d.transitionLockUntil;
    const double sinceSpaceChangeInMC = dateNow.secondsSince(d.lastSpaceChangeInMCAt);
    auto historyMean = [&] {
        if (d.thumbnailHistory.empty())
            return 1.0;
        long long sum = 0;
        for (int count : d.thumbnailHistory)
            sum += count;
        return static_cast<double>(sum) / static_cast<double>(d.thumbnailHistory.size());
    };
    auto reentry = [&](double avgH) {
        return (d.peakAvgRawShrink <= 0 || t.avgShrink >= 0.9 * d.peakAvgRawShrink) && t.thumbnails >= 1
            && t.thumbnails >= 0.85 * avgH;
    };
    auto cancel = [&](const char* title) {
        d.isPreExitTriggered = false;
        d.preExitTriggeredAt.reset();
        d.thumbnailHistory.clear();
        logBlock(title);
        setIconOpacityTarget(1.0, 0.3);
    };

    if (!lockExpired) {
        const double sincePreExit = d.preExitTriggeredAt ? dateNow.secondsSince(*d.preExitTriggeredAt) : 0;
        if (d.isPreExitTriggered && sincePreExit >= 0.2 && t.fullScreens >= t.threshold && reentry(historyMean()))
            cancel("PRE-EXIT CANCELLED (Re-entry During Transition Lock)");
        return;
    }

    const bool triggeredEarlier = d.isPreExitTriggered;
    if (!d.isPreExitTriggered) {
        d.thumbnailHistory.push_back(t.thumbnails);
        if (static_cast<int>(d.thumbnailHistory.size()) > DetectorState::historyLimit)
            d.thumbnailHistory.erase(d.thumbnailHistory.begin());
        d.peakAvgRawShrink = std::max(d.peakAvgRawShrink, t.avgShrink);
    }
    const double avgH = historyMean();
    if (!d.isPreExitTriggered && (sinceSpaceChangeInMC > 2.0 || t.fullScreens <= d.baselineFullScreenCount)) {
        const bool collapsed = t.avgShrink < 0.85 * d.peakAvgRawShrink && d.peakAvgRawShrink > 0.25;
        if (collapsed || t.thumbnails < 0.7 * avgH) {
            d.isPreExitTriggered = true;
            d.preExitTriggeredAt = dateNow;
            logBlock(collapsed ? "PRE-EXIT DETECTED (Expansion Trend)" : "PRE-EXIT DETECTED (Weighted Trend Change)");
            setIconOpacityTarget(0.0, 0.4);
        }
    }
    if (triggeredEarlier && d.isPreExitTriggered && d.preExitTriggeredAt
        && dateNow.secondsSince(*d.preExitTriggeredAt) >= 0.2 && reentry(avgH))
        cancel("PRE-EXIT CANCELLED (Re-entry Detected)");
}

void OverlayViewModel::runTransitions(Date dateNow, double sinceActivation)
{
    DetectorState& d = m_detector;
    const DetectorTick& t = m_detectorTick;
    const bool confirmed = d.missionControlConfidence >= DetectorRule::confirmedConfidence;

    if (!isMCActive.value()) {
        if (!confirmed)
            return;
        ClosedWindowRegistry::shared().removeAll();
        d.isInGracePeriod = false;
        d.mcActivationTime = dateNow;
        d.mcExitTime.reset();
        d.countDroppedBelowBaselineAt.reset();
        d.peakAvgRawShrink = 0;
        d.isPreExitTriggered = false;
        d.preExitTriggeredAt.reset();
        d.thumbnailHistory.clear();
        setIconOpacityTarget(1.0, 0.3);
        isMCActive.publish(true);
        logBlock("OPEN MISSION CONTROL");
        return;
    }
    if (d.isInGracePeriod) {
        if (confirmed) {
            d.isInGracePeriod = false;
            logBlock("GRACE PERIOD CANCELLED (MC Re-detected)");
        }
        return;
    }
    if (confirmed)
        return;
    const bool lockReleased = dateNow >= d.transitionLockUntil || (d.isPreExitTriggered && t.fullScreens <= d.baselineFullScreenCount);
    if (!lockReleased)
        return;
    if (d.spaceChangeWhileMCActive) {
        d.isInGracePeriod = true;
        d.gracePeriodStartTime = dateNow;
        d.spaceChangeWhileMCActive = false;
        logBlock("MISSION CONTROL EXIT (Grace Period Active)");
    } else if (d.isPreExitTriggered && sinceActivation < 1.5) {
        logBlock("PRE-EXIT IGNORED (Re-activation Grace Period)");
    } else if (d.isPreExitTriggered) {
        // The pre-exit's fade-out is already running.
        logBlock("EXIT SIGNAL SENT (Via Pre-Detection)");
        applyCloseEffects(dateNow);
    } else {
        logBlock("CLOSE MISSION CONTROL");
        applyCloseEffects(dateNow);
        setIconOpacityTarget(0.0, 0.15);
    }
}

void OverlayViewModel::applyCloseEffects(Date dateNow)
{
    m_detector.mcExitTime = dateNow;
    m_detector.countDroppedBelowBaselineAt.reset();
    ClosedWindowRegistry::shared().removeAll();
    if (isMCActive.value())
        isMCActive.publish(false);
    clearHover();
}

void OverlayViewModel::learnBaseline(double now, Date dateNow)
{
    DetectorState& d = m_detector;
    const DetectorTick& t = m_detectorTick;
    const bool quiet = !t.raw && !d.isInGracePeriod && t.bestScreenShrink < DetectorRule::thumbnailEvidenceShrink
        && d.missionControlConfidence == 0 && now - d.lastThumbnailEvidenceAt > 2.0
        && (!d.mcExitTime || dateNow.secondsSince(*d.mcExitTime) > 2.0) && dateNow.secondsSince(d.lastSpaceChangeTime) > 2.0
        && dateNow.secondsSince(d.appLaunchTime) > 3.0;
    if (t.fullScreens > d.lastFullScreenCount)
        d.fullScreensRoseAt = dateNow;
    d.lastFullScreenCount = t.fullScreens;
    // Mission Control over a Space without windows looks quiet: its backdrops raise the count
    // and nothing shrinks. A count above the baseline is therefore taken for the resting one
    // only while a window that was on screen well before the count rose is seen at its full
    // size, since Mission Control shows every such window as a thumbnail. A count at or below
    // the baseline needs no such proof, nor does the first baseline.
    const bool restingProven = t.fullScreens <= d.baselineFullScreenCount || d.baselineFullScreenCount == 0
        || (t.oldestFullSizeWindowSeenAt
            && *t.oldestFullSizeWindowSeenAt <= d.fullScreensRoseAt.addingSeconds(-DetectorRule::restingProofSeconds));
    if (!quiet || !restingProven) {
        // The candidate must be seen on consecutive quiet ticks. Without this, a count seen at
        // the start of an earlier visit (backdrops already there, windows not yet shrunk)
        // would still be "held" when the next opening's first quiet-looking ticks arrive, and
        // Mission Control's own backdrops would become the baseline.
        d.stableClosedCandidateInterrupted = true;
        return;
    }
    // A new count, or the first quiet tick after an interruption, starts the hold afresh: time
    // spent between slow idle ticks that were not quiet is not time the count was seen.
    if (d.stableClosedCandidateInterrupted || t.fullScreens != d.stableClosedFullScreenCount) {
        d.stableClosedCandidateInterrupted = false;
        d.stableClosedFullScreenCount = t.fullScreens;
        d.stableClosedFullScreenSince = now;
        d.stableClosedFullScreenSamples = 0;
    } else {
        ++d.stableClosedFullScreenSamples;
        if (now - d.stableClosedFullScreenSince >= 0.35 && d.stableClosedFullScreenSamples >= 2)
            d.baselineFullScreenCount = t.fullScreens;
    }
    if (d.baselineFullScreenCount == 0) {
        d.baselineFullScreenCount = t.fullScreens;
        d.stableClosedFullScreenCount = t.fullScreens;
        d.stableClosedFullScreenSince = now;
        d.stableClosedFullScreenSamples = 0;
    } else if (t.fullScreens <= d.baselineFullScreenCount + m_screens.cachedScreenCount) {
        d.baselineFullScreenCount = blendedBaseline(d.baselineFullScreenCount, t.fullScreens);
    }
}

void OverlayViewModel::handleSpaceChange()
{
    Clock& clock = m_platform.clock;
    const double now = clock.mediaTime();
    DetectorState& d = m_detector;
    const bool wasActive = isMCActive.value();

    extendHighRate(now, 0.4);
    updateTickMode(now);
    const Date dateNow = clock.now();
    d.lastSpaceChangeTime = dateNow;
    logBlock("DESKTOP SWITCH");

    // Backdrops up to the threshold with nothing detected: Mission Control stands over a Space
    // without windows. A switch from there brings the next Space's windows in as thumbnails,
    // so nothing is suppressed; the raw signal still waits out the switch.
    const bool overviewOverEmptySpace = m_sampling.lastTickOutcome == TickOutcome::Completed
        && m_detectorTick.threshold > 0 && m_detectorTick.fullScreens >= m_detectorTick.threshold;
    if (!wasActive && !overviewOverEmptySpace) {
        m_suppressOverlayUntil = dateNow.addingSeconds(1.0);
        d.spaceChangeWhileMCActive = false;
        d.missionControlConfidence = 0;
        d.isInGracePeriod = false;
        d.mcExitTime.reset();
        iconOpacity.publish(0);
        isMCActive.publish(false);
        shouldShowIcons.publish(false);
        logStateEvent("spaceChanged", "mcWasActive=false (resetting confidence)");
        return;
    }
    if (!wasActive) {
        d.missionControlConfidence = 0;
        logStateEvent("spaceChanged", "mcWasActive=false overviewWithoutWindows=true");
        return;
    }

    const bool preExit = d.isPreExitTriggered;
    const double sinceActivation = dateNow.secondsSince(d.mcActivationTime.value_or(Date::distantPast()));
    d.spaceChangeWhileMCActive = sinceActivation >= 0.5 && !preExit;
    const bool entryNoise = !preExit && sinceActivation < 0.5;
    if (!entryNoise)
        d.lastSpaceChangeInMCAt = dateNow;
    logStateEvent("spaceChanged",
        std::string("mcWasActive=true entryNoise=") + boolText(entryNoise) + " sinceActivation=" + format("%.2f", sinceActivation));
    logBlock(entryNoise ? "SPACE CHANGE IGNORED (Mission Control entry transition)" : "SPACE CHANGE (STAYING IN MISSION CONTROL)");
    d.transitionLockUntil = std::max(d.transitionLockUntil, dateNow.addingSeconds(preExit ? 1.2 : 0.5));
    if (sinceActivation >= 0.5 && !preExit) {
        d.thumbnailHistory.clear();
        d.peakAvgRawShrink = 0;
    }
}

} // namespace talvora
