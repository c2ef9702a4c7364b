#include "intake/scan_database.h"

#include "platform/errors.h"
#include "platform/io_errors.h"
#include "platform/text_file.h"

#include <QFile>

namespace intake {

ScanDatabase loadScanDatabase(const QString& path, bool missingIsEmpty) {
    ScanDatabase db;
    QFile file(path);
    if (missingIsEmpty && !file.exists())
        return db;
    if (!file.open(QIODevice::ReadOnly))
        throw platform::Error(platform::cannotOpenText(path, file.errorString()));
    db.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw platform::Error(platform::readErrorText(path, file.errorString()));
    db.exists = true;
    // Whole records only; a trailing part shorter than one is ignored.
    const qsizetype count = db.bytes.size() / TContentRecord::RecordSize;
    db.records.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        db.records.append(TContentRecord::fromBytes(
            db.bytes.constData() + i * TContentRecord::RecordSize, TContentRecord::RecordSize));
    return db;
}

bool writeScanDatabase(const QString& path, const ScanDatabase& loaded,
                       const QList<TContentRecord>& records) {
    QByteArray bytes;
    bytes.reserve(records.size() * TContentRecord::RecordSize);
    for (const TContentRecord& rec : records)
        bytes += rec.toBytes();
    if (loaded.exists && bytes == loaded.bytes)
        return false;
    platform::writeBytes(path, bytes);
    return true;
}

} // namespace intake
