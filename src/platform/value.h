#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace talvora {

// A scalar as the window server and the screen descriptions hand it over: it carries its own
// type, like the CoreFoundation value it stands for, so that a key can be absent or of the
// wrong type. Reading is a conversion that may fail, with the rules of Swift's bridging of
// Foundation numbers: a number reads as an integer only when it is integral and in range, as
// a Boolean only when it is 0 or 1; a Boolean reads as the integer 0 or 1; a string never
// reads as a number.
class Value {
public:
    Value() = default;
    static Value boolean(bool v) { return Value(Storage(v)); }
    static Value integer(std::int64_t v) { return Value(Storage(v)); }
    static Value real(double v) { return Value(Storage(v)); }
    static Value string(std::string v) { return Value(Storage(std::move(v))); }

    bool isAbsent() const { return std::holds_alternative<std::monostate>(m_storage); }
    bool isBoolean() const { return std::holds_alternative<bool>(m_storage); }
    bool isNumber() const
    {
        return std::holds_alternative<std::int64_t>(m_storage) || std::holds_alternative<double>(m_storage);
    }
    bool isString() const { return std::holds_alternative<std::string>(m_storage); }

    std::optional<bool> asBool() const
    {
        if (auto* b = std::get_if<bool>(&m_storage))
            return *b;
        if (auto i = asInteger<std::int64_t>()) {
            if (*i == 0 || *i == 1)
                return *i == 1;
        }
        return std::nullopt;
    }

    // Integral and within the range of T; a Boolean reads as 0 or 1.
    template<typename T>
    std::optional<T> asInteger() const
    {
        if (auto* b = std::get_if<bool>(&m_storage))
            return static_cast<T>(*b ? 1 : 0);
        if (auto* i = std::get_if<std::int64_t>(&m_storage)) {
            if (*i < static_cast<std::int64_t>(std::numeric_limits<T>::min()))
                return std::nullopt;
            if (*i >= 0 && static_cast<std::uint64_t>(*i) > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
                return std::nullopt;
            return static_cast<T>(*i);
        }
        if (auto* d = std::get_if<double>(&m_storage)) {
            if (!std::isfinite(*d) || std::trunc(*d) != *d)
                return std::nullopt;
            // Compare in double: the limits of 64-bit types are not exact doubles, so the
            // upper bound is exclusive at 2^N.
            if (*d < static_cast<double>(std::numeric_limits<T>::min()))
                return std::nullopt;
            if (*d >= std::ldexp(1.0, std::numeric_limits<T>::digits))
                return std::nullopt;
            return static_cast<T>(*d);
        }
        return std::nullopt;
    }

    std::optional<double> asDouble() const
    {
        if (auto* d = std::get_if<double>(&m_storage))
            return *d;
        if (auto* i = std::get_if<std::int64_t>(&m_storage))
            return static_cast<double>(*i);
        if (auto* b = std::get_if<bool>(&m_storage))
            return *b ? 1.0 : 0.0;
        return std::nullopt;
    }

    std::optional<std::string_view> asString() const
    {
        if (auto* s = std::get_if<std::string>(&m_storage))
            return std::string_view(*s);
        return std::nullopt;
    }

    friend bool operator==(const Value&, const Value&) = default;

private:
    using Storage = std::variant<std::monostate, bool, std::int64_t, double, std::string>;
    explicit Value(Storage s)
        : m_storage(std::move(s))
    {
    }
    Storage m_storage;
};

} // namespace talvora
