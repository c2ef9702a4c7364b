#include "install/uninstall.h"

#include "core/content_catalogue.h"
#include "core/shared_files.h"
#include "core/temp_folder.h"
#include "install/game_paths.h"
#include "install/placement.h"
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

constexpr int kArchivePathLength = 150;

bool isMaps(ContentKind kind) {
    return kind == ContentKind::Maps;
}

/// Deletes the file `name` of the game folder value `dir`, found ignoring
/// case; true when a file was deleted (a missing one is not).
bool deleteGameFile(CommandContext& ctx, const QString& dir, const QString& name) {
    const QString folder = detail::gameFolder(ctx, dir);
    const std::optional<QString> path = ctx.folders.find(folder, name);
    if (!path || !QFile::remove(*path))
        return false;
    ctx.folders.removed(*path);
    return true;
}

/// The help files the install named after the archive: stem + "-" + n +
/// picture extension and stem + "-readme" + text extension, ignoring case.
/// Names of other archives whose stem begins with this one stay. Returns
/// how many were deleted.
int deleteHelpFiles(CommandContext& ctx, const QString& stem) {
    if (stem.isEmpty())
        return 0;
    static const QRegularExpression own(
        u"^-(\\d+\\.(jpg|gif|bmp)|readme\\.(txt|doc|rtf|htm|html))$"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QString folder = detail::gameFolder(ctx, ctx.state.HelpDir);
    int deleted = 0;
    for (const platform::FileEntry& e : ctx.folders.list(folder, stem + u"*"_s)) {
        if (e.isDir || e.name.size() <= stem.size())
            continue;
        if (!own.match(e.name.mid(stem.size())).hasMatch())
            continue;
        if (QFile::remove(e.path)) {
            ctx.folders.removed(e.path);
            ++deleted;
        }
    }
    return deleted;
}

/// Deletes the game files of `rec` that no other user keeps: a shared
/// count still above 0 after this release, or another installed record
/// that lists the same file. ProgressDone counts the files really deleted.
void uninstallOne(CommandContext& ctx, TContentRecord& rec, catalogue::SharedFiles& shared,
                  catalogue::RecordedUses& uses) {
    AppState& s = ctx.state;
    uses.remove(rec);
    const qint32 count = qMin<qint32>(rec.FileCount, qint32(rec.Files.size()));
    for (qint32 i = 0; i < count; ++i) {
        const QString name = catalogue::placedFileName(rec.Files[i]);
        if (name.isEmpty())
            continue;
        const std::optional<QString> dir = catalogue::gameFolderForFile(s, name);
        if (!dir || catalogue::isMergedInt(name))
            continue;
        if (!shared.release(name) || uses.uses(*dir, name) > 0)
            continue;
        ctx.status.setStatus(s.ProgressText + u"... Deleting "_s + rec.Files[i]);
        if (deleteGameFile(ctx, *dir, name))
            ++s.ProgressDone;
    }
    rec.Installed = 0;
    rec.InstallDate.clear();
    s.ProgressDone += deleteHelpFiles(ctx, ArchiveStem(rec.ArchiveName));
}

} // namespace

UninstallResult UninstallArchives(CommandContext& ctx, ContentKind kind,
                                  const QList<catalogue::ListEntry>& selected,
                                  bool deleteArchives) {
    AppState& s = ctx.state;
    UninstallResult result;
    s.ProgressDone = 0;
    if (selected.isEmpty()) {
        ctx.status.setStatus(isMaps(kind) ? u"  No maps selected! Try again."_s
                                          : u"  No files selected! Try again."_s);
        return result;
    }
    result.ran = true;
    const QString database = catalogue::recordFile(s, kind);
    QList<TContentRecord> records = content_db::ReadAll(database);
    catalogue::SharedFiles shared = catalogue::SharedFiles::load(s.sharedDataPath());
    // Every installed record of both files is evidence of a file in use.
    catalogue::RecordedUses uses(s);
    uses.addInstalled(records);
    const QString otherFile = isMaps(kind) ? s.modDataPath() : s.mapDataPath();
    if (QFileInfo::exists(otherFile))
        uses.addInstalled(content_db::ReadAll(otherFile));

    QStringList archives;
    qsizetype last = -1;
    QString lastItem;
    for (const catalogue::ListEntry& entry : selected) {
        const QString& item = entry.name;
        s.ProgressText = u"  Uninstalling "_s + item;
        ctx.status.setStatus(s.ProgressText);
        const qsizetype index =
            catalogue::findRecord(records, kind, catalogue::ListSide::Installed, entry);
        if (index < 0) {
            result.skipped.append(item);
            continue;
        }
        TContentRecord& rec = records[index];
        if (deleteArchives)
            archives.append((rec.ArchiveDir + rec.ArchiveName).left(kArchivePathLength));
        uninstallOne(ctx, rec, shared, uses);
        last = index;
        lastItem = item;
    }

    if (isMaps(kind)) {
        content_db::WriteAll(database, records);
        result.status = u"  Uninstalled "_s + QString::number(selected.size()) +
                        u" map(s) with "_s + QString::number(s.ProgressDone) + u" file(s) total."_s;
    } else {
        // The other-kind records of the last archive go, among them its
        // own when its archive was deleted after the install.
        const qint32 keepKind = catalogue::installedKind(kind);
        const QString lastArchive = last >= 0 ? records[last].ArchiveName : QString();
        QList<TContentRecord> kept;
        for (const TContentRecord& r : std::as_const(records)) {
            if (last >= 0 && r.ArchiveName == lastArchive && r.Kind != keepKind)
                continue;
            kept.append(r);
        }
        content_db::WriteAll(database, kept);
        result.status = u"  "_s + lastItem + u" successfully uninstalled"_s;
    }
    shared.writeKept(s.sharedDataPath());
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

} // namespace install
