#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>

/// What a redirect folder remembers of the .uz2 files Quorvel wrote into
/// it: per .uz2, its size and the size and modification time of the file it
/// was compressed from, so an unchanged source is not compressed again and
/// a prune removes only files Quorvel made.
///
/// The manifest is a small UTF-8 text file in the folder:
///
///     quorvel-redirect 1
///     <name> TAB <uz2 size> TAB <source size> TAB <source time> TAB <source path>
///
/// one line per .uz2, each ended by LF, in the order of the names (by
/// UTF-16 code units). Names and paths are percent-encoded (RFC 3986 unreserved
/// characters and "/" stay), so a tab, line break or "%" in a file name
/// cannot split a line; sizes are bytes, the time nanoseconds since 1970.
///
/// The file lies in a folder that is uploaded and shared, so it is outside
/// input: it is read only when it is exactly what the writer makes for the
/// entries it holds (one spelling per number and name, names in order, no
/// name twice, each a plain ".uz2" name). Anything else makes the whole
/// manifest unknown, which costs a recompression and nothing more.
namespace cache {

/// One .uz2 of the folder as the manifest knows it.
struct RedirectEntry {
    QString name;          ///< the .uz2's name in the folder: one plain name ending in ".uz2"
    qint64 size = 0;       ///< the .uz2's size when it was written
    QString source;        ///< the absolute path it was compressed from
    qint64 sourceSize = 0; ///< the source's size then
    qint64 sourceTime = 0; ///< the source's modification time then, ns since 1970
    bool operator==(const RedirectEntry&) const = default;
};

/// A name the folder may hold a .uz2 under: one path component, not "."
/// or "..", no NUL, ending in ".uz2" (any case) with something before it,
/// at most 255 bytes in UTF-8 (the longest file name Linux allows).
bool isPlainUz2Name(const QString& name);

struct ManifestRead;

/// The entries of one redirect folder, by name. Names are exact: whether
/// two names that differ in case are one file is the folder's file
/// system's business, which the prune asks (see cache/redirect.h).
class RedirectManifest {
public:
    /// The manifest's file name in the redirect folder.
    static QString fileName();
    /// Larger manifests are not read: a line per package, a few hundred
    /// bytes each, stays far below.
    static constexpr qint64 MaxSize = 16 * 1024 * 1024;

    /// The manifest of `bytes`; refused, with the reason, when they are not
    /// exactly what toBytes() writes for some entries.
    static ManifestRead fromBytes(QByteArrayView bytes);
    QByteArray toBytes() const;

    /// The entry of `name`; nullptr when none.
    const RedirectEntry* find(const QString& name) const;
    /// Adds `entry`, replacing one of the same name. False
    /// (nothing changes) when the entry cannot be written: the name is not
    /// a plain .uz2 name, a size is negative or the source path is not
    /// absolute.
    bool put(const RedirectEntry& entry);
    /// Drops the entry of `name`; false when there is none.
    bool remove(const QString& name);
    /// Every entry, in file order.
    QList<RedirectEntry> entries() const { return entries_.values(); }
    qsizetype size() const { return entries_.size(); }
    bool operator==(const RedirectManifest&) const = default;

private:
    QMap<QString, RedirectEntry> entries_; ///< by name
};

/// What reading a manifest came to: its entries, or why its bytes were
/// refused.
struct ManifestRead {
    RedirectManifest manifest; ///< empty when refused
    QString problem;           ///< why the bytes were refused; empty when read
    bool ok() const { return problem.isEmpty(); }
    explicit operator bool() const { return ok(); }
};

/// The manifest of the folder `dir` as found: empty when there is none. A
/// manifest that is a link, a folder, larger than MaxSize, unreadable or
/// not exactly as written is taken as empty and `problem` says why (it is
/// cleared otherwise); nothing is read through a link.
RedirectManifest readRedirectManifest(const QString& dir, QString& problem);
/// Replaces the manifest of `dir` atomically (a link there is replaced,
/// never written through). Throws platform::Error.
void writeRedirectManifest(const QString& dir, const RedirectManifest& manifest);

} // namespace cache
