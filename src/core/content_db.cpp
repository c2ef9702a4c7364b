// Whole-file operations on the record files. There is no index and no
// header: a file is its records back to back, read whole and rewritten whole.
#include "core/content_db.h"

#include "core/content_kinds.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/io_errors.h"
#include "platform/text_file.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

[[noreturn]] void throwOpenError(const QString& path, const QFile& file) {
    throw platform::Error(platform::cannotOpenText(path, file.errorString()));
}

// Calls `take` with every whole record of the file, in file order, and
// returns the number of bytes read. A trailing part shorter than one record
// is not passed on. Memory grows with the records that are really there,
// never with a size taken on trust.
//
// The file is read through one reused buffer of a few hundred records: a
// database of ten thousand archives is some 50 MB, and reading it into one
// fresh block, or record by record, costs more than decoding it.
template <typename Take> qint64 forEachRecord(const QString& path, int recordSize, Take take) {
    constexpr qint64 ChunkBytes = 1 << 20;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throwOpenError(path, file);
    const qint64 chunk = std::max<qint64>(1, ChunkBytes / recordSize) * recordSize;
    QByteArray buffer(chunk, '\0');
    qint64 total = 0;
    for (;;) {
        qint64 filled = 0;
        while (filled < chunk) {
            const qint64 got = file.read(buffer.data() + filled, chunk - filled);
            if (got < 0)
                throw platform::Error(platform::readErrorText(path, file.errorString()));
            if (got == 0)
                break;
            filled += got;
        }
        for (qint64 at = 0; at + recordSize <= filled; at += recordSize)
            take(buffer.constData() + at);
        total += filled;
        if (filled < chunk)
            return total;
    }
}

bool isCleanRecord(const char* record, int recordSize) {
    return recordSize == TSharedFileRecord::RecordSize
               ? TSharedFileRecord::isClean(record)
               : TContentRecord::isClean(record, recordSize);
}

void checkContentSize(int recordSize) {
    if (recordSize != TContentRecord::RecordSize && recordSize != TContentRecord::OldRecordSize)
        throw platform::Error(u"Unsupported record size %1"_s.arg(recordSize));
}

} // namespace

namespace core::content_db {

QList<TContentRecord> ReadAll(const QString& path, int recordSize) {
    checkContentSize(recordSize);
    QList<TContentRecord> records;
    forEachRecord(path, recordSize, [&](const char* r) {
        if (TContentRecord::isClean(r, recordSize))
            records.append(TContentRecord::fromBytes(r, recordSize));
    });
    return records;
}

void EncodeRecords(const QList<TContentRecord>& records,
                   const std::function<void(const char* data, qint64 size)>& sink) {
    // Streamed through one reused buffer: ten thousand records are some
    // 50 MB, which need not be in memory twice.
    constexpr qsizetype ChunkRecords = 192;
    QByteArray chunk(ChunkRecords * TContentRecord::RecordSize, '\0');
    qsizetype filled = 0;
    for (const TContentRecord& rec : records) {
        rec.writeTo(chunk.data() + filled * TContentRecord::RecordSize);
        if (++filled == ChunkRecords) {
            sink(chunk.constData(), filled * TContentRecord::RecordSize);
            filled = 0;
        }
    }
    if (filled > 0)
        sink(chunk.constData(), filled * TContentRecord::RecordSize);
}

void WriteAll(const QString& path, const QList<TContentRecord>& records) {
    platform::AtomicFile file(path);
    file.openForWriting();
    EncodeRecords(records, [&file](const char* data, qint64 size) { file.writeAll(data, size); });
    file.commit();
}

QByteArray AppendedBytes(const QString& path, const TContentRecord& record) {
    // Rewritten whole rather than appended in place: the old clean records
    // keep their exact bytes, a trailing partial record cannot shift the new
    // one out of line, and a failed write leaves the old file as it was.
    QByteArray bytes = CleanRecordBytes(path, TContentRecord::RecordSize);
    bytes += record.toBytes();
    return bytes;
}

void Append(const QString& path, const TContentRecord& record) {
    platform::writeBytes(path, AppendedBytes(path, record));
}

std::optional<QByteArray> ReplacedBytes(const QString& path, const TContentRecord& appended,
                                        const std::optional<TContentRecord>& replacement) {
    QByteArray bytes = CleanRecordBytes(path, TContentRecord::RecordSize);
    const QByteArray old = appended.toBytes();
    for (qsizetype at = bytes.size() - TContentRecord::RecordSize; at >= 0;
         at -= TContentRecord::RecordSize) {
        if (QByteArrayView(bytes).sliced(at, TContentRecord::RecordSize) != old)
            continue;
        if (replacement)
            bytes.replace(at, TContentRecord::RecordSize, replacement->toBytes());
        else
            bytes.remove(at, TContentRecord::RecordSize);
        return bytes;
    }
    return std::nullopt;
}

void ReplaceAppended(const QString& path, const TContentRecord& appended,
                     const std::optional<TContentRecord>& replacement) {
    if (const std::optional<QByteArray> bytes = ReplacedBytes(path, appended, replacement))
        platform::writeBytes(path, *bytes);
}

TContentRecord FindByName(const QString& path, const QString& name) {
    const QList<TContentRecord> records = ReadAll(path);
    for (const TContentRecord& rec : records) {
        if (rec.DisplayName == name || rec.ArchiveName == name)
            return rec;
    }
    throw platform::Error(u"No record of \"%1\" in \"%2\"."_s.arg(name, path));
}

QList<TSharedFileRecord> ReadAllShared(const QString& path) {
    QList<TSharedFileRecord> records;
    forEachRecord(path, TSharedFileRecord::RecordSize, [&](const char* r) {
        if (TSharedFileRecord::isClean(r))
            records.append(TSharedFileRecord::fromBytes(r));
    });
    return records;
}

void WriteAllShared(const QString& path, const QList<TSharedFileRecord>& records) {
    QByteArray bytes;
    bytes.reserve(records.size() * TSharedFileRecord::RecordSize);
    for (const TSharedFileRecord& rec : records)
        bytes += rec.toBytes();
    platform::writeBytes(path, bytes);
}

FileReading InspectFile(const QString& path, int recordSize) {
    if (recordSize != TSharedFileRecord::RecordSize)
        checkContentSize(recordSize);
    FileReading reading;
    const qint64 read = forEachRecord(path, recordSize, [&](const char* r) {
        if (isCleanRecord(r, recordSize))
            ++reading.cleanRecords;
        else
            ++reading.droppedRecords;
    });
    reading.tornBytes = read % recordSize;
    return reading;
}

QByteArray CleanRecordBytes(const QString& path, int recordSize) {
    if (recordSize != TSharedFileRecord::RecordSize)
        checkContentSize(recordSize);
    QByteArray bytes;
    forEachRecord(path, recordSize, [&](const char* r) {
        if (isCleanRecord(r, recordSize))
            bytes.append(r, recordSize);
    });
    return bytes;
}

void CreateMissingFiles(const AppState& state) {
    QStringList files = catalogue::recordFiles(state);
    files.append(state.sharedDataPath());
    for (const QString& path : std::as_const(files)) {
        if (QFileInfo::exists(path))
            continue;
        QFile file(path);
        // NewOnly: never truncate a file that appeared in the meantime.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw platform::Error(platform::cannotCreateText(path, file.errorString()));
    }
}

void UpgradeRecords(const AppState& state) {
    // Decoding with the old size and encoding anew copies the fields one by
    // one into a zero-filled record, and only entries 1 to FileCount. Both
    // files are read before either is written, so a file that cannot be
    // read leaves both unconverted rather than one converted twice later.
    const QStringList files = catalogue::recordFiles(state);
    QList<QList<TContentRecord>> records;
    for (const QString& path : files)
        records.append(ReadAll(path, TContentRecord::OldRecordSize));
    for (qsizetype i = 0; i < files.size(); ++i)
        WriteAll(files[i], records[i]);
}

} // namespace core::content_db
