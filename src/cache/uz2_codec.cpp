#include "cache/uz2_codec.h"

#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/io_errors.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#define ZLIB_CONST
#include <zlib.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace cache {

namespace {

constexpr int HeaderSize = 8;
// What deflate may need at most for one full chunk at any level.
constexpr qint64 MaxDeflated =
    Uz2ChunkSize + (Uz2ChunkSize >> 12) + (Uz2ChunkSize >> 14) + (Uz2ChunkSize >> 25) + 13;
static_assert(MaxDeflated <= Uz2MaxCompressedChunk, "every chunk we write must read back");

Uz2Result failure(const QString& error) {
    return {false, error};
}

QString notUz2(const QString& name, const QString& why) {
    return u"\"%1\" is not a valid .uz2 file: %2."_s.arg(name, why);
}

QString stoppedText(const QString& name) {
    return u"Stopped while converting \"%1\"; nothing was written."_s.arg(name);
}

/// Reads until `size` bytes are there or the input ends; -1 on a read error.
qint64 readFully(QIODevice& in, char* data, qint64 size) {
    qint64 got = 0;
    while (got < size) {
        const qint64 n = in.read(data + got, size - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

bool writeAll(QIODevice& out, const char* data, qint64 size) {
    return out.write(data, size) == size;
}

qint64 totalOf(const QIODevice& in) {
    return in.isSequential() ? -1 : in.size();
}

/// One zlib stream, reset for every chunk instead of set up anew: a chunk
/// is small, and setting up costs as much as compressing it.
class Deflater {
public:
    Deflater() { ready_ = deflateInit(&zs_, Z_DEFAULT_COMPRESSION) == Z_OK; }
    ~Deflater() {
        if (ready_)
            deflateEnd(&zs_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool ready() const { return ready_; }
    /// Deflates `size` bytes into `out` (room for MaxDeflated); the length
    /// of the stream, or -1.
    qint64 pack(const char* data, qint64 size, char* out) {
        if (deflateReset(&zs_) != Z_OK)
            return -1;
        zs_.next_in = reinterpret_cast<const Bytef*>(data);
        zs_.avail_in = uInt(size);
        zs_.next_out = reinterpret_cast<Bytef*>(out);
        zs_.avail_out = uInt(MaxDeflated);
        if (deflate(&zs_, Z_FINISH) != Z_STREAM_END)
            return -1;
        return qint64(zs_.total_out);
    }

private:
    z_stream zs_{};
    bool ready_ = false;
};

class Inflater {
public:
    Inflater() { ready_ = inflateInit(&zs_) == Z_OK; }
    ~Inflater() {
        if (ready_)
            inflateEnd(&zs_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return ready_; }
    /// Inflates the whole zlib stream `in` into exactly `expected` bytes at
    /// `out`; empty on success, else why not.
    QString unpack(const char* in, qint64 inSize, char* out, qint64 expected) {
        if (inflateReset(&zs_) != Z_OK)
            return u"zlib cannot inflate"_s;
        zs_.next_in = reinterpret_cast<const Bytef*>(in);
        zs_.avail_in = uInt(inSize);
        zs_.next_out = reinterpret_cast<Bytef*>(out);
        zs_.avail_out = uInt(expected);
        const int rc = inflate(&zs_, Z_FINISH);
        if (rc == Z_STREAM_END) {
            if (zs_.avail_in > 0)
                return u"has %1 bytes after the end of its zlib stream"_s.arg(zs_.avail_in);
            if (zs_.avail_out > 0)
                return u"inflates to %1 bytes instead of %2"_s.arg(zs_.total_out).arg(expected);
            return {};
        }
        if (rc == Z_BUF_ERROR && zs_.avail_out == 0 && zs_.avail_in > 0)
            return u"inflates to more than %1 bytes"_s.arg(expected);
        if (rc == Z_BUF_ERROR)
            return u"has a zlib stream that is cut short"_s;
        if (rc == Z_NEED_DICT)
            return u"has a zlib stream that needs a preset dictionary"_s;
        return u"does not inflate (%1)"_s.arg(zs_.msg ? QString::fromLatin1(zs_.msg)
                                                      : u"zlib error %1"_s.arg(rc));
    }

private:
    z_stream zs_{};
    bool ready_ = false;
};

/// Runs `convert` from the file `input` into a temporary file that replaces
/// `output` only when the whole conversion succeeded.
template <typename Convert>
Uz2Result convertFile(const QString& input, const QString& output, Convert convert) {
    QFile in(input);
    if (!in.open(QIODevice::ReadOnly))
        return failure(platform::cannotOpenText(input, in.errorString()));
    platform::AtomicFile out(output);
    try {
        out.openForWriting();
        Uz2Result result = convert(in, out);
        if (!result.ok) {
            out.cancel();
            return result;
        }
        out.commit();
        return result;
    } catch (const platform::Error& e) {
        return failure(e.text());
    }
}

} // namespace

Uz2Result compressUz2(QIODevice& in, QIODevice& out, const QString& inName, const QString& outName,
                      const Uz2Progress& progress) {
    Deflater deflater;
    if (!deflater.ready())
        return failure(u"zlib cannot compress \"%1\"."_s.arg(inName));
    // Fixed sizes, on the heap: a worker thread's stack may be small.
    std::vector<char> raw(Uz2ChunkSize);
    std::vector<char> packed(HeaderSize + MaxDeflated);
    const qint64 total = totalOf(in);
    qint64 done = 0;
    for (;;) {
        const qint64 n = readFully(in, raw.data(), Uz2ChunkSize);
        if (n < 0)
            return failure(platform::readErrorText(inName, in.errorString()));
        if (n == 0)
            break;
        const qint64 size = deflater.pack(raw.data(), n, packed.data() + HeaderSize);
        if (size < 0)
            return failure(u"zlib cannot compress \"%1\"."_s.arg(inName));
        qToLittleEndian<quint32>(quint32(size), packed.data());
        qToLittleEndian<quint32>(quint32(n), packed.data() + 4);
        if (!writeAll(out, packed.data(), HeaderSize + size))
            return failure(platform::cannotWriteText(outName, out.errorString()));
        done += n;
        if (progress && !progress(done, total))
            return failure(stoppedText(inName));
        if (n < Uz2ChunkSize)
            break;
    }
    return {true, {}};
}

Uz2Result decompressUz2(QIODevice& in, QIODevice& out, const QString& inName,
                        const QString& outName, const Uz2Progress& progress) {
    Inflater inflater;
    if (!inflater.ready())
        return failure(u"zlib cannot decompress \"%1\"."_s.arg(inName));
    std::vector<char> packed(Uz2MaxCompressedChunk);
    std::vector<char> raw(Uz2ChunkSize);
    const qint64 total = totalOf(in);
    qint64 offset = 0; // of the chunk at hand, in the input
    qint64 chunk = 0;  // its number, from 1
    qint64 shortChunk = 0;
    quint32 shortSize = 0;
    qint64 shortOffset = 0;
    for (;;) {
        char header[HeaderSize];
        const qint64 got = readFully(in, header, HeaderSize);
        if (got < 0)
            return failure(platform::readErrorText(inName, in.errorString()));
        if (got == 0)
            break;
        ++chunk;
        const QString where = u"chunk %1 at byte %2"_s.arg(chunk).arg(offset);
        // A chunk of fewer than 32,768 bytes ends the original: anything
        // after it is not part of the file.
        if (shortChunk > 0)
            return failure(notUz2(
                inName, u"chunk %1 at byte %2 holds %3 bytes, fewer than %4, but is not the last"_s
                            .arg(shortChunk)
                            .arg(shortOffset)
                            .arg(shortSize)
                            .arg(Uz2ChunkSize)));
        if (got < HeaderSize)
            return failure(notUz2(inName, u"the file ends inside the header of "_s + where));
        const quint32 packedSize = qFromLittleEndian<quint32>(header);
        const quint32 rawSize = qFromLittleEndian<quint32>(header + 4);
        if (packedSize == 0 || packedSize > Uz2MaxCompressedChunk)
            return failure(
                notUz2(inName, u"%1 declares %2 compressed bytes (1 to %3 allowed)"_s.arg(where)
                                   .arg(packedSize)
                                   .arg(Uz2MaxCompressedChunk)));
        if (rawSize == 0 || rawSize > Uz2ChunkSize)
            return failure(
                notUz2(inName, u"%1 declares %2 uncompressed bytes (1 to %3 allowed)"_s.arg(where)
                                   .arg(rawSize)
                                   .arg(Uz2ChunkSize)));
        const qint64 there = readFully(in, packed.data(), packedSize);
        if (there < 0)
            return failure(platform::readErrorText(inName, in.errorString()));
        if (there < packedSize)
            return failure(
                notUz2(inName, u"%1 declares %2 compressed bytes, but only %3 follow"_s.arg(where)
                                   .arg(packedSize)
                                   .arg(there)));
        const QString why = inflater.unpack(packed.data(), packedSize, raw.data(), rawSize);
        if (!why.isEmpty())
            return failure(notUz2(inName, where + u" "_s + why));
        if (!writeAll(out, raw.data(), rawSize))
            return failure(platform::cannotWriteText(outName, out.errorString()));
        if (rawSize < Uz2ChunkSize) {
            shortChunk = chunk;
            shortSize = rawSize;
            shortOffset = offset;
        }
        offset += HeaderSize + packedSize;
        if (progress && !progress(offset, total))
            return failure(stoppedText(inName));
    }
    return {true, {}};
}

Uz2Result compressUz2(const QString& input, const QString& output, const Uz2Progress& progress) {
    return convertFile(input, output, [&](QIODevice& in, QIODevice& out) {
        return compressUz2(in, out, input, output, progress);
    });
}

Uz2Result decompressUz2(const QString& input, const QString& output, const Uz2Progress& progress) {
    return convertFile(input, output, [&](QIODevice& in, QIODevice& out) {
        return decompressUz2(in, out, input, output, progress);
    });
}

namespace {

template <typename Convert>
Uz2Result convertBytes(QByteArrayView data, QByteArray& out, Convert convert) {
    // QBuffer reads a QByteArray only; fromRawData makes no copy.
    const QByteArray view = QByteArray::fromRawData(data.data(), data.size());
    QBuffer in;
    in.setData(view);
    QBuffer sink;
    if (!in.open(QIODevice::ReadOnly) || !sink.open(QIODevice::WriteOnly))
        return failure(u"Cannot open a memory buffer."_s);
    const QString name = u"(memory)"_s;
    Uz2Result result = convert(in, sink, name);
    out = result.ok ? sink.data() : QByteArray();
    return result;
}

} // namespace

Uz2Result compressUz2Bytes(QByteArrayView data, QByteArray& out) {
    return convertBytes(data, out, [](QIODevice& in, QIODevice& sink, const QString& name) {
        return compressUz2(in, sink, name, name);
    });
}

Uz2Result decompressUz2Bytes(QByteArrayView uz2, QByteArray& out) {
    return convertBytes(uz2, out, [](QIODevice& in, QIODevice& sink, const QString& name) {
        return decompressUz2(in, sink, name, name);
    });
}

bool hasUz2Extension(const QString& path) {
    return path.endsWith(u".uz2"_s, Qt::CaseInsensitive);
}

QString uz2OutputName(const QString& input, bool compress) {
    const QString name = platform::fileNamePart(input);
    if (compress)
        return name.isEmpty() || hasUz2Extension(name) ? QString() : input + u".uz2"_s;
    if (!hasUz2Extension(name) || name.size() == 4)
        return {};
    return input.chopped(4);
}

} // namespace cache
