#include "vmac/json_input.h"

#include "platform/input_checks.h"

namespace talvora::vmac {

namespace {

// "[json.exception.parse_error.101] parse error at line 2, column 5: syntax error while
// parsing value - unexpected ','" becomes "line 2, column 5: syntax error while parsing value
// - unexpected ','".
std::string readableParseError(const std::string& what)
{
    std::string text = what;
    if (auto bracket = text.find("] "); text.rfind("[json.exception.", 0) == 0 && bracket != std::string::npos)
        text.erase(0, bracket + 2);
    for (const char* prefix : { "parse error at ", "parse error: " }) {
        if (text.rfind(prefix, 0) == 0)
            text.erase(0, std::char_traits<char>::length(prefix));
    }
    return escapeControlCharacters(text);
}

} // namespace

std::optional<nlohmann::json> parseJsonInput(std::string_view text, std::string& error)
{
    if (jsonNestingExceeds(text)) {
        error = "nested more than " + std::to_string(kMaxJsonDepth) + " levels deep";
        return std::nullopt;
    }
    try {
        return nlohmann::json::parse(text.begin(), text.end());
    } catch (const nlohmann::json::exception& e) {
        error = readableParseError(e.what());
        return std::nullopt;
    }
}

} // namespace talvora::vmac
