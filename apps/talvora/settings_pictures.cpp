#include "settings_pictures.h"

#include "host/simulation.h"
#include "qt/qt_settings_scene.h"

#include <QString>

#include <cctype>
#include <cstdio>

namespace talvora::app {

SettingsPictures::SettingsPictures(host::Simulation& simulation, std::filesystem::path folder,
    std::function<void(const std::string&)> note)
    : m_scene(std::make_unique<qt::QtSettingsScene>(simulation.app().settingsSupport().services(),
          simulation.app().settingsSupport().applicationsFolder()))
    , m_folder(std::move(folder))
    , m_note(std::move(note))
{
    simulation.app().onOpenSettings = [this](const std::string& tab) { open(tab); };
    // The status menu's "Preferences…" opens the same window.
    simulation.app().shellServices().settingsScene = m_scene.get();
}

SettingsPictures::~SettingsPictures() = default;

void SettingsPictures::open(const std::string& tab)
{
    SettingsTab shown = SettingsTab::General;
    for (auto candidate : kSettingsTabs) {
        if (tabTitle(candidate) == tab)
            shown = candidate;
    }
    m_scene->openSettings(shown);
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    std::string name(tabTitle(shown));
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (int scale : { 1, 2 }) {
        const auto file = m_folder / (name + "@" + std::to_string(scale) + "x.png");
        if (!m_scene->window()->picture(shown, scale).save(QString::fromStdString(file.string()), "PNG")) {
            std::fprintf(stderr, "talvora: could not write %s\n", file.c_str());
            ++m_failures;
            continue;
        }
        m_note("wrote settings/" + file.filename().string());
    }
}

} // namespace talvora::app
