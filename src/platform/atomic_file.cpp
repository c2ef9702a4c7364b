#include "platform/atomic_file.h"

#include "platform/errors.h"
#include "platform/io_errors.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString systemReason(int error) {
    return qt_error_string(error);
}

/// The mode a new file gets: what the process's umask leaves of 0666.
/// The umask can only be read by setting it, and it belongs to the whole
/// process: two threads reading it at once could leave it at 0 for good,
/// so it is read once, under the guard of a static's initialisation.
mode_t newFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mode_t(0666 & ~mask);
    }();
    return mode;
}

} // namespace

QByteArray temporaryNamePattern(const QString& path) {
    static constexpr QByteArrayView Suffix = ".quorvel-XXXXXX";
    // The longest name a folder holds (NAME_MAX on Linux file systems).
    constexpr qsizetype MaxName = 255;
    const QByteArray full = QFile::encodeName(path);
    const qsizetype slash = full.lastIndexOf('/');
    const QByteArray folder = full.left(slash + 1);
    QByteArray name = full.sliced(slash + 1);
    const qsizetype over = name.size() + Suffix.size() - MaxName;
    if (over > 0) {
        // The stem gives way, the extension stays: clean-ups that look for
        // "<x>.uz2.quorvel-XXXXXX" still know the file. Cut at a character.
        const qsizetype dot = name.lastIndexOf('.');
        const qsizetype extension = dot > 0 && name.size() - dot <= 16 ? name.size() - dot : 0;
        qsizetype keep = std::max<qsizetype>(name.size() - extension - over, 1);
        while (keep > 1 && (uchar(name[keep]) & 0xC0) == 0x80)
            --keep;
        name = name.left(keep) + name.right(extension);
    }
    return folder + name + Suffix.toByteArray();
}

AtomicFile::AtomicFile(const QString& path) : path_(path) {}

AtomicFile::~AtomicFile() {
    cancel();
}

void AtomicFile::fail(const QString& reason) {
    cancel();
    throw Error(cannotWriteText(path_, reason));
}

void AtomicFile::openForWriting() {
    cancel();
    // Beside the file, so the rename stays on one file system; the name
    // is the file's own path, never what a link there points to.
    QByteArray pattern = temporaryNamePattern(path_);
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw Error(cannotCreateText(path_, systemReason(errno)));
    fd_ = fd;
    temp_ = QFile::decodeName(pattern);
    written_ = 0;
    writeError_.clear();
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 AtomicFile::readData(char*, qint64) {
    return -1;
}

qint64 AtomicFile::writeData(const char* data, qint64 size) {
    if (fd_ < 0 || !writeError_.isEmpty())
        return -1;
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A short write with no error set is a full disk as well.
            writeError_ = systemReason(n < 0 ? errno : ENOSPC);
            setErrorString(writeError_);
            return -1;
        }
        done += n;
        written_ += n;
    }
    return done;
}

void AtomicFile::writeAll(const char* data, qint64 size) {
    if (size > 0 && write(data, size) != size)
        fail(writeError_.isEmpty() ? errorString() : writeError_);
}

void AtomicFile::commit() {
    if (fd_ < 0)
        throw Error(cannotWriteText(path_, QStringLiteral("The file was not open.")));
    if (!writeError_.isEmpty())
        fail(writeError_);
    if (::fsync(fd_) != 0)
        fail(systemReason(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail(systemReason(errno));
    if (st.st_size != written_)
        fail(QStringLiteral("Only %1 of %2 bytes reached the disk.")
                 .arg(qint64(st.st_size))
                 .arg(written_));
    // An existing file keeps its permissions; a link there is replaced.
    struct stat old {};
    const QByteArray target = QFile::encodeName(path_);
    const mode_t mode = ::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode)
                            ? (old.st_mode & 07777)
                            : newFileMode();
    if (::fchmod(fd_, mode) != 0)
        fail(systemReason(errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        fd_ = -1;
        cancel();
        throw Error(cannotWriteText(path_, systemReason(error)));
    }
    if (::rename(QFile::encodeName(temp_).constData(), target.constData()) != 0) {
        const int error = errno;
        cancel();
        throw Error(cannotWriteText(path_, systemReason(error)));
    }
    temp_.clear();
    QIODevice::close();
}

void AtomicFile::cancel() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.isEmpty()) {
        ::unlink(QFile::encodeName(temp_).constData());
        temp_.clear();
    }
    if (isOpen())
        QIODevice::close();
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    AtomicFile file(path);
    file.openForWriting();
    file.writeAll(bytes);
    file.commit();
}

Outcome copyFileAtomically(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Outcome::failure(cannotOpenText(source, in.errorString()));
    try {
        AtomicFile out(target);
        out.openForWriting();
        QByteArray buffer(1 << 20, '\0');
        for (;;) {
            const qint64 got = in.read(buffer.data(), buffer.size());
            if (got < 0)
                return Outcome::failure(readErrorText(source, in.errorString()));
            if (got == 0)
                break;
            out.writeAll(buffer.constData(), got);
        }
        out.commit();
    } catch (const Error& e) {
        return Outcome::failure(e.text());
    }
    return Outcome::success();
}

} // namespace platform
