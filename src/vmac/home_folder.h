#pragma once

#include <string>

namespace talvora::vmac {

// The preferences domain of the application on the virtual Mac.
inline constexpr const char* kTalvoraDomain = "app.talvora.Talvora";

// The virtual Mac's home folder on the real disk: it holds Library/Preferences,
// Library/Logs and Applications, as a Mac home does.
struct HomeFolder {
    std::string root;

    std::string library() const { return root + "/Library"; }
    std::string preferencesFolder() const { return library() + "/Preferences"; }
    // One JSON file per domain, named after it.
    std::string preferencesFile(const std::string& domain = kTalvoraDomain) const
    {
        return preferencesFolder() + "/" + domain + ".json";
    }
    std::string applications() const { return root + "/Applications"; }
};

// The home used when none is given: $XDG_DATA_HOME/talvora/home, else
// ~/.local/share/talvora/home. Only the virtual-Mac host and its tools read these variables.
HomeFolder defaultHomeFolder();

} // namespace talvora::vmac
