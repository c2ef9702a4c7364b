// TdRar3 against both backends: the unrar library and libarchive.
#include "archive/rar_archive.h"
#include "support/rar4_writer.h"
#include "support/rar_fixture.h"
#include "support/rar_tool.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using archives::TdRar3;
using testing_support::Rar4Entry;
using testing_support::RarBackendTest;

namespace {

class RarArchiveTest : public RarBackendTest {};

TEST_P(RarArchiveTest, Rar5FlatListsAndExtractsInStoredOrder) {
    const QString archive = makeRar5(u"flat.rar"_s, {{u"b.txt"_s, "bravo"}, {u"A.txt"_s, "alpha"}});
    const QStringList stored = testing_support::rarToolNames(archive);
    ASSERT_EQ(stored.size(), 2);

    rar.ArchiveFileName = archive;
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(listed, stored);
    EXPECT_TRUE(extracted.isEmpty());
    EXPECT_FALSE(QDir(rar.TargetDirectory).exists()) << "List writes nothing";

    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(extracted, stored);
    EXPECT_EQ(outFiles(), (QStringList{u"A.txt"_s, u"b.txt"_s}));
    EXPECT_EQ(tree.read(u"out/A.txt"_s), "alpha");
    EXPECT_EQ(tree.read(u"out/b.txt"_s), "bravo");
    expectBackendUsed();
}

TEST_P(RarArchiveTest, Rar5FoldersAreKeptBelowTheTarget) {
    const QString archive = makeRar5(u"tree.rar"_s, {{u"Maps/DM-Rust.ut2"_s, "map"},
                                                     {u"Maps/sub/Rust.utx"_s, "tex"},
                                                     {u"Readme.txt"_s, "read me"}});
    const QStringList stored = testing_support::rarToolNames(archive);
    ASSERT_TRUE(stored.contains(u"Maps/sub"_s)) << stored.join(u',').toStdString();

    rar.ArchiveFileName = archive;
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(listed, stored) << "folder entries too, with / separators";

    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(outFiles(),
              (QStringList{u"Maps/DM-Rust.ut2"_s, u"Maps/sub/Rust.utx"_s, u"Readme.txt"_s}));
    EXPECT_EQ(tree.read(u"out/Maps/sub/Rust.utx"_s), "tex");
}

TEST_P(RarArchiveTest, Rar4WindowsNamesArriveWithSlashesInArchiveOrder) {
    const QString archive = makeRar4(
        u"old.rar"_s,
        {Rar4Entry::file("Zeta.txt", "z"), Rar4Entry::dir("Maps"),
         Rar4Entry::file("Maps\\DM-Old.ut2", QByteArray(3000, 'm')), Rar4Entry::dir("Maps\\Sub"),
         Rar4Entry::file("Maps\\Sub\\Old.utx", "texture"), Rar4Entry::file("alpha.txt", "")});
    const QStringList expected{u"Zeta.txt"_s,         u"Maps"_s,
                               u"Maps/DM-Old.ut2"_s,  u"Maps/Sub"_s,
                               u"Maps/Sub/Old.utx"_s, u"alpha.txt"_s};
    rar.ArchiveFileName = archive;
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(listed, expected);

    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(extracted, expected);
    EXPECT_EQ(outFiles(), (QStringList{u"Maps/DM-Old.ut2"_s, u"Maps/Sub/Old.utx"_s, u"Zeta.txt"_s,
                                       u"alpha.txt"_s}));
    EXPECT_EQ(tree.read(u"out/Maps/DM-Old.ut2"_s), QByteArray(3000, 'm'));
    EXPECT_EQ(tree.read(u"out/Maps/Sub/Old.utx"_s), "texture");
    expectBackendUsed();
}

TEST_P(RarArchiveTest, Rar4UnicodeNamesAreDecoded) {
    Rar4Entry entry = Rar4Entry::file("Karten\\M?ll.ut2", "umlaut");
    entry.unicodeName = u"Karten\\M\u00FCll.ut2"_s;
    rar.ArchiveFileName = makeRar4(u"uni.rar"_s, {entry});
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(listed, QStringList{u"Karten/M\u00FCll.ut2"_s});
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(tree.read(u"out/Karten/M\u00FCll.ut2"_s), "umlaut");
}

TEST_P(RarArchiveTest, EmptyArchiveEndsWith10AndNoEvents) {
    rar.ArchiveFileName = makeRar4(u"empty.rar"_s, {});
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_TRUE(extracted.isEmpty());
}

TEST_P(RarArchiveTest, FileListToProcessSelectsWholeNamesIgnoringCase) {
    rar.ArchiveFileName = makeRar4(u"sel.rar"_s, {Rar4Entry::file("Maps\\DM-A.ut2", "a"),
                                                  Rar4Entry::file("Maps\\Sub\\T.utx", "t"),
                                                  Rar4Entry::file("System\\A.int", "int")});
    struct Case {
        QStringList names;
        QStringList written;
    };
    const Case cases[] = {
        {{u"nothing.here"_s}, {}},
        {{u"DM-A.ut2"_s, u"Sub/T.utx"_s}, {}}, // parts of a name do not match
        {{u"MAPS/dm-a.UT2"_s}, {u"Maps/DM-A.ut2"_s}},
        {{u"maps\\sub\\t.utx"_s, u"system/a.int"_s}, {u"Maps/Sub/T.utx"_s, u"System/A.int"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.join(u'|').toStdString());
        QDir(rar.TargetDirectory).removeRecursively();
        extracted.clear();
        rar.FileListToProcess.clear();
        for (const QString& n : c.names)
            rar.FileListToProcess.add(n);
        EXPECT_EQ(rar.Extract(), 10);
        EXPECT_EQ(extracted.size(), 3) << "every entry is announced, also skipped ones";
        EXPECT_EQ(outFiles(), c.written);
        EXPECT_EQ(rar.FileListToProcess.count(), c.names.size()) << "the list is left as it was";
    }
}

TEST_P(RarArchiveTest, DamagedDataFailsWith12AndLeavesNoFile) {
    Rar4Entry bad = Rar4Entry::file("bad.utx", QByteArray(500, 'x'));
    bad.badCrc = true;
    rar.ArchiveFileName = makeRar4(u"crc.rar"_s, {Rar4Entry::file("good.txt", "ok"), bad});
    EXPECT_EQ(rar.List(), 10) << "listing does not check data";
    EXPECT_TRUE(rar.LastErrorText().isEmpty());
    EXPECT_EQ(rar.Extract(), 12);
    EXPECT_EQ(outFiles(), QStringList{u"good.txt"_s});
    EXPECT_EQ(rar.LastErrorText(), u"Damaged data in\r"_s + rar.ArchiveFileName +
                                       u"\rA file failed its check and was not written (a wrong "
                                       u"password shows the same way)."_s);

    // A file already there is replaced by a whole one only.
    tree.file(u"out/bad.utx"_s, "the old file");
    EXPECT_EQ(rar.Extract(), 12);
    EXPECT_EQ(outFiles(), (QStringList{u"bad.utx"_s, u"good.txt"_s}));
    EXPECT_EQ(tree.read(u"out/bad.utx"_s), "the old file");
}

TEST_P(RarArchiveTest, NotARarArchiveFailsWith13) {
    rar.ArchiveFileName = tree.file(u"junk.rar"_s, QByteArray(4096, 'j'));
    EXPECT_EQ(rar.List(), 13);
    EXPECT_EQ(rar.Extract(), 13);
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_EQ(rar.LastErrorText(),
              rar.ArchiveFileName + u"\ris not a rar archive, or it is damaged."_s);
    rar.ArchiveFileName = tree.path(u"missing.rar"_s);
    EXPECT_GT(rar.List(), 10);
}

TEST_P(RarArchiveTest, AnArchiveThatCrashesTheUnrarLibraryFailsAndTheProgramGoesOn) {
    rar.ArchiveFileName = tree.file(u"crash.rar"_s, testing_support::crashingRar5());
    EXPECT_EQ(rar.List(), archives::rarcode::BadArchive);
    EXPECT_EQ(rar.Extract(), archives::rarcode::BadArchive);
    expectBackendUsed();
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_TRUE(extracted.isEmpty());
    EXPECT_TRUE(outFiles().isEmpty());
    // The library dies on it in its helper; libarchive refuses it.
    EXPECT_EQ(rar.LastErrorText(),
              rar.ArchiveFileName +
                  (unrar() ? u"\ris damaged: reading it made the unrar library fail."_s
                           : u"\ris not a rar archive, or it is damaged."_s));
}

TEST_P(RarArchiveTest, LoneVolumeOfASetEndsWithAFailure) {
    QByteArray random;
    for (int i = 0; i < 60000; ++i)
        random.append(static_cast<char>((i * 7919 + i / 13) & 0xFF));
    tree.file(u"vsrc/big.bin"_s, random);
    ASSERT_EQ(testing_support::runRarTool(tree.path(u"vsrc"_s), {u"a"_s, u"-m0"_s, u"-v20k"_s,
                                                                 u"../set.rar"_s, u"big.bin"_s}),
              0);
    ASSERT_TRUE(tree.exists(u"set.part2.rar"_s));
    const QString lone = tree.folder(u"lone"_s) + u"/set.part1.rar"_s;
    ASSERT_TRUE(QFile::copy(tree.path(u"set.part1.rar"_s), lone));
    rar.ArchiveFileName = lone;
    // The library stops at the entry that goes on in the missing part;
    // libarchive lists what the part holds but cannot extract it whole.
    const int listResult = rar.List();
    if (unrar()) {
        EXPECT_GT(listResult, 10);
    }
    EXPECT_GT(rar.Extract(), 10);
    EXPECT_FALSE(tree.exists(u"out/big.bin"_s)) << "no half file is left";
}

TEST_P(RarArchiveTest, FileCopyEntriesRepeatTheirSource) {
    QByteArray data;
    for (int i = 0; i < 100000; ++i)
        data.append(static_cast<char>((i * 31 + i / 255) & 0xFF));
    tree.file(u"csrc/Textures/One.utx"_s, data);
    tree.file(u"csrc/Two.utx"_s, data);
    const QString archive = tree.path(u"copies.rar"_s);
    ASSERT_EQ(
        testing_support::runRarTool(
            tree.path(u"csrc"_s), {u"a"_s, u"-oi"_s, archive, u"Textures/One.utx"_s, u"Two.utx"_s}),
        0);
    rar.ArchiveFileName = archive;
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(listed, (QStringList{u"Textures/One.utx"_s, u"Two.utx"_s}));
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(tree.read(u"out/Textures/One.utx"_s), data);
    EXPECT_EQ(tree.read(u"out/Two.utx"_s), data) << "the copy holds the source's data";

    // Alone, the copy has no source to come from: the library's code 23.
    QDir(rar.TargetDirectory).removeRecursively();
    rar.FileListToProcess.add(u"two.utx"_s);
    EXPECT_EQ(rar.Extract(), 23);
    EXPECT_TRUE(outFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, RarArchiveTest, testing_support::rarBackends(),
                         testing_support::rarBackendName);

} // namespace
