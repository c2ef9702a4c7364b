#include "archive/zip_probe.h"

#include "support/tree_builder.h"
#include "support/zip_builder.h"

#include <QFile>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

using namespace Qt::Literals::StringLiterals;
using archives::ZipProbe;
using testing_support::TempTree;
using testing_support::ZipBuilder;

namespace {

QByteArray le16(int v) {
    QByteArray b(2, '\0');
    b[0] = char(v & 0xFF);
    b[1] = char((v >> 8) & 0xFF);
    return b;
}

QByteArray le32(quint32 v) {
    return le16(int(v & 0xFFFF)) + le16(int(v >> 16));
}

/// An end-of-central-directory record.
QByteArray endRecord(int disk, int directoryDisk, quint32 directoryOffset, int commentLength) {
    return le32(0x06054B50) + le16(disk) + le16(directoryDisk) + le16(1) + le16(1) + le32(46) +
           le32(directoryOffset) + le16(commentLength);
}

QByteArray zipBytes(TempTree& tree, const ZipBuilder& builder) {
    const QString path = tree.path(u"built.zip"_s);
    EXPECT_TRUE(builder.write(path));
    QByteArray bytes = tree.read(u"built.zip"_s);
    QFile::remove(path);
    return bytes;
}

QByteArray plainZip(TempTree& tree) {
    return zipBytes(tree, ZipBuilder().file(u"DM-Test.ut2"_s, QByteArray(300, 'a')));
}

struct ProbeCase {
    const char* what;
    std::function<QByteArray(TempTree&)> bytes;
    int expected;
};

void PrintTo(const ProbeCase& c, std::ostream* os) {
    *os << c.what;
}

class ZipProbeTable : public testing::TestWithParam<ProbeCase> {};

TEST_P(ZipProbeTable, GivesTheFlagsOfTheBytes) {
    TempTree tree;
    const ProbeCase& c = GetParam();
    const QString path = tree.file(u"probe.bin"_s, c.bytes(tree));
    EXPECT_EQ(ZipProbe(path), c.expected) << c.what;
}

// 0xF2: starts with a local header, end record without comment, central
// header at its offset, local header at the entry's offset.
INSTANTIATE_TEST_SUITE_P(
    Files, ZipProbeTable,
    testing::Values(
        ProbeCase{"plain zip", plainZip, 0xF2},
        ProbeCase{
            "zip with a comment that ends the file",
            [](TempTree& tmp) {
                return zipBytes(
                    tmp,
                    ZipBuilder().file(u"a.txt"_s, "hello").comment("Visit our site for more maps"));
            },
            0xF2},
        ProbeCase{"zip with a comment and trailing bytes",
                  [](TempTree& tmp) {
                      return zipBytes(tmp, ZipBuilder().file(u"a.txt"_s, "hello").comment("note")) +
                             "junk";
                  },
                  0xE2},
        ProbeCase{"MZ stub before a zip (offsets no longer fit)",
                  [](TempTree& tmp) { return "MZ" + QByteArray(98, '\x90') + plainZip(tmp); },
                  0x91},
        ProbeCase{"MZ file without a directory",
                  [](TempTree&) { return "MZ" + QByteArray(5000, '\x01'); }, 0x01},
        ProbeCase{"two bytes MZ", [](TempTree&) { return QByteArray("MZ"); }, 0x01},
        ProbeCase{"empty file", [](TempTree&) { return QByteArray(); }, 0},
        ProbeCase{"garbage", [](TempTree&) { return QByteArray(1000, '\x7F'); }, 0},
        ProbeCase{"starts with a central header",
                  [](TempTree&) { return le32(0x02014B50) + QByteArray(60, '\0'); }, 0x08},
        ProbeCase{"spanned-archive end record",
                  [](TempTree&) {
                      return le32(0x08074B50) + QByteArray(100, 'x') + endRecord(1, 0, 4, 0);
                  },
                  0x94},
        ProbeCase{"end record pointing past the end",
                  [](TempTree&) {
                      return le32(0x04034B50) + QByteArray(40, 'x') +
                             endRecord(0, 0, 0xFFFFFF00u, 0);
                  },
                  0x92},
        ProbeCase{"spanned record inside the comment: the search goes on to the real one",
                  [](TempTree& tmp) {
                      QByteArray zip = plainZip(tmp);
                      zip.chop(2);
                      return zip + le16(22) + endRecord(3, 0, 0, 0);
                  },
                  0xF2},
        ProbeCase{"comment of 65,535 bytes: the record is just inside the search",
                  [](TempTree& tmp) {
                      QByteArray zip = plainZip(tmp);
                      zip.chop(2);
                      return zip + le16(65535) + QByteArray(65535, 'c');
                  },
                  0xF2},
        ProbeCase{"end record further back than any comment can reach",
                  [](TempTree& tmp) { return plainZip(tmp) + QByteArray(65536, 'c'); }, 0x02}));

TEST(ZipProbe, MissingFileCannotBeOpened) {
    TempTree tree;
    EXPECT_EQ(ZipProbe(tree.path(u"nowhere.zip"_s)), archives::ZipProbeCannotOpen);
    EXPECT_EQ(ZipProbe(tree.root()), archives::ZipProbeCannotOpen); // a folder
    // A pipe named like a zip must not hold the scan waiting for a writer.
    const QString pipe = tree.path(u"pipe.zip"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(ZipProbe(pipe), archives::ZipProbeCannotOpen);
}

TEST(ZipProbe, FailingReadGivesReadFailure) {
    // Reading a process's own memory file at offset 0 fails with EIO.
    if (!QFile::exists(u"/proc/self/mem"_s))
        GTEST_SKIP() << "no /proc";
    EXPECT_EQ(ZipProbe(u"/proc/self/mem"_s), archives::ZipProbeReadFailure);
}

} // namespace
