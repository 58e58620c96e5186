#include "settings/pinned_apps_store.h"

#include "platform/input_checks.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace talvora {

namespace {

using Json = nlohmann::json;
// Written in the order of the fields, which reads best in a preferences dump; readers do not
// depend on it.
using OrderedJson = nlohmann::ordered_json;

double unitComponent(double v)
{
    // NaN has no nearest bound. Left alone it would be written as null, and the next launch
    // would reject the whole stored list because of it.
    if (std::isnan(v))
        return 0;
    return std::clamp(v, 0.0, 1.0);
}

RGBA unitColor(const RGBA& c)
{
    return { unitComponent(c.red), unitComponent(c.green), unitComponent(c.blue), unitComponent(c.alpha) };
}

std::optional<double> component(const Json& color, const char* name)
{
    auto it = color.find(name);
    // Booleans are not numbers here, as they are not for a JSON decoder of doubles.
    if (it == color.end() || !it->is_number())
        return std::nullopt;
    return it->get<double>();
}

std::optional<PinnedApp> decodeEntry(const Json& element)
{
    if (!element.is_object())
        return std::nullopt;
    auto id = element.find("bundleID");
    if (id == element.end() || !id->is_string())
        return std::nullopt;
    PinnedApp app { id->get<std::string>(), std::nullopt };

    auto color = element.find("customColor");
    if (color == element.end() || color->is_null())
        return app;
    if (!color->is_object())
        return std::nullopt;
    auto red = component(*color, "red");
    auto green = component(*color, "green");
    auto blue = component(*color, "blue");
    auto alpha = component(*color, "alpha");
    if (!red || !green || !blue || !alpha)
        return std::nullopt;
    // Another process may have written any number; the halo needs components within 0…1.
    app.customColor = unitColor({ *red, *green, *blue, *alpha });
    return app;
}

// The bundle's file name without its extension, as a URL's last path component with the
// extension deleted: "/Applications/Foo.app/" gives "Foo"; a leading dot is no extension.
std::string bundleFileStem(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (auto slash = path.rfind('/'); slash != std::string_view::npos && path.size() > 1)
        path.remove_prefix(slash + 1);
    if (auto dot = path.rfind('.'); dot != std::string_view::npos && dot > 0)
        path = path.substr(0, dot);
    return std::string(path);
}

} // namespace

std::optional<PreferenceData> encodePinnedApps(const std::vector<PinnedApp>& apps)
{
    OrderedJson array = OrderedJson::array();
    for (const auto& app : apps) {
        OrderedJson entry = OrderedJson::object();
        entry["bundleID"] = app.bundleID;
        // Left out rather than null when there is no colour.
        if (app.customColor) {
            const RGBA& c = *app.customColor;
            OrderedJson color = OrderedJson::object();
            color["red"] = c.red;
            color["green"] = c.green;
            color["blue"] = c.blue;
            color["alpha"] = c.alpha;
            entry["customColor"] = std::move(color);
        }
        array.push_back(std::move(entry));
    }
    try {
        std::string text = array.dump();
        return PreferenceData(text.begin(), text.end());
    } catch (const OrderedJson::exception&) {
        // A string that is not valid UTF-8 cannot be written as JSON.
        return std::nullopt;
    }
}

std::optional<std::vector<PinnedApp>> decodePinnedApps(const PreferenceData& data)
{
    // Another process may have stored anything here: nesting too deep to walk safely is
    // refused before it is parsed.
    if (jsonNestingExceeds(std::string_view(reinterpret_cast<const char*>(data.data()), data.size())))
        return std::nullopt;
    try {
        Json root = Json::parse(data.begin(), data.end(), nullptr, /*allow_exceptions=*/false);
        if (!root.is_array())
            return std::nullopt;
        std::vector<PinnedApp> apps;
        apps.reserve(root.size());
        for (const auto& element : root) {
            auto app = decodeEntry(element);
            if (!app)
                return std::nullopt;
            apps.push_back(std::move(*app));
        }
        return apps;
    } catch (const Json::exception&) {
        return std::nullopt;
    }
}

class PinnedAppsStore::ObserverRegistration final : public ObserverToken {
public:
    ObserverRegistration(std::weak_ptr<Observers> observers, std::uint64_t id)
        : m_observers(std::move(observers))
        , m_id(id)
    {
    }
    ~ObserverRegistration() override
    {
        if (auto observers = m_observers.lock())
            std::erase_if(observers->entries, [&](const auto& entry) { return entry.first == m_id; });
    }

private:
    std::weak_ptr<Observers> m_observers;
    std::uint64_t m_id;
};

PinnedAppsStore::PinnedAppsStore(PreferencesStore& preferences, Workspace& workspace)
    : m_preferences(preferences)
    , m_workspace(workspace)
{
    load();
}

void PinnedAppsStore::load()
{
    if (auto stored = m_preferences.object(key)) {
        // A value that does not decode is left in place, not repaired: the next save
        // overwrites it.
        if (auto* data = std::get_if<PreferenceData>(&*stored)) {
            if (auto decoded = decodePinnedApps(*data)) {
                m_apps = std::move(*decoded);
                return;
            }
        }
    }

    auto legacy = m_preferences.object(legacyKey);
    auto* bundleIDs = legacy ? std::get_if<StringArray>(&*legacy) : nullptr;
    if (!bundleIDs || bundleIDs->empty())
        return;
    // Duplicates are kept: the older list allowed them and nothing here can tell which to drop.
    for (const auto& bundleID : *bundleIDs)
        m_apps.push_back({ bundleID, std::nullopt });
    // The older list is the only copy until the new one is written; it goes only then.
    if (save())
        m_preferences.remove(legacyKey);
}

bool PinnedAppsStore::isPinned(const std::string& bundleID) const
{
    return std::ranges::any_of(m_apps, [&](const PinnedApp& app) { return app.bundleID == bundleID; });
}

std::optional<PinnedApp> PinnedAppsStore::pinnedApp(const std::string& bundleID) const
{
    auto it = std::ranges::find(m_apps, bundleID, &PinnedApp::bundleID);
    if (it == m_apps.end())
        return std::nullopt;
    return *it;
}

void PinnedAppsStore::add(const std::string& bundleID)
{
    if (isPinned(bundleID))
        return;
    m_apps.push_back({ bundleID, std::nullopt });
    save();
    notifyObservers();
}

void PinnedAppsStore::remove(const std::string& bundleID)
{
    auto removed = std::erase_if(m_apps, [&](const PinnedApp& app) { return app.bundleID == bundleID; });
    save();
    if (removed > 0)
        notifyObservers();
}

void PinnedAppsStore::setCustomColor(std::optional<RGBA> color, const std::string& bundleID)
{
    auto it = std::ranges::find(m_apps, bundleID, &PinnedApp::bundleID);
    if (it == m_apps.end())
        return;
    std::optional<RGBA> newColor;
    if (color)
        newColor = unitColor(*color);
    bool changed = it->customColor != newColor;
    it->customColor = newColor;
    save();
    if (changed)
        notifyObservers();
}

bool PinnedAppsStore::save()
{
    auto data = encodePinnedApps(m_apps);
    if (!data)
        return false;
    m_preferences.set(key, std::move(*data));
    return true;
}

std::optional<AppDisplayInfo> PinnedAppsStore::appDisplayInfo(const std::string& bundleID) const
{
    auto running = m_workspace.runningApplications(bundleID);
    if (!running.empty() && running.front()) {
        const RunningApplication& app = *running.front();
        std::string name = app.localizedName().value_or(bundleID);
        if (auto icon = app.icon())
            return AppDisplayInfo { std::move(name), std::move(icon) };
        if (auto path = app.bundlePath())
            return AppDisplayInfo { std::move(name), m_workspace.iconForFile(*path) };
    }
    // Not running, or running without an image: the installed application, if any.
    auto path = m_workspace.applicationPath(bundleID);
    if (!path)
        return std::nullopt;
    std::optional<std::string> name;
    if (auto info = m_workspace.bundleInfoDictionary(*path)) {
        for (const char* key : { "CFBundleDisplayName", "CFBundleName" }) {
            auto it = info->find(key);
            if (it == info->end())
                continue;
            if (auto text = it->second.asString()) {
                name = std::string(*text);
                break;
            }
        }
    }
    if (!name)
        name = bundleFileStem(*path);
    return AppDisplayInfo { std::move(*name), m_workspace.iconForFile(*path) };
}

ObserverTokenPtr PinnedAppsStore::observe(std::function<void()> handler)
{
    auto id = m_observers->nextID++;
    m_observers->entries.emplace_back(id, std::make_shared<const std::function<void()>>(std::move(handler)));
    return std::make_unique<ObserverRegistration>(m_observers, id);
}

void PinnedAppsStore::notifyObservers()
{
    // Handlers may register, unregister or change the list again; run over a snapshot and
    // skip any that an earlier handler unregistered.
    auto observers = m_observers;
    auto snapshot = observers->entries;
    for (const auto& [id, handler] : snapshot) {
        bool registered = std::ranges::any_of(observers->entries, [id = id](const auto& entry) { return entry.first == id; });
        if (registered)
            (*handler)();
    }
}

} // namespace talvora
