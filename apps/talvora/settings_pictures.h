#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace talvora::host {
class Simulation;
}
namespace talvora::qt {
class QtSettingsScene;
}

namespace talvora::app {

// The settings window of a headless run: the scenario's openSettings action opens it on a tab,
// and each time a picture of that tab is written at one and two pixels per point
// (settings/<tab>@1x.png, @2x.png). `note` reports each file written.
class SettingsPictures {
public:
    SettingsPictures(host::Simulation& simulation, std::filesystem::path folder, std::function<void(const std::string&)> note);
    ~SettingsPictures();

    int failures() const { return m_failures; }

private:
    void open(const std::string& tab);

    std::unique_ptr<qt::QtSettingsScene> m_scene;
    std::filesystem::path m_folder;
    std::function<void(const std::string&)> m_note;
    int m_failures = 0;
};

} // namespace talvora::app
