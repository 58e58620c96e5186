#include "headless_demo.h"

#include "host/simulation.h"
#include "qt/contact_sheet.h"
#include "qt/desktop_compositor.h"
#include "qt/hosted_overlay.h"
#include "qt/overlay_painter.h"
#include "settings_pictures.h"
#include "timeline_printer.h"
#include "platform/input_checks.h"
#include "vmac/input_file.h"
#include "vmac/preferences_file_format.h"
#include "vmac/scenario.h"
#include "vmac/system_logs.h"

#include <QImage>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <regex>

namespace talvora::app {

namespace fs = std::filesystem;

namespace {

// Frames of an earlier run would mix with this run's in the contact sheet and the folder;
// only files this program writes are removed.
void removeEarlierFrames(const fs::path& folder)
{
    std::error_code error;
    const std::regex ours(R"(\d\d-display[0-9a-z]+\.png)");
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && std::regex_match(entry.path().filename().string(), ours))
            fs::remove(entry.path(), error);
    }
}

// Each run starts from the scenario's preferences, not from the previous run's, so an earlier
// run's domain is removed. A file that is damaged (or not a file at all) was not written by
// an earlier run as it stands: it is kept aside for the user to look at, never deleted.
bool clearEarlierPreferences(const std::string& path)
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error)))
        return true;
    auto file = vmac::readInputFile(path, vmac::kMaxPreferencesFileBytes);
    std::string problem = file.error;
    if (file.text && vmac::parsePreferencesText(*file.text, problem)) {
        fs::remove(path, error);
        return !error;
    }
    std::string aside = path + ".corrupt";
    for (int n = 2; fs::exists(fs::symlink_status(aside, error)); ++n)
        aside = path + ".corrupt-" + std::to_string(n);
    fs::rename(path, aside, error);
    if (error) {
        std::fprintf(stderr, "talvora: %s cannot be used (%s) nor moved aside: %s\n", escapeControlCharacters(path).c_str(),
                     escapeControlCharacters(problem).c_str(), error.message().c_str());
        return false;
    }
    std::fprintf(stderr, "talvora: %s cannot be used (%s); kept it as %s\n", escapeControlCharacters(path).c_str(),
                 escapeControlCharacters(problem).c_str(), escapeControlCharacters(aside).c_str());
    return true;
}

std::string displayName(const vmac::VirtualDisplay& display, std::size_t index)
{
    return display.number ? std::to_string(*display.number) : "x" + std::to_string(index + 1);
}

} // namespace

int runHeadlessDemo(const HeadlessOptions& options)
{
    auto loaded = vmac::loadScenarioFile(options.scenario);
    if (!loaded.scenario) {
        std::fprintf(stderr, "talvora: %s\n", loaded.error.c_str());
        return 1;
    }
    std::error_code error;
    if (options.out.empty()) {
        std::fprintf(stderr, "talvora: --out needs a folder\n");
        return 2;
    }
    const fs::path out = fs::absolute(options.out, error).lexically_normal();
    const fs::path frames = out / "frames";
    if (!error)
        fs::create_directories(frames, error);
    if (error) {
        std::fprintf(stderr, "talvora: cannot create %s: %s\n", escapeControlCharacters(frames.string()).c_str(), error.message().c_str());
        return 1;
    }
    removeEarlierFrames(frames);
    vmac::HomeFolder home { (out / "home").string() };
    if (!clearEarlierPreferences(home.preferencesFile()))
        return 1;

    vmac::StderrSystemLog systemLog(/*showDebug=*/false);
    const double duration = loaded.scenario->duration;
    std::printf("Talvora on a virtual Mac, headless: %s\n\n", escapeControlCharacters(loaded.scenario->description).c_str());
    host::Simulation simulation(std::move(*loaded.scenario), home, systemLog);

    TimelinePrinter timeline(simulation, options.verbose);
    simulation.onAction = [&](const vmac::TimelineAction& action) { timeline.action(action); };
    simulation.onTick = [&] { timeline.tick(); };

    qt::OverlayPainter overlayPainter;
    qt::DesktopCompositor compositor;
    const auto paintHosted = qt::overlayHostedViewPainter(overlayPainter, [&] { return simulation.clock().mediaTime(); });
    std::vector<qt::ContactSheetFrame> sheet;
    int snapshots = 0;
    int failures = 0;
    simulation.onSnapshot = [&](const std::string& caption) {
        ++snapshots;
        auto& mac = simulation.mac();
        const qt::PointerOverlay pointer { simulation.input().pointerLocation(), simulation.input().cursor() };
        for (std::size_t i = 0; i < mac.desktop().displays.size(); ++i) {
            const std::string name = displayName(mac.desktop().displays[i], i);
            QImage image = compositor.render(mac, i, options.pixelRatio, paintHosted, pointer);
            char file[64];
            std::snprintf(file, sizeof file, "%02d-display%s.png", snapshots, name.c_str());
            const fs::path path = frames / file;
            if (!image.save(QString::fromStdString(path.string()), "PNG")) {
                std::fprintf(stderr, "talvora: could not write %s\n", path.c_str());
                ++failures;
                continue;
            }
            timeline.note("wrote frames/" + std::string(file));
            sheet.push_back({ QString::fromStdString(std::to_string(snapshots) + ". " + caption + " (display " + name + ")"), image });
        }
    };

    SettingsPictures settingsPictures(simulation, out / "settings", [&](const std::string& text) { timeline.note(text); });

    simulation.start();
    simulation.runFor(duration + 0.2);
    failures += settingsPictures.failures();
    simulation.engine().debugLog().logManager().waitUntilIdle();

    std::printf("\n%d ticks in %.2f s of virtual time.\n", simulation.tickCount(), simulation.elapsed());
    if (!sheet.empty()) {
        const fs::path sheetPath = out / "contact-sheet.png";
        if (qt::renderContactSheet(sheet).save(QString::fromStdString(sheetPath.string()), "PNG"))
            std::printf("Contact sheet: %s\n", sheetPath.c_str());
        else {
            std::fprintf(stderr, "talvora: could not write %s\n", sheetPath.c_str());
            ++failures;
        }
        std::printf("Frames: %s (%zu pictures)\n", frames.c_str(), sheet.size());
    } else {
        std::printf("The scenario takes no snapshots; no frames were written.\n");
    }
    const fs::path debugLog = fs::path(home.library()) / "Logs/Talvora/debug.txt";
    if (simulation.engine().isDebugLoggingEnabled() && fs::exists(debugLog)) {
        fs::copy_file(debugLog, out / "debug-log.txt", fs::copy_options::overwrite_existing, error);
        std::printf("Debug log: %s\n", (error ? debugLog : out / "debug-log.txt").c_str());
    }
    std::printf("Home folder of the virtual Mac: %s\n", home.root.c_str());
    return failures == 0 ? 0 : 1;
}

} // namespace talvora::app
