#pragma once

#include "core/command_context.h"
#include "core/content_catalogue.h"
#include "install/install.h"

#include <QList>
#include <QString>
#include <QStringList>

/// "Verify installation": the records and sharedfiles.dat held against the
/// game folders, and the actions that bring them together again. Files
/// deleted or replaced by hand, content installed by hand or by another
/// tool, or a run killed half-way leave the two apart; the check lists what
/// disagrees and changes nothing, each action changes only what it is given.
namespace install {

/// An installed record some of whose files the game folders no longer hold.
struct MissingFiles {
    catalogue::ContentKind page = catalogue::ContentKind::Maps;
    /// The record as the page's installed list shows it.
    catalogue::ListEntry entry{QString()};
    QString archiveName;
    /// The archive a reinstall extracts; empty when it no longer exists.
    QString archivePath;
    /// The missing files, by the names the install placed them under.
    QStringList missing;
    bool canReinstall() const { return !archivePath.isEmpty(); }
};

/// Why a count of sharedfiles.dat disagrees with the records.
enum class CountProblem {
    NotListed, ///< no installed record lists the file any more
    Duplicate, ///< an earlier record of the file holds its count
    FileGone,  ///< the game folder no longer has the file
    TooLow,    ///< below the number of installed records that list it
    TooHigh,   ///< more than one above that number
};

/// A record of sharedfiles.dat that disagrees with the records.
struct CountDrift {
    QString fileName; ///< as stored
    qint32 count = 0;
    /// The installed records that list the file (each once).
    int users = 0;
    CountProblem problem = CountProblem::NotListed;
    /// What "Repair counts" sets: the users, plus one when the count tells
    /// that the game had the file before them; below 2 the record goes.
    qint32 repaired = 0;
};

/// A record not installed whose every file the game folders already hold,
/// though not all of them through installed records: content installed by
/// hand or by another tool.
struct Adoptable {
    catalogue::ContentKind page = catalogue::ContentKind::Maps;
    /// The record as the page's list of archives not installed shows it.
    catalogue::ListEntry entry{QString()};
    QString archiveName;
    /// The files found, by the names the install places them under.
    QStringList files;
};

/// A game file's own bytes, kept when an install overwrote the file, that
/// no installed record needs any more (its records were marked not
/// installed, or removed): they wait in the data folder until put back.
struct StrayOriginal {
    QString gamePath; ///< where they go back to
    QString kept;     ///< where they are now
    qint64 size = 0;
};

/// What the check found; plain values, in record file order.
struct VerifyReport {
    QList<MissingFiles> missing;
    QList<CountDrift> counts;
    QList<Adoptable> adoptable;
    /// In the order of the index of kept originals.
    QList<StrayOriginal> originals;
    /// Installed records looked at, and their files looked for.
    int installedRecords = 0;
    int filesLooked = 0;
    bool agrees() const {
        return missing.isEmpty() && counts.isEmpty() && adoptable.isEmpty() && originals.isEmpty();
    }
};

/// Checks every record of mapdata.dat and somdata.dat against the game
/// folders, each file that the extension table sends to a game folder
/// (help files excepted: they are placed only on request and renamed),
/// found ignoring case; each game folder is listed once. Changes nothing.
/// Throws platform::Error when the game folder is not set or not there,
/// since every file would then look missing.
VerifyReport VerifyInstallation(CommandContext& ctx);

/// The install run of one page's reinstalled archives.
struct ReinstallRun {
    catalogue::ContentKind page;
    InstallResult result;
};

/// "Reinstall": for each entry whose archive still exists and can be read,
/// the record is uninstalled as "Uninstall" does it (the files it alone
/// placed are deleted, its counts released), then the archives are
/// installed again by the normal install run, one run per page. An entry
/// whose archive is gone or cannot be read is left as it was and named
/// among the run's failures. The caller runs FinishInstall for each run.
QList<ReinstallRun> ReinstallArchives(CommandContext& ctx, const QList<MissingFiles>& entries);

/// "Mark as not installed": the records' installed flag and date cleared
/// and their shared counts released as an uninstall releases them, with
/// no file deleted; records and counts written in one step. A mutator or
/// skin whose archive was deleted after its install leaves the records, as
/// after an uninstall. Returns how many records changed.
int MarkNotInstalled(CommandContext& ctx, const QList<MissingFiles>& entries);

/// "Repair counts": the counts of sharedfiles.dat naming `fileNames` (all
/// that disagree when empty) set as CountDrift::repaired says, the records
/// of files no installed record lists dropped. Judged anew from the disk,
/// not from an earlier report. Returns how many records changed or went.
int RepairCounts(CommandContext& ctx, const QStringList& fileNames = {});

/// "Mark as installed" for content found in the game: the existing
/// command, once per page that has entries (it asks first). Returns true
/// when a record file was rewritten.
bool AdoptContent(CommandContext& ctx, const QList<Adoptable>& entries);

/// The kept originals no installed record needs (VerifyInstallation fills
/// VerifyReport::originals with these).
QList<StrayOriginal> StrayOriginals(CommandContext& ctx);

/// "Put back": each of `originals` (all of them when empty) goes back into
/// the game over what is there now, as one transaction, and leaves the
/// index. Judged anew from the disk. Returns how many went back.
int PutBackOriginals(CommandContext& ctx, const QStringList& gamePaths = {});

/// The entries of `report` named `names`, by list entry, by "NAME#N" for
/// the N-th of equal names in one list, or by archive name (ignoring case):
/// what the command line's names mean.
QList<Adoptable> adoptableNamed(const VerifyReport& report, const QStringList& names);
QList<MissingFiles> missingNamed(const VerifyReport& report, const QStringList& names);

/// One line saying what the check found, for the status bar and the
/// dialog: "  All 12 installed archives agree with the game folders." or
/// the number of entries of each list.
QString summaryText(const VerifyReport& report);

/// Short words for the problems and pages, as lists and reports show them.
QString problemText(CountProblem problem);
QString pageText(catalogue::ContentKind page);

} // namespace install
