#pragma once

#include "core/globals.h"
#include "core/namespaces.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// The game's own files that an install overwrote, kept in the data
/// folder (Originals/, a hard link where the file system allows, else a
/// copy) until the last installed record listing the file is uninstalled;
/// then the original goes back into the game byte for byte. The index,
/// kept-originals.txt, is a file of Quorvel's own: a first line naming the
/// format, then one CR LF line per original, its stored name (a number and
/// ".orig"), a tab, and the game file's full path.
namespace core::txn {

struct KeptOriginal {
    QString stored;   ///< the file's name in Originals/
    QString gamePath; ///< where it goes back to
    bool operator==(const KeptOriginal&) const = default;
};

class KeptOriginals {
public:
    /// Reads the index of `state`'s data folder; none when it is missing.
    /// Lines that are not an entry of ours are left out. Throws
    /// platform::Error when the index is there but cannot be read.
    static KeptOriginals load(const AppState& state);
    /// The entries of an index's bytes (the reader the load uses).
    static QList<KeptOriginal> parse(const QByteArray& bytes);
    QByteArray toBytes() const;

    static QString indexPath(const AppState& state);
    static QString folder(const AppState& state);

    /// The kept file of the game file `gamePath` (compared ignoring case,
    /// as the game finds its files); nullopt when none is kept.
    std::optional<QString> keptFor(const QString& gamePath) const;
    /// Adds an entry for `gamePath` and returns the path its bytes are to
    /// be kept at (a new name in Originals/).
    QString reserve(const QString& gamePath);
    /// Forgets the entry of `gamePath` (its file is the caller's to move).
    void drop(const QString& gamePath);

    const QList<KeptOriginal>& entries() const { return entries_; }
    /// Added or dropped since the load: the commit rewrites the index.
    bool changed() const { return changed_; }

private:
    qsizetype indexOf(const QString& gamePath) const;

    QString folder_;
    QList<KeptOriginal> entries_;
    int next_ = 1;
    bool changed_ = false;
};

} // namespace core::txn
