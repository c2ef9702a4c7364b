#pragma once

#include <QString>

#include <chrono>
#include <functional>

/// One writer at a time in a data folder: the window and any number of
/// quorvel-cli processes share Quorvel.ini, the record files and Temp, and
/// two of them writing at once would lose one's records. A command that
/// writes holds the lock file <data folder>/Quorvel.lock for as long as it
/// runs; readers take none.
///
/// What holds the lock is the system's lock (flock) on the open file, not
/// the file's being there: the system lets go of it when its process ends,
/// however it ends, so the file a killed Quorvel left (empty, torn, naming
/// a dead process) never keeps anyone out. The file holds the holder's
/// process id, name and host in the lines QLockFile writes, so that a
/// Quorvel of an earlier release, which used QLockFile (and flock under
/// it), and this one keep out of each other.
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
    /// The wait the window and quorvel-cli use: DefaultWait, unless the
    /// environment's QUORVEL_LOCK_WAIT_MS names another (0 to 600000), so
    /// tests of the refusal need not wait ten seconds in real time.
    static std::chrono::milliseconds writerWait();

    /// Takes the lock of `dataDir`, waiting up to `wait` (writerWait() when
    /// not given) for another holder to let go. An empty lock (held() false)
    /// when another process held it all that time, or at once when the lock
    /// file cannot be made at all; refusal() then says which.
    static DataLock acquire(const QString& dataDir);
    static DataLock acquire(const QString& dataDir, std::chrono::milliseconds wait);
    /// The same, calling `whileWaiting` every few tens of milliseconds while
    /// another holder keeps the lock (the window keeps itself painted).
    static DataLock acquire(const QString& dataDir, std::chrono::milliseconds wait,
                            const std::function<void()>& whileWaiting);
    /// The same kind of lock on another lock file (a redirect folder's):
    /// refusal() is empty when busy (the caller says what is busy), else
    /// says why the file could not be made or written.
    static DataLock acquireFile(const QString& lockFile, std::chrono::milliseconds wait);

    bool held() const { return fd_ >= 0; }
    /// Lets go before the destructor would.
    void release();
    /// acquire() came back without the lock because another process held
    /// it all the time it waited.
    bool busy() const { return busy_; }
    /// The process id of the Quorvel that held the lock when acquire()
    /// gave up; 0 when not busy or when its file did not name it yet.
    qint64 holder() const { return holder_; }
    /// Why acquire() came back without the lock: busyText(), or what kept
    /// the lock file from being made. Empty when held or never tried.
    const QString& refusal() const { return refusal_; }

    /// The path of the lock file of `dataDir`.
    static QString lockPath(const QString& dataDir);
    /// "Another Quorvel (process <pid>) is changing <folder>; try again
    /// when it has finished."; without the process part when `pid` is 0.
    static QString busyText(const QString& dataDir, qint64 pid = 0);
    /// Why the lock file of `dataDir` could not be made or written, for the
    /// system's error number `error` (a full disk is no permissions matter).
    static QString failureText(const QString& dataDir, int error);

private:
    static DataLock take(const QString& lockFile, std::chrono::milliseconds wait,
                         const std::function<void()>& whileWaiting);
    static QString fileFailureText(const QString& lockFile, const QString& folder, int error);

    int fd_ = -1;
    QString path_;
    QString refusal_;
    qint64 holder_ = 0;
    int error_ = 0; ///< why the lock file could not be made or written
    bool busy_ = false;
};
