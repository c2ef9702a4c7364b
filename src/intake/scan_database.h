#pragma once

#include "core/content_db.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace intake {

/// A record file as a scan holds it.
struct ScanDatabase {
    QList<TContentRecord> records;
    bool exists = false; ///< the file was there
};

/// Reads the record file at `path`. A missing file is an empty database
/// when `missingIsEmpty`, else an error. Throws platform::Error.
ScanDatabase loadScanDatabase(const QString& path, bool missingIsEmpty);

/// Rewrites the file with `records`, atomically. Throws platform::Error;
/// the old file then stays as it was.
///
/// A scan that keeps every loaded record and adds none does not call
/// this: the rewrite would give the same bytes, or differ only where the
/// reader ignores or decodes alike (bytes after a text, a trailing part of
/// a record, Windows-1252 texts that would become UTF-8 and might then be
/// cut), so the file is worth more unchanged.
void writeScanDatabase(const QString& path, const QList<TContentRecord>& records);

} // namespace intake
