#pragma once

#include "engine/records.h"
#include "engine/button_hover_kind.h"
#include "engine/icon_geometry.h"
#include "overlay/content_settings.h"
#include "overlay/halo.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

// What one screen's overlay draws, as plain data for a painter. Every position is the centre
// of its element in screen-local points: origin at the top-left of the host screen, y down,
// the space of `WindowInfo::localBounds` and `WindowInfo::currentPosition`.

namespace talvora {

class ActivityReporter;

struct Shadow {
    RGBA color;
    double radius = 0; // points
    Point offset; // points, y down
    friend bool operator==(const Shadow&, const Shadow&) = default;
};

// The pulsing glow behind an icon. The painter fills a square of side `diameter` with the
// radial `gradient` (radius `diameter` / 2), scales it by `pulse.scale` about `center` and
// draws it at `opacity` × `pulse.opacity`. The pulse is given for the frame time the layout
// was asked for; a painter that redraws every display frame without a new layout takes
// `haloPulse(intensity, frameTime)` instead.
struct HaloItem {
    std::string identity; // "halo-" and the window number, stable across renders
    Point center;
    double diameter = 0; // points, before the pulse
    RGBA color;
    double intensity = 0;
    double opacity = 0; // 0…1, before the pulse
    HaloPulse pulse;
    std::array<GradientStop, 3> gradient;
    friend bool operator==(const HaloItem&, const HaloItem&) = default;
};

// The application icon, fitted into a `side` × `side` square with its aspect ratio kept, over
// a disc of the same diameter in `backing`, all clipped to that disc and shadowed.
struct IconItem {
    ImageRef image;
    Point center;
    double side = 0; // points
    double opacity = 0; // 0…1
    RGBA backing { 1, 1, 1, 0.2 };
    Shadow shadow { { 0, 0, 0, 0.33 }, 2, {} };
    friend bool operator==(const IconItem&, const IconItem&) = default;
};

// How a button looks in its current hover and armed state.
struct ButtonAppearance {
    double frameSide = 28; // points; also the circular hit shape
    double symbolPointSize = 20; // bold
    RGBA markColor { 1, 1, 1, 1 };
    RGBA discColor; // black, less opaque while hovered
    Shadow symbolShadow;
    double symbolScale = 1; // about the centre; the ring is not scaled
    double brightness = 0; // added to the symbol's colours
    double armedRingDiameter = 34; // points: the frame grown by 3 on every side
    double armedRingLineWidth = 2; // points, centred on the outline
    RGBA armedRingColor; // yellow, transparent unless armed
    friend bool operator==(const ButtonAppearance&, const ButtonAppearance&) = default;
};

ButtonAppearance buttonAppearance(bool isHovering, bool isArmed);

struct ButtonItem {
    ButtonHoverKind kind = ButtonHoverKind::Close;
    std::string systemName; // "xmark.circle.fill" or "minus.circle.fill"
    Point center;
    bool isHovering = false; // the pointer is over this very button
    bool isArmed = false; // a first click on it waits for the second
    double opacity = 0; // 0…1
    ButtonAppearance appearance;
    friend bool operator==(const ButtonItem&, const ButtonItem&) = default;
};

enum class FontWeight { Regular, Semibold };

struct LabelRow {
    std::string text; // shown verbatim, one line, truncated at the tail
    double fontSize = 0; // points, system font
    FontWeight weight = FontWeight::Regular;
    RGBA color;
    friend bool operator==(const LabelRow&, const LabelRow&) = default;
};

// The application name and, when the window has one, its title, stacked and centred, on an
// optional rounded background. Its height is the rows' natural height plus the padding; the
// painter truncates the texts so that the whole block, padding and background included, is
// at most `maxWidth` wide.
struct LabelItem {
    Point center;
    double maxWidth = 220; // points
    LabelRow name;
    std::optional<LabelRow> title;
    double rowSpacing = 1; // points between the rows
    double horizontalPadding = 6; // points on each side
    double verticalPadding = 2; // points above and below
    RGBA background;
    double cornerRadius = 0; // points, continuous corners
    double opacity = 0; // 0…1
    Shadow textShadow { { 0, 0, 0, 0.9 }, 2, { 0, 1 } };
    friend bool operator==(const LabelItem&, const LabelItem&) = default;
};

using OverlayItem = std::variant<HaloItem, IconItem, LabelItem, ButtonItem>;

// Everything drawn for one window, back to front, composited as one layer.
struct WindowGroup {
    WindowNumber windowID = 0;
    std::vector<OverlayItem> items;
    friend bool operator==(const WindowGroup&, const WindowGroup&) = default;
};

// One screen's content, back to front: later groups are drawn over earlier ones. The painter
// first clears the whole overlay to transparent; no group is given while icons are hidden.
struct OverlayContent {
    std::vector<WindowGroup> groups;
};

// The engine's published state that the overlay draws.
struct OverlayEngineState {
    std::span<const WindowInfo> activeWindows;
    bool shouldShowIcons = false;
    double iconOpacity = 0; // 0…1, the global fade
    std::optional<WindowNumber> previousActiveWindowID;
    std::optional<WindowNumber> hoveredWindowID;
    std::optional<WindowButton> hoveredButton;
    std::optional<WindowButton> pendingButtonClick;
};

// Where an icon sits and how large it is, by the engine's icon geometry (which also gives
// `buttonCenter`), so that the hover logic hit-tests exactly what is drawn.
IconPlacement iconPlacement(const WindowInfo& window, const OverlayContentSettings& settings);

// Telemetry hears when the icons appear: `shouldShowIcons` turning true since this screen's
// previous render. Nothing is reported on a screen's first render.
struct ActivityReporting {
    ActivityReporter* reporter = nullptr;
    std::optional<bool> shouldShowIconsAtLastRender; // absent before the first render
};

// Lays out one screen's content for one render: the windows of `activeWindows` whose host is
// `screenID`, in order, each with its halo, icon, label block and buttons. A window without an
// icon image gets nothing at all. `frameMediaTimeSeconds` is the frame's absolute time on the
// media clock and sets the halo pulse.
OverlayContent layoutOverlayContent(DisplayID screenID, const OverlayEngineState& engine,
    const OverlayContentSettings& settings, std::span<const PinnedAppEntry> pinnedApps,
    double frameMediaTimeSeconds, const ActivityReporting& activity = {});

} // namespace talvora
