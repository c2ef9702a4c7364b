// Feeds arbitrary bytes to the Unreal package reader through a memory
// device (the same stream code a file goes through). Nothing may crash or
// allocate by a count; what it keeps must have been proven by bytes: no
// table holds more entries than the input has room for, and the look-ups
// stay inside the tables.
#include "cache/package.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

// The fewest bytes an entry of each table can take.
constexpr qsizetype NameMin = 1 + 4;
constexpr qsizetype ExportMin = 4 * 1 + 2 * 4;
constexpr qsizetype ImportMin = 3 * 1 + 4;
constexpr qsizetype GuidBytes = 16;
constexpr qsizetype GenerationBytes = 8;

void check(const cache::TUTPackage& package, qsizetype size) {
    if (package.Names().size() * NameMin > size || package.Exports().size() * ExportMin > size ||
        package.ImportCount() * ImportMin > size || package.Heritage().size() * GuidBytes > size ||
        package.Generations().size() * GenerationBytes > size)
        std::abort();
    for (const QByteArray& guid : package.Heritage()) {
        if (guid.size() != GuidBytes)
            std::abort();
    }
    for (qsizetype i = 0; i < package.Exports().size(); ++i) {
        const cache::TUTExportTableObjectData& e = package.Exports()[i];
        if (e.Index != i || (e.SerialSize < 1 && e.SerialOffset != 0))
            std::abort();
    }
    for (qsizetype i = -1; i <= package.ImportCount(); ++i) {
        const cache::TUTImportTableObjectData* entry = package.ImportEntry(i);
        if ((entry == nullptr) != (i < 0 || i == package.ImportCount()))
            std::abort();
        if (package.ImportObjectName(entry) != package.NameAt(entry ? entry->Object : -1))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return 0;
    cache::TUTPackage package;
    // Both ways of choosing the variant: by the map extension and by the
    // bytes alone.
    const QString name = size % 2 == 0 ? u"Fuzz.ut2"_s : u"Fuzz.utx"_s;
    try {
        package.OpenPackage(buffer, name);
    } catch (const cache::EInvalidUTPackage&) {
        if (size >= 4 && data[0] == 0xC1 && data[1] == 0x83 && data[2] == 0x2A && data[3] == 0x9E)
            std::abort(); // a real signature is never "no package"
        return 0;
    } catch (const cache::EProcessingUTPackage& e) {
        if (!e.text().startsWith(u"Exception processing package "_s + name + u"\r\n"_s))
            std::abort();
    }
    check(package, qsizetype(size));
    return 0;
}
