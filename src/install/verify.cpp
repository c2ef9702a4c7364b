#include "install/verify.h"

#include "core/archive_calls.h"
#include "core/content_db.h"
#include "core/record_journal.h"
#include "core/shared_files.h"
#include "install/game_paths.h"
#include "install/maintenance.h"
#include "install/uninstall.h"
#include "platform/errors.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace install {

using catalogue::ContentKind;
using catalogue::ListSide;

namespace {

/// A verify without a game folder would find every file missing and offer
/// to unmark everything.
void requireGameFolder(const AppState& s) {
    if (s.GameDir.isEmpty() || !QFileInfo(s.GameDir).isDir())
        throw platform::Error(u"The game folder "_s + s.GameDir +
                              u" was not found, so the installation cannot be verified.\r\r"_s
                              u"Choose the game folder on the Configure page and save."_s);
}

QList<TContentRecord> readIfThere(const QString& path) {
    return QFileInfo::exists(path) ? content_db::ReadAll(path) : QList<TContentRecord>();
}

/// Both record files and who uses which game file, read once.
struct Books {
    explicit Books(const AppState& s)
        : maps(readIfThere(s.mapDataPath())), mods(readIfThere(s.modDataPath())),
          shared(QFileInfo::exists(s.sharedDataPath())
                     ? content_db::ReadAllShared(s.sharedDataPath())
                     : QList<TSharedFileRecord>()),
          uses(s) {
        uses.addInstalled(maps);
        uses.addInstalled(mods);
    }
    QList<TContentRecord> maps;
    QList<TContentRecord> mods;
    QList<TSharedFileRecord> shared;
    catalogue::RecordedUses uses;
};

ContentKind pageOf(bool mapFile, const TContentRecord& r) {
    if (mapFile)
        return ContentKind::Maps;
    return catalogue::isSkin(r) ? ContentKind::Skins : ContentKind::Mutators;
}

/// A file the install places in a game folder.
struct PlacedFile {
    QString folder; ///< the game folder value (AppState, ending in "/")
    QString name;
};

/// The files of `rec` the check looks for, each once: those the extension
/// table sends to a game folder, but not help files (placed only with
/// "Install extra files", and renamed after the archive) and not names
/// that may have been cut to fit the record.
QList<PlacedFile> placedFiles(const AppState& s, const TContentRecord& rec) {
    QList<PlacedFile> files;
    QSet<QString> seen;
    const qsizetype count = qMin<qsizetype>(rec.FileCount, rec.Files.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = catalogue::placedFileName(rec.Files[i]);
        if (name.isEmpty() || RecordedNameMayBeCut(rec.Files[i]))
            continue;
        const std::optional<QString> folder = catalogue::gameFolderForFile(s, name);
        if (!folder || *folder == s.HelpDir)
            continue;
        const QString key = *folder + u'\n' + name.toCaseFolded();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        files.append({*folder, name});
    }
    return files;
}

/// Looks files up in the game folders ignoring case: each folder resolved
/// and listed once, however many files are asked for.
class GameLook {
public:
    explicit GameLook(CommandContext& ctx) : ctx_(ctx) {}
    bool exists(const QString& folderValue, const QString& name) {
        auto it = resolved_.constFind(folderValue);
        if (it == resolved_.constEnd())
            it = resolved_.insert(folderValue, detail::gameFolder(ctx_, folderValue));
        return ctx_.folders.exists(it.value(), name);
    }

private:
    CommandContext& ctx_;
    QHash<QString, QString> resolved_;
};

/// A count that disagrees, with its place in sharedfiles.dat.
struct IndexedDrift {
    qsizetype index;
    CountDrift drift;
};

QList<IndexedDrift> countDrifts(const AppState& s, const Books& books, GameLook& look) {
    QList<IndexedDrift> out;
    QSet<QString> seen;
    for (qsizetype i = 0; i < books.shared.size(); ++i) {
        const TSharedFileRecord& r = books.shared[i];
        CountDrift d;
        d.fileName = r.FileName;
        d.count = r.RefCount;
        const std::optional<QString> folder = catalogue::gameFolderForFile(s, r.FileName);
        d.users = folder ? books.uses.uses(*folder, r.FileName) : 0;
        const QString key = r.FileName.toCaseFolded();
        if (seen.contains(key)) {
            // The counting reads the first record of a name only.
            d.problem = CountProblem::Duplicate;
            d.repaired = 0;
        } else if (d.users == 0) {
            d.problem = CountProblem::NotListed;
            d.repaired = 0;
        } else if (!look.exists(*folder, r.FileName)) {
            // Nothing the game had before is left to keep.
            d.problem = CountProblem::FileGone;
            d.repaired = d.users;
        } else if (d.count < d.users) {
            d.problem = CountProblem::TooLow;
            d.repaired = d.users;
        } else if (d.count > d.users + 1) {
            // A count above the users says an install found the file in the
            // game already; which of the extra ones were killed runs cannot
            // be told, so the file is kept when its last user goes.
            d.problem = CountProblem::TooHigh;
            d.repaired = d.users + 1;
        } else {
            seen.insert(key);
            continue;
        }
        seen.insert(key);
        out.append({i, d});
    }
    return out;
}

/// The entry under which the page's list `side` shows records[index].
catalogue::ListEntry entryAt(const QList<TContentRecord>& records, ContentKind page, ListSide side,
                             qsizetype index) {
    const QString name = catalogue::listEntryOf(records[index], page, side);
    int occurrence = 0;
    for (qsizetype i = 0; i < index; ++i) {
        if (catalogue::isOnList(records[i], page, side) &&
            catalogue::listEntryOf(records[i], page, side) == name)
            ++occurrence;
    }
    return {name, occurrence};
}

QString reinstallablePath(const TContentRecord& r) {
    if (catalogue::isWithoutArchive(r))
        return {};
    const QString path = catalogue::archivePathOf(r);
    return QFileInfo(path).isFile() ? path : QString();
}

QList<catalogue::ListEntry> entriesOf(const QList<MissingFiles>& entries, ContentKind page) {
    QList<catalogue::ListEntry> out;
    for (const MissingFiles& m : entries) {
        if (m.page == page)
            out.append(m.entry);
    }
    return out;
}

constexpr ContentKind AllPages[] = {ContentKind::Maps, ContentKind::Mutators, ContentKind::Skins};

} // namespace

VerifyReport VerifyInstallation(CommandContext& ctx) {
    const AppState& s = ctx.state;
    requireGameFolder(s);
    const Books books(s);
    GameLook look(ctx);
    VerifyReport report;
    for (const bool mapFile : {true, false}) {
        const QList<TContentRecord>& records = mapFile ? books.maps : books.mods;
        // Equal names are told apart by their place among those of the list.
        QHash<QString, int> seen;
        for (const TContentRecord& r : records) {
            const ContentKind page = pageOf(mapFile, r);
            const ListSide side = r.Installed == 1 ? ListSide::Installed : ListSide::NotInstalled;
            if (!catalogue::isOnList(r, page, side))
                continue;
            const QString name = catalogue::listEntryOf(r, page, side);
            const catalogue::ListEntry entry{name,
                                             seen[QString::number(int(page)) + u'|' +
                                                  QString::number(int(side)) + u'|' + name]++};
            const QList<PlacedFile> files = placedFiles(s, r);
            report.filesLooked += int(files.size());
            if (side == ListSide::Installed) {
                ++report.installedRecords;
                QStringList missing;
                for (const PlacedFile& f : files) {
                    if (!look.exists(f.folder, f.name))
                        missing.append(f.name);
                }
                if (!missing.isEmpty())
                    report.missing.append(
                        {page, entry, r.ArchiveName, reinstallablePath(r), missing});
                continue;
            }
            if (files.isEmpty())
                continue;
            bool all = true;
            bool ownFile = false; // one file no installed record accounts for
            QStringList found;
            for (const PlacedFile& f : files) {
                if (!look.exists(f.folder, f.name)) {
                    all = false;
                    break;
                }
                ownFile = ownFile || books.uses.uses(f.folder, f.name) == 0;
                found.append(f.name);
            }
            // A record whose files all came with installed content is a
            // second copy of it, not content installed by hand.
            if (all && ownFile)
                report.adoptable.append({page, entry, r.ArchiveName, found});
        }
    }
    for (const IndexedDrift& d : countDrifts(s, books, look))
        report.counts.append(d.drift);
    return report;
}

QList<ReinstallRun> ReinstallArchives(CommandContext& ctx, const QList<MissingFiles>& entries) {
    AppState& s = ctx.state;
    QList<ReinstallRun> runs;
    for (const ContentKind page : AllPages) {
        const QList<catalogue::ListEntry> selected = entriesOf(entries, page);
        if (selected.isEmpty())
            continue;
        ReinstallRun run{page, {}};
        InstallResult& result = run.result;
        const QString database = catalogue::recordFile(s, page);
        QList<TContentRecord> records = content_db::ReadAll(database);
        const QList<qsizetype> indexes =
            catalogue::findRecords(records, page, ListSide::Installed, selected);
        catalogue::SharedFiles shared = catalogue::SharedFiles::load(s.sharedDataPath());
        catalogue::RecordedUses uses(s);
        uses.addInstalled(records);
        uses.addInstalled(
            readIfThere(page == ContentKind::Maps ? s.modDataPath() : s.mapDataPath()));
        QList<qsizetype> uninstalled;
        for (qsizetype n = 0; n < selected.size(); ++n) {
            const QString& item = selected[n].name;
            const qsizetype index = indexes[n];
            if (index < 0) {
                result.fail(item, u"no installed record of it was found; verify again"_s);
                continue;
            }
            TContentRecord& rec = records[index];
            const QString archive = reinstallablePath(rec);
            if (archive.isEmpty()) {
                result.fail(item, u"its archive no longer exists"_s);
                continue;
            }
            // Nothing is taken out of the game for an archive that could not
            // put it back.
            const core::ArchiveListing listing = core::ListArchive(ctx, archive, true);
            if (!listing.result.ok) {
                result.fail(item, u"its archive could not be read: "_s + listing.result.error);
                continue;
            }
            s.ProgressText = u"  Reinstalling "_s + item;
            ctx.status.setStatus(s.ProgressText);
            QStringList undeletable;
            UninstallRecord(ctx, rec, shared, uses, undeletable);
            if (rec.Installed == 1) {
                result.fail(item, u"these files could not be deleted first: "_s +
                                      undeletable.join(u", "_s));
                continue;
            }
            uninstalled.append(index);
        }
        QList<catalogue::ListEntry> again;
        if (!uninstalled.isEmpty()) {
            record_journal::WriteRecordsAndShared(s, database, records, shared.kept());
            for (const qsizetype index : std::as_const(uninstalled))
                again.append(entryAt(records, page, ListSide::NotInstalled, index));
        }
        const InstallResult failedBefore = result;
        if (!again.isEmpty())
            result = InstallArchives(ctx, page, again, false);
        result.ran = true;
        result.FailedArchives = failedBefore.FailedArchives + result.FailedArchives;
        result.failureReasons = failedBefore.failureReasons + result.failureReasons;
        runs.append(run);
    }
    return runs;
}

int MarkNotInstalled(CommandContext& ctx, const QList<MissingFiles>& entries) {
    const AppState& s = ctx.state;
    Books books(s);
    catalogue::SharedFiles shared(books.shared);
    int changed = 0;
    for (const bool mapFile : {true, false}) {
        QList<TContentRecord>& records = mapFile ? books.maps : books.mods;
        QList<qsizetype> indexes;
        for (const ContentKind page : AllPages) {
            if ((page == ContentKind::Maps) == mapFile)
                indexes += catalogue::findRecords(records, page, ListSide::Installed,
                                                  entriesOf(entries, page));
        }
        int here = 0;
        QSet<qsizetype> dropped;
        for (const qsizetype index : std::as_const(indexes)) {
            if (index < 0 || records[index].Installed != 1)
                continue;
            TContentRecord& rec = records[index];
            // Counted down as an uninstall counts, but every file stays.
            ReleaseRecord(s, rec, shared, books.uses);
            rec.Installed = 0;
            rec.InstallDate.clear();
            ++here;
            // As after an uninstall: a mutator or skin without its archive
            // has nothing left to be installed from.
            if (!mapFile && catalogue::isWithoutArchive(rec))
                dropped.insert(index);
        }
        if (here == 0)
            continue;
        for (qsizetype i = records.size() - 1; i >= 0; --i) {
            if (dropped.contains(i))
                records.removeAt(i);
        }
        // The counts go with the records; with both files changed, the
        // second write carries them again, unchanged since the first.
        record_journal::WriteRecordsAndShared(s, mapFile ? s.mapDataPath() : s.modDataPath(),
                                              records, shared.kept());
        changed += here;
    }
    return changed;
}

int RepairCounts(CommandContext& ctx, const QStringList& fileNames) {
    const AppState& s = ctx.state;
    requireGameFolder(s);
    const Books books(s);
    GameLook look(ctx);
    QHash<qsizetype, CountDrift> drifts;
    for (const IndexedDrift& d : countDrifts(s, books, look)) {
        if (fileNames.isEmpty() || fileNames.contains(d.drift.fileName, Qt::CaseInsensitive))
            drifts.insert(d.index, d.drift);
    }
    QList<TSharedFileRecord> repaired;
    int changed = 0;
    for (qsizetype i = 0; i < books.shared.size(); ++i) {
        TSharedFileRecord r = books.shared[i];
        const auto it = drifts.constFind(i);
        if (it != drifts.constEnd()) {
            if (it->repaired != r.RefCount)
                ++changed;
            r.RefCount = it->repaired;
        }
        // A count below 2 names a file with one user at most: no record.
        if (r.RefCount > 1)
            repaired.append(r);
    }
    if (changed > 0 || repaired.size() != books.shared.size())
        content_db::WriteAllShared(s.sharedDataPath(), repaired);
    return changed;
}

bool AdoptContent(CommandContext& ctx, const QList<Adoptable>& entries) {
    bool written = false;
    for (const ContentKind page : AllPages) {
        QList<catalogue::ListEntry> selected;
        for (const Adoptable& a : entries) {
            if (a.page == page)
                selected.append(a.entry);
        }
        if (!selected.isEmpty())
            written = MarkAsInstalled(ctx, page, selected) || written;
    }
    return written;
}

QList<Adoptable> adoptableNamed(const VerifyReport& report, const QStringList& names) {
    QList<Adoptable> out;
    for (const Adoptable& a : report.adoptable) {
        if (names.contains(a.entry.name, Qt::CaseInsensitive) ||
            names.contains(a.archiveName, Qt::CaseInsensitive))
            out.append(a);
    }
    return out;
}

QString summaryText(const VerifyReport& report) {
    if (report.agrees())
        return u"  All "_s + QString::number(report.installedRecords) +
               u" installed archives agree with the game folders."_s;
    return u"  "_s + QString::number(report.missing.size()) + u" installed with files missing, "_s +
           QString::number(report.counts.size()) + u" shared count(s) wrong, "_s +
           QString::number(report.adoptable.size()) + u" found in the game not marked installed."_s;
}

QString problemText(CountProblem problem) {
    switch (problem) {
    case CountProblem::NotListed:
        return u"no installed content lists it"_s;
    case CountProblem::Duplicate:
        return u"counted twice"_s;
    case CountProblem::FileGone:
        return u"the file is gone"_s;
    case CountProblem::TooLow:
        return u"count too low"_s;
    case CountProblem::TooHigh:
        return u"count too high"_s;
    }
    return {};
}

QString pageText(ContentKind page) {
    switch (page) {
    case ContentKind::Maps:
        return u"Maps"_s;
    case ContentKind::Mutators:
        return u"Mutators"_s;
    case ContentKind::Skins:
        return u"Skins"_s;
    }
    return {};
}

} // namespace install
