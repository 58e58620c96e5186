#pragma once

#include "vmac/home_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace talvora::test_support {

// A fresh, empty virtual home under the temporary directory, removed again with the object.
struct TempHome {
    vmac::HomeFolder home;

    TempHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "talvora-home-XXXXXX").string();
        home.root = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempHome()
    {
        std::error_code ec;
        if (!home.root.empty())
            std::filesystem::remove_all(home.root, ec);
    }
    std::string logsFolder() const { return home.library() + "/Logs/Talvora"; }
    std::string debugFile() const { return logsFolder() + "/debug.txt"; }
};

inline std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::optional(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
}

inline void writeFile(const std::string& path, const std::string& contents)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

} // namespace talvora::test_support
