#include "archive/zip_layout.h"
#include "archive/zip_master.h"

#include "support/fake_dialogs.h"
#include "support/tree_builder.h"
#include "support/zip_builder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::Literals::StringLiterals;
using archives::TZipMaster;
using testing_support::FakeDialogs;
using testing_support::MiB;
using testing_support::patchZipSizes;
using testing_support::readZip;
using testing_support::TempTree;
using testing_support::ZipBuilder;

namespace {

constexpr int Stored = 0;   // ZIP_CM_STORE
constexpr int Deflated = 8; // ZIP_CM_DEFLATE

/// The game-style archive most tests extract.
QString mapZip(TempTree& tree) {
    const QString path = tree.path(u"DM-X.zip"_s);
    EXPECT_TRUE(ZipBuilder()
                    .file(u"maps/DM-X.ut2"_s, "map data")
                    .file(u"Readme.txt"_s, "read me")
                    .folder(u"Help/"_s)
                    .file(u"Textures\\X.utx"_s, "textures")
                    .write(path));
    return path;
}

/// Relative paths of every file below `folder`, sorted.
QStringList filesBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(folder).relativeFilePath(it.next()));
    out.sort();
    return out;
}

struct Fixture : testing::Test {
    TempTree tree;
    FakeDialogs dialogs;
    TZipMaster zip{&dialogs};
    QString out = tree.folder(u"out"_s);

    Fixture() { zip.ExtrBaseDir = out; }
};

using ZipDirectory = Fixture;

TEST_F(ZipDirectory, ListsStoredNamesInDirectoryOrder) {
    zip.setZipFileName(mapZip(tree));
    EXPECT_EQ(zip.ErrorCode(), 0);
    ASSERT_EQ(zip.EntryCount(), 4);
    const QStringList expected{u"maps/DM-X.ut2"_s, u"Readme.txt"_s, u"Help/"_s,
                               u"Textures\\X.utx"_s};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(zip.EntryName(i), expected[i]);
    EXPECT_EQ(zip.EntryName(4), QString());
    EXPECT_EQ(zip.EntryName(-1), QString());

    ZipBuilder hundred;
    for (int i = 99; i >= 0; --i)
        hundred.file(u"f%1.txt"_s.arg(i), QByteArray::number(i));
    ASSERT_TRUE(hundred.write(tree.path(u"100.zip"_s)));
    zip.setZipFileName(tree.path(u"100.zip"_s));
    ASSERT_EQ(zip.EntryCount(), 100);
    EXPECT_EQ(zip.EntryName(0), u"f99.txt"_s);
    EXPECT_EQ(zip.EntryName(99), u"f0.txt"_s);

    // An archive without entries is only an end record.
    zip.setZipFileName(
        tree.file(u"empty.zip"_s, QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')));
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.ErrorCode(), 0);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ZipDirectory, UnreadableArchiveHasNoEntriesAndSaysSo) {
    const QByteArray good = tree.read(QDir(tree.root()).relativeFilePath(mapZip(tree)));
    const QStringList paths{tree.file(u"truncated.zip"_s, good.left(good.size() / 2)),
                            tree.file(u"garbage.zip"_s, QByteArray(3000, '\xA5')),
                            tree.file(u"mz.zip"_s, "MZ" + QByteArray(500, '\0'))};
    for (const QString& path : paths) {
        dialogs.shown.clear();
        zip.setZipFileName(mapZip(tree)); // something listed before
        zip.setZipFileName(path);
        EXPECT_EQ(zip.EntryCount(), 0) << path.toStdString();
        EXPECT_EQ(zip.ErrorCode(), TZipMaster::ZipErrOpenArchive);
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Error);
        EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok);
        EXPECT_TRUE(dialogs.shown[0].text.contains(path));
    }
    dialogs.shown.clear();
    zip.Unattended = true;
    zip.setZipFileName(paths[1]);
    EXPECT_EQ(zip.ErrorCode(), TZipMaster::ZipErrOpenArchive);
    zip.Unattended = false;
    // Empty or missing (an archive Add is about to create): no entries, no error.
    for (const QString& path : {QString(), tree.path(u"missing.zip"_s)}) {
        zip.setZipFileName(path);
        EXPECT_EQ(zip.EntryCount(), 0);
        EXPECT_EQ(zip.ErrorCode(), 0);
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());

    TZipMaster silent; // no Dialogs at all
    silent.setZipFileName(paths[0]);
    EXPECT_EQ(silent.ErrorCode(), TZipMaster::ZipErrOpenArchive);
}

using ZipExtract = Fixture;

TEST_F(ZipExtract, FlatByDefaultAndWithFolderParts) {
    zip.setZipFileName(mapZip(tree));
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(zip.SuccessCount(), 3);
    EXPECT_EQ(filesBelow(out), (QStringList{u"DM-X.ut2"_s, u"Readme.txt"_s, u"X.utx"_s}));
    EXPECT_TRUE(QDir(out).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(tree.read(u"out/DM-X.ut2"_s), "map data");

    const QString kept = tree.folder(u"kept"_s);
    zip.ExtrBaseDir = kept;
    zip.ExtrOptions = TZipMaster::ExtrDirNames;
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(filesBelow(kept),
              (QStringList{u"Readme.txt"_s, u"Textures/X.utx"_s, u"maps/DM-X.ut2"_s}));
    EXPECT_TRUE(QFileInfo(kept + u"/Help"_s).isDir()); // folder entry
    EXPECT_EQ(tree.read(u"kept/Textures/X.utx"_s), "textures");
}

TEST_F(ZipExtract, StarDotStarEqualsAnEmptyListAndListsAreEmptiedAfterwards) {
    zip.setZipFileName(mapZip(tree));
    zip.FSpecArgs = QStringList{u"*.*"_s, u"nothing"_s};
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(zip.SuccessCount(), 3);
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    EXPECT_EQ(filesBelow(out), (QStringList{u"DM-X.ut2"_s, u"Readme.txt"_s, u"X.utx"_s}));

    // Emptied on failure too, so a later install is not restricted.
    zip.FSpecArgs = QStringList{u"Readme.txt"_s};
    zip.ExtrBaseDir = tree.path(u"missing"_s);
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrNoExtractDir);
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
}

class ZipExtractMatching
    : public Fixture,
      public testing::WithParamInterface<std::tuple<QStringList, QStringList>> {};

TEST_P(ZipExtractMatching, SpecsMatchWholeStoredNames) {
    const auto& [fileSpecs, extracted] = GetParam();
    zip.setZipFileName(mapZip(tree));
    zip.FSpecArgs = fileSpecs;
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(zip.SuccessCount(), extracted.size());
    EXPECT_EQ(filesBelow(out), extracted);
    EXPECT_TRUE(dialogs.shown.isEmpty()); // nothing found is no error
}

INSTANTIATE_TEST_SUITE_P(
    Names, ZipExtractMatching,
    testing::Values(std::tuple(QStringList{u"DM-X.ut2"_s}, QStringList{}),
                    std::tuple(QStringList{u"maps/DM-X.ut2"_s}, QStringList{u"DM-X.ut2"_s}),
                    std::tuple(QStringList{u"MAPS\\dm-x.UT2"_s}, QStringList{u"DM-X.ut2"_s}),
                    std::tuple(QStringList{u"textures/x.utx"_s}, QStringList{u"X.utx"_s}),
                    std::tuple(QStringList{u"*.ut2"_s, u"readme.TXT"_s},
                               QStringList{u"DM-X.ut2"_s, u"Readme.txt"_s}),
                    std::tuple(QStringList{u"maps/*"_s}, QStringList{u"DM-X.ut2"_s}),
                    std::tuple(QStringList{u"Readme.tx"_s}, QStringList{})));

TEST_F(ZipExtract, MissingFolderIsAnErrorUnlessForced) {
    zip.setZipFileName(mapZip(tree));
    const QString target = tree.path(u"new/base"_s);
    zip.ExtrBaseDir = target;
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrNoExtractDir);
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(target));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Error);
    EXPECT_TRUE(dialogs.shown[0].text.contains(target));

    zip.Unattended = true;
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrNoExtractDir);
    EXPECT_EQ(dialogs.shown.size(), 1);

    zip.ExtrOptions = TZipMaster::ExtrDirNames | TZipMaster::ExtrForceDirs;
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(filesBelow(target),
              (QStringList{u"Readme.txt"_s, u"Textures/X.utx"_s, u"maps/DM-X.ut2"_s}));

    zip.setZipFileName(QString());
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrNoArchiveName);
}

TEST_F(ZipExtract, ReplacesFilesAndLaterSameNameWins) {
    ASSERT_TRUE(ZipBuilder()
                    .file(u"a/x.txt"_s, "first")
                    .file(u"b/x.txt"_s, "second")
                    .file(u"y.txt"_s, "new")
                    .write(tree.path(u"dup.zip"_s)));
    tree.file(u"out/y.txt"_s, "old content that is longer");
    zip.setZipFileName(tree.path(u"dup.zip"_s));
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(zip.SuccessCount(), 3);
    EXPECT_EQ(tree.read(u"out/x.txt"_s), "second");
    EXPECT_EQ(tree.read(u"out/y.txt"_s), "new");
}

TEST_F(ZipExtract, DamagedEntryIsReportedAndLeavesNoPartialFile) {
    const QString path = tree.path(u"bad.zip"_s);
    ASSERT_TRUE(ZipBuilder()
                    .file(u"bad.txt"_s, QByteArray(5000, 'Q'), true)
                    .file(u"good.txt"_s, "fine")
                    .write(path));
    QByteArray bytes = tree.read(u"bad.zip"_s);
    const qsizetype at = bytes.indexOf(QByteArray(5000, 'Q'));
    ASSERT_GE(at, 0);
    bytes[at + 2500] = 'R'; // the CRC no longer fits
    tree.file(u"bad.zip"_s, bytes);
    zip.setZipFileName(path);
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrReadEntry);
    EXPECT_EQ(zip.SuccessCount(), 1);
    EXPECT_EQ(filesBelow(out), QStringList{u"good.txt"_s});
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(u"bad.txt"_s));
}

TEST_F(ZipExtract, ReportsEachItemAsItIsWritten) {
    zip.setZipFileName(mapZip(tree));
    QStringList calls;
    zip.OnItemProgress = [&](const QString& item, qint64 size, int perCent) {
        const QString name = item.mid(item.lastIndexOf(u'/') + 1).section(u'\\', -1);
        calls.append(u"%1 %2 %3 %4"_s.arg(item).arg(size).arg(perCent).arg(
            QFileInfo::exists(out + u'/' + name)));
    };
    zip.FSpecArgs = QStringList{u"maps/*"_s, u"Readme.txt"_s};
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(calls, (QStringList{u"maps/DM-X.ut2 8 0 0"_s, u"maps/DM-X.ut2 8 100 1"_s,
                                  u"Readme.txt 7 0 0"_s, u"Readme.txt 7 100 1"_s}));
}

TEST_F(ZipExtract, HostileNamesStayInsideTheTarget) {
    ASSERT_TRUE(ZipBuilder()
                    .file(u"../x1"_s, "1")
                    .file(u"/abs2"_s, "2")
                    .file(u"C:\\x3"_s, "3")
                    .file(u"a/../../x4"_s, "4")
                    .file(u"..\\..\\x5"_s, "5")
                    .symlink(u"link"_s, u"../../outside"_s)
                    .file(u"link/x6"_s, "6")
                    .symlink(u"abslink"_s, u"/etc/passwd"_s)
                    .file(u"../"_s, "7")
                    .write(tree.path(u"evil.zip"_s)));
    zip.setZipFileName(tree.path(u"evil.zip"_s));
    const QString base = tree.folder(u"deep/base"_s);
    zip.ExtrBaseDir = base;
    for (auto options : {TZipMaster::ExtrOpts{}, TZipMaster::ExtrOpts{TZipMaster::ExtrDirNames}}) {
        zip.ExtrOptions = options;
        EXPECT_EQ(zip.Extract(), 0);
        EXPECT_EQ(zip.SuccessCount(), 6);
        for (const QString& file : tree.allFiles())
            EXPECT_TRUE(file.startsWith(u"deep/base/"_s) || file == u"evil.zip"_s)
                << file.toStdString();
        QDirIterator it(base, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            EXPECT_FALSE(QFileInfo(it.next()).isSymLink()) << it.filePath().toStdString();
    }
    EXPECT_EQ(filesBelow(base), (QStringList{u"a/x4"_s, u"abs2"_s, u"link/x6"_s, u"x1"_s, u"x3"_s,
                                             u"x4"_s, u"x5"_s, u"x6"_s}));
}

TEST_F(ZipExtract, NeverWritesThroughExistingLinks) {
    ASSERT_TRUE(ZipBuilder()
                    .file(u"evil.txt"_s, "payload")
                    .file(u"sub/f.txt"_s, "payload")
                    .write(tree.path(u"links.zip"_s)));
    const QString outside = tree.file(u"outside.txt"_s, "keep");
    const QString elsewhere = tree.folder(u"elsewhere"_s);
    ASSERT_TRUE(QFile::link(outside, out + u"/evil.txt"_s));
    ASSERT_TRUE(QFile::link(elsewhere, out + u"/sub"_s));
    zip.setZipFileName(tree.path(u"links.zip"_s));
    zip.ExtrOptions = TZipMaster::ExtrDirNames;
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrMakeDir);
    EXPECT_EQ(tree.read(u"outside.txt"_s), "keep");
    EXPECT_TRUE(filesBelow(elsewhere).isEmpty());
    EXPECT_FALSE(QFileInfo(out + u"/evil.txt"_s).isSymLink());
    EXPECT_EQ(tree.read(u"out/evil.txt"_s), "payload");
}

// Archives made to fill the disk or the folder: nothing past what the
// headers declare, nothing at all when the declared whole does not fit.
// The bound on what one archive may write is lifted here, so each case
// meets the limit it is about; the last test checks that bound itself.
class ZipLimits : public Fixture {
protected:
    ZipLimits() {
        zip.Limits.maxBytes = std::numeric_limits<qint64>::max();
        zip.Limits.maxRatio = std::numeric_limits<qint64>::max();
    }
};

TEST_F(ZipLimits, DataPastTheDeclaredSizeIsNeverWritten) {
    struct Case {
        const char* what;
        bool store;
        quint32 declared;
        int code;
        const char* says;
    };
    // 10 MiB of zeros behind headers that claim otherwise. Deflated: the
    // stream goes on past the claim. Stored, sizes both saying 10: libzip
    // reads only 10 bytes, whose check fails. Short: the data ends first.
    const Case cases[] = {
        {"deflated", false, 10, TZipMaster::ZipErrEntryTooLarge,
         "Its data goes on past the 10 bytes its header declares"},
        {"stored", true, 10, TZipMaster::ZipErrReadEntry, "\rbomb.bin\rfrom "},
        {"short", false, 11 * MiB, TZipMaster::ZipErrReadEntry,
         "Its data ends after 10485760 of the 11534336 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(ZipBuilder()
                        .file(u"bomb.bin"_s, QByteArray(10 * MiB, '\0'), c.store)
                        .file(u"small.txt"_s, "fine")
                        .write(tree.path(u"bomb.zip"_s)));
        QByteArray bytes = tree.read(u"bomb.zip"_s);
        ASSERT_TRUE(
            patchZipSizes(bytes, u"bomb.bin"_s, c.declared, c.store ? qint64(c.declared) : -1));
        tree.file(u"bomb.zip"_s, bytes);
        tree.file(u"out/bomb.bin"_s, "the old file");
        dialogs.shown.clear();
        zip.setZipFileName(tree.path(u"bomb.zip"_s));
        EXPECT_EQ(zip.Extract(), c.code);
        EXPECT_EQ(zip.SuccessCount(), 1);
        // No partial file, no temporary one, and the old file is intact.
        EXPECT_EQ(filesBelow(out), (QStringList{u"bomb.bin"_s, u"small.txt"_s}));
        EXPECT_EQ(tree.read(u"out/bomb.bin"_s), "the old file");
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_TRUE(dialogs.shown[0].text.contains(QString::fromLatin1(c.says)))
            << dialogs.shown[0].text.toStdString();
    }
}

TEST_F(ZipLimits, DeclaredSizesMustFitTheFreeSpaceLessItsReserve) {
    // 5000 bytes take two 4 KiB blocks, 100 bytes one: 12 KiB in all.
    ASSERT_TRUE(ZipBuilder()
                    .file(u"a.txt"_s, QByteArray(5000, 'a'))
                    .file(u"sub/b.txt"_s, QByteArray(100, 'b'))
                    .write(tree.path(u"two.zip"_s)));
    // Claims of 2 GiB and of 4 GiB (all 32 bits set would call for Zip64)
    // with a byte of data each:
    // refused before libzip reads any of it.
    ASSERT_TRUE(ZipBuilder()
                    .file(u"big1.bin"_s, "x")
                    .file(u"big2.bin"_s, "y")
                    .write(tree.path(u"claims.zip"_s)));
    QByteArray claims = tree.read(u"claims.zip"_s);
    ASSERT_TRUE(patchZipSizes(claims, u"big1.bin"_s, quint32(2048 * MiB - 1)));
    ASSERT_TRUE(patchZipSizes(claims, u"big2.bin"_s, 0xFFFFFFFEu));
    tree.file(u"claims.zip"_s, claims);
    const qint64 claimed = 2048 * MiB + 4096 * MiB; // in whole blocks
    struct Case {
        const char* what;
        const char* archive;
        QStringList masks;
        qint64 free;
        bool refused;
        const char* reserve = "64.00 MiB";
    };
    const Case cases[] = {
        {"exactly enough", "two.zip", {}, 64 * MiB + 12288, false},
        {"a byte short", "two.zip", {}, 64 * MiB + 12287, true},
        {"only the selected count", "two.zip", {u"sub/b.txt"_s}, 64 * MiB + 4096, false},
        {"free space unknown", "two.zip", {}, -1, false},
        {"5% reserve above 64 MiB",
         "claims.zip",
         {},
         claimed + claimed / 20 - 1,
         true,
         "307.20 MiB"},
        {"claims that fit", "claims.zip", {u"nothing"_s}, 64 * MiB, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        dialogs.shown.clear();
        QString asked;
        zip.Limits.freeSpace = [&](const QString& folder) {
            asked = folder;
            return c.free;
        };
        zip.setZipFileName(tree.path(QString::fromLatin1(c.archive)));
        zip.FSpecArgs = c.masks;
        zip.ExtrOptions = TZipMaster::ExtrDirNames;
        const int result = zip.Extract();
        EXPECT_EQ(asked, out);
        if (!c.refused) {
            EXPECT_EQ(result, 0);
            continue;
        }
        EXPECT_EQ(result, TZipMaster::ZipErrNoSpace);
        EXPECT_EQ(zip.SuccessCount(), 0);
        EXPECT_TRUE(filesBelow(out).isEmpty()) << "nothing written";
        EXPECT_TRUE(QDir(out).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        ASSERT_EQ(dialogs.shown.size(), 1);
        const QString text = dialogs.shown[0].text;
        EXPECT_TRUE(text.startsWith(u"Not enough free disk space to extract\r"_s +
                                    zip.ZipFileName() + u"\rIt needs "_s))
            << text.toStdString();
        EXPECT_TRUE(text.contains(out));
        EXPECT_TRUE(text.contains(u"(%1 of them kept in reserve)"_s.arg(QLatin1String(c.reserve))))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(u"Nothing was extracted. Free some disk space and try again."_s));
    }
}

TEST_F(ZipLimits, TooManyEntriesAreRefusedBeforeAnyIsWritten) {
    ASSERT_TRUE(ZipBuilder()
                    .file(u"1"_s, "1")
                    .file(u"2"_s, "2")
                    .folder(u"d/"_s)
                    .file(u"d/3"_s, "3")
                    .write(tree.path(u"four.zip"_s)));
    zip.setZipFileName(tree.path(u"four.zip"_s));
    zip.ExtrOptions = TZipMaster::ExtrDirNames;
    zip.Limits.maxEntries = 4;
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(filesBelow(out), (QStringList{u"1"_s, u"2"_s, u"d/3"_s}));

    QDir(out).removeRecursively();
    QDir().mkpath(out);
    zip.Limits.maxEntries = 3;
    zip.FSpecArgs = QStringList{u"1"_s}; // the whole archive counts, not the selection
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrTooManyEntries);
    EXPECT_TRUE(QDir(out).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              u"Nothing was extracted from\r"_s + zip.ZipFileName() +
                  u"\rIt holds 4 entries, more than the 3 one archive may hold: it is damaged "
                  u"or made to do harm. Delete it, or ask its maker for a sound copy."_s);

    // The default: one entry more than a zip without Zip64 can record.
    ZipBuilder many;
    for (qint64 i = 0; i <= archives::ExtractionLimits::DefaultMaxEntries; ++i)
        many.file(QString::number(i), {}, true);
    ASSERT_TRUE(many.write(tree.path(u"many.zip"_s)));
    TZipMaster fresh;
    fresh.setZipFileName(tree.path(u"many.zip"_s));
    EXPECT_EQ(fresh.EntryCount(), 65536);
    fresh.ExtrBaseDir = out;
    EXPECT_EQ(fresh.Extract(), TZipMaster::ZipErrTooManyEntries);
    EXPECT_TRUE(QDir(out).isEmpty());
}

using ZipAdd = Fixture;

TEST_F(ZipAdd, StoresListedSuffixesAndDeflatesTheRestUnderBareNames) {
    const QByteArray text = QByteArray("compressible text ").repeated(200);
    for (const char* name :
         {"shot.png", "inner.zip", "pack.gz", "Big.PNG", "notes.txt", "DM-X.ut2", "noext"})
        tree.file(u"src/"_s + QString::fromLatin1(name), text + name);
    tree.file(u"src/sub/deeper.txt"_s, text);
    const QString archive = tree.path(u"made.zip"_s);
    zip.setZipFileName(archive); // missing: created by Add
    zip.FSpecArgs = QStringList{tree.path(u"src/*.*"_s)};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(zip.SuccessCount(), 7);
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    EXPECT_EQ(zip.EntryCount(), 7); // directory read again
    EXPECT_TRUE(dialogs.shown.isEmpty());

    const QList<testing_support::ZipEntryInfo> entries = readZip(archive);
    ASSERT_EQ(entries.size(), 7);
    for (const auto& e : entries) {
        const bool stored = e.name.endsWith(u".png"_s, Qt::CaseInsensitive) ||
                            e.name.endsWith(u".zip"_s) || e.name.endsWith(u".gz"_s);
        EXPECT_EQ(e.compMethod, stored ? Stored : Deflated) << e.name.toStdString();
        EXPECT_FALSE(e.name.contains(u'/'));
        EXPECT_EQ(e.data, text + e.name.toUtf8());
    }
}

TEST_F(ZipAdd, AddsToAnExistingZipAndReplacesSameNames) {
    const QString archive = tree.path(u"old.zip"_s);
    ASSERT_TRUE(ZipBuilder()
                    .file(u"old.txt"_s, "old")
                    .file(u"keep.txt"_s, "keep")
                    .file(u"maps/new.txt"_s, "in a folder")
                    .write(archive));
    tree.file(u"src/OLD.TXT"_s, "replaced");
    tree.file(u"src/new.txt"_s, "new");
    tree.file(u"src/skip.dat"_s, "not asked for");
    zip.setZipFileName(archive);
    zip.FSpecArgs = QStringList{tree.path(u"src/*.TXT"_s), tree.path(u"src/new.txt"_s)};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(zip.SuccessCount(), 2);
    const auto entries = readZip(archive);
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].name, u"OLD.TXT"_s);
    EXPECT_EQ(entries[0].data, "replaced");
    EXPECT_EQ(entries[1].data, "keep");
    EXPECT_EQ(entries[2].name, u"maps/new.txt"_s);
    EXPECT_EQ(entries[3].name, u"new.txt"_s);
    EXPECT_EQ(entries[3].data, "new");

    // Adding a folder that holds the archive itself leaves the archive out.
    zip.setZipFileName(tree.path(u"src/self.zip"_s));
    zip.FSpecArgs = QStringList{tree.path(u"src/*.*"_s)};
    EXPECT_EQ(zip.Add(), 0);
    zip.FSpecArgs = QStringList{tree.path(u"src/*.*"_s)};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(zip.EntryCount(), 3); // OLD.TXT, new.txt, skip.dat
}

TEST_F(ZipAdd, ReportsEachFileWhileTheArchiveIsWritten) {
    tree.file(u"src/a.txt"_s, "aaaa");
    tree.file(u"src/b.png"_s, "bb");
    const QString archive = tree.path(u"p.zip"_s);
    zip.setZipFileName(archive);
    QStringList calls;
    zip.OnItemProgress = [&](const QString& item, qint64 size, int perCent) {
        // libzip writes into a temporary file beside the archive and renames
        // it at the end: seeing it proves the report comes with the work.
        const bool writing =
            !QDir(tree.root()).entryList({u"p.zip.*"_s}, QDir::Files | QDir::Hidden).isEmpty();
        calls.append(
            u"%1 %2 %3 %4"_s.arg(QFileInfo(item).fileName()).arg(size).arg(perCent).arg(writing));
    };
    zip.FSpecArgs = QStringList{tree.path(u"src/*.*"_s)};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(calls, (QStringList{u"a.txt 4 0 1"_s, u"a.txt 4 100 1"_s, u"b.png 2 0 1"_s,
                                  u"b.png 2 100 1"_s}));
}

TEST_F(ZipAdd, FailuresKeepTheArchiveAsItWas) {
    const QString archive = tree.path(u"f.zip"_s);
    zip.setZipFileName(archive);
    zip.FSpecArgs = QStringList{tree.folder(u"empty"_s) + u"/*.*"_s};
    EXPECT_EQ(zip.Add(), TZipMaster::ZipErrNothingToAdd);
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(archive));

    // A file that vanishes before libzip reads it.
    tree.file(u"src/a.txt"_s, "a");
    tree.file(u"src/b.txt"_s, "b");
    zip.OnItemProgress = [&](const QString&, qint64, int) {
        QFile::remove(tree.path(u"src/b.txt"_s));
    };
    zip.FSpecArgs = QStringList{tree.path(u"src/*.*"_s)};
    EXPECT_EQ(zip.Add(), TZipMaster::ZipErrReadFile);
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(archive));

    // A file of the archive's name that is no zip is never overwritten.
    const QString notZip = tree.file(u"text.zip"_s, "just text");
    zip.OnItemProgress = nullptr;
    zip.Unattended = true;
    zip.setZipFileName(notZip);
    zip.FSpecArgs = QStringList{tree.path(u"src/*.*"_s)};
    EXPECT_EQ(zip.Add(), TZipMaster::ZipErrCreateArchive);
    EXPECT_EQ(tree.read(u"text.zip"_s), "just text");
    EXPECT_EQ(dialogs.shown.size(), 2); // the attended failures only
}

} // namespace

TEST_F(ZipLimits, AnArchiveMayWriteSoManyTimesItsSizeAndSoManyBytesAtMost) {
    // 8 MiB of zeros deflate to about 8 KiB: a ratio near deflate's best.
    ASSERT_TRUE(ZipBuilder()
                    .file(u"zeros.bin"_s, QByteArray(8 * MiB, '\0'))
                    .write(tree.path(u"bomb.zip"_s)));
    const qint64 ratio = 8 * MiB / QFileInfo(tree.path(u"bomb.zip"_s)).size();
    struct Case {
        qint64 maxBytes;
        qint64 maxRatio;
        bool refused;
    };
    const qint64 anyBytes = archives::ExtractionLimits::DefaultMaxBytes;
    const qint64 anyRatio = 1000000;
    const Case cases[] = {
        {anyBytes, ratio - 1, true},
        {anyBytes, ratio + 1, false},
        {4 * MiB, anyRatio, true},
        {8 * MiB, anyRatio, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxBytes);
        SCOPED_TRACE(c.maxRatio);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        dialogs.shown.clear();
        zip.Limits.maxBytes = c.maxBytes;
        zip.Limits.maxRatio = c.maxRatio;
        zip.setZipFileName(tree.path(u"bomb.zip"_s));
        const int result = zip.Extract();
        if (!c.refused) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(filesBelow(out), QStringList{u"zeros.bin"_s});
            continue;
        }
        EXPECT_EQ(result, TZipMaster::ZipErrTooLarge);
        EXPECT_TRUE(filesBelow(out).isEmpty()) << "nothing written";
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_TRUE(dialogs.shown[0].text.startsWith(u"Nothing was extracted from\r"_s +
                                                     zip.ZipFileName() + u"\rIt would write "_s))
            << dialogs.shown[0].text.toStdString();
    }
}

TEST_F(ZipLimits, EntriesThatShareTheirDataAreRefused) {
    // Sixteen entries, then every central entry pointed at the first one's
    // local header and data: a bomb of one block counted sixteen times.
    ZipBuilder builder;
    for (int i = 0; i < 16; ++i)
        builder.file(u"part%1.bin"_s.arg(i, 2, 10, QChar(u'0')), QByteArray(4096, char('a' + i)),
                     true);
    ASSERT_TRUE(builder.write(tree.path(u"sound.zip"_s)));
    QByteArray bytes = tree.read(u"sound.zip"_s);
    const QByteArray central("PK\x01\x02", 4);
    qsizetype at = bytes.indexOf(central);
    ASSERT_GE(at, 0);
    const QByteArray firstLocal = bytes.mid(at + 42, 4);
    for (at = bytes.indexOf(central, at + 4); at >= 0; at = bytes.indexOf(central, at + 4))
        bytes.replace(at + 42, 4, firstLocal);
    tree.file(u"shared.zip"_s, bytes);

    EXPECT_FALSE(archives::zipEntriesOverlap(tree.path(u"sound.zip"_s)));
    EXPECT_TRUE(archives::zipEntriesOverlap(tree.path(u"shared.zip"_s)));
    zip.setZipFileName(tree.path(u"shared.zip"_s));
    EXPECT_EQ(zip.Extract(), TZipMaster::ZipErrOverlap);
    EXPECT_TRUE(filesBelow(out).isEmpty()) << "nothing written";
    ASSERT_FALSE(dialogs.shown.isEmpty());
    EXPECT_TRUE(dialogs.shown.last().text.contains(u"share their data"_s));
    zip.setZipFileName(tree.path(u"sound.zip"_s));
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(filesBelow(out).size(), 16);

    // Not a zip, cut short, empty: nothing to say about overlaps.
    tree.file(u"cut.zip"_s, bytes.left(bytes.size() / 2));
    tree.file(u"empty.zip"_s, QByteArray());
    for (const QString& name : {u"cut.zip"_s, u"empty.zip"_s, u"missing.zip"_s})
        EXPECT_FALSE(archives::zipEntriesOverlap(tree.path(name))) << name.toStdString();
}
