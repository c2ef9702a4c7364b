// Block header facts of RAR4 and RAR5 archives, read without libarchive.
#include "archive/rar_header_scan.h"
#include "support/rar4_writer.h"
#include "support/rar_tool.h"
#include "support/tree_builder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using archives::scanRarHeaders;
using testing_support::Rar4Entry;

namespace {

TEST(RarHeaderScan, Rar4EntriesWithSizesCrcsAndFolders) {
    testing_support::TempTree tree;
    const QByteArray data(1000, 'd');
    Rar4Entry bad = Rar4Entry::file("bad.txt", "abc");
    bad.badCrc = true;
    const QString path = tree.path(u"a.rar"_s);
    ASSERT_TRUE(testing_support::writeRar4Archive(
        path, {Rar4Entry::dir("Maps"), Rar4Entry::file("Maps\\A.ut2", data), bad}));
    const archives::RarHeaderFacts facts = scanRarHeaders(path);
    EXPECT_TRUE(facts.recognised);
    EXPECT_FALSE(facts.rar5);
    EXPECT_FALSE(facts.volume || facts.headersEncrypted);
    ASSERT_EQ(facts.entries.size(), 3);
    EXPECT_TRUE(facts.entries[0].folder);
    EXPECT_FALSE(facts.entries[0].crc.has_value());
    EXPECT_EQ(facts.entries[1].unpackedSize, 1000u);
    EXPECT_EQ(facts.entries[1].crc, testing_support::rarCrc32(data));
    EXPECT_EQ(facts.entries[2].crc, testing_support::rarCrc32("abc") ^ 0x5A5A5A5Au);

    // Cut inside the last header: the entries before it remain.
    QByteArray bytes = testing_support::rar4Archive(
        {Rar4Entry::file("one.txt", "1"), Rar4Entry::file("two.txt", "2")});
    bytes.chop(7 + 10);
    QFile cut(tree.path(u"cut.rar"_s));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes);
    cut.close();
    EXPECT_EQ(scanRarHeaders(cut.fileName()).entries.size(), 1);
}

TEST(RarHeaderScan, Rar5FlagsFromTheRarCommand) {
    ASSERT_FALSE(testing_support::rarToolPath().isEmpty());
    testing_support::TempTree tree;
    tree.file(u"src/a.txt"_s, "alpha");
    QByteArray big;
    for (int i = 0; i < 50000; ++i)
        big.append(static_cast<char>((i * 131 + i / 7) & 0xFF));
    tree.file(u"src/big.bin"_s, big);
    const QString src = tree.path(u"src"_s);
    ASSERT_EQ(testing_support::runRarTool(src, {u"a"_s, u"-m0"_s, u"../plain.rar"_s, u"a.txt"_s}),
              0);
    ASSERT_EQ(testing_support::runRarTool(src, {u"a"_s, u"-pk"_s, u"../p.rar"_s, u"a.txt"_s}), 0);
    ASSERT_EQ(testing_support::runRarTool(src, {u"a"_s, u"-hpk"_s, u"../hp.rar"_s, u"a.txt"_s}), 0);
    ASSERT_EQ(testing_support::runRarTool(
                  src, {u"a"_s, u"-m0"_s, u"-v20k"_s, u"../v.rar"_s, u"big.bin"_s}),
              0);

    const archives::RarHeaderFacts plain = scanRarHeaders(tree.path(u"plain.rar"_s));
    EXPECT_TRUE(plain.recognised && plain.rar5);
    ASSERT_EQ(plain.entries.size(), 1);
    EXPECT_EQ(plain.entries[0].unpackedSize, 5u);
    EXPECT_EQ(plain.entries[0].crc, testing_support::rarCrc32("alpha"));
    EXPECT_FALSE(plain.entries[0].encrypted);

    const archives::RarHeaderFacts p = scanRarHeaders(tree.path(u"p.rar"_s));
    ASSERT_EQ(p.entries.size(), 1);
    EXPECT_TRUE(p.entries[0].encrypted);

    const archives::RarHeaderFacts hp = scanRarHeaders(tree.path(u"hp.rar"_s));
    EXPECT_TRUE(hp.headersEncrypted);
    EXPECT_TRUE(hp.entries.isEmpty());

    const archives::RarHeaderFacts v = scanRarHeaders(tree.path(u"v.part1.rar"_s));
    EXPECT_TRUE(v.volume);
    ASSERT_EQ(v.entries.size(), 1);
    EXPECT_TRUE(v.entries[0].splitAfter);
}

TEST(RarHeaderScan, GarbageIsNotRecognisedAndHugeSizesStopTheScan) {
    testing_support::TempTree tree;
    EXPECT_FALSE(scanRarHeaders(tree.file(u"junk"_s, "PK\x03\x04 not a rar")).recognised);
    EXPECT_FALSE(scanRarHeaders(tree.path(u"missing.rar"_s)).recognised);
    // A RAR5 header claiming 2 MB and an entry claiming 2^62 bytes of data.
    QByteArray rar5("Rar!\x1A\x07\x01\x00", 8);
    rar5 += QByteArray("\0\0\0\0\x80\x80\x80\x01", 8);
    EXPECT_TRUE(scanRarHeaders(tree.file(u"h.rar"_s, rar5)).entries.isEmpty());
    QByteArray rar4 = testing_support::rar4Archive({Rar4Entry::file("x", "y")});
    for (int i = 0; i < 4; ++i) // packed size: 4 GB, far past the end
        rar4[20 + 7 + i] = '\xFF';
    const archives::RarHeaderFacts facts = scanRarHeaders(tree.file(u"p.rar"_s, rar4));
    EXPECT_LE(facts.entries.size(), 1);
}

TEST(RarHeaderScan, Rar4NamesDecodeEveryStoredForm) {
    struct Case {
        const char* what;
        QByteArray field;
        bool unicode;
        QString name;
    };
    const Case cases[] = {
        {"narrow", "Maps\\A.ut2", false, u"Maps\\A.ut2"_s},
        {"UTF-8 under the Unicode flag", "M\xC3\xBCll", true, u"M\u00FCll"_s},
        {"low bytes",
         QByteArray("ab\0\0\x00"
                    "ab",
                    7),
         true, u"ab"_s},
        {"shared high byte", QByteArray("?\0\x04\x40\x16", 5), true, u"\u0416"_s},
        {"whole characters", QByteArray("?\0\0\x80\x16\x04", 6), true, u"\u0416"_s},
        {"run from the narrow name", QByteArray("abcdef\0\0\xC0\x04", 10), true, u"abcdef"_s},
        {"run with correction", QByteArray("\x10\x11\0\x04\xC0\x80\x06", 7), true,
         u"\u0416\u0417"_s},
        {"mixed", QByteArray("xyz\0\x04\x70\x16\x00", 8), true, u"\u0416yz"_s},
        {"cut short", QByteArray("ab\0\0\x80\x16", 6), true, u""_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(archives::decodeRar4Name(c.field, c.unicode), c.name);
    }
}

TEST(RarHeaderScan, CrcContinuesAcrossPieces) {
    const QByteArray text("The quick brown fox jumps over the lazy dog");
    quint32 crc = archives::rarCrc32Update(0, text.constData(), 10);
    crc = archives::rarCrc32Update(crc, text.constData() + 10, text.size() - 10);
    EXPECT_EQ(crc, 0x414FA339u);
    EXPECT_EQ(archives::rarCrc32Update(0, nullptr, 0), 0u);
}

} // namespace
