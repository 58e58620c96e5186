#pragma once

#include "platform/app_windows.h"
#include "platform/clock.h"
#include "platform/event_tap.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/notification_center.h"
#include "platform/pointer.h"
#include "platform/preferences_store.h"
#include "platform/run_loop.h"
#include "platform/screens.h"
#include "platform/system_log.h"
#include "platform/window_list.h"
#include "platform/workspace.h"

namespace talvora {

// Everything the system asks of the operating system, handed to it by the composition root.
// The services outlive every object that is given this bundle.
struct Platform {
    WindowServer& windowServer;
    Screens& screens;
    Workspace& workspace;
    ProcessInfo& processInfo;
    Clock& clock;
    RunLoop& mainQueue;
    PreferencesStore& preferences;
    NotificationCenter& notifications; // the application's default centre
    NotificationCenter& workspaceNotifications; // NSWorkspace's centre (Space changes)
    Files& files;
    SystemLog& systemLog;
    EventMonitors& eventMonitors;
    Accessibility& accessibility;
    Pointer& pointer;
    AppWindows& appWindows;
    EventTaps& eventTaps;
    NotificationCenter& distributedNotifications; // NSDistributedNotificationCenter
};

} // namespace talvora
