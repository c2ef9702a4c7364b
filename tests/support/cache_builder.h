#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace testing_support {

/// A cache key as the game writes them: a 32-digit hex GUID made from `n`,
/// then "-" and the generation ("77C5FE37...-2").
QString cacheKey(int n, int generation = 2);

/// A version-128 package whose imports are the packages `imports` (one
/// import of class Package each, in order), after imports of Core and
/// Engine, which a cache never holds.
QByteArray importingPackage(const QStringList& imports);

/// One cached package: its cache.ini line key=name and its file key.uxx.
struct CacheEntry {
    QString key;
    QString name;
    QByteArray content = QByteArray("not a package");
    bool withFile = true; ///< false: the line without its file
};

/// Writes cache.ini ("[Cache]" and a line per entry, CR LF) and the files
/// of the entries into `cacheDir`; false when a file could not be written.
[[nodiscard]] bool writeCache(const QString& cacheDir, const QList<CacheEntry>& entries);

} // namespace testing_support
