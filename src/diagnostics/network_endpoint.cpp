#include "diagnostics/network_endpoint.h"

#include <algorithm>
#include <cctype>

namespace talvora {

namespace {

std::string lowerCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isLoopbackHost(const std::string& host)
{
    if (host == "localhost" || host == "::1")
        return true;
    // 127.0.0.0/8, written as four decimal parts.
    if (host.rfind("127.", 0) != 0)
        return false;
    int parts = 0;
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t dot = host.find('.', start);
        std::string part = host.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c); })
            || std::stoi(part) > 255)
            return false;
        ++parts;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return parts == 4;
}

struct Parts {
    std::string scheme;
    std::string authority;
};

std::optional<Parts> split(std::string_view url)
{
    auto colon = url.find("://");
    if (colon == std::string_view::npos)
        return std::nullopt;
    Parts parts;
    parts.scheme = lowerCase(url.substr(0, colon));
    std::string_view rest = url.substr(colon + 3);
    parts.authority = std::string(rest.substr(0, rest.find_first_of("/?#")));
    return parts;
}

std::string hostOf(const std::string& authority)
{
    if (!authority.empty() && authority.front() == '[') {
        auto close = authority.find(']');
        return close == std::string::npos ? std::string() : lowerCase(authority.substr(1, close - 1));
    }
    return lowerCase(authority.substr(0, authority.find(':')));
}

} // namespace

std::string endpointHost(std::string_view url)
{
    auto parts = split(url);
    return parts ? hostOf(parts->authority) : std::string();
}

std::optional<std::string> endpointProblem(std::string_view url)
{
    for (unsigned char c : url) {
        // Nothing that would need escaping in a header, a log line or a C++ string.
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '\\' || c == '<' || c == '>')
            return "it contains a space, a quote, a backslash or a character outside printable ASCII";
    }
    auto parts = split(url);
    if (!parts)
        return "it is not an absolute URL (scheme://host/path)";
    if (parts->authority.find('@') != std::string::npos)
        return "it carries a user name or password";
    std::string host = hostOf(parts->authority);
    if (host.empty())
        return "it has no host";
    if (parts->scheme == "https")
        return std::nullopt;
    if (parts->scheme == "http" && isLoopbackHost(host))
        return std::nullopt;
    return "only https is allowed, except for the loopback host";
}

} // namespace talvora
