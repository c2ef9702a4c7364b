#pragma once

#include <QString>

#include <chrono>
#include <memory>

class QLockFile;

/// One writer at a time in a data folder: the window and any number of
/// quorvel-cli processes share Quorvel.ini, the record files and Temp, and
/// two of them writing at once would lose one's records. A command that
/// writes holds the lock file <data folder>/Quorvel.lock for as long as it
/// runs; readers take none. The lock of a process that died is taken over.
class DataLock {
public:
    DataLock() = default;
    ~DataLock();
    DataLock(DataLock&& other) noexcept;
    DataLock& operator=(DataLock&& other) noexcept;
    DataLock(const DataLock&) = delete;
    DataLock& operator=(const DataLock&) = delete;

    /// How long a second writer waits before it gives up.
    static constexpr std::chrono::milliseconds DefaultWait{10'000};

    /// Takes the lock of `dataDir`, waiting up to `wait` for another holder
    /// to let go. An empty lock (held() false) when another process held it
    /// all that time; busyText() then says so.
    static DataLock acquire(const QString& dataDir, std::chrono::milliseconds wait = DefaultWait);

    bool held() const { return lock_ != nullptr; }
    /// Lets go before the destructor would.
    void release();

    /// The path of the lock file of `dataDir`.
    static QString lockPath(const QString& dataDir);
    /// "Another Quorvel is changing <folder>; try again when it has finished."
    static QString busyText(const QString& dataDir);

private:
    std::unique_ptr<QLockFile> lock_;
};
