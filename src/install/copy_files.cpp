#include "install/placement.h"

#include "core/archive_calls.h"
#include "core/content_catalogue.h"
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

/// How a placement step names the file in its destination.
enum class Naming {
    Unchanged,
    MergeOrCopy, ///< .int: the game's player, weapon and map lists are merged
    Numbered,    ///< stem + "-" + n + ext, n from 1 per extension
    Readme,      ///< "readme" + ext becomes stem + "-readme" + ext
};

Naming namingOf(const QString& ext) {
    if (ext == u".int"_s)
        return Naming::MergeOrCopy;
    if (catalogue::isNumberedPicture(ext))
        return Naming::Numbered;
    if (catalogue::isRenamedReadme(u"readme"_s + ext))
        return Naming::Readme;
    return Naming::Unchanged;
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
/// left as it is (a success).
platform::Outcome copyInto(CommandContext& ctx, const QString& source, const QString& folder,
                           const QString& name, bool failIfExists, CopyResult& result) {
    const std::optional<QString> existing = ctx.folders.find(folder, name);
    if (existing && failIfExists)
        return platform::Outcome::success();
    const QString target = existing.value_or(folder + name);
    const platform::Outcome copied = detail::copyFileAtomic(source, target);
    if (!copied)
        return copied;
    if (!existing) {
        ctx.folders.added(target);
        result.created.append(target);
    }
    return copied;
}

} // namespace

QString ArchiveStem(const QString& archivePath) {
    const QString type = core::archiveType(archivePath);
    if (type != u".zip"_s && type != u".rar"_s)
        return {};
    QString name = platform::fileNamePart(archivePath);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.remove(dot, 4);
    return name;
}

CopyResult CopyToGameFolders(CommandContext& ctx, bool failIfExists, const QString& archivePath) {
    CopyResult result;
    const QString stem = ArchiveStem(archivePath);
    // One listing serves every step: each file matches one extension only.
    const QList<platform::FileEntry> files = detail::tempFiles(ctx);
    for (const catalogue::ExtensionRule& step : catalogue::extensionTable()) {
        if (step.extra && !ctx.state.InstallExtraFiles)
            continue;
        const Naming naming = namingOf(step.ext);
        int n = 1;
        for (const platform::FileEntry& file : files) {
            if (!catalogue::hasExtension(file.name, step.ext))
                continue;
            if (file.readOnly)
                platform::clearReadOnly(file.path);
            if (naming == Naming::MergeOrCopy && catalogue::isMergedInt(file.name)) {
                MergeIntFile(ctx, file.name);
                continue;
            }
            QString target = file.name;
            QString shown = file.name;
            if (naming == Naming::Numbered) {
                target = stem + u'-' + QString::number(n) + step.ext;
            } else if (naming == Naming::Readme && catalogue::isRenamedReadme(file.name)) {
                target = stem + u"-readme"_s + step.ext;
                shown = target;
            }
            ctx.status.setStatus(ctx.state.ProgressText + u"... Copying "_s + shown);
            const QString folder = destinationFolder(ctx, ctx.state.*step.folder);
            // A file that did not arrive is not placed: it stays in TempDir
            // (a cache run puts it back into the cache) and is named at the
            // end of the run.
            const platform::Outcome copied =
                copyInto(ctx, file.path, folder, target, failIfExists, result);
            if (!copied) {
                ctx.state.FailedCopies.append(shown + u" -> "_s + folder + u": "_s +
                                              copied.error());
                ++result.failed;
                continue;
            }
            if (QFile::remove(file.path))
                ctx.folders.removed(file.path);
            ++ctx.state.ProgressDone;
            ++result.placed;
            if (naming == Naming::Numbered)
                ++n;
        }
    }
    return result;
}

int RemoveInterruptedCopies(CommandContext& ctx) {
    if (ctx.state.GameDir.isEmpty() || !QFileInfo(ctx.state.GameDir).isDir())
        return 0;
    QStringList folders;
    for (const catalogue::ExtensionRule& rule : catalogue::extensionTable()) {
        const QString folder = detail::gameFolder(ctx, ctx.state.*rule.folder);
        if (!folders.contains(folder))
            folders.append(folder);
    }
    int removed = 0;
    for (const QString& folder : std::as_const(folders)) {
        const QDir dir(folder);
        const QStringList left =
            dir.entryList({u"*.quorvel-??????"_s}, QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : left) {
            if (QFile::remove(dir.filePath(name)))
                ++removed;
        }
    }
    return removed;
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
