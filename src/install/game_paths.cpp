#include "install/game_paths.h"

#include "platform/folder_index.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace install::detail {

QString gameFolder(CommandContext& ctx, const QString& dir) {
    QString path = dir;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0 || slash == path.size() - 1)
        return platform::withSlash(path);
    const QString parent = slash == 0 ? u"/"_s : path.left(slash);
    return platform::withSlash(ctx.folders.resolve(parent, path.mid(slash + 1)));
}

QList<platform::FileEntry> tempFiles(CommandContext& ctx) {
    QList<platform::FileEntry> files;
    if (ctx.state.TempDir.isEmpty())
        return files; // never the working folder by accident
    for (const platform::FileEntry& e : platform::listByMask(ctx.state.TempDir, u"*"_s)) {
        // Extraction makes no links; one found here is not followed into
        // the game folders.
        if (!e.isDir && !QFileInfo(e.path).isSymLink())
            files.append(e);
    }
    return files;
}

} // namespace install::detail
