#include "core/file_info.h"

#include "archive/archive_formats.h"
#include "archive/safe_path.h"
#include "core/archive_calls.h"
#include "core/globals.h"
#include "platform/dialogs.h"

#include "platform/errors.h"
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace core::file_info {

QString firstLabelFor(catalogue::ContentKind kind) {
    return catalogue::describe(kind).infoLabel.toString();
}

QString ExtensionWord(const QString& archiveName) {
    const qsizetype dot = archiveName.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    // The extension with its dot is cut to 5 characters, then the dot goes.
    return archiveName.mid(dot, 5).mid(1);
}

FileInfo describe(const TContentRecord& record, const QString& firstLabel) {
    FileInfo info;
    info.rows.resize(FileInfo::HeaderRows);
    const QString word = ExtensionWord(record.ArchiveName);
    // A record made from the game's cache has no archive of its own: its
    // archive name, added date and count say nothing and are not shown.
    const bool fromArchive = record.ArchiveDir != catalogue::FromCache;
    info.rows[0] = {firstLabel, record.DisplayName};
    if (fromArchive) {
        info.rows[1] = {u"Name of "_s + word + u"-file :"_s, record.ArchiveName};
        info.rows[3] = {u"Added   :   "_s, record.AddedDate};
        info.rows[5] = {u"No. of files in "_s + word + u" :"_s, QString::number(record.FileCount)};
    }
    info.rows[2] = {u"Place on disk :"_s, record.ArchiveDir};
    if (record.Installed == 1)
        info.rows[4] = {u"Installdate : "_s, record.InstallDate};
    else
        info.rows[4] = {u"Installdate :"_s, u"Not installed"_s};
    // A record read from disk holds exactly FileCount names; one built in
    // memory may say more than it holds.
    info.files = record.Files.mid(0, qBound(0, record.FileCount, int(record.Files.size())));
    info.record = record;
    return info;
}

FileInfo MapInfo(const AppState& state, catalogue::ContentKind kind, catalogue::ListSide side,
                 const catalogue::ListEntry& entry) {
    const QString path = catalogue::recordFile(state, kind);
    const QList<TContentRecord> records = content_db::ReadAll(path);
    const qsizetype index = catalogue::findRecord(records, kind, side, entry);
    if (index < 0)
        throw platform::Error(u"No record of \"%1\" in \"%2\"."_s.arg(entry.name, path));
    return describe(records[index], firstLabelFor(kind));
}

QString ExtractRecordedFile(CommandContext& ctx, const TContentRecord& record, const QString& name,
                            const QString& folder, bool quiet, qint64 maxBytes) {
    const archives::ArchiveFormat* format = archives::formatOf(record.ArchiveName);
    if (!format)
        return {};
    core::ExtractRequest request;
    request.archive = record.ArchiveDir + record.ArchiveName;
    request.target = folder;
    request.only = QStringList{name};
    request.quiet = quiet;
    request.maxBytes = maxBytes;
    // A format that extracts flat records bare names: the entry may lie in
    // a folder of the archive, found by listing it.
    const bool flat = format->can(archives::Ability::FlatExtract);
    if (flat) {
        archives::ArchiveResult result = core::ExtractArchive(ctx, request);
        if (result.files <= 0) {
            const QStringList entries = core::ListArchive(ctx, request.archive, true).entries;
            for (const QString& entry : entries) {
                if (catalogue::placedFileName(entry) == name) {
                    request.only = QStringList{entry};
                    result = core::ExtractArchive(ctx, request);
                    break;
                }
            }
        }
        if (result.files <= 0) {
            if (!quiet)
                ctx.dialogs.message(platform::MsgKind::Error,
                                    u"Sorry, an error occured when trying to view "_s + name,
                                    platform::Ok, QPoint(0, 0));
            return {};
        }
    } else {
        core::ExtractArchive(ctx, request);
    }
    // Where the extraction put it; a name that would point out of the
    // folder is confined the same way, so nothing outside it is opened or
    // deleted.
    const QString copy = archives::confinedTarget(folder, name, !flat);
    return !copy.isEmpty() && QFileInfo(copy).isFile() ? copy : QString();
}

} // namespace core::file_info
