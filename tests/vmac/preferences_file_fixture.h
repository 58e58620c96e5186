#pragma once

#include "support/run_tool.h"
#include "support/temp_home.h"
#include "vmac/file_preferences_store.h"
#include "vmac/home_folder.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_run_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace talvora::test_support {

// How many records of the log mention `fragment`.
inline int countMentions(const vmac::RecordingSystemLog& log, const std::string& fragment)
{
    int n = 0;
    for (const auto& r : log.records())
        n += r.message.find(fragment) != std::string::npos;
    return n;
}

inline std::string readText(const std::string& path) { return readFile(path).value_or(""); }

// A temporary home whose preferences domain the test opens as often as it likes, each store
// standing for one process, on one virtual clock and main queue; and the talvora-defaults tool,
// a real process, on the same home.
class PreferencesFileFixture : public ::testing::Test {
protected:
    std::unique_ptr<vmac::FilePreferencesStore> open()
    {
        return std::make_unique<vmac::FilePreferencesStore>(path(), clock, queue, log);
    }
    std::string path() const { return home.preferencesFile(); }
    nlohmann::json fileJson() const { return nlohmann::json::parse(readText(path())); }
    // Paths of the files beside the domain whose names hold `fragment`, in name order: ".tmp-"
    // for what a writer made and did not clean up, ".corrupt-" for what a write moved aside.
    std::vector<std::string> filesNamed(const std::string& fragment) const
    {
        std::vector<std::string> paths;
        for (const auto& entry : std::filesystem::directory_iterator(home.preferencesFolder())) {
            if (entry.path().filename().string().find(fragment) != std::string::npos)
                paths.push_back(entry.path().string());
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    ToolResult tool(std::vector<std::string> args)
    {
        args.insert(args.begin(), { TALVORA_DEFAULTS_TOOL, "--home", home.root });
        return runTool(std::move(args), home.root);
    }

    static PreferencesStore& api(vmac::FilePreferencesStore& store) { return store; }

    TempHome temp;
    const vmac::HomeFolder& home = temp.home;
    vmac::VirtualClock clock;
    vmac::VirtualRunLoop queue { clock };
    vmac::RecordingSystemLog log;
};

} // namespace talvora::test_support
