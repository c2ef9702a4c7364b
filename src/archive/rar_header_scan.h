#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace archives {

/// What the block headers of a rar archive tell about it, read without
/// decompressing anything. The libarchive backend uses it for what that
/// library does not report: encrypted RAR5 entries and headers, and the
/// CRC of stored data, which it does not check.
struct RarHeaderFacts {
    /// One file header (folders included), in archive order.
    struct Entry {
        /// The stored name, decoded (RAR4: its Unicode form when present,
        /// else the bytes as UTF-8; RAR5: UTF-8), separators as stored.
        QString name;
        quint64 unpackedSize = 0;
        bool sizeKnown = true;
        bool folder = false;
        bool encrypted = false;
        bool splitAfter = false;
        /// RAR5 file copy: the name of the earlier entry whose data this
        /// entry repeats (no data stored here); empty otherwise.
        QString copyOf;
        /// CRC32 of the unpacked data when the archive stores one.
        std::optional<quint32> crc;
    };

    bool recognised = false; ///< a RAR4 or RAR5 signature at the start
    bool rar5 = false;
    bool headersEncrypted = false;
    bool volume = false;
    QList<Entry> entries;
};

/// Reads the block headers of `path`. Stops quietly at the first header
/// that does not fit the file; a file that is no rar archive gives
/// `recognised` false. At most `maxEntries` entries are kept.
RarHeaderFacts scanRarHeaders(const QString& path, qsizetype maxEntries = 100000);

/// The name field of a RAR4 file header: the narrow name, and after a zero
/// byte, when there is one, its compressed Unicode form.
QString decodeRar4Name(const QByteArray& field, bool unicode);

/// CRC32 (IEEE) continued over `size` bytes; start with 0.
quint32 rarCrc32Update(quint32 crc, const char* data, qsizetype size);

} // namespace archives
