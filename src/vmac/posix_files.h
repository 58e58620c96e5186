#pragma once

#include "platform/files.h"
#include "vmac/home_folder.h"

namespace talvora::vmac {

// The file manager of the virtual Mac: real files on the real disk, with the virtual home's
// Library standing in for ~/Library. Holds no state beyond the home, so it may be used from
// any thread (the log writer uses it from its own).
class PosixFiles final : public Files {
public:
    explicit PosixFiles(HomeFolder home);

private:
    // Files:
    std::optional<std::string> userLibraryDirectory() override;
    bool createDirectory(const std::string& path, bool withIntermediateDirectories) override;
    bool fileExists(const std::string& path) override;
    bool createFile(const std::string& path) override;
    std::unique_ptr<FileHandle> openForWriting(const std::string& path) override;

    HomeFolder m_home;
};

} // namespace talvora::vmac
