#pragma once

#include "core/content_catalogue.h"
#include "core/namespaces.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

/// Whose file is it: the game files that more than one installed record
/// lists, and those the game had before an install placed them again.
/// File info, the Full List and the command line's conflicts show them.
namespace core::file_conflicts {

/// A game file and the installed records that list it.
struct SharedFile {
    QString fileName; ///< as the first record lists it (its placed name)
    /// The installed records listing it, as their lists show them, in
    /// record file order, maps first.
    QStringList users;
    /// sharedfiles.dat counts more users than the records: an install
    /// found the file in the game already.
    bool gameHadIt = false;
};

/// The records of a record file (named as in the kinds' rows).
using RecordsOf = std::function<const QList<TContentRecord>&(catalogue::RecordFileOf)>;

/// Every record file read once, now. A missing file lists nothing when
/// `missingIsEmpty`; otherwise it throws platform::Error, as an unreadable
/// one always does.
RecordsOf readRecordFiles(const AppState& state, bool missingIsEmpty);

/// Every game file that installed records of the record files list (each
/// file's `records`, in page order), with its users; a file is known by its game
/// folder and its name ignoring case, as the game finds it. Pictures and
/// readmes, which the install renames after their archive, are left out.
/// `sharedPath` is sharedfiles.dat (a missing file counts nothing).
QList<SharedFile> SharedFiles(const AppState& state, const RecordsOf& records,
                              const QString& sharedPath);
/// The same from the record files on disk (a missing one lists nothing).
QList<SharedFile> SharedFilesOnDisk(const AppState& state);

/// The files listed by more than one installed record: the conflicts.
QList<SharedFile> Conflicts(const QList<SharedFile>& files);

/// The "Conflicts" section that ends the Full List: an empty line,
/// "Conflicts:", per file a line "\t" + name, a line "\t\tListed by: " and
/// the records, and "\t\tThe game had it before" when it did; then
/// "Total number of conflicts: " + count.
QStringList reportSection(const QList<SharedFile>& conflicts);

/// The "Shared with" cell of each of `files` of an installed `record` in
/// File info: the other installed records that list the file and "the
/// game had it before" when it did, joined by "; "; empty when neither.
/// All empty for a record not installed.
QStringList SharedWith(const AppState& state, const TContentRecord& record,
                       const QStringList& files);

} // namespace core::file_conflicts
