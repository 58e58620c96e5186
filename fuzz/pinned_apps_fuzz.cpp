// The pinned-apps data: any bytes decode or are refused whole; what decodes encodes and decodes
// again to the same list.

#include "settings/pinned_apps_store.h"

#include <cstdlib>

using namespace talvora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto apps = decodePinnedApps(PreferenceData(data, data + size));
    if (!apps)
        return 0;
    auto bytes = encodePinnedApps(*apps);
    if (!bytes)
        return 0; // an identifier that is not UTF-8 cannot be stored as JSON
    auto again = decodePinnedApps(*bytes);
    if (!again || again->size() != apps->size())
        std::abort();
    for (std::size_t i = 0; i < apps->size(); ++i) {
        if ((*again)[i].bundleID != (*apps)[i].bundleID || (*again)[i].customColor.has_value() != (*apps)[i].customColor.has_value())
            std::abort();
    }
    return 0;
}
