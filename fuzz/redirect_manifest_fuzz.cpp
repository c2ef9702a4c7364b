// Feeds arbitrary bytes to the redirect manifest's reader. What it accepts
// must be exactly what the writer makes of the entries read, each entry one
// the folder could hold; and the input taken apart into names, paths and
// numbers must survive the writer: written and read back, the same entries.
#include "cache/redirect_manifest.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(data, qsizetype(size));

    if (const cache::ManifestRead read = cache::RedirectManifest::fromBytes(input)) {
        const cache::RedirectManifest* m = &read.manifest;
        if (m->toBytes() != input)
            std::abort();
        for (const cache::RedirectEntry& e : m->entries()) {
            if (!cache::isPlainUz2Name(e.name) || e.size < 0 || e.sourceSize < 0 ||
                !e.source.startsWith(u'/') || !m->find(e.name) || *m->find(e.name) != e)
                std::abort();
        }
    } else if (read.problem.isEmpty() || read.manifest.size() != 0) {
        std::abort();
    }

    // Pieces split at 0x01: a name, a path and 8 bytes of numbers each.
    cache::RedirectManifest written;
    qsizetype at = 0;
    while (at < input.size()) {
        qsizetype end = input.indexOf('\x01', at);
        if (end < 0)
            end = input.size();
        const QByteArrayView piece = input.sliced(at, end - at);
        at = end + 1;
        const qsizetype half = piece.size() / 2;
        quint64 numbers = 0;
        std::memcpy(&numbers, piece.data(), size_t(std::min<qsizetype>(8, piece.size())));
        cache::RedirectEntry e;
        e.name = QString::fromUtf8(piece.first(half)) + QStringLiteral(".uz2");
        e.source = QStringLiteral("/") + QString::fromUtf8(piece.sliced(half));
        e.size = qint64(numbers & 0xFFFFFFFFu);
        e.sourceSize = qint64(numbers >> 1);
        e.sourceTime = qint64(numbers); // any sign
        const bool plain = cache::isPlainUz2Name(e.name) && !e.source.contains(QChar(0));
        if (written.put(e) != plain)
            std::abort();
    }
    const cache::ManifestRead back = cache::RedirectManifest::fromBytes(written.toBytes());
    if (!back || back.manifest != written)
        std::abort();
    return 0;
}
