#pragma once

#include "platform/value.h"
#include "vmac/property_list.h"
#include "platform/workspace.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talvora::vmac {

// An application bundle to install: Name.app, with an Info.plist giving CFBundleIdentifier,
// CFBundleName (the name), CFBundleDisplayName (when given), CFBundleIconFile and the usual
// package keys.
struct AppBundleSpec {
    std::string name; // the folder's name without ".app"; no '/', not "." or ".."
    std::string bundleIdentifier;
    std::optional<std::string> displayName;
    ImageRef icon; // nothing: the bundle shows the generic application icon
};

// The generic application icon, as the workspace shows it for an application bundle without
// an icon of its own: the same image at every call.
ImageRef genericApplicationIcon();

// The applications folder of the virtual Mac: real bundle folders on the real disk
// (Name.app/Contents/Info.plist), found by scanning the folder as Launch Services would.
//
// The virtual Mac draws no icon files. The icon of a bundle installed through this object is
// kept in memory under the bundle's path; any other application bundle in a folder shows the
// generic application icon. The virtual Mac has one Applications folder, this one: a path
// under "/Applications/", as a scenario's running application names its bundle, means the
// same place under this folder.
//
// Never throws; a folder or file that cannot be read is treated as absent. Main thread only.
class AppBundles {
public:
    explicit AppBundles(std::string folder);

    const std::string& folder() const { return m_folder; }

    // Writes the bundle (replacing one of the same name) and remembers its icon. The bundle's
    // path, or nothing when the description is unusable or the disk refused.
    std::optional<std::string> install(const AppBundleSpec& spec);

    // URLForApplicationWithBundleIdentifier: the first bundle, in path order, whose Info.plist
    // names this identifier (compared exactly) as a string. Bundles may sit in subfolders
    // ("Utilities/Terminal.app"); bundles inside bundles and linked folders are not searched.
    std::optional<std::string> pathForBundleIdentifier(const std::string& bundleIdentifier) const;

    // NSBundle(url).infoDictionary: nothing when there is no folder at the path; an empty
    // dictionary for a folder whose Contents/Info.plist is missing or unreadable.
    std::optional<std::map<std::string, Value>> infoDictionary(const std::string& bundlePath) const;

    // iconForFile: for an application bundle that exists, the icon installed with it or else
    // the generic application icon; nothing for any other path.
    ImageRef iconForFile(const std::string& path) const;

    // The path a Mac path stands for on this disk: "/Applications/…" moves into the folder.
    std::string resolve(const std::string& path) const;

    // Reads an Info.plist file: nothing when it is missing, larger than 4 MiB, not a property
    // list or not a dictionary at its root.
    static std::optional<PlistDictionary> readInfoPlist(const std::string& path);

private:
    std::string key(const std::string& path) const;

    std::string m_folder;
    std::map<std::string, ImageRef> m_icons; // by normalized bundle path
};

} // namespace talvora::vmac
