#include "vmac/preferences_file_format.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace talvora::vmac {

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Digit(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool isBlank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// JSON has no NaN or infinities; they are kept as these strings so that a double of any value
// survives the file.
std::optional<double> decodeDouble(const nlohmann::json& v)
{
    if (v.is_number())
        return v.get<double>();
    if (v.is_string()) {
        const auto& s = v.get_ref<const std::string&>();
        if (s == "nan")
            return std::numeric_limits<double>::quiet_NaN();
        if (s == "inf")
            return std::numeric_limits<double>::infinity();
        if (s == "-inf")
            return -std::numeric_limits<double>::infinity();
    }
    return std::nullopt;
}

nlohmann::json encodeDouble(double d)
{
    if (std::isnan(d))
        return "nan";
    if (std::isinf(d))
        return d > 0 ? "inf" : "-inf";
    return d;
}

} // namespace

std::optional<nlohmann::json> parsePreferencesText(std::string_view text, std::string& error)
{
    if (isBlank(text))
        return nlohmann::json::object();
    nlohmann::json parsed;
    try {
        parsed = nlohmann::json::parse(text.begin(), text.end());
    } catch (const nlohmann::json::exception& e) {
        error = e.what();
        return std::nullopt;
    }
    if (!parsed.is_object()) {
        error = std::string("the top level is ") + parsed.type_name() + ", not an object";
        return std::nullopt;
    }
    return parsed;
}

std::optional<PreferenceValue> decodeEntry(const nlohmann::json& entry)
{
    if (!entry.is_object())
        return std::nullopt;
    auto typeIt = entry.find("type");
    auto valueIt = entry.find("value");
    if (typeIt == entry.end() || valueIt == entry.end() || !typeIt->is_string())
        return std::nullopt;
    const auto& type = typeIt->get_ref<const std::string&>();
    const nlohmann::json& v = *valueIt;

    if (type == "boolean") {
        if (v.is_boolean())
            return PreferenceValue(v.get<bool>());
    } else if (type == "integer") {
        if (v.is_number_integer() && !v.is_number_unsigned())
            return PreferenceValue(v.get<std::int64_t>());
        if (v.is_number_unsigned() && v.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return PreferenceValue(static_cast<std::int64_t>(v.get<std::uint64_t>()));
    } else if (type == "double") {
        if (auto d = decodeDouble(v))
            return PreferenceValue(*d);
    } else if (type == "string") {
        if (v.is_string())
            return PreferenceValue(v.get<std::string>());
    } else if (type == "data") {
        if (v.is_string()) {
            if (auto bytes = base64Decode(v.get_ref<const std::string&>()))
                return PreferenceValue(std::move(*bytes));
        }
    } else if (type == "array") {
        if (v.is_array()) {
            StringArray items;
            items.reserve(v.size());
            for (const auto& item : v) {
                if (!item.is_string())
                    return std::nullopt;
                items.push_back(item.get<std::string>());
            }
            return PreferenceValue(std::move(items));
        }
    }
    return std::nullopt;
}

PreferenceDomain decodeDomain(const nlohmann::json& object)
{
    PreferenceDomain domain;
    if (!object.is_object())
        return domain;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (auto value = decodeEntry(it.value()))
            domain.emplace(it.key(), std::move(*value));
    }
    return domain;
}

nlohmann::json encodeEntry(const PreferenceValue& value)
{
    nlohmann::json encoded;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, double>)
                encoded = encodeDouble(v);
            else if constexpr (std::is_same_v<T, PreferenceData>)
                encoded = base64Encode(v);
            else
                encoded = v;
        },
        value);
    return nlohmann::json { { "type", preferenceTypeName(value) }, { "value", std::move(encoded) } };
}

std::string serializePreferences(const nlohmann::json& object)
{
    // Invalid UTF-8 in a key or string is replaced rather than thrown: a write must not fail
    // halfway because of one odd byte.
    return object.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

const char* preferenceTypeName(const PreferenceValue& value)
{
    static constexpr const char* names[] = { "boolean", "integer", "double", "string", "data", "array" };
    static_assert(std::variant_size_v<PreferenceValue> == std::size(names));
    return names[value.index()];
}

std::string base64Encode(const PreferenceData& bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += kBase64Alphabet[(n >> 18) & 63];
        out += kBase64Alphabet[(n >> 12) & 63];
        out += kBase64Alphabet[(n >> 6) & 63];
        out += kBase64Alphabet[n & 63];
    }
    std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t n = bytes[i] << 16;
        if (rest == 2)
            n |= bytes[i + 1] << 8;
        out += kBase64Alphabet[(n >> 18) & 63];
        out += kBase64Alphabet[(n >> 12) & 63];
        out += rest == 2 ? kBase64Alphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<PreferenceData> base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    PreferenceData out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        int padding = 0;
        std::uint32_t n = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            char c = text[i + j];
            if (c == '=' && last && j >= 2) {
                ++padding;
                n <<= 6;
                continue;
            }
            int d = base64Digit(c);
            if (d < 0 || padding > 0)
                return std::nullopt;
            n = (n << 6) | static_cast<std::uint32_t>(d);
        }
        out.push_back(static_cast<std::uint8_t>(n >> 16));
        if (padding < 2)
            out.push_back(static_cast<std::uint8_t>(n >> 8));
        if (padding < 1)
            out.push_back(static_cast<std::uint8_t>(n));
    }
    return out;
}

} // namespace talvora::vmac
