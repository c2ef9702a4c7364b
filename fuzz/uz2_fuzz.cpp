// Feeds arbitrary bytes to the .uz2 decoder. Whatever it accepts must
// survive our own writer: compressed again and decoded, the same bytes come
// back. The input is also compressed as if it were a plain file, which must
// round-trip too, and a damaged copy of that must be refused or still give
// the input. Sizes declared by the input never allocate: the decoder's
// buffers are fixed and its output grows only by chunks that inflated.
#include "cache/uz2_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(data, qsizetype(size));

    QByteArray decoded;
    const cache::Uz2Result r = cache::decompressUz2Bytes(input, decoded);
    if (r.ok != r.error.isEmpty())
        std::abort();
    if (r.ok) {
        // A chunk yields at most 32,768 bytes and takes at least 15: its
        // header, the zlib header and check, one byte of deflate data.
        if (decoded.size() > qsizetype(size / 15) * cache::Uz2ChunkSize)
            std::abort();
        QByteArray again;
        QByteArray back;
        if (!cache::compressUz2Bytes(decoded, again).ok ||
            !cache::decompressUz2Bytes(again, back).ok || back != decoded)
            std::abort();
    } else if (!decoded.isEmpty()) {
        std::abort();
    }

    QByteArray packed;
    QByteArray back;
    if (!cache::compressUz2Bytes(input, packed).ok || !cache::decompressUz2Bytes(packed, back).ok ||
        back != input)
        std::abort();

    // Random bytes seldom hold a zlib stream that inflates, so the checks
    // behind inflating are reached with our own .uz2 of the input, one byte
    // of it changed where the input's first bytes say. It may be refused;
    // if it is accepted, it must still give the input.
    if (size >= 3) {
        QByteArray damaged = packed;
        const qsizetype at = qsizetype(data[0] | data[1] << 8) % damaged.size();
        damaged[at] = char(damaged[at] ^ (data[2] | 1));
        QByteArray out;
        if (cache::decompressUz2Bytes(damaged, out).ok && out != input)
            std::abort();
    }
    return 0;
}
