#include "intake/rar_common.h"

#include "intake/safe_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

bool isInside(const QString& canonicalBase, const QString& canonicalPath) {
    if (canonicalBase.isEmpty() || canonicalPath.isEmpty())
        return false;
    if (canonicalPath == canonicalBase)
        return true;
    const QString prefix = canonicalBase.endsWith(u'/') ? canonicalBase : canonicalBase + u'/';
    return canonicalPath.startsWith(prefix);
}

} // namespace

QString normalisedRarEntryName(QString name) {
    name.replace(u'\\', u'/');
    while (name.size() > 1 && name.endsWith(u'/'))
        name.chop(1);
    return name;
}

RarEntryTarget prepareRarEntryTarget(const QString& base, const QString& entryName, bool isFolder) {
    // An empty target folder means the working folder, as the library would
    // take it; never the file system root.
    const QString root = QDir(base.isEmpty() ? QDir::currentPath() : base).absolutePath();
    const QString target = confinedTarget(root, entryName, true);
    if (target.isEmpty())
        return {RarEntryTarget::Skip, {}};
    const QString folder = isFolder ? target : QFileInfo(target).path();
    if (!QDir().mkpath(folder))
        return {RarEntryTarget::Fail, target};
    // The name itself cannot climb out (confinedTarget), but a link that
    // already stands in the target folder could lead there.
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (!isInside(canonicalRoot, canonicalFolder))
        return {RarEntryTarget::Fail, target};
    if (!isFolder && QFileInfo(target).isSymLink() && !QFile::remove(target))
        return {RarEntryTarget::Fail, target};
    return {RarEntryTarget::Write, target};
}

int copyRarReference(const QString& base, const QString& referenceName, const QString& targetPath) {
    constexpr int EReference = 23;
    const QString root = QDir(base.isEmpty() ? QDir::currentPath() : base).absolutePath();
    const QString source = confinedTarget(root, referenceName, true);
    const QFileInfo info(source);
    if (source.isEmpty() || info.isSymLink() || !info.isFile() || source == targetPath)
        return EReference;
    if (!isInside(QFileInfo(root).canonicalFilePath(), info.canonicalFilePath()))
        return EReference;
    if (QFileInfo::exists(targetPath) && !QFile::remove(targetPath))
        return EReference;
    return QFile::copy(source, targetPath) ? 0 : EReference;
}

void dropSpecialModeBits(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    const mode_t special = S_ISUID | S_ISGID | S_ISVTX;
    if ((st.st_mode & special) != 0)
        ::chmod(name.constData(), st.st_mode & 0777);
}

} // namespace intake
