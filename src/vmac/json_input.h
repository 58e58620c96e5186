#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include <nlohmann/json.hpp>

namespace talvora::vmac {

// Parses JSON read from outside the program. The nesting depth is checked on the raw text
// first, so nothing recursive ever runs over a document that nests too deeply. On failure
// `error` says what is wrong and where ("line 3, column 7: ..."), in one line.
std::optional<nlohmann::json> parseJsonInput(std::string_view text, std::string& error);

// A JSON number as an integer of type T: only when it is integral and T can hold it (2.0 is
// 2; 2.5, 1e20 and -1 for an unsigned type are not). Booleans and strings are not numbers.
template<typename T>
std::optional<T> integerFromJson(const nlohmann::json& v)
{
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
    using Limits = std::numeric_limits<T>;
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(Limits::max()))
            return std::nullopt;
        return static_cast<T>(u);
    }
    if (v.is_number_integer()) {
        const auto i = v.get<std::int64_t>();
        if constexpr (std::is_unsigned_v<T>) {
            if (i < 0 || static_cast<std::uint64_t>(i) > static_cast<std::uint64_t>(Limits::max()))
                return std::nullopt;
        } else {
            if (i < static_cast<std::int64_t>(Limits::min()) || i > static_cast<std::int64_t>(Limits::max()))
                return std::nullopt;
        }
        return static_cast<T>(i);
    }
    if (v.is_number_float()) {
        const double d = v.get<double>();
        // Compared as doubles against bounds a double holds exactly (min is a power of two,
        // max + 1 too), so the cast below is always defined.
        const double lowest = static_cast<double>(Limits::min());
        const double beyond = (static_cast<double>(Limits::max() / 2 + 1)) * 2.0;
        if (!(d >= lowest && d < beyond) || std::trunc(d) != d)
            return std::nullopt;
        return static_cast<T>(d);
    }
    return std::nullopt;
}

} // namespace talvora::vmac
