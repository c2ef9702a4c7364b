#pragma once

#include "core/globals.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

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
};

/// Record of sharedfiles.dat: a game file placed by more than one archive.
struct TSharedFileRecord {
    static constexpr int RecordSize = 56;
    QString FileName; ///< string[50]
    qint32 RefCount = 0;

    QByteArray toBytes() const;
    static TSharedFileRecord fromBytes(const char* data);
};

/// Fixed-capacity text fields: UTF-8 on disk, cut to at most `capacity`
/// bytes at a character boundary; bytes that are not valid UTF-8 are read
/// as Windows-1252 (record files written on Windows).
namespace record_text {
QByteArray encode(const QString& text, int capacity);
QString decode(const char* data, int length);
} // namespace record_text

/// Whole-file operations. Errors throw platform::Error with a readable text.
namespace content_db {
QList<TContentRecord> ReadAll(const QString& path, int recordSize = TContentRecord::RecordSize);
/// Atomic rewrite of the whole file.
void WriteAll(const QString& path, const QList<TContentRecord>& records);
void Append(const QString& path, const TContentRecord& record);
/// Replaces the last record of the file that is byte for byte `appended`
/// (what an Append wrote) with `replacement`, or removes it when there is
/// none; nothing changes when no such record is there.
void ReplaceAppended(const QString& path, const TContentRecord& appended,
                     const std::optional<TContentRecord>& replacement);
/// First record whose DisplayName or ArchiveName equals `name` exactly.
/// Throws platform::Error when none does.
TContentRecord FindByName(const QString& path, const QString& name);

QList<TSharedFileRecord> ReadAllShared(const QString& path);
void WriteAllShared(const QString& path, const QList<TSharedFileRecord>& records);

/// Creates each of the three record files that does not exist, empty.
void CreateMissingFiles(const AppState& state);
/// Converts mapdata.dat and somdata.dat from 3296- to 5336-byte records.
void UpgradeRecords(const AppState& state);
} // namespace content_db
