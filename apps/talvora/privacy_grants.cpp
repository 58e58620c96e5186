#include "privacy_grants.h"

#include "app_state.h"
#include "vmac/input_file.h"

#include <nlohmann/json.hpp>

#include <filesystem>

namespace talvora::app {

namespace {

constexpr std::size_t kMaxGrantsFileBytes = 4096;
constexpr const char* kScreenRecording = "screenRecording";
constexpr const char* kAccessibility = "accessibility";

} // namespace

std::string privacyGrantsFile(const vmac::HomeFolder& home)
{
    return home.library() + "/Application Support/com.apple.TCC/Talvora.json";
}

std::string applyStoredPrivacyGrants(const vmac::HomeFolder& home, vmac::Scenario& scenario)
{
    auto file = vmac::readInputFile(privacyGrantsFile(home), kMaxGrantsFileBytes);
    if (!file.text)
        return file.missing ? std::string() : file.error;
    const auto grants = nlohmann::json::parse(*file.text, nullptr, /*allow_exceptions=*/false);
    if (!grants.is_object() || !grants.value(kScreenRecording, nlohmann::json()).is_boolean()
        || !grants.value(kAccessibility, nlohmann::json()).is_boolean())
        return privacyGrantsFile(home) + " is not a privacy record; the scenario's permissions stand";
    scenario.desktop.screenRecordingGranted = grants[kScreenRecording].get<bool>();
    scenario.accessibilityTrusted = grants[kAccessibility].get<bool>();
    return {};
}

bool storePrivacyGrants(const vmac::HomeFolder& home, bool screenRecording, bool accessibility)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(privacyGrantsFile(home)).parent_path(), error);
    const nlohmann::json grants { { kScreenRecording, screenRecording }, { kAccessibility, accessibility } };
    return !error && writeFileAtomically(privacyGrantsFile(home), grants.dump() + "\n");
}

} // namespace talvora::app
