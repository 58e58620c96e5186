#pragma once

#include "platform/update_alert.h"

#include <vector>

namespace talvora::vmac {

// The update result window on the virtual Mac: it keeps what it was asked to show, in order.
class RecordedUpdateAlerts final : public UpdateAlertWindow {
public:
    const std::vector<UpdateAlert>& shown() const { return m_shown; }

    // UpdateAlertWindow:
    void showUpdateAlert(const UpdateAlert& alert) override { m_shown.push_back(alert); }

private:
    std::vector<UpdateAlert> m_shown;
};

} // namespace talvora::vmac
