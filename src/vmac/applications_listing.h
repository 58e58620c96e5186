#pragma once

#include <string>
#include <vector>

namespace talvora::vmac {

// The application bundles under a folder, as an open panel restricted to applications shows
// them: every "*.app" folder, also in plain subfolders ("Utilities/Terminal.app"), but never
// what is inside a bundle; linked folders are not followed. Sorted by path. An unreadable
// folder lists nothing.
std::vector<std::string> listApplicationBundles(const std::string& folder);

} // namespace talvora::vmac
