#pragma once

#include <optional>
#include <string>

namespace talvora {

// SMAppService.Status of the application's own login item, with the platform's raw values.
enum class LoginItemStatus : int {
    NotRegistered = 0,
    Enabled = 1,
    RequiresApproval = 2, // registered, but the person has not yet allowed it to run at login
    NotFound = 3, // the service cannot find the application where it could register it
};

// The login-item service for this application (SMAppService.mainAppService).
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    virtual LoginItemStatus status() = 0;
    // registerAndReturnError: / unregisterAndReturnError: nothing on success, else the reason.
    virtual std::optional<std::string> registerApp() = 0;
    virtual std::optional<std::string> unregisterApp() = 0;
};

} // namespace talvora
