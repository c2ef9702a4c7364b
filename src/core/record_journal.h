#pragma once

#include "core/content_db.h"
#include "core/globals.h"
#include "core/namespaces.h"
#include "core/shared_files.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// A record file and sharedfiles.dat rewritten as one step. An install or
/// uninstall changes both: a kill between the two rewrites would leave
/// counts that disagree with the records, and a later uninstall would then
/// delete a file another archive still needs, or keep one for ever.
///
/// Before either file is replaced, a journal (pairwrite.journal in the
/// program folder) is written atomically with the fingerprint of the new
/// record file and the whole new sharedfiles.dat. The record file is
/// replaced, then sharedfiles.dat, then the journal goes. At the next
/// start a journal left behind is finished when the record file is the new
/// one (its counts are written), or dropped when it is still the old one
/// (neither file had changed).
namespace core::record_journal {

/// The new content of sharedfiles.dat; nullopt when the counts stay as
/// they are (only the record file is then rewritten, without a journal).
using SharedCounts = std::optional<catalogue::SharedFiles>;

/// Writes `records` to `recordPath` and `shared` to sharedfiles.dat as one
/// step (see above). Throws platform::Error; a failure before the record
/// file is replaced changes nothing, one after it leaves the journal for
/// the next start to finish.
void WriteRecordsAndShared(const AppState& state, const QString& recordPath,
                           const QList<TContentRecord>& records, const SharedCounts& shared);
/// The same with the record file's bytes given whole.
void WriteBytesAndShared(const AppState& state, const QString& recordPath,
                         const QByteArray& recordBytes, const SharedCounts& shared);

enum class Recovery {
    NothingPending, ///< no journal
    Finished,       ///< the record file was new: the counts were written
    Dropped,        ///< the record file was old (or the journal unreadable)
};
/// At start-up: finishes or drops what a killed run left (see above), and
/// removes the temporary files of atomic rewrites in the program folder
/// that a kill left. Throws platform::Error when the counts cannot be
/// written; the journal then stays for the next start.
Recovery RecoverInterruptedWrite(const AppState& state);

/// The journal's path.
QString journalPath(const AppState& state);

} // namespace core::record_journal
