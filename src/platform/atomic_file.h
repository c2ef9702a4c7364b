#pragma once

#include "platform/errors.h"

#include <QIODevice>
#include <QString>

namespace platform {

/// A whole-file rewrite that either replaces the file completely or leaves
/// it as it was. The bytes go to a temporary file beside it; `commit`
/// checks that every write and the flush succeeded, syncs the temporary
/// file to the disk, checks that its size is what was written, and only
/// then renames it over the file. Any failure (a full disk, no right to
/// write) removes the temporary file and throws platform::Error naming the
/// file and the system's reason; the old file stays untouched.
///
/// A file that is a symbolic link is replaced by the new file, never
/// written through. A new file gets the usual permissions (0666 less the
/// umask); an existing one keeps its own.
///
/// Why not QSaveFile: Qt 6.4's commit() has been seen renaming an empty
/// temporary file over the real one after a buffered write had failed
/// with ENOSPC.
class AtomicFile : public QIODevice {
    Q_OBJECT
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    /// Opens the temporary file for writing (WriteOnly; other modes are
    /// refused). Throws platform::Error when it cannot be created.
    void openForWriting();
    /// Writes all of `bytes`; throws platform::Error on a failed write.
    void writeAll(const char* data, qint64 size);
    void writeAll(const QByteArray& bytes) { writeAll(bytes.constData(), bytes.size()); }
    /// Replaces the file (see the class comment); throws platform::Error.
    void commit();
    /// Drops the temporary file; the file stays as it was.
    void cancel();

    const QString& fileName() const { return path_; }
    qint64 written() const { return written_; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    [[noreturn]] void fail(const QString& reason);

    QString path_;
    QString temp_;
    int fd_ = -1;
    qint64 written_ = 0;
    /// The system's reason of the first failed write; empty while all went.
    QString writeError_;
};

/// The mkstemp pattern of the temporary file beside `path`: its name, then
/// ".quorvel-XXXXXX" (what start-up clean-ups look for). A name too long
/// for that within the 255 bytes a folder allows gives up the end of its
/// stem, keeping its extension, so any name a folder holds can be written.
QByteArray temporaryNamePattern(const QString& path);

/// Writes `bytes` as the whole content of `path` through an AtomicFile.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

/// Copies `source` over `target` through an AtomicFile, so an existing
/// target is either wholly replaced or left as it was. Reads in bounded
/// chunks. A failure says why in io_errors texts.
Outcome copyFileAtomically(const QString& source, const QString& target);

} // namespace platform
