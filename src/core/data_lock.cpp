#include "core/data_lock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

/// How long one try waits at most before the caller's wait function runs.
constexpr qint64 WaitSliceMs = 50;

/// One try at the lock file.
struct Attempt {
    enum Kind { Held, Busy, Failed } kind = Failed;
    int fd = -1;    ///< Held: the open, locked file
    qint64 pid = 0; ///< Busy: the holder, when its file names it
    int error = 0;  ///< Failed: the system's error number
};

/// The lines QLockFile writes: process id, program name, host name.
QByteArray lockContents() {
    const QString name =
        QCoreApplication::instance() ? QCoreApplication::applicationName() : u"quorvel"_s;
    return QByteArray::number(qint64(::getpid())) + '\n' + name.toUtf8() + '\n' +
           QSysInfo::machineHostName().toUtf8() + '\n';
}

/// The process id the holder wrote on the first line; 0 when the file
/// holds none (being written, or left torn).
qint64 holderIn(int fd) {
    char bytes[32] = {};
    const ssize_t n = ::pread(fd, bytes, sizeof bytes, 0);
    if (n <= 0)
        return 0;
    const QByteArray first = QByteArray(bytes, n).split('\n').value(0);
    bool ok = false;
    const qint64 pid = first.toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

/// Writes all of `bytes` at the start of `fd`; false with errno set.
bool writeAllAt(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC; // a short write with no error is a full disk
            return false;
        }
        done += n;
    }
    return true;
}

/// The open file is still the one the name stands for: a holder that let
/// go removes the file, and a lock on what it removed keeps nobody out.
bool stillNamed(int fd, const QByteArray& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

Attempt tryOnce(const QByteArray& path) {
    // A few rounds: each lost race with a holder letting go starts anew.
    for (int round = 0; round < 8; ++round) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            const int error = errno;
            // A lock file that cannot be opened (a link, another user's
            // file) is only a name: what locks is the open file, and no
            // process can hold this one. It is replaced.
            if ((error == EACCES || error == EPERM || error == ELOOP) &&
                ::unlink(path.constData()) == 0)
                continue;
            return {Attempt::Failed, -1, 0, error};
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            const qint64 pid = error == EWOULDBLOCK ? holderIn(fd) : 0;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return {Attempt::Busy, -1, pid, 0};
            return {Attempt::Failed, -1, 0, error};
        }
        if (!stillNamed(fd, path)) {
            ::close(fd);
            continue;
        }
        // Whatever the file held (nothing, a torn line, a process that is
        // gone) belonged to no live holder: the system lock says so.
        if (::ftruncate(fd, 0) != 0 || !writeAllAt(fd, lockContents())) {
            const int error = errno;
            ::unlink(path.constData());
            ::close(fd);
            return {Attempt::Failed, -1, 0, error};
        }
        return {Attempt::Held, fd, 0, 0};
    }
    return {Attempt::Busy, -1, 0, 0};
}

} // namespace

DataLock::DataLock() = default;

DataLock::~DataLock() {
    release();
}

DataLock::DataLock(DataLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)),
      refusal_(std::move(other.refusal_)), holder_(other.holder_), error_(other.error_),
      busy_(other.busy_) {}

DataLock& DataLock::operator=(DataLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        refusal_ = std::move(other.refusal_);
        holder_ = other.holder_;
        error_ = other.error_;
        busy_ = other.busy_;
    }
    return *this;
}

std::chrono::milliseconds DataLock::writerWait() {
    bool ok = false;
    const qint64 ms = qEnvironmentVariable("QUORVEL_LOCK_WAIT_MS").toLongLong(&ok);
    if (ok && ms >= 0 && ms <= 600'000)
        return std::chrono::milliseconds(ms);
    return DefaultWait;
}

DataLock DataLock::acquire(const QString& dataDir) {
    return acquire(dataDir, writerWait(), {});
}

DataLock DataLock::acquire(const QString& dataDir, std::chrono::milliseconds wait) {
    return acquire(dataDir, wait, {});
}

DataLock DataLock::acquire(const QString& dataDir, std::chrono::milliseconds wait,
                           const std::function<void()>& whileWaiting) {
    DataLock lock = take(lockPath(dataDir), wait, whileWaiting);
    if (lock.busy_)
        lock.refusal_ = busyText(dataDir, lock.holder_);
    else if (!lock.held())
        lock.refusal_ = fileFailureText(lockPath(dataDir), dataDir, lock.error_);
    return lock;
}

DataLock DataLock::acquireFile(const QString& lockFile, std::chrono::milliseconds wait) {
    DataLock lock = take(lockFile, wait, {});
    if (!lock.held() && !lock.busy_)
        lock.refusal_ = fileFailureText(lockFile, QFileInfo(lockFile).path(), lock.error_);
    return lock;
}

DataLock DataLock::take(const QString& lockFile, std::chrono::milliseconds wait,
                        const std::function<void()>& whileWaiting) {
    const QByteArray path = QFile::encodeName(lockFile);
    DataLock lock;
    const QDeadlineTimer deadline(wait);
    for (;;) {
        const Attempt attempt = tryOnce(path);
        if (attempt.kind == Attempt::Held) {
            lock.fd_ = attempt.fd;
            lock.path_ = lockFile;
            return lock;
        }
        // A folder that cannot hold the lock file is no busy folder: waiting
        // would not help, and "another Quorvel" would be the wrong reason.
        if (attempt.kind == Attempt::Failed) {
            lock.error_ = attempt.error;
            return lock;
        }
        lock.holder_ = attempt.pid;
        if (deadline.hasExpired())
            break;
        if (whileWaiting)
            whileWaiting();
        const qint64 slice = std::min(deadline.remainingTime(), WaitSliceMs);
        if (slice > 0)
            QThread::msleep(quint64(slice));
    }
    lock.busy_ = true;
    return lock;
}

void DataLock::release() {
    if (fd_ < 0)
        return;
    // Removed while still locked, so no one takes over a name that is
    // about to go; one who opened it meanwhile sees that and starts anew.
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
}

QString DataLock::lockPath(const QString& dataDir) {
    return QDir(dataDir).filePath(u"Quorvel.lock"_s);
}

QString DataLock::busyText(const QString& dataDir, qint64 pid) {
    const QString who = pid > 0 ? u"Another Quorvel (process %1)"_s.arg(pid) : u"Another Quorvel"_s;
    return who + u" is changing "_s + QDir::toNativeSeparators(dataDir) +
           u"; try again when it has finished."_s;
}

QString DataLock::failureText(const QString& dataDir, int error) {
    return fileFailureText(lockPath(dataDir), dataDir, error);
}

QString DataLock::fileFailureText(const QString& lockFile, const QString& dataDir, int error) {
    const QString file = QDir::toNativeSeparators(lockFile);
    const QString folder = QDir::toNativeSeparators(dataDir);
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return u"Quorvel cannot write its lock file %1: no space left on device. Make room on "
               u"the disk of %2, then try again."_s.arg(file, folder);
    case EACCES:
    case EPERM:
    case EROFS:
        return u"Quorvel cannot write its lock file %1: %2. Let it write to %3, then try "
               u"again."_s.arg(file, qt_error_string(error).toLower(), folder);
    default:
        return u"Quorvel cannot write its lock file %1: %2."_s.arg(
            file, qt_error_string(error).toLower());
    }
}
