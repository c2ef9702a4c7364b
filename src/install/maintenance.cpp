#include "install/maintenance.h"

#include "core/archive_calls.h"
#include "core/content_catalogue.h"
#include "core/temp_folder.h"
#include "core/transaction.h"
#include "install/game_paths.h"
#include "install/placement.h"
#include "install/uninstall.h"
#include "intake/scan.h"
#include "platform/atomic_file.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace install {

using catalogue::ContentKind;

namespace {

/// Deletes the working folder's files (read-only ones too) and the folder.
void removeWorkingFolder(CommandContext& ctx, const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return;
    for (const platform::FileEntry& e : platform::listByMask(folder, u"*"_s)) {
        if (e.readOnly)
            platform::clearReadOnly(e.path);
        QFile::remove(e.path);
    }
    if (!QDir().rmdir(folder))
        ctx.dialogs.message(platform::MsgKind::Error,
                            u"Couldn't remove directory "_s + QFileInfo(folder).absoluteFilePath() +
                                u" !"_s + u"\r\r"_s +
                                u"Please delete the directory before you start Quorvel next time"_s,
                            platform::Ok, QPoint(50, 125));
}

} // namespace

QStringList DeleteArchives(CommandContext& ctx, intake::TmFileScan& scan, ContentKind kind,
                           const QList<catalogue::ListEntry>& selected) {
    AppState& s = ctx.state;
    QStringList failed;
    const QList<TContentRecord> records = content_db::ReadAll(catalogue::recordFile(s, kind));
    for (const catalogue::ListEntry& item : selected) {
        const qsizetype index =
            catalogue::findRecord(records, kind, catalogue::ListSide::NotInstalled, item);
        bool deleted = false;
        if (index >= 0) {
            const QString path = catalogue::archivePathOf(records[index]);
            ctx.status.setStatus(u"  Deleting "_s + path);
            deleted = core::MoveToRecycleBin(ctx, path);
            if (deleted)
                ctx.status.setStatus(u"  Deleting "_s + path + u" .... Deleted"_s);
        }
        if (!deleted) {
            ctx.status.setStatus(catalogue::describe(kind).deleteFailedText.toString());
            failed.append(item.name);
        }
    }
    // The kind's own scan drops the records of the archives just deleted
    // (the other kinds' scans keep records below this kind's folder).
    intake::ScanArchives(ctx, scan, kind);
    return failed;
}

bool CreateZip(CommandContext& ctx, ContentKind kind, const catalogue::ListEntry& entry,
               const QString& targetFolder, const platform::BusyGuard::Enter& enterBusy) {
    AppState& s = ctx.state;
    const QString database = catalogue::recordFile(s, kind);
    const QList<TContentRecord> records = content_db::ReadAll(database);
    const QString& item = entry.name;
    const qsizetype index =
        catalogue::findRecord(records, kind, catalogue::ListSide::Installed, entry);
    if (index < 0)
        throw platform::Error(u"No installed record of \"%1\" in \"%2\"."_s.arg(item, database));
    const TContentRecord& rec = records[index];
    const QString work = s.ProgramDir + u"/zipdir"_s;
    QDir().mkpath(work);
    bool found = false;
    const qint32 count = qMin<qint32>(rec.FileCount, qint32(rec.Files.size()));
    for (qint32 i = 0; i < count; ++i) {
        const QString name = catalogue::placedFileName(rec.Files[i]);
        if (name.isEmpty())
            continue;
        const std::optional<QString> dir = catalogue::gameFolderForFile(s, name);
        if (!dir)
            continue;
        const std::optional<QString> source = ctx.folders.find(detail::gameFolder(ctx, *dir), name);
        if (!source || !QFileInfo(*source).isFile())
            continue;
        const QString target = work + u'/' + name;
        QFile::remove(target);
        if (QFile::copy(*source, target))
            found = true;
    }
    bool made = false;
    QString failure;
    if (!found) {
        ctx.status.setStatus(u"Couldn't create zip-file"_s);
    } else {
        const platform::BusyGuard busy(s.CanClose, enterBusy);
        const QString adding = u"Creating "_s + item + u".zip   ... adding "_s;
        ctx.status.setStatus(adding);
        QString folder = targetFolder;
        if (folder.endsWith(u'/'))
            folder.chop(1);
        const QString zipPath = folder + u'/' + item + u".zip"_s;
        const QFileInfo before(zipPath);
        const bool existed = before.exists() || before.isSymLink();
        const archives::ArchiveResult added =
            core::AddToZip(ctx, zipPath, {work + u"/*.*"_s}, true, adding);
        if (added.ok) {
            ctx.status.setStatus(item + u".zip  created in "_s + targetFolder);
            made = true;
        } else {
            // Nothing half-made stays behind: a zip this call began goes.
            const QFileInfo after(zipPath);
            if (!existed && after.isFile() && !after.isSymLink())
                QFile::remove(zipPath);
            ctx.status.setStatus(u"Couldn't create zip-file"_s);
            failure = u"Couldn't create "_s + zipPath + u" !"_s;
            if (!added.error.isEmpty())
                failure += u"\r\r"_s + added.error;
        }
    }
    // Shown once the window is no longer busy.
    if (!failure.isEmpty())
        ctx.dialogs.message(platform::MsgKind::Error, failure, platform::Ok, QPoint(50, 125));
    removeWorkingFolder(ctx, work);
    return made;
}

bool MarkAsInstalled(CommandContext& ctx, ContentKind kind,
                     const QList<catalogue::ListEntry>& selected) {
    if (selected.isEmpty()) {
        ctx.status.setStatus(u"  Nothing selected"_s);
        return false;
    }
    const platform::Button answer = ctx.dialogs.message(
        platform::MsgKind::Warning,
        u"This will mark selected files as installed without installing them. \r"_s
        u"Read the helpfile for more information how to use this option.\r\r"_s
        u"Do you want to continue?"_s,
        platform::Yes | platform::No, QPoint(20, 150));
    if (answer != platform::Yes) {
        ctx.status.setStatus(u"  Operation canceled"_s);
        return false;
    }
    MarkRecordsInstalled(ctx, kind, selected);
    return true;
}

int MarkRecordsInstalled(CommandContext& ctx, ContentKind kind,
                         const QList<catalogue::ListEntry>& selected) {
    const QString database = catalogue::recordFile(ctx.state, kind);
    QList<TContentRecord> records = content_db::ReadAll(database);
    int marked = 0;
    // Looked up before any of them leaves the list: the second of two
    // equal names stays the second.
    for (const qsizetype index :
         catalogue::findRecords(records, kind, catalogue::ListSide::NotInstalled, selected)) {
        if (index < 0)
            continue;
        TContentRecord& r = records[index];
        r.Installed = 1;
        r.InstallDate = ctx.clock().todayText().left(10);
        r.Kind = catalogue::installedKind(kind);
        ++marked;
    }
    if (marked == 0)
        return 0;
    // Through a transaction as every change of installed records, so a
    // run left by a kill is undone before this one starts.
    txn::Transaction transaction(ctx.state);
    transaction.commit({{database, [&records](platform::AtomicFile& out) {
                             content_db::EncodeRecords(
                                 records, [&out](const char* d, qint64 n) { out.writeAll(d, n); });
                         }}});
    return marked;
}

} // namespace install
