// Painting one display's overlay: 20 icons with halos and labels, a full repaint at 1440×900
// and at 5120×2880 (a 2560×1440-point display at two pixels per point), and a damage-only
// repaint after one icon moved. Run with --benchmark_repetitions to get medians.
#include "overlay/content_layout.h"
#include "qt/overlay_painter.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace talvora;

namespace {

constexpr DisplayID kScreen = 1;
constexpr int kWindows = 20;

ImageRef makeIcon(int seed)
{
    auto image = std::make_shared<Image>();
    image->width = image->height = 256;
    image->pixels.resize(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            image->pixels[y * 256 + x] = 0xff000000u | (static_cast<std::uint32_t>((x + seed * 40) & 0xff) << 16)
                | (static_cast<std::uint32_t>(y) << 8) | static_cast<std::uint32_t>((seed * 70) & 0xff);
    return image;
}

// Twenty thumbnails in a 5 × 4 grid over the display, every one pinned so that each gets a
// halo, with long enough names and titles to need truncation now and then.
struct Scene {
    std::vector<WindowInfo> windows;
    OverlayContentSettings settings;
    std::vector<PinnedAppEntry> pinned;
    std::vector<ImageRef> icons;

    Scene(double widthPoints, double heightPoints)
    {
        for (int i = 0; i < 10; ++i)
            icons.push_back(makeIcon(i));
        const double cellW = widthPoints / 5, cellH = heightPoints / 4;
        for (int i = 0; i < kWindows; ++i) {
            WindowInfo w;
            w.id = 100 + i;
            w.bundleIdentifier = "com.example.app" + std::to_string(i % 10);
            w.displayName = "Application " + std::to_string(i);
            w.title = i % 3 ? "A document with a rather long title number " + std::to_string(i) + " that will be cut"
                            : "Notes";
            w.localBounds = { (i % 5) * cellW + 20, (i / 5) * cellH + 40, cellW - 40, cellH - 60 };
            w.icon = icons[i % 10];
            w.currentPosition = { w.localBounds.x + w.localBounds.width / 2, 0 };
            w.hostScreenID = kScreen;
            windows.push_back(std::move(w));
        }
        for (int i = 0; i < 10; ++i)
            pinned.push_back({ "com.example.app" + std::to_string(i), std::nullopt });
    }

    OverlayContent content(double time = 0.3) const
    {
        OverlayEngineState engine;
        engine.activeWindows = windows;
        engine.shouldShowIcons = true;
        engine.iconOpacity = 1;
        return layoutOverlayContent(kScreen, engine, settings, pinned, time);
    }
};

void clear(QPainter& painter, const QRectF& area)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(area, Qt::transparent);
    painter.restore();
}

void fullRepaint(benchmark::State& state, int pixelWidth, int pixelHeight, double ratio)
{
    const Scene scene(pixelWidth / ratio, pixelHeight / ratio);
    const OverlayContent content = scene.content();
    qt::OverlayPainter overlay;
    QImage target(pixelWidth, pixelHeight, QImage::Format_ARGB32_Premultiplied);
    double clock = 0;
    for (auto _ : state) {
        // A plain memset; a full-frame fill through the painter is spread over Qt's thread pool
        // and costs more in hand-offs than it saves.
        target.fill(Qt::transparent);
        QPainter painter(&target);
        painter.scale(ratio, ratio);
        // The halos pulse, so every frame has new gradients; icons and labels are reused.
        overlay.paint(painter, content, clock += 1.0 / 120);
        benchmark::DoNotOptimize(target.constBits());
    }
}

// One icon moves by a few points each frame; only the union of where its group was and where
// it is now is cleared and repainted, the rest of the frame is kept.
void damageRepaint(benchmark::State& state, int pixelWidth, int pixelHeight, double ratio)
{
    Scene scene(pixelWidth / ratio, pixelHeight / ratio);
    qt::OverlayPainter overlay;
    QImage target(pixelWidth, pixelHeight, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    OverlayContent content = scene.content();
    {
        QPainter painter(&target);
        painter.scale(ratio, ratio);
        overlay.paint(painter, content);
    }
    const double baseX = scene.windows[7].currentPosition.x;
    int frame = 0;
    for (auto _ : state) {
        const QRectF before = overlay.groupBounds(content.groups[7]);
        scene.windows[7].currentPosition.x = baseX + 6 * std::sin(++frame * 0.2);
        content = scene.content();
        const QRectF damage = before.united(overlay.groupBounds(content.groups[7]));
        QPainter painter(&target);
        painter.scale(ratio, ratio);
        painter.setClipRect(damage);
        clear(painter, damage);
        overlay.paint(painter, content);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_FullRepaint_1440x900(benchmark::State& s) { fullRepaint(s, 1440, 900, 1); }
void BM_FullRepaint_5120x2880(benchmark::State& s) { fullRepaint(s, 5120, 2880, 2); }
void BM_DamageRepaint_1440x900(benchmark::State& s) { damageRepaint(s, 1440, 900, 1); }
void BM_DamageRepaint_5120x2880(benchmark::State& s) { damageRepaint(s, 5120, 2880, 2); }

} // namespace

BENCHMARK(BM_FullRepaint_1440x900)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_FullRepaint_5120x2880)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_DamageRepaint_1440x900)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_DamageRepaint_5120x2880)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    // Fonts and painting need a GUI application; no display is needed to paint into images.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
