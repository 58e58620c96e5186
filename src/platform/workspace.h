#pragma once

#include "platform/value.h"
#include "platform/window_list.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talvora {

// An application icon as pixels: premultiplied ARGB, row-major. Compared by identity where the
// system cares whether two icons are the same image.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
using ImageRef = std::shared_ptr<const Image>;

enum class ActivationPolicy : int {
    Regular = 0,
    Accessory = 1,
    Prohibited = 2,
};

// NSRunningApplication: a live handle. Its answers follow the process (hidden, terminated)
// for as long as the handle is held, as the real object's properties do.
class RunningApplication {
public:
    virtual ~RunningApplication() = default;
    virtual ProcessID processIdentifier() const = 0;
    virtual std::optional<std::string> bundleIdentifier() const = 0;
    virtual std::optional<std::string> localizedName() const = 0;
    virtual ActivationPolicy activationPolicy() const = 0;
    virtual bool isHidden() const = 0;
    virtual bool isTerminated() const = 0;
    virtual ImageRef icon() const = 0;
    // Path of the application bundle on disk (bundleURL), when known.
    virtual std::optional<std::string> bundlePath() const = 0;
};
using RunningApplicationRef = std::shared_ptr<const RunningApplication>;

// Posted on the workspace's notification centre when the active Space of any display changes.
inline constexpr const char* kActiveSpaceDidChangeNotification = "NSWorkspaceActiveSpaceDidChangeNotification";

class Workspace {
public:
    virtual ~Workspace() = default;
    // NSRunningApplication runningApplicationWithProcessIdentifier:
    virtual RunningApplicationRef runningApplication(ProcessID pid) = 0;
    virtual std::vector<RunningApplicationRef> runningApplications(const std::string& bundleIdentifier) = 0;
    // NSWorkspace.frontmostApplication
    virtual RunningApplicationRef frontmostApplication() = 0;
    // NSWorkspace iconForFile:
    virtual ImageRef iconForFile(const std::string& path) = 0;
    // NSWorkspace URLForApplicationWithBundleIdentifier: the path of the installed application
    // bundle with this identifier; nothing when no such application is installed.
    virtual std::optional<std::string> applicationPath(const std::string& bundleIdentifier) = 0;
    // NSBundle(url).infoDictionary for the bundle at this path: its Info.plist's top-level keys;
    // nothing when no bundle can be opened there. A value that Value cannot carry (an array, a
    // dictionary) is present under its key as an absent Value, so it reads as no string.
    virtual std::optional<std::map<std::string, Value>> bundleInfoDictionary(const std::string& bundlePath) = 0;
};

class ProcessInfo {
public:
    virtual ~ProcessInfo() = default;
    virtual ProcessID processIdentifier() const = 0;
};

} // namespace talvora
