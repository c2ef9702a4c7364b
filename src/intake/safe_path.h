#pragma once

#include <QString>
#include <QStringList>

namespace intake {

/// The folder parts and file name of an archive entry, made safe to write
/// below a target folder: "/" and "\" both separate, drive letters, empty
/// parts, "." and ".." are dropped. Empty when nothing usable remains.
QStringList safeEntryParts(const QString& entryName);

/// Where an entry is written below `base`: with its folder parts when
/// `keepFolders`, else under its bare name. Empty when the entry has no
/// usable name (it is then skipped). The result never leaves `base`; an
/// empty `base` gives a path relative to the working folder.
QString confinedTarget(const QString& base, const QString& entryName, bool keepFolders);

} // namespace intake
