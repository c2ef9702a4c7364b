#include "cache/uz2_codec.h"

#include "platform/io_errors.h"
#include "support/tree_builder.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using cache::compressUz2;
using cache::decompressUz2;
using cache::Uz2Result;
using testing_support::TempTree;

namespace {

/// Package-like bytes: stretches of repeated table text and of noise.
QByteArray content(qint64 size, unsigned seed = 1) {
    std::mt19937 rng(seed);
    QByteArray out;
    out.reserve(size);
    while (out.size() < size) {
        const qint64 n = std::min<qint64>(size - out.size(), 1000 + rng() % 9000);
        if (rng() % 2) {
            for (qint64 i = 0; i < n; ++i)
                out.append(char(rng()));
        } else {
            const QByteArray row = "Texture" + QByteArray::number(rng() % 50) + "\0\x04\x07"_ba;
            const qint64 end = out.size() + n;
            while (out.size() < end)
                out.append(row.left(std::min<qint64>(row.size(), end - out.size())));
        }
    }
    return out;
}

QByteArray le32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

QByteArray zlibStream(const QByteArray& raw, int level = Z_DEFAULT_COMPRESSION) {
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray out(qsizetype(size), '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(raw.constData()), uLong(raw.size()), level),
              Z_OK);
    out.resize(qsizetype(size));
    return out;
}

/// One chunk as the game writes it, with sizes that may lie.
QByteArray chunk(const QByteArray& stream, quint32 packedSize, quint32 rawSize) {
    return le32(packedSize) + le32(rawSize) + stream;
}
QByteArray chunk(const QByteArray& raw, int level = Z_DEFAULT_COMPRESSION) {
    const QByteArray stream = zlibStream(raw, level);
    return chunk(stream, quint32(stream.size()), quint32(raw.size()));
}

/// Walks a .uz2 the way the game does, with zlib's own uncompress, and
/// checks the chunk sizes: the layout, independent of the codec's reader.
QByteArray readAsTheGame(const QByteArray& uz2) {
    QByteArray out;
    qsizetype pos = 0;
    while (pos < uz2.size()) {
        EXPECT_LE(pos + 8, uz2.size());
        const quint32 packed = qFromLittleEndian<quint32>(uz2.constData() + pos);
        const quint32 raw = qFromLittleEndian<quint32>(uz2.constData() + pos + 4);
        pos += 8;
        EXPECT_LE(pos + packed, uz2.size());
        if (pos + packed < uz2.size()) {
            EXPECT_EQ(raw, 32768u) << "only the last chunk may be short";
        }
        EXPECT_GE(raw, 1u);
        QByteArray part(raw, '\0');
        uLongf size = raw;
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(part.data()), &size,
                             reinterpret_cast<const Bytef*>(uz2.constData() + pos), packed),
                  Z_OK);
        EXPECT_EQ(size, raw);
        out += part;
        pos += packed;
    }
    return out;
}

struct Uz2Files : testing::Test {
    TempTree tree;
    QString input = tree.path(u"in.uz2"_s);
    QString output = tree.path(u"out.bin"_s);
};

TEST_F(Uz2Files, RoundTripsFilesOfEverySize) {
    for (const qint64 size : {0, 1, 32767, 32768, 32769, 65536, 3 * 1024 * 1024 + 17}) {
        SCOPED_TRACE(size);
        const QByteArray original = content(size, unsigned(size));
        const QString plain = tree.file(u"DM-Map.ut2"_s, original);
        const QString packed = tree.path(u"DM-Map.ut2.uz2"_s);
        const QString back = tree.path(u"back.ut2"_s);

        const Uz2Result c = compressUz2(plain, packed);
        ASSERT_TRUE(c.ok) << c.error.toStdString();
        EXPECT_TRUE(c.error.isEmpty());
        const QByteArray uz2 = tree.read(u"DM-Map.ut2.uz2"_s);
        // Chunks of 32,768 bytes: one each, a last short one, none at all
        // for an empty file.
        qint64 chunks = 0;
        for (qsizetype pos = 0; pos + 8 <= uz2.size(); ++chunks)
            pos += 8 + qFromLittleEndian<quint32>(uz2.constData() + pos);
        EXPECT_EQ(chunks, (size + 32767) / 32768);
        EXPECT_TRUE(readAsTheGame(uz2) == original);

        const Uz2Result d = decompressUz2(packed, back);
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        const QByteArray restored = tree.read(u"back.ut2"_s);
        EXPECT_EQ(restored.size(), original.size());
        EXPECT_TRUE(restored == original);
        EXPECT_EQ(tree.allFiles(),
                  (QStringList{u"DM-Map.ut2"_s, u"DM-Map.ut2.uz2"_s, u"back.ut2"_s}));
    }
}

TEST_F(Uz2Files, DecodesAHandMadeFileOfTwoChunks) {
    const QByteArray first = content(32768, 7);
    const QByteArray second = "the last chunk is short";
    // Two writers' choices: best and fastest compression.
    const QByteArray uz2 = chunk(first, 9) + chunk(second, 1);
    tree.file(u"in.uz2"_s, uz2);
    const Uz2Result r = decompressUz2(input, output);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(tree.read(u"out.bin"_s) == first + second);

    QByteArray inMemory;
    ASSERT_TRUE(cache::decompressUz2Bytes(uz2, inMemory).ok);
    EXPECT_TRUE(inMemory == first + second);
}

TEST_F(Uz2Files, RefusesWhatIsNotExactlyAUz2) {
    const QByteArray full = content(32768, 3);
    const QByteArray tail = content(100, 4);
    const QByteArray a = chunk(full);
    const QByteArray b = chunk(tail);
    const QByteArray s = zlibStream(tail);
    const quint32 n = quint32(s.size());
    const qint64 at = a.size(); // where the second chunk starts

    QByteArray flipped = s;
    flipped[flipped.size() - 1] = char(flipped.back() ^ 1);
    QByteArray badHeader = s;
    badHeader[0] = char(badHeader[0] ^ 0x10);
    QByteArray withDictionary;
    {
        z_stream zs{};
        ASSERT_EQ(deflateInit(&zs, 6), Z_OK);
        ASSERT_EQ(deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>("Texture"), 7), Z_OK);
        withDictionary.resize(qsizetype(deflateBound(&zs, uLong(tail.size()))));
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(tail.constData()));
        zs.avail_in = uInt(tail.size());
        zs.next_out = reinterpret_cast<Bytef*>(withDictionary.data());
        zs.avail_out = uInt(withDictionary.size());
        ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
        withDictionary.resize(qsizetype(zs.total_out));
        deflateEnd(&zs);
    }

    const QString chunk1 = u"chunk 1 at byte 0"_s;
    const QString chunk2 = u"chunk 2 at byte %1"_s.arg(at);
    struct Case {
        const char* name;
        QByteArray bytes;
        QString why;
    };
    const std::vector<Case> cases{
        {"header cut short", a + b.left(5), u"the file ends inside the header of "_s + chunk2},
        {"data cut short", a + b.chopped(3),
         chunk2 + u" declares %1 compressed bytes, but only %2 follow"_s.arg(n).arg(n - 3)},
        {"compressed size beyond the file", chunk(s, 5000, 100),
         chunk1 + u" declares 5000 compressed bytes, but only %1 follow"_s.arg(n)},
        {"compressed size zero", chunk(s, 0, 100),
         chunk1 + u" declares 0 compressed bytes (1 to 65536 allowed)"_s},
        {"compressed size too large", chunk(s, 65537, 100),
         chunk1 + u" declares 65537 compressed bytes (1 to 65536 allowed)"_s},
        {"compressed size huge", chunk(s, 0xFFFFFFFF, 100),
         chunk1 + u" declares 4294967295 compressed bytes (1 to 65536 allowed)"_s},
        {"uncompressed size zero", chunk(s, n, 0),
         chunk1 + u" declares 0 uncompressed bytes (1 to 32768 allowed)"_s},
        {"uncompressed size too large", chunk(s, n, 32769),
         chunk1 + u" declares 32769 uncompressed bytes (1 to 32768 allowed)"_s},
        {"short chunk before a full one", b + a,
         chunk1 + u" holds 100 bytes, fewer than 32768, but is not the last"_s},
        {"bytes after the short last chunk", a + b + "xyz",
         chunk2 + u" holds 100 bytes, fewer than 32768, but is not the last"_s},
        {"bytes after a full last chunk", a + "xyz",
         u"the file ends inside the header of "_s + chunk2},
        {"inflates to more", chunk(s, n, 99), chunk1 + u" inflates to more than 99 bytes"_s},
        {"inflates to less", chunk(s, n, 101), chunk1 + u" inflates to 100 bytes instead of 101"_s},
        {"bytes after the stream", chunk(s + "ab", n + 2, 100),
         chunk1 + u" has 2 bytes after the end of its zlib stream"_s},
        {"stream without its check", chunk(s.chopped(4), n - 4, 100),
         chunk1 + u" has a zlib stream that is cut short"_s},
        {"wrong check", a + chunk(flipped, n, 100),
         chunk2 + u" does not inflate (incorrect data check)"_s},
        {"not a zlib stream", chunk(badHeader, n, 100),
         chunk1 + u" does not inflate (incorrect header check)"_s},
        {"gzip instead of zlib", chunk("\x1f\x8b\x08\x00\x00\x00\x00\x00"_ba, 8, 100),
         chunk1 + u" does not inflate (incorrect header check)"_s},
        {"preset dictionary", chunk(withDictionary, quint32(withDictionary.size()), 100),
         chunk1 + u" has a zlib stream that needs a preset dictionary"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree.file(u"in.uz2"_s, c.bytes);
        const QString expected = u"\"%1\" is not a valid .uz2 file: %2."_s.arg(input, c.why);

        Uz2Result r = decompressUz2(input, output);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, expected);
        EXPECT_EQ(tree.allFiles(), QStringList{u"in.uz2"_s}) << "nothing left behind";

        // A file already there stays as it was.
        tree.file(u"out.bin"_s, "keep me");
        r = decompressUz2(input, output);
        EXPECT_EQ(r.error, expected);
        EXPECT_TRUE(tree.read(u"out.bin"_s) == "keep me");
        EXPECT_EQ(tree.allFiles(), (QStringList{u"in.uz2"_s, u"out.bin"_s}));
        QFile::remove(output);

        QByteArray inMemory = "old";
        EXPECT_FALSE(cache::decompressUz2Bytes(c.bytes, inMemory).ok);
        EXPECT_TRUE(inMemory.isEmpty());
    }
}

TEST_F(Uz2Files, ReportsFilesThatCannotBeOpenedOrCreated) {
    const QString missing = tree.path(u"missing.uz2"_s);
    Uz2Result r = decompressUz2(missing, output);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, platform::cannotOpenText(missing, u"No such file or directory"_s));
    EXPECT_FALSE(QFile::exists(output));

    tree.file(u"plain.ut2"_s, "data");
    const QString nowhere = tree.path(u"no/such/folder/plain.ut2.uz2"_s);
    r = compressUz2(tree.path(u"plain.ut2"_s), nowhere);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.startsWith(u"Cannot create file \"%1\". "_s.arg(nowhere)))
        << r.error.toStdString();

    const QString folder = tree.folder(u"a folder"_s);
    r = compressUz2(folder, tree.path(u"a folder.uz2"_s));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.startsWith(u"Cannot open file \"%1\". "_s.arg(folder)))
        << r.error.toStdString();
    EXPECT_EQ(tree.allFiles(), QStringList{u"plain.ut2"_s});
}

TEST_F(Uz2Files, ReportsProgressPerChunkAndStopsWhenTold) {
    const QString plain = tree.file(u"big.ut2"_s, content(100000));
    const QString packed = tree.path(u"big.ut2.uz2"_s);
    QList<std::pair<qint64, qint64>> seen;
    const auto record = [&](qint64 done, qint64 total) {
        seen.append({done, total});
        return true;
    };
    ASSERT_TRUE(compressUz2(plain, packed, record).ok);
    EXPECT_EQ(seen, (QList<std::pair<qint64, qint64>>{
                        {32768, 100000}, {65536, 100000}, {98304, 100000}, {100000, 100000}}));

    // Decompression counts the bytes of the .uz2 it has read.
    const qint64 uz2Size = tree.read(u"big.ut2.uz2"_s).size();
    seen.clear();
    ASSERT_TRUE(decompressUz2(packed, tree.path(u"back.ut2"_s), record).ok);
    ASSERT_EQ(seen.size(), 4);
    EXPECT_EQ(seen.back(), (std::pair<qint64, qint64>{uz2Size, uz2Size}));

    // Stopped after the first chunk: nothing written, nothing replaced.
    int calls = 0;
    const auto stop = [&](qint64, qint64) { return ++calls < 1; };
    const QString again = tree.path(u"again.uz2"_s);
    Uz2Result r = compressUz2(plain, again, stop);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"Stopped while converting \"%1\"; nothing was written."_s.arg(plain));
    EXPECT_EQ(calls, 1);
    r = decompressUz2(packed, tree.path(u"back.ut2"_s), stop);
    EXPECT_EQ(r.error, u"Stopped while converting \"%1\"; nothing was written."_s.arg(packed));
    EXPECT_TRUE(tree.read(u"back.ut2"_s) == tree.read(u"big.ut2"_s));
    EXPECT_EQ(tree.allFiles(), (QStringList{u"back.ut2"_s, u"big.ut2"_s, u"big.ut2.uz2"_s}));
}

TEST(Uz2Names, BesideTheInputAndNeverUz2Twice) {
    struct Case {
        QString input;
        bool compress;
        QString output;
    };
    const std::vector<Case> cases{
        {u"/g/Maps/DM-A.ut2"_s, true, u"/g/Maps/DM-A.ut2.uz2"_s},
        {u"/g/My Maps/DM A.ut2"_s, true, u"/g/My Maps/DM A.ut2.uz2"_s},
        {u"/g/readme"_s, true, u"/g/readme.uz2"_s},
        {u"/g/DM-A.ut2.uz2"_s, true, QString()},
        {u"/g/DM-A.ut2.UZ2"_s, true, QString()},
        {u"/g/"_s, true, QString()},
        {u"/g/DM-A.ut2.uz2"_s, false, u"/g/DM-A.ut2"_s},
        {u"/g/DM-A.ut2.Uz2"_s, false, u"/g/DM-A.ut2"_s},
        {u"/g/x.uz2.uz2"_s, false, u"/g/x.uz2"_s},
        {u"/g/DM-A.ut2"_s, false, QString()},
        {u"/g/.uz2"_s, false, QString()},
        {u"/g.uz2/file"_s, false, QString()},
        {u"/g.uz2/file"_s, true, u"/g.uz2/file.uz2"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cache::uz2OutputName(c.input, c.compress), c.output)
            << c.input.toStdString() << (c.compress ? " compress" : " decompress");
    }
}

} // namespace
