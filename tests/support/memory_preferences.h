#pragma once

#include "platform/preferences_store.h"

#include <map>
#include <string>
#include <vector>

namespace talvora::test_support {

// A preferences domain in memory that remembers the order of writes.
class MemoryPreferences final : public PreferencesStore {
public:
    std::map<std::string, PreferenceValue> values;
    std::vector<std::string> writes; // keys, in the order they were set or removed

    std::optional<PreferenceValue> object(const std::string& key) override
    {
        auto it = values.find(key);
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
    void set(const std::string& key, PreferenceValue value) override
    {
        values[key] = std::move(value);
        writes.push_back(key);
    }
    void remove(const std::string& key) override
    {
        values.erase(key);
        writes.push_back(key);
    }
    ObserverTokenPtr addChangeObserver(std::function<void()>) override { return nullptr; }
};

} // namespace talvora::test_support
