#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace talvora {

class FileHandle {
public:
    virtual ~FileHandle() = default;
    // Writes at the current position; false when the bytes could not all be written, and then
    // the file is as it was before the call (a full disk never leaves half of the bytes).
    virtual bool write(std::string_view bytes) = 0;
};

// NSFileManager and NSFileHandle, as far as the system needs them. Paths are absolute.
class Files {
public:
    virtual ~Files() = default;
    // The first user-domain Library directory (~/Library), when there is one.
    virtual std::optional<std::string> userLibraryDirectory() = 0;
    virtual bool createDirectory(const std::string& path, bool withIntermediateDirectories) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    // Creates the file with no contents, replacing an existing one.
    virtual bool createFile(const std::string& path) = 0;
    // Opens an existing file for writing at its start; nothing when that fails.
    virtual std::unique_ptr<FileHandle> openForWriting(const std::string& path) = 0;
};

} // namespace talvora
