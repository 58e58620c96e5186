#include "vmac/app_bundles.h"

#include "vmac/input_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

namespace talvora::vmac {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxInfoPlistBytes = 4 * 1024 * 1024;

bool writeWholeFile(const fs::path& path, std::string_view contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    return !out.fail();
}

bool isUsableBundleName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

bool isApplicationBundle(const fs::path& path)
{
    std::error_code error;
    return path.extension() == ".app" && fs::is_directory(path, error);
}

} // namespace


ImageRef genericApplicationIcon()
{
    // A grey rounded square with a white window outline: what the workspace shows for an
    // application that brings no icon. Drawn once; the same image for every caller.
    static const ImageRef icon = [] {
        constexpr int side = 64;
        constexpr double inset = 6, radius = 12;
        auto image = std::make_shared<Image>();
        image->width = side;
        image->height = side;
        image->pixels.assign(side * side, 0u);
        auto insideRoundedSquare = [&](double x, double y) {
            const double lo = inset, hi = side - inset;
            if (x < lo || x >= hi || y < lo || y >= hi)
                return false;
            const double cx = std::clamp(x, lo + radius, hi - radius), cy = std::clamp(y, lo + radius, hi - radius);
            return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
        };
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                if (!insideRoundedSquare(x + 0.5, y + 0.5))
                    continue;
                // Lighter at the top, as the system's placeholder is.
                const auto shade = static_cast<std::uint32_t>(0xB4 - (y - inset) * 0x30 / (side - 2 * inset));
                std::uint32_t pixel = 0xFF000000u | (shade << 16) | (shade << 8) | (shade + 4);
                const bool windowFrame = x >= 18 && x < 46 && y >= 20 && y < 44
                    && (x < 20 || x >= 44 || y < 26 || y >= 42);
                if (windowFrame)
                    pixel = 0xFFFFFFFFu;
                image->pixels[static_cast<std::size_t>(y * side + x)] = pixel;
            }
        }
        return ImageRef(std::move(image));
    }();
    return icon;
}

AppBundles::AppBundles(std::string folder)
    : m_folder(std::move(folder))
{
    while (m_folder.size() > 1 && m_folder.back() == '/')
        m_folder.pop_back();
}

std::string AppBundles::resolve(const std::string& path) const
{
    static constexpr std::string_view kMacFolder = "/Applications";
    if (m_folder == kMacFolder || !path.starts_with(kMacFolder))
        return path;
    if (path.size() == kMacFolder.size() || path[kMacFolder.size()] == '/')
        return m_folder + path.substr(kMacFolder.size());
    return path;
}

std::string AppBundles::key(const std::string& path) const
{
    std::string normal = fs::path(resolve(path)).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

std::optional<std::string> AppBundles::install(const AppBundleSpec& spec)
{
    if (!isUsableBundleName(spec.name) || spec.bundleIdentifier.empty())
        return std::nullopt;
    PlistDictionary info {
        { "CFBundleDevelopmentRegion", { std::string("en") } },
        { "CFBundleExecutable", { spec.name } },
        { "CFBundleIconFile", { std::string("AppIcon") } },
        { "CFBundleIdentifier", { spec.bundleIdentifier } },
        { "CFBundleInfoDictionaryVersion", { std::string("6.0") } },
        { "CFBundleName", { spec.name } },
        { "CFBundlePackageType", { std::string("APPL") } },
        { "CFBundleShortVersionString", { std::string("1.0") } },
        { "CFBundleVersion", { std::string("1") } },
    };
    if (spec.displayName)
        info.insert_or_assign("CFBundleDisplayName", PlistValue { *spec.displayName });
    auto xml = writePlist(PlistValue { std::move(info) });
    if (!xml)
        return std::nullopt;

    const fs::path bundle = fs::path(m_folder) / (spec.name + ".app");
    const fs::path contents = bundle / "Contents";
    std::error_code error;
    fs::remove_all(bundle, error);
    if (error)
        return std::nullopt;
    fs::create_directories(contents / "MacOS", error);
    if (error)
        return std::nullopt;
    if (!writeWholeFile(contents / "Info.plist", *xml) || !writeWholeFile(contents / "PkgInfo", "APPL????"))
        return std::nullopt;

    const std::string path = bundle.string();
    if (spec.icon)
        m_icons.insert_or_assign(key(path), spec.icon);
    else
        m_icons.erase(key(path));
    return path;
}

std::optional<std::string> AppBundles::pathForBundleIdentifier(const std::string& bundleIdentifier) const
{
    std::vector<fs::path> bundles;
    std::error_code error;
    // Linked folders are not followed (no loops); a bundle may be a link itself.
    fs::recursive_directory_iterator it(m_folder, fs::directory_options::skip_permission_denied, error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() == ".app") {
            it.disable_recursion_pending();
            if (isApplicationBundle(path))
                bundles.push_back(path);
        } else if (it.depth() >= 3) {
            it.disable_recursion_pending();
        }
    }
    // The directory's order is the file system's; a fixed one makes the answer repeatable.
    std::sort(bundles.begin(), bundles.end());
    for (const auto& bundle : bundles) {
        auto info = readInfoPlist((bundle / "Contents" / "Info.plist").string());
        if (!info)
            continue;
        auto id = info->find("CFBundleIdentifier");
        if (id == info->end())
            continue;
        auto* text = std::get_if<std::string>(&id->second.value);
        if (text && *text == bundleIdentifier)
            return bundle.string();
    }
    return std::nullopt;
}

std::optional<std::map<std::string, Value>> AppBundles::infoDictionary(const std::string& bundlePath) const
{
    const fs::path bundle = resolve(bundlePath);
    std::error_code error;
    if (!fs::is_directory(bundle, error))
        return std::nullopt;
    std::map<std::string, Value> result;
    if (auto info = readInfoPlist((bundle / "Contents" / "Info.plist").string())) {
        for (const auto& [name, value] : *info)
            result.emplace(name, value.scalar());
    }
    return result;
}

ImageRef AppBundles::iconForFile(const std::string& path) const
{
    const std::string bundle = key(path);
    if (!isApplicationBundle(bundle))
        return nullptr;
    auto it = m_icons.find(bundle);
    return it != m_icons.end() ? it->second : genericApplicationIcon();
}

std::optional<PlistDictionary> AppBundles::readInfoPlist(const std::string& path)
{
    // Checked on the open file itself, so that a FIFO swapped in after a look at the path
    // cannot block the caller.
    auto file = readInputFile(path, kMaxInfoPlistBytes);
    if (!file.text)
        return std::nullopt;
    auto plist = parsePlist(*file.text);
    if (!plist)
        return std::nullopt;
    auto* dictionary = std::get_if<PlistDictionary>(&plist->value);
    if (!dictionary)
        return std::nullopt;
    return std::move(*dictionary);
}

} // namespace talvora::vmac
