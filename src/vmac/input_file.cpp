#include "vmac/input_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace talvora::vmac {

InputFile readInputFile(const std::string& path, std::size_t maxBytes)
{
    InputFile result;
    if (path.empty()) {
        result.error = "no file named";
        return result;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.missing = errno == ENOENT || errno == ENOTDIR;
        result.error = std::strerror(errno);
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.error = std::strerror(errno);
        ::close(fd);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = S_ISDIR(info.st_mode) ? "is a folder, not a file" : "is not a regular file";
        ::close(fd);
        return result;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        result.error = "is larger than " + std::to_string(maxBytes / 1024) + " KiB";
        ::close(fd);
        return result;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.error = std::strerror(errno);
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        // The file may grow while it is read.
        if (text.size() + static_cast<std::size_t>(n) > maxBytes) {
            result.error = "is larger than " + std::to_string(maxBytes / 1024) + " KiB";
            ::close(fd);
            return result;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    result.text = std::move(text);
    return result;
}

} // namespace talvora::vmac
