#include "cache/package.h"

#include "cache/package_stream.h"
#include "core/content_db.h"
#include "platform/byte_cursor.h"
#include "platform/io_errors.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

constexpr quint32 Signature = 0x9E2A83C1;
// A word some packages of other engine games put before the GUID; the
// bytes up to the next 0xFF after it are skipped.
constexpr qint32 GuidMarker = 0x0FF0ADDE;
constexpr quint8 GuidMarkerEnd = 0xFF;
constexpr quint16 LengthPrefixedNames = 64;
constexpr quint16 GuidHeader = 68;

// The most bytes one entry can take, so that one look ahead holds it whole.
constexpr qsizetype CompactIndexMax = 5;
constexpr qsizetype HeaderBytes = 36;
constexpr qsizetype GuidBytes = 16;
constexpr qsizetype ExportMax = 5 * CompactIndexMax + 2 * 4;
constexpr qsizetype ImportMax = 3 * CompactIndexMax + 4;
constexpr qsizetype NameMax = 1 + 255 + 4;
constexpr qsizetype GenerationBytes = 8;

QString pastEndText(const QString& what) {
    return u"The %1 runs past the end of the file"_s.arg(what);
}

[[noreturn]] void failPastEnd(const QString& what) {
    throw platform::Error(pastEndText(what));
}

QString nameText(QByteArrayView bytes) {
    const qsizetype length = std::min<qsizetype>(bytes.size(), std::numeric_limits<int>::max());
    return record_text::decode(bytes.data(), int(length));
}

/// Reads `count` entries of at most `maxBytes` each; `parse` reads one from
/// the cursor and `keep` takes it once the cursor has proven it complete.
/// Nothing is reserved by the count: each entry is kept only after its bytes
/// were there, so the end of the file ends a hostile count.
template <typename Parse, typename Keep>
void readTable(PackageStream& stream, qint32 count, qsizetype maxBytes, const QString& what,
               Parse parse, Keep keep) {
    for (qint32 i = 0; i < count; ++i) {
        platform::ByteCursor cursor = stream.ahead(maxBytes);
        auto entry = parse(cursor, i);
        if (!cursor.ok())
            failPastEnd(what);
        stream.advance(cursor.pos());
        keep(std::move(entry));
    }
}

} // namespace

EInvalidUTPackage::EInvalidUTPackage()
    : platform::Error(u"ERROR! This isn't an Unreal package"_s) {}

EProcessingUTPackage::EProcessingUTPackage(const QString& fileName, const QString& innerText)
    : platform::Error(u"Exception processing package "_s + fileName + u"\r\n"_s + innerText) {}

qint32 ReadCompactIndex(platform::ByteCursor& cursor) {
    quint8 bytes[CompactIndexMax];
    int n = 0;
    bytes[n++] = cursor.u8();
    // Byte 0 announces a next byte in bit 6, bytes 1 to 3 in bit 7; byte 4
    // is the last whatever its bits.
    bool more = (bytes[0] & 0x40) != 0;
    while (more && n < CompactIndexMax) {
        bytes[n] = cursor.u8();
        more = n < CompactIndexMax - 1 && (bytes[n] & 0x80) != 0;
        ++n;
    }
    if (!cursor.ok())
        return 0;
    // Assembled from the last byte back to byte 0 in 32 bits; what
    // overflows is lost, as in the game's own reader.
    quint32 value = 0;
    for (int i = n - 1; i >= 1; --i) {
        const quint32 data = i == CompactIndexMax - 1 ? bytes[i] : (bytes[i] & 0x7Fu);
        value = (value << 7) | data;
    }
    value = (value << 6) | (bytes[0] & 0x3Fu);
    if (bytes[0] & 0x80)
        value = 0u - value;
    return qint32(value);
}

const TUTImportTableObjectData* TUTPackage::ImportEntry(qsizetype index) const {
    if (index < 0 || index >= imports_.size())
        return nullptr;
    return &imports_[index];
}

QString TUTPackage::ImportObjectName(const TUTImportTableObjectData* entry) const {
    return entry ? NameAt(entry->Object) : QString();
}

QString TUTPackage::NameAt(qint32 index) const {
    if (index < 0 || index >= names_.size())
        return {};
    return names_[index].Name;
}

void TUTPackage::discard() {
    fileName_.clear();
    variant_ = PackageVariant::Detect;
    version_ = 0;
    licenseeMode_ = 0;
    flags_ = 0;
    names_.clear();
    exports_.clear();
    imports_.clear();
    heritage_.clear();
    generations_.clear();
}

void TUTPackage::OpenPackage(const QString& fileName, PackageVariant variant) {
    discard();
    fileName_ = fileName;
    // Unbuffered: the stream reads in chunks of its own.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EProcessingUTPackage(fileName,
                                   platform::cannotOpenText(fileName, file.errorString()));
    OpenPackage(file, fileName, variant);
}

void TUTPackage::OpenPackage(QIODevice& device, const QString& fileName, PackageVariant variant) {
    discard();
    fileName_ = fileName;
    variant_ = variant;
    if (variant_ == PackageVariant::Detect &&
        QFileInfo(fileName).suffix().compare(u"ut2"_s, Qt::CaseInsensitive) == 0)
        variant_ = PackageVariant::UT2004;
    try {
        readPackage(device);
    } catch (const EInvalidUTPackage&) {
        throw;
    } catch (const platform::Error& e) {
        throw EProcessingUTPackage(fileName, e.text());
    } catch (const std::bad_alloc&) {
        throw EProcessingUTPackage(fileName, u"Out of memory"_s);
    }
}

/// Where the header says the tables are and how long they are.
struct TUTPackage::TableSpans {
    qint32 nameCount = 0;
    quint32 nameOffset = 0;
    qint32 exportCount = 0;
    quint32 exportOffset = 0;
    qint32 importCount = 0;
    quint32 importOffset = 0;
    qint32 heritageCount = 0;
    quint64 heritageOffset = 0;
};

void TUTPackage::readPackage(QIODevice& device) {
    PackageStream stream(device, fileName_);
    stream.seek(0);
    TableSpans spans = readHeader(stream);
    if (version_ >= GuidHeader)
        readGuidAndGenerations(stream, spans);
    else
        readHeritageSpan(stream, spans);
    readNames(stream, spans);

    stream.seek(spans.exportOffset);
    readTable(
        stream, spans.exportCount, ExportMax, u"export table"_s,
        [](platform::ByteCursor& c, qint32 index) {
            TUTExportTableObjectData e;
            e.Class = ReadCompactIndex(c);
            e.Super = ReadCompactIndex(c);
            e.Group = c.i32();
            e.Object = ReadCompactIndex(c);
            e.Flags = c.u32();
            e.SerialSize = ReadCompactIndex(c);
            // An export without data stores no offset at all.
            if (e.SerialSize >= 1)
                e.SerialOffset = ReadCompactIndex(c);
            e.Index = index;
            return e;
        },
        [this](TUTExportTableObjectData e) { exports_.append(e); });

    stream.seek(spans.importOffset);
    readTable(
        stream, spans.importCount, ImportMax, u"import table"_s,
        [](platform::ByteCursor& c, qint32) {
            TUTImportTableObjectData e;
            e.ClassPackage = ReadCompactIndex(c);
            e.Class = ReadCompactIndex(c);
            e.Package = c.i32();
            e.Object = ReadCompactIndex(c);
            return e;
        },
        [this](TUTImportTableObjectData e) { imports_.append(e); });

    // For version 68 and later this reads the package GUID again, as the
    // one heritage entry.
    stream.seek(spans.heritageOffset);
    readTable(
        stream, spans.heritageCount, GuidBytes, u"heritage table"_s,
        [](platform::ByteCursor& c, qint32) { return c.bytes(GuidBytes).toByteArray(); },
        [this](QByteArray guid) { heritage_.append(std::move(guid)); });
}

TUTPackage::TableSpans TUTPackage::readHeader(PackageStream& stream) {
    platform::ByteCursor header = stream.ahead(HeaderBytes);
    if (header.u32() != Signature)
        throw EInvalidUTPackage();
    version_ = header.u16();
    licenseeMode_ = header.u16();
    flags_ = header.u32();
    TableSpans spans;
    spans.nameCount = header.i32();
    spans.nameOffset = header.u32();
    spans.exportCount = header.i32();
    spans.exportOffset = header.u32();
    spans.importCount = header.i32();
    spans.importOffset = header.u32();
    if (!header.ok())
        failPastEnd(u"package header"_s);
    stream.advance(header.pos());
    // The game's own packages carry licensee modes 25 to 29.
    if (variant_ == PackageVariant::Detect && licenseeMode_ >= 25 && licenseeMode_ <= 29)
        variant_ = PackageVariant::UT2004;
    return spans;
}

void TUTPackage::readGuidAndGenerations(PackageStream& stream, TableSpans& spans) {
    platform::ByteCursor marker = stream.ahead(4);
    if (marker.i32() == GuidMarker) {
        stream.advance(marker.pos());
        const qsizetype end = stream.find(GuidMarkerEnd);
        if (end < 0)
            failPastEnd(u"package header"_s);
        stream.advance(end + 1);
    }
    // Otherwise the four bytes are the GUID's own: nothing consumed.
    spans.heritageOffset = stream.pos();
    spans.heritageCount = 1;
    platform::ByteCursor guid = stream.ahead(GuidBytes + 4);
    guid.skip(GuidBytes);
    const qint32 generationCount = guid.i32();
    if (!guid.ok())
        failPastEnd(u"package header"_s);
    stream.advance(guid.pos());
    readTable(
        stream, generationCount, GenerationBytes, u"generation table"_s,
        [](platform::ByteCursor& c, qint32) {
            TUTGenerationInfo info;
            info.ExportCount = c.i32();
            info.NameCount = c.i32();
            return info;
        },
        [this](TUTGenerationInfo info) { generations_.append(info); });
}

void TUTPackage::readHeritageSpan(PackageStream& stream, TableSpans& spans) {
    platform::ByteCursor heritage = stream.ahead(8);
    spans.heritageCount = heritage.i32();
    spans.heritageOffset = heritage.u32();
    if (!heritage.ok())
        failPastEnd(u"package header"_s);
    stream.advance(heritage.pos());
}

void TUTPackage::readNames(PackageStream& stream, const TableSpans& spans) {
    const QString nameTable = u"name table"_s;
    stream.seek(spans.nameOffset);
    if (version_ >= LengthPrefixedNames) {
        readTable(
            stream, spans.nameCount, NameMax, nameTable,
            [](platform::ByteCursor& c, qint32) {
                TUTNameTableEntry name;
                // The length counts the terminating zero, which is not kept.
                const quint8 length = c.u8();
                const QByteArrayView text = c.bytes(length);
                if (length > 0 && c.ok())
                    name.Name = nameText(text.first(length - 1));
                name.Flags = c.u32();
                return name;
            },
            [this](TUTNameTableEntry name) { names_.append(std::move(name)); });
        return;
    }
    // Older packages end each name with a zero instead.
    for (qint32 i = 0; i < spans.nameCount; ++i) {
        const qsizetype zero = stream.find(0);
        if (zero < 0)
            failPastEnd(nameTable);
        platform::ByteCursor c = stream.ahead(zero + 1 + 4);
        TUTNameTableEntry name;
        name.Name = nameText(c.bytes(quint64(zero)));
        c.skip(1);
        name.Flags = c.u32();
        if (!c.ok())
            failPastEnd(nameTable);
        stream.advance(c.pos());
        names_.append(std::move(name));
    }
}

} // namespace cache
