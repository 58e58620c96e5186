#include "overlay/content_layout.h"

#include "overlay/activity_reporter.h"

#include <algorithm>

namespace talvora {

namespace {

// Gap between the icon's top edge and the label block's anchor, points.
constexpr double kLabelGapAboveIcon = 11;
// The label block's centre is lifted by this fraction of its font sizes, roughly half its
// height, so that the block ends just above the icon whatever the font sizes.
constexpr double kLabelLiftPerFontPoint = 0.7;
constexpr double kLabelOpacity = 0.95;
constexpr double kTitleOpacity = 0.85;

double unitClamped(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

const char* systemName(ButtonHoverKind kind)
{
    return kind == ButtonHoverKind::Close ? "xmark.circle.fill" : "minus.circle.fill";
}

LabelItem labelFor(const WindowInfo& window, const IconPlacement& icon, double baseOpacity,
    const OverlayContentSettings& settings)
{
    const double nameSize = effectiveNameTextSize(settings.nameTextSize);
    const double titleSize = effectiveTitleTextSize(settings.titleTextSize);

    LabelItem label;
    label.name = { window.displayName, nameSize, FontWeight::Semibold, { 1, 1, 1, 1 } };
    double liftedFontPoints = nameSize;
    if (!window.title.empty()) {
        label.title = LabelRow { window.title, titleSize, FontWeight::Regular, { 1, 1, 1, kTitleOpacity } };
        liftedFontPoints += titleSize;
    }
    const double iconTop = icon.center.y - icon.side * 0.5;
    label.center = { icon.center.x, iconTop - kLabelGapAboveIcon - kLabelLiftPerFontPoint * liftedFontPoints };
    label.background = settings.labelBackground();
    label.cornerRadius = settings.labelCornerRadius;
    // Not dimmed by the icon's peak opacity: names stay readable over busy thumbnails.
    label.opacity = unitClamped(baseOpacity * kLabelOpacity);
    return label;
}

ButtonItem buttonFor(const WindowInfo& window, const IconPlacement& icon, ButtonHoverKind kind,
    const OverlayEngineState& engine, const OverlayContentSettings& settings)
{
    const WindowButton self { window.id, kind };
    ButtonItem button;
    button.kind = kind;
    button.systemName = systemName(kind);
    button.center = buttonCenter(icon, kind, settings.closeMinimizeButtonsOnBottom);
    button.isHovering = engine.hoveredButton == self;
    button.isArmed = engine.pendingButtonClick == self;
    // Controls follow only the global fade: a button must not vanish with a faint icon.
    button.opacity = unitClamped(engine.iconOpacity);
    button.appearance = buttonAppearance(button.isHovering, button.isArmed);
    return button;
}

} // namespace

ButtonAppearance buttonAppearance(bool isHovering, bool isArmed)
{
    ButtonAppearance a;
    a.discColor = { 0, 0, 0, isHovering ? 0.7 : 0.85 };
    a.symbolShadow = { { 0, 0, 0, 0.5 }, isHovering ? 4.0 : 2.0, { 0, 1 } };
    a.symbolScale = isHovering ? 1.15 : 1.0;
    a.brightness = isHovering ? 0.15 : 0.0;
    a.armedRingColor = { 1, 1, 0, isArmed ? 1.0 : 0.0 };
    return a;
}

IconPlacement iconPlacement(const WindowInfo& window, const OverlayContentSettings& settings)
{
    return iconPlacement(window, effectiveIconMaxSize(settings.iconMaxSize), settings.iconYOffset);
}

OverlayContent layoutOverlayContent(DisplayID screenID, const OverlayEngineState& engine,
    const OverlayContentSettings& settings, std::span<const PinnedAppEntry> pinnedApps,
    double frameMediaTimeSeconds, const ActivityReporting& activity)
{
    if (activity.reporter && activity.shouldShowIconsAtLastRender == false && engine.shouldShowIcons)
        activity.reporter->sendActiveEvent();

    OverlayContent content;
    if (!engine.shouldShowIcons)
        return content;

    const HaloPulse pulse = haloPulse(settings.haloIntensity, frameMediaTimeSeconds);
    for (const WindowInfo& window : engine.activeWindows) {
        if (window.hostScreenID != screenID || !window.icon)
            continue;

        const IconPlacement icon = iconPlacement(window, settings);
        // With fading off the per-window opacity of the placement is ignored too, so icons
        // show at once and fully.
        const double base = engine.iconOpacity * (settings.fadeEnabled ? window.placementOpacity : 1.0);
        const double iconOpacity = unitClamped(base * settings.iconMaxOpacity);

        WindowGroup group;
        group.windowID = window.id;
        if (auto color = haloColor(window.id, window.bundleIdentifier, engine.previousActiveWindowID, settings, pinnedApps)) {
            HaloItem halo;
            halo.identity = "halo-" + std::to_string(window.id);
            halo.center = icon.center;
            halo.diameter = std::max(0.0, icon.side * settings.haloSizeMultiplier);
            halo.color = *color;
            halo.intensity = settings.haloIntensity;
            halo.opacity = iconOpacity;
            halo.pulse = pulse;
            halo.gradient = haloGradient(*color, settings.haloIntensity);
            group.items.emplace_back(std::move(halo));
        }
        group.items.emplace_back(IconItem { .image = window.icon, .center = icon.center, .side = icon.side, .opacity = iconOpacity });
        group.items.emplace_back(labelFor(window, icon, base, settings));
        // The buttons come last so that no label background ever covers a control the
        // pointer can click; the label block sits just above the top row of buttons.
        if (settings.closeOnHoverEnabled && engine.hoveredWindowID == window.id) {
            group.items.emplace_back(buttonFor(window, icon, ButtonHoverKind::Close, engine, settings));
            group.items.emplace_back(buttonFor(window, icon, ButtonHoverKind::Minimize, engine, settings));
        }
        content.groups.push_back(std::move(group));
    }
    return content;
}

} // namespace talvora
