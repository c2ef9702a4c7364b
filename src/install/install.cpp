#include "install/install.h"

#include "archive/archive_formats.h"
#include "core/archive_calls.h"
#include "core/content_catalogue.h"
#include "core/temp_folder.h"
#include "core/transaction.h"
#include "install/game_paths.h"
#include "install/install_run.h"
#include "install/placement.h"
#include "platform/atomic_file.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <exception>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace install {

using catalogue::ContentKind;

namespace {

/// "  Installing " and the entry with two leading blanks and five
/// characters deleted from its first "." ("DM-Foo.zip" shows "DM-Foo").
QString extractingText(const QString& item) {
    QString shown = item;
    const qsizetype dot = shown.indexOf(u'.');
    if (dot >= 0)
        shown.remove(dot, 5);
    return u"  Installing "_s + u"  "_s + shown + u" ... Extracting "_s;
}

/// What earlier archives of the run left in TempDir (folders that could
/// not be flattened, as when an archive holds one name in two folders) is
/// held beside it while the next archive is placed, so none of it is
/// placed, counted or recorded as that archive's; it goes back for
/// ToBeMoved at the end of the run.
class HeldLeftovers {
public:
    explicit HeldLeftovers(const AppState& s) : temp_(s.TempDir), held_(heldFolder(s)) {
        for (const QString& name : entries(temp_)) {
            QDir().mkpath(held_);
            if (QFile::rename(temp_ + u'/' + name, held_ + u'/' + name))
                names_.append(name);
        }
    }
    ~HeldLeftovers() {
        for (const QString& name : std::as_const(names_)) {
            if (!QFileInfo::exists(temp_ + u'/' + name))
                QFile::rename(held_ + u'/' + name, temp_ + u'/' + name);
        }
        QDir().rmdir(held_);
    }
    HeldLeftovers(const HeldLeftovers&) = delete;
    HeldLeftovers& operator=(const HeldLeftovers&) = delete;

    static QString heldFolder(const AppState& s) { return s.ProgramDir + u"/Temp-held"_s; }

private:
    static QStringList entries(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                      QDir::System);
    }
    QString temp_;
    QString held_;
    QStringList names_;
};

/// What an install run changes in memory, written once at its end.
struct RunBooks {
    QList<TContentRecord> records;
    catalogue::SharedFiles shared{{}};
    RunJournal& journal;
    /// An archive was installed: the commit writes the records.
    bool changed = false;
};

/// Installs the entries of a run one by one: find the record, extract the
/// archive into TempDir, place its files, then keep the archive as
/// installed or take back what it placed. `result.ok` is the run's flag,
/// left by the last archive whose extraction succeeded.
class ArchiveInstaller {
public:
    ArchiveInstaller(CommandContext& ctx, ContentKind kind, bool deleteAfter, RunBooks& books,
                     InstallResult& result)
        : ctx_(ctx), s_(ctx.state), kind_(kind), deleteAfter_(deleteAfter), books_(books),
          result_(result) {}

    /// One entry of the run; `index` is its record (-1: none).
    void install(const catalogue::ListEntry& entry, qsizetype index);

private:
    TContentRecord* acceptedRecord(const QString& item, qsizetype index);
    bool extract(const TContentRecord& rec, const QString& item);
    void place(TContentRecord& rec, const QString& item);
    void settle(TContentRecord& rec, const QString& item, const Placement& placement);
    /// The flag counts the whole run, as the closing status does.
    void endArchive() {
        result_.ok = result_.ProgressDone > 0;
        core::DeleteTempFiles(ctx_);
    }

    CommandContext& ctx_;
    const AppState& s_;
    const ContentKind kind_;
    const bool deleteAfter_;
    RunBooks& books_;
    InstallResult& result_;
};

/// The record of the entry, when there is one and nobody refuses it.
TContentRecord* ArchiveInstaller::acceptedRecord(const QString& item, qsizetype index) {
    if (index < 0) {
        // The lists and the record file disagree: nothing to install from.
        result_.fail(item, u"no record of it was found; update the database"_s);
        return nullptr;
    }
    TContentRecord& rec = books_.records[index];
    if (ctx_.beforeInstall && !ctx_.beforeInstall(ctx_, rec, result_.installAnyway)) {
        --result_.ProgressTotal; // refused, as an existing file refused
        return nullptr;
    }
    return &rec;
}

/// Extracts the archive into TempDir; false (the failure noted) when it
/// did not come out. A file of no archive format extracts nothing and
/// places nothing; a rar whose library could not be loaded fails like any
/// other.
bool ArchiveInstaller::extract(const TContentRecord& rec, const QString& item) {
    // What a failed extraction wrote is taken out again, so none of it is
    // placed with the next archive under that archive's name.
    core::ExtractedIntoTemp extracted(ctx_);
    extracted.keep();
    if (archives::formatOf(rec.ArchiveName)) {
        core::ExtractRequest request;
        request.archive = catalogue::archivePathOf(rec);
        request.target = s_.TempDir;
        // Maps are extracted flat; mutators and skins keep their folders
        // until the temporary folder is flattened.
        request.keepFolders = catalogue::describe(kind_).extractKeepsFolders;
        request.statusPrefix = result_.ProgressText;
        const archives::ArchiveResult extraction = core::ExtractArchive(ctx_, request);
        if (!extraction.ok) {
            result_.fail(item, extraction.error);
            extracted.removeAdded();
            return false;
        }
    }
    core::FlattenTempFolderFully(ctx_);
    return true;
}

void ArchiveInstaller::install(const catalogue::ListEntry& entry, qsizetype index) {
    const QString& item = entry.name;
    TContentRecord* rec = acceptedRecord(item, index);
    if (!rec)
        return;
    result_.ProgressText = extractingText(item);
    ctx_.status.setStatus(result_.ProgressText);
    // What earlier archives left waits aside for ToBeMoved.
    const HeldLeftovers held(s_);
    if (extract(*rec, item))
        place(*rec, item);
}

void ArchiveInstaller::place(TContentRecord& rec, const QString& item) {
    result_.ProgressText = u"  Installing "_s + item;
    RunJournal& journal = books_.journal;
    journal.ops.clear();
    journal.keptNow.clear();
    const Placement placement =
        PlaceArchive(ctx_, result_, catalogue::archivePathOf(rec), {}, &journal.uses, &journal);
    if (!placement.refusal.isEmpty()) {
        result_.fail(item, placement.refusal);
        --result_.ProgressTotal;
    } else if (placement.accepted) {
        settle(rec, item, placement);
    }
    // Refused by the user: ProgressTotal is one lower already.
    endArchive();
}

/// The archive placed what it could: installed, or taken back.
void ArchiveInstaller::settle(TContentRecord& rec, const QString& item,
                              const Placement& placement) {
    const CopyResult& copied = placement.copied;
    if (copied.placed == 0 || copied.failed > 0) {
        // Not installed after all: what it placed goes again, what it
        // replaced comes back, and the user is told.
        books_.journal.undo(ctx_);
        result_.ProgressDone -= copied.placed;
        --result_.ProgressTotal;
        if (copied.placed == 0 && copied.failed == 0)
            result_.nothingPlaced.append(item);
        else
            result_.fail(item, u"not all of its files could be copied into the game"_s);
        return;
    }
    // Installed: its record and counts change in memory; the run writes
    // them once, at its commit.
    rec.Installed = 1;
    rec.InstallDate = ctx_.clock().todayText();
    rec.Kind = catalogue::installedKind(kind_);
    books_.shared.registerExisting(placement.existing);
    books_.journal.uses.add(rec);
    books_.changed = true;
    if (deleteAfter_ && core::MoveToRecycleBin(ctx_, catalogue::archivePathOf(rec))) {
        rec.Kind = catalogue::installedKind(kind_, true);
        rec.ArchiveDir = catalogue::DeletedFromDisk.toString();
    }
}

} // namespace

QList<txn::Transaction::Rewrite> RunRewrites(const AppState& s, const QString& recordPath,
                                             const QList<TContentRecord>& records,
                                             const catalogue::SharedFiles& shared,
                                             const txn::KeptOriginals& originals) {
    QList<txn::Transaction::Rewrite> files;
    files.append({recordPath, [&records](platform::AtomicFile& out) {
                      content_db::EncodeRecords(records, [&out](const char* data, qint64 size) {
                          out.writeAll(data, size);
                      });
                  }});
    files.append(shared.commitRewrite(s));
    if (originals.changed())
        files.append({txn::KeptOriginals::indexPath(s), [&originals](platform::AtomicFile& out) {
                          out.writeAll(originals.toBytes());
                      }});
    return files;
}

InstallResult InstallArchives(CommandContext& outer, ContentKind kind,
                              const QList<catalogue::ListEntry>& selected, bool deleteAfter) {
    InstallResult result;
    if (selected.isEmpty()) {
        outer.status.setStatus(u"  Nothing selected"_s);
        return result;
    }
    // Extraction and clean-up work in TempDir; never in the working folder.
    if (outer.state.TempDir.isEmpty())
        throw platform::Error(u"The temporary folder is not set up: nothing was installed."_s);
    result.ran = true;

    detail::InstallRun run(outer, int(selected.size()));
    CommandContext& ctx = run.context();
    AppState& s = ctx.state;
    result.ProgressTotal = qint32(selected.size());
    const QString database = catalogue::recordFile(s, kind);
    txn::Transaction transaction(s);
    txn::KeptOriginals originals = txn::KeptOriginals::load(s);
    // Every installed record of both files is a user of the files it lists.
    catalogue::RecordedUses uses(s);
    RunJournal journal{transaction, originals, uses};
    RunBooks books{content_db::ReadAll(database), catalogue::SharedFiles::load(s.sharedDataPath()),
                   journal};
    uses.addInstalled(books.records);
    for (const QString& otherFile : catalogue::otherRecordFiles(s, kind)) {
        if (QFileInfo::exists(otherFile))
            uses.addInstalled(content_db::ReadAll(otherFile));
    }

    // The entries name their records in the list as shown, before the
    // first of them leaves it.
    const QList<qsizetype> indexes =
        catalogue::findRecords(books.records, kind, catalogue::ListSide::NotInstalled, selected);
    try {
        // A stop asked for between two archives (the progress report is
        // where the command line's SIGINT and SIGTERM land) lets the
        // archives already installed stand: they are committed first.
        std::exception_ptr stopped;
        ArchiveInstaller installer(ctx, kind, deleteAfter, books, result);
        for (qsizetype i = 0; i < selected.size() && !stopped; ++i) {
            installer.install(selected[i], indexes[i]);
            try {
                run.progress(int(i + 1));
            } catch (...) {
                stopped = std::current_exception();
            }
        }
        // The records, the counts and the kept originals in one commit:
        // until it, a kill leaves the next start to undo the whole run.
        // A run that installed nothing writes nothing.
        transaction.commit(books.changed
                               ? RunRewrites(s, database, books.records, books.shared, originals)
                               : QList<txn::Transaction::Rewrite>());
        if (stopped)
            std::rethrow_exception(stopped);
    } catch (...) {
        core::DeleteTempFiles(ctx);
        throw;
    }
    run.restoreOverwriteAlways();
    result.trashedTo = run.trashed();
    return result;
}

void FinishInstall(CommandContext& ctx, ContentKind kind, const InstallResult& result) {
    const AppState& s = ctx.state;
    if (!result.FailedArchives.isEmpty() || !result.nothingPlaced.isEmpty()) {
        QString text = u"The following files could not be installed:\r"_s;
        for (qsizetype i = 0; i < result.FailedArchives.size(); ++i) {
            // The component's reason, on the entry's own line.
            const QString reason = result.failureReasons.value(i).simplified();
            text += result.FailedArchives[i] + (reason.isEmpty() ? QString() : u": "_s + reason) +
                    u'\r';
        }
        for (const QString& name : result.nothingPlaced)
            text += name + u": nothing was placed\r"_s;
        ctx.dialogs.message(platform::MsgKind::Error, text, platform::Ok, QPoint(25, 150));
    }
    ReportFailedCopies(ctx, result.FailedCopies);
    if (result.ok)
        ctx.status.setStatus(u"  Installed "_s + QString::number(result.ProgressTotal) +
                             catalogue::describe(kind).counted.toString() + u" with "_s +
                             QString::number(result.ProgressDone) + u" file(s) total."_s);
    else
        ctx.status.setStatus(u"  Operation cancelled"_s);
    if (core::MoveLeftovers(ctx))
        ctx.dialogs.message(platform::MsgKind::Warning,
                            u"Not all files could be installed by Quorvel. You have to manually "_s
                            u"move them yourself.\r\rThe files/directories can be found in "_s +
                                s.ProgramDir + u"/ToBeMoved.  See Help for more info."_s,
                            platform::Ok, QPoint(-15, 150));
}

} // namespace install
