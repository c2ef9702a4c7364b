#include "archive/rar_header_scan.h"

#include "platform/byte_cursor.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <array>

namespace archives {

namespace {

using platform::ByteCursor;

// RAR5 limits a header to 2 MB; RAR4 header sizes are 16-bit.
constexpr qint64 MaxRar5HeaderSize = 2 * 1024 * 1024;

QByteArray readAt(QFile& file, qint64 pos, qint64 size) {
    if (pos < 0 || size <= 0 || pos > file.size() || size > file.size() - pos || !file.seek(pos))
        return {};
    return file.read(size);
}

void scanRar4(QFile& file, RarHeaderFacts& facts, qsizetype maxEntries) {
    qint64 pos = 7;
    const qint64 end = file.size();
    while (pos + 7 <= end) {
        QByteArray head = readAt(file, pos, 7);
        ByteCursor c(head, 2);
        const quint8 type = c.u8();
        const quint16 flags = c.u16();
        const quint16 size = c.u16();
        if (!c.ok() || size < 7)
            return;
        head = readAt(file, pos, qint64(size));
        if (head.size() != qsizetype(size))
            return;
        ByteCursor h(head, 7);
        quint64 dataSize = (flags & 0x8000) ? h.u32() : 0;
        if (type == 0x73) {
            facts.volume = (flags & 0x0001) != 0;
            facts.headersEncrypted = (flags & 0x0080) != 0;
            if (facts.headersEncrypted)
                return;
        } else if (type == 0x74) {
            h.seek(7);
            quint64 packed = h.u32();
            quint64 unpacked = h.u32();
            h.skip(1); // host system
            const quint32 crc = h.u32();
            h.skip(4 + 1 + 1); // time, version, method
            const quint16 nameSize = h.u16();
            h.skip(4); // attributes
            if (flags & 0x0100) {
                packed |= quint64(h.u32()) << 32;
                unpacked |= quint64(h.u32()) << 32;
            }
            const QByteArrayView nameField = h.bytes(nameSize);
            if (!h.ok())
                return;
            dataSize = packed;
            RarHeaderFacts::Entry e;
            e.name = decodeRar4Name(nameField.toByteArray(), flags & 0x0200);
            e.unpackedSize = unpacked;
            e.folder = (flags & 0x00E0) == 0x00E0;
            e.encrypted = (flags & 0x0004) != 0;
            e.splitAfter = (flags & 0x0002) != 0;
            if (!e.folder)
                e.crc = crc;
            if (facts.entries.size() >= maxEntries)
                return;
            facts.entries.append(e);
        } else if (type == 0x7B) {
            return;
        }
        if (!h.ok() || dataSize > quint64(end))
            return;
        pos += qint64(size) + qint64(dataSize);
    }
}

void scanRar5(QFile& file, RarHeaderFacts& facts, qsizetype maxEntries) {
    qint64 pos = 8;
    const qint64 end = file.size();
    while (pos + 5 <= end) {
        // CRC32, then the header size as a variable-length integer.
        const QByteArray sizeBytes = readAt(file, pos + 4, std::min<qint64>(3, end - pos - 4));
        ByteCursor s(sizeBytes);
        const quint64 headerSize = s.vint();
        if (!s.ok() || headerSize == 0 || headerSize > quint64(MaxRar5HeaderSize))
            return;
        const qint64 headerStart = pos + 4 + s.pos();
        const QByteArray header = readAt(file, headerStart, qint64(headerSize));
        if (header.size() != qsizetype(headerSize))
            return;
        ByteCursor h(header);
        const quint64 type = h.vint();
        const quint64 flags = h.vint();
        const quint64 extraSize = (flags & 0x0001) ? h.vint() : 0;
        const quint64 dataSize = (flags & 0x0002) ? h.vint() : 0;
        if (!h.ok() || extraSize > headerSize || dataSize > quint64(end))
            return;
        if (type == 4) { // archive encryption: every later header is encrypted
            facts.headersEncrypted = true;
            return;
        }
        if (type == 1) {
            facts.volume = (h.vint() & 0x0001) != 0;
        } else if (type == 2) {
            RarHeaderFacts::Entry e;
            const quint64 fileFlags = h.vint();
            e.unpackedSize = h.vint();
            h.vint(); // attributes
            if (fileFlags & 0x0002)
                h.skip(4); // modification time
            const quint32 crc = (fileFlags & 0x0004) ? h.u32() : 0;
            h.vint(); // compression
            h.vint(); // host system
            const QByteArrayView name = h.bytes(h.vint());
            if (h.ok())
                e.name = QString::fromUtf8(name);
            e.folder = (fileFlags & 0x0001) != 0;
            e.sizeKnown = (fileFlags & 0x0008) == 0;
            e.splitAfter = (flags & 0x0010) != 0;
            if (fileFlags & 0x0004)
                e.crc = crc;
            // The extra area holds records; record 1 is file encryption.
            ByteCursor x(header, qsizetype(headerSize - extraSize));
            while (x.ok() && x.pos() < qsizetype(headerSize)) {
                const quint64 recordSize = x.vint();
                const qsizetype recordStart = x.pos();
                const quint64 recordType = x.vint();
                if (!x.ok())
                    break;
                if (recordType == 1)
                    e.encrypted = true;
                if (recordType == 5 && x.vint() == 5) { // redirection: file copy
                    x.vint();                           // flags
                    const QByteArrayView target = x.bytes(x.vint());
                    if (x.ok())
                        e.copyOf = QString::fromUtf8(target);
                }
                x.seek(recordStart);
                x.skip(recordSize);
            }
            if (!h.ok())
                return;
            if (facts.entries.size() >= maxEntries)
                return;
            facts.entries.append(e);
        } else if (type == 5) {
            return;
        }
        pos = headerStart + qint64(headerSize) + qint64(dataSize);
    }
}

} // namespace

RarHeaderFacts scanRarHeaders(const QString& path, qsizetype maxEntries) {
    RarHeaderFacts facts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QByteArray signature = file.read(8);
    if (signature.startsWith(QByteArrayLiteral("Rar!\x1A\x07\x01\x00"))) {
        facts.recognised = true;
        facts.rar5 = true;
        scanRar5(file, facts, maxEntries);
    } else if (signature.startsWith(QByteArray("Rar!\x1A\x07\x00", 7))) {
        facts.recognised = true;
        scanRar4(file, facts, maxEntries);
    }
    return facts;
}

QString decodeRar4Name(const QByteArray& field, bool unicode) {
    const qsizetype zero = field.indexOf('\0');
    const QByteArray narrow = zero < 0 ? field : field.left(zero);
    if (!unicode)
        return QFile::decodeName(narrow);
    if (zero < 0) // the Unicode flag without a second part: UTF-8
        return QString::fromUtf8(narrow);
    // The compressed form: a high byte shared by short codes, then flag
    // bytes whose 2-bit codes say how each character is stored: 0 low
    // byte only, 1 low byte with the shared high byte, 2 both bytes, 3 a
    // run copied from the narrow name (plus a correction).
    const QByteArray enc = field.mid(zero + 1);
    const auto byteAt = [](const QByteArray& b, qsizetype i) {
        return static_cast<char16_t>(static_cast<quint8>(b.at(i)));
    };
    constexpr qsizetype MaxName = 1024;
    QString name;
    qsizetype pos = 0;
    if (enc.isEmpty())
        return QFile::decodeName(narrow);
    const char16_t high = byteAt(enc, pos++);
    quint8 flags = 0;
    int flagBits = 0;
    while (pos < enc.size() && name.size() < MaxName) {
        if (flagBits == 0) {
            flags = static_cast<quint8>(enc.at(pos++));
            flagBits = 8;
        }
        const int code = flags >> 6;
        flags = static_cast<quint8>(flags << 2);
        flagBits -= 2;
        if (code == 0 || code == 1) {
            if (pos >= enc.size())
                break;
            name.append(QChar(char16_t(byteAt(enc, pos++) + (code == 1 ? high << 8 : 0))));
        } else if (code == 2) {
            if (pos + 1 >= enc.size())
                break;
            name.append(QChar(char16_t(byteAt(enc, pos) | byteAt(enc, pos + 1) << 8)));
            pos += 2;
        } else {
            if (pos >= enc.size())
                break;
            int length = static_cast<quint8>(enc.at(pos++));
            int correction = -1;
            if (length & 0x80) {
                if (pos >= enc.size())
                    break;
                correction = static_cast<quint8>(enc.at(pos++));
                length &= 0x7F;
            }
            for (length += 2; length > 0 && name.size() < narrow.size(); --length) {
                const char16_t c = byteAt(narrow, name.size());
                name.append(
                    QChar(correction < 0 ? c : char16_t(((c + correction) & 0xFF) + (high << 8))));
            }
        }
    }
    return name;
}

quint32 rarCrc32Update(quint32 crc, const char* data, qsizetype size) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (qsizetype i = 0; i < size; ++i)
        crc = table[(crc ^ static_cast<quint8>(data[i])) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace archives
