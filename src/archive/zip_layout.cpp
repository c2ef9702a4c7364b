#include "archive/zip_layout.h"

#include "platform/byte_cursor.h"

#include <QFile>

#include <algorithm>
#include <optional>
#include <vector>

namespace archives {

namespace {

constexpr quint32 EndSignature = 0x06054b50;
constexpr quint32 Zip64EndSignature = 0x06064b50;
constexpr quint32 Zip64LocatorSignature = 0x07064b50;
constexpr quint32 CentralSignature = 0x02014b50;
constexpr quint32 LocalSignature = 0x04034b50;
constexpr qint64 MaxComment = 65535;
constexpr qint64 MaxDirectory = qint64(64) << 20;
constexpr quint32 Unknown32 = 0xFFFFFFFFu;

std::optional<QByteArray> readExactly(QFile& file, qint64 at, qint64 size) {
    if (at < 0 || size < 0 || at > file.size() || size > file.size() - at || !file.seek(at))
        return std::nullopt;
    QByteArray bytes = file.read(size);
    if (bytes.size() != size)
        return std::nullopt;
    return bytes;
}

struct Directory {
    qint64 offset = 0;
    qint64 size = 0;
};

/// The central directory's place, from the end record (and its Zip64 form).
std::optional<Directory> findDirectory(QFile& file) {
    const qint64 tailSize = std::min(file.size(), ZipEndRecordSize + MaxComment);
    const std::optional<QByteArray> tail = readExactly(file, file.size() - tailSize, tailSize);
    if (!tail)
        return std::nullopt;
    for (qsizetype at = tail->size() - ZipEndRecordSize; at >= 0; --at) {
        platform::ByteCursor end(*tail, at);
        if (end.u32() != EndSignature)
            continue;
        end.seek(at + 12);
        Directory dir;
        dir.size = end.u32();
        dir.offset = end.u32();
        if (!end.ok())
            return std::nullopt;
        if (quint32(dir.size) != Unknown32 && quint32(dir.offset) != Unknown32)
            return dir;
        // Zip64: the locator stands right before the end record.
        const qint64 endAt = file.size() - tailSize + at;
        const std::optional<QByteArray> locator = readExactly(file, endAt - 20, 20);
        if (!locator)
            return std::nullopt;
        platform::ByteCursor loc(*locator);
        if (loc.u32() != Zip64LocatorSignature)
            return std::nullopt;
        loc.skip(4);
        const quint64 zip64At = loc.u64();
        if (!loc.ok() || zip64At > quint64(file.size()))
            return std::nullopt;
        const std::optional<QByteArray> record = readExactly(file, qint64(zip64At), 56);
        if (!record)
            return std::nullopt;
        platform::ByteCursor z(*record);
        if (z.u32() != Zip64EndSignature)
            return std::nullopt;
        z.seek(40);
        const quint64 size = z.u64();
        const quint64 offset = z.u64();
        if (!z.ok() || size > quint64(file.size()) || offset > quint64(file.size()))
            return std::nullopt;
        dir.size = qint64(size);
        dir.offset = qint64(offset);
        return dir;
    }
    return std::nullopt;
}

struct Span {
    qint64 start = 0;
    qint64 end = 0;
};

} // namespace

bool zipEntriesOverlap(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::optional<Directory> dir = findDirectory(file);
    if (!dir || dir->size > MaxDirectory)
        return false;
    const std::optional<QByteArray> central = readExactly(file, dir->offset, dir->size);
    if (!central)
        return false;

    std::vector<Span> spans;
    platform::ByteCursor c(*central);
    while (c.remaining() >= 46) {
        const qsizetype at = c.pos();
        if (c.u32() != CentralSignature)
            break;
        c.seek(at + 20);
        quint64 compressed = c.u32();
        quint64 uncompressed = c.u32();
        const quint16 nameLength = c.u16();
        const quint16 extraLength = c.u16();
        const quint16 commentLength = c.u16();
        c.seek(at + 42);
        quint64 local = c.u32();
        c.skip(nameLength);
        const qsizetype extraAt = c.pos();
        c.skip(extraLength);
        c.skip(commentLength);
        if (!c.ok())
            return false;
        // Zip64 values stand in the extra field, in this order, for each
        // field that holds all ones.
        platform::ByteCursor extra(QByteArrayView(*central).sliced(extraAt, extraLength));
        // A field whose size runs past the extra field fails the cursor and
        // ends the walk.
        while (extra.ok() && extra.remaining() >= 4) {
            const quint16 id = extra.u16();
            const quint16 size = extra.u16();
            const qsizetype next = extra.pos() + size;
            if (id == 0x0001) {
                if (uncompressed == Unknown32)
                    uncompressed = extra.u64();
                if (compressed == Unknown32)
                    compressed = extra.u64();
                if (local == Unknown32)
                    local = extra.u64();
            }
            extra.seek(next);
        }
        if (local >= quint64(file.size()) || compressed > quint64(file.size()))
            return false;
        const std::optional<QByteArray> header = readExactly(file, qint64(local), 30);
        if (!header)
            return false;
        platform::ByteCursor h(*header);
        if (h.u32() != LocalSignature)
            return false;
        h.seek(26);
        const qint64 headerSize = 30 + h.u16() + h.u16();
        spans.push_back({qint64(local), qint64(local) + headerSize + qint64(compressed)});
    }
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].start < spans[i - 1].end)
            return true;
    }
    return false;
}

} // namespace archives
