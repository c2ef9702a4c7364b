#include "install/uninstall.h"

#include "core/content_db.h"
#include "core/temp_folder.h"
#include "install/game_paths.h"
#include "install/placement.h"
#include "install/shared_files.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QFile>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace install {

namespace {

constexpr int kArchivePathLength = 150;

bool isMaps(ContentKind kind) {
    return kind == ContentKind::Maps;
}

/// The records a page's right list shows: installed, of the page's kind.
bool onInstalledList(const TContentRecord& r, ContentKind kind) {
    if (r.Installed != 1 || r.Kind >= 10)
        return false;
    if (isMaps(kind))
        return true;
    return (r.Kind >= 2) == (kind == ContentKind::Skins);
}

QString shownName(const TContentRecord& r) {
    return r.DisplayName.isEmpty() ? r.ArchiveName : r.DisplayName;
}

qsizetype findInstalled(const QList<TContentRecord>& records, ContentKind kind,
                        const QString& item) {
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (onInstalledList(records[i], kind) && shownName(records[i]) == item)
            return i;
    }
    return -1;
}

/// A .int file the install appended to the game's own file of that name.
bool isMergedInt(const QString& name) {
    const QString lower = name.toLower();
    return lower.endsWith(u".int"_s) &&
           (lower.contains(u"xplayers"_s) || lower.contains(u"xweapons"_s) ||
            lower.contains(u"xmaps"_s));
}

/// Deletes the file `name` of the game folder value `dir`, found ignoring
/// case; a missing file is ignored.
void deleteGameFile(CommandContext& ctx, const QString& dir, const QString& name) {
    const QString folder = detail::gameFolder(ctx, dir);
    const std::optional<QString> path = ctx.folders.find(folder, name);
    if (path && QFile::remove(*path))
        ctx.folders.removed(*path);
}

/// The help files the install named after the archive: stem + "-" + n +
/// picture extension and stem + "-readme" + text extension, ignoring case.
/// Names of other archives whose stem begins with this one stay.
void deleteHelpFiles(CommandContext& ctx, const QString& stem) {
    if (stem.isEmpty())
        return;
    static const QRegularExpression own(
        u"^-(\\d+\\.(jpg|gif|bmp)|readme\\.(txt|doc|rtf|htm|html))$"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QString folder = detail::gameFolder(ctx, ctx.state.HelpDir);
    for (const platform::FileEntry& e : ctx.folders.list(folder, stem + u"*"_s)) {
        if (e.isDir || e.name.size() <= stem.size())
            continue;
        if (!own.match(e.name.mid(stem.size())).hasMatch())
            continue;
        if (QFile::remove(e.path))
            ctx.folders.removed(e.path);
    }
}

/// The record's ArchiveName with four characters deleted from its first ".".
QString recordStem(const TContentRecord& r) {
    QString stem = r.ArchiveName;
    const qsizetype dot = stem.indexOf(u'.');
    if (dot >= 0)
        stem.remove(dot, 4);
    return stem;
}

void uninstallOne(CommandContext& ctx, TContentRecord& rec, SharedFiles& shared) {
    AppState& s = ctx.state;
    const qint32 count = qMin<qint32>(rec.FileCount, qint32(rec.Files.size()));
    s.ProgressDone += rec.FileCount;
    for (qint32 i = 0; i < count; ++i) {
        const QString name = placedFileName(rec.Files[i]);
        if (name.isEmpty())
            continue;
        const std::optional<QString> dir = gameFolderForFile(s, name);
        if (!dir || isMergedInt(name))
            continue;
        if (!shared.release(name))
            continue;
        ctx.status.setStatus(s.ProgressText + u"... Deleting "_s + rec.Files[i]);
        deleteGameFile(ctx, *dir, name);
    }
    rec.Installed = 0;
    rec.InstallDate.clear();
    deleteHelpFiles(ctx, recordStem(rec));
}

} // namespace

std::optional<UninstallRequest> uninstallRequestOf(int tag) {
    switch (tag) {
    case 1:
    case 22:
        return UninstallRequest{ContentKind::Maps, false};
    case 24:
        return UninstallRequest{ContentKind::Maps, true};
    case 2:
    case 42:
        return UninstallRequest{ContentKind::Mutators, false};
    case 44:
        return UninstallRequest{ContentKind::Mutators, true};
    case 3:
    case 62:
        return UninstallRequest{ContentKind::Skins, false};
    case 64:
        return UninstallRequest{ContentKind::Skins, true};
    default:
        return std::nullopt;
    }
}

std::optional<QString> gameFolderForFile(const AppState& s, const QString& fileName) {
    const QString ext = detail::extensionOf(fileName).toLower();
    static const QHash<QString, QString AppState::*> table = {
        {u".ukx"_s, &AppState::AnimationsDir},   {u".ut2"_s, &AppState::MapsDir},
        {u".ogg"_s, &AppState::MusicDir},        {u".uax"_s, &AppState::SoundsDir},
        {u".usx"_s, &AppState::StaticMeshesDir}, {u".utx"_s, &AppState::TexturesDir},
        {u".ka"_s, &AppState::KarmaDataDir},     {u".int"_s, &AppState::SystemDir},
        {u".ini"_s, &AppState::SystemDir},       {u".u"_s, &AppState::SystemDir},
        {u".upl"_s, &AppState::SystemDir},       {u".ucl"_s, &AppState::SystemDir},
        {u".gif"_s, &AppState::HelpDir},         {u".jpg"_s, &AppState::HelpDir},
        {u".bmp"_s, &AppState::HelpDir},         {u".txt"_s, &AppState::HelpDir},
        {u".hlp"_s, &AppState::HelpDir},         {u".doc"_s, &AppState::HelpDir},
        {u".htm"_s, &AppState::HelpDir},         {u".html"_s, &AppState::HelpDir},
        {u".rtf"_s, &AppState::HelpDir},
    };
    const auto it = table.constFind(ext);
    if (it == table.constEnd())
        return std::nullopt;
    return s.*(it.value());
}

QString placedFileName(const QString& entry) {
    const qsizetype cut = qMax(entry.lastIndexOf(u'/'), entry.lastIndexOf(u'\\'));
    const QString name = entry.mid(cut + 1);
    return name == u"."_s || name == u".."_s ? QString() : name;
}

UninstallResult UninstallArchives(CommandContext& ctx, ContentKind kind,
                                  const QStringList& selected, bool deleteArchives) {
    AppState& s = ctx.state;
    UninstallResult result;
    s.ListBox1.clear();
    s.ProgressDone = 0;
    if (selected.isEmpty()) {
        ctx.status.setStatus(isMaps(kind) ? u"  No maps selected! Try again."_s
                                          : u"  No files selected! Try again."_s);
        return result;
    }
    result.ran = true;
    const QString database = isMaps(kind) ? s.mapDataPath() : s.modDataPath();
    QList<TContentRecord> records = content_db::ReadAll(database);
    s.ListBox1 = selected;
    SharedFiles shared = SharedFiles::load(s.sharedDataPath());

    QStringList archives;
    qsizetype last = -1;
    QString lastItem;
    for (const QString& item : selected) {
        s.ProgressText = u"  Uninstalling "_s + item;
        ctx.status.setStatus(s.ProgressText);
        const qsizetype index = findInstalled(records, kind, item);
        if (index < 0) {
            result.skipped.append(item);
            continue;
        }
        TContentRecord& rec = records[index];
        if (deleteArchives)
            archives.append((rec.ArchiveDir + rec.ArchiveName).left(kArchivePathLength));
        uninstallOne(ctx, rec, shared);
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
        const qint32 keepKind = kind == ContentKind::Skins ? 2 : 0;
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
    shared.save(s.sharedDataPath());
    s.ListBox1.clear();
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
