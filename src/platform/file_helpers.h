#pragma once

#include "platform/errors.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace platform {

/// One entry of a folder listing.
struct FileEntry {
    QString name; ///< name inside the folder, no path
    QString path; ///< full path
    bool isDir = false;
    bool readOnly = false; ///< owner write bit clear
};

/// True when `name` matches the wildcard `mask` ignoring case. "*" and "?"
/// are wildcards; a mask ending in ".*" also matches names without a dot,
/// so "*.*" matches everything and "stem*.*" matches "stem".
bool matchesMask(const QString& mask, const QString& name);

/// The existing child of `folder` whose name equals `name` ignoring case
/// (an exact match wins); when none exists, `folder` + "/" + `name`.
/// `folder` may or may not end in "/"; an empty one is the working folder
/// (see childBase).
QString resolveIgnoringCase(const QString& folder, const QString& name);

/// True when a child of `folder` named `name` (ignoring case) exists.
bool existsIgnoringCase(const QString& folder, const QString& name);

/// The entries of `folder` matching `mask` ignoring case, hidden ones
/// included, "." and ".." excluded, sorted by name. Links are reported
/// but never followed into. Paths start with childBase(folder).
QList<FileEntry> listByMask(const QString& folder, const QString& mask);

/// Owner write bit clear.
bool isReadOnly(const QString& path);
/// Sets the owner write bit; true on success.
bool clearReadOnly(const QString& path);

/// Removes a file, a link (never what it points to) or a folder with
/// everything in it, clearing read-only bits on the way. True when the
/// entry is gone (or was never there).
bool removeTree(const QString& path);

/// Renames `from` to `to` in one step, replacing a file already at `to`
/// (rename(2)). On failure nothing changed and the outcome holds the
/// system's reason.
Outcome renameReplacing(const QString& from, const QString& to);

/// `path` with exactly one trailing "/" (empty stays empty).
QString withSlash(const QString& path);
/// The start of a child's path: `folder` with one trailing "/", and for an
/// empty `folder` the working folder's full path. A child path is then
/// never a bare name, which Qt would take for a resource when it starts
/// with ":".
QString childBase(const QString& folder);
/// The file name part of a path holding "/" or "\" separators.
QString fileNamePart(const QString& path);

/// What tells one state of a file from another without reading it: size,
/// modification time to the nanosecond and the file's identity, which an
/// atomic rewrite changes even within one clock tick. A missing file has
/// its own stamp.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;

    /// One stat of `path`, following a link.
    static FileStamp of(const QString& path);
};

} // namespace platform
