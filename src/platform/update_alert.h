#pragma once

#include <optional>
#include <string>

namespace talvora {

// What the update checker tells the person: a title, a sentence or two, and for a newer
// version the link to its release notes, which the window offers as a button that opens it in
// the browser.
struct UpdateAlert {
    std::string title;
    std::string message;
    std::optional<std::string> releaseNotesURL;

    friend bool operator==(const UpdateAlert&, const UpdateAlert&) = default;
};

// The window that shows the result of an update check: one at a time, in front; a new result
// replaces what the open window shows.
class UpdateAlertWindow {
public:
    virtual ~UpdateAlertWindow() = default;
    virtual void showUpdateAlert(const UpdateAlert& alert) = 0;
};

} // namespace talvora
