// The detector's scorecard: randomised sessions on the virtual Mac, the engine's decisions
// against the virtual Mac's ground truth.
//
//   build/bench/detector_scorecard --seed 1 --sessions 1000
//
// The last line is name=value pairs for scripts.

#include "host/scorecard.h"

#include <charconv>
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
    std::fprintf(stderr, "usage: detector_scorecard [--seed N] [--sessions N] [--seconds S] [--mode performance|balanced|conservative] [--verbose] [--only SESSION]\n");
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

    int lastTenth = -1;
    auto result = host::runScorecard(options, [&](int done, int total) {
        int tenth = done * 10 / total;
        if (tenth != lastTenth) {
            lastTenth = tenth;
            std::fprintf(stderr, "%d/%d sessions\n", done, total);
        }
    });
    std::printf("sessions=%d visits=%d quick_visits=%d missed_quick_visits=%d empty_visits=%d open_latencies=%zu "
                "close_latencies=%zu\n",
        result.sessions, result.visits, result.quickVisits, result.missedQuickVisits, result.emptyVisits,
        result.openLatencies.size(), result.closeLatencies.size());
    std::printf("%s\n", host::formatScorecardLine(result).c_str());
    return 0;
}
