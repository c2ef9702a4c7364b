#include "platform/trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

std::optional<QString> moveToTrash(const QString& path) {
    // Qt makes only the last level of the home trash folder; when the data
    // folder itself is missing (a fresh account) it would fall back to a
    // trash below the working folder. Make sure the data folder exists.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dataHome.isEmpty())
        QDir().mkpath(dataHome);
    QString where;
    if (!QFile::moveToTrash(path, &where))
        return std::nullopt;
    if (QFileInfo(where).isRelative()) {
        // Not a real trash: put the file back and report the failure.
        QFile::rename(where, path);
        return std::nullopt;
    }
    return where;
}

} // namespace platform
