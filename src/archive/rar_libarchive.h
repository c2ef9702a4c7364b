#pragma once

#include "archive/rar_common.h"

#include <QString>

namespace archives {

/// Lists or extracts a rar archive (RAR 2.9-4.x and RAR5) with libarchive,
/// the backend used when the unrar library is not available. Calls
/// `onEntry` for every entry in archive order (link entries are skipped
/// without a call) and, when extracting, writes the entries it answers
/// `Extract` for below `targetDir`, keeping their folder parts. `facts` are
/// the archive's block headers (`scanRarHeaders`), for what libarchive does
/// not tell. `guard` holds the bounds of an extraction; nullptr lists
/// without writing anything. No passwords, no volumes.
///
/// Returns the unrar library's codes: 10 when every entry was processed,
/// 13 when the archive cannot be opened or is damaged, 22 for an encrypted
/// entry that was to be written, 12 for bad entry data (also data past the
/// declared size), 16 when a file or folder cannot be created and 19 when
/// writing fails; or the guard's code when it stops the extraction.
int processRarWithLibarchive(const QString& archivePath, const QString& targetDir,
                             const RarHeaderFacts& facts, RarExtractGuard* guard,
                             const RarEntryHandler& onEntry);

} // namespace archives
