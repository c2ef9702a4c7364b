#pragma once

#include <QString>

#include <functional>

// Pieces shared by the two rar backends of `TdRar3`.

namespace intake {

/// What a backend does with the entry it just read.
enum class RarEntryAction { Skip, Extract };

/// Called once per entry (links excluded) with its name; fires the
/// component's event and says whether to extract the entry.
using RarEntryHandler = std::function<RarEntryAction(const QString& entryName)>;

/// An entry name as callers see it: "\" turned into "/" (names made on
/// Windows), no trailing "/" (folder entries).
QString normalisedRarEntryName(QString name);

/// Where an entry goes below the target folder.
struct RarEntryTarget {
    enum Kind {
        Write, ///< write it to `path`
        Skip,  ///< the name has no usable part ("..", "/"): nothing to write
        Fail,  ///< its folder cannot be made, or an existing link there
               ///< would lead the write outside the target folder
    } kind = Skip;
    QString path;
};

/// Where an entry is written below `base` (the working folder when empty),
/// with its folder parts kept; the folders up to it are created. A link
/// already standing at the target is removed, so the write never follows it.
RarEntryTarget prepareRarEntryTarget(const QString& base, const QString& entryName, bool isFolder);

/// Writes a file-copy entry (RAR5 "file reference", stored without data):
/// copies the file that entry `referenceName` was extracted to, below
/// `base`, to `targetPath`. Returns 0, or 23 (reference source missing)
/// when that entry was not extracted (or is no plain file) or the copy fails.
int copyRarReference(const QString& base, const QString& referenceName, const QString& targetPath);

/// Removes set-user-id, set-group-id and sticky bits an archive may have
/// asked for on an extracted file.
void dropSpecialModeBits(const QString& path);

} // namespace intake
