#include "support/cache_builder.h"

#include "support/package_writer.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace testing_support {

QString cacheKey(int n, int generation) {
    return (u"77C5FE37"_s + u"%1"_s.arg(n, 24, 16, QChar(u'0'))).toUpper() + u'-' +
           QString::number(generation);
}

QByteArray importingPackage(const QStringList& imports) {
    PackageSpec layout;
    for (const char* name : {"Core", "Engine", "Package"})
        layout.names.append(PackageName{QByteArray(name), 0, std::nullopt});
    // Core and Engine themselves, as every package of the game imports them.
    layout.imports = {{0, 2, 0, 0}, {0, 2, 0, 1}};
    for (const QString& name : imports) {
        layout.imports.append({0, 2, 0, qint32(layout.names.size())});
        layout.names.append(PackageName{name.toUtf8(), 0, std::nullopt});
    }
    return packageBytes(layout);
}

bool writeCache(const QString& cacheDir, const QList<CacheEntry>& entries) {
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    bool ok = QDir().mkpath(cacheDir);
    QByteArray ini = "[Cache]\r\n";
    for (const CacheEntry& e : entries) {
        ini += (e.key + u'=' + e.name).toUtf8() + "\r\n";
        if (e.withFile)
            ok = write(QDir(cacheDir).filePath(e.key + u".uxx"_s), e.content) && ok;
    }
    return write(QDir(cacheDir).filePath(u"cache.ini"_s), ini) && ok;
}

} // namespace testing_support
