#include "vmac/posix_files.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace talvora::vmac {

namespace {

class PosixFileHandle final : public FileHandle {
public:
    explicit PosixFileHandle(int fd)
        : m_fd(fd)
    {
    }
    ~PosixFileHandle() override { ::close(m_fd); }
    PosixFileHandle(const PosixFileHandle&) = delete;
    PosixFileHandle& operator=(const PosixFileHandle&) = delete;

private:
    // FileHandle:
    bool write(std::string_view bytes) override
    {
        // A regular file can still take a short write (a full disk, a signal mid-way), so keep
        // going until everything is down or the kernel reports a real error; then cut off what
        // did get written, so that the file never ends in part of a line.
        const off_t start = ::lseek(m_fd, 0, SEEK_CUR);
        while (!bytes.empty()) {
            ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = errno;
                if (start >= 0 && ::ftruncate(m_fd, start) == 0)
                    ::lseek(m_fd, start, SEEK_SET);
                errno = error;
                return false;
            }
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }

    int m_fd;
};

} // namespace

PosixFiles::PosixFiles(HomeFolder home)
    : m_home(std::move(home))
{
}

std::optional<std::string> PosixFiles::userLibraryDirectory()
{
    // Like the real lookup, the answer does not depend on the folder being there yet.
    return m_home.library();
}

bool PosixFiles::createDirectory(const std::string& path, bool withIntermediateDirectories)
{
    std::error_code ec;
    if (withIntermediateDirectories) {
        // An existing directory is success, as with NSFileManager; anything else in the way
        // (a regular file as the folder or one of its parents) is a failure.
        std::filesystem::create_directories(path, ec);
        return !ec && std::filesystem::is_directory(path, ec);
    }
    // Without intermediates, NSFileManager refuses a path that already exists.
    bool created = std::filesystem::create_directory(path, ec);
    return created && !ec;
}

bool PosixFiles::fileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec) && !ec;
}

bool PosixFiles::createFile(const std::string& path)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    return ::close(fd) == 0 || errno == EINTR;
}

std::unique_ptr<FileHandle> PosixFiles::openForWriting(const std::string& path)
{
    // No O_CREAT and no O_TRUNC: NSFileHandle fileHandleForWritingAtPath: needs the file to
    // exist and leaves its contents alone, writing from offset 0.
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr;
    return std::make_unique<PosixFileHandle>(fd);
}

} // namespace talvora::vmac
