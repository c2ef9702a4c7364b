#pragma once

#include <QString>

namespace archives {

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
