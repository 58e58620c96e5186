#pragma once

#include "platform/window_list.h"

#include <cstdint>
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
};

class ProcessInfo {
public:
    virtual ~ProcessInfo() = default;
    virtual ProcessID processIdentifier() const = 0;
};

} // namespace talvora
