#include "install/uninstall.h"

#include "core/content_catalogue.h"
#include "core/shared_files.h"
#include "core/temp_folder.h"
#include "core/transaction.h"
#include "install/game_paths.h"
#include "install/placement.h"
#include "platform/dialogs.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace install {

using catalogue::ContentKind;

namespace {

/// A game file an uninstall takes out: deleted, or replaced by the game's
/// own file kept when the archive overwrote it.
struct Removal {
    QString path;  ///< the game file, found ignoring case
    QString shown; ///< the name the status shows
    bool there = true;
    std::optional<QString> original;
};

/// The help files the install of `rec` named after its archive: stem + "-"
/// + n for each picture of an extension (counted as the placement counts
/// them), stem + "-readme" + ext for each readme. Only these names are
/// this archive's own; nothing else in the help folder is touched.
QStringList producedHelpNames(const TContentRecord& rec) {
    const QString stem = ArchiveStem(rec.ArchiveName);
    if (stem.isEmpty())
        return {};
    QStringList names;
    QHash<QString, int> pictures;
    const qsizetype count = qMin<qsizetype>(rec.FileCount, rec.Files.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = catalogue::placedFileName(rec.Files[i]);
        const QString ext = catalogue::extensionOf(name).toLower();
        if (catalogue::isNumberedPicture(name))
            names.append(stem + u'-' + QString::number(++pictures[ext]) + ext);
        else if (catalogue::isRenamedReadme(name))
            names.append(stem + u"-readme"_s + ext);
    }
    return names;
}

/// The removal of `name` in the game folder value `dir`; `mustGo` when
/// the file is deleted even without a kept original.
std::optional<Removal> removalOf(CommandContext& ctx, const RunJournal& journal, const QString& dir,
                                 const QString& name, const QString& shown, bool mustGo) {
    const QString folder = detail::gameFolder(ctx, dir);
    const std::optional<QString> found = ctx.folders.find(folder, name);
    Removal r{found.value_or(folder + name), shown, found.has_value(), std::nullopt};
    r.original = journal.originals.keptFor(r.path);
    if (r.original && !QFileInfo(*r.original).isFile())
        r.original.reset();
    if (!r.original && (!mustGo || !found))
        return std::nullopt;
    return r;
}

/// Keeps what each removal takes away and logs the step; false, with the
/// reasons in `failed`, when something cannot be kept.
bool logRemovals(RunJournal& journal, const QList<Removal>& removals, QList<txn::Op>& ops,
                 QStringList& failed) {
    for (const Removal& r : removals) {
        if (r.there) {
            const QString backup = journal.txn.newBackupPath();
            const platform::Outcome kept = txn::keepBytes(r.path, backup);
            if (!kept)
                failed.append(r.path + u": "_s + kept.error());
            ops.append({txn::Op::Kept, r.path, backup});
        } else {
            ops.append({txn::Op::Created, r.path, {}});
        }
        if (r.original) {
            const QString backup = journal.txn.newBackupPath();
            const platform::Outcome kept = txn::keepBytes(*r.original, backup);
            if (!kept)
                failed.append(*r.original + u": "_s + kept.error());
            ops.append({txn::Op::Kept, *r.original, backup});
        }
    }
    if (!failed.isEmpty())
        return false;
    journal.txn.log(ops);
    return true;
}

/// Deletes each file or puts the game's own back; false, with the
/// reason in `failed`, at the first that fails.
bool doRemovals(CommandContext& ctx, RunProgress& progress, RunJournal& journal,
                const QList<Removal>& removals, QStringList& failed) {
    for (const Removal& r : removals) {
        ctx.status.setStatus(progress.ProgressText + u"... Deleting "_s + r.shown);
        if (r.original) {
            if (!txn::putBack(*r.original, r.path)) {
                failed.append(r.path + u": the game's own file could not be put back from "_s +
                              *r.original);
                return false;
            }
            journal.originals.drop(r.path);
            ctx.folders.added(r.path);
        } else {
            QFile file(r.path);
            if (!file.remove()) {
                failed.append(r.path + u": "_s + file.errorString());
                return false;
            }
            ctx.folders.removed(r.path);
        }
        ++progress.ProgressDone;
    }
    return true;
}

} // namespace

void UninstallRecord(CommandContext& ctx, RunProgress& progress, TContentRecord& rec,
                     catalogue::SharedFiles& shared, RunJournal& journal, QStringList& failed) {
    AppState& s = ctx.state;
    const catalogue::SharedFiles sharedBefore = shared;
    QList<ReleasedFile> stillCounted;
    QList<Removal> removals;
    for (const ReleasedFile& file : ReleaseRecord(s, rec, shared, journal.uses, &stillCounted)) {
        if (auto r = removalOf(ctx, journal, file.folder, file.name, file.entry, true))
            removals.append(*r);
    }
    // The game had the file before this archive overwrote it: its own
    // bytes come back once no installed record lists it.
    for (const ReleasedFile& file : std::as_const(stillCounted)) {
        if (auto r = removalOf(ctx, journal, file.folder, file.name, file.entry, false))
            removals.append(*r);
    }
    for (const QString& name : producedHelpNames(rec)) {
        if (auto r = removalOf(ctx, journal, s.HelpDir, name, name, true))
            removals.append(*r);
    }
    QList<txn::Op> ops;
    QStringList problems;
    bool done = logRemovals(journal, removals, ops, problems);
    if (done)
        done = doRemovals(ctx, progress, journal, removals, problems);
    if (!done) {
        // Still in use as far as anyone can tell: keep it installed.
        journal.txn.undo(ops);
        for (const Removal& r : std::as_const(removals)) {
            if (r.there)
                ctx.folders.added(r.path);
        }
        failed += problems;
        shared = sharedBefore;
        journal.uses.add(rec);
        return;
    }
    rec.Installed = 0;
    rec.InstallDate.clear();
}

bool RecordedNameMayBeCut(const QString& entry) {
    return record_text::encode(entry, 50).size() >= 50;
}

QList<ReleasedFile> ReleaseRecord(const AppState& s, const TContentRecord& rec,
                                  catalogue::SharedFiles& shared, catalogue::RecordedUses& uses,
                                  QList<ReleasedFile>* stillCounted) {
    QList<ReleasedFile> last;
    uses.remove(rec);
    QSet<QString> done;
    const qint32 count = qMin<qint32>(rec.FileCount, qint32(rec.Files.size()));
    for (qint32 i = 0; i < count; ++i) {
        const QString name = catalogue::placedFileName(rec.Files[i]);
        if (name.isEmpty() || RecordedNameMayBeCut(rec.Files[i]))
            continue;
        const std::optional<QString> dir = catalogue::gameFolderForFile(s, name);
        // Merged lists hold the game's own entries; renamed help files are
        // not under their recorded names (the uninstall finds them by the
        // names their install gave them).
        if (!dir || catalogue::isMergedInt(name) || catalogue::isNumberedPicture(name) ||
            catalogue::isRenamedReadme(name))
            continue;
        // One archive is one user of a file, however often it lists it.
        const QString key = catalogue::gameFileKey(*dir, name);
        if (done.contains(key))
            continue;
        done.insert(key);
        const bool counted = !shared.release(name);
        if (uses.uses(*dir, name) > 0)
            continue;
        if (!counted)
            last.append({*dir, name, rec.Files[i]});
        else if (stillCounted)
            stillCounted->append({*dir, name, rec.Files[i]});
    }
    return last;
}

namespace {

/// The records an uninstall whose last uninstalled record is
/// records[last] writes back: the maps' all; of mutators and skins the
/// other-kind records of the last archive go, among them its own when its
/// archive was deleted after the install.
QList<TContentRecord> recordsToWrite(ContentKind kind, const QList<TContentRecord>& records,
                                     qsizetype last) {
    if (catalogue::describe(kind).keepsRecordWithoutArchive)
        return records;
    const qint32 keepKind = catalogue::installedKind(kind);
    const QString lastArchive = records[last].ArchiveName;
    QList<TContentRecord> kept;
    for (const TContentRecord& r : records) {
        if (r.ArchiveName == lastArchive && r.Kind != keepKind)
            continue;
        kept.append(r);
    }
    return kept;
}

} // namespace

UninstallResult UninstallArchives(CommandContext& ctx, ContentKind kind,
                                  const QList<catalogue::ListEntry>& selected,
                                  bool deleteArchives) {
    AppState& s = ctx.state;
    UninstallResult result;
    if (selected.isEmpty()) {
        ctx.status.setStatus(catalogue::describe(kind).noneSelectedText.toString());
        return result;
    }
    result.ran = true;
    const QString database = catalogue::recordFile(s, kind);
    txn::Transaction transaction(s);
    txn::KeptOriginals originals = txn::KeptOriginals::load(s);
    QList<TContentRecord> records = content_db::ReadAll(database);
    catalogue::SharedFiles shared = catalogue::SharedFiles::load(s.sharedDataPath());
    // Every installed record of both files is evidence of a file in use.
    catalogue::RecordedUses uses(s);
    RunJournal journal{transaction, originals, uses};
    uses.addInstalled(records);
    for (const QString& otherFile : catalogue::otherRecordFiles(s, kind)) {
        if (QFileInfo::exists(otherFile))
            uses.addInstalled(content_db::ReadAll(otherFile));
    }

    QStringList archives;
    qsizetype last = -1;
    QString lastItem;
    // Each entry names its record in the list as shown, before any of them
    // leaves it: the second of two equal names stays the second.
    const QList<qsizetype> indexes =
        catalogue::findRecords(records, kind, catalogue::ListSide::Installed, selected);
    for (qsizetype n = 0; n < selected.size(); ++n) {
        const QString& item = selected[n].name;
        result.ProgressText = u"  Uninstalling "_s + item;
        ctx.status.setStatus(result.ProgressText);
        const qsizetype index = indexes[n];
        if (index < 0) {
            result.skipped.append(item);
            continue;
        }
        TContentRecord& rec = records[index];
        if (deleteArchives)
            archives.append(catalogue::archivePathOf(rec));
        UninstallRecord(ctx, result, rec, shared, journal, result.undeletable);
        if (rec.Installed == 1)
            continue; // kept: a file could not be deleted
        last = index;
        lastItem = item;
    }

    // The records, the counts and the kept originals in one commit: until
    // it, a kill leaves the next start to undo the whole run.
    if (last < 0) {
        transaction.commit({}); // nothing was uninstalled: nothing to write
    } else {
        const QList<TContentRecord> written = recordsToWrite(kind, records, last);
        transaction.commit(RunRewrites(s, database, written, shared, originals));
    }
    result.status = catalogue::describe(kind).uninstallCounts
                        ? u"  Uninstalled "_s + QString::number(selected.size()) +
                              catalogue::describe(kind).counted.toString() + u" with "_s +
                              QString::number(result.ProgressDone) + u" file(s) total."_s
                        : u"  "_s + lastItem + u" successfully uninstalled"_s;
    if (!result.skipped.isEmpty()) {
        const QString names = result.skipped.join(u", "_s);
        result.status = last >= 0 ? result.status + u"  (no installed record: "_s + names + u')'
                                  : u"  No installed record: "_s + names;
    }
    // Results are not reported: a path already gone ("Deleted from disk")
    // simply fails.
    for (const QString& path : std::as_const(archives))
        core::MoveToRecycleBin(ctx, path);
    return result;
}

void FinishUninstall(CommandContext& ctx, const UninstallResult& result) {
    if (result.undeletable.isEmpty())
        return;
    ctx.dialogs.message(platform::MsgKind::Error,
                        u"These files could not be deleted from the game:\r"_s +
                            result.undeletable.join(u'\r') +
                            u"\r\rTheir content is still listed as installed. Check that you "
                            u"may write to the game's folders, then uninstall it again."_s,
                        platform::Ok, QPoint(25, 150));
}

} // namespace install
