#pragma once

#include "app/update_check_result.h"
#include "platform/clock.h"
#include "platform/http_client.h"
#include "platform/preferences_store.h"
#include "platform/run_loop.h"
#include "platform/system_info.h"
#include "platform/update_alert.h"
#include "platform/updater.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace talvora {

// Where releases are announced: the appcast's URL. Absent means update checks are off.
struct UpdateFeed {
    std::string url;
    double timeoutSeconds = 30;
};

// The update controller: it reads the feed, compares the newest release with the running
// version and tells the person. Asked ("Check for Updates…"), it always shows the result, a
// failure included. Started, it also checks on its own at most once a day (the time of the last
// check is kept in the preferences, so restarting does not check again) and speaks only when a
// newer version exists. It never downloads, installs or runs anything. Main thread only.
class UpdateChecker final : public Updater {
public:
    struct Services {
        PreferencesStore& preferences;
        Clock& clock;
        RunLoop& mainQueue;
        HttpClient& http;
        SystemInfo& system;
        UpdateAlertWindow& window;
    };
    static constexpr double kCheckIntervalSeconds = 24 * 60 * 60;

    UpdateChecker(Services services, std::optional<UpdateFeed> feed);
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // Updater:
    void start() override;
    void checkForUpdates() override;

    bool isChecking() const { return m_checking; }
    // Called with every finished check's result, after the window was told (if it was).
    std::function<void(const UpdateCheckResult&)> onCheckFinished;

private:
    void check(bool userInitiated);
    void finish(const HttpResult& answer);
    void scheduleAutomaticCheck(double afterSeconds);
    AppVersion runningVersion();

    Services m_services;
    std::optional<UpdateFeed> m_feed;
    bool m_started = false;
    bool m_checking = false;
    bool m_showResult = false; // the check in flight was asked for by the person
    int m_scheduleGeneration = 0; // a newer schedule makes older pending timers do nothing
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace talvora
