// The Cache page's commands on a command context alone: the four actions
// with the packages a map imports, what goes back into the cache when an
// item is not done, the error that ends a run, and clearing the cache.
#include "cache/cache_index.h"
#include "cache/cache_install.h"
#include "cache/package.h"
#include "support/cache_fixture.h"
#include "support/zip_builder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace cache;
using testing_support::CacheEntry;
using testing_support::cacheKey;
using testing_support::importingPackage;

namespace {

class CacheInstallTest : public testing_support::CacheFixture {
protected:
    const QString mapKey = cacheKey(0xA1);
    const QString texKey = cacheKey(0xB2, 1);
    const QString otherKey = cacheKey(0xC3);
    const QByteArray texBytes = importingPackage({});
    const QByteArray otherBytes = importingPackage({u"FooTex"_s});

    /// DM-Foo.ut2 importing `imports`, FooTex.utx, and XDM-Foo.ut2 whose
    /// line holds "DM-Foo.ut2" inside its name.
    QByteArray fooCache(const QStringList& imports = {u"FooTex"_s}) {
        const QByteArray map = importingPackage(imports);
        cache({{mapKey, u"DM-Foo.ut2"_s, map},
               {texKey, u"FooTex.utx"_s, texBytes},
               {otherKey, u"XDM-Foo.ut2"_s, otherBytes}});
        return map;
    }
    QStringList untouchedLines() const {
        return {u"[Cache]"_s, mapKey + u"=DM-Foo.ut2"_s, texKey + u"=FooTex.utx"_s,
                otherKey + u"=XDM-Foo.ut2"_s};
    }

    /// The page's run: plan (answering the folder dialog with `zipFolder`
    /// for the zip actions), work, finish. The list is refreshed as the
    /// page does.
    CacheRunResult run(CacheAction action, const QStringList& selected,
                       const QString& zipFolder = {}) {
        if (action == CacheAction::InstallAndZip || action == CacheAction::ZipOnly)
            dialogs.folderAnswers.push_back(zipFolder);
        plan = PlanCacheRun(ctx(), action, selected);
        if (!plan)
            return {};
        queued = plan->queue;
        const CacheRunResult result = RunCacheInstall(ctx(), reader, *plan, [this] {
            ++relists;
            ListCache(ctx(), false);
        });
        FinishCacheRun(ctx(), *plan, result);
        return result;
    }

    TUTPackage reader;
    std::optional<CachePlan> plan;
    QStringList queued;
    int relists = 0;
};

} // namespace

TEST_F(CacheInstallTest, AMapTakesTheCachedPackageItImportsAlong) {
    const QByteArray map = fooCache();
    const CacheRunResult result = run(CacheAction::InstallOnly, {u"DM-Foo.ut2"_s});
    EXPECT_FALSE(result.failed) << result.error.toStdString();
    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), map);
    EXPECT_EQ(tree.read(u"game/Textures/FooTex.utx"_s), texBytes);
    ASSERT_EQ(maps().size(), 1);
    const TContentRecord r = maps().at(0);
    EXPECT_EQ(r.ArchiveName, u"DM-Foo.ut2"_s);
    EXPECT_EQ(r.DisplayName, u"DM-Foo.ut2"_s);
    EXPECT_EQ(r.ArchiveDir, u"Cache"_s);
    EXPECT_EQ(r.Kind, 1);
    EXPECT_EQ(r.Installed, 1);
    EXPECT_EQ(r.InstallDate, u"2024-06-01"_s);
    EXPECT_TRUE(r.AddedDate.isEmpty());
    EXPECT_EQ(r.FileCount, 2);
    EXPECT_EQ(r.Files, (QStringList{u"DM-Foo.ut2"_s, u"FooTex.utx"_s}));
    EXPECT_TRUE(mods().isEmpty());
    // The line that holds "DM-Foo.ut2" inside another name stays.
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, otherKey + u"=XDM-Foo.ut2"_s}));
    EXPECT_EQ(entriesIn(u"game/Cache"_s), (QStringList{otherKey + u".uxx"_s, u"cache.ini"_s}));
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
    EXPECT_EQ(relists, 1);
    EXPECT_EQ(status.status(), u"  1 file(s) installed."_s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(CacheInstallTest, MapsGoFirstSoAPackageTakenAlongIsSkippedLater) {
    fooCache();
    tree.file(u"game/Cache/"_s + cacheKey(0xD4) + u".uxx"_s, texBytes);
    QFile ini(core.state.CacheDir + u"cache.ini"_s);
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write((cacheKey(0xD4) + u"=Zed.ut2\r\n"_s).toUtf8());
    ini.close();
    const CacheRunResult result =
        run(CacheAction::InstallOnly, {u"FooTex.utx"_s, u"Zed.ut2"_s, u"DM-Foo.ut2"_s});
    EXPECT_EQ(queued, (QStringList{u"Zed.ut2"_s, u"DM-Foo.ut2"_s, u"FooTex.utx"_s}));
    EXPECT_EQ(result.count, 2);
    ASSERT_EQ(maps().size(), 2);
    EXPECT_EQ(maps().at(1).Files, (QStringList{u"DM-Foo.ut2"_s, u"FooTex.utx"_s}));
    EXPECT_TRUE(mods().isEmpty()) << "FooTex.utx was skipped, not recorded alone";
    EXPECT_EQ(relists, 2);
    EXPECT_EQ(status.status(), u"  2 file(s) installed."_s);
}

TEST_F(CacheInstallTest, ImportNamesAreComparedWithTheirCase) {
    fooCache({u"footex"_s, u"FooTex.utx"_s});
    run(CacheAction::InstallOnly, {u"DM-Foo.ut2"_s});
    ASSERT_EQ(maps().size(), 1);
    EXPECT_EQ(maps().at(0).Files, QStringList{u"DM-Foo.ut2"_s});
    EXPECT_EQ(iniLines(),
              (QStringList{u"[Cache]"_s, texKey + u"=FooTex.utx"_s, otherKey + u"=XDM-Foo.ut2"_s}));
    EXPECT_FALSE(tree.exists(u"game/Textures/FooTex.utx"_s));
}

TEST_F(CacheInstallTest, SaveAsZipOnlyMovesBothPackagesIntoTheZip) {
    const QByteArray map = fooCache();
    const QString z = tree.folder(u"zips/Z"_s);
    run(CacheAction::ZipOnly, {u"DM-Foo.ut2"_s}, z);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, testing_support::ShownDialog::Folder);
    EXPECT_EQ(core.state.LastZipDir, z);
    QMap<QString, QByteArray> zipped;
    for (const testing_support::ZipEntryInfo& e : testing_support::readZip(z + u"/DM-Foo.zip"_s))
        zipped.insert(e.name, e.data);
    EXPECT_EQ(zipped,
              (QMap<QString, QByteArray>{{u"DM-Foo.ut2"_s, map}, {u"FooTex.utx"_s, texBytes}}));
    EXPECT_TRUE(maps().isEmpty());
    EXPECT_TRUE(mods().isEmpty());
    EXPECT_FALSE(tree.exists(u"game/Maps/DM-Foo.ut2"_s));
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, otherKey + u"=XDM-Foo.ut2"_s}));
    EXPECT_EQ(entriesIn(u"game/Cache"_s), (QStringList{otherKey + u".uxx"_s, u"cache.ini"_s}));
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
    EXPECT_EQ(status.status(), u"  1 file(s) saved as zip to "_s + z);
}

TEST_F(CacheInstallTest, InstallAndSaveAsZipRecordsTheZip) {
    fooCache();
    const QString z = tree.folder(u"zips/Z"_s);
    run(CacheAction::InstallAndZip, {u"DM-Foo.ut2"_s}, z);
    EXPECT_EQ(testing_support::readZip(z + u"/DM-Foo.zip"_s).size(), 2);
    EXPECT_TRUE(tree.exists(u"game/Maps/DM-Foo.ut2"_s));
    EXPECT_TRUE(tree.exists(u"game/Textures/FooTex.utx"_s));
    ASSERT_EQ(maps().size(), 1);
    const TContentRecord r = maps().at(0);
    EXPECT_EQ(r.ArchiveName, u"DM-Foo.zip"_s);
    EXPECT_EQ(r.DisplayName, u"DM-Foo.ut2"_s);
    EXPECT_EQ(r.ArchiveDir, z + u'/');
    EXPECT_EQ(r.Kind, 0);
    EXPECT_EQ(r.FileCount, 2);
    EXPECT_EQ(status.status(), u"  1 file(s) installed and saved as zip to "_s + z);
}

TEST_F(CacheInstallTest, DeleteFileDeletesOnlyTheSelectedPackage) {
    cache({{mapKey, u"DM-Foo.ut2"_s}, // not a package: never read
           {texKey, u"FooTex.utx"_s, texBytes},
           {otherKey, u"Mut.u"_s, texBytes}});
    run(CacheAction::DeleteFile, {u"DM-Foo.ut2"_s, u"Mut.u"_s});
    EXPECT_EQ(entriesIn(u"game/Cache"_s), (QStringList{texKey + u".uxx"_s, u"cache.ini"_s}));
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, texKey + u"=FooTex.utx"_s}));
    EXPECT_TRUE(maps().isEmpty());
    EXPECT_TRUE(mods().isEmpty());
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
    EXPECT_EQ(status.status(), u"  2 file(s) was deleted."_s);
}

TEST_F(CacheInstallTest, NothingStartsWhenTheFolderDialogIsCancelledOrTempHoldsAFile) {
    fooCache();
    const QByteArray before = tree.read(u"game/Cache/cache.ini"_s);
    core.state.LastZipDir = u"/last"_s;
    run(CacheAction::ZipOnly, {u"DM-Foo.ut2"_s}, QString());
    EXPECT_FALSE(plan.has_value());
    EXPECT_EQ(status.status(), u"Operation cancelled"_s);
    EXPECT_EQ(core.state.LastZipDir, u"/last"_s);

    // Folders in Temp do not count; a file does.
    tree.folder(u"prog/Temp/sub"_s);
    EXPECT_TRUE(PlanCacheRun(ctx(), CacheAction::DeleteFile, {}) == std::nullopt);
    EXPECT_EQ(dialogs.shown.size(), 1) << "nothing selected: no message";
    tree.file(u"prog/Temp/left.txt"_s);
    EXPECT_FALSE(PlanCacheRun(ctx(), CacheAction::DeleteFile, {u"DM-Foo.ut2"_s}).has_value());
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[1].kind, platform::MsgKind::Warning);
    EXPECT_EQ(dialogs.shown[1].text, core.state.TempDir +
                                         u" is not empty. Please delete all files before you "
                                         u"continue"_s);
    EXPECT_EQ(dialogs.shown[1].offset, QPoint(50, 125));
    EXPECT_EQ(tree.read(u"game/Cache/cache.ini"_s), before);
    EXPECT_EQ(entriesIn(u"game/Cache"_s).size(), 4);
}

TEST_F(CacheInstallTest, RefusedPlacementPutsThePackagesBackWithTheirLines) {
    const QByteArray map = fooCache();
    tree.file(u"game/Maps/DM-Foo.ut2"_s, "old map");
    dialogs.buttonAnswers.push_back(platform::No);
    const CacheRunResult result = run(CacheAction::InstallOnly, {u"DM-Foo.ut2"_s});
    EXPECT_EQ(dialogs.texts(), QStringList{u"DM-Foo.ut2 already exists. Proceed anyway?"_s});
    EXPECT_EQ(result.count, 0);
    EXPECT_TRUE(maps().isEmpty());
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), "old map");
    EXPECT_EQ(tree.read(u"game/Cache/"_s + mapKey + u".uxx"_s), map);
    EXPECT_EQ(tree.read(u"game/Cache/"_s + texKey + u".uxx"_s), texBytes);
    EXPECT_EQ(iniLines(), untouchedLines());
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
    EXPECT_EQ(status.status(), u"  0 file(s) installed."_s);
}

TEST_F(CacheInstallTest, APackageThePlacementCannotPlaceStaysInTheCache) {
    const QString dat = cacheKey(0xE5);
    cache({{mapKey, u"DM-Foo.ut2"_s, importingPackage({u"FooData"_s})},
           {dat, u"FooData.dat"_s, texBytes}});
    run(CacheAction::InstallOnly, {u"DM-Foo.ut2"_s});
    ASSERT_EQ(maps().size(), 1);
    EXPECT_EQ(maps().at(0).Files, QStringList{u"DM-Foo.ut2"_s});
    EXPECT_EQ(tree.read(u"game/Cache/"_s + dat + u".uxx"_s), texBytes);
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, dat + u"=FooData.dat"_s}));
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
}

TEST_F(CacheInstallTest, APackageThatCannotBeCopiedGoesBackIntoTheCacheAndIsNamed) {
    const QByteArray map = fooCache();
    // A folder where the texture would go: the copy fails even for root.
    tree.folder(u"game/Textures/FooTex.utx"_s);
    core.state.OverwriteAlways = true;
    const CacheRunResult result = run(CacheAction::InstallOnly, {u"DM-Foo.ut2"_s});
    EXPECT_EQ(result.count, 1) << "the map itself arrived";
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), map);
    EXPECT_EQ(tree.read(u"game/Cache/"_s + texKey + u".uxx"_s), texBytes);
    EXPECT_EQ(iniLines(),
              (QStringList{u"[Cache]"_s, texKey + u"=FooTex.utx"_s, otherKey + u"=XDM-Foo.ut2"_s}));
    ASSERT_EQ(maps().size(), 1);
    EXPECT_EQ(maps().at(0).Files, QStringList{u"DM-Foo.ut2"_s});
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(
        u"These files could not be copied into the game:\rFooTex.utx -> "_s +
        tree.path(u"game/Textures/: "_s)));
    EXPECT_TRUE(dialogs.shown[0].text.endsWith(
        u"\r\rCheck that you may write to the game's folders, then try again."_s));
    ASSERT_EQ(result.FailedCopies.size(), 1);
    EXPECT_TRUE(result.FailedCopies[0].startsWith(u"FooTex.utx -> "_s));
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
}

TEST_F(CacheInstallTest, YesToAllHoldsForTheRunOnly) {
    cache({{mapKey, u"DM-Foo.ut2"_s, texBytes}, {otherKey, u"DM-Bar.ut2"_s, texBytes}});
    tree.file(u"game/Maps/DM-Foo.ut2"_s, "old");
    tree.file(u"game/Maps/DM-Bar.ut2"_s, "old");
    dialogs.buttonAnswers.push_back(platform::YesToAll);
    EXPECT_EQ(run(CacheAction::InstallOnly, {u"DM-Bar.ut2"_s, u"DM-Foo.ut2"_s}).count, 2);
    EXPECT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), texBytes);
    EXPECT_FALSE(core.state.OverwriteAlways) << "the setting holds again";
}

TEST_F(CacheInstallTest, AFailedZipPutsThePackagesBack) {
    fooCache();
    const QString nowhere = tree.path(u"no/such/folder"_s);
    const CacheRunResult result = run(CacheAction::ZipOnly, {u"DM-Foo.ut2"_s}, nowhere);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.count, 0);
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[1].kind, platform::MsgKind::Error);
    EXPECT_TRUE(
        dialogs.shown[1].text.startsWith(u"Couldn't create "_s + nowhere + u"/DM-Foo.zip !"_s))
        << dialogs.shown[1].text.toStdString();
    EXPECT_EQ(iniLines(), untouchedLines());
    EXPECT_EQ(entriesIn(u"game/Cache"_s).size(), 4);
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
    EXPECT_EQ(status.status(), u"  0 file(s) saved as zip to "_s + nowhere);
}

TEST_F(CacheInstallTest, InstallAndZipInstallsEvenWhenTheZipCannotBeWritten) {
    const QByteArray map = fooCache();
    const QString nowhere = tree.path(u"no/such/folder"_s);
    const CacheRunResult result = run(CacheAction::InstallAndZip, {u"DM-Foo.ut2"_s}, nowhere);
    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), map);
    EXPECT_EQ(tree.read(u"game/Textures/FooTex.utx"_s), texBytes);
    ASSERT_EQ(maps().size(), 1);
    EXPECT_EQ(maps().at(0).ArchiveName, u"DM-Foo.zip"_s);
    EXPECT_EQ(maps().at(0).ArchiveDir, nowhere + u'/');
    EXPECT_EQ(maps().at(0).Kind, 0);
    // Installed: nothing goes back into the cache.
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, otherKey + u"=XDM-Foo.ut2"_s}));
    EXPECT_EQ(entriesIn(u"game/Cache"_s), (QStringList{otherKey + u".uxx"_s, u"cache.ini"_s}));
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_TRUE(
        dialogs.shown[1].text.startsWith(u"Couldn't create "_s + nowhere + u"/DM-Foo.zip !"_s));
    EXPECT_EQ(status.status(), u"  1 file(s) installed and saved as zip to "_s + nowhere);
}

TEST_F(CacheInstallTest, AnErrorEndsTheRunWithTheBoxAndLosesNoPackage) {
    cache({{mapKey, u"DM-Bad.ut2"_s}, {otherKey, u"DM-Good.ut2"_s, texBytes}});
    status.setStatus(u"before"_s);
    const CacheRunResult result =
        run(CacheAction::InstallOnly, {u"DM-Bad.ut2"_s, u"DM-Good.ut2"_s});
    EXPECT_TRUE(result.failed);
    EXPECT_TRUE(result.error.contains(u"ERROR! This isn't an Unreal package"_s))
        << result.error.toStdString();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Error);
    // The fixed words, then the package reader's own.
    EXPECT_EQ(dialogs.shown[0].text,
              u"Sorry, but something went terrible wrong. Check your settings.\r\r"_s
              u"ERROR! This isn't an Unreal package"_s);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(50, 125));
    EXPECT_EQ(status.status(), u"before"_s) << "no final status";
    EXPECT_EQ(tree.read(u"game/Cache/"_s + mapKey + u".uxx"_s), "not a package");
    EXPECT_FALSE(tree.exists(u"game/Maps/DM-Good.ut2"_s)) << "the run ended";
    EXPECT_EQ(iniLines().size(), 3);
    EXPECT_TRUE(entriesIn(u"prog/Temp"_s).isEmpty());
}

TEST_F(CacheInstallTest, AVanishedPackageLosesItsLineAndIsNotCounted) {
    cache({{mapKey, u"DM-Gone.ut2"_s, {}, false}, {otherKey, u"Other.utx"_s}});
    run(CacheAction::InstallOnly, {u"DM-Gone.ut2"_s, u"Not-Listed.ut2"_s});
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, otherKey + u"=Other.utx"_s}));
    EXPECT_TRUE(maps().isEmpty());
    EXPECT_EQ(relists, 1) << "the name not listed is skipped without a clean-up";
    EXPECT_EQ(status.status(), u"  0 file(s) installed."_s);
}

TEST_F(CacheInstallTest, MoreThan99PackagesTakenAlongStopAtTheRoomOfTheRecord) {
    QStringList imports;
    QList<CacheEntry> entries;
    for (int i = 0; i <= 100; ++i) {
        imports.append(u"Tex"_s + QString::number(i));
        entries.append({cacheKey(0x1000 + i), imports.last() + u".utx"_s, texBytes});
    }
    entries.prepend({mapKey, u"DM-Big.ut2"_s, importingPackage(imports)});
    cache(entries);
    run(CacheAction::InstallOnly, {u"DM-Big.ut2"_s});
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              u"DM-Big.ut2 imports more cached packages than one record can hold. Only the "
              u"first 99 were taken along."_s);
    ASSERT_EQ(maps().size(), 1);
    EXPECT_EQ(maps().at(0).FileCount, 100);
    EXPECT_EQ(maps().at(0).Files.last(), u"Tex98.utx"_s);
    EXPECT_EQ(entriesIn(u"game/Textures"_s).size(), 99);
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, cacheKey(0x1000 + 99) + u"=Tex99.utx"_s,
                                       cacheKey(0x1000 + 100) + u"=Tex100.utx"_s}));
}

TEST_F(CacheInstallTest, ClearCacheAsksFirstAndLeavesTheHeaderAlone) {
    fooCache();
    tree.file(u"game/Cache/sub/keep.txt"_s);
    dialogs.buttonAnswers.push_back(platform::Cancel);
    EXPECT_FALSE(ConfirmClearCache(ctx()));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, u"Are you sure you wan't to totally clean out your cache?"_s);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Warning);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok | platform::Cancel);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(50, 125));

    dialogs.buttonAnswers.push_back(platform::Ok);
    EXPECT_TRUE(ConfirmClearCache(ctx()));
    ClearCache(ctx());
    EXPECT_EQ(tree.read(u"game/Cache/cache.ini"_s), "[Cache]\r\n");
    EXPECT_EQ(entriesIn(u"game/Cache"_s), (QStringList{u"cache.ini"_s, u"sub"_s}));
    EXPECT_EQ(ListCache(ctx(), false), QStringList());
    EXPECT_EQ(status.status(), u"  0 files listed in Cache"_s);

    core.state.setGameDir(QString());
    EXPECT_THROW(ClearCache(ctx()), platform::Error) << "no game: nothing is deleted anywhere";
}

TEST(CacheActionTest, CaptionsFollowTheChosenAction) {
    EXPECT_EQ(cacheButtonCaption(cacheActionAt(0)), u"Install"_s);
    EXPECT_EQ(cacheButtonCaption(cacheActionAt(1)), u"Install"_s);
    EXPECT_EQ(cacheButtonCaption(cacheActionAt(2)), u"Save"_s);
    EXPECT_EQ(cacheButtonCaption(cacheActionAt(3)), u"Delete"_s);
    EXPECT_TRUE(cacheButtonCaption(cacheActionAt(-1)).isEmpty());
}
