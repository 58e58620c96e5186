#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvora {

// A version as a person reads it ("1.4.2") and the build number behind it ("142"). Newer is
// decided by the dotted numbers first, then by the build number.
struct AppVersion {
    std::string shortVersion;
    std::string build;
};

// "1.4.2" as {1, 4, 2}; an optional leading "v" is allowed. Nothing when the text is not
// numbers joined by single full stops (or a part is too long to be a version number).
std::optional<std::vector<std::uint64_t>> parseDottedVersion(std::string_view text);

// Negative, zero or positive as a is older than, the same as or newer than b. Missing parts
// count as 0, so 1.2 and 1.2.0 are the same version. Text that is not a dotted version is
// older than any that is, and equal to any other such text.
int compareDottedVersions(std::string_view a, std::string_view b);

// The dotted short versions first, then the build numbers (compared the same way).
int compareAppVersions(const AppVersion& a, const AppVersion& b);

} // namespace talvora
