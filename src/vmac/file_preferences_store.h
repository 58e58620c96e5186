#pragma once

#include "platform/clock.h"
#include "platform/preferences_store.h"
#include "platform/run_loop.h"
#include "platform/system_log.h"
#include "vmac/preferences_file_format.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct stat;

namespace talvora::vmac {

// The preferences domain of the virtual Mac: one JSON file that several processes (the
// application, the defaults tool, tests standing in for either) read and write at once.
//
// Reads come from an in-memory copy that is refreshed from the file when it has changed on
// disk, looked at no more than every quarter second of media time. Writes are merges under an
// advisory lock: the file is read afresh, the one change is applied and the result replaces
// the file atomically, so neither a crash nor another writer can leave it half-written or lose
// keys. A file that cannot be parsed reads as empty and is moved aside, not overwritten.
class FilePreferencesStore final : public PreferencesStore {
public:
    FilePreferencesStore(std::string filePath, Clock& clock, RunLoop& mainQueue, SystemLog& log);
    ~FilePreferencesStore() override;

    FilePreferencesStore(const FilePreferencesStore&) = delete;
    FilePreferencesStore& operator=(const FilePreferencesStore&) = delete;

    // Looks at the file now, whatever the time since the last look.
    void synchronize();
    // Every value of the domain (after the same time-based look as a read).
    PreferenceDomain dictionaryRepresentation();
    const std::string& filePath() const { return m_filePath; }
    // False when the last set or remove could not reach the disk (the change was still made
    // in memory and logged).
    bool lastWriteSucceeded() const { return m_lastWriteSucceeded; }
    // Why the file as last read gave no values (it could not be parsed or read), or nothing
    // when it was fine or absent.
    const std::optional<std::string>& unusableReason() const { return m_unusableReason; }

private:
    // What identifies one version of the file without reading it.
    struct FileStamp {
        bool exists = false;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t size = 0;
        std::uint64_t inode = 0;
        std::uint64_t device = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };

    // The file as read from disk in one go.
    struct DiskContents {
        enum class Status { Missing, Parsed, Corrupt, Unreadable };
        Status status = Status::Missing;
        FileStamp stamp;
        nlohmann::json object = nlohmann::json::object(); // when Parsed
        std::string text; // when Parsed: the bytes, so that a rewrite keeps what it does not change
        std::string error; // when Corrupt or Unreadable
    };

    struct ObserverSlot {
        std::function<void()> handler;
    };
    class ObserverRegistration;

    // PreferencesStore:
    std::optional<PreferenceValue> object(const std::string& key) override;
    void set(const std::string& key, PreferenceValue value) override;
    void remove(const std::string& key) override;
    ObserverTokenPtr addChangeObserver(std::function<void()> handler) override;

    void checkIfDue();
    void checkFile();
    static FileStamp stampOf(const struct ::stat& info);
    std::optional<FileStamp> currentStamp(int& error) const;
    DiskContents readFile() const;
    // Takes in what was read; true when the in-memory domain changed.
    bool adopt(DiskContents contents);
    void reportUnusable(const DiskContents& contents);

    // Applies one change (a value, or nothing to remove the key) to the file and to memory.
    void write(const std::string& key, std::optional<PreferenceValue> value);
    bool writeLocked(const std::string& key, const std::optional<PreferenceValue>& value, DiskContents& base, FileStamp& written,
                     std::string& failure);
    bool moveCorruptFileAside(std::string& failure);
    // Temporary files that a writer killed mid-write left behind; called with the lock held,
    // when no live writer can own one.
    void removeStaleTemporaryFiles();
    bool replaceFile(const std::string& text, FileStamp& written, std::string& failure);
    std::string corruptFileName() const;

    void notifyObservers();

    std::string m_filePath;
    Clock& m_clock;
    RunLoop& m_mainQueue;
    SystemLog& m_log;

    PreferenceDomain m_values;
    std::optional<FileStamp> m_stamp; // of the version m_values came from
    double m_lastCheck = 0;
    bool m_lastWriteSucceeded = true;
    std::optional<std::string> m_unusableReason;

    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::vector<std::weak_ptr<ObserverSlot>> m_observers;
};

} // namespace talvora::vmac
