#include "platform/file_helpers.h"

#include "platform/wildcard_mask.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

Outcome renameReplacing(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return Outcome::failure(qt_error_string(errno));
    return Outcome::success();
}

bool matchesMask(const QString& mask, const QString& name) {
    return WildcardMask(mask).matches(name);
}

static QStringList childNames(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

bool removeTree(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isSymLink() || !info.isDir()) {
        if (!info.isSymLink() && isReadOnly(path))
            clearReadOnly(path);
        return QFile::remove(path);
    }
    // Entries can only leave a folder the owner may write to.
    if (isReadOnly(path))
        clearReadOnly(path);
    bool ok = true;
    for (const FileEntry& e : listByMask(path, u"*"_s))
        ok = removeTree(e.path) && ok;
    return QDir().rmdir(path) && ok;
}

QString withSlash(const QString& path) {
    if (path.isEmpty())
        return path;
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p == u"/"_s ? p : p + u'/';
}

QString childBase(const QString& folder) {
    return withSlash(folder.isEmpty() ? QDir::currentPath() : folder);
}

QString resolveIgnoringCase(const QString& folder, const QString& name) {
    const QString base = childBase(folder);
    if (QFileInfo::exists(base + name))
        return base + name;
    const QStringList names = childNames(folder);
    for (const QString& child : names) {
        if (child.compare(name, Qt::CaseInsensitive) == 0)
            return base + child;
    }
    return base + name;
}

bool existsIgnoringCase(const QString& folder, const QString& name) {
    return QFileInfo(resolveIgnoringCase(folder, name)).exists() ||
           QFileInfo(resolveIgnoringCase(folder, name)).isSymLink();
}

QList<FileEntry> listByMask(const QString& folder, const QString& mask) {
    QList<FileEntry> out;
    const QString base = childBase(folder);
    const WildcardMask matcher(mask);
    QStringList names = childNames(folder);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    for (const QString& name : names) {
        if (!matcher.matches(name))
            continue;
        QFileInfo info(base + name);
        FileEntry e;
        e.name = name;
        e.path = base + name;
        e.isDir = info.isDir() && !info.isSymLink();
        e.readOnly = !info.isSymLink() && !(info.permissions() & QFileDevice::WriteOwner);
        out.append(e);
    }
    return out;
}

bool isReadOnly(const QString& path) {
    return !(QFile::permissions(path) & QFileDevice::WriteOwner);
}

bool clearReadOnly(const QString& path) {
    return QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
}

QString fileNamePart(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return slash < 0 ? path : path.mid(slash + 1);
}

FileStamp FileStamp::of(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true,
            qint64(st.st_size),
            qint64(st.st_mtim.tv_sec),
            qint64(st.st_mtim.tv_nsec),
            quint64(st.st_dev),
            quint64(st.st_ino)};
}

} // namespace platform
