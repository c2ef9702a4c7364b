#include "install/install.h"

#include "core/archive_calls.h"
#include "core/content_catalogue.h"
#include "core/record_journal.h"
#include "core/temp_folder.h"
#include "install/game_paths.h"
#include "install/install_run.h"
#include "install/placement.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

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

QString kindWord(ContentKind kind) {
    switch (kind) {
    case ContentKind::Maps:
        return u" map(s)"_s;
    case ContentKind::Mutators:
        return u" mutator(s)"_s;
    case ContentKind::Skins:
        return u" skin(s)"_s;
    }
    return {};
}

/// One entry of the run. `ok` is the run's flag, left by the last archive
/// whose extraction succeeded; returns true when a record was changed.
void installOne(CommandContext& ctx, ContentKind kind, const catalogue::ListEntry& entry,
                qsizetype index, bool deleteAfter, const QString& database,
                QList<TContentRecord>& records, catalogue::RecordedUses& uses,
                InstallResult& result) {
    AppState& s = ctx.state;
    const QString& item = entry.name;
    if (index < 0) {
        // The lists and the record file disagree: nothing to install from.
        result.fail(item, u"no record of it was found; update the database"_s);
        return;
    }
    TContentRecord& rec = records[index];
    if (ctx.beforeInstall && !ctx.beforeInstall(ctx, rec, result.installAnyway)) {
        --s.ProgressTotal; // refused, as an existing file refused
        return;
    }
    const QString ext = catalogue::extensionOf(rec.ArchiveName).toLower();
    s.ProgressText = extractingText(item);
    ctx.status.setStatus(s.ProgressText);
    const QString archivePath = catalogue::archivePathOf(rec);

    // What a failed extraction wrote is taken out again, so none of it is
    // placed with the next archive under that archive's name; what earlier
    // archives left stays for ToBeMoved.
    core::ExtractedIntoTemp extracted(ctx);
    extracted.keep();
    // An archive that is neither zip nor rar extracts nothing and places
    // nothing; a rar whose library could not be loaded fails like any other.
    if (ext == u".zip"_s || ext == u".rar"_s) {
        core::ExtractRequest request;
        request.archive = archivePath;
        request.target = s.TempDir;
        // Maps are extracted flat; mutators and skins keep their folders
        // until the temporary folder is flattened.
        request.keepFolders = kind != ContentKind::Maps;
        const archives::ArchiveResult extraction = core::ExtractArchive(ctx, request);
        if (!extraction.ok) {
            result.fail(item, extraction.error);
            extracted.removeAdded();
            return;
        }
    }
    while (!core::FlattenTempFolder(ctx)) {
    }
    s.ProgressText = u"  Installing "_s + item;
    const TContentRecord before = rec;
    const Placement placement = PlaceArchive(
        ctx, archivePath,
        [&](const QStringList& existing) {
            // Written before a file is copied, the record and the counts in one
            // step: a kill in the middle then leaves a record that claims what
            // may not have arrived, never a placed file that no record claims.
            rec.Installed = 1;
            rec.InstallDate = ctx.clock().todayText();
            rec.Kind = catalogue::installedKind(kind);
            try {
                record_journal::WriteRecordsAndShared(s, database, records,
                                                      SharedFilesRegistering(ctx, existing));
            } catch (...) {
                rec = before; // nothing was copied
                throw;
            }
        },
        &uses);
    if (!placement.refusal.isEmpty()) {
        result.fail(item, placement.refusal);
        --s.ProgressTotal;
        result.ok = s.ProgressDone > 0;
        core::DeleteTempFiles(ctx);
        return;
    }
    if (!placement.accepted) {
        // Refused by the user: ProgressTotal is one lower already.
        result.ok = s.ProgressDone > 0;
        core::DeleteTempFiles(ctx);
        return;
    }
    const CopyResult& copied = placement.copied;
    if (copied.placed == 0 || copied.failed > 0) {
        // Not installed after all: what it placed anew goes again, the
        // record and the counts are as they were, and the user is told.
        for (const QString& path : copied.created) {
            if (QFile::remove(path))
                ctx.folders.removed(path);
        }
        s.ProgressDone -= copied.placed;
        rec = before;
        record_journal::WriteRecordsAndShared(s, database, records,
                                              SharedFilesReleasing(ctx, placement.existing));
        --s.ProgressTotal;
        if (copied.placed == 0 && copied.failed == 0)
            result.nothingPlaced.append(item);
        else
            result.fail(item, u"not all of its files could be copied into the game"_s);
    } else {
        uses.add(rec);
    }
    if (rec.Installed == 1 && deleteAfter && core::MoveToRecycleBin(ctx, archivePath)) {
        rec.Kind = catalogue::installedKind(kind, true);
        rec.ArchiveDir = catalogue::DeletedFromDisk.toString();
        content_db::WriteAll(database, records);
    }
    // The flag counts the whole run, as the closing status does.
    result.ok = s.ProgressDone > 0;
    core::DeleteTempFiles(ctx);
}

} // namespace

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
    s.ProgressTotal = qint32(selected.size());
    s.ProgressDone = 0;
    s.FailedCopies.clear();
    const QString database = catalogue::recordFile(s, kind);
    QList<TContentRecord> records = content_db::ReadAll(database);
    // Every installed record of both files is a user of the files it lists.
    catalogue::RecordedUses uses(s);
    uses.addInstalled(records);
    const QString otherFile = kind == ContentKind::Maps ? s.modDataPath() : s.mapDataPath();
    if (QFileInfo::exists(otherFile))
        uses.addInstalled(content_db::ReadAll(otherFile));

    // Each archive's record and counts are written as it is placed, so an
    // error (or a kill) loses at most the archive in progress.
    // The entries name their records in the list as shown, before the
    // first of them leaves it.
    const QList<qsizetype> indexes =
        catalogue::findRecords(records, kind, catalogue::ListSide::NotInstalled, selected);
    try {
        for (qsizetype i = 0; i < selected.size(); ++i) {
            installOne(ctx, kind, selected[i], indexes[i], deleteAfter, database, records, uses,
                       result);
            run.progress(int(i + 1));
        }
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
    ReportFailedCopies(ctx);
    if (result.ok)
        ctx.status.setStatus(u"  Installed "_s + QString::number(s.ProgressTotal) + kindWord(kind) +
                             u" with "_s + QString::number(s.ProgressDone) + u" file(s) total."_s);
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
