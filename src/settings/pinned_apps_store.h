#pragma once

#include "platform/notification_center.h"
#include "platform/preferences_store.h"
#include "platform/workspace.h"
#include "settings/preference_keys.h"
#include "settings/rgba.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace talvora {

// An application the user pinned. Its windows always get a halo in the overlay, in its own
// colour or, without one, in the default pinned-halo colour.
struct PinnedApp {
    std::string bundleID; // fixed once the entry exists; also its identity in lists
    std::optional<RGBA> customColor;

    const std::string& id() const { return bundleID; }

    friend bool operator==(const PinnedApp&, const PinnedApp&) = default;
};

// What the settings window shows for a pinned application.
struct AppDisplayInfo {
    std::string name;
    ImageRef icon; // empty when the platform has no image for the bundle
};

// The stored form: a JSON array with one object per entry, "bundleID" and, only when a
// colour is set, "customColor" with "red", "green", "blue" and "alpha". Encoding fails only
// for a bundle identifier that is not valid UTF-8.
std::optional<PreferenceData> encodePinnedApps(const std::vector<PinnedApp>& apps);
// Nothing when the bytes are not a JSON array or any one element is malformed: a partly
// readable list is not trusted. Member order does not matter and unknown members are ignored.
std::optional<std::vector<PinnedApp>> decodePinnedApps(const PreferenceData& data);

// The ordered list of pinned applications, kept in the preferences domain. Every change is
// saved at once and announced to the observers (the overlay and the settings window).
//
// The composition root owns the one instance of the process and hands it to its users, in
// place of a lazily created process-wide singleton; it loads once, when constructed, and
// must outlive the references handed out. Main thread only.
class PinnedAppsStore {
public:
    static constexpr const char* key = PrefKey::pinnedAppsData;
    static constexpr const char* legacyKey = PrefKey::pinnedAppBundleIDs;

    PinnedAppsStore(PreferencesStore& preferences, Workspace& workspace);
    PinnedAppsStore(const PinnedAppsStore&) = delete;
    PinnedAppsStore& operator=(const PinnedAppsStore&) = delete;

    // In insertion order, which is the order the settings window shows.
    const std::vector<PinnedApp>& apps() const { return m_apps; }
    bool isPinned(const std::string& bundleID) const;
    // The first entry with this identifier.
    std::optional<PinnedApp> pinnedApp(const std::string& bundleID) const;

    // Appends an entry without colour unless the application is already pinned.
    void add(const std::string& bundleID);
    // Removes every entry with this identifier.
    void remove(const std::string& bundleID);
    // Sets, or with nothing clears, the colour of the first entry with this identifier; an
    // identifier that is not pinned is ignored. Components are kept within 0…1.
    void setCustomColor(std::optional<RGBA> color, const std::string& bundleID);
    // Writes the whole list; false, with the stored value left as it was, when it cannot be
    // encoded.
    bool save();

    // Display name and icon: from the first running instance when it has an icon or a bundle
    // location, else from the installed application (CFBundleDisplayName, CFBundleName or the
    // bundle's file name, and the workspace's icon for the bundle); nothing when neither.
    std::optional<AppDisplayInfo> appDisplayInfo(const std::string& bundleID) const;

    // The handler runs after each change of the list; the registration lasts as long as the
    // token, which may outlive the store.
    [[nodiscard]] ObserverTokenPtr observe(std::function<void()> handler);

private:
    struct Observers {
        std::uint64_t nextID = 0;
        std::vector<std::pair<std::uint64_t, std::shared_ptr<const std::function<void()>>>> entries;
    };
    class ObserverRegistration;

    void load();
    void notifyObservers();

    PreferencesStore& m_preferences;
    Workspace& m_workspace;
    std::vector<PinnedApp> m_apps;
    std::shared_ptr<Observers> m_observers = std::make_shared<Observers>();
};

} // namespace talvora
