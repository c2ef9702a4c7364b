#include "core/temp_folder.h"

#include "platform/folder_index.h"
#include "platform/trash.h"

#include <QFileInfo>

namespace core {

bool MoveToRecycleBin(CommandContext& ctx, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return false;
    const QString full = info.absoluteFilePath();
    if (!ctx.trash.moveToTrash(full))
        return false;
    ctx.folders.removed(full);
    return true;
}

} // namespace core
