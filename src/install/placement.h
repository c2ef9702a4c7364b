#pragma once

#include "core/command_context.h"
#include "core/content_db.h"
#include "core/kept_originals.h"
#include "core/run_progress.h"
#include "core/shared_files.h"
#include "core/transaction.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

/// Where the files of an unpacked archive go in the game's folders.
namespace install {

/// The categories of InstallFileList, in list order. The existence check
/// visits them in another order (Textures before KarmaData).
enum InstallCategory : int {
    Animations = 0,
    Maps,
    Music,
    Sounds,
    StaticMeshes,
    KarmaData,
    Textures,
    System,
    CategoryCount
};

/// The names of the extracted files that CheckExistingFiles looks for in
/// the game, one list per category. Lists hold as many names as the
/// archive has.
struct InstallFileList {
    std::array<QStringList, CategoryCount> lists;
};

/// Fills the lists from the files directly in TempDir, each with the
/// extension table's files of its folder (help files aside), extension by
/// extension in asking order (for System .u, .int, .ini, .ucl, .upl),
/// leaving out the .int files named exactly XMaps.int, XPlayers.int and
/// XWeapons.int.
InstallFileList BuildInstallFileList(CommandContext& ctx);

/// What copying one archive's files into the game came to.
struct CopyResult {
    int placed = 0; ///< files copied (merged .int files not counted)
    int failed = 0; ///< files that could not be copied (named in the run's FailedCopies)
    /// Paths of the game files that did not exist before this copy.
    QStringList created;
};

/// An install run's transaction as the placement of one archive uses it:
/// the archive's steps are logged before a file is copied, and what a copy
/// replaces is kept first.
struct RunJournal {
    txn::Transaction& txn;
    txn::KeptOriginals& originals;
    /// The files installed records list: an existing file none of them
    /// lists is the game's own, kept as an original.
    catalogue::RecordedUses& uses;
    /// This archive's steps, undone when it is not installed after all.
    QList<txn::Op> ops = {};
    /// The game paths whose originals this archive kept.
    QStringList keptNow = {};
    /// Undoes this archive's steps and forgets its originals.
    void undo(CommandContext& ctx);
};

/// What placing one archive came to.
struct Placement {
    /// No existing file was refused.
    bool accepted = false;
    /// Why the archive was not placed although nobody refused it (the
    /// game's disk has no room for it); empty otherwise.
    QString refusal;
    /// The names the game already had (maps excepted): registered as shared.
    QStringList existing;
    CopyResult copied;
};

/// Places the files of one archive. Precondition: the archive is extracted
/// into TempDir and flattened. Nothing is asked or copied when the files
/// would not fit the free space of the game's disk (less a reserve, as for
/// an extraction; the archive backends' limits tell the free space).
/// `archivePath` names the help files (ArchiveStem); the cache passes none.
///
/// Once the archive is accepted and before anything is copied,
/// `beforeCopying` gets the existing names to register: a caller records
/// the archive as installed and raises the shared counts there, so a kill
/// during the copy never leaves a placed file that no record claims. The
/// existing names are those the game has (maps excepted) and, with
/// `inUse`, those another installed record lists although the file is not
/// there (a run killed before the file arrived, or a file deleted by hand):
/// its count then still says how many records use it.
///
/// With `journal`, the copy is a step of its transaction (see RunJournal).
/// `progress` is the run's, as CheckExistingFiles and CopyToGameFolders
/// count in it.
Placement PlaceArchive(CommandContext& ctx, RunProgress& progress, const QString& archivePath,
                       const std::function<void(const QStringList& existing)>& beforeCopying,
                       const catalogue::RecordedUses* inUse = nullptr,
                       RunJournal* journal = nullptr);

/// PlaceArchive that registers the existing names in sharedfiles.dat before
/// copying. Returns ok: the archive was accepted and the run (`progress`)
/// has placed at least one file so far.
bool PlaceExtractedFiles(CommandContext& ctx, RunProgress& progress, const QString& archivePath);

/// Asks about the listed files that the game already has. Returns the
/// existing names to register as shared (maps excepted, each name once),
/// or nothing when the user refused one (the run's ProgressTotal is then
/// one lower).
std::optional<QStringList> CheckExistingFiles(CommandContext& ctx, RunProgress& progress,
                                              const InstallFileList& lists);

/// Copies the files of TempDir into the game folders by extension and
/// deletes them from TempDir. The status shows the run's ProgressText and
/// each file; each file placed counts in its ProgressDone. A file that
/// cannot be copied is not counted as placed, stays in TempDir and is added
/// to the run's FailedCopies. With `journal`, every file it will create or
/// replace is logged first (and what it replaces kept); when that cannot be
/// done nothing is copied and every file counts as failed.
CopyResult CopyToGameFolders(CommandContext& ctx, RunProgress& progress, bool failIfExists,
                             const QString& archivePath, RunJournal* journal = nullptr);

/// Raises the counts of `names` in sharedfiles.dat (one atomic rewrite),
/// for a placement that writes no record.
void RegisterSharedFiles(CommandContext& ctx, const QStringList& names);

/// At start-up: removes the temporary files (name.quorvel-XXXXXX) that a
/// copy killed half-way left in the game folders; the files themselves are
/// whole, old or new. Returns how many went.
int RemoveInterruptedCopies(CommandContext& ctx);

/// At the end of a run: names the run's FailedCopies in an error box.
/// Nothing when there are none.
void ReportFailedCopies(CommandContext& ctx, const QStringList& failed);

/// The archive's file name without folder, with four characters deleted
/// from its first "." ("DM-Foo.zip" gives "DM-Foo", "DM-Foo.big.zip"
/// "DM-Foo.zip"), for an archive of a known format (by extension, any
/// case); empty for anything else. The help files of an archive are named after it.
QString ArchiveStem(const QString& archivePath);

/// Appends TempDir's `name` to the game's System file of that name, after
/// a ".old" backup; creates the game's file when it has none.
void MergeIntFile(CommandContext& ctx, const QString& name);

} // namespace install
