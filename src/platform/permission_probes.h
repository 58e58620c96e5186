#pragma once

namespace talvora {

// How the settings window learns whether the two system permissions are granted. Neither call
// asks the person for anything.
class PermissionProbes {
public:
    virtual ~PermissionProbes() = default;
    // CGPreflightScreenCaptureAccess.
    virtual bool preflightScreenCaptureAccess() = 0;
    // Whether a session event tap for key-down events can be created, which needs Accessibility;
    // a tap that could be created is torn down again at once.
    virtual bool canCreateEventTap() = 0;
};

} // namespace talvora
