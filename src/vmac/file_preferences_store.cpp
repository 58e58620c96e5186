#include "vmac/file_preferences_store.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace talvora::vmac {

namespace {

// A read refreshes the in-memory copy at most this often: often enough that another process's
// write shows within a second, seldom enough that reading a setting in a tight loop costs no
// system call.
constexpr double kCheckInterval = 0.25;
constexpr const char* kLogCategory = "Preferences";

std::string errorText(int error)
{
    return std::strerror(error);
}

std::string parentFolder(const std::string& path)
{
    auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    // Closes now, reporting the result: a failed close can be the first sign of lost data.
    bool close()
    {
        int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const std::string& text)
{
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until the end or until more than `limit` bytes are in.
bool readAll(int fd, std::string& out, std::size_t limit)
{
    char buffer[16384];
    while (out.size() <= limit) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

class FilePreferencesStore::ObserverRegistration final : public ObserverToken {
public:
    explicit ObserverRegistration(std::shared_ptr<ObserverSlot> slot)
        : m_slot(std::move(slot))
    {
    }

private:
    std::shared_ptr<ObserverSlot> m_slot;
};

FilePreferencesStore::FilePreferencesStore(std::string filePath, Clock& clock, RunLoop& mainQueue, SystemLog& log)
    : m_filePath(std::move(filePath))
    , m_clock(clock)
    , m_mainQueue(mainQueue)
    , m_log(log)
{
    m_lastCheck = m_clock.mediaTime();
    adopt(readFile());
}

FilePreferencesStore::~FilePreferencesStore() = default;

std::optional<PreferenceValue> FilePreferencesStore::object(const std::string& key)
{
    checkIfDue();
    auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

PreferenceDomain FilePreferencesStore::dictionaryRepresentation()
{
    checkIfDue();
    return m_values;
}

void FilePreferencesStore::set(const std::string& key, PreferenceValue value)
{
    write(key, std::move(value));
}

void FilePreferencesStore::remove(const std::string& key)
{
    write(key, std::nullopt);
}

ObserverTokenPtr FilePreferencesStore::addChangeObserver(std::function<void()> handler)
{
    auto slot = std::make_shared<ObserverSlot>(ObserverSlot { std::move(handler) });
    m_observers.push_back(slot);
    return std::make_unique<ObserverRegistration>(std::move(slot));
}

void FilePreferencesStore::synchronize()
{
    checkFile();
}

void FilePreferencesStore::checkIfDue()
{
    if (m_clock.mediaTime() - m_lastCheck >= kCheckInterval)
        checkFile();
}

void FilePreferencesStore::checkFile()
{
    m_lastCheck = m_clock.mediaTime();
    int error = 0;
    auto stamp = currentStamp(error);
    // When the file cannot even be looked at (its folder became unreadable), the last known
    // values are a better answer than none.
    if (!stamp || stamp == m_stamp)
        return;
    if (adopt(readFile()))
        notifyObservers();
}

std::optional<FilePreferencesStore::FileStamp> FilePreferencesStore::currentStamp(int& error) const
{
    struct stat info {};
    if (::stat(m_filePath.c_str(), &info) != 0) {
        error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return FileStamp {};
        return std::nullopt;
    }
    return stampOf(info);
}

FilePreferencesStore::FileStamp FilePreferencesStore::stampOf(const struct ::stat& info)
{
    return FileStamp {
        true,
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
        static_cast<std::int64_t>(info.st_size),
        static_cast<std::uint64_t>(info.st_ino),
        static_cast<std::uint64_t>(info.st_dev),
    };
}

FilePreferencesStore::DiskContents FilePreferencesStore::readFile() const
{
    DiskContents contents;
    // The stamp comes from the open descriptor, not the path, so that it describes exactly the
    // bytes read even when another process renames a new version into place meanwhile.
    // Without blocking: a FIFO put where the file belongs must not stop the program.
    FileDescriptor fd(::open(m_filePath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return contents;
        contents.status = DiskContents::Status::Unreadable;
        contents.error = errorText(error);
        if (auto stamp = currentStamp(error))
            contents.stamp = *stamp;
        return contents;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        contents.status = DiskContents::Status::Unreadable;
        contents.error = errorText(errno);
        return contents;
    }
    contents.stamp = stampOf(info);
    if (!S_ISREG(info.st_mode)) {
        // Not ours to replace either: something else was put there on purpose.
        contents.status = DiskContents::Status::Unreadable;
        contents.error = "not a regular file";
        return contents;
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxPreferencesFileBytes) {
        contents.status = DiskContents::Status::Corrupt;
        contents.error = "larger than " + std::to_string(kMaxPreferencesFileBytes >> 20) + " MiB";
        return contents;
    }
    std::string text;
    if (!readAll(fd.get(), text, kMaxPreferencesFileBytes + 1)) {
        contents.status = DiskContents::Status::Unreadable;
        contents.error = errorText(errno);
        return contents;
    }
    if (text.size() > kMaxPreferencesFileBytes) {
        contents.status = DiskContents::Status::Corrupt;
        contents.error = "larger than " + std::to_string(kMaxPreferencesFileBytes >> 20) + " MiB";
        return contents;
    }
    if (auto parsed = parsePreferencesText(text, contents.error)) {
        contents.status = DiskContents::Status::Parsed;
        contents.object = std::move(*parsed);
        contents.text = std::move(text);
    } else {
        contents.status = DiskContents::Status::Corrupt;
    }
    return contents;
}

bool FilePreferencesStore::adopt(DiskContents contents)
{
    m_stamp = contents.stamp;
    m_unusableReason.reset();
    if (contents.status == DiskContents::Status::Corrupt || contents.status == DiskContents::Status::Unreadable)
        m_unusableReason = contents.error;
    PreferenceDomain values;
    switch (contents.status) {
    case DiskContents::Status::Missing:
        break;
    case DiskContents::Status::Parsed:
        values = decodeDomain(contents.object);
        break;
    case DiskContents::Status::Corrupt:
        // Every reader falls back to its default; the bytes stay on disk until the next write
        // moves them aside.
        reportUnusable(contents);
        break;
    case DiskContents::Status::Unreadable:
        reportUnusable(contents);
        return false;
    }
    if (values == m_values)
        return false;
    m_values = std::move(values);
    return true;
}

void FilePreferencesStore::reportUnusable(const DiskContents& contents)
{
    // Called only when the stamp changed, so one bad version of the file is reported once.
    if (contents.status == DiskContents::Status::Corrupt)
        m_log.log(LogLevel::Error, kLogCategory,
                  "[prefs] could not parse " + m_filePath + ": " + contents.error + "; using default values until it is replaced");
    else
        m_log.log(LogLevel::Error, kLogCategory, "[prefs] could not read " + m_filePath + ": " + contents.error);
}

void FilePreferencesStore::write(const std::string& key, std::optional<PreferenceValue> value)
{
    DiskContents base;
    FileStamp written;
    std::string failure;
    PreferenceDomain values;
    m_lastWriteSucceeded = writeLocked(key, value, base, written, failure);
    if (m_lastWriteSucceeded) {
        // What was just written, which includes whatever other processes had written before.
        values = decodeDomain(base.object);
        m_stamp = written;
        m_lastCheck = m_clock.mediaTime();
    } else {
        m_log.log(LogLevel::Error, kLogCategory, "[prefs] could not write " + m_filePath + ": " + failure);
        // The running program still sees its own change, so that it behaves the same whether or
        // not the disk took it; the file keeps its last good state.
        values = m_values;
        if (value)
            values.insert_or_assign(key, std::move(*value));
        else
            values.erase(key);
    }
    if (values != m_values) {
        m_values = std::move(values);
        notifyObservers();
    }
}

bool FilePreferencesStore::writeLocked(const std::string& key, const std::optional<PreferenceValue>& value, DiskContents& base,
                                       FileStamp& written, std::string& failure)
{
    std::error_code ec;
    std::filesystem::create_directories(parentFolder(m_filePath), ec);
    if (ec) {
        failure = ec.message();
        return false;
    }
    // The lock lives in its own file because the data file is replaced on every write: a lock
    // on it would be a lock on an inode that is about to be unlinked. Closing the descriptor
    // releases the lock, on every path out of here.
    FileDescriptor lock(::open((m_filePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (lock.get() < 0) {
        failure = errorText(errno);
        return false;
    }
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            failure = errorText(errno);
            return false;
        }
    }

    removeStaleTemporaryFiles();
    base = readFile();
    switch (base.status) {
    case DiskContents::Status::Unreadable:
        // Replacing a file this process cannot read would throw away values it never saw.
        failure = base.error;
        return false;
    case DiskContents::Status::Corrupt:
        if (!moveCorruptFileAside(failure))
            return false;
        base.object = nlohmann::json::object();
        base.text.clear();
        break;
    case DiskContents::Status::Missing:
    case DiskContents::Status::Parsed:
        if (!value && !base.object.contains(key)) {
            written = base.stamp;
            return true;
        }
        break;
    }

    if (value)
        base.object[key] = encodeEntry(*value);
    else
        base.object.erase(key);
    return replaceFile(rewritePreferences(base.text, key, value), written, failure);
}

void FilePreferencesStore::removeStaleTemporaryFiles()
{
    const std::filesystem::path file(m_filePath);
    const std::string prefix = file.filename().string() + ".tmp-";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(parentFolder(m_filePath), ec)) {
        const std::string name = entry.path().filename().string();
        // mkostemp's six characters after the prefix; nothing else is touched.
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
            std::error_code ignored;
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

bool FilePreferencesStore::moveCorruptFileAside(std::string& failure)
{
    std::string aside = corruptFileName();
    if (::rename(m_filePath.c_str(), aside.c_str()) != 0) {
        failure = "could not move the unreadable file aside: " + errorText(errno);
        return false;
    }
    m_log.log(LogLevel::Error, kLogCategory, "[prefs] " + m_filePath + " could not be parsed; kept it as " + aside);
    return true;
}

std::string FilePreferencesStore::corruptFileName() const
{
    std::time_t seconds = static_cast<std::time_t>(std::floor(m_clock.now().secondsSince1970));
    std::tm utc {};
    char when[32] = "unknown";
    if (::gmtime_r(&seconds, &utc))
        std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &utc);
    std::string base = m_filePath + ".corrupt-" + when;
    std::string name = base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(name, ec)); ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

bool FilePreferencesStore::replaceFile(const std::string& text, FileStamp& written, std::string& failure)
{
    std::string temporary = m_filePath + ".tmp-XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        failure = errorText(errno);
        return false;
    }
    auto fail = [&] {
        failure = errorText(errno);
        fd.close();
        ::unlink(temporary.c_str());
        return false;
    };
    struct stat info {};
    if (!writeAll(fd.get(), text) || ::fsync(fd.get()) != 0 || ::fstat(fd.get(), &info) != 0)
        return fail();
    if (!fd.close()) {
        failure = errorText(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), m_filePath.c_str()) != 0)
        return fail();

    // Without this the rename itself may not survive a power loss, and the old file would
    // come back.
    FileDescriptor folder(::open(parentFolder(m_filePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());

    written = stampOf(info);
    return true;
}

void FilePreferencesStore::notifyObservers()
{
    std::erase_if(m_observers, [](const auto& slot) { return slot.expired(); });
    std::weak_ptr<bool> alive = m_alive;
    for (const auto& weakSlot : m_observers) {
        m_mainQueue.async([alive, weakSlot] {
            if (alive.expired())
                return;
            if (auto slot = weakSlot.lock())
                slot->handler();
        });
    }
}

} // namespace talvora::vmac
