#pragma once

#include <optional>
#include <string>
#include <vector>

namespace talvora {

struct OperatingSystemVersion {
    int majorVersion = 0;
    int minorVersion = 0;
    int patchVersion = 0;
};

// Facts about this installation that the platform knows: the application bundle's version,
// the operating system's version, the user's languages, and random identifiers.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // CFBundleShortVersionString of the application; nothing when the bundle has none.
    virtual std::optional<std::string> shortVersionString() = 0;
    // CFBundleVersion, the build number; nothing when the bundle has none.
    virtual std::optional<std::string> bundleVersion() = 0;
    virtual OperatingSystemVersion operatingSystemVersion() = 0;
    // The user's preferred languages, most preferred first ("en-US").
    virtual std::vector<std::string> preferredLanguages() = 0;
    // A new random (version 4) UUID in its 36-character hyphenated form, upper-case as NSUUID
    // writes it.
    virtual std::string makeUUID() = 0;
};

} // namespace talvora
