#include "intake/scan_database.h"

#include "platform/errors.h"
#include "platform/io_errors.h"
#include "platform/text_file.h"

#include <QFile>

namespace intake {

ScanDatabase loadScanDatabase(const QString& path, bool missingIsEmpty) {
    // Read through one reused buffer of a few hundred records: a database
    // of ten thousand archives is some 50 MB, and reading it into one
    // fresh block costs more than decoding it.
    constexpr qint64 ChunkRecords = 192;
    constexpr qint64 RecordSize = TContentRecord::RecordSize;
    ScanDatabase db;
    QFile file(path);
    if (missingIsEmpty && !file.exists())
        return db;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw platform::Error(platform::cannotOpenText(path, file.errorString()));
    db.exists = true;
    QByteArray buffer(ChunkRecords * RecordSize, '\0');
    for (;;) {
        qint64 filled = 0;
        while (filled < buffer.size()) {
            const qint64 got = file.read(buffer.data() + filled, buffer.size() - filled);
            if (got < 0)
                throw platform::Error(platform::readErrorText(path, file.errorString()));
            if (got == 0)
                break;
            filled += got;
        }
        // Whole records only; a trailing part shorter than one is ignored.
        for (qint64 at = 0; at + RecordSize <= filled; at += RecordSize)
            db.records.append(TContentRecord::fromBytes(buffer.constData() + at));
        if (filled < buffer.size())
            return db;
    }
}

void writeScanDatabase(const QString& path, const QList<TContentRecord>& records) {
    QByteArray bytes;
    bytes.reserve(records.size() * TContentRecord::RecordSize);
    for (const TContentRecord& rec : records)
        bytes += rec.toBytes();
    platform::writeBytes(path, bytes);
}

} // namespace intake
