#include "cache/cache_install.h"

#include "cache/cache_index.h"
#include "cache/package.h"
#include "core/archive_calls.h"
#include "core/content_catalogue.h"
#include "core/temp_folder.h"
#include "core/transaction.h"
#include "install/install.h"
#include "install/install_run.h"
#include "install/placement.h"
#include "platform/atomic_file.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"
#include "platform/text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

/// A package moved out of the cache for the current item.
struct Taken {
    QString name;      ///< its file name in cache.ini
    QString cachePath; ///< where it was
    QString tempPath;  ///< where it is now
};

bool entryExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

/// Moves one file (a rename, or a copy and delete across file systems),
/// never over an existing entry.
void moveFile(CommandContext& ctx, const QString& from, const QString& to) {
    if (entryExists(to))
        throw platform::Error(u"Cannot move \""_s + from + u"\" to \""_s + to +
                              u"\": a file of that name is already there."_s);
    QFile file(from);
    if (!file.rename(to))
        throw platform::Error(u"Cannot move \""_s + from + u"\" to \""_s + to + u"\". "_s +
                              file.errorString());
    ctx.folders.removed(from);
    ctx.folders.added(to);
}

/// What a cache run changes, written once at its end.
struct CacheBooks {
    install::RunJournal& journal;
    QList<TContentRecord> maps;
    QList<TContentRecord> mods;
    catalogue::SharedFiles shared;
    bool mapsChanged = false;
    bool modsChanged = false;
};

/// What the items of one run share: its context, the package reader, the
/// plan, the books the commit writes, the packages taken out of the cache
/// for the current item and the run's result.
struct ItemRun {
    CommandContext& ctx;
    TUTPackage& reader;
    const CachePlan& plan;
    CacheBooks& books;
    QList<Taken>& taken;
    CacheRunResult& result;
};

/// Keeps `path` in the run's backups and logs it, so an undone run puts
/// the file back as it was.
void keepFirst(install::RunJournal& journal, const QString& path) {
    const QString backup = journal.txn.newBackupPath();
    const platform::Outcome kept = txn::keepBytes(path, backup);
    if (!kept)
        throw platform::Error(kept.error());
    journal.txn.log({{txn::Op::Kept, path, backup}});
}

/// Moves a cached file into TempDir under its file name, kept first in
/// the run's backups: a run that does not commit puts it back into the
/// cache.
void take(CommandContext& ctx, CacheBooks& books, CacheFiles& files, QList<Taken>& taken,
          const QString& cachedFile, const QString& name) {
    const QString from = platform::withSlash(cacheFolder(ctx.state)) + cachedFile;
    const QString to = ctx.state.TempDir + u'/' + name;
    if (entryExists(to))
        throw platform::Error(u"Cannot move \""_s + from + u"\" to \""_s + to +
                              u"\": a file of that name is already there."_s);
    keepFirst(books.journal, from);
    moveFile(ctx, from, to);
    files.remove(cachedFile);
    taken.append({name, from, to});
}

/// Moves the taken packages still in TempDir back to their old places in
/// the cache; returns their names. `quiet`: a move that fails leaves the
/// file in TempDir instead of ending the run (the run is ending already).
QStringList putBack(CommandContext& ctx, const QList<Taken>& taken, bool quiet) {
    QStringList names;
    for (const Taken& t : taken) {
        if (!entryExists(t.tempPath))
            continue;
        try {
            moveFile(ctx, t.tempPath, t.cachePath);
        } catch (const platform::Error&) {
            if (!quiet)
                throw;
            continue;
        }
        names.append(t.name);
    }
    return names;
}

void forget(TContentRecord& rec, const QStringList& names) {
    for (const QString& name : names)
        rec.Files.removeAll(name);
    rec.FileCount = qint32(rec.Files.size());
}

/// The import names of the package in table order, each once.
QStringList importNames(const TUTPackage& reader) {
    QStringList names;
    QSet<QString> seen;
    for (qsizetype i = 0; i < reader.ImportCount(); ++i) {
        const QString name = reader.ImportObjectName(reader.ImportEntry(i));
        if (!name.isEmpty() && !seen.contains(name)) {
            seen.insert(name);
            names.append(name);
        }
    }
    return names;
}

/// Moves along every cached package whose base name equals an import name
/// of the item's package (the first such line of `ini` from its second
/// line on), until the record's Files are full.
void takeImports(ItemRun& r, const CacheIni& ini, CacheFiles& files, TContentRecord& rec) {
    CommandContext& ctx = r.ctx;
    r.reader.OpenPackage(r.taken.first().tempPath);
    QHash<QString, CacheLine> byBase;
    for (qsizetype i = 1; i < ini.size(); ++i) {
        if (const std::optional<CacheLine> line = cachedPackage(ini.text(i))) {
            const QString base = packageBase(line->fileName);
            if (!byBase.contains(base))
                byBase.insert(base, *line);
        }
    }
    for (const QString& name : importNames(r.reader)) {
        const auto it = byBase.constFind(name);
        if (it == byBase.constEnd())
            continue;
        const QString cached = files.first(it->key);
        if (cached.isEmpty() || entryExists(ctx.state.TempDir + u'/' + it->fileName))
            continue;
        if (rec.FileCount >= TContentRecord::MaxFiles) {
            ctx.dialogs.message(
                platform::MsgKind::Warning,
                rec.ArchiveName +
                    u" imports more cached packages than one record can hold. Only the first "_s +
                    QString::number(TContentRecord::MaxFiles - 1) + u" were taken along."_s,
                platform::Ok, CacheBoxOffset);
            return;
        }
        take(ctx, r.books, files, r.taken, cached, it->fileName);
        rec.Files.append(it->fileName);
        rec.FileCount = qint32(rec.Files.size());
    }
}

/// Zip folder + stem + ".zip" from the files of TempDir; true when it was
/// written. A zip that could not be is named in `failures`, with why.
bool makeZip(CommandContext& ctx, const CachePlan& plan, const QString& stem,
             const QString& statusText, QStringList& failures) {
    ctx.status.setStatus(statusText);
    const QString zipPath = platform::withSlash(plan.zipFolder) + stem + u".zip"_s;
    const QFileInfo before(zipPath);
    const bool existed = before.exists() || before.isSymLink();
    const archives::ArchiveResult added =
        // The component's progress shows the text before each file name.
        core::AddToZip(ctx, zipPath, {ctx.state.TempDir + u"/*.*"_s}, true, statusText + u' ');
    if (added.ok)
        return true;
    const QFileInfo after(zipPath);
    if (!existed && after.isFile() && !after.isSymLink())
        QFile::remove(zipPath);
    QString text = u"Couldn't create "_s + zipPath + u" !"_s;
    if (!added.error.isEmpty())
        text += u"\r"_s + added.error;
    failures.append(text);
    return false;
}

/// Installs the item's packages in TempDir (`zipMade`: from the zip just
/// written); true when it placed files. What was not placed goes back into
/// the cache.
bool installItem(ItemRun& r, TContentRecord& rec, bool zipMade) {
    CommandContext& ctx = r.ctx;
    const AppState& s = ctx.state;
    CacheRunResult& run = r.result;
    run.ProgressText = u"  Installing "_s + rec.DisplayName;
    const qint32 placedBefore = run.ProgressDone;
    if (zipMade) {
        rec.ArchiveDir = platform::withSlash(r.plan.zipFolder);
        rec.Kind = catalogue::record_kind::Content;
    } else {
        rec.ArchiveDir = catalogue::FromCache.toString();
        rec.Kind = catalogue::record_kind::ContentWithoutArchive;
    }
    rec.Installed = 1;
    rec.InstallDate = ctx.clock().todayText();
    install::RunJournal& journal = r.books.journal;
    journal.ops.clear();
    journal.keptNow.clear();
    const install::Placement placement =
        install::PlaceArchive(ctx, run, QString(), {}, &journal.uses, &journal);
    // ProgressDone counts the whole run; the item is installed only when it
    // placed files itself.
    const bool placed = placement.accepted && run.ProgressDone > placedBefore;
    forget(rec, putBack(ctx, r.taken, false));
    if (!placed) {
        journal.undo(ctx);
        return false;
    }
    // The record and the counts change in memory; the run writes them
    // once, at its commit.
    const bool mapFile = catalogue::recordFileForPackage(s, rec.DisplayName) == s.mapDataPath();
    (mapFile ? r.books.maps : r.books.mods).append(rec);
    (mapFile ? r.books.mapsChanged : r.books.modsChanged) = true;
    r.books.shared.registerExisting(placement.existing);
    journal.uses.add(rec);
    return true;
}

/// What becomes of the item's packages in TempDir; true when the item is
/// counted. The record's Files end as the names that left the cache for
/// good; the run's result counts the files placed and collects what failed.
bool handleItem(ItemRun& r, const CacheIni& ini, CacheFiles& files, TContentRecord& rec) {
    const CacheAction action = r.plan.action;
    if (action == CacheAction::DeleteFile)
        return true; // the clean-up deletes it
    takeImports(r, ini, files, rec);
    if (action != CacheAction::InstallAndZip && action != CacheAction::ZipOnly)
        return installItem(r, rec, false);
    const QString stem = packageBase(rec.ArchiveName);
    const QString text = action == CacheAction::ZipOnly ? u"Saving files to zip ..."_s
                                                        : u"Installing and Saving to zip ..."_s;
    const bool zipped = makeZip(r.ctx, r.plan, stem, text, r.result.zipFailures);
    if (action == CacheAction::ZipOnly) {
        // Nothing else keeps these packages: they go back.
        if (!zipped)
            forget(rec, putBack(r.ctx, r.taken, false));
        return zipped;
    }
    // The install goes on as if the zip were there; its failure is named at
    // the end of the run.
    rec.ArchiveName = stem + u".zip"_s;
    return installItem(r, rec, true);
}

/// One queued name; true when it is counted.
bool runItem(ItemRun& r, const QString& name, const std::function<void()>& relist) {
    CommandContext& ctx = r.ctx;
    const std::optional<QString> iniPath = findCacheIni(ctx.state);
    if (!iniPath)
        throw platform::Error(u"The game's cache index cache.ini is missing in \""_s +
                              ctx.state.CacheDir + u"\"."_s);
    const CacheIni ini = readCacheIni(*iniPath);
    const qsizetype at = findCacheLine(ini, name);
    if (at < 0)
        return false; // taken along earlier, or gone from the index
    TContentRecord rec;
    rec.ArchiveName = name;
    rec.DisplayName = name;
    rec.Files = QStringList{name};
    rec.FileCount = 1;
    CacheFiles files = listCacheFiles(ctx.state);
    const QString cached = files.first(cachedPackage(ini.text(at))->key);
    bool counted = false;
    if (!cached.isEmpty()) {
        take(ctx, r.books, files, r.taken, cached, name);
        counted = handleItem(r, ini, files, rec);
    }
    core::DeleteTempFiles(ctx);
    keepFirst(r.books.journal, *iniPath);
    RemoveCacheEntries(ctx, rec);
    if (relist)
        relist();
    return counted;
}

} // namespace

namespace {

QList<txn::Transaction::Rewrite> cacheRewrites(const AppState& s, const CacheBooks& books,
                                               const txn::KeptOriginals& originals) {
    // A run that installed nothing writes nothing.
    if (!books.mapsChanged && !books.modsChanged)
        return {};
    QList<txn::Transaction::Rewrite> files =
        install::RunRewrites(s, s.mapDataPath(), books.maps, books.shared, originals);
    if (!books.mapsChanged)
        files.removeFirst();
    if (books.modsChanged)
        files.append({s.modDataPath(), [&books](platform::AtomicFile& out) {
                          content_db::EncodeRecords(
                              books.mods, [&out](const char* d, qint64 n) { out.writeAll(d, n); });
                      }});
    return files;
}

} // namespace

CacheRunResult RunCacheInstall(CommandContext& outer, TUTPackage& reader, const CachePlan& plan,
                               const std::function<void()>& relist,
                               const std::function<void()>& recorded) {
    CacheRunResult result;
    install::detail::InstallRun run(outer, int(plan.queue.size()));
    CommandContext& ctx = run.context();
    AppState& s = ctx.state;
    QList<Taken> taken;
    try {
        // One transaction: the packages taken from the cache, the files
        // placed, cache.ini, the records and the counts stand together or
        // are all put back.
        txn::Transaction transaction(s);
        txn::KeptOriginals originals = txn::KeptOriginals::load(s);
        // Every installed record is a user of the files it lists.
        catalogue::RecordedUses uses(s);
        install::RunJournal journal{transaction, originals, uses};
        CacheBooks books{journal, content_db::ReadAll(s.mapDataPath()),
                         content_db::ReadAll(s.modDataPath()),
                         catalogue::SharedFiles::load(s.sharedDataPath())};
        uses.addInstalled(books.maps);
        uses.addInstalled(books.mods);
        ItemRun items{ctx, reader, plan, books, taken, result};
        try {
            for (qsizetype i = 0; i < plan.queue.size(); ++i) {
                taken.clear();
                if (runItem(items, plan.queue[i], relist))
                    ++result.count;
                run.progress(int(i + 1));
            }
            transaction.commit(cacheRewrites(s, books, originals));
        } catch (...) {
            // Nothing of the item is lost: what is still in TempDir goes
            // back, then the transaction puts back what the run took.
            putBack(ctx, taken, true);
            throw;
        }
        if (recorded && (books.mapsChanged || books.modsChanged))
            recorded();
    } catch (const std::exception& e) {
        result.failed = true;
        result.count = 0;
        const auto* error = dynamic_cast<const platform::Error*>(&e);
        result.error = error ? error->text() : QString::fromLocal8Bit(e.what());
    }
    return result;
}

void FinishCacheRun(CommandContext& ctx, const CachePlan& plan, const CacheRunResult& result) {
    // Packages that could not be copied are back in the cache.
    install::ReportFailedCopies(ctx, result.FailedCopies);
    if (!result.zipFailures.isEmpty())
        ctx.dialogs.message(platform::MsgKind::Error, result.zipFailures.join(u"\r\r"_s),
                            platform::Ok, CacheBoxOffset);
    if (result.failed) {
        // The fixed words first, then what really happened, so the user
        // can act on it.
        QString text = u"Sorry, but something went terrible wrong. Check your settings."_s;
        if (!result.error.isEmpty())
            text += u"\r\r"_s + result.error;
        ctx.dialogs.message(platform::MsgKind::Error, text, platform::Ok, CacheBoxOffset);
        return;
    }
    const QString n = u"  "_s + QString::number(result.count);
    switch (plan.action) {
    case CacheAction::InstallOnly:
        ctx.status.setStatus(n + u" file(s) installed."_s);
        break;
    case CacheAction::InstallAndZip:
        ctx.status.setStatus(n + u" file(s) installed and saved as zip to "_s + plan.zipFolder);
        break;
    case CacheAction::ZipOnly:
        ctx.status.setStatus(n + u" file(s) saved as zip to "_s + plan.zipFolder);
        break;
    case CacheAction::DeleteFile:
        ctx.status.setStatus(n + u" file(s) was deleted."_s);
        break;
    case CacheAction::None:
        break;
    }
}

} // namespace cache
