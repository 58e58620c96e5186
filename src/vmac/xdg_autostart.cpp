#include "vmac/xdg_autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace talvora::vmac {

namespace fs = std::filesystem;

std::optional<std::string> xdgAutostartFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // XDG base-directory rules: a relative value is invalid and ignored.
    if (config && config[0] == '/')
        return std::string(config) + "/autostart";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config/autostart";
    return std::nullopt;
}

std::string desktopEntryExec(const std::vector<std::string>& arguments)
{
    static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string exec;
    for (const auto& argument : arguments) {
        if (!exec.empty())
            exec += ' ';
        const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
        std::string word;
        for (char c : argument) {
            if (c == '%') {
                word += "%%";
                continue;
            }
            if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
                word += '\\';
            word += c;
        }
        if (quote)
            word = '"' + word + '"';
        // The value is then a string of the key file format, where a backslash is escaped again.
        for (char c : word) {
            if (c == '\\')
                exec += "\\\\";
            else
                exec += c;
        }
    }
    return exec;
}

XdgAutostartEntry::XdgAutostartEntry(std::string folder, std::string fileName, std::string applicationName)
    : m_folder(std::move(folder))
    , m_fileName(std::move(fileName))
    , m_applicationName(std::move(applicationName))
{
}

std::optional<XdgAutostartEntry::Contents> XdgAutostartEntry::read() const
{
    std::ifstream in(path());
    if (!in)
        return std::nullopt;
    Contents contents;
    bool inEntry = false;
    bool sawEntry = false;
    bool sawExec = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            sawEntry = sawEntry || inEntry;
            continue;
        }
        if (!inEntry)
            continue;
        auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "Exec") {
            contents.exec = value;
            sawExec = true;
        } else if (key == "Hidden") {
            contents.hidden = value == "true";
        }
    }
    if (!sawEntry || !sawExec)
        return std::nullopt;
    return contents;
}

std::optional<std::string> XdgAutostartEntry::write(const std::vector<std::string>& arguments, bool hidden) const
{
    std::error_code error;
    fs::create_directories(m_folder, error);
    if (error)
        return "cannot create " + m_folder + ": " + error.message();

    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=" << m_applicationName << "\n"
         << "Exec=" << desktopEntryExec(arguments) << "\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=" << (hidden ? "false" : "true") << "\n";
    if (hidden)
        text << "Hidden=true\n";
    const std::string bytes = text.str();

    // Written beside the entry and renamed over it, so the session never reads half a file.
    std::string temporary = path() + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return "cannot write in " + m_folder + ": " + std::strerror(errno);
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    const bool complete = written == bytes.size() && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), path().c_str()) != 0) {
        const std::string reason = std::strerror(complete ? errno : savedErrno);
        ::unlink(temporary.c_str());
        return "cannot write " + path() + ": " + reason;
    }
    // The rename itself is on disk only once the folder is.
    int folder = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return std::nullopt;
}

std::optional<std::string> XdgAutostartEntry::remove() const
{
    if (::unlink(path().c_str()) != 0 && errno != ENOENT)
        return "cannot remove " + path() + ": " + std::strerror(errno);
    return std::nullopt;
}

} // namespace talvora::vmac
