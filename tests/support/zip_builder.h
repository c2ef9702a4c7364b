#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace testing_support {

/// Builds zip archives for tests with libzip. Names are stored exactly as
/// given (also "\" and "../x"), so hostile archives can be made.
class ZipBuilder {
public:
    /// A file entry; deflated unless `store`.
    ZipBuilder& file(const QString& name, const QByteArray& data, bool store = false);
    /// A folder entry (the name should end in "/").
    ZipBuilder& folder(const QString& name);
    /// A Unix symbolic link entry whose data is `target`.
    ZipBuilder& symlink(const QString& name, const QString& target);
    /// The archive comment.
    ZipBuilder& comment(const QByteArray& text);
    /// Writes the archive to `path` (replacing a file there); false on failure.
    bool write(const QString& path) const;

private:
    struct Entry {
        QString name;
        QByteArray data;
        enum Kind { File, Folder, Link } kind;
        bool store;
    };
    QList<Entry> entries_;
    QByteArray comment_;
};

/// One entry as libzip reads it back.
struct ZipEntryInfo {
    QString name;
    int compMethod = -1; ///< ZIP_CM_* of zip_stat
    qint64 size = -1;
    QByteArray data;
};

/// The entries of an archive in directory order; empty when it cannot be read.
QList<ZipEntryInfo> readZip(const QString& path);

/// Makes the local and central headers of entry `name` in the archive
/// bytes `zip` declare `uncompressed` bytes (and `compressed` bytes, unless
/// it is negative), whatever data follows: lying archives. False when no
/// such entry is found.
bool patchZipSizes(QByteArray& zip, const QString& name, quint32 uncompressed,
                   qint64 compressed = -1);

} // namespace testing_support
