#include "host/scorecard.h"

#include "host/simulation.h"
#include "settings/preference_keys.h"
#include "vmac/system_logs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

namespace talvora::host {

namespace {

// A visit counts as a full visit when Mission Control stood fully open this long.
constexpr double kFullVisitSeconds = 0.5;
// Icons may take this long after a visit has ended to go before they count as left behind.
constexpr double kIconsGoneWithin = 1.0;
// An opening this soon after a visit ended belongs to that visit's tail, not a false one.
constexpr double kAfterVisitTolerance = 0.5;

using Random = std::mt19937_64;

double uniform(Random& r, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(r); }
int pick(Random& r, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); }
bool chance(Random& r, double p) { return uniform(r, 0, 1) < p; }

// A random desktop: one to three displays side by side, a handful of applications with windows
// spread over the displays and, on some displays, a second Space.
vmac::Scenario randomDesktop(Random& r, ResponsivenessMode mode)
{
    static constexpr Size kDisplaySizes[] = { { 1440, 900 }, { 1512, 982 }, { 1920, 1080 }, { 2560, 1440 }, { 1728, 1117 } };
    vmac::Scenario s;
    const int displays = pick(r, 1, 3);
    double x = 0;
    double primaryHeight = 0;
    for (int d = 0; d < displays; ++d) {
        Size size = kDisplaySizes[pick(r, 0, 4)];
        if (d == 0)
            primaryHeight = size.height;
        vmac::VirtualDisplay display;
        display.number = static_cast<DisplayID>(d + 1);
        display.frame = vmac::appKitFrameFromGlobal({ x, 0, size.width, size.height }, primaryHeight);
        display.spaceCount = chance(r, 0.5) ? 2 : 1;
        s.desktop.displays.push_back(display);
        x += size.width;
    }
    auto talvora = std::make_shared<vmac::VirtualApp>();
    talvora->pid = s.talvoraPID;
    talvora->localizedName = "Talvora";
    talvora->activationPolicy = ActivationPolicy::Accessory;
    s.desktop.apps.push_back(talvora);

    WindowNumber number = 1000;
    const int apps = pick(r, 2, 6);
    for (int a = 0; a < apps; ++a) {
        auto app = std::make_shared<vmac::VirtualApp>();
        app->pid = 500 + a;
        app->localizedName = "App " + std::to_string(a);
        app->bundleIdentifier = "com.example.app" + std::to_string(a);
        app->icon = vmac::makeSolidIcon(0xFF202020u + static_cast<std::uint32_t>(a) * 0x1F2F3Fu);
        s.desktop.apps.push_back(app);
        const int windows = pick(r, 1, 3);
        for (int w = 0; w < windows; ++w) {
            const auto& display = s.desktop.displays[pick(r, 0, displays - 1)];
            Rect screen = vmac::globalFromAppKitFrame(display.frame, primaryHeight);
            vmac::VirtualWindow window;
            window.number = number++;
            window.pid = app->pid;
            window.title = "Document " + std::to_string(window.number);
            double width = uniform(r, 320, screen.width * 0.8);
            double height = uniform(r, 240, screen.height * 0.8);
            window.bounds = { screen.x + uniform(r, 0, screen.width - width), screen.y + 30 + uniform(r, 0, screen.height - height - 30),
                width, height };
            window.space = display.spaceCount > 1 && chance(r, 0.3) ? 1 : 0;
            s.desktop.windows.push_back(window);
        }
    }
    s.desktop.frontmostPID = 500;
    s.initialPreferences[PrefKey::responsivenessMode] = std::string(rawValue(mode));
    return s;
}

// Switches the display at `index` (if it is still there) to the Space it is not showing.
std::function<void(vmac::VirtualMac&)> switchToOtherSpace(int index)
{
    return [index](vmac::VirtualMac& mac) {
        const auto& displays = mac.desktop().displays;
        if (index < static_cast<int>(displays.size()) && displays[index].spaceCount > 1)
            mac.switchSpace(displays[index].number, 1 - displays[index].activeSpace);
    };
}

// An application opens a window (on the first Space of the display it lands on).
std::function<void(vmac::VirtualMac&)> openWindowOf(ProcessID pid, WindowNumber number, Rect bounds)
{
    return [pid, number, bounds](vmac::VirtualMac& mac) {
        vmac::VirtualWindow w;
        w.number = number;
        w.pid = pid;
        w.title = "Window " + std::to_string(number);
        w.bounds = bounds;
        mac.openWindow(w);
    };
}

// What happens in a session, as timeline actions: idle stretches, visits of varying length
// (some with a Space switch or a new window inside), quick open-and-close, Space switches and
// windows opening and closing outside Mission Control, front-application changes.
void randomTimeline(Random& r, vmac::Scenario& s, double seconds)
{
    auto add = [&](double at, std::string verb, std::function<void(vmac::VirtualMac&)> apply) {
        vmac::TimelineAction action;
        action.at = at;
        action.verb = verb;
        action.description = std::move(verb);
        action.apply = [apply = std::move(apply)](vmac::VirtualMac& mac, vmac::ScenarioHooks&) { apply(mac); };
        s.timeline.push_back(std::move(action));
    };
    std::vector<WindowNumber> windows;
    std::vector<ProcessID> pids;
    for (const auto& w : s.desktop.windows)
        windows.push_back(w.number);
    for (const auto& a : s.desktop.apps) {
        if (a->activationPolicy == ActivationPolicy::Regular)
            pids.push_back(a->pid);
    }
    WindowNumber nextWindow = 5000;
    const int displays = static_cast<int>(s.desktop.displays.size());

    double t = uniform(r, 3.5, 5); // past the engine's start-up, so the baseline is learned
    while (t < seconds - 6) {
        const int kind = pick(r, 0, 9);
        if (kind <= 4) {
            // A visit: open, stay, perhaps switch Space or see a window open, leave.
            const double stay = uniform(r, 0.8, 5.0);
            add(t, "openMissionControl", [](vmac::VirtualMac& mac) { mac.openMissionControl(); });
            if (chance(r, 0.25)) {
                int display = pick(r, 0, displays - 1);
                add(t + uniform(r, 0.6, stay - 0.1), "switchSpace", switchToOtherSpace(display));
            }
            if (chance(r, 0.2)) {
                ProcessID pid = pids[pick(r, 0, static_cast<int>(pids.size()) - 1)];
                WindowNumber number = nextWindow++;
                add(t + uniform(r, 0.5, stay - 0.1), "openWindow", openWindowOf(pid, number, { 200, 150, 640, 480 }));
            }
            if (chance(r, 0.5)) {
                add(t + stay, "pressMissionControlKey", [](vmac::VirtualMac& mac) { mac.pressMissionControlKey(); });
            } else {
                std::size_t index = static_cast<std::size_t>(pick(r, 0, static_cast<int>(windows.size()) - 1));
                WindowNumber target = windows[index];
                add(t + stay, "clickThumbnail", [target](vmac::VirtualMac& mac) {
                    if (!mac.clickThumbnail(target))
                        mac.closeMissionControl();
                });
            }
            t += stay + uniform(r, 1.5, 4);
        } else if (kind == 5) {
            // A quick open-and-close.
            add(t, "openMissionControl", [](vmac::VirtualMac& mac) { mac.openMissionControl(); });
            add(t + uniform(r, 0.1, 0.4), "pressMissionControlKey", [](vmac::VirtualMac& mac) { mac.pressMissionControlKey(); });
            t += uniform(r, 1.5, 3);
        } else if (kind == 6) {
            int display = pick(r, 0, displays - 1);
            add(t, "switchSpace", switchToOtherSpace(display));
            t += uniform(r, 1.5, 3);
        } else if (kind == 7) {
            ProcessID pid = pids[pick(r, 0, static_cast<int>(pids.size()) - 1)];
            add(t, "activateApp", [pid](vmac::VirtualMac& mac) { mac.activateApp(pid); });
            t += uniform(r, 0.5, 2);
        } else {
            ProcessID pid = pids[pick(r, 0, static_cast<int>(pids.size()) - 1)];
            WindowNumber number = nextWindow++;
            add(t, "openWindow", openWindowOf(pid, number, { 120, 90, 700, 500 }));
            add(t + uniform(r, 0.5, 1.5), "closeWindow", [number](vmac::VirtualMac& mac) { mac.closeWindow(number); });
            t += uniform(r, 2, 3);
        }
    }
    std::stable_sort(s.timeline.begin(), s.timeline.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    s.duration = seconds;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    std::size_t index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Compares the engine with the virtual Mac at every tick of one session.
class SessionJudge {
public:
    SessionJudge(Simulation& sim, ScorecardResult& result, bool verbose)
        : m_sim(sim)
        , m_result(result)
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

        if (shown && !m_inVisit) {
            m_inVisit = true;
            m_visitStart = mac.lastMissionControlOpenStart().value_or(now);
            m_fullyOpenSince.reset();
            m_fullyOpenLongest = 0;
            m_detected = false;
            m_hadThumbnails = false;
            m_fullOpacityAt.reset();
            m_iconsGoneAt.reset();
        }
        if (m_inVisit) {
            if (fullyOpen && !m_fullyOpenSince)
                m_fullyOpenSince = now;
            if (!fullyOpen && m_fullyOpenSince) {
                m_fullyOpenLongest = std::max(m_fullyOpenLongest, now - *m_fullyOpenSince);
                m_fullyOpenSince.reset();
            }
            m_detected = m_detected || engine.isMCActive.value();
            if (!m_hadThumbnails) {
                for (const auto& w : mac.desktop().windows)
                    m_hadThumbnails = m_hadThumbnails || mac.thumbnailFrame(w.number).has_value();
            }
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
                m_result.closeLatencies.push_back(now - m_pendingClose->closeStart);
                m_pendingClose.reset();
            } else if (now - m_pendingClose->visitEnd > kIconsGoneWithin) {
                ++m_result.iconsLeftAfterClose;
                m_pendingClose.reset();
            }
        }
    }

private:
    void endVisit(double now)
    {
        auto& mac = m_sim.mac();
        m_inVisit = false;
        m_lastVisitEnd = now;
        if (m_fullyOpenSince)
            m_fullyOpenLongest = std::max(m_fullyOpenLongest, now - *m_fullyOpenSince);
        const bool full = m_fullyOpenLongest >= kFullVisitSeconds;
        if (!m_hadThumbnails) {
            // Mission Control over an empty Space: there is nothing to put an icon on.
            ++m_result.emptyVisits;
        } else if (full) {
            ++m_result.visits;
            m_result.missedVisits += m_detected ? 0 : 1;
        } else {
            ++m_result.quickVisits;
            m_result.missedQuickVisits += m_detected ? 0 : 1;
        }
        if (m_detected && m_fullOpacityAt)
            m_result.openLatencies.push_back(*m_fullOpacityAt - m_visitStart);
        const double closeStart = mac.lastMissionControlCloseStart().value_or(now);
        if (m_detected && m_iconsGoneAt)
            m_result.closeLatencies.push_back(*m_iconsGoneAt - closeStart);
        else if (m_detected)
            m_pendingClose = PendingClose { closeStart, now };
        if (m_verbose)
            std::fprintf(stderr, "  visit at %.3f: fully open %.2f s, %s, icons gone %.3f s after the close began\n",
                m_visitStart - m_sim.clock().mediaTime() + m_sim.elapsed(), m_fullyOpenLongest,
                !m_hadThumbnails ? "no thumbnails" : m_detected ? "detected" : "MISSED",
                m_iconsGoneAt ? *m_iconsGoneAt - closeStart : -1.0);
    }

    struct PendingClose {
        double closeStart;
        double visitEnd;
    };

    Simulation& m_sim;
    ScorecardResult& m_result;
    bool m_verbose;
    bool m_inVisit = false;
    double m_visitStart = 0;
    std::optional<double> m_fullyOpenSince;
    double m_fullyOpenLongest = 0;
    bool m_detected = false;
    bool m_hadThumbnails = false;
    std::optional<double> m_fullOpacityAt;
    std::optional<double> m_iconsGoneAt;
    std::optional<double> m_lastVisitEnd;
    std::optional<PendingClose> m_pendingClose;
    bool m_wasActive = false;
};

} // namespace

ScorecardResult runScorecard(const ScorecardOptions& options, const std::function<void(int, int)>& progress)
{
    ScorecardResult result;
    Random random(options.seed);
    const std::filesystem::path root = options.homeRoot.empty()
        ? std::filesystem::temp_directory_path() / ("talvora-scorecard-" + std::to_string(options.seed))
        : std::filesystem::path(options.homeRoot);
    vmac::RecordingSystemLog log;
    for (int i = 0; i < options.sessions; ++i) {
        ResponsivenessMode mode = options.mode.value_or(kAllResponsivenessModes[static_cast<std::size_t>(i) % 3]);
        vmac::Scenario scenario = randomDesktop(random, mode);
        randomTimeline(random, scenario, options.sessionSeconds);
        if (options.onlySession && *options.onlySession != i)
            continue;
        const auto home = root / ("session-" + std::to_string(i));
        std::error_code error;
        std::filesystem::remove_all(home, error);
        {
            Simulation sim(std::move(scenario), { home.string() }, log);
            SessionJudge judge(sim, result, options.verbose);
            if (options.verbose) {
                std::fprintf(stderr, "session %d: %zu displays, %s\n", i, sim.mac().desktop().displays.size(), std::string(rawValue(mode)).c_str());
                sim.onAction = [&](const vmac::TimelineAction& a) { std::fprintf(stderr, "  %.3f %s\n", sim.elapsed(), a.description.c_str()); };
            }
            sim.onTick = [&] {
                judge.afterTick();
                if (options.verbose && options.onlySession) {
                    const auto& e = sim.engine();
                    const auto& t = e.lastDetectorTick();
                    std::fprintf(stderr, "    %.3f shown=%d raw=%d conf=%d mc=%d full=%d thr=%d base=%d thumbs=%d best=%.2f op=%.2f stable=%d since=%.3f n=%d\n",
                        sim.elapsed(), sim.mac().isMissionControlShown(), t.raw, e.detector().missionControlConfidence,
                        e.isMCActive.value(), t.fullScreens, t.threshold, e.detector().baselineFullScreenCount, t.thumbnails,
                        t.bestScreenShrink, e.iconOpacity.value(), e.detector().stableClosedFullScreenCount, e.detector().stableClosedFullScreenSince - sim.clock().mediaTime() + sim.elapsed(), e.detector().stableClosedFullScreenSamples);
                }
            };
            sim.start();
            sim.runFor(options.sessionSeconds);
        }
        log.clear();
        std::filesystem::remove_all(home, error);
        ++result.sessions;
        if (progress)
            progress(i + 1, options.sessions);
    }
    std::error_code error;
    std::filesystem::remove_all(root, error);
    return result;
}

std::string formatScorecardLine(const ScorecardResult& r)
{
    auto ms = [](double seconds) { return static_cast<long long>(std::llround(seconds * 1000)); };
    char line[512];
    std::snprintf(line, sizeof line,
        "false_openings=%d missed_visits=%d icons_left_after_close=%d open_latency_ms_median=%lld "
        "open_latency_ms_max=%lld close_latency_ms_median=%lld close_latency_ms_max=%lld",
        r.falseOpenings, r.missedVisits, r.iconsLeftAfterClose, ms(percentile(r.openLatencies, 0.5)),
        ms(percentile(r.openLatencies, 1.0)), ms(percentile(r.closeLatencies, 0.5)), ms(percentile(r.closeLatencies, 1.0)));
    return line;
}

} // namespace talvora::host
