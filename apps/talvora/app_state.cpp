#include "app_state.h"

#include "privacy_windows.h"
#include "engine/icon_geometry.h"
#include "host/composition.h"
#include "qt/virtual_mac_window.h"
#include "vmac/spaces.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace talvora::app {

namespace {

using nlohmann::json;

const char* phaseName(vmac::MissionControlPhase phase)
{
    switch (phase) {
    case vmac::MissionControlPhase::Closed:
        return "closed";
    case vmac::MissionControlPhase::Opening:
        return "opening";
    case vmac::MissionControlPhase::Open:
        return "open";
    case vmac::MissionControlPhase::Closing:
        return "closing";
    }
    return "closed";
}

} // namespace

std::string appStateJson(host::Composition& app, const qt::VirtualMacWindow* window, const PrivacyWindows* privacyWindows)
{
    auto& mac = app.mac();
    const auto& desktop = mac.desktop();
    auto place = [&](Point global) {
        if (window) {
            const QPointF p = window->toWindow(global);
            return json::array({ std::lround(p.x()), std::lround(p.y()) });
        }
        return json::array({ global.x, global.y });
    };
    auto centre = [](const Rect& r) { return Point { r.x + r.width / 2, r.y + r.height / 2 }; };

    json state;
    state["missionControl"] = phaseName(mac.missionControlPhase());
    state["frontmostPID"] = desktop.frontmostPID ? json(*desktop.frontmostPID) : json(nullptr);
    state["terminated"] = app.application().isTerminated();
    json windows = json::array();
    for (const auto& w : desktop.windows)
        windows.push_back({ { "number", w.number }, { "pid", w.pid }, { "title", w.title.value_or("") }, { "minimized", w.minimized } });
    state["windows"] = windows;

    if (auto item = mac.ownStatusItemFrame(0))
        state["statusItem"] = place(centre(*item));
    else
        state["statusItem"] = nullptr;
    json menu = json::array();
    if (auto layout = mac.statusBar().openMenuLayout(); layout && mac.statusBar().item()) {
        const auto& items = mac.statusBar().item()->menu.items;
        for (std::size_t i = 0; i < items.size() && i < layout->rows.size(); ++i) {
            if (!items[i].isSeparator)
                menu.push_back({ { "title", items[i].title }, { "enabled", items[i].isEnabled }, { "at", place(centre(layout->rows[i])) } });
        }
    }
    state["menu"] = menu;

    json icons = json::array();
    if (app.app().contentView()) {
        auto& engine = app.engine();
        const auto settings = iconGeometrySettings(engine.settings());
        const auto displays = vmac::globalDisplayBounds(desktop);
        for (const auto& w : engine.activeWindows.value()) {
            std::optional<Rect> screen;
            for (std::size_t i = 0; i < desktop.displays.size(); ++i) {
                if (desktop.displays[i].number.value_or(0) == w.hostScreenID)
                    screen = displays[i];
            }
            if (!screen)
                continue;
            const IconPlacement icon = iconPlacement(w, settings.iconMaxSize, settings.iconYOffset);
            auto global = [&](Point local) { return Point { screen->x + local.x, screen->y + local.y }; };
            icons.push_back({ { "window", w.id }, { "icon", place(global(icon.center)) },
                { "close", place(global(buttonCenter(icon, ButtonHoverKind::Close, settings.buttonsOnBottom))) },
                { "minimize", place(global(buttonCenter(icon, ButtonHoverKind::Minimize, settings.buttonsOnBottom))) } });
        }
        const auto& hovered = engine.hoveredWindowID.value();
        state["hoveredWindow"] = hovered ? json(*hovered) : json(nullptr);
    }
    state["icons"] = icons;

    const auto& privacy = app.privacy();
    json permissions { { "accessibility", privacy.accessibilityAllowed() }, { "screenRecording", privacy.screenRecordingAllowed() },
        { "screenRecordingNeedsRelaunch", privacy.screenRecordingNeedsRelaunch() },
        { "screenCapturePrompts", privacy.screenCapturePromptCount() } };
    if (privacyWindows) {
        auto where = [](std::optional<QPoint> p) { return p ? json::array({ p->x(), p->y() }) : json(nullptr); };
        using Section = qt::PrivacyPaneWindow::Section;
        permissions["promptOpenButton"] = where(privacyWindows->promptOpenButton());
        permissions["paneShown"] = privacyWindows->isPaneShown();
        permissions["accessibilityToggle"] = where(privacyWindows->paneToggle(Section::Accessibility));
        permissions["screenRecordingToggle"] = where(privacyWindows->paneToggle(Section::ScreenRecording));
    }
    state["privacy"] = permissions;
    return state.dump(1);
}

bool writeFileAtomically(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << text << '\n';
        if (!out.flush())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

} // namespace talvora::app
