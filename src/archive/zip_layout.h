#pragma once

#include <QString>

namespace archives {

/// The fixed part of a zip's end of central directory record, in bytes:
/// where the search for the central directory starts.
inline constexpr qint64 ZipEndRecordSize = 22;

/// Whether two entries of a zip share bytes: each entry's local header and
/// compressed data, found through the central directory, must lie apart. A
/// bomb points many entries at one block of compressed data, so that each
/// counts in full when extracted while the file stays small. False when the
/// layout is sound, and also when it cannot be read (the extraction then
/// reports its own error). Reads the end of the file, the central
/// directory (at most 64 MiB of it) and 30 bytes per entry; never trusts a
/// count or an offset the file does not prove.
bool zipEntriesOverlap(const QString& path);

} // namespace archives
