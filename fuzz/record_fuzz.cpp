// Feeds arbitrary bytes to the record decoders of mapdata.dat, somdata.dat
// (both record sizes) and sharedfiles.dat. Short inputs are zero-padded to a
// whole record so every input reaches every field. A decoded record written
// back and read again must be a fixed point: the first rewrite turns foreign
// bytes into UTF-8 within the capacity, after that nothing may change; and a
// record the clean-record rule accepts must still be accepted once rewritten.
#include "core/content_db.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<char> padded(const uint8_t* data, size_t size, int recordSize) {
    std::vector<char> buffer(static_cast<size_t>(recordSize), '\0');
    if (size > 0)
        std::memcpy(buffer.data(), data, std::min(size, buffer.size()));
    return buffer;
}

void checkContent(const uint8_t* data, size_t size, int recordSize) {
    const std::vector<char> buffer = padded(data, size, recordSize);
    const TContentRecord rec = TContentRecord::fromBytes(buffer.data(), recordSize);
    const int maxFiles = recordSize == TContentRecord::RecordSize ? TContentRecord::MaxFiles
                                                                  : TContentRecord::OldMaxFiles;
    if (rec.FileCount < 0 || rec.FileCount > maxFiles || rec.Files.size() != rec.FileCount)
        std::abort();
    const QByteArray once = rec.toBytes();
    if (once.size() != TContentRecord::RecordSize)
        std::abort();
    const QByteArray twice = TContentRecord::fromBytes(once.constData()).toBytes();
    if (once != twice)
        std::abort();
    // A clean record stays clean through a rewrite: the rule never drops
    // what the writer itself wrote.
    if (TContentRecord::isClean(buffer.data(), recordSize) &&
        !TContentRecord::isClean(once.constData()))
        std::abort();
}

void checkShared(const uint8_t* data, size_t size) {
    const std::vector<char> buffer = padded(data, size, TSharedFileRecord::RecordSize);
    const QByteArray once = TSharedFileRecord::fromBytes(buffer.data()).toBytes();
    if (once.size() != TSharedFileRecord::RecordSize)
        std::abort();
    if (TSharedFileRecord::fromBytes(once.constData()).toBytes() != once)
        std::abort();
    if (TSharedFileRecord::isClean(buffer.data()) && !TSharedFileRecord::isClean(once.constData()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkContent(data, size, TContentRecord::RecordSize);
    checkContent(data, size, TContentRecord::OldRecordSize);
    checkShared(data, size);
    // A bare text field: length byte, then the text.
    if (size > 0) {
        const int length = static_cast<int>(std::min<size_t>(data[0], size - 1));
        const QString text = record_text::decode(reinterpret_cast<const char*>(data) + 1, length);
        for (int capacity : {0, 1, 10, 50, 100}) {
            const QByteArray cut = record_text::encode(text, capacity);
            if (cut.size() > capacity ||
                record_text::encode(
                    record_text::decode(cut.constData(), static_cast<int>(cut.size())), capacity) !=
                    cut)
                std::abort();
        }
    }
    return 0;
}
