#include "vmac/preferences_file_format.h"

#include "vmac/json_input.h"

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

// The members of a top-level JSON object as the text spells them: each key (decoded) with the
// exact text of its value. The text has been parsed already, so this only has to find the
// boundaries; it still checks every index and gives up (nothing) on anything unexpected.
std::optional<std::map<std::string, std::string_view>> topLevelMembers(std::string_view text)
{
    std::size_t i = 0;
    auto skipBlank = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
            ++i;
    };
    // Past the closing quote of the string that starts at i.
    auto skipString = [&]() -> bool {
        for (++i; i < text.size(); ++i) {
            if (text[i] == '\\')
                ++i;
            else if (text[i] == '"')
                return ++i, true;
        }
        return false;
    };
    std::map<std::string, std::string_view> members;
    skipBlank();
    if (i >= text.size() || text[i++] != '{')
        return std::nullopt;
    skipBlank();
    if (i < text.size() && text[i] == '}')
        return members;
    for (;;) {
        skipBlank();
        const std::size_t keyStart = i;
        if (i >= text.size() || text[i] != '"' || !skipString())
            return std::nullopt;
        auto key = nlohmann::json::parse(text.substr(keyStart, i - keyStart), nullptr, /*allow_exceptions=*/false);
        if (!key.is_string())
            return std::nullopt;
        skipBlank();
        if (i >= text.size() || text[i++] != ':')
            return std::nullopt;
        skipBlank();
        const std::size_t valueStart = i;
        int depth = 0;
        while (i < text.size()) {
            const char c = text[i];
            if (c == '"') {
                if (!skipString())
                    return std::nullopt;
                if (depth == 0)
                    break;
                continue;
            }
            if (c == '[' || c == '{') {
                ++depth;
            } else if (c == ']' || c == '}') {
                if (depth == 0)
                    break; // the end of the top-level object
                if (--depth == 0) {
                    ++i;
                    break;
                }
            } else if (depth == 0 && (c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
                break;
            }
            ++i;
        }
        if (i == valueStart)
            return std::nullopt;
        // A key given twice keeps its last value, as the parser does.
        members.insert_or_assign(key.get<std::string>(), text.substr(valueStart, i - valueStart));
        skipBlank();
        if (i >= text.size())
            return std::nullopt;
        if (text[i] == '}')
            return members;
        if (text[i++] != ',')
            return std::nullopt;
    }
}

// One member as serializePreferences lays it out: two spaces, the key, the value indented.
std::string memberText(const std::string& key, const nlohmann::json& value)
{
    const std::string whole = serializePreferences(nlohmann::json::object({ { key, value } }));
    // "{\n" + member + "\n}\n"
    return whole.substr(2, whole.size() - 5);
}

} // namespace

std::string rewritePreferences(std::string_view text, const std::string& key, const std::optional<PreferenceValue>& value)
{
    std::string error;
    auto members = isBlank(text) ? std::optional<std::map<std::string, std::string_view>>(std::in_place) : topLevelMembers(text);
    if (!members) {
        // Not expected for a file that parsed; writing it anew is still correct, only not
        // byte for byte.
        auto object = parsePreferencesText(text, error).value_or(nlohmann::json::object());
        if (value)
            object[key] = encodeEntry(*value);
        else
            object.erase(key);
        return serializePreferences(object);
    }
    std::map<std::string, std::string> lines;
    for (const auto& [name, raw] : *members) {
        if (name != key)
            lines.emplace(name, "  " + nlohmann::json(name).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + ": " + std::string(raw));
    }
    if (value)
        lines.insert_or_assign(key, memberText(key, encodeEntry(*value)));
    if (lines.empty())
        return "{}\n";
    std::string out = "{\n";
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        out += it->second;
        out += std::next(it) == lines.end() ? "\n" : ",\n";
    }
    return out + "}\n";
}

std::optional<nlohmann::json> parsePreferencesText(std::string_view text, std::string& error)
{
    if (isBlank(text))
        return nlohmann::json::object();
    auto parsed = parseJsonInput(text, error);
    if (!parsed)
        return std::nullopt;
    if (!parsed->is_object()) {
        error = std::string("the top level is ") + parsed->type_name() + ", not an object";
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
