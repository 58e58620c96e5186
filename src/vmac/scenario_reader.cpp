#include "vmac/scenario_reader.h"

#include "platform/input_checks.h"

#include <cmath>

namespace talvora::vmac {

namespace {

std::string numberText(double d)
{
    // Whole bounds read best without a fraction: "100000", not "100000.0".
    if (std::trunc(d) == d && std::abs(d) < 1e15)
        return std::to_string(static_cast<long long>(d));
    return nlohmann::json(d).dump();
}

} // namespace

bool ScenarioReader::fail(const std::string& where, const std::string& what)
{
    if (m_error.empty())
        m_error = escapeControlCharacters(where + ": " + what);
    return false;
}

const nlohmann::json* ScenarioReader::member(const nlohmann::json& object, const char* key, const std::string& where, bool optional)
{
    if (!object.is_object()) {
        fail(where, "must be an object");
        return nullptr;
    }
    auto it = object.find(key);
    if (it == object.end()) {
        if (!optional)
            fail(where, std::string("needs \"") + key + "\"");
        return nullptr;
    }
    return &*it;
}

double ScenarioReader::real(const nlohmann::json& object, const char* key, const std::string& where, std::optional<double> fallback,
                            double min, double max)
{
    const nlohmann::json* v = member(object, key, where, fallback.has_value());
    if (!v)
        return fallback.value_or(0.0);
    if (!v->is_number() || !(v->get<double>() >= min && v->get<double>() <= max)) {
        fail(where + "." + key, "must be a number from " + numberText(min) + " to " + numberText(max) + ", not " + shown(*v));
        return fallback.value_or(0.0);
    }
    return v->get<double>();
}

bool ScenarioReader::boolean(const nlohmann::json& object, const char* key, const std::string& where, std::optional<bool> fallback)
{
    const nlohmann::json* v = member(object, key, where, fallback.has_value());
    if (!v)
        return fallback.value_or(false);
    if (!v->is_boolean()) {
        fail(where + "." + key, "must be true or false, not " + shown(*v));
        return fallback.value_or(false);
    }
    return v->get<bool>();
}

std::optional<std::string> ScenarioReader::string(const nlohmann::json& object, const char* key, const std::string& where, bool required)
{
    const nlohmann::json* v = member(object, key, where, !required);
    if (!v)
        return std::nullopt;
    if (!v->is_string()) {
        fail(where + "." + key, "must be a string, not " + shown(*v));
        return std::nullopt;
    }
    return v->get<std::string>();
}

std::optional<Rect> ScenarioReader::rect(const nlohmann::json& value, const std::string& where, double maxSize)
{
    const double c = scenario_limits::kMaxCoordinate;
    auto in = [](const nlohmann::json& v, double lo, double hi) { return v.is_number() && v.get<double>() >= lo && v.get<double>() <= hi; };
    if (!value.is_array() || value.size() != 4 || !in(value[0], -c, c) || !in(value[1], -c, c) || !in(value[2], 0, maxSize)
        || !in(value[3], 0, maxSize)) {
        fail(where, "expected [x, y, width, height] with x and y within ±" + numberText(c) + " and a size from 0 to " + numberText(maxSize)
                 + ", not " + shown(value));
        return std::nullopt;
    }
    return Rect { value[0].get<double>(), value[1].get<double>(), value[2].get<double>(), value[3].get<double>() };
}

std::optional<Point> ScenarioReader::point(const nlohmann::json& value, const std::string& where)
{
    const double c = scenario_limits::kMaxCoordinate;
    auto in = [&](const nlohmann::json& v) { return v.is_number() && std::abs(v.get<double>()) <= c; };
    if (!value.is_array() || value.size() != 2 || !in(value[0]) || !in(value[1])) {
        fail(where, "expected [x, y] within ±" + numberText(c) + ", not " + shown(value));
        return std::nullopt;
    }
    return Point { value[0].get<double>(), value[1].get<double>() };
}

std::string ScenarioReader::shown(const nlohmann::json& value)
{
    // The value has passed the depth check, so writing it is safe; only its length needs a cap.
    std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    constexpr std::size_t kLongest = 60;
    if (text.size() > kLongest) {
        std::size_t cut = kLongest;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text = text.substr(0, cut) + "…";
    }
    return escapeControlCharacters(text);
}

} // namespace talvora::vmac
