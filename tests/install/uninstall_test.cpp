// The uninstall run on a command context alone: archives installed with
// the real install run, then uninstalled; the game folder, sharedfiles.dat,
// the records and the status texts afterwards.
#include "core/app_core.h"
#include "core/content_db.h"
#include "install/install.h"
#include "install/uninstall.h"
#include "intake/folder_search.h"
#include "intake/scan.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/install_archives.h"
#include "support/rar4_writer.h"
#include "support/tree_builder.h"
#include "support/zip_builder.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using testing_support::ArchiveFiles;
using testing_support::scannedRecord;

namespace {

class UninstallTest : public ::testing::Test {
protected:
    UninstallTest() : oldHome_(qgetenv("HOME")), core(dialogs, status) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(u"prog"_s);
        s.TempDir = tree.folder(u"prog/Temp"_s);
        s.setGameDir(tree.gameFolder());
        s.clock = platform::Clock([] { return QDate(2024, 6, 1); });
        // Shared files are counted without a question.
        s.OverwriteAlways = true;
        s.InstallExtraFiles = true;
        content_db::CreateMissingFiles(s);
        archives = tree.folder(u"archives"_s) + u'/';
    }
    ~UninstallTest() override { qputenv("HOME", oldHome_); }

    TContentRecord archive(const QString& name, const ArchiveFiles& files,
                           const QString& shown = {}, qint32 kind = 0) {
        EXPECT_TRUE(testing_support::writeZip(archives + name, files));
        return scannedRecord(name, archives, shown, kind, files);
    }
    void install(ContentKind kind, const QStringList& items) {
        core.beginCommand();
        const install::InstallResult r =
            install::InstallArchives(core.context(), kind, catalogue::firstEntries(items), false);
        ASSERT_TRUE(r.ok);
    }
    install::UninstallResult uninstall(ContentKind kind, const QStringList& items,
                                       bool deleting = false) {
        core.beginCommand();
        return install::UninstallArchives(core.context(), kind, catalogue::firstEntries(items),
                                          deleting);
    }
    QList<TSharedFileRecord> shared() {
        return content_db::ReadAllShared(core.state.sharedDataPath());
    }
    QStringList gameFiles() const {
        QStringList out;
        for (const QString& f : tree.allFiles())
            if (f.startsWith(u"game/"_s))
                out.append(f.mid(5));
        return out;
    }
    QList<TContentRecord> maps() { return content_db::ReadAll(core.state.mapDataPath()); }
    QList<TContentRecord> mods() { return content_db::ReadAll(core.state.modDataPath()); }

private:
    QByteArray oldHome_;

protected:
    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    QString archives;
};

/// Two maps sharing Foo.utx, installed; shown in LBun as their DisplayName.
class SharedMapsTest : public UninstallTest {
protected:
    void SetUp() override {
        content_db::WriteAll(
            core.state.mapDataPath(),
            {archive(u"DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}, {u"Foo.utx"_s, "t"}}, u"DM-A.ut2"_s),
             archive(u"DM-B.zip"_s, {{u"DM-B.ut2"_s, "b"}, {u"Foo.utx"_s, "t"}}, u"DM-B.ut2"_s)});
        install(ContentKind::Maps, {u"DM-A.zip"_s, u"DM-B.zip"_s});
        ASSERT_EQ(shared().size(), 1);
        ASSERT_EQ(shared()[0].RefCount, 2);
    }
};

} // namespace

TEST_F(SharedMapsTest, OneByOneKeepsTheSharedFileForTheSecond) {
    const install::UninstallResult first = uninstall(ContentKind::Maps, {u"DM-A.ut2"_s});
    EXPECT_TRUE(first.ran);
    // Only what was really deleted counts: the shared texture stays.
    EXPECT_EQ(first.status, u"  Uninstalled 1 map(s) with 1 file(s) total."_s);
    EXPECT_EQ(gameFiles(), (QStringList{u"Maps/DM-B.ut2"_s, u"Textures/Foo.utx"_s}));
    EXPECT_TRUE(shared().isEmpty()) << "a count lowered to 1 leaves the file";
    EXPECT_EQ(QFileInfo(core.state.sharedDataPath()).size(), 0);
    const QList<TContentRecord> after = maps();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0].Installed, 0);
    EXPECT_EQ(after[0].InstallDate, QString());
    EXPECT_EQ(after[0].ArchiveDir, archives);
    EXPECT_EQ(after[0].FileCount, 2);
    EXPECT_EQ(after[1].Installed, 1);

    uninstall(ContentKind::Maps, {u"DM-B.ut2"_s});
    EXPECT_TRUE(gameFiles().isEmpty()) << gameFiles().join(u' ').toStdString();
}

TEST_F(SharedMapsTest, BothInOneRunDeleteTheSharedFileWithTheSecond) {
    const install::UninstallResult r = uninstall(ContentKind::Maps, {u"DM-A.ut2"_s, u"DM-B.ut2"_s});
    EXPECT_EQ(r.status, u"  Uninstalled 2 map(s) with 3 file(s) total."_s);
    EXPECT_TRUE(gameFiles().isEmpty());
    EXPECT_TRUE(shared().isEmpty());
}

TEST_F(UninstallTest, TwoEntriesOfOneNameSelectedTogetherBothGo) {
    content_db::WriteAll(core.state.mapDataPath(),
                         {archive(u"DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}}, u"Twin"_s),
                          archive(u"DM-B.zip"_s, {{u"DM-B.ut2"_s, "b"}}, u"Twin"_s)});
    install(ContentKind::Maps, {u"DM-A.zip"_s, u"DM-B.zip"_s});
    // The two rows of the installed list, as the window names them.
    core.beginCommand();
    const install::UninstallResult r = install::UninstallArchives(
        core.context(), ContentKind::Maps, {{u"Twin"_s, 0}, {u"Twin"_s, 1}}, false);
    EXPECT_TRUE(r.skipped.isEmpty()) << r.status.toStdString();
    EXPECT_TRUE(gameFiles().isEmpty()) << gameFiles().join(u' ').toStdString();
    for (const TContentRecord& rec : maps())
        EXPECT_EQ(rec.Installed, 0) << rec.ArchiveName.toStdString();
}

TEST_F(UninstallTest, NoSelectionOnlySaysSo) {
    const QByteArray before = tree.read(u"prog/mapdata.dat"_s);
    EXPECT_FALSE(uninstall(ContentKind::Maps, {}).ran);
    EXPECT_EQ(status.status(), u"  No maps selected! Try again."_s);
    EXPECT_FALSE(uninstall(ContentKind::Skins, {}).ran);
    EXPECT_EQ(status.status(), u"  No files selected! Try again."_s);
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), before);
}

TEST_F(UninstallTest, CountOfThreeGoesDownThenTheFileGoes) {
    content_db::WriteAll(core.state.mapDataPath(),
                         {archive(u"DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}, {u"Foo.utx"_s, "t"}}),
                          archive(u"DM-B.zip"_s, {{u"DM-B.ut2"_s, "b"}, {u"Foo.utx"_s, "t"}}),
                          archive(u"DM-C.zip"_s, {{u"DM-C.ut2"_s, "c"}, {u"Foo.utx"_s, "t"}})});
    install(ContentKind::Maps, {u"DM-A.zip"_s, u"DM-B.zip"_s, u"DM-C.zip"_s});
    ASSERT_EQ(shared().size(), 1);
    ASSERT_EQ(shared()[0].RefCount, 3);
    const QString texture = u"game/Textures/Foo.utx"_s;
    uninstall(ContentKind::Maps, {u"DM-A.zip"_s});
    ASSERT_EQ(shared().size(), 1);
    EXPECT_EQ(shared()[0].RefCount, 2);
    EXPECT_TRUE(tree.exists(texture));
    uninstall(ContentKind::Maps, {u"DM-B.zip"_s});
    EXPECT_TRUE(shared().isEmpty());
    EXPECT_TRUE(tree.exists(texture));
    uninstall(ContentKind::Maps, {u"DM-C.zip"_s});
    EXPECT_FALSE(tree.exists(texture));
}

TEST_F(UninstallTest, HelpFilesOfThisArchiveOnlyAndNeverForeignFiles) {
    content_db::WriteAll(core.state.mapDataPath(),
                         {archive(u"DM-Foo.zip"_s, {{u"DM-Foo.ut2"_s, "m"},
                                                    {u"shot.jpg"_s, "1"},
                                                    {u"readme.txt"_s, "r"},
                                                    {u"setup.exe"_s, "x"},
                                                    {u"XPlayers.int"_s, "Player=(foo)\r\n"}})});
    tree.file(u"game/Help/DM-FooBar-1.jpg"_s, "other");
    tree.file(u"game/Help/DM-FooBar-readme.txt"_s, "other");
    tree.file(u"game/Help/DM-Foo-notes.txt"_s, "user");
    tree.file(u"game/Maps/setup.exe"_s, "keep");
    tree.file(u"game/System/XPlayers.int"_s, "Player=(game)\r\n");
    install(ContentKind::Maps, {u"DM-Foo.zip"_s});
    ASSERT_TRUE(tree.exists(u"game/Help/DM-Foo-1.jpg"_s));
    ASSERT_TRUE(tree.exists(u"game/Help/DM-Foo-readme.txt"_s));
    const QByteArray merged = tree.read(u"game/System/XPlayers.int"_s);

    uninstall(ContentKind::Maps, {u"DM-Foo.zip"_s});
    EXPECT_FALSE(tree.exists(u"game/Maps/DM-Foo.ut2"_s));
    EXPECT_FALSE(tree.exists(u"game/Help/DM-Foo-1.jpg"_s));
    EXPECT_FALSE(tree.exists(u"game/Help/DM-Foo-readme.txt"_s));
    EXPECT_TRUE(tree.exists(u"game/Help/DM-FooBar-1.jpg"_s));
    EXPECT_TRUE(tree.exists(u"game/Help/DM-FooBar-readme.txt"_s));
    EXPECT_TRUE(tree.exists(u"game/Help/DM-Foo-notes.txt"_s));
    EXPECT_TRUE(tree.exists(u"game/Maps/setup.exe"_s));
    EXPECT_EQ(tree.read(u"game/System/XPlayers.int"_s), merged) << "the game's own list stays";
}

TEST_F(UninstallTest, AFileAnotherInstalledRecordListsStaysWithoutASharedCount) {
    // Two versions of one map, and a mutator that brings the map's texture:
    // written installed, with no count in sharedfiles.dat.
    TContentRecord v1 = archive(u"DM-Twin-v1.zip"_s, {{u"DM-Twin.ut2"_s, "1"}}, u"DM-Twin.ut2"_s);
    TContentRecord v2 =
        archive(u"DM-Twin-v2.zip"_s, {{u"Maps/DM-Twin.ut2"_s, "2"}, {u"Twin.utx"_s, "t"}},
                u"DM-Twin.ut2"_s);
    TContentRecord mut =
        archive(u"MutTwin.zip"_s, {{u"MutTwin.u"_s, "u"}, {u"TWIN.UTX"_s, "t"}}, u"Mut Twin"_s);
    for (TContentRecord* r : {&v1, &v2, &mut})
        r->Installed = 1;
    content_db::WriteAll(core.state.mapDataPath(), {v1, v2});
    content_db::WriteAll(core.state.modDataPath(), {mut});
    tree.file(u"game/Maps/DM-Twin.ut2"_s, "2");
    tree.file(u"game/Textures/Twin.utx"_s, "t");
    tree.file(u"game/System/MutTwin.u"_s, "u");

    // The second "DM-Twin.ut2" of the list is the second record.
    const install::UninstallResult r = install::UninstallArchives(core.context(), ContentKind::Maps,
                                                                  {{u"DM-Twin.ut2"_s, 1}}, false);
    EXPECT_EQ(r.status, u"  Uninstalled 1 map(s) with 0 file(s) total."_s);
    EXPECT_EQ(gameFiles(),
              (QStringList{u"Maps/DM-Twin.ut2"_s, u"System/MutTwin.u"_s, u"Textures/Twin.utx"_s}));
    QList<TContentRecord> after = maps();
    EXPECT_EQ(after[0].Installed, 1) << "the entry clicked is the one uninstalled";
    EXPECT_EQ(after[1].Installed, 0);
    EXPECT_TRUE(shared().isEmpty()) << "the counts are left as they were";

    uninstall(ContentKind::Maps, {u"DM-Twin.ut2"_s});
    EXPECT_EQ(gameFiles(), (QStringList{u"System/MutTwin.u"_s, u"Textures/Twin.utx"_s}));
    uninstall(ContentKind::Mutators, {u"Mut Twin"_s});
    EXPECT_TRUE(gameFiles().isEmpty()) << gameFiles().join(u' ').toStdString();
}

TEST_F(UninstallTest, EntryWithFolderPartIsDeletedUnderItsFileNameIgnoringCase) {
    TContentRecord rec = archive(u"DM-Rar.zip"_s, {{u"DM-Rar.ut2"_s, "m"}});
    rec.Files = {u"Maps\\DM-Rar.ut2"_s, u"Textures/Rar.utx"_s, u"../../prog/mapdata.dat"_s};
    rec.FileCount = 3;
    rec.Installed = 1;
    rec.DisplayName = u"DM-Rar.ut2"_s;
    content_db::WriteAll(core.state.mapDataPath(), {rec});
    tree.file(u"game/Maps/dm-rar.UT2"_s, "m");
    tree.file(u"game/Textures/Rar.utx"_s, "t");
    const install::UninstallResult r = uninstall(ContentKind::Maps, {u"DM-Rar.ut2"_s});
    EXPECT_EQ(r.status, u"  Uninstalled 1 map(s) with 2 file(s) total."_s);
    EXPECT_TRUE(gameFiles().isEmpty()) << gameFiles().join(u' ').toStdString();
    EXPECT_TRUE(tree.exists(u"prog/mapdata.dat"_s)) << "an entry never leaves the game folder";
}

TEST_F(UninstallTest, MutatorsNameTheLastAndUnknownItemsAreNamed) {
    content_db::WriteAll(core.state.modDataPath(),
                         {archive(u"MutA.zip"_s, {{u"MutA.u"_s, "a"}}, u"Mut A"_s),
                          archive(u"MutB.zip"_s, {{u"MutB.u"_s, "b"}}, u"Mut B"_s),
                          archive(u"MutC.zip"_s, {{u"MutC.u"_s, "c"}}, u"Mut C"_s)});
    install(ContentKind::Mutators, {u"Mut A"_s, u"Mut B"_s, u"Mut C"_s});
    install::UninstallResult r =
        uninstall(ContentKind::Mutators, {u"Mut A"_s, u"Mut B"_s, u"Mut C"_s});
    EXPECT_EQ(r.status, u"  Mut C successfully uninstalled"_s);
    EXPECT_TRUE(gameFiles().isEmpty());
    EXPECT_EQ(mods().size(), 3);

    r = uninstall(ContentKind::Mutators, {u"Mut A"_s});
    EXPECT_EQ(r.skipped, QStringList{u"Mut A"_s});
    EXPECT_EQ(r.status, u"  No installed record: Mut A"_s);
}

TEST_F(UninstallTest, SkinWhoseArchiveWasDeletedLeavesTheDatabase) {
    TContentRecord skin = archive(u"Skin.zip"_s, {{u"Skin.utx"_s, "s"}}, u"Cool Skin"_s, 2);
    TContentRecord other = archive(u"Other.zip"_s, {{u"Other.utx"_s, "o"}}, u"Other"_s, 2);
    content_db::WriteAll(core.state.modDataPath(), {skin, other});
    core.beginCommand();
    install::InstallArchives(core.context(), ContentKind::Skins, {u"Cool Skin"_s}, true);
    ASSERT_EQ(mods()[0].Kind, 3);
    ASSERT_FALSE(QFileInfo::exists(archives + u"Skin.zip"_s));

    const install::UninstallResult r = uninstall(ContentKind::Skins, {u"Cool Skin"_s});
    EXPECT_EQ(r.status, u"  Cool Skin successfully uninstalled"_s);
    const QList<TContentRecord> left = mods();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].ArchiveName, u"Other.zip"_s);
    EXPECT_FALSE(tree.exists(u"game/Textures/Skin.utx"_s));
}

TEST_F(UninstallTest, DeletingVariantSendsTheArchiveToTheTrash) {
    content_db::WriteAll(core.state.modDataPath(),
                         {archive(u"MutA.zip"_s, {{u"MutA.u"_s, "a"}}, u"Mut A"_s)});
    install(ContentKind::Mutators, {u"Mut A"_s});
    uninstall(ContentKind::Mutators, {u"Mut A"_s}, true);
    EXPECT_FALSE(QFileInfo::exists(archives + u"MutA.zip"_s));
    const QStringList trashed = tree.allFiles().filter(u"Trash/files/MutA.zip"_s);
    EXPECT_EQ(trashed.size(), 1) << tree.allFiles().join(u' ').toStdString();
}

// Uninstall deletes only what the archive's own install placed; each case
// scans, installs and uninstalls real archives over a game with files of
// its own, which all stay.
TEST_F(UninstallTest, OnlyWhatTheArchivePlacedGoes) {
    AppState& s = core.state;
    s.CustomMapDir = tree.folder(u"scanned"_s);
    s.MutatorDir = tree.folder(u"muts"_s);
    s.ScanSubDirs = true;
    const QString cut = QString(46, u'n') + u".utx"_s; // what a 51-byte name is cut to
    const QMap<QString, QByteArray> own = {
        {u"System/Engine.u"_s, "the game's engine"},
        {u"Help/ReadMe.txt"_s, "the game's readme"},
        {u"Help/Shot.jpg"_s, "another archive's picture"},
        {u"Textures/"_s + cut, "an unrelated texture"},
    };
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        tree.file(u"game/"_s + it.key(), it.value());

    using testing_support::ZipBuilder;
    ASSERT_TRUE(ZipBuilder()
                    .file(u"DM-Link.ut2"_s, "m")
                    .symlink(u"Engine.u"_s, u"/etc/passwd"_s)
                    .write(s.CustomMapDir + u"/DM-Link.zip"_s));
    ASSERT_TRUE(ZipBuilder()
                    .file(u"DM-L3.ut2"_s, "m")
                    .file(u"readme.txt"_s, "r")
                    .file(u"Shot.jpg"_s, "p")
                    .write(s.CustomMapDir + u"/DM-L3.zip"_s));
    ASSERT_TRUE(ZipBuilder()
                    .file(u"DM-Long.ut2"_s, "m")
                    .file(cut + u'x', "never placed: .utxx is no game type")
                    .write(s.CustomMapDir + u"/DM-Long.zip"_s));
    ASSERT_TRUE(ZipBuilder()
                    .file(u"DM-Case1.ut2"_s, "1")
                    .file(u"Shared.utx"_s, "t")
                    .write(s.CustomMapDir + u"/DM-Case1.zip"_s));
    ASSERT_TRUE(ZipBuilder()
                    .file(u"DM-Case2.ut2"_s, "2")
                    .file(u"SHARED.UTX"_s, "t")
                    .write(s.CustomMapDir + u"/DM-Case2.zip"_s));
    ASSERT_TRUE(ZipBuilder()
                    .file(u"a/Engine.u"_s, "mod engine")
                    .file(u"b/Engine.u"_s, "mod engine")
                    .file(u"a/Zu.u"_s, "zu")
                    .file(u"b/Zu.u"_s, "zu")
                    .file(u"MutTwice.int"_s, "[Public]\r\nObject=(Name=MutTwice.MutTwice)\r\n")
                    .write(s.MutatorDir + u"/MutTwice.zip"_s));
    // A rar with the same Zu.u and a link entry named like the game's
    // engine: the link is never placed, so it is never counted either.
    using testing_support::Rar4Entry;
    tree.file(
        u"muts/MutLinked.rar"_s,
        testing_support::rar4Archive(
            {Rar4Entry::file("Zu.u", "zu"), Rar4Entry::symlink("System\\Engine.u", "/etc/passwd"),
             Rar4Entry::file("MutLinked.int",
                             "[Public]\r\nObject=(Name=MutLinked.MutLinked)\r\n")}));
    intake::TmFileScan scan;
    intake::ScanMapArchives(core.context(), scan);
    intake::ScanMutatorArchives(core.context(), scan);
    for (const QString& name :
         {u"DM-Link.zip"_s, u"DM-L3.zip"_s, u"DM-Long.zip"_s, u"DM-Case1.zip"_s, u"DM-Case2.zip"_s})
        install(ContentKind::Maps, {name});
    install(ContentKind::Mutators, {u"MutTwice"_s});
    install(ContentKind::Mutators, {u"MutLinked"_s});
    // SHARED.UTX: DM-Case1's and DM-Case2's; Engine.u: the game's and
    // MutTwice's; Zu.u: MutTwice's and MutLinked's.
    QStringList counts;
    for (const TSharedFileRecord& r : shared())
        counts.append(r.FileName + u'=' + QString::number(r.RefCount));
    EXPECT_EQ(counts, (QStringList{u"SHARED.UTX=2"_s, u"Engine.u=2"_s, u"Zu.u=2"_s}));
    EXPECT_EQ(tree.read(u"game/System/Zu.u"_s), "zu");
    for (const TContentRecord& r : maps()) {
        if (r.ArchiveName == u"DM-Link.zip"_s) {
            EXPECT_EQ(r.Files, QStringList{u"DM-Link.ut2"_s}) << "a link entry is not recorded";
        }
    }
    ASSERT_TRUE(tree.exists(u"game/Help/DM-L3-readme.txt"_s));
    ASSERT_TRUE(tree.exists(u"game/Help/DM-L3-1.jpg"_s));

    for (const QString& shown :
         {u"DM-Link.ut2"_s, u"DM-L3.ut2"_s, u"DM-Long.ut2"_s, u"DM-Case1.ut2"_s})
        uninstall(ContentKind::Maps, {shown});
    EXPECT_TRUE(tree.exists(u"game/Textures/Shared.utx"_s)) << "DM-Case2 still uses it";
    uninstall(ContentKind::Mutators, {u"MutTwice"_s});
    EXPECT_TRUE(tree.exists(u"game/System/Zu.u"_s)) << "MutLinked still uses it";
    uninstall(ContentKind::Mutators, {u"MutLinked"_s});
    uninstall(ContentKind::Maps, {u"DM-Case2.ut2"_s});

    QStringList left;
    for (const QString& f : tree.allFiles())
        if (f.startsWith(u"game/"_s))
            left.append(f.mid(5));
    QStringList ownNames = own.keys();
    ownNames.sort();
    left.sort();
    EXPECT_EQ(left, ownNames);
    EXPECT_EQ(tree.read(u"game/Help/ReadMe.txt"_s), "the game's readme");
    EXPECT_EQ(tree.read(u"game/System/Engine.u"_s), "the game's engine");
    EXPECT_EQ(tree.read(u"game/Help/Shot.jpg"_s), "another archive's picture");
    EXPECT_EQ(tree.read(u"game/Textures/"_s + cut), "an unrelated texture");
    EXPECT_TRUE(shared().isEmpty());
}
