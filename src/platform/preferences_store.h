#pragma once

#include "platform/notification_center.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace talvora {

using PreferenceData = std::vector<std::uint8_t>;
using StringArray = std::vector<std::string>;

// One value of the preferences domain, with its type: Boolean, integer, double, string, raw
// data or array of strings.
using PreferenceValue = std::variant<bool, std::int64_t, double, std::string, PreferenceData, StringArray>;

// The per-user preferences domain (NSUserDefaults.standardUserDefaults). Other processes write
// the same domain; their changes become visible to reads within about a second.
class PreferencesStore {
public:
    virtual ~PreferencesStore() = default;

    virtual std::optional<PreferenceValue> object(const std::string& key) = 0;
    virtual void set(const std::string& key, PreferenceValue value) = 0;
    virtual void remove(const std::string& key) = 0;

    // Called on the main thread after any change of the domain, made here or by another
    // process (seen when the store next looks at its file).
    virtual ObserverTokenPtr addChangeObserver(std::function<void()> handler) = 0;

    // NSUserDefaults' typed readers: a number or Boolean reads as a double (absent or any other
    // type reads as 0), a Boolean reads as itself (anything else as false), a string as itself.
    std::optional<double> number(const std::string& key);
    double doubleForKey(const std::string& key) { return number(key).value_or(0.0); }
    std::optional<bool> boolean(const std::string& key);
    std::optional<std::string> string(const std::string& key);
};

inline std::optional<double> PreferencesStore::number(const std::string& key)
{
    auto v = object(key);
    if (!v)
        return std::nullopt;
    if (auto* d = std::get_if<double>(&*v))
        return *d;
    if (auto* i = std::get_if<std::int64_t>(&*v))
        return static_cast<double>(*i);
    if (auto* b = std::get_if<bool>(&*v))
        return *b ? 1.0 : 0.0;
    return std::nullopt;
}

inline std::optional<bool> PreferencesStore::boolean(const std::string& key)
{
    auto v = object(key);
    if (!v)
        return std::nullopt;
    if (auto* b = std::get_if<bool>(&*v))
        return *b;
    return std::nullopt;
}

inline std::optional<std::string> PreferencesStore::string(const std::string& key)
{
    auto v = object(key);
    if (!v)
        return std::nullopt;
    if (auto* s = std::get_if<std::string>(&*v))
        return *s;
    return std::nullopt;
}

} // namespace talvora
