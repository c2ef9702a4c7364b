#pragma once

#include "platform/file_helpers.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

/// Case-insensitive look-ups in game and cache folders for one command.
///
/// A folder is listed from disk once, on its first look-up, and then
/// answered from memory; the caller reports the files it creates or
/// deletes with added() and removed(), so copying a thousand files costs
/// one listing instead of a thousand. A new command starts from clear().
///
/// Listings hold hidden entries and links (never followed), not "." and
/// "..". A missing folder lists as empty. Folder keys ignore trailing "/".
/// Names are single path components.
class FolderIndex {
public:
    /// The path of the child of `folder` named `name` ignoring case; an
    /// exact match wins, else the least of the case variants. nullopt when
    /// none is listed. The path is `folder` with one "/" and the child.
    std::optional<QString> find(const QString& folder, const QString& name);
    /// find(), or `folder` + "/" + `name` when no such child exists (the
    /// rule of resolveIgnoringCase).
    QString resolve(const QString& folder, const QString& name);
    bool exists(const QString& folder, const QString& name);
    /// The paths of every child of `folder` named `name` ignoring case (a
    /// case-sensitive file system may hold several), sorted; empty when
    /// none is listed.
    QStringList findAll(const QString& folder, const QString& name);
    /// The children of `folder` matching the wildcard `mask` ignoring case
    /// (matchesMask), sorted by name ignoring case. isDir and readOnly are
    /// read from disk now; a link is never a folder.
    QList<FileEntry> list(const QString& folder, const QString& mask);

    /// The caller created `path`: its folder's listing, when held, gains
    /// the name. A listing held for `path` itself or below it is dropped,
    /// since a folder moved in brings contents the index never saw.
    void added(const QString& path);
    /// The caller deleted `path`: its folder's listing loses the exact name,
    /// and listings held for `path` and below are dropped.
    void removed(const QString& path);
    /// Forgets every listing.
    void clear();

    /// How many folders were listed from disk since construction.
    int listingCount() const { return listings_; }

private:
    /// Names of one folder by their case-folded form; more than one name
    /// per key when the file system holds case variants.
    using Listing = QHash<QString, QStringList>;

    Listing& listing(const QString& key);
    void forgetFrom(const QString& key);

    QHash<QString, Listing> folders_;
    int listings_ = 0;
};

} // namespace platform
