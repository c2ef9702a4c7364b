// Feeds arbitrary bytes to the zip side of archive intake: ZipProbe, the
// overlap check of the entries' data, the directory read of TZipMaster and
// an extraction. Nothing may crash, and an
// extraction may never put anything outside its target folder nor create a
// link there.
#include "archive/zip_layout.h"
#include "archive/zip_master.h"
#include "archive/zip_probe.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QTemporaryDir dir;
    if (!dir.isValid())
        return 0;
    const QString archive = dir.filePath(u"input.zip"_s);
    {
        QFile file(archive);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    // Two levels deep, so that an escape by ".." still lands where we look.
    const QString base = dir.filePath(u"a/b/out"_s);
    QDir().mkpath(base);

    const int probe = archives::ZipProbe(archive);
    if (probe < archives::ZipProbeReadFailure || probe > 0xFF)
        std::abort();

    // The overlap check reads the central directory on its own.
    const bool overlap = archives::zipEntriesOverlap(archive);

    archives::TZipMaster zip; // no Dialogs: silent
    zip.setZipFileName(archive);
    qsizetype names = 0;
    for (int i = 0; i < zip.EntryCount(); ++i)
        names += zip.EntryName(i).size();
    (void)names;

    zip.ExtrBaseDir = base;
    if (size % 2 == 0)
        zip.ExtrOptions = archives::TZipMaster::ExtrDirNames;
    const int code = zip.Extract();
    if (code != 0 && code <= 10)
        std::abort();
    // Entries that share their data are never extracted.
    if (overlap && code != archives::TZipMaster::ZipErrOverlap &&
        code != archives::TZipMaster::ZipErrTooManyEntries && zip.EntryCount() > 0)
        std::abort();

    QDirIterator it(dir.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        if (info.isSymLink())
            std::abort();
        const bool inside = path.startsWith(base + u'/') || path == base || path == archive ||
                            path == dir.filePath(u"a"_s) || path == dir.filePath(u"a/b"_s);
        if (!inside)
            std::abort();
    }
    return 0;
}
