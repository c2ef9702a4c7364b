#pragma once

#include "core/content_db.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace testing_support {

/// Files of an archive: stored name (folder part included) and data.
using ArchiveFiles = QList<QPair<QString, QByteArray>>;

/// A zip of `files` (deflated) at `path`; false when it cannot be written.
bool writeZip(const QString& path, const ArchiveFiles& files);

/// A zip at `path` whose first entry `damaged` no longer fits its CRC and
/// whose second entry `sound` reads back fine: extracting it writes
/// `sound` and then fails.
bool writeDamagedZip(const QString& path, const QString& damaged, const QString& sound);

/// A record as a scan makes it for an archive not yet installed:
/// `folder` ends in "/", the file list holds the bare names of `files`.
TContentRecord scannedRecord(const QString& archiveName, const QString& folder,
                             const QString& displayName, qint32 kind, const ArchiveFiles& files,
                             const QString& addedDate = QStringLiteral("2024-05-17"));

} // namespace testing_support
