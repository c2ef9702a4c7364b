#pragma once

#include "core/command_context.h"
#include "core/shared_files.h"
#include "install/install.h"
#include "install/placement.h"

#include <QString>
#include <QStringList>

/// The "Uninstall" and "Uninstall && Delete" commands of the Maps,
/// Mutators and Skins pages: the recorded files of each selected installed
/// archive are deleted from the game folders, except those another
/// installed archive still uses, and the records marked not installed.
namespace install {

/// What an uninstall run came to; its ProgressDone counts the files
/// deleted or put back.
struct UninstallResult : RunProgress {
    /// False when nothing was selected: the status says so, nothing else
    /// happened.
    bool ran = false;
    /// The closing status line, to be shown after the lists are reloaded.
    QString status;
    /// Entries without an installed record: skipped, named in `status`.
    QStringList skipped;
    /// Game files the system refused to delete ("path: reason"); their
    /// records stay installed. Named by FinishUninstall.
    QStringList undeletable;
};

/// Uninstalls the entries `selected` (as the page's right list shows
/// them, in list order), rewrites the page's record file and
/// sharedfiles.dat and, when `deleteArchives`, sends the archives to the
/// trash. The caller reloads the lists, then shows result.status, then
/// (deleting) runs "Update database". Nothing selected: "  No maps
/// selected! Try again." or "  No files selected! Try again.".
///
/// Only what the archive placed goes: each recorded file once, by the
/// name extraction gave it, compared ignoring case as the game finds
/// files; never a merged .int file (it holds the game's own entries),
/// never a help file under its recorded name (the install renamed it; the
/// help names this archive's install produced are deleted instead), never
/// a name that may have been cut to fit the record.
UninstallResult UninstallArchives(CommandContext& ctx, catalogue::ContentKind kind,
                                  const QList<catalogue::ListEntry>& selected, bool deleteArchives);

/// A game file whose last user an uninstalled record was: the uninstall
/// deletes it.
struct ReleasedFile {
    QString folder; ///< the game folder value (AppState, ending in "/")
    QString name;   ///< the file name as placed
    QString entry;  ///< the record's entry naming it
};

/// The users of `rec`'s files go down by one, as its uninstall counts them:
/// `rec` leaves `uses`, and each file it placed (once, however often it is
/// listed) is released in `shared`. Returns the files no one uses any more:
/// no count above 0 left and no other installed record listing them. Never
/// a merged .int file, a help file under its recorded name, or a name that
/// may have been cut to fit the record. `stillCounted` gets the files no
/// installed record lists any more whose count still holds a user: the
/// game's own, when the archive overwrote it.
QList<ReleasedFile> ReleaseRecord(const AppState& state, const TContentRecord& rec,
                                  catalogue::SharedFiles& shared, catalogue::RecordedUses& uses,
                                  QList<ReleasedFile>* stillCounted = nullptr);

/// Uninstalls one record as "Uninstall" does: ReleaseRecord, then the
/// files no one uses any more and the help files its install named after
/// the archive are deleted, and the record is marked not installed. A file
/// the archive overwrote gets the game's own bytes back once no installed
/// record lists it. The deletions are a step of `journal`'s transaction,
/// logged before any file goes. The status shows the run's ProgressText
/// and each file; its ProgressDone counts the files deleted or put back. A file the system refuses
/// to delete (or that cannot be kept first) is named in `failed`; every file of the record is then
/// as it was, and the record stays installed with `shared` and the uses as they were.
void UninstallRecord(CommandContext& ctx, RunProgress& progress, TContentRecord& rec,
                     catalogue::SharedFiles& shared, RunJournal& journal, QStringList& failed);

/// A recorded name of the full 50 bytes may be a longer name cut to fit:
/// a file looked for by it could be another that happens to bear the cut
/// name.
bool RecordedNameMayBeCut(const QString& entry);

/// After the lists are reloaded: the error box naming the game files that
/// could not be deleted, when there are any.
void FinishUninstall(CommandContext& ctx, const UninstallResult& result);

} // namespace install
