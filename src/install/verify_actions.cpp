// The actions of "Verify installation": each changes only what it is
// given, through the writes uninstall and install use.
#include "install/verify.h"

#include "core/archive_calls.h"
#include "core/content_db.h"
#include "core/shared_files.h"
#include "core/transaction.h"
#include "install/maintenance.h"
#include "install/placement.h"
#include "install/uninstall.h"
#include "install/verify_books.h"
#include "platform/atomic_file.h"
#include "platform/status_sink.h"

#include <QHash>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace install {

using catalogue::ContentKind;
using catalogue::ListSide;
using namespace verifying;

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
        QList<catalogue::ListEntry> again;
        {
            // The uninstalls are a transaction of their own, committed
            // before the install run starts its own.
            txn::Transaction transaction(s);
            txn::KeptOriginals originals = txn::KeptOriginals::load(s);
            QList<TContentRecord> records = content_db::ReadAll(database);
            const QList<qsizetype> indexes =
                catalogue::findRecords(records, page, ListSide::Installed, selected);
            catalogue::SharedFiles shared = catalogue::SharedFiles::load(s.sharedDataPath());
            catalogue::RecordedUses uses(s);
            uses.addInstalled(records);
            for (const QString& otherFile : catalogue::otherRecordFiles(s, page))
                uses.addInstalled(readIfThere(otherFile));
            RunJournal journal{transaction, originals, uses};
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
                // Nothing is taken out of the game for an archive that could
                // not put it back.
                const core::ArchiveListing listing = core::ListArchive(ctx, archive, true);
                if (!listing.result.ok) {
                    result.fail(item, u"its archive could not be read: "_s + listing.result.error);
                    continue;
                }
                RunProgress reinstalling;
                reinstalling.ProgressText = u"  Reinstalling "_s + item;
                ctx.status.setStatus(reinstalling.ProgressText);
                QStringList undeletable;
                UninstallRecord(ctx, reinstalling, rec, shared, journal, undeletable);
                if (rec.Installed == 1) {
                    result.fail(item, u"these files could not be deleted first: "_s +
                                          undeletable.join(u", "_s));
                    continue;
                }
                uninstalled.append(index);
            }
            if (!uninstalled.isEmpty()) {
                transaction.commit(RunRewrites(s, database, records, shared, originals));
                for (const qsizetype index : std::as_const(uninstalled))
                    again.append(entryAt(records, page, ListSide::NotInstalled, index));
            }
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
    catalogue::SharedFiles shared = books.shared;
    int changed = 0;
    QList<const Book*> written;
    for (Book& book : books.files) {
        QList<TContentRecord>& records = book.records;
        QList<qsizetype> indexes;
        for (const ContentKind page : catalogue::kindsOf(book.file))
            indexes += catalogue::findRecords(records, page, ListSide::Installed,
                                              entriesOf(entries, page));
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
            if (!catalogue::describe(catalogue::kindOfRecord(book.file, rec.Kind))
                     .keepsRecordWithoutArchive &&
                catalogue::isWithoutArchive(rec))
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
        changed += here;
        written.append(&book);
    }
    if (written.isEmpty())
        return changed;
    // Both record files and the counts in one commit.
    txn::Transaction transaction(s);
    QList<txn::Transaction::Rewrite> files;
    for (const Book* book : std::as_const(written)) {
        const QList<TContentRecord>& records = book->records;
        files.append({(s.*book->file)(), [&records](platform::AtomicFile& out) {
                          content_db::EncodeRecords(
                              records, [&out](const char* d, qint64 n) { out.writeAll(d, n); });
                      }});
    }
    files.append(shared.commitRewrite(s));
    transaction.commit(files);
    return changed;
}

int RepairCounts(CommandContext& ctx, const QStringList& fileNames) {
    const AppState& s = ctx.state;
    requireGameFolder(s);
    Books books(s);
    GameLook look(ctx);
    QHash<qsizetype, qint32> repaired;
    for (const IndexedDrift& d : countDrifts(s, books, look)) {
        if (fileNames.isEmpty() || fileNames.contains(d.drift.fileName, Qt::CaseInsensitive))
            repaired.insert(d.index, d.drift.repaired);
    }
    return books.shared.repair(repaired, s.sharedDataPath());
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

} // namespace install
