#include "host/scorecard.h"

#include "host/scorecard_sessions.h"
#include "host/simulation.h"
#include "vmac/system_logs.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

namespace talvora::host {

namespace {

// A visit counts as a full visit when Mission Control stood fully open, with a thumbnail the
// engine could know, this long.
constexpr double kFullVisitSeconds = 0.5;
// The engine waits out a Space switch this long before it decides anything; time inside
// Mission Control in that wait does not count towards a full visit.
constexpr double kSpaceSwitchWait = 0.7;
// Icons may take this long after a visit has ended to go before they count as left behind.
constexpr double kIconsGoneWithin = 1.0;
// An opening this soon after a visit ended belongs to that visit's tail, not a false one.
constexpr double kAfterVisitTolerance = 0.5;

// Compares the engine with the virtual Mac at every tick of one session.
class SessionJudge {
public:
    SessionJudge(Simulation& sim, ScorecardResult& result, std::size_t mode, bool verbose)
        : m_sim(sim)
        , m_result(result)
        , m_mode(mode)
        , m_verbose(verbose)
    {
    }

    void afterTick()
    {
        auto& mac = m_sim.mac();
        auto& engine = m_sim.engine();
        const double now = m_sim.clock().mediaTime();
        const bool shown = mac.isMissionControlShown();
        const bool fullyOpen = mac.missionControlPhase() == vmac::MissionControlPhase::Open;
        // A visit is begun before the displays are compared, so a display change between the
        // opening and the visit's first tick (the engine may sample slowly while idle) counts
        // as a change inside the visit, before detection.
        if (shown && !m_inVisit)
            beginVisit(now);
        noteSpaceSwitches(now);
        if (m_inVisit) {
            // Only windows that existed before the visit have a size the engine could compare
            // a thumbnail with; a window that opens inside the visit is seen at thumbnail size.
            bool knownThumbnail = false;
            for (WindowNumber w : m_windowsBefore)
                knownThumbnail = knownThumbnail || mac.thumbnailFrame(w).has_value();
            if (knownThumbnail && !m_firstThumbnailAt) {
                m_firstThumbnailAt = now;
                m_thumbnailsFromOpening = m_firstVisitTick;
            }
            m_firstVisitTick = false;
            const bool counting = fullyOpen && knownThumbnail && now - m_lastSpaceSwitchAt >= kSpaceSwitchWait;
            if (counting && !m_countingSince)
                m_countingSince = now;
            if (!counting && m_countingSince) {
                m_countedLongest = std::max(m_countedLongest, now - *m_countingSince);
                m_countingSince.reset();
            }
            if (engine.isMCActive.value() && !m_detectedAt)
                m_detectedAt = now;
            if (!m_fullOpacityAt && engine.iconOpacity.value() >= 0.999)
                m_fullOpacityAt = now;
            // Icons gone after the close began (the closing animation may still run).
            auto closeStart = mac.lastMissionControlCloseStart();
            if (closeStart && *closeStart >= m_visitStart && !m_iconsGoneAt && !engine.shouldShowIcons.value())
                m_iconsGoneAt = now;
        }
        if (!shown && m_inVisit)
            endVisit(now);

        // A false opening: the engine opens with nothing shown, well after any visit.
        const bool active = engine.isMCActive.value();
        if (active && !m_wasActive && !m_inVisit && !(m_lastVisitEnd && now - *m_lastVisitEnd < kAfterVisitTolerance)) {
            ++m_result.falseOpenings;
            if (m_verbose)
                std::fprintf(stderr, "  FALSE OPENING at %.3f\n", m_sim.elapsed());
        }
        m_wasActive = active;

        if (m_pendingClose) {
            if (!engine.shouldShowIcons.value()) {
                m_result.closeLatencies[m_mode].push_back(now - m_pendingClose->closeStart);
                m_pendingClose.reset();
            } else if (now - m_pendingClose->visitEnd > kIconsGoneWithin) {
                ++m_result.iconsLeftAfterClose;
                m_pendingClose.reset();
            }
        }
    }

private:
    void noteSpaceSwitches(double now)
    {
        std::vector<int> spaces;
        for (const auto& d : m_sim.mac().desktop().displays)
            spaces.push_back(d.activeSpace);
        if (spaces != m_activeSpaces && spaces.size() == m_activeSpaces.size())
            m_lastSpaceSwitchAt = now;
        if (spaces.size() != m_activeSpaces.size() && m_inVisit && !m_detectedAt)
            m_displayChangedBeforeDetection = true;
        m_activeSpaces = std::move(spaces);
    }

    void beginVisit(double now)
    {
        auto& mac = m_sim.mac();
        m_inVisit = true;
        m_visitStart = mac.lastMissionControlOpenStart().value_or(now);
        m_windowsBefore.clear();
        for (const auto& w : mac.desktop().windows)
            m_windowsBefore.push_back(w.number);
        m_firstThumbnailAt.reset();
        m_firstVisitTick = true;
        m_thumbnailsFromOpening = false;
        m_countingSince.reset();
        m_countedLongest = 0;
        m_detectedAt.reset();
        m_displayChangedBeforeDetection = false;
        m_fullOpacityAt.reset();
        m_iconsGoneAt.reset();
        m_appExpose = mac.overviewKind() == vmac::OverviewKind::AppExpose;
        m_displaysAtStart = mac.desktop().displays.size();
    }

    void endVisit(double now)
    {
        auto& mac = m_sim.mac();
        m_inVisit = false;
        m_lastVisitEnd = now;
        if (m_countingSince)
            m_countedLongest = std::max(m_countedLongest, now - *m_countingSince);
        const bool detected = m_detectedAt.has_value();
        const bool full = m_countedLongest >= kFullVisitSeconds;
        if (m_appExpose) {
            // Not Mission Control: what the engine makes of it is counted on its own.
            if (!m_firstThumbnailAt) {
                ++m_result.emptyAppExposeVisits;
            } else {
                ++m_result.appExposeVisits;
                m_result.appExposeDetected += detected ? 1 : 0;
                if (m_displaysAtStart == 1) {
                    ++m_result.appExposeOneDisplayVisits;
                    m_result.appExposeOneDisplayDetected += detected ? 1 : 0;
                }
            }
        } else if (!m_firstThumbnailAt) {
            // Nothing the engine could put an icon on: an empty Space, or only windows that
            // opened inside the visit.
            ++m_result.emptyVisits;
        } else if (m_displayChangedBeforeDetection) {
            // Areas are forgotten when the displays change, so thumbnails can no longer be
            // told from windows: such a visit is seen only if it was seen before the change.
            ++m_result.displayChangeVisits;
            m_result.missedDisplayChangeVisits += detected ? 0 : 1;
        } else if (full) {
            ++m_result.visits;
            m_result.missedVisits += detected ? 0 : 1;
        } else {
            ++m_result.quickVisits;
            m_result.missedQuickVisits += detected ? 0 : 1;
        }
        // Latencies of visits that show thumbnails from their opening; a visit that begins over
        // an empty Space is judged by whether it was detected, not how soon, and one whose
        // displays changed before detection is counted apart, latency and all (it is seen only
        // after a Space switch shows thumbnails the engine can measure again).
        if (detected && m_thumbnailsFromOpening && !m_appExpose && !m_displayChangedBeforeDetection) {
            m_result.detectionLatencies[m_mode].push_back(*m_detectedAt - m_visitStart);
            if (m_fullOpacityAt)
                m_result.openLatencies[m_mode].push_back(*m_fullOpacityAt - m_visitStart);
        }
        const double closeStart = mac.lastMissionControlCloseStart().value_or(now);
        if (detected && m_iconsGoneAt)
            m_result.closeLatencies[m_mode].push_back(*m_iconsGoneAt - closeStart);
        else if (detected)
            m_pendingClose = PendingClose { closeStart, now };
        if (m_verbose) {
            // Icons still shown when the visit ends are judged later, by the pending close.
            char gone[64] = "icons still shown as the visit ended";
            if (m_iconsGoneAt)
                std::snprintf(gone, sizeof gone, "icons gone %.3f s after the close began", *m_iconsGoneAt - closeStart);
            std::fprintf(stderr, "  visit at %.3f: counted open %.2f s, %s, %s\n",
                m_visitStart - m_sim.clock().mediaTime() + m_sim.elapsed(), m_countedLongest,
                !m_firstThumbnailAt ? "no thumbnails" : detected ? "detected" : m_appExpose ? "App Exposé, not detected" : "MISSED",
                gone);
        }
    }

    struct PendingClose {
        double closeStart;
        double visitEnd;
    };

    Simulation& m_sim;
    ScorecardResult& m_result;
    std::size_t m_mode;
    bool m_verbose;
    std::vector<int> m_activeSpaces;
    double m_lastSpaceSwitchAt = -1e9;
    bool m_inVisit = false;
    double m_visitStart = 0;
    std::vector<WindowNumber> m_windowsBefore;
    std::optional<double> m_firstThumbnailAt;
    bool m_firstVisitTick = false;
    bool m_thumbnailsFromOpening = false;
    std::optional<double> m_countingSince;
    double m_countedLongest = 0;
    std::optional<double> m_detectedAt;
    bool m_displayChangedBeforeDetection = false;
    bool m_appExpose = false;
    std::size_t m_displaysAtStart = 0;
    std::optional<double> m_fullOpacityAt;
    std::optional<double> m_iconsGoneAt;
    std::optional<double> m_lastVisitEnd;
    std::optional<PendingClose> m_pendingClose;
    bool m_wasActive = false;
};

std::size_t modeIndex(ResponsivenessMode mode)
{
    auto it = std::find(kAllResponsivenessModes.begin(), kAllResponsivenessModes.end(), mode);
    return static_cast<std::size_t>(it - kAllResponsivenessModes.begin());
}

// What makes a session faulty: a false opening, a missed full visit or icons left behind.
int faultCount(const ScorecardResult& r) { return r.falseOpenings + r.missedVisits + r.iconsLeftAfterClose; }

void runSession(const ScorecardOptions& options, int index, const std::filesystem::path& root, vmac::RecordingSystemLog& log,
    ScorecardResult& result)
{
    ScorecardRandom random = sessionRandom(options.seed, index);
    const ResponsivenessMode mode = options.mode.value_or(kAllResponsivenessModes[static_cast<std::size_t>(index) % 3]);
    vmac::Scenario scenario = randomDesktop(random, mode);
    randomTimeline(random, scenario, options.sessionSeconds);
    const auto home = root / ("session-" + std::to_string(index));
    std::error_code error;
    std::filesystem::remove_all(home, error);
    {
        Simulation sim(std::move(scenario), { home.string() }, log);
        SessionJudge judge(sim, result, modeIndex(mode), options.verbose);
        if (options.verbose) {
            std::fprintf(stderr, "session %d: %zu displays, %s\n", index, sim.mac().desktop().displays.size(), std::string(rawValue(mode)).c_str());
            sim.onAction = [&](const vmac::TimelineAction& a) { std::fprintf(stderr, "  %.3f %s\n", sim.elapsed(), a.description.c_str()); };
        }
        sim.onTick = [&] {
            judge.afterTick();
            if (options.verbose && options.onlySession) {
                const auto& e = sim.engine();
                const auto& t = e.lastDetectorTick();
                std::fprintf(stderr, "    %.3f shown=%d raw=%d conf=%d mc=%d full=%d thr=%d base=%d thumbs=%d best=%.2f op=%.2f\n",
                    sim.elapsed(), sim.mac().isMissionControlShown(), t.raw, e.detector().missionControlConfidence, e.isMCActive.value(),
                    t.fullScreens, t.threshold, e.detector().baselineFullScreenCount, t.thumbnails, t.bestScreenShrink, e.iconOpacity.value());
            }
        };
        const int faultsBefore = faultCount(result);
        sim.start();
        sim.runFor(options.sessionSeconds);
        if (faultCount(result) != faultsBefore)
            result.faultySessions.push_back(index);
    }
    log.clear();
    std::filesystem::remove_all(home, error);
    ++result.sessions;
}

template<typename T>
void append(std::vector<T>& to, const std::vector<T>& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

ScorecardResult& ScorecardResult::operator+=(const ScorecardResult& o)
{
    sessions += o.sessions;
    visits += o.visits;
    quickVisits += o.quickVisits;
    emptyVisits += o.emptyVisits;
    falseOpenings += o.falseOpenings;
    missedVisits += o.missedVisits;
    missedQuickVisits += o.missedQuickVisits;
    displayChangeVisits += o.displayChangeVisits;
    missedDisplayChangeVisits += o.missedDisplayChangeVisits;
    iconsLeftAfterClose += o.iconsLeftAfterClose;
    appExposeVisits += o.appExposeVisits;
    appExposeDetected += o.appExposeDetected;
    appExposeOneDisplayVisits += o.appExposeOneDisplayVisits;
    appExposeOneDisplayDetected += o.appExposeOneDisplayDetected;
    emptyAppExposeVisits += o.emptyAppExposeVisits;
    append(faultySessions, o.faultySessions);
    std::sort(faultySessions.begin(), faultySessions.end());
    for (std::size_t m = 0; m < 3; ++m) {
        append(detectionLatencies[m], o.detectionLatencies[m]);
        append(openLatencies[m], o.openLatencies[m]);
        append(closeLatencies[m], o.closeLatencies[m]);
    }
    return *this;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    std::size_t index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

ScorecardResult runScorecard(const ScorecardOptions& options, const std::function<void(int, int)>& progress)
{
    const std::filesystem::path root = options.homeRoot.empty()
        ? std::filesystem::temp_directory_path() / ("talvora-scorecard-" + std::to_string(options.seed) + "-" + std::to_string(::getpid()))
        : std::filesystem::path(options.homeRoot);
    std::vector<int> indices;
    for (int i = 0; i < options.sessions; ++i) {
        if (!options.onlySession || *options.onlySession == i)
            indices.push_back(i);
    }
    int threads = options.threads > 0 ? options.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (options.verbose)
        threads = 1; // one session's lines at a time
    threads = std::min<int>(threads, static_cast<int>(indices.size()));

    // Sessions are independent: each worker takes the next one and keeps its own tally.
    std::atomic<std::size_t> next { 0 };
    std::mutex progressMutex;
    int done = 0;
    std::vector<ScorecardResult> tallies(static_cast<std::size_t>(std::max(threads, 1)));
    auto work = [&](ScorecardResult& tally) {
        vmac::RecordingSystemLog log;
        for (std::size_t k = next++; k < indices.size(); k = next++) {
            runSession(options, indices[k], root, log, tally);
            if (progress) {
                std::lock_guard lock(progressMutex);
                progress(++done, static_cast<int>(indices.size()));
            }
        }
    };
    std::vector<std::thread> workers;
    for (int w = 1; w < threads; ++w)
        workers.emplace_back(work, std::ref(tallies[static_cast<std::size_t>(w)]));
    work(tallies[0]);
    for (auto& w : workers)
        w.join();

    ScorecardResult result;
    for (const auto& tally : tallies)
        result += tally;
    std::error_code error;
    std::filesystem::remove_all(root, error);
    return result;
}

std::string formatScorecardLine(const ScorecardResult& r)
{
    auto ms = [](double seconds) { return static_cast<long long>(std::llround(seconds * 1000)); };
    std::vector<double> detection, open, close;
    for (std::size_t m = 0; m < 3; ++m) {
        append(detection, r.detectionLatencies[m]);
        append(open, r.openLatencies[m]);
        append(close, r.closeLatencies[m]);
    }
    char line[512];
    std::snprintf(line, sizeof line,
        "false_openings=%d missed_visits=%d icons_left_after_close=%d detection_latency_ms_median=%lld "
        "detection_latency_ms_max=%lld open_latency_ms_median=%lld open_latency_ms_max=%lld close_latency_ms_median=%lld "
        "close_latency_ms_max=%lld",
        r.falseOpenings, r.missedVisits, r.iconsLeftAfterClose, ms(percentile(detection, 0.5)), ms(percentile(detection, 1.0)),
        ms(percentile(open, 0.5)), ms(percentile(open, 1.0)), ms(percentile(close, 0.5)), ms(percentile(close, 1.0)));
    return line;
}

std::string formatLatencyLines(const ScorecardResult& r)
{
    auto ms = [](const std::vector<double>& v, double p) { return static_cast<long long>(std::llround(percentile(v, p) * 1000)); };
    std::string text;
    for (std::size_t m = 0; m < 3; ++m) {
        const auto& d = r.detectionLatencies[m];
        const auto& o = r.openLatencies[m];
        const auto& c = r.closeLatencies[m];
        char line[400];
        std::snprintf(line, sizeof line,
            "%-12s measured=%zu detection_ms p50=%lld p95=%lld max=%lld | full_opacity_ms p50=%lld p95=%lld max=%lld | "
            "icons_gone_ms p50=%lld p95=%lld max=%lld\n",
            std::string(rawValue(kAllResponsivenessModes[m])).c_str(), d.size(), ms(d, 0.5), ms(d, 0.95), ms(d, 1.0), ms(o, 0.5),
            ms(o, 0.95), ms(o, 1.0), ms(c, 0.5), ms(c, 0.95), ms(c, 1.0));
        text += line;
    }
    return text;
}

std::string formatAppExposeLine(const ScorecardResult& r)
{
    char line[300];
    std::snprintf(line, sizeof line,
        "app_expose_visits=%d app_expose_detected=%d app_expose_one_display_visits=%d app_expose_one_display_detected=%d "
        "empty_app_expose_visits=%d\n",
        r.appExposeVisits, r.appExposeDetected, r.appExposeOneDisplayVisits, r.appExposeOneDisplayDetected, r.emptyAppExposeVisits);
    return line;
}

} // namespace talvora::host
