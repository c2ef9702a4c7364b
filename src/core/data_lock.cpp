#include "core/data_lock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
/// How long one try waits at most before the caller's wait function runs.
constexpr qint64 WaitSliceMs = 50;
} // namespace

DataLock::DataLock() = default;

DataLock::~DataLock() {
    release();
}

DataLock::DataLock(DataLock&& other) noexcept
    : lock_(std::move(other.lock_)), refusal_(std::move(other.refusal_)), busy_(other.busy_) {}

DataLock& DataLock::operator=(DataLock&& other) noexcept {
    if (this != &other) {
        release();
        lock_ = std::move(other.lock_);
        refusal_ = std::move(other.refusal_);
        busy_ = other.busy_;
    }
    return *this;
}

DataLock DataLock::acquire(const QString& dataDir, std::chrono::milliseconds wait) {
    return acquire(dataDir, wait, {});
}

DataLock DataLock::acquire(const QString& dataDir, std::chrono::milliseconds wait,
                           const std::function<void()>& whileWaiting) {
    auto lock = std::make_unique<QLockFile>(lockPath(dataDir));
    // A lock is stale only when its process is gone (QLockFile checks the
    // process id on this host): a long install is never taken over.
    lock->setStaleLockTime(0);
    DataLock held;
    const QDeadlineTimer deadline(wait);
    for (;;) {
        const qint64 slice = whileWaiting ? std::min(deadline.remainingTime(), WaitSliceMs)
                                          : deadline.remainingTime();
        if (lock->tryLock(int(std::max<qint64>(slice, 0)))) {
            held.lock_ = std::move(lock);
            return held;
        }
        // A folder that cannot hold the lock file is no busy folder: waiting
        // would not help, and "another Quorvel" would be the wrong reason.
        if (lock->error() != QLockFile::LockFailedError) {
            held.refusal_ = u"Quorvel cannot write its lock file %1; let it write to %2, then "
                            u"try again."_s.arg(QDir::toNativeSeparators(lockPath(dataDir)),
                                                QDir::toNativeSeparators(dataDir));
            return held;
        }
        if (deadline.hasExpired())
            break;
        if (whileWaiting)
            whileWaiting();
    }
    held.refusal_ = busyText(dataDir);
    held.busy_ = true;
    return held;
}

void DataLock::release() {
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}

QString DataLock::lockPath(const QString& dataDir) {
    return QDir(dataDir).filePath(u"Quorvel.lock"_s);
}

QString DataLock::busyText(const QString& dataDir) {
    return u"Another Quorvel is changing "_s + QDir::toNativeSeparators(dataDir) +
           u"; try again when it has finished."_s;
}
