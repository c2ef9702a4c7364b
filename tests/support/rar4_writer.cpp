#include "support/rar4_writer.h"

#include "archive/rar_header_scan.h"

#include <QFile>

namespace testing_support {

namespace {

constexpr quint16 LongBlock = 0x8000;
constexpr quint16 SkipIfUnknown = 0x4000;
constexpr quint16 UnicodeName = 0x0200;
constexpr quint16 DirectoryDictionary = 0x00E0;
// 2004-07-01 12:00:00 as a DOS date and time.
constexpr quint32 DosTime = (24u << 25) | (7u << 21) | (1u << 16) | (12u << 11);

void put16(QByteArray& out, quint32 v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

/// A block: its CRC (low 16 bits of the CRC32 of everything after the CRC
/// field) followed by `body` (type, flags, size, rest).
QByteArray block(const QByteArray& body) {
    QByteArray out;
    put16(out, rarCrc32(body) & 0xFFFF);
    out.append(body);
    return out;
}

/// The Unicode name field: the narrow name, a zero, then the encoded form.
/// Every character is written whole (two bytes, low first) under a flag
/// byte of four "full character" codes.
QByteArray unicodeField(const QByteArray& narrow, const QString& wide) {
    QByteArray out = narrow;
    out.append('\0');
    out.append('\0'); // high byte shared by the short codes, unused here
    for (qsizetype i = 0; i < wide.size(); ++i) {
        if (i % 4 == 0)
            out.append(static_cast<char>(0xAA));
        const char16_t c = wide.at(i).unicode();
        out.append(static_cast<char>(c & 0xFF));
        out.append(static_cast<char>(c >> 8));
    }
    return out;
}

QByteArray fileBlock(const Rar4Entry& e) {
    const QByteArray nameField =
        e.unicodeName.isEmpty() ? e.name : unicodeField(e.name, e.unicodeName);
    quint16 flags = LongBlock;
    if (e.folder)
        flags |= DirectoryDictionary;
    if (!e.unicodeName.isEmpty())
        flags |= UnicodeName;
    quint32 attributes = e.attributes;
    if (attributes == 0) {
        if (e.hostOs == 3)
            attributes = e.folder ? 040755 : 0100644;
        else
            attributes = e.folder ? 0x10 : 0x20;
    }
    const quint32 crc = rarCrc32(e.data) ^ (e.badCrc ? 0x5A5A5A5Au : 0u);

    QByteArray body;
    body.append(static_cast<char>(0x74));
    put16(body, flags);
    put16(body, static_cast<quint32>(32 + nameField.size()));
    put32(body, static_cast<quint32>(e.data.size()));                          // packed size
    put32(body, e.declaredSize.value_or(static_cast<quint32>(e.data.size()))); // unpacked size
    body.append(static_cast<char>(e.hostOs));
    put32(body, crc);
    put32(body, DosTime);
    body.append(static_cast<char>(29)); // version needed: 2.9
    body.append(static_cast<char>(0x30));
    put16(body, static_cast<quint32>(nameField.size()));
    put32(body, attributes);
    body.append(nameField);
    return block(body) + e.data;
}

} // namespace

Rar4Entry Rar4Entry::file(const QByteArray& name, const QByteArray& data) {
    Rar4Entry e;
    e.name = name;
    e.data = data;
    return e;
}

Rar4Entry Rar4Entry::dir(const QByteArray& name) {
    Rar4Entry e;
    e.name = name;
    e.folder = true;
    return e;
}

Rar4Entry Rar4Entry::symlink(const QByteArray& name, const QByteArray& target) {
    Rar4Entry e;
    e.name = name;
    e.data = target;
    e.hostOs = 3;
    e.attributes = 0120777;
    return e;
}

quint32 rarCrc32(const QByteArray& bytes) {
    // The reader's CRC; archives of this writer are also checked by `rar t`.
    return archives::rarCrc32Update(0, bytes.constData(), bytes.size());
}

QByteArray rar4Archive(const QList<Rar4Entry>& entries) {
    QByteArray out("Rar!\x1A\x07\x00", 7);
    QByteArray main;
    main.append(static_cast<char>(0x73));
    put16(main, 0);
    put16(main, 13);
    put16(main, 0);
    put32(main, 0);
    out.append(block(main));
    for (const Rar4Entry& e : entries)
        out.append(fileBlock(e));
    QByteArray end;
    end.append(static_cast<char>(0x7B));
    put16(end, SkipIfUnknown);
    put16(end, 7);
    out.append(block(end));
    return out;
}

bool writeRar4Archive(const QString& path, const QList<Rar4Entry>& entries) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = rar4Archive(entries);
    return f.write(bytes) == bytes.size();
}

} // namespace testing_support
