#include "core/transaction.h"

#include "platform/atomic_file.h"
#include "platform/file_helpers.h"
#include "platform/io_errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace core::txn {

namespace {

// A log is a few entries per archive of one run; anything near this is
// not one of ours.
constexpr qint64 MaxLogBytes = qint64(1) << 30;

bool entryThere(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void removeBackups(const AppState& state) {
    const QString folder = backupFolder(state);
    if (entryThere(folder))
        platform::removeTree(folder);
}

} // namespace

QString logPath(const AppState& state) {
    return state.ProgramDir + u"/transaction.log"_s;
}

QString backupFolder(const AppState& state) {
    return state.ProgramDir + u"/Transaction"_s;
}

platform::Outcome keepBytes(const QString& from, const QString& to) {
    QDir().mkpath(QFileInfo(to).path());
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return platform::Outcome::success();
    // Another file system, or one without hard links: a copy.
    return platform::copyFileAtomically(from, to);
}

bool putBack(const QString& backup, const QString& path) {
    if (!QFileInfo(backup).isFile())
        return false;
    QDir().mkpath(QFileInfo(path).path());
    if (::rename(QFile::encodeName(backup).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    if (errno != EXDEV || !platform::copyFileAtomically(backup, path))
        return false;
    QFile::remove(backup);
    return true;
}

int undoOps(const QList<Op>& ops) {
    int changed = 0;
    for (qsizetype i = ops.size() - 1; i >= 0; --i) {
        const Op& op = ops[i];
        if (op.kind == Op::Kept) {
            changed += putBack(op.backup, op.path) ? 1 : 0;
        } else if (entryThere(op.path) && !QFileInfo(op.path).isDir()) {
            changed += QFile::remove(op.path) ? 1 : 0;
        }
    }
    return changed;
}

Transaction::Transaction(const AppState& state) : state_(state) {
    if (entryThere(logPath(state)))
        Recover(state);
    removeBackups(state);
    const QString path = logPath(state);
    fd_ = ::open(QFile::encodeName(path).constData(),
                 O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw platform::Error(platform::cannotCreateText(path, qt_error_string(errno)));
    try {
        append(logHeader());
    } catch (...) {
        ::close(fd_);
        fd_ = -1;
        QFile::remove(path);
        throw;
    }
    syncFolder(state.ProgramDir);
}

Transaction::~Transaction() {
    if (ended_)
        return;
    try {
        rollback();
    } catch (...) {
        // The log stays: the next start undoes the run.
    }
}

void Transaction::append(const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw platform::Error(platform::cannotWriteText(
                logPath(state_), qt_error_string(n < 0 ? errno : ENOSPC)));
        done += n;
    }
    if (::fsync(fd_) != 0)
        throw platform::Error(platform::cannotWriteText(logPath(state_), qt_error_string(errno)));
}

QString Transaction::newBackupPath() {
    return backupFolder(state_) + u'/' + QString::number(++next_);
}

void Transaction::log(const QList<Op>& ops) {
    if (ops.isEmpty())
        return;
    // Logged before the write is tried: a step half written is undone too.
    steps_.append(ops);
    append(stepEntry(ops));
}

int Transaction::undo(const QList<Op>& ops) {
    return undoOps(ops);
}

void Transaction::commit(const QList<Rewrite>& files) {
    try {
        QList<Op> ops;
        for (const Rewrite& file : files) {
            if (!entryThere(file.path)) {
                ops.append({Op::Created, file.path, {}});
                continue;
            }
            const QString backup = newBackupPath();
            const platform::Outcome kept = keepBytes(file.path, backup);
            if (!kept)
                throw platform::Error(kept.error());
            ops.append({Op::Kept, file.path, backup});
        }
        log(ops);
        for (const Rewrite& file : files) {
            platform::AtomicFile out(file.path);
            out.openForWriting();
            file.write(out);
            out.commit();
        }
        append(commitEntry());
    } catch (...) {
        rollback();
        throw;
    }
    committed_ = true;
    finish();
}

void Transaction::rollback() {
    if (ended_)
        return;
    for (qsizetype i = steps_.size() - 1; i >= 0; --i)
        undoOps(steps_[i]);
    steps_.clear();
    finish();
}

void Transaction::finish() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    ended_ = true;
    // The log goes first: without it nothing refers to the kept bytes.
    QFile::remove(logPath(state_));
    removeBackups(state_);
}

Recovery Recover(const AppState& state) {
    Recovery out;
    const QString path = logPath(state);
    if (!entryThere(path)) {
        removeBackups(state);
        return out;
    }
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw platform::Error(platform::cannotOpenText(path, file.errorString()) +
                              u"\r\rAn interrupted install or uninstall cannot be undone until "
                              u"it can be read."_s);
    // Read only what is there, and nothing of a size no run of ours writes:
    // such a file is not a log of ours, its steps are not undone.
    const QByteArray bytes = file.size() <= MaxLogBytes ? file.readAll() : QByteArray();
    file.close();
    const LogContent log = parseLog(bytes);
    out.steps = int(log.steps.size());
    if (log.committed) {
        out.outcome = RecoveryOutcome::Committed;
    } else {
        out.outcome = RecoveryOutcome::RolledBack;
        for (qsizetype i = log.steps.size() - 1; i >= 0; --i)
            out.changed += undoOps(log.steps[i]);
    }
    QFile done(path);
    if (!done.remove())
        throw platform::Error(
            u"Couldn't remove %1 (%2). Remove it, then start Quorvel again."_s.arg(
                path, done.errorString()));
    removeBackups(state);
    return out;
}

} // namespace core::txn
