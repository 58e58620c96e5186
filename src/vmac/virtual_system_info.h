#pragma once

#include "platform/system_info.h"

#include <random>

namespace talvora::vmac {

// The virtual Mac's installation facts: a settable version, OS and languages, and UUIDs from a
// real random source.
class VirtualSystemInfo final : public SystemInfo {
public:
    std::optional<std::string> shortVersion = "0.1.0";
    std::optional<std::string> buildVersion = "1";
    OperatingSystemVersion osVersion { 14, 5, 0 };
    std::vector<std::string> languages { "en-US" };

    // SystemInfo:
    std::optional<std::string> shortVersionString() override { return shortVersion; }
    std::optional<std::string> bundleVersion() override { return buildVersion; }
    OperatingSystemVersion operatingSystemVersion() override { return osVersion; }
    std::vector<std::string> preferredLanguages() override { return languages; }
    std::string makeUUID() override;

private:
    std::mt19937_64 m_random { std::random_device {}() ^ (static_cast<std::uint64_t>(std::random_device {}()) << 32) };
};

} // namespace talvora::vmac
