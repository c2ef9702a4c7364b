#include "install/placement.h"

#include "archive/archive_formats.h"
#include "core/archive_calls.h"
#include "core/content_catalogue.h"
#include "core/transaction.h"
#include "install/game_paths.h"
#include "platform/atomic_file.h"
#include "platform/dialogs.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace install {

namespace {

/// How a placement step names the file in its destination.
enum class Naming {
    Unchanged,
    MergeOrCopy, ///< .int: the game's player, weapon and map lists are merged
    Numbered,    ///< stem + "-" + n + ext, n from 1 per extension
    Readme,      ///< "readme" + ext becomes stem + "-readme" + ext
};

Naming namingOf(const QString& ext) {
    if (ext == u".int"_s)
        return Naming::MergeOrCopy;
    if (catalogue::isNumberedPicture(ext))
        return Naming::Numbered;
    if (catalogue::isRenamedReadme(u"readme"_s + ext))
        return Naming::Readme;
    return Naming::Unchanged;
}

/// The destination folder of a step, resolved ignoring case; a missing
/// one is made inside its existing parent, so the copy has a place to go.
QString destinationFolder(CommandContext& ctx, const QString& dir) {
    const QString folder = detail::gameFolder(ctx, dir);
    if (QFileInfo(folder).isDir())
        return folder;
    const QString path = folder.chopped(1);
    const QFileInfo info(path);
    if (QFileInfo(info.path()).isDir() && QDir(info.path()).mkdir(info.fileName()))
        ctx.folders.added(path);
    return folder;
}

/// Copies `source` to `folder` + `name`, or onto the file the folder holds
/// under that name in another case; with `failIfExists` an existing file is
/// left as it is (a success).
platform::Outcome copyInto(CommandContext& ctx, const QString& source, const QString& folder,
                           const QString& name, bool failIfExists, CopyResult& result) {
    const std::optional<QString> existing = ctx.folders.find(folder, name);
    if (existing && failIfExists)
        return platform::Outcome::success();
    const QString target = existing.value_or(folder + name);
    const platform::Outcome copied = platform::copyFileAtomically(source, target);
    if (!copied)
        return copied;
    if (!existing) {
        ctx.folders.added(target);
        result.created.append(target);
    }
    return copied;
}

} // namespace

QString ArchiveStem(const QString& archivePath) {
    if (!archives::formatOf(archivePath))
        return {};
    QString name = platform::fileNamePart(archivePath);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.remove(dot, 4);
    return name;
}

namespace {

/// One file of TempDir and where the placement puts it.
struct PlannedCopy {
    platform::FileEntry file;
    QString folderValue; ///< the game folder value (AppState)
    QString target;      ///< the name in the destination
    QString shown;       ///< the name the status shows
    bool merge = false;  ///< a .int list merged into the game's own
    bool numbered = false;
};

/// What CopyToGameFolders will do, in its order: the extension steps, each
/// over the files of TempDir with that extension.
QList<PlannedCopy> planCopies(CommandContext& ctx, const QString& archivePath) {
    QList<PlannedCopy> plan;
    const QString stem = ArchiveStem(archivePath);
    // One listing serves every step: each file matches one extension only.
    const QList<platform::FileEntry> files = detail::tempFiles(ctx);
    for (const catalogue::ExtensionRule& step : catalogue::extensionTable()) {
        if (step.extra && !ctx.state.InstallExtraFiles)
            continue;
        const Naming naming = namingOf(step.ext);
        int n = 1;
        for (const platform::FileEntry& file : files) {
            if (!catalogue::hasExtension(file.name, step.ext))
                continue;
            PlannedCopy copy{file, ctx.state.*step.folder, file.name, file.name};
            copy.merge = naming == Naming::MergeOrCopy && catalogue::isMergedInt(file.name);
            if (naming == Naming::Numbered) {
                copy.target = stem + u'-' + QString::number(n++) + step.ext;
                copy.numbered = true;
            } else if (naming == Naming::Readme && catalogue::isRenamedReadme(file.name)) {
                copy.target = stem + u"-readme"_s + step.ext;
                copy.shown = copy.target;
            }
            plan.append(copy);
        }
    }
    return plan;
}

/// Keeps what `path` holds before it is replaced: the game's own file (no
/// installed record lists it) as an original until its last user goes,
/// any other in the run's backups. Nothing is kept for a file not there.
platform::Outcome keepBefore(CommandContext& ctx, RunJournal& journal, const QString& folderValue,
                             const QString& folder, const QString& name, bool mayBeOriginal) {
    const std::optional<QString> existing = ctx.folders.find(folder, name);
    if (!existing) {
        journal.ops.append({txn::Op::Created, folder + name, {}});
        return platform::Outcome::success();
    }
    // A folder in the way is never replaced: the copy fails on it.
    const QFileInfo info(*existing);
    if (info.isDir() && !info.isSymLink())
        return platform::Outcome::success();
    const bool original = mayBeOriginal && journal.uses.uses(folderValue, name) == 0 &&
                          !journal.originals.keptFor(*existing);
    const QString backup =
        original ? journal.originals.reserve(*existing) : journal.txn.newBackupPath();
    const platform::Outcome kept = txn::keepBytes(*existing, backup);
    if (!kept) {
        if (original)
            journal.originals.drop(*existing);
        return kept;
    }
    if (original)
        journal.keptNow.append(*existing);
    journal.ops.append({txn::Op::Kept, *existing, backup});
    return kept;
}

/// Logs the archive's steps before any file is copied; false (with the
/// reason in the run's FailedCopies) when what it would replace cannot be
/// kept.
bool logPlan(CommandContext& ctx, RunProgress& progress, RunJournal& journal,
             const QList<PlannedCopy>& plan) {
    for (const PlannedCopy& copy : plan) {
        const QString folder = destinationFolder(ctx, copy.folderValue);
        platform::Outcome kept = platform::Outcome::success();
        if (copy.merge) {
            // The merged list and its ".old" backup are put back on undo;
            // the list is the game's, never an original to restore later.
            kept = keepBefore(ctx, journal, copy.folderValue, folder, copy.target, false);
            if (kept && ctx.folders.exists(folder, copy.target))
                kept = keepBefore(ctx, journal, copy.folderValue, folder,
                                  platform::fileNamePart(ctx.folders.resolve(folder, copy.target)) +
                                      u".old"_s,
                                  false);
        } else {
            kept = keepBefore(ctx, journal, copy.folderValue, folder, copy.target, true);
        }
        if (!kept) {
            progress.FailedCopies.append(copy.shown + u" -> "_s + folder + u": "_s + kept.error());
            return false;
        }
    }
    journal.txn.log(journal.ops);
    return true;
}

} // namespace

CopyResult CopyToGameFolders(CommandContext& ctx, RunProgress& progress, bool failIfExists,
                             const QString& archivePath, RunJournal* journal) {
    CopyResult result;
    const QList<PlannedCopy> plan = planCopies(ctx, archivePath);
    if (journal && !logPlan(ctx, progress, *journal, plan)) {
        result.failed = int(plan.size());
        return result;
    }
    for (const PlannedCopy& copy : plan) {
        const platform::FileEntry& file = copy.file;
        if (file.readOnly)
            platform::clearReadOnly(file.path);
        if (copy.merge) {
            MergeIntFile(ctx, file.name);
            continue;
        }
        ctx.status.setStatus(progress.ProgressText + u"... Copying "_s + copy.shown);
        const QString folder = destinationFolder(ctx, copy.folderValue);
        // A file that did not arrive is not placed: it stays in TempDir
        // (a cache run puts it back into the cache) and is named at the
        // end of the run.
        const platform::Outcome copied =
            copyInto(ctx, file.path, folder, copy.target, failIfExists, result);
        if (!copied) {
            progress.FailedCopies.append(copy.shown + u" -> "_s + folder + u": "_s +
                                         copied.error());
            ++result.failed;
            continue;
        }
        if (QFile::remove(file.path))
            ctx.folders.removed(file.path);
        ++progress.ProgressDone;
        ++result.placed;
    }
    return result;
}

int RemoveInterruptedCopies(CommandContext& ctx) {
    if (ctx.state.GameDir.isEmpty() || !QFileInfo(ctx.state.GameDir).isDir())
        return 0;
    QStringList folders;
    for (const catalogue::ExtensionRule& rule : catalogue::extensionTable()) {
        const QString folder = detail::gameFolder(ctx, ctx.state.*rule.folder);
        if (!folders.contains(folder))
            folders.append(folder);
    }
    int removed = 0;
    for (const QString& folder : std::as_const(folders)) {
        const QDir dir(folder);
        const QStringList left =
            dir.entryList({u"*.quorvel-??????"_s}, QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : left) {
            if (QFile::remove(dir.filePath(name)))
                ++removed;
        }
    }
    return removed;
}

void ReportFailedCopies(CommandContext& ctx, const QStringList& failed) {
    if (failed.isEmpty())
        return;
    const QString text = u"These files could not be copied into the game:\r"_s +
                         failed.join(u'\r') +
                         u"\r\rCheck that you may write to the game's folders, then try again."_s;
    ctx.dialogs.message(platform::MsgKind::Error, text, platform::Ok, QPoint(25, 150));
}

} // namespace install
