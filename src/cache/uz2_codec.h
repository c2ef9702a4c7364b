#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <functional>

class QIODevice;

/// Quorvel's own reader and writer of the game's ".uz2" form, used when the
/// game's tool is not there to do the work.
///
/// The form has no header: it is a sequence of chunks, each a 32-bit
/// little-endian compressed size, a 32-bit little-endian uncompressed size
/// and a zlib stream (RFC 1950) of exactly the compressed size that inflates
/// to exactly the uncompressed size. Every chunk holds 32,768 bytes of the
/// original except the last, which may hold fewer. An empty file is zero
/// chunks, an empty .uz2.
///
/// Both directions stream chunk by chunk: memory use stays at a few hundred
/// KiB (zlib's state and two fixed buffers) whatever the size of the file,
/// and no size read from a .uz2 allocates anything. Decompression gives the original bytes
/// exactly or refuses the file with a message; it never guesses.
namespace cache {

/// Bytes of the original in every chunk but the last.
inline constexpr qint64 Uz2ChunkSize = 32768;
/// The largest compressed size a chunk may declare. zlib never needs more
/// than 32,791 bytes for 32,768; the slack admits other deflate writers,
/// and anything beyond is not a .uz2.
inline constexpr qint64 Uz2MaxCompressedChunk = 65536;

/// The outcome of one conversion: `error` tells why it failed.
struct Uz2Result {
    bool ok = false;
    QString error;
};

/// Told after every chunk: the bytes of the input read so far and the
/// input's size (-1 when it cannot be told). Returning false stops the
/// conversion, which then fails and writes nothing.
using Uz2Progress = std::function<bool(qint64 done, qint64 total)>;

/// Compresses the file `input` into the .uz2 file `output`, written under a
/// temporary name and renamed over `output` at the end: a failure leaves
/// nothing behind and an existing `output` untouched; success replaces it
/// (asking first is the caller's business).
Uz2Result compressUz2(const QString& input, const QString& output,
                      const Uz2Progress& progress = {});
/// Decompresses the .uz2 file `input` into `output`, written as by
/// `compressUz2`.
Uz2Result decompressUz2(const QString& input, const QString& output,
                        const Uz2Progress& progress = {});

/// The same over open devices; `inName` and `outName` name them in the
/// messages. On failure `out` holds a partial result the caller discards.
Uz2Result compressUz2(QIODevice& in, QIODevice& out, const QString& inName, const QString& outName,
                      const Uz2Progress& progress = {});
Uz2Result decompressUz2(QIODevice& in, QIODevice& out, const QString& inName,
                        const QString& outName, const Uz2Progress& progress = {});

/// In memory, for small data and the fuzz target. `out` is replaced; it
/// grows only by chunks that have inflated correctly.
Uz2Result compressUz2Bytes(QByteArrayView data, QByteArray& out);
Uz2Result decompressUz2Bytes(QByteArrayView uz2, QByteArray& out);

/// True when the file name ends in ".uz2", ignoring case.
bool hasUz2Extension(const QString& path);

/// Where a conversion of `input` writes, beside it: compressing adds
/// ".uz2", decompressing removes it. Empty when there is no such name: a
/// ".uz2" is never compressed again, a file without ".uz2" (or named just
/// ".uz2") cannot be decompressed.
QString uz2OutputName(const QString& input, bool compress);

} // namespace cache
