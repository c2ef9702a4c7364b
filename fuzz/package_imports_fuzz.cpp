// Feeds arbitrary bytes to the package reader and then to the walk over the
// import table that names the packages a package needs (outer references
// from the file: loops, references past the table, the most negative
// number). Nothing may crash or loop for ever; each package named is named
// once, never the package itself, with one of the package extensions, and
// there are never more of them than imports.
#include "cache/package_imports.h"

#include <QBuffer>
#include <QByteArray>
#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return 0;
    cache::TUTPackage package;
    try {
        package.OpenPackage(buffer, u"Fuzz.u"_s);
    } catch (const platform::Error&) {
        return 0;
    }
    const QList<cache::ImportedPackage> imported = cache::importedPackages(package, u"Fuzz"_s);
    if (imported.size() > package.ImportCount())
        std::abort();
    QSet<QString> seen;
    for (const cache::ImportedPackage& p : imported) {
        const QString key = p.name.toCaseFolded();
        if (p.name.isEmpty() || key == u"fuzz"_s || seen.contains(key) ||
            !cache::packageExtensions().contains(p.extension))
            std::abort();
        seen.insert(key);
    }
    return 0;
}
