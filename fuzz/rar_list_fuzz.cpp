// Lists an arbitrary file as a rar archive the way the scans do: libarchive
// in this process, and the unrar library, in its helper program beside this
// one, for what libarchive refuses. Whatever the bytes, this process must
// neither crash nor hang (the helper may die: that is a damaged archive),
// and the result is 10 or a failure code, never something in between.
#include "archive/rar_archive.h"
#include "archive/rar_header_scan.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The application object tells the program's folder, where the helper is.
    static int argc = 1;
    static char name[] = "rar_list_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    if (!dir.isValid())
        return 0;
    const QString path = dir.filePath(QStringLiteral("input.rar"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    archives::scanRarHeaders(path);

    archives::TdRar3 rar;
    rar.ArchiveFileName = path;
    qsizetype names = 0;
    rar.OnFileAboutToBeListed = [&names](const QString& entry) { names += entry.size(); };
    // Cancelled: a given password would spend seconds in key derivation.
    rar.OnReqPassword = [] { return std::optional<QString>(); };
    const int result = rar.List();
    if (result != archives::rarcode::EndArchive && result <= archives::rarcode::EndArchive &&
        result != archives::rarcode::UnrarNotAvailable)
        std::abort();
    return 0;
}
