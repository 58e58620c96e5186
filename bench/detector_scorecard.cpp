// The detector's scorecard: randomised sessions on the virtual Mac, the engine's decisions
// against the virtual Mac's ground truth.
//
//   build/bench/detector_scorecard --seed 1 --sessions 1000
//
// Sessions run side by side on every core (--threads N to choose); progress goes to standard
// error. Then one line per responsiveness mode with the latencies (p50, p95, max), one for the
// App Exposé visits (counted apart), the sessions with a fault if any (to rerun with --only N
// --verbose), and last a line of name=value pairs for scripts.

#include "host/scorecard.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using namespace talvora;

namespace {

template<typename T>
bool parseNumber(std::string_view text, T& out)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

int usage()
{
    std::fprintf(stderr, "usage: detector_scorecard [--seed N] [--sessions N] [--seconds S] [--mode performance|balanced|conservative] [--threads N] [--verbose] [--only SESSION]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    host::ScorecardOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (i + 1 >= argc)
            return usage();
        std::string_view value = argv[++i];
        bool ok = true;
        if (arg == "--seed")
            ok = parseNumber(value, options.seed);
        else if (arg == "--sessions")
            ok = parseNumber(value, options.sessions) && options.sessions > 0;
        else if (arg == "--threads")
            ok = parseNumber(value, options.threads) && options.threads > 0;
        else if (arg == "--only") {
            int only = 0;
            ok = parseNumber(value, only);
            options.onlySession = only;
        } else if (arg == "--seconds") {
            int seconds = 0;
            ok = parseNumber(value, seconds) && seconds >= 10;
            options.sessionSeconds = seconds;
        } else if (arg == "--mode") {
            options.mode = responsivenessModeFromRaw(value);
            ok = options.mode.has_value();
        } else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "detector_scorecard: bad option %s %s\n", argv[i - 1], argv[i]);
            return usage();
        }
    }

    // A line at every hundredth of the work, with the rate and the time left.
    const auto started = std::chrono::steady_clock::now();
    int lastStep = -1;
    auto result = host::runScorecard(options, [&](int done, int total) {
        const int step = done * 100 / total;
        if (step == lastStep && done != total)
            return;
        lastStep = step;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const double left = done > 0 ? elapsed / done * (total - done) : 0;
        std::fprintf(stderr, "\r%d/%d sessions, %.0f s, about %.0f s left   ", done, total, elapsed, left);
        if (done == total)
            std::fprintf(stderr, "\n");
    });
    std::printf("sessions=%d visits=%d quick_visits=%d missed_quick_visits=%d empty_visits=%d display_change_visits=%d "
                "missed_display_change_visits=%d\n",
        result.sessions, result.visits, result.quickVisits, result.missedQuickVisits, result.emptyVisits, result.displayChangeVisits,
        result.missedDisplayChangeVisits);
    std::printf("%s", host::formatLatencyLines(result).c_str());
    std::printf("%s", host::formatAppExposeLine(result).c_str());
    if (!result.faultySessions.empty()) {
        std::printf("faulty_sessions=");
        for (std::size_t i = 0; i < result.faultySessions.size(); ++i)
            std::printf("%s%d", i ? "," : "", result.faultySessions[i]);
        std::printf("\n");
    }
    std::printf("%s\n", host::formatScorecardLine(result).c_str());
    return 0;
}
