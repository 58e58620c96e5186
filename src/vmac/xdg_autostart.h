#pragma once

#include <optional>
#include <string>
#include <vector>

namespace talvora::vmac {

// The autostart folder of the desktop session: $XDG_CONFIG_HOME/autostart, else
// ~/.config/autostart. Only the host reads these variables.
std::optional<std::string> xdgAutostartFolder();

// An Exec= value that runs exactly these arguments: each one that needs it is quoted and
// escaped as desktop entries require, and '%' is doubled so it is not read as a field code.
std::string desktopEntryExec(const std::vector<std::string>& arguments);

// One application's entry in an XDG autostart folder (a .desktop file). It is replaced
// atomically: a reader sees the old entry or the new one, never a part of either.
class XdgAutostartEntry {
public:
    struct Contents {
        std::string exec; // the Exec= value as written
        bool hidden = false; // Hidden=true: present, but the session does not start it
    };

    XdgAutostartEntry(std::string folder, std::string fileName, std::string applicationName);

    std::string path() const { return m_folder + "/" + m_fileName; }

    // Nothing when there is no entry or it cannot be read as one.
    std::optional<Contents> read() const;
    // Nothing on success, else why the entry could not be written (the old one, if any, stays).
    std::optional<std::string> write(const std::vector<std::string>& arguments, bool hidden) const;
    // Nothing on success, including when there was no entry.
    std::optional<std::string> remove() const;

private:
    std::string m_folder;
    std::string m_fileName;
    std::string m_applicationName;
};

} // namespace talvora::vmac
