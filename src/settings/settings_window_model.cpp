#include "settings/settings_window_model.h"

#include "settings/reset_to_defaults.h"

#include <algorithm>
#include <cmath>

namespace talvora {

std::string versionText(const ApplicationVersion& version)
{
    static constexpr const char* kMissing = "—";
    return version.shortVersion.value_or(kMissing) + " (" + version.build.value_or(kMissing) + ")";
}

SettingsWindowModel::SettingsWindowModel(SettingsServices services)
    : m_services(services)
{
    m_preferencesObserver = m_services.preferences.addChangeObserver([this] { changed(); });
    m_pinnedObserver = m_services.pinnedApps.observe([this] { changed(); });
    m_activationObserver = m_services.notifications.addObserver(kApplicationDidBecomeActiveNotification, [this] {
        refreshSystemState();
    });
    m_screenRecordingGranted = m_services.permissions.preflightScreenCaptureAccess();
    m_accessibilityGranted = m_services.permissions.canCreateEventTap();
    m_launchAtLogin = m_services.loginItems.status() == LoginItemStatus::Enabled;
}

void SettingsWindowModel::followChanges(bool on)
{
    if (!on) {
        m_followTimer.reset();
        return;
    }
    if (m_followTimer)
        return;
    // The store notices other processes' writes when it is read; its observers then hear of it.
    m_followTimer = m_services.mainQueue.scheduleRepeating(0.5, 0.25, [this] {
        (void)m_services.preferences.object(PrefKey::responsivenessMode);
    });
}

void SettingsWindowModel::changed()
{
    if (m_changeHandler)
        m_changeHandler();
}

void SettingsWindowModel::write(const char* key, PreferenceValue value)
{
    m_services.preferences.set(key, std::move(value));
    // The store tells its observers later, on the main queue; what the person just changed
    // shows at once.
    changed();
}

bool SettingsWindowModel::toggleValue(const ToggleSpec& toggle) const
{
    return m_services.preferences.boolean(toggle.key).value_or(toggle.defaultValue);
}

bool SettingsWindowModel::isEnabled(const ToggleSpec& toggle) const
{
    return !toggle.enabledWhile || toggleValue(*toggle.enabledWhile);
}

void SettingsWindowModel::setToggle(const ToggleSpec& toggle, bool on)
{
    const bool before = toggleValue(toggle);
    const bool wasStored = m_services.preferences.boolean(toggle.key).has_value();
    if (before == on && wasStored)
        return;
    write(toggle.key, on);
    if (toggle.posts && before != on)
        m_services.notifications.post(toggle.posts);
}

double SettingsWindowModel::sliderValue(const SliderSpec& slider) const
{
    auto value = m_services.preferences.number(slider.key);
    return value && std::isfinite(*value) ? *value : slider.defaultValue;
}

void SettingsWindowModel::setSliderValue(const SliderSpec& slider, double value)
{
    if (!std::isfinite(value))
        return;
    write(slider.key, std::clamp(value, slider.minimum, slider.maximum));
}

RGBA SettingsWindowModel::color(const ColorPickerSpec& picker) const
{
    const RGBA& d = picker.defaultValue;
    const double defaults[4] = { d.red, d.green, d.blue, d.alpha };
    double components[4];
    for (int i = 0; i < 4; ++i) {
        auto value = m_services.preferences.number(picker.keys[static_cast<std::size_t>(i)]);
        components[i] = value && std::isfinite(*value) ? std::clamp(*value, 0.0, 1.0) : defaults[i];
    }
    return { components[0], components[1], components[2], components[3] };
}

bool SettingsWindowModel::isEnabled(const ColorPickerSpec& picker) const
{
    return !picker.enabledWhile || toggleValue(*picker.enabledWhile);
}

void SettingsWindowModel::setColor(const ColorPickerSpec& picker, const std::optional<RGBA>& picked)
{
    // A colour that cannot be expressed in sRGB leaves the stored one alone rather than
    // replacing it with some fixed colour the person never chose.
    if (!picked)
        return;
    const double components[4] = { picked->red, picked->green, picked->blue, picked->alpha };
    for (std::size_t i = 0; i < 4; ++i)
        write(picker.keys[i], std::clamp(components[i], 0.0, 1.0));
}

ResponsivenessMode SettingsWindowModel::responsiveness() const
{
    auto raw = m_services.preferences.string(PrefKey::responsivenessMode);
    return raw ? responsivenessModeFromRaw(*raw).value_or(ResponsivenessMode::Balanced) : ResponsivenessMode::Balanced;
}

void SettingsWindowModel::setResponsiveness(ResponsivenessMode mode)
{
    const bool modeChanges = mode != responsiveness();
    write(PrefKey::responsivenessMode, std::string(rawValue(mode)));
    if (modeChanges)
        m_services.notifications.post(NotificationName::responsivenessChanged);
}

bool SettingsWindowModel::isGranted(Permission permission) const
{
    return permission == Permission::ScreenRecording ? m_screenRecordingGranted : m_accessibilityGranted;
}

bool SettingsWindowModel::openSystemSettings(Permission permission)
{
    return m_services.workspaceActions.openURL(privacyPaneURL(permission));
}

void SettingsWindowModel::setLaunchAtLogin(bool on)
{
    m_launchAtLogin = on;
    auto error = on ? m_services.loginItems.registerApp() : m_services.loginItems.unregisterApp();
    if (error)
        m_launchAtLogin = m_services.loginItems.status() == LoginItemStatus::Enabled;
    changed();
}

void SettingsWindowModel::refreshSystemState()
{
    // Only the shown values change here: a status read back (say, an item still waiting for
    // approval) must not register or unregister anything.
    m_screenRecordingGranted = m_services.permissions.preflightScreenCaptureAccess();
    m_accessibilityGranted = m_services.permissions.canCreateEventTap();
    m_launchAtLogin = m_services.loginItems.status() == LoginItemStatus::Enabled;
    changed();
}

void SettingsWindowModel::noteDebugSectionShown()
{
    if (!m_rememberedDebugLogging)
        m_rememberedDebugLogging = toggleValue(Toggles::debugLogging);
}

bool SettingsWindowModel::isRelaunchRequired() const
{
    return m_rememberedDebugLogging && *m_rememberedDebugLogging != toggleValue(Toggles::debugLogging);
}

void SettingsWindowModel::relaunchNow()
{
    // Quitting before the new instance is on its way would leave nothing running.
    m_relaunchError = m_services.process.relaunchAfterExit();
    if (m_relaunchError) {
        changed();
        return;
    }
    m_services.process.terminate();
}

std::optional<std::string> SettingsWindowModel::logFilePath() const
{
    auto library = m_services.files.userLibraryDirectory();
    if (!library)
        return std::nullopt;
    return *library + "/Logs/Talvora/debug.txt";
}

void SettingsWindowModel::showLogFile()
{
    if (auto path = logFilePath())
        m_services.workspaceActions.revealInFileViewer(*path);
}

std::vector<PinnedAppRowModel> SettingsWindowModel::pinnedAppRows() const
{
    const RGBA defaultColor = color(ColorPickers::pinnedHalo);
    std::vector<PinnedAppRowModel> rows;
    for (const auto& app : m_services.pinnedApps.apps()) {
        PinnedAppRowModel row;
        row.bundleID = app.bundleID;
        if (auto info = m_services.pinnedApps.appDisplayInfo(app.bundleID)) {
            row.name = info->name;
            row.icon = info->icon;
            row.isKnown = true;
        } else {
            row.name = app.bundleID;
        }
        row.hasCustomColor = app.customColor.has_value();
        row.color = app.customColor.value_or(defaultColor);
        row.colorHelp = row.hasCustomColor ? SettingsText::rowCustomColorHelp : SettingsText::rowColorHelp;
        rows.push_back(std::move(row));
    }
    return rows;
}

int SettingsWindowModel::pinApplications(const std::vector<std::string>& bundlePaths)
{
    int added = 0;
    for (const auto& path : bundlePaths) {
        auto info = m_services.workspace.bundleInfoDictionary(path);
        if (!info)
            continue;
        auto it = info->find("CFBundleIdentifier");
        if (it == info->end())
            continue;
        auto identifier = it->second.asString();
        if (!identifier || identifier->empty())
            continue;
        const std::string id(*identifier);
        if (m_services.pinnedApps.isPinned(id))
            continue;
        m_services.pinnedApps.add(id);
        ++added;
    }
    return added;
}

void SettingsWindowModel::removePinnedApp(const std::string& bundleID)
{
    m_services.pinnedApps.remove(bundleID);
}

void SettingsWindowModel::setPinnedAppColor(const std::string& bundleID, const std::optional<RGBA>& picked)
{
    if (picked)
        m_services.pinnedApps.setCustomColor(picked, bundleID);
}

void SettingsWindowModel::useDefaultColor(const std::string& bundleID)
{
    m_services.pinnedApps.setCustomColor(std::nullopt, bundleID);
}

void SettingsWindowModel::resetToDefaults()
{
    talvora::resetToDefaults(m_services.preferences, m_services.notifications);
    changed();
}

} // namespace talvora
