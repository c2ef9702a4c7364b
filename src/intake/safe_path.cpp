#include "intake/safe_path.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace intake {

QStringList safeEntryParts(const QString& entryName) {
    QString name = entryName;
    name.replace(u'\\', u'/');
    // A drive letter ("C:") makes a Windows path absolute; drop it.
    static const QRegularExpression drive(u"^[A-Za-z]:"_s);
    name.remove(drive);
    QStringList parts;
    const QStringList raw = name.split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : raw) {
        if (part == u"."_s || part == u".."_s)
            continue;
        // A colon is legal here but stands for a drive or stream on the
        // archive's home system; keep the text, it cannot escape.
        parts.append(part);
    }
    return parts;
}

QString confinedTarget(const QString& base, const QString& entryName, bool keepFolders) {
    const QStringList parts = safeEntryParts(entryName);
    if (parts.isEmpty())
        return {};
    const QString relative = keepFolders ? parts.join(u'/') : parts.last();
    // An empty base is the working folder, never the file system root.
    if (base.isEmpty())
        return relative;
    QString root = base;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    return root == u"/"_s ? root + relative : root + u'/' + relative;
}

} // namespace intake
