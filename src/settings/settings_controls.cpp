#include "settings/settings_controls.h"

#include <cstdio>

namespace talvora {

std::string_view tabTitle(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::General:
        return "General";
    case SettingsTab::Icons:
        return "Icons";
    case SettingsTab::Highlights:
        return "Highlights";
    case SettingsTab::Labels:
        return "Labels";
    }
    return "General";
}

namespace Toggles {
const ToggleSpec fade { "Fade icons in and out", PrefKey::fadeEnabled, true,
    "Animate icons as Mission Control opens and closes." };
const ToggleSpec closeOnHover { "Close & minimize buttons on hover", PrefKey::closeOnHoverEnabled, true,
    "Hover an icon in Mission Control to reveal × (close) and − (minimize) buttons. Requires Accessibility permission." };
const ToggleSpec buttonsOnBottom { "Show close & minimize buttons at the bottom", PrefKey::closeMinimizeButtonsOnBottom, false,
    "Move the × (close) and − (minimize) buttons from the icon's top corners to its bottom corners.",
    &closeOnHover, NotificationName::buttonBehaviorChanged };
const ToggleSpec doubleClickRequired { "Require double click to close or minimize", PrefKey::closeMinimizeDoubleClickRequired,
    false,
    "Click a close/minimize button twice in quick succession to confirm, so a stray click while reaching for an icon "
    "doesn't close or minimize a window.",
    &closeOnHover, NotificationName::buttonBehaviorChanged };
const ToggleSpec debugLogging { "Enable debug logging", PrefKey::debugLogging, false,
    "Writes detailed diagnostic info to a log file. Takes effect after relaunching the app." };
const ToggleSpec highlightPreviousWindow { "Highlight previous window", PrefKey::highlightPreviousWindow, true,
    "Pulses a halo on the window you were on right before opening Mission Control, so you can hop back to it at a glance." };
const ToggleSpec pinnedHalo { "Always highlight pinned apps", PrefKey::pinnedHaloEnabled, true, "" };
} // namespace Toggles

namespace Sliders {
const SliderSpec iconMaxSize { "Maximum size", PrefKey::iconMaxSize, 24, 120, 51, "pt", "" };
const SliderSpec windowSizeInfluence { "Size by window", PrefKey::windowSizeInfluence, 0, 1, 1.0, "",
    "How much window size influences icon size. 0 = every icon the same size; 1 = bigger windows get proportionally "
    "bigger icons." };
const SliderSpec iconYOffset { "Vertical position", PrefKey::iconYOffset, -1, 1, 0, "",
    "0 = centred in the window thumbnail, +1 = flush against the bottom edge, −1 = flush against the top edge." };
const SliderSpec iconMaxOpacity { "Opacity", PrefKey::iconMaxOpacity, 0, 1, 0.8, "", "Peak icon opacity when fully visible." };
const SliderSpec haloSize { "Size", PrefKey::haloSizeMultiplier, 1, 3, 1.6, "×", "Halo diameter as a multiple of the icon size." };
const SliderSpec haloIntensity { "Intensity", PrefKey::haloIntensity, 0.5, 3, 1.5, "×", "Brightness of the pulsing halo." };
const SliderSpec nameTextSize { "App name size", PrefKey::nameTextSize, 8, 20, 11, "pt", "" };
const SliderSpec titleTextSize { "Window title size", PrefKey::titleTextSize, 8, 18, 10, "pt", "" };
const SliderSpec labelCornerRadius { "Corner radius", PrefKey::labelCornerRadius, 0, 24, 4, "pt", "" };
} // namespace Sliders

namespace ColorPickers {
const ColorPickerSpec previousHalo { "Halo color",
    { PrefKey::previousHaloRed, PrefKey::previousHaloGreen, PrefKey::previousHaloBlue, PrefKey::previousHaloAlpha },
    { 1, 1, 0, 1 }, "", &Toggles::highlightPreviousWindow };
const ColorPickerSpec pinnedHalo { "Default halo color",
    { PrefKey::pinnedHaloRed, PrefKey::pinnedHaloGreen, PrefKey::pinnedHaloBlue, PrefKey::pinnedHaloAlpha },
    { 0.2, 0.8, 1, 1 },
    "Used by any pinned app without its own custom color. Override per app via the swatch on each row.",
    &Toggles::pinnedHalo };
const ColorPickerSpec labelBackground { "Color",
    { PrefKey::labelBgRed, PrefKey::labelBgGreen, PrefKey::labelBgBlue, PrefKey::labelBgAlpha }, { 1, 0, 0, 0 },
    "Includes opacity — set it to 0 for no pill at all." };
} // namespace ColorPickers

std::string sliderValueText(double value, double minimum, double maximum, std::string_view suffix)
{
    const double span = maximum - minimum;
    const char* format = "%.0f";
    if (minimum >= -1.01 && span <= 2.01)
        format = "%.2f";
    else if (span < 10)
        format = "%.1f";
    char number[64];
    std::snprintf(number, sizeof number, format, value);
    std::string text = number;
    if (!suffix.empty()) {
        text += ' ';
        text += suffix;
    }
    return text;
}

std::string_view responsivenessLabel(ResponsivenessMode mode)
{
    switch (mode) {
    case ResponsivenessMode::Performance:
        return "Performance";
    case ResponsivenessMode::Balanced:
        return "Balanced";
    case ResponsivenessMode::Conservative:
        return "Conservative";
    }
    return "Balanced";
}

std::string_view responsivenessDescription(ResponsivenessMode mode)
{
    switch (mode) {
    case ResponsivenessMode::Performance:
        return "Uses the least CPU and battery. Icons may appear a fraction of a second later when you open Mission Control.";
    case ResponsivenessMode::Balanced:
        return "Recommended. Very low background CPU use, with no noticeable delay.";
    case ResponsivenessMode::Conservative:
        return "Checks for Mission Control continuously, as earlier versions did. Highest background CPU and battery use — "
               "pick this only if icons ever fail to appear.";
    }
    return {};
}

const PermissionSpec& permissionSpec(Permission permission)
{
    static const PermissionSpec screenRecording { "Screen Recording",
        "Required to read the window list and titles. Without it no icons can be shown.", "Privacy_ScreenCapture" };
    static const PermissionSpec accessibility { "Accessibility",
        "Required only for the close (×) and minimize (−) buttons.", "Privacy_Accessibility" };
    return permission == Permission::ScreenRecording ? screenRecording : accessibility;
}

std::string privacyPaneURL(Permission permission)
{
    return std::string("x-apple.systempreferences:com.apple.preference.security?") + permissionSpec(permission).anchor;
}

} // namespace talvora
