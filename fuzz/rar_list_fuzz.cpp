// Lists an arbitrary file as a rar archive with libarchive and, when the
// unrar library can be loaded, with that library too. Must never crash or
// hang, whatever the bytes.
#include "archive/rar_archive.h"
#include "archive/rar_header_scan.h"
#include "archive/unrar_binding.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static const bool haveUnrar = [] {
        archives::UnrarLibrary lib;
        return lib.LoadUnrarLibrary({}, QStringLiteral("libunrar.so.5"));
    }();
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
    rar.NameofUnrarDll = QStringLiteral("libunrar.so.5");
    qsizetype names = 0;
    rar.OnFileAboutToBeListed = [&names](const QString& name) { names += name.size(); };
    // Cancelled: a given password would spend seconds in key derivation.
    rar.OnReqPassword = [] { return std::optional<QString>(); };
    rar.Backend = archives::RarBackend::LibarchiveOnly;
    rar.List();
    if (haveUnrar) {
        rar.Backend = archives::RarBackend::UnrarOnly;
        rar.List();
    }
    return 0;
}
