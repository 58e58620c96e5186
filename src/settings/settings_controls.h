#pragma once

#include "settings/preference_keys.h"
#include "settings/responsiveness_mode.h"
#include "settings/rgba.h"

#include <array>
#include <string>
#include <string_view>

namespace talvora {

// The controls of the settings window, each with its key and default. The window draws them;
// the model (settings_window_model.h) reads and writes their keys.

enum class SettingsTab { General, Icons, Highlights, Labels };
inline constexpr std::array<SettingsTab, 4> kSettingsTabs { SettingsTab::General, SettingsTab::Icons,
    SettingsTab::Highlights, SettingsTab::Labels };
std::string_view tabTitle(SettingsTab tab);

struct ToggleSpec {
    const char* label;
    const char* key;
    bool defaultValue;
    const char* help; // tooltip; may be empty
    const ToggleSpec* enabledWhile = nullptr; // the toggle this one needs on, if any
    const char* posts = nullptr; // notification posted when the value changes, if any
};

struct SliderSpec {
    const char* label;
    const char* key;
    double minimum;
    double maximum;
    double defaultValue;
    const char* suffix; // may be empty
    const char* help; // may be empty
};

struct ColorPickerSpec {
    const char* label;
    std::array<const char*, 4> keys; // red, green, blue, alpha
    RGBA defaultValue;
    const char* help; // may be empty
    const ToggleSpec* enabledWhile = nullptr; // the toggle that must be on, if any
};

namespace Toggles {
extern const ToggleSpec fade;
extern const ToggleSpec closeOnHover;
extern const ToggleSpec buttonsOnBottom;
extern const ToggleSpec doubleClickRequired;
extern const ToggleSpec debugLogging;
extern const ToggleSpec highlightPreviousWindow;
extern const ToggleSpec pinnedHalo;
} // namespace Toggles

namespace Sliders {
extern const SliderSpec iconMaxSize;
extern const SliderSpec windowSizeInfluence;
extern const SliderSpec iconYOffset;
extern const SliderSpec iconMaxOpacity;
extern const SliderSpec haloSize;
extern const SliderSpec haloIntensity;
extern const SliderSpec nameTextSize;
extern const SliderSpec titleTextSize;
extern const SliderSpec labelCornerRadius;
} // namespace Sliders

namespace ColorPickers {
extern const ColorPickerSpec previousHalo;
extern const ColorPickerSpec pinnedHalo;
extern const ColorPickerSpec labelBackground;
} // namespace ColorPickers

// The text beside a slider: the number, then one space and the suffix when there is one. The
// range decides the precision: two decimals for ranges within -1…1 or spans of about 2, one
// decimal for spans under 10, whole numbers otherwise.
std::string sliderValueText(double value, double minimum, double maximum, std::string_view suffix);
inline std::string sliderValueText(const SliderSpec& slider, double value)
{
    return sliderValueText(value, slider.minimum, slider.maximum, slider.suffix);
}

std::string_view responsivenessLabel(ResponsivenessMode mode);
std::string_view responsivenessDescription(ResponsivenessMode mode);

enum class Permission { ScreenRecording, Accessibility };
struct PermissionSpec {
    const char* title;
    const char* description;
    const char* anchor; // of the privacy pane in the system settings
};
const PermissionSpec& permissionSpec(Permission permission);
// The deep link into the system settings' privacy pane for this permission.
std::string privacyPaneURL(Permission permission);

namespace SettingsText {
inline constexpr const char* launchAtLogin = "Launch at login";
inline constexpr const char* responsiveness = "Responsiveness";
inline constexpr const char* responsivenessHelp = "How often Talvora checks whether Mission Control has opened. Mission "
                                                  "Control itself always runs at full smoothness — this only affects idle "
                                                  "background checks.";
inline constexpr const char* granted = "Granted";
inline constexpr const char* openSystemSettings = "Open System Settings…";
inline constexpr const char* resetCaption = "Restore all visual settings to their defaults.";
inline constexpr const char* resetButton = "Reset to Defaults";
inline constexpr const char* restartRequired = "App restart required for this change to take effect.";
inline constexpr const char* relaunchNow = "Relaunch Now";
inline constexpr const char* debugCaption = "If you're reporting a bug: turn this on, relaunch, reproduce the issue, then "
                                            "attach the log file below.";
inline constexpr const char* showLogFile = "Show Log File";
inline constexpr const char* version = "Version";
inline constexpr const char* noAppsPinned = "No apps pinned yet.";
inline constexpr const char* addApplication = "Add Application…";
inline constexpr const char* rowColorHelp = "Click to set a custom color for this app. Default is inherited from the picker above.";
inline constexpr const char* rowCustomColorHelp = "Custom color set. Right-click to revert to the default.";
inline constexpr const char* useDefaultColor = "Use default color";
inline constexpr const char* removeHelp = "Remove from pinned list";
inline constexpr const char* chooserTitle = "Select Applications to Pin";
inline constexpr const char* chooserMessage = "Choose one or more applications. Their icons will always be highlighted in "
                                              "Mission Control.";
inline constexpr const char* chooserPrompt = "Pin";
inline constexpr const char* chooserStartFolder = "/Applications";
} // namespace SettingsText

} // namespace talvora
