#include "core/data_lock.h"

#include <QDir>
#include <QLockFile>

using namespace Qt::Literals::StringLiterals;

DataLock::~DataLock() {
    release();
}

DataLock::DataLock(DataLock&& other) noexcept : lock_(std::move(other.lock_)) {}

DataLock& DataLock::operator=(DataLock&& other) noexcept {
    if (this != &other) {
        release();
        lock_ = std::move(other.lock_);
    }
    return *this;
}

DataLock DataLock::acquire(const QString& dataDir, std::chrono::milliseconds wait) {
    auto lock = std::make_unique<QLockFile>(lockPath(dataDir));
    // A lock is stale only when its process is gone (QLockFile checks the
    // process id on this host): a long install is never taken over.
    lock->setStaleLockTime(0);
    DataLock held;
    if (lock->tryLock(int(wait.count())))
        held.lock_ = std::move(lock);
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
