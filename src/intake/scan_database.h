#pragma once

#include "app/content_db.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace intake {

/// A record file as a scan holds it: the records and the bytes they came
/// from, so that a rewrite giving the same bytes can be left out.
struct ScanDatabase {
    QList<TContentRecord> records;
    QByteArray bytes;    ///< the whole file as read
    bool exists = false; ///< the file was there
};

/// Reads the record file at `path`. A missing file is an empty database
/// when `missingIsEmpty`, else an error. Throws platform::Error.
ScanDatabase loadScanDatabase(const QString& path, bool missingIsEmpty);

/// Writes `records` over the file unless the file already holds exactly
/// those bytes. Returns whether it wrote. Throws platform::Error; the old
/// file then stays as it was.
bool writeScanDatabase(const QString& path, const ScanDatabase& loaded,
                       const QList<TContentRecord>& records);

} // namespace intake
