#pragma once

#include "core/globals.h"
#include "core/namespaces.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

/// Record of mapdata.dat and somdata.dat: one archive Quorvel has seen.
/// On disk it is 5336 bytes (RecordSize); text fields hold at most the
/// given number of bytes and are cut at a character boundary.
struct TContentRecord {
    static constexpr int RecordSize = 5336;
    static constexpr int OldRecordSize = 3296; ///< 60 file entries
    static constexpr int MaxFiles = 100;
    static constexpr int OldMaxFiles = 60;

    QString ArchiveName;  ///< string[50]
    QString ArchiveDir;   ///< string[100], ends in "/", or "Deleted from disk", or "Cache"
    QString DisplayName;  ///< string[50]
    quint8 Installed = 0; ///< 1 installed, 0 not
    /// 0 map/mutator, 1 same without archive, 2 skin, 3 skin without archive, 10 rejected
    qint32 Kind = 0;
    QString AddedDate;    ///< string[10]
    QString InstallDate;  ///< string[10]
    qint32 FileCount = 0; ///< used entries of Files (0..100)
    /// Entries 1..FileCount, each string[50]. A record read from disk has its
    /// FileCount clamped to 0..MaxFiles (0..OldMaxFiles for old records) and
    /// exactly that many Files; toBytes stores min(FileCount, Files.size()).
    QStringList Files;

    /// The record's 5336 bytes: zero fill, FileCount entries of Files.
    QByteArray toBytes() const;
    /// The same into `dest`, which holds RecordSize bytes.
    void writeTo(char* dest) const;
    /// Reads one record of `recordSize` bytes (5336 or the old 3296).
    static TContentRecord fromBytes(const char* data, int recordSize = RecordSize);
    /// Whether the `recordSize` bytes at `data` can be what a writer of
    /// Quorvel wrote. Every writer, old versions included, keeps to this:
    /// - ArchiveName's length byte is 1 to 50 (each record names its archive);
    /// - the length bytes of ArchiveDir (up to 100), DisplayName (up to 50),
    ///   AddedDate and InstallDate (up to 10) are within their capacity;
    /// - Installed is 0 or 1;
    /// - Kind is 0, 1, 2, 3 or 10;
    /// - FileCount is 0 to 100 (0 to 60 in the old record), and the length
    ///   bytes of entries 1 to FileCount are at most 50.
    /// Not looked at, since writers never promised anything there: the text
    /// bytes themselves (any byte reads, as UTF-8 or Windows-1252), the
    /// bytes after each text, the padding, and the entries after FileCount.
    static bool isClean(const char* data, int recordSize = RecordSize);
};

/// Record of sharedfiles.dat: a game file placed by more than one archive.
struct TSharedFileRecord {
    static constexpr int RecordSize = 56;
    QString FileName; ///< string[50]
    qint32 RefCount = 0;

    QByteArray toBytes() const;
    static TSharedFileRecord fromBytes(const char* data);
    /// Whether the 56 bytes at `data` can be what a writer of Quorvel wrote:
    /// FileName's length byte is 1 to 50, and RefCount is 2 (the least an
    /// entry is written with; the uninstall drops lower ones) to
    /// MaxRefCount. The text bytes and the padding byte are not looked at.
    static bool isClean(const char* data);
    /// Far above any collection: a count grows by one per install of an
    /// archive that found the file already in the game.
    static constexpr qint32 MaxRefCount = 1'000'000;
};

/// Fixed-capacity text fields: UTF-8 on disk, cut to at most `capacity`
/// bytes at a character boundary; bytes that are not valid UTF-8 are read
/// as Windows-1252 (record files written on Windows).
namespace core::record_text {
QByteArray encode(const QString& text, int capacity);
QString decode(const char* data, int length);
} // namespace core::record_text

/// Whole-file operations. Errors throw platform::Error with a readable text.
///
/// The readers return the clean records only (isClean): a trailing part
/// shorter than one record and records no writer could have written are
/// left out, so every rewrite drops them. Before that happens, the record
/// file guard (core/record_guard.h) keeps the file as it was and says so.
namespace core::content_db {
QList<TContentRecord> ReadAll(const QString& path, int recordSize = TContentRecord::RecordSize);
/// Atomic rewrite of the whole file.
void WriteAll(const QString& path, const QList<TContentRecord>& records);
/// Hands the bytes of `records` to `sink` in order, a few hundred records
/// at a time, through one reused buffer.
void EncodeRecords(const QList<TContentRecord>& records,
                   const std::function<void(const char* data, qint64 size)>& sink);
void Append(const QString& path, const TContentRecord& record);
/// What Append would write: the file's clean records, then `record`.
QByteArray AppendedBytes(const QString& path, const TContentRecord& record);
/// Replaces the last record of the file that is byte for byte `appended`
/// (what an Append wrote) with `replacement`, or removes it when there is
/// none; nothing changes when no such record is there.
void ReplaceAppended(const QString& path, const TContentRecord& appended,
                     const std::optional<TContentRecord>& replacement);
/// What ReplaceAppended would write; nullopt when it would change nothing.
std::optional<QByteArray> ReplacedBytes(const QString& path, const TContentRecord& appended,
                                        const std::optional<TContentRecord>& replacement);
/// First record whose DisplayName or ArchiveName equals `name` exactly.
/// Throws platform::Error when none does.
TContentRecord FindByName(const QString& path, const QString& name);

QList<TSharedFileRecord> ReadAllShared(const QString& path);
void WriteAllShared(const QString& path, const QList<TSharedFileRecord>& records);

/// How a record file reads with records of `recordSize` bytes (5336, the
/// old 3296, or 56 for sharedfiles.dat).
struct FileReading {
    qint64 cleanRecords = 0;   ///< whole records that are clean
    qint64 droppedRecords = 0; ///< whole records that are not
    qint64 tornBytes = 0;      ///< a trailing part shorter than one record
    /// The readers would leave something out: a rewrite would lose it.
    bool damaged() const { return droppedRecords > 0 || tornBytes > 0; }
};
FileReading InspectFile(const QString& path, int recordSize);
/// The bytes of the file's clean records, each unchanged, in file order.
QByteArray CleanRecordBytes(const QString& path, int recordSize);

/// Creates each of the three record files that does not exist, empty.
void CreateMissingFiles(const AppState& state);
/// Converts mapdata.dat and somdata.dat from 3296- to 5336-byte records.
void UpgradeRecords(const AppState& state);
} // namespace core::content_db
