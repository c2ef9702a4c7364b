// Byte layout of the record files: fixed-capacity text fields and the two
// record types. Everything read here comes from disk and may be garbage, so
// every length and count is clamped to what the record can hold.
#include "core/content_catalogue.h"
#include "core/content_db.h"

#include <QStringDecoder>

#include "platform/byte_cursor.h"
#include "platform/errors.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace {

// Offsets of TContentRecord.
constexpr int ArchiveNameAt = 0;
constexpr int ArchiveDirAt = 51;
constexpr int DisplayNameAt = 152;
constexpr int InstalledAt = 203;
constexpr int KindAt = 204;
constexpr int AddedDateAt = 208;
constexpr int InstallDateAt = 219;
constexpr int FileCountAt = 232;
constexpr int FilesAt = 236;
constexpr int NameCapacity = 50;
constexpr int DirCapacity = 100;
constexpr int DateCapacity = 10;
constexpr int FileEntrySize = NameCapacity + 1;

// Offsets of TSharedFileRecord.
constexpr int FileNameAt = 0;
constexpr int RefCountAt = 52;
static_assert(RefCountAt + 4 == TSharedFileRecord::RecordSize);

static_assert(FilesAt + TContentRecord::MaxFiles * FileEntrySize == TContentRecord::RecordSize);
static_assert(FilesAt + TContentRecord::OldMaxFiles * FileEntrySize ==
              TContentRecord::OldRecordSize);

// Windows-1252 at 0x80..0x9F; the five unassigned bytes map to the C1
// controls of the same value, as Windows itself converts them.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF,
// no sequence cut off at the end.
bool isValidUtf8(const unsigned char* p, int length) {
    int i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        int extra = 0;
        char32_t min = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (length - i <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

QString fromCp1252(const unsigned char* p, int length) {
    QString text(length, Qt::Uninitialized);
    QChar* out = text.data();
    for (int i = 0; i < length; ++i) {
        const unsigned char c = p[i];
        out[i] = (c >= 0x80 && c <= 0x9F) ? QChar(Cp1252High[c - 0x80]) : QChar(char16_t(c));
    }
    return text;
}

// A string[capacity] field: length byte, then the text, then zero fill
// (the caller's buffer is already zero).
void putText(char* record, int offset, const QString& text, int capacity) {
    // Most names and dates are ASCII that fits: written straight into the
    // record, as UTF-8 would write them, without a buffer per field (a scan
    // writes ten thousand records of a dozen fields each).
    const QStringView view(text);
    if (view.size() <= capacity &&
        std::all_of(view.begin(), view.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        record[offset] = static_cast<char>(view.size());
        char* out = record + offset + 1;
        for (const QChar c : view)
            *out++ = static_cast<char>(c.unicode());
        return;
    }
    const QByteArray bytes = record_text::encode(text, capacity);
    record[offset] = static_cast<char>(bytes.size());
    std::memcpy(record + offset + 1, bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Reads a string[capacity] field; a length byte beyond the capacity is taken
// as the capacity, the bytes after the text are ignored.
QString getText(platform::ByteCursor& record, int offset, int capacity) {
    record.seek(offset);
    const int length = std::min<int>(record.u8(), capacity);
    const QByteArrayView text = record.bytes(static_cast<quint64>(length));
    return record_text::decode(text.data(), static_cast<int>(text.size()));
}

void putInt(char* record, int offset, qint32 value) {
    qToLittleEndian<qint32>(value, record + offset);
}

qint32 getInt(platform::ByteCursor& record, int offset) {
    record.seek(offset);
    return record.i32();
}

// The length byte of a text field, for the clean-record rule.
int lengthAt(const char* record, int offset) {
    return static_cast<unsigned char>(record[offset]);
}

qint32 intAt(const char* record, int offset) {
    return qFromLittleEndian<qint32>(record + offset);
}

} // namespace

namespace core::record_text {

QByteArray encode(const QString& text, int capacity) {
    QByteArray bytes = text.toUtf8();
    capacity = std::max(capacity, 0);
    if (bytes.size() <= capacity)
        return bytes;
    // Step back over continuation bytes so no character is split.
    qsizetype cut = capacity;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    bytes.truncate(cut);
    return bytes;
}

QString decode(const char* data, int length) {
    if (length <= 0)
        return {};
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    if (isValidUtf8(p, length)) {
        // Keep a leading byte order mark: the name is stored exactly, and
        // dropping it would change the text on every rewrite.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return utf8(QByteArrayView(data, length));
    }
    return fromCp1252(p, length);
}

} // namespace core::record_text

QByteArray TContentRecord::toBytes() const {
    QByteArray bytes(RecordSize, '\0');
    writeTo(bytes.data());
    return bytes;
}

void TContentRecord::writeTo(char* r) const {
    std::memset(r, 0, RecordSize);
    putText(r, ArchiveNameAt, ArchiveName, NameCapacity);
    putText(r, ArchiveDirAt, ArchiveDir, DirCapacity);
    putText(r, DisplayNameAt, DisplayName, NameCapacity);
    r[InstalledAt] = static_cast<char>(Installed);
    putInt(r, KindAt, Kind);
    putText(r, AddedDateAt, AddedDate, DateCapacity);
    putText(r, InstallDateAt, InstallDate, DateCapacity);
    // The stored count never claims more entries than the record holds or
    // than the list has, so a reader never meets an invented empty name.
    const int count = static_cast<int>(
        std::min<qsizetype>(std::clamp<qint32>(FileCount, 0, MaxFiles), Files.size()));
    putInt(r, FileCountAt, count);
    for (int i = 0; i < count; ++i)
        putText(r, FilesAt + i * FileEntrySize, Files.at(i), NameCapacity);
}

TContentRecord TContentRecord::fromBytes(const char* data, int recordSize) {
    int maxFiles = 0;
    if (recordSize == RecordSize)
        maxFiles = MaxFiles;
    else if (recordSize == OldRecordSize)
        maxFiles = OldMaxFiles;
    else
        throw platform::Error(u"Unsupported record size %1"_s.arg(recordSize));

    // The layout fits the record (static_asserts above), so the cursor
    // cannot fail; it only keeps every read inside the record.
    platform::ByteCursor r(QByteArrayView(data, recordSize));
    TContentRecord rec;
    rec.ArchiveName = getText(r, ArchiveNameAt, NameCapacity);
    rec.ArchiveDir = getText(r, ArchiveDirAt, DirCapacity);
    rec.DisplayName = getText(r, DisplayNameAt, NameCapacity);
    r.seek(InstalledAt);
    rec.Installed = r.u8();
    rec.Kind = getInt(r, KindAt);
    rec.AddedDate = getText(r, AddedDateAt, DateCapacity);
    rec.InstallDate = getText(r, InstallDateAt, DateCapacity);
    // Callers index Files by FileCount, so the count is clamped here, once,
    // and Files holds exactly that many entries.
    rec.FileCount = std::clamp<qint32>(getInt(r, FileCountAt), 0, maxFiles);
    rec.Files.reserve(rec.FileCount);
    for (int i = 0; i < rec.FileCount; ++i)
        rec.Files.append(getText(r, FilesAt + i * FileEntrySize, NameCapacity));
    return rec;
}

bool TContentRecord::isClean(const char* data, int recordSize) {
    int maxFiles = 0;
    if (recordSize == RecordSize)
        maxFiles = MaxFiles;
    else if (recordSize == OldRecordSize)
        maxFiles = OldMaxFiles;
    else
        throw platform::Error(u"Unsupported record size %1"_s.arg(recordSize));
    const int nameLength = lengthAt(data, ArchiveNameAt);
    if (nameLength < 1 || nameLength > NameCapacity)
        return false;
    if (lengthAt(data, ArchiveDirAt) > DirCapacity ||
        lengthAt(data, DisplayNameAt) > NameCapacity ||
        lengthAt(data, AddedDateAt) > DateCapacity || lengthAt(data, InstallDateAt) > DateCapacity)
        return false;
    const int installed = static_cast<unsigned char>(data[InstalledAt]);
    if (installed != 0 && installed != 1)
        return false;
    // The kinds writers give: Content to SkinWithoutArchive, and Rejected.
    namespace kinds = catalogue::record_kind;
    const qint32 kind = intAt(data, KindAt);
    if ((kind < kinds::Content || kind > kinds::SkinWithoutArchive) && kind != kinds::Rejected)
        return false;
    const qint32 count = intAt(data, FileCountAt);
    if (count < 0 || count > maxFiles)
        return false;
    for (int i = 0; i < count; ++i) {
        if (lengthAt(data, FilesAt + i * FileEntrySize) > NameCapacity)
            return false;
    }
    return true;
}

QByteArray TSharedFileRecord::toBytes() const {
    QByteArray bytes(RecordSize, '\0');
    putText(bytes.data(), FileNameAt, FileName, NameCapacity);
    putInt(bytes.data(), RefCountAt, RefCount);
    return bytes;
}

TSharedFileRecord TSharedFileRecord::fromBytes(const char* data) {
    platform::ByteCursor r(QByteArrayView(data, RecordSize));
    TSharedFileRecord rec;
    rec.FileName = getText(r, FileNameAt, NameCapacity);
    rec.RefCount = getInt(r, RefCountAt);
    return rec;
}

bool TSharedFileRecord::isClean(const char* data) {
    const int nameLength = lengthAt(data, FileNameAt);
    const qint32 count = intAt(data, RefCountAt);
    return nameLength >= 1 && nameLength <= NameCapacity && count >= 2 && count <= MaxRefCount;
}
