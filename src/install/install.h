#pragma once

#include "core/command_context.h"
#include "core/content_catalogue.h"
#include "core/kept_originals.h"
#include "core/run_progress.h"
#include "core/shared_files.h"
#include "core/transaction.h"

#include <QString>
#include <QStringList>

/// The "&Install" command of the Maps, Mutators and Skins pages: each
/// selected archive is extracted into TempDir, placed in the game folders,
/// and its record marked installed.
namespace install {

/// What a run leaves for its end (FinishInstall): its progress (the
/// archives counted, the files placed, the files that could not be copied)
/// and what became of each entry.
struct InstallResult : RunProgress {
    /// False when nothing was selected: the status says so and nothing
    /// else happened.
    bool ran = false;
    /// The placement result of the last archive whose extraction
    /// succeeded: the final status reports the run when true, and
    /// "  Operation cancelled" when false.
    bool ok = false;
    /// The entries that were not installed for a reason the user was not
    /// asked about: their extraction failed, or no record of the page
    /// holds them. In run order.
    QStringList FailedArchives;
    /// Why each of FailedArchives failed (the component's words), same order.
    QStringList failureReasons;
    void fail(const QString& entry, const QString& reason) {
        FailedArchives.append(entry);
        failureReasons.append(reason);
    }
    /// The entries accepted whose archive placed no file: every file was
    /// of a type the game does not use, or could not be copied. In run
    /// order; not counted among the installed.
    QStringList nothingPlaced;
    /// Where each archive sent to the trash went, as the trash said.
    QStringList trashedTo;
    /// "Yes to All" answered to the question before an archive
    /// (CommandContext::beforeInstall): the rest of the run is not asked.
    bool installAnyway = false;
};

/// Installs the entries `selected` (in list order, as the page's left list
/// shows them) and rewrites the page's record file. The result's
/// ProgressTotal, ProgressDone and FailedCopies tell how the run went; the status shows the
/// progress per file and, for several entries, a progress bar of the entries done, hidden again
/// when the run ends. OverwriteAlways and TempDir are put back on every way out. Nothing selected:
/// "  Nothing selected".
///
/// An error (a record file that cannot be read or written, ...) ends the
/// run and is thrown as platform::Error after the records of the archives
/// already installed have been written, when that can still be done.
InstallResult InstallArchives(CommandContext& ctx, catalogue::ContentKind kind,
                              const QList<catalogue::ListEntry>& selected, bool deleteAfter);

/// What the commit of a run rewrites: `records` as `recordPath`, the
/// counts of `shared` (those above 1) as sharedfiles.dat, and the index of
/// kept originals when it changed. The lists are read when the commit
/// writes, so they must live until then.
QList<txn::Transaction::Rewrite> RunRewrites(const AppState& state, const QString& recordPath,
                                             const QList<TContentRecord>& records,
                                             const catalogue::SharedFiles& shared,
                                             const txn::KeptOriginals& originals);

/// The end of a run, after the page has refilled its lists and the window
/// is no longer busy: the error box naming the failed entries, the final
/// status line, and what is left in TempDir moved to ToBeMoved with a
/// warning.
void FinishInstall(CommandContext& ctx, catalogue::ContentKind kind, const InstallResult& result);

} // namespace install
