// The three scans against real zip and rar archives in a temporary tree.
#include "intake/scan.h"

#include "core/lifecycle.h"
#include "intake/database_update.h"
#include "platform/errors.h"
#include "support/open_counter.h"
#include "support/rar_fixture.h"
#include "support/rar_tool.h"
#include "support/scan_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::Entries;
using testing_support::OpenCounter;
using testing_support::ScanFixture;

namespace {

// A string[capacity] field as the record file holds it.
void putField(QByteArray& record, int offset, const QByteArray& text) {
    record[offset] = static_cast<char>(text.size());
    record.replace(offset + 1, text.size(), text);
}

QStringList archivesIn(const QStringList& paths) {
    QStringList out;
    for (const QString& p : paths) {
        if (p.endsWith(u".zip"_s, Qt::CaseInsensitive) ||
            p.endsWith(u".rar"_s, Qt::CaseInsensitive))
            out.append(p);
    }
    return out;
}

} // namespace

/// The scan fixture with what the scans run so far refused, as the window
/// gathers it for error.log.
class LoggingScan : public ScanFixture {
protected:
    QStringList logged;
};

using MapScan = LoggingScan;

TEST_F(MapScan, FreshRecordByteForByte) {
    zip(u"maps/DM-Sample.zip"_s, {{u"DM-Sample.ut2"_s, "map"}, {u"readme.txt"_s, "hi"}});
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;

    const QByteArray dir = (s().CustomMapDir + u'/').toUtf8();
    QByteArray expected(TContentRecord::RecordSize, '\0');
    putField(expected, 0, "DM-Sample.zip");
    putField(expected, 51, dir);
    putField(expected, 152, "DM-Sample.ut2");
    putField(expected, 208, "2004-05-17");
    expected[232] = 2;
    putField(expected, 236, "DM-Sample.ut2");
    putField(expected, 287, "readme.txt");
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), expected);
    EXPECT_TRUE(logged.isEmpty());
}

TEST_F(MapScan, NamesRejectionsAndTheErrorLog) {
    zip(u"maps/Pack.zip"_s, {{u"DM-A.ut2"_s, "a"}, {u"Maps/DM-B.ut2"_s, "b"}});
    const QString exe = zip(u"maps/WithExe.zip"_s, {{u"DM-C.ut2"_s, "c"}, {u"setup.exe"_s, "MZ"}});
    const QString noMapZip = zip(u"maps/NoMap.zip"_s, {{u"readme.txt"_s, "r"}});
    zip(u"maps/Upper.ZIP"_s, {{u"DM-FOO.UT2"_s, "f"}});
    const QString broken = tree.file(u"maps/Broken.zip"_s, "not a zip at all");
    const QString noMapRar = rar(u"maps/NoMap.rar"_s, {{u"readme.txt"_s, "r"}});
    rar(u"maps/UpperRar.rar"_s, {{u"Maps\\DM-Bar.UT2"_s, "b"}});
    const QString ut4 = rar(u"maps/Sub/Mod.rar"_s, {{u"DM-D.ut2"_s, "d"}, {u"x.UT4MOD"_s, "m"}});
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;

    const QList<TContentRecord> recs = maps();
    // Every zip of the tree is examined before the first rar.
    EXPECT_EQ(names(recs),
              (QStringList{u"Broken.zip"_s, u"NoMap.zip"_s, u"Pack.zip"_s, u"Upper.ZIP"_s,
                           u"WithExe.zip"_s, u"NoMap.rar"_s, u"UpperRar.rar"_s, u"Mod.rar"_s}));
    const TContentRecord* p = find(recs, u"Pack.zip"_s);
    EXPECT_EQ(p->DisplayName, u"Pack.zip"_s);
    EXPECT_EQ(p->Kind, 0);
    EXPECT_EQ(p->Files, (QStringList{u"DM-A.ut2"_s, u"DM-B.ut2"_s}));
    const TContentRecord* e = find(recs, u"WithExe.zip"_s);
    EXPECT_EQ(e->Kind, 10);
    EXPECT_EQ(e->FileCount, 2);
    EXPECT_EQ(e->Files, (QStringList{u"DM-C.ut2"_s, u"setup.exe"_s}));
    EXPECT_EQ(find(recs, u"Upper.ZIP"_s)->DisplayName, u"DM-FOO.UT2"_s);
    EXPECT_EQ(find(recs, u"Upper.ZIP"_s)->Kind, 0);
    // A rar records and shows the name as stored, folder part included.
    const TContentRecord* ur = find(recs, u"UpperRar.rar"_s);
    EXPECT_EQ(ur->DisplayName, u"Maps/DM-Bar.UT2"_s);
    EXPECT_EQ(ur->Files, QStringList{u"Maps/DM-Bar.UT2"_s});
    EXPECT_EQ(ur->Kind, 0);
    EXPECT_EQ(find(recs, u"Broken.zip"_s)->FileCount, 0);
    EXPECT_EQ(find(recs, u"Mod.rar"_s)->Kind, 10);

    const QStringList lines{
        broken + u" - Not a valid zip-file"_s,
        noMapZip + u" - Unknown file. Not supported by Quorvel"_s,
        exe + u" - .ut4mod- or .exe-file. Not supported by Quorvel"_s,
        noMapRar + u" - Not a valid rar-file"_s,
        ut4 + u" - .ut4mod- or .exe-file. Not supported by Quorvel"_s,
    };
    EXPECT_EQ(logged, lines);
    dialogs.buttonAnswers.push_back(platform::No);
    lifecycle::ReportUnsupportedFiles(s(), logged, dialogs);
    logged.clear();
    EXPECT_EQ(tree.read(u"prog/error.log"_s), (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
}

TEST_F(MapScan, NinetyNineEntriesAreExaminedAHundredAreNot) {
    Entries n99 = numbered(u"t"_s, u"txt"_s, 98);
    n99.prepend({u"DM-99.ut2"_s, "m"});
    Entries n100 = n99;
    n100.append({u"one-more.txt"_s, "x"});
    zip(u"maps/a99.zip"_s, n99);
    const QString z100 = zip(u"maps/b100.zip"_s, n100);
    rar(u"maps/c99.rar"_s, n99);
    const QString r100 = rar(u"maps/d100.rar"_s, n100);
    zip(u"maps/e-after.zip"_s, {{u"DM-E.ut2"_s, "e"}});
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;

    const QList<TContentRecord> recs = maps();
    ASSERT_EQ(recs.size(), 5);
    for (const char* name : {"a99.zip", "c99.rar"}) {
        const TContentRecord* r = find(recs, QString::fromLatin1(name));
        EXPECT_EQ(r->FileCount, 99) << name;
        EXPECT_EQ(r->Kind, 0) << name;
        EXPECT_EQ(r->DisplayName, u"DM-99.ut2"_s) << name;
    }
    for (const char* name : {"b100.zip", "d100.rar"}) {
        const TContentRecord* r = find(recs, QString::fromLatin1(name));
        EXPECT_EQ(r->FileCount, 0) << name;
        EXPECT_EQ(r->Kind, 10) << name;
    }
    EXPECT_EQ(find(recs, u"e-after.zip"_s)->Kind, 0);
    EXPECT_EQ(logged, (QStringList{z100 + u" - To many files in Archive. Possibly not a map"_s,
                                   r100 + u" - To many files in Archive. Possibly not a map"_s}));
}

TEST_F(MapScan, Rar5FromTheRarCommand) {
    tree.file(u"src/Maps/DM-Five.ut2"_s, "5");
    tree.file(u"src/Textures/Five.utx"_s, "t");
    const QString archive = s().CustomMapDir + u"/Five.rar"_s;
    ASSERT_EQ(testing_support::runRarTool(tree.path(u"src"_s),
                                          {u"a"_s, u"-r"_s, archive, u"Maps"_s, u"Textures"_s}),
              0);
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    const QList<TContentRecord> recs = maps();
    ASSERT_EQ(recs.size(), 1);
    EXPECT_EQ(recs[0].DisplayName, u"Maps/DM-Five.ut2"_s);
    EXPECT_TRUE(recs[0].Files.contains(u"Textures/Five.utx"_s));
}

TEST_F(MapScan, RarsThatCrashTheUnrarLibraryAreLoggedOnceAndTheScanGoesOn) {
    // libarchive lists the sound rar itself; the two it refuses go to the
    // unrar helper: the real one, whose library dies on the fuzzed file, and
    // a stand-in that dies on every archive.
    const QString crash = tree.file(u"maps/Crash.rar"_s, testing_support::crashingRar5());
    const QByteArray whole = testing_support::rar4Archive(
        {testing_support::Rar4Entry::file("readme.txt", "r"),
         testing_support::Rar4Entry::file("DM-Cut.ut2", QByteArray(200, 'c'))});
    const QString cut = tree.file(u"maps/Cut.rar"_s, whole.left(whole.size() - 230));
    rar(u"maps/Sound.rar"_s, {{u"DM-Sound.ut2"_s, "s"}});
    zip(u"maps/DM-Zip.zip"_s, {{u"DM-Zip.ut2"_s, "z"}});
    const QString crashingHelper =
        testing_support::fakeUnrarHelper(tree, u"crashing-unrar"_s, "kill -SEGV $$");

    for (const QString& helper : {QString(), crashingHelper}) {
        SCOPED_TRACE(helper.toStdString());
        core.dRar31.UnrarHelper = helper;
        content_db::WriteAll(s().mapDataPath(), {});
        logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;

        const QStringList lines{crash + u" - Not a valid rar-file"_s,
                                cut + u" - Not a valid rar-file"_s};
        EXPECT_EQ(logged, lines);
        const QList<TContentRecord> recs = maps();
        EXPECT_EQ(names(recs),
                  (QStringList{u"DM-Zip.zip"_s, u"Crash.rar"_s, u"Cut.rar"_s, u"Sound.rar"_s}));
        EXPECT_EQ(find(recs, u"Crash.rar"_s)->Kind, 10);
        EXPECT_EQ(find(recs, u"Crash.rar"_s)->FileCount, 0);
        EXPECT_EQ(find(recs, u"Cut.rar"_s)->Kind, 10);
        // The real library lists what it read before the damage.
        const QStringList cutFiles = find(recs, u"Cut.rar"_s)->Files;
        EXPECT_EQ(cutFiles.value(0), helper.isEmpty() ? u"readme.txt"_s : QString());
        EXPECT_EQ(cutFiles.isEmpty(), !helper.isEmpty());
        EXPECT_EQ(find(recs, u"Sound.rar"_s)->Kind, 0);
        EXPECT_EQ(find(recs, u"Sound.rar"_s)->DisplayName, u"DM-Sound.ut2"_s);
        // The second round logs the same lines: error.log is written, but
        // nothing new is there to ask about.
        if (helper.isEmpty())
            dialogs.buttonAnswers.push_back(platform::No);
        lifecycle::ReportUnsupportedFiles(s(), logged, dialogs);
        logged.clear();
        EXPECT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(tree.read(u"prog/error.log"_s), (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());

        // The next run knows them all: nothing is opened, logged or written.
        const QByteArray records = tree.read(u"prog/mapdata.dat"_s);
        OpenCounter counter(tree.root());
        ASSERT_TRUE(counter.ok());
        logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
        counter.collect();
        EXPECT_TRUE(logged.isEmpty());
        EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), records);
        EXPECT_FALSE(counter.written.contains(s().mapDataPath()));
        EXPECT_EQ(archivesIn(counter.opened), QStringList());
    }
}

TEST_F(MapScan, KnownNamesMovedArchivesAndTwins) {
    const QString first = zip(u"maps/one/DM-Twin.zip"_s, {{u"DM-Twin.ut2"_s, "1"}});
    zip(u"maps/two/DM-Twin.zip"_s, {{u"DM-Twin.ut2"_s, "2"}});
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    // Both are new in one run: records of this run are not consulted.
    ASSERT_EQ(maps().size(), 2);
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    EXPECT_EQ(maps().size(), 2);

    // Moved: known by name, so not added; its old record goes with the file.
    QDir().mkpath(tree.path(u"maps/three"_s));
    ASSERT_TRUE(QFile::rename(first, tree.path(u"maps/three/DM-Twin.zip"_s)));
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    QList<TContentRecord> recs = maps();
    ASSERT_EQ(recs.size(), 1);
    EXPECT_EQ(recs[0].ArchiveDir, tree.path(u"maps/two/"_s));
    // Still known while the other twin is recorded.
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    EXPECT_EQ(maps().size(), 1);
}

TEST_F(MapScan, WriteBackWithoutSubfoldersAndInstalledRecords) {
    zip(u"maps/DM-Top.zip"_s, {{u"DM-Top.ut2"_s, "t"}});
    zip(u"maps/sub/DM-Deep.zip"_s, {{u"DM-Deep.ut2"_s, "d"}});
    zip(u"maps/sub/DM-Kept.zip"_s, {{u"DM-Kept.ut2"_s, "k"}});
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    QList<TContentRecord> recs = maps();
    ASSERT_EQ(recs.size(), 3);
    for (TContentRecord& r : recs) {
        if (r.ArchiveName == u"DM-Kept.zip"_s)
            r.Installed = 1;
    }
    TContentRecord deleted;
    deleted.ArchiveName = u"DM-Gone.zip"_s;
    deleted.ArchiveDir = u"Deleted from disk"_s;
    deleted.Installed = 1;
    deleted.Kind = 1;
    TContentRecord cache = deleted;
    cache.ArchiveName = u"DM-Cached.ut2"_s;
    cache.ArchiveDir = u"Cache"_s;
    cache.Installed = 0;
    recs << deleted << cache;
    content_db::WriteAll(s().mapDataPath(), recs);

    s().ScanSubDirs = false;
    // A trailing "/" in the setting names the same folder.
    s().CustomMapDir += u'/';
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    EXPECT_EQ(names(maps()), (QStringList{u"DM-Top.zip"_s, u"DM-Kept.zip"_s, u"DM-Gone.zip"_s}));
}

TEST_F(MapScan, AFolderNamedLikeAZipIsLoggedOnEveryRun) {
    tree.folder(u"maps/Folder.zip"_s);
    const QString path = s().CustomMapDir + u"/Folder.zip"_s;
    for (int run = 0; run < 2; ++run) {
        logged.clear();
        logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
        EXPECT_EQ(logged, QStringList{path + u" - Not a valid zip-file"_s});
        EXPECT_TRUE(maps().isEmpty());
    }
}

TEST_F(MapScan, PlacesTooLongForARecordAreLoggedNotRecorded) {
    // 51 bytes in 26 characters: the limit counts stored bytes.
    const QString longName = QString(22, QChar(u'\u00E9')) + u"DM-x.zip"_s;
    const QString name50 = QString(46, u'n') + u".zip"_s;
    const QString deepDir = u"maps/"_s + QString(100, u'd');
    const QString a = zip(u"maps/"_s + longName, {{u"DM-x.ut2"_s, "x"}});
    const QString b = zip(deepDir + u"/DM-Deep.zip"_s, {{u"DM-Deep.ut2"_s, "d"}});
    zip(u"maps/"_s + name50, {{u"DM-n.ut2"_s, "n"}});
    for (int run = 0; run < 2; ++run) {
        logged.clear();
        logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
        EXPECT_EQ(logged,
                  (QStringList{a + u" - File name too long (more than 50 characters). Rename "
                                   u"the archive."_s,
                               b + u" - Folder path too long (more than 100 characters). Move "
                                   u"the archive to a shorter folder."_s}))
            << run;
        EXPECT_EQ(names(maps()), QStringList{name50}) << run;
    }
}

TEST_F(MapScan, ALongNamedArchiveIsOfferedOnceNotOnEveryStart) {
    const QString name60 = u"DM-"_s + QString(53, u'x') + u".zip"_s;
    const QString path = zip(u"maps/"_s + name60, {{u"DM-x.ut2"_s, "x"}});
    const QString line =
        path + u" - File name too long (more than 50 characters). Rename the archive."_s;
    dialogs.buttonAnswers.push_back(platform::No);
    for (int run = 0; run < 2; ++run) {
        logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
        EXPECT_EQ(logged, QStringList{line}) << run;
        lifecycle::ReportUnsupportedFiles(s(), logged, dialogs);
        logged.clear();
        EXPECT_EQ(tree.read(u"prog/error.log"_s), (line + u"\r\n"_s).toUtf8()) << run;
        EXPECT_EQ(dialogs.shown.size(), 1) << "asked on the first run only";
    }
}

TEST_F(MapScan, DatabaseErrorsStopTheScanAndLeaveTheFile) {
    zip(u"maps/DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}});
    // Unreadable: a folder where the file should be.
    QFile::remove(s().mapDataPath());
    QDir().mkpath(s().mapDataPath());
    EXPECT_THROW(intake::ScanMapArchives(ctx(), fScan), platform::Error);
    EXPECT_TRUE(QFileInfo(s().mapDataPath()).isDir());

    // Unwritable: the program folder is gone.
    s().ProgramDir = tree.path(u"missing"_s);
    EXPECT_THROW(intake::ScanMapArchives(ctx(), fScan), platform::Error);
    EXPECT_FALSE(tree.exists(u"missing"_s));

    // somdata.dat must be there: only the map scan starts from nothing.
    s().ProgramDir = tree.path(u"prog"_s);
    QFile::remove(s().modDataPath());
    EXPECT_THROW(intake::ScanMutatorArchives(ctx(), fScan), platform::Error);
    EXPECT_FALSE(QFileInfo::exists(s().modDataPath()));
}

TEST_F(MapScan, TheDatabaseIsRewrittenOnlyWhenItsRecordsChange) {
    zip(u"maps/DM-Stay.zip"_s, {{u"DM-Stay.ut2"_s, "s"}});
    const QString gone = zip(u"maps/DM-Gone.zip"_s, {{u"DM-Gone.ut2"_s, "g"}});
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    ASSERT_EQ(maps().size(), 2);
    // Bytes the reader ignores: after a text, and a trailing partial record.
    QByteArray bytes = tree.read(u"prog/mapdata.dat"_s);
    bytes[40] = 'z';
    bytes += "partial";
    {
        QFile f(s().mapDataPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), bytes);

    // A record dropped: rewritten whole, in the writer's form.
    QFile::remove(gone);
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    const QList<TContentRecord> recs = maps();
    ASSERT_EQ(names(recs), QStringList{u"DM-Stay.zip"_s});
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), recs[0].toBytes());
}

TEST_F(MapScan, HundredsOfArchivesRecordedOnceAndNeverOpenedAgain) {
    int made = 0;
    for (int folder = 0; folder < 6; ++folder) {
        const QString dir = u"maps/f%1/"_s.arg(folder);
        // More zips than one batch of those read ahead on worker threads.
        for (int i = 0; i < 50; ++i, ++made)
            zip(dir + u"DM-Z%1-%2.zip"_s.arg(folder).arg(i),
                {{u"DM-Z%1-%2.ut2"_s.arg(folder).arg(i), "m"}, {u"readme.txt"_s, "r"}});
        for (int i = 0; i < 10; ++i, ++made)
            rar(dir + u"DM-R%1-%2.rar"_s.arg(folder).arg(i),
                {{u"Maps/DM-R%1-%2.ut2"_s.arg(folder).arg(i), "m"}});
    }
    OpenCounter counter(tree.root());
    ASSERT_TRUE(counter.ok());

    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    counter.collect();
    EXPECT_EQ(maps().size(), made);
    EXPECT_GE(archivesIn(counter.opened).size(), made);
    // Each record holds what its own archive holds, whatever thread read it.
    for (const TContentRecord& r : maps()) {
        const QString stem = r.ArchiveName.chopped(4);
        EXPECT_EQ(r.DisplayName.section(u'/', -1), stem + u".ut2"_s) << r.ArchiveName.toStdString();
        EXPECT_EQ(r.Files.value(0).section(u'/', -1), stem + u".ut2"_s);
    }
    const QByteArray afterFirst = tree.read(u"prog/mapdata.dat"_s);

    counter.reset();
    logged += intake::ScanMapArchives(ctx(), fScan).ErrorLogLines;
    counter.collect();
    EXPECT_EQ(archivesIn(counter.opened), QStringList());
    EXPECT_FALSE(counter.written.contains(s().mapDataPath()));
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), afterFirst);
    EXPECT_TRUE(logged.isEmpty());
}

using ModScan = LoggingScan;

TEST_F(ModScan, MutatorNamesFromTheirIntFiles) {
    zip(u"mods/MutItem.zip"_s,
        {{u"MutItem.u"_s, "u"},
         {u"System/MutItem.int"_s,
          "[Public]\r\nObject=(Name=MutItem.MutX,ItemName=\"Item Name\",Description=\"d\")\r\n"}});
    rar(u"mods/MutFriendly.rar"_s,
        {{u"System/MutF.u"_s, "u"},
         {u"System/MutF.int"_s, "FriendlyName=\"Friendly One\"\nName=Other.Thing\n"}});
    rar(u"mods/MutDeep.rar"_s,
        {{u"a/b/c/MutD.u"_s, "u"}, {u"a/b/c/MutD.int"_s, "Object=(Class=Class,Name=MutDeep.D)"}});
    zip(u"mods/MutBare.zip"_s, {{u"MutBare.u"_s, "u"}, {u"MutBare.int"_s, "[Public]\n"}});
    zip(u"mods/NoU.zip"_s, {{u"NoU.int"_s, "ItemName=\"No Code\""}});
    logged += intake::ScanMutatorArchives(ctx(), fScan).ErrorLogLines;

    const QList<TContentRecord> recs = mods();
    ASSERT_EQ(recs.size(), 5);
    EXPECT_EQ(find(recs, u"MutItem.zip"_s)->DisplayName, u"Item Name"_s);
    EXPECT_EQ(find(recs, u"MutFriendly.rar"_s)->DisplayName, u"Friendly One"_s);
    EXPECT_EQ(find(recs, u"MutDeep.rar"_s)->DisplayName, u"MutDeep"_s);
    EXPECT_EQ(find(recs, u"MutBare.zip"_s)->DisplayName, u"MutBare.zip"_s);
    EXPECT_EQ(find(recs, u"MutItem.zip"_s)->Files, (QStringList{u"MutItem.u"_s, u"MutItem.int"_s}));
    for (const TContentRecord& r : recs)
        EXPECT_EQ(r.Kind, r.ArchiveName == u"NoU.zip"_s ? 10 : 0) << r.ArchiveName.toStdString();
    EXPECT_EQ(find(recs, u"NoU.zip"_s)->DisplayName, u"No Code"_s);
    // Every extracted .int and the folders of the rar entries are gone.
    EXPECT_TRUE(QDir(s().TempDir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    EXPECT_TRUE(core.dRar31.FileListToProcess.isEmpty());
    EXPECT_EQ(logged, QStringList{s().MutatorDir + u"/NoU.zip"_s +
                                  u" - Unknown file. Not supported by Quorvel"_s});
}

TEST_F(ModScan, MutatorsAndSkinsShareTheirDatabase) {
    zip(u"skins/SkinPack.zip"_s, {{u"Players/Hero.UPL"_s, "p"}, {u"Hero.utx"_s, "t"}});
    zip(u"skins/NoUpl.zip"_s, {{u"Hero.utx"_s, "t"}});
    const QString many = zip(u"skins/Many.zip"_s, numbered(u"s"_s, u"upl"_s, 100));
    const QString noUpl = s().CustomSkinDir + u"/NoUpl.zip"_s;
    zip(u"mods/MutA.zip"_s, {{u"MutA.u"_s, "u"}});
    // The same file name as a recorded skin archive: known, not added.
    zip(u"mods/SkinPack.zip"_s, {{u"Other.u"_s, "u"}});
    logged += intake::ScanSkinArchives(ctx(), fScan).ErrorLogLines;
    logged += intake::ScanMutatorArchives(ctx(), fScan).ErrorLogLines;

    QList<TContentRecord> recs = mods();
    EXPECT_EQ(names(recs),
              (QStringList{u"Many.zip"_s, u"NoUpl.zip"_s, u"SkinPack.zip"_s, u"MutA.zip"_s}));
    const TContentRecord* skin = find(recs, u"SkinPack.zip"_s);
    EXPECT_EQ(skin->Kind, 2);
    EXPECT_EQ(skin->DisplayName, u"Hero"_s);
    EXPECT_EQ(skin->ArchiveDir, s().CustomSkinDir + u'/');
    EXPECT_EQ(find(recs, u"NoUpl.zip"_s)->Kind, 10);
    EXPECT_EQ(find(recs, u"NoUpl.zip"_s)->DisplayName, u"NoUpl.zip"_s);
    EXPECT_EQ(logged, (QStringList{many + u" - To many files in Archive. Install manually."_s,
                                   noUpl + u" - Unknown file. Not supported by Quorvel"_s}));

    // Each scan keeps the other's records and drops its own gone archives.
    QFile::remove(s().MutatorDir + u"/MutA.zip"_s);
    QFile::remove(s().CustomSkinDir + u"/NoUpl.zip"_s);
    s().ScanSubDirs = false;
    logged += intake::ScanSkinArchives(ctx(), fScan).ErrorLogLines;
    EXPECT_EQ(names(mods()), (QStringList{u"Many.zip"_s, u"SkinPack.zip"_s, u"MutA.zip"_s}));
    logged += intake::ScanMutatorArchives(ctx(), fScan).ErrorLogLines;
    EXPECT_EQ(names(mods()), (QStringList{u"Many.zip"_s, u"SkinPack.zip"_s}));
}

TEST_F(ModScan, InstalledRecordsOutliveTheirArchives) {
    zip(u"mods/MutGone.zip"_s, {{u"MutGone.u"_s, "u"}});
    logged += intake::ScanMutatorArchives(ctx(), fScan).ErrorLogLines;
    QList<TContentRecord> recs = mods();
    ASSERT_EQ(recs.size(), 1);
    recs[0].Installed = 1;
    recs[0].ArchiveDir = u"Deleted from disk"_s;
    content_db::WriteAll(s().modDataPath(), recs);
    QFile::remove(s().MutatorDir + u"/MutGone.zip"_s);

    logged += intake::ScanMutatorArchives(ctx(), fScan).ErrorLogLines;
    logged += intake::ScanSkinArchives(ctx(), fScan).ErrorLogLines;
    ASSERT_EQ(mods().size(), 1);
    // Uninstalled, it goes with the next scan.
    recs[0].Installed = 0;
    content_db::WriteAll(s().modDataPath(), recs);
    logged += intake::ScanMutatorArchives(ctx(), fScan).ErrorLogLines;
    EXPECT_TRUE(mods().isEmpty());
}

TEST_F(ModScan, TheConfiguredFoldersGiveEachRunItsOwnLogLines) {
    const QString map = tree.file(u"maps/BrokenMap.zip"_s, "not a zip");
    const QString mod = tree.file(u"mods/BrokenMod.zip"_s, "not a zip");
    const QString skin = tree.file(u"skins/BrokenSkin.zip"_s, "not a zip");
    struct Run {
        bool maps, mutators, skins;
        QStringList recorded, lines;
    };
    const Run runs[] = {
        // Only the configured folders are scanned, maps then mutators then skins.
        {true,
         false,
         true,
         {u"BrokenMap.zip"_s, u"BrokenSkin.zip"_s},
         {map + u" - Not a valid zip-file"_s, skin + u" - Not a valid zip-file"_s}},
        // The next run names only what it examined itself: the known archives
        // are neither opened nor named again.
        {true, true, true, {u"BrokenMod.zip"_s}, {mod + u" - Not a valid zip-file"_s}},
        {false, false, false, {}, {}},
    };
    QStringList told;
    for (const Run& run : runs) {
        s().MapDirSet = run.maps;
        s().MutatorDirSet = run.mutators;
        s().SkinDirSet = run.skins;
        const intake::ScanResult result =
            ScanConfiguredFolders(ctx(), fScan, [&told](catalogue::ContentKind kind) {
                told.append(catalogue::describe(kind).many.toString());
            });
        EXPECT_EQ(result.recorded, run.recorded);
        EXPECT_EQ(result.ErrorLogLines, run.lines);
    }
    EXPECT_EQ(told, (QStringList{u"maps"_s, u"skins"_s, u"maps"_s, u"mutators"_s, u"skins"_s}));
}
