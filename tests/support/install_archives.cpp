#include "support/install_archives.h"

#include "support/zip_builder.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace testing_support {

bool writeZip(const QString& path, const ArchiveFiles& files) {
    ZipBuilder zip;
    for (const auto& [name, data] : files)
        zip.file(name, data);
    return zip.write(path);
}

bool writeDamagedZip(const QString& path, const QString& damaged, const QString& sound) {
    const QByteArray data(5000, 'Q');
    if (!ZipBuilder().file(damaged, data, true).file(sound, "sound").write(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf(data);
    if (at < 0)
        return false;
    bytes[at + 2500] = 'R';
    return file.seek(0) && file.write(bytes) == bytes.size();
}

TContentRecord scannedRecord(const QString& archiveName, const QString& folder,
                             const QString& displayName, qint32 kind, const ArchiveFiles& files,
                             const QString& addedDate) {
    TContentRecord r;
    r.ArchiveName = archiveName;
    r.ArchiveDir = folder;
    r.DisplayName = displayName;
    r.Kind = kind;
    r.AddedDate = addedDate;
    for (const auto& [name, data] : files)
        r.Files.append(name.section(u'/', -1));
    r.FileCount = qint32(r.Files.size());
    return r;
}

} // namespace testing_support
