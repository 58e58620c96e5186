#include "vmac/applications_listing.h"

#include <algorithm>
#include <filesystem>

namespace talvora::vmac {

namespace fs = std::filesystem;

std::vector<std::string> listApplicationBundles(const std::string& folder)
{
    std::vector<std::string> bundles;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const auto& entry = *it;
        std::error_code typeError;
        if (entry.is_symlink(typeError) || !entry.is_directory(typeError))
            continue;
        if (entry.path().extension() == ".app") {
            bundles.push_back(entry.path().string());
            it.disable_recursion_pending();
        }
    }
    std::sort(bundles.begin(), bundles.end());
    return bundles;
}

} // namespace talvora::vmac
