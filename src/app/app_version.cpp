#include "app/app_version.h"

#include <algorithm>

namespace talvora {

std::optional<std::vector<std::uint64_t>> parseDottedVersion(std::string_view text)
{
    if (!text.empty() && (text.front() == 'v' || text.front() == 'V'))
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    std::vector<std::uint64_t> parts;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (char c : text) {
        if (c == '.') {
            if (digits == 0)
                return std::nullopt;
            parts.push_back(value);
            value = 0;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            // 18 digits always fit in 64 bits.
            if (++digits > 18)
                return std::nullopt;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    parts.push_back(value);
    return parts;
}

int compareDottedVersions(std::string_view a, std::string_view b)
{
    auto pa = parseDottedVersion(a);
    auto pb = parseDottedVersion(b);
    if (!pa || !pb)
        return (pa ? 1 : 0) - (pb ? 1 : 0);
    std::size_t n = std::max(pa->size(), pb->size());
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t x = i < pa->size() ? (*pa)[i] : 0;
        std::uint64_t y = i < pb->size() ? (*pb)[i] : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

int compareAppVersions(const AppVersion& a, const AppVersion& b)
{
    if (int c = compareDottedVersions(a.shortVersion, b.shortVersion))
        return c;
    return compareDottedVersions(a.build, b.build);
}

} // namespace talvora
