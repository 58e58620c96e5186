#include "vmac/home_folder.h"

#include <cstdlib>

namespace talvora::vmac {

HomeFolder defaultHomeFolder()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return { std::string(xdg) + "/talvora/home" };
    const char* home = std::getenv("HOME");
    return { std::string(home && *home ? home : ".") + "/.local/share/talvora/home" };
}

} // namespace talvora::vmac
