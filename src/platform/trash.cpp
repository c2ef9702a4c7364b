#include "platform/trash.h"

#include <QFile>

namespace platform {

bool moveToTrash(const QString& path, QString* trashedPath) {
    QString where;
    const bool ok = QFile::moveToTrash(path, &where);
    if (ok && trashedPath)
        *trashedPath = where;
    return ok;
}

} // namespace platform
