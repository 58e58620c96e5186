#pragma once

#include "platform/geometry.h"
#include "vmac/json_input.h"

#include <limits>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace talvora::vmac {

// What a scenario may ask for. A desktop, a timeline and a time span large enough for any real
// test, and small enough that reading, playing and painting it always ends.
namespace scenario_limits {
inline constexpr std::size_t kMaxFileBytes = 64u << 20;
inline constexpr double kMaxDuration = 3600; // seconds of virtual time
inline constexpr double kMaxCoordinate = 100000; // points, either side of the origin
inline constexpr double kMaxWindowSize = 20000; // points, width or height of a window
inline constexpr double kMaxDisplaySize = 8192; // points, width or height of a display
inline constexpr std::size_t kMaxDisplays = 16;
inline constexpr int kMaxSpaces = 16; // per display, as on a Mac
inline constexpr std::size_t kMaxWindows = 200000;
inline constexpr std::size_t kMaxApps = 10000;
inline constexpr std::size_t kMaxActions = 100000;
} // namespace scenario_limits

// Reads the members of a scenario's objects with every value checked: an integer only when it
// is integral and in range, a number only when it is within its bounds, a member of the wrong
// type is an error, never silently ignored. The first fault is kept with its place in the
// document ("apps[1].windows[0].layer: ..."); later reads return the fallback and add nothing,
// so a caller reads a group of members and then asks `failed()` once.
class ScenarioReader {
public:
    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }

    // Records a fault (the first one wins) and returns false.
    bool fail(const std::string& where, const std::string& what);

    bool has(const nlohmann::json& object, const char* key) const { return object.is_object() && object.contains(key); }

    // An integer member. Absent: `fallback`, or a fault when there is none.
    template<typename T>
    T integer(const nlohmann::json& object, const char* key, const std::string& where, std::optional<T> fallback = std::nullopt,
              T min = std::numeric_limits<T>::min(), T max = std::numeric_limits<T>::max())
    {
        const nlohmann::json* v = member(object, key, where, fallback.has_value());
        if (!v)
            return fallback.value_or(T {});
        auto i = integerFromJson<T>(*v);
        if (!i || *i < min || *i > max) {
            fail(where + "." + key, "must be an integer from " + std::to_string(min) + " to " + std::to_string(max) + ", not " + shown(*v));
            return fallback.value_or(T {});
        }
        return *i;
    }

    // A number member within [min, max].
    double real(const nlohmann::json& object, const char* key, const std::string& where, std::optional<double> fallback, double min,
                double max);
    bool boolean(const nlohmann::json& object, const char* key, const std::string& where, std::optional<bool> fallback);
    // A string member; absent gives nothing (or a fault when `required`).
    std::optional<std::string> string(const nlohmann::json& object, const char* key, const std::string& where, bool required = false);
    // [x, y, width, height] with the origin within the coordinate limit and the size within
    // `maxSize`.
    std::optional<Rect> rect(const nlohmann::json& value, const std::string& where, double maxSize);
    // [x, y] within the coordinate limit.
    std::optional<Point> point(const nlohmann::json& value, const std::string& where);

    // A value as it may be quoted in a message: short, on one line, without control characters.
    static std::string shown(const nlohmann::json& value);

private:
    // The member, or nothing: absent (a fault unless `optional`), or `object` is not an object.
    const nlohmann::json* member(const nlohmann::json& object, const char* key, const std::string& where, bool optional);

    std::string m_error;
};

} // namespace talvora::vmac
