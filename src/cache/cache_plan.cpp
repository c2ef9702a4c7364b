#include "cache/cache_install.h"

#include "cache/cache_index.h"
#include "core/content_catalogue.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/status_sink.h"
#include "platform/text_file.h"

#include <QFile>
#include <QFileInfo>

// What a cache command is to do before it does it (the action chosen, the
// queue in its order, the zip folder asked for), and Clear cache, which
// needs no run.

using namespace Qt::Literals::StringLiterals;

namespace cache {

CacheAction cacheActionAt(int index) {
    return index >= 0 && index <= 3 ? CacheAction(index) : CacheAction::None;
}

QString cacheButtonCaption(CacheAction action) {
    switch (action) {
    case CacheAction::InstallOnly:
    case CacheAction::InstallAndZip:
        return u"Install"_s;
    case CacheAction::ZipOnly:
        return u"Save"_s;
    case CacheAction::DeleteFile:
        return u"Delete"_s;
    case CacheAction::None:
        break;
    }
    return {};
}

QStringList cacheQueue(const QStringList& selected) {
    QStringList maps;
    QStringList others;
    for (const QString& name : selected)
        (catalogue::isMapFile(name) ? maps : others).append(name);
    return maps + others;
}

std::optional<CachePlan> PlanCacheRun(CommandContext& ctx, CacheAction action,
                                      const QStringList& selected,
                                      const std::optional<QString>& zipFolder) {
    AppState& s = ctx.state;
    // Packages are moved into TempDir; never the working folder.
    if (s.TempDir.isEmpty())
        throw platform::Error(u"The temporary folder is not set up: nothing was installed."_s);
    for (const platform::FileEntry& e : platform::listByMask(s.TempDir, u"*"_s)) {
        if (!e.isDir || QFileInfo(e.path).isSymLink()) {
            ctx.dialogs.message(platform::MsgKind::Warning,
                                s.TempDir +
                                    u" is not empty. Please delete all files before you continue"_s,
                                platform::Ok, CacheBoxOffset);
            return std::nullopt;
        }
    }
    CachePlan plan;
    plan.action = action;
    plan.queue = cacheQueue(selected);
    if (plan.queue.isEmpty() || action == CacheAction::None) {
        return std::nullopt;
    }
    if (action == CacheAction::InstallAndZip || action == CacheAction::ZipOnly) {
        plan.zipFolder = zipFolder
                             ? *zipFolder
                             : ctx.dialogs.chooseFolder(u"Select the folder for the zip file(s)"_s,
                                                        s.LastZipDir, true);
        if (plan.zipFolder.isEmpty()) {
            ctx.status.setStatus(u"Operation cancelled"_s);
            return std::nullopt;
        }
        s.LastZipDir = plan.zipFolder;
    }
    return plan;
}

bool ConfirmClearCache(CommandContext& ctx) {
    return ctx.dialogs.message(platform::MsgKind::Warning,
                               u"Are you sure you wan't to totally clean out your cache?"_s,
                               platform::Ok | platform::Cancel, CacheBoxOffset) == platform::Ok;
}

void ClearCache(CommandContext& ctx) {
    const QString folder = cacheFolder(ctx.state);
    if (folder.isEmpty())
        throw platform::Error(u"The game folder is not set: there is no cache to clear."_s);
    for (const platform::FileEntry& e : platform::listByMask(folder, u"*.*"_s)) {
        if (!e.isDir && QFile::remove(e.path))
            ctx.folders.removed(e.path);
    }
    const QString ini = platform::withSlash(folder) + u"cache.ini"_s;
    platform::writeLines(ini, {u"[Cache]"_s});
    ctx.folders.added(ini);
}

} // namespace cache
