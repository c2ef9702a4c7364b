#include "install/placement.h"

#include "archive/rar_archive.h"
#include "archive/zip_master.h"
#include "install/file_copy.h"
#include "install/game_paths.h"
#include "platform/dialogs.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace install {

namespace {

/// How a step names the file in its destination.
enum class Naming {
    Unchanged,
    MergeOrCopy, ///< .int: the game's player, weapon and map lists are merged
    Numbered,    ///< stem + "-" + n + ext, n from 1 per extension
    Readme,      ///< "readme" + ext becomes stem + "-readme" + ext
};

struct Step {
    QString ext;
    QString AppState::*dir;
    Naming naming;
    bool extra; ///< placed only while InstallExtraFiles
};

/// The placement table, in the order the steps run.
const QList<Step>& steps() {
    static const QList<Step> table = {
        {u".ukx"_s, &AppState::AnimationsDir, Naming::Unchanged, false},
        {u".ut2"_s, &AppState::MapsDir, Naming::Unchanged, false},
        {u".ogg"_s, &AppState::MusicDir, Naming::Unchanged, false},
        {u".uax"_s, &AppState::SoundsDir, Naming::Unchanged, false},
        {u".usx"_s, &AppState::StaticMeshesDir, Naming::Unchanged, false},
        {u".utx"_s, &AppState::TexturesDir, Naming::Unchanged, false},
        {u".ka"_s, &AppState::KarmaDataDir, Naming::Unchanged, false},
        {u".u"_s, &AppState::SystemDir, Naming::Unchanged, false},
        {u".ucl"_s, &AppState::SystemDir, Naming::Unchanged, false},
        {u".upl"_s, &AppState::SystemDir, Naming::Unchanged, false},
        {u".ini"_s, &AppState::SystemDir, Naming::Unchanged, false},
        {u".int"_s, &AppState::SystemDir, Naming::MergeOrCopy, false},
        {u".jpg"_s, &AppState::HelpDir, Naming::Numbered, true},
        {u".gif"_s, &AppState::HelpDir, Naming::Numbered, true},
        {u".bmp"_s, &AppState::HelpDir, Naming::Numbered, true},
        {u".hlp"_s, &AppState::HelpDir, Naming::Unchanged, true},
        {u".txt"_s, &AppState::HelpDir, Naming::Readme, true},
        {u".doc"_s, &AppState::HelpDir, Naming::Readme, true},
        {u".rtf"_s, &AppState::HelpDir, Naming::Readme, true},
        {u".htm"_s, &AppState::HelpDir, Naming::Readme, true},
        {u".html"_s, &AppState::HelpDir, Naming::Readme, true},
    };
    return table;
}

bool isMergedInt(const QString& name) {
    const QString lower = name.toLower();
    return lower.contains(u"xplayers"_s) || lower.contains(u"xweapons"_s) ||
           lower.contains(u"xmaps"_s);
}

/// The destination folder of a step, resolved ignoring case; a missing
/// one is made inside its existing parent, so the copy has a place to go.
QString destinationFolder(CommandContext& ctx, const QString& dir) {
    const QString folder = detail::gameFolder(ctx, dir);
    if (QFileInfo(folder).isDir())
        return folder;
    const QString path = folder.chopped(1);
    const QFileInfo info(path);
    if (QFileInfo(info.path()).isDir() && QDir(info.path()).mkdir(info.fileName()))
        ctx.folders.added(path);
    return folder;
}

/// Copies `source` to `folder` + `name`, or onto the file the folder holds
/// under that name in another case; with `failIfExists` an existing file is
/// left as it is. Empty when done (or left), else why the copy failed.
std::optional<QString> copyInto(CommandContext& ctx, const QString& source, const QString& folder,
                                const QString& name, bool failIfExists) {
    const std::optional<QString> existing = ctx.folders.find(folder, name);
    if (existing && failIfExists)
        return std::nullopt;
    const QString target = existing.value_or(folder + name);
    QString error;
    if (!detail::copyFileAtomic(source, target, &error))
        return error.isEmpty() ? u"the copy failed"_s : error;
    if (!existing)
        ctx.folders.added(target);
    return std::nullopt;
}

} // namespace

QString ArchiveStem(CommandContext& ctx, const QString& archiveExt) {
    QString name;
    if (archiveExt == u".zip"_s)
        name = platform::fileNamePart(ctx.zip.ZipFileName());
    else if (archiveExt == u".rar"_s)
        name = platform::fileNamePart(ctx.rar.ArchiveFileName);
    else
        return {};
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.remove(dot, 4);
    return name;
}

void CopyToGameFolders(CommandContext& ctx, bool failIfExists, const QString& archiveExt) {
    const QString stem = ArchiveStem(ctx, archiveExt);
    // One listing serves every step: each file matches one extension only.
    const QList<platform::FileEntry> files = detail::tempFiles(ctx);
    for (const Step& step : steps()) {
        if (step.extra && !ctx.state.InstallExtraFiles)
            continue;
        int n = 1;
        for (const platform::FileEntry& file : files) {
            if (!detail::hasExtension(file.name, step.ext))
                continue;
            if (file.readOnly)
                platform::clearReadOnly(file.path);
            if (step.naming == Naming::MergeOrCopy && isMergedInt(file.name)) {
                MergeIntFile(ctx, file.name);
                continue;
            }
            QString target = file.name;
            QString shown = file.name;
            if (step.naming == Naming::Numbered) {
                target = stem + u'-' + QString::number(n) + step.ext;
            } else if (step.naming == Naming::Readme &&
                       file.name.toLower() == u"readme"_s + step.ext) {
                target = stem + u"-readme"_s + step.ext;
                shown = target;
            }
            ctx.status.setStatus(ctx.state.ProgressText + u"... Copying "_s + shown);
            const QString folder = destinationFolder(ctx, ctx.state.*step.dir);
            // A file that did not arrive is not placed: it stays in TempDir
            // (a cache run puts it back into the cache) and is named at the
            // end of the run.
            if (const std::optional<QString> error =
                    copyInto(ctx, file.path, folder, target, failIfExists)) {
                ctx.state.FailedCopies.append(shown + u" -> "_s + folder + u": "_s + *error);
                continue;
            }
            if (QFile::remove(file.path))
                ctx.folders.removed(file.path);
            ++ctx.state.ProgressDone;
            if (step.naming == Naming::Numbered)
                ++n;
        }
    }
}

void ReportFailedCopies(CommandContext& ctx) {
    QStringList& failed = ctx.state.FailedCopies;
    if (failed.isEmpty())
        return;
    const QString text = u"These files could not be copied into the game:\r"_s +
                         failed.join(u'\r') +
                         u"\r\rCheck that you may write to the game's folders, then try again."_s;
    failed.clear();
    ctx.dialogs.message(platform::MsgKind::Error, text, platform::Ok, QPoint(25, 150));
}

} // namespace install
