#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QLockFile;

/// One writer at a time in a data folder: the window and any number of
/// quorvel-cli processes share Quorvel.ini, the record files and Temp, and
/// two of them writing at once would lose one's records. A command that
/// writes holds the lock file <data folder>/Quorvel.lock for as long as it
/// runs; readers take none. The lock of a process that died is taken over.
class DataLock {
public:
    DataLock();
    ~DataLock();
    DataLock(DataLock&& other) noexcept;
    DataLock& operator=(DataLock&& other) noexcept;
    DataLock(const DataLock&) = delete;
    DataLock& operator=(const DataLock&) = delete;

    /// How long a second writer waits before it gives up.
    static constexpr std::chrono::milliseconds DefaultWait{10'000};

    /// Takes the lock of `dataDir`, waiting up to `wait` for another holder
    /// to let go. An empty lock (held() false) when another process held it
    /// all that time, or at once when the lock file cannot be made at all;
    /// refusal() then says which.
    static DataLock acquire(const QString& dataDir, std::chrono::milliseconds wait = DefaultWait);
    /// The same, calling `whileWaiting` every few tens of milliseconds while
    /// another holder keeps the lock (the window keeps itself painted).
    static DataLock acquire(const QString& dataDir, std::chrono::milliseconds wait,
                            const std::function<void()>& whileWaiting);

    bool held() const { return lock_ != nullptr; }
    /// Lets go before the destructor would.
    void release();
    /// acquire() came back without the lock because another process held
    /// it all the time it waited.
    bool busy() const { return busy_; }
    /// Why acquire() came back without the lock: busyText(), or what kept
    /// the lock file from being made. Empty when held or never tried.
    const QString& refusal() const { return refusal_; }

    /// The path of the lock file of `dataDir`.
    static QString lockPath(const QString& dataDir);
    /// "Another Quorvel is changing <folder>; try again when it has finished."
    static QString busyText(const QString& dataDir);

private:
    std::unique_ptr<QLockFile> lock_;
    QString refusal_;
    bool busy_ = false;
};
