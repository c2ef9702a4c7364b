// Delete, Create Zip and Mark as installed on a command context alone:
// archives scanned and installed for real, then the archive folder, the
// new zip, the records and the status texts.
#include "core/app_core.h"
#include "core/content_db.h"
#include "core/content_lists.h"
#include "install/install.h"
#include "install/maintenance.h"
#include "intake/folder_search.h"
#include "intake/scan.h"
#include "platform/errors.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/install_archives.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;

namespace {

/// Status texts in order, repeats once.
class StatusLog : public platform::StatusSink {
public:
    void setStatus(const QString& text) override {
        text_ = text;
        texts.append(text);
    }
    QString status() const override { return text_; }
    QStringList texts;

private:
    QString text_;
};

class MaintenanceTest : public ::testing::Test {
protected:
    MaintenanceTest() : oldHome_(qgetenv("HOME")), core(dialogs, status) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(u"prog"_s);
        s.TempDir = tree.folder(u"prog/Temp"_s);
        s.setGameDir(tree.gameFolder());
        s.CustomMapDir = tree.folder(u"maps"_s);
        s.MutatorDir = tree.folder(u"muts"_s);
        s.CustomSkinDir = tree.folder(u"skins"_s);
        s.clock = platform::Clock([] { return QDate(2024, 6, 1); });
        s.OverwriteAlways = true;
        s.InstallExtraFiles = true;
        content_db::CreateMissingFiles(s);
    }
    ~MaintenanceTest() override { qputenv("HOME", oldHome_); }

    void zip(const QString& relative, const testing_support::ArchiveFiles& files) {
        ASSERT_TRUE(testing_support::writeZip(tree.path(relative), files));
    }
    QList<TContentRecord> maps() { return content_db::ReadAll(core.state.mapDataPath()); }
    QList<TContentRecord> mods() { return content_db::ReadAll(core.state.modDataPath()); }
    QStringList zipEntries(const QString& path) {
        core.ZipMaster1.setZipFileName(path);
        QStringList out;
        for (int i = 0; i < core.ZipMaster1.EntryCount(); ++i)
            out.append(core.ZipMaster1.EntryName(i));
        return out;
    }
    CommandContext& ctx() { return core.context(); }

private:
    QByteArray oldHome_;

protected:
    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    StatusLog status;
    AppCore core;
    intake::TmFileScan fScan;
};

} // namespace

TEST_F(MaintenanceTest, DeletingTwoMapArchives) {
    zip(u"maps/DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}});
    zip(u"maps/DM-B.zip"_s, {{u"DM-B.ut2"_s, "b"}});
    zip(u"maps/DM-C.zip"_s, {{u"DM-C.ut2"_s, "c"}});
    intake::ScanMapArchives(ctx(), fScan);
    ASSERT_EQ(maps().size(), 3);
    status.texts.clear();

    install::DeleteArchives(ctx(), fScan, ContentKind::Maps,
                            {u"DM-A.zip"_s, u"DM-B.zip"_s, u"DM-Gone.zip"_s});
    const QString dir = core.state.CustomMapDir + u'/';
    EXPECT_EQ(status.texts.mid(0, 5),
              (QStringList{u"  Deleting "_s + dir + u"DM-A.zip"_s,
                           u"  Deleting "_s + dir + u"DM-A.zip .... Deleted"_s,
                           u"  Deleting "_s + dir + u"DM-B.zip"_s,
                           u"  Deleting "_s + dir + u"DM-B.zip .... Deleted"_s,
                           u"  Operation failed."_s}));
    EXPECT_EQ(tree.allFiles().filter(u"Trash/files/"_s).size(), 2);
    const QList<TContentRecord> left = maps();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].ArchiveName, u"DM-C.zip"_s);
}

TEST_F(MaintenanceTest, DeletedArchivesLeaveTheListsOfTheirOwnPage) {
    zip(u"muts/FastMut.zip"_s, {{u"FastMut.u"_s, "u"}, {u"FastMut.int"_s, "Name=FastMut.A\n"}});
    zip(u"skins/RedSkin.zip"_s, {{u"RedSkin.upl"_s, "upl"}, {u"RedSkin.utx"_s, "tex"}});
    zip(u"skins/BlueSkin.zip"_s, {{u"BlueSkin.upl"_s, "upl"}});
    intake::ScanMutatorArchives(ctx(), fScan);
    intake::ScanSkinArchives(ctx(), fScan);
    const KindLists before = LoadKindLists(core.state, ContentKind::Skins, u"All"_s);
    ASSERT_EQ(before.notInstalled.size(), 2);
    const QStringList mutatorsBefore =
        LoadKindLists(core.state, ContentKind::Mutators, u"All"_s).notInstalled;
    ASSERT_EQ(mutatorsBefore.size(), 1);
    status.texts.clear();

    // The first skin listed goes to the trash; a name no record has fails
    // with the mutator and skin pages' text (no full stop).
    install::DeleteArchives(ctx(), fScan, ContentKind::Skins,
                            {before.notInstalled[0], u"NoSuchSkin"_s});
    EXPECT_EQ(status.texts.last(), u"  Operation failed"_s);
    EXPECT_EQ(tree.allFiles().filter(u"Trash/files/"_s).size(), 1);
    // The scan that follows is the skins' own: the deleted skin's record
    // leaves somdata.dat at once, so the Skins page no longer offers it.
    const KindLists after = LoadKindLists(core.state, ContentKind::Skins, u"All"_s);
    EXPECT_EQ(after.notInstalled, before.notInstalled.mid(1));
    EXPECT_EQ(LoadKindLists(core.state, ContentKind::Mutators, u"All"_s).notInstalled,
              mutatorsBefore);
    EXPECT_EQ(mods().size(), 2);
}

TEST_F(MaintenanceTest, CreateZipTakesTheRecordedFilesFoundUnderBareNames) {
    zip(u"maps/DM-Foo.zip"_s, {{u"DM-Foo.ut2"_s, "map"},
                               {u"Foo.utx"_s, "tex"},
                               {u"shot.jpg"_s, "jpg"},
                               {u"setup.exe"_s, "exe"}});
    TContentRecord rec = testing_support::scannedRecord(
        u"DM-Foo.zip"_s, core.state.CustomMapDir + u'/', u"DM-Foo.ut2"_s, 0,
        {{u"DM-Foo.ut2"_s, "map"},
         {u"Foo.utx"_s, "tex"},
         {u"shot.jpg"_s, "jpg"},
         {u"setup.exe"_s, "exe"}});
    QList<TContentRecord> records = {rec};
    // A rar-style entry with its folder part, placed flat by the install.
    records[0].Files.append(u"Sounds/Foo.uax"_s);
    records[0].FileCount = qint32(records[0].Files.size());
    content_db::WriteAll(core.state.mapDataPath(), records);
    const install::InstallResult installed =
        install::InstallArchives(ctx(), ContentKind::Maps, {u"DM-Foo.zip"_s}, false);
    ASSERT_TRUE(installed.ok) << installed.FailedArchives.join(u' ').toStdString() << " "
                              << status.texts.join(u'|').toStdString();
    tree.file(u"game/Sounds/foo.UAX"_s, "snd");
    tree.file(u"game/Maps/setup.exe"_s, "exe");
    ASSERT_TRUE(tree.exists(u"game/Maps/DM-Foo.ut2"_s)) << tree.allFiles().join(u' ').toStdString();
    const QString shown = maps()[0].DisplayName;
    ASSERT_EQ(shown, u"DM-Foo.ut2"_s);

    EXPECT_TRUE(install::CreateZip(ctx(), ContentKind::Maps, shown, core.state.CustomMapDir));
    const QString made = core.state.CustomMapDir + u"/DM-Foo.ut2.zip"_s;
    QStringList entries = zipEntries(made);
    entries.sort(Qt::CaseInsensitive);
    EXPECT_EQ(entries, (QStringList{u"DM-Foo.ut2"_s, u"Foo.uax"_s, u"Foo.utx"_s}))
        << "shot.jpg was renamed by the install; setup.exe is no game file";
    EXPECT_EQ(status.status(), u"DM-Foo.ut2.zip  created in "_s + core.state.CustomMapDir);
    EXPECT_TRUE(status.texts.contains(u"Creating DM-Foo.ut2.zip   ... adding "_s));
    EXPECT_FALSE(QFileInfo::exists(core.state.ProgramDir + u"/zipdir"_s));
}

TEST_F(MaintenanceTest, CreateZipWithNothingFound) {
    TContentRecord rec = testing_support::scannedRecord(
        u"MutX.zip"_s, tree.folder(u"muts"_s) + u'/', u"Mut X"_s, 0, {{u"MutX.u"_s, "u"}});
    rec.Installed = 1;
    content_db::WriteAll(core.state.modDataPath(), {rec});
    EXPECT_FALSE(
        install::CreateZip(ctx(), ContentKind::Mutators, u"Mut X"_s, core.state.MutatorDir));
    EXPECT_EQ(status.status(), u"Couldn't create zip-file"_s);
    EXPECT_FALSE(QFileInfo::exists(core.state.ProgramDir + u"/zipdir"_s));
    EXPECT_TRUE(tree.allFiles().filter(u".zip"_s).isEmpty());
    EXPECT_THROW(install::CreateZip(ctx(), ContentKind::Mutators, u"Nobody"_s, {}),
                 platform::Error);
}

TEST_F(MaintenanceTest, AZipThatCannotBeWrittenIsSaidAndLeavesNothing) {
    TContentRecord rec = testing_support::scannedRecord(
        u"MutX.zip"_s, tree.folder(u"muts"_s) + u'/', u"Mut X"_s, 0, {{u"MutX.u"_s, "u"}});
    rec.Installed = 1;
    content_db::WriteAll(core.state.modDataPath(), {rec});
    tree.file(u"game/System/MutX.u"_s, "u");
    // A folder in the way, and a file system nobody may write to (root
    // neither): the zip fails, the box names it, nothing is left.
    tree.folder(u"muts/Mut X.zip"_s);
    for (const QString& target : {core.state.MutatorDir, u"/proc"_s}) {
        dialogs.shown.clear();
        EXPECT_FALSE(install::CreateZip(ctx(), ContentKind::Mutators, u"Mut X"_s, target));
        ASSERT_EQ(dialogs.shown.size(), 1) << target.toStdString();
        const QString zipPath = QDir::cleanPath(target) + u"/Mut X.zip"_s;
        EXPECT_TRUE(dialogs.shown[0].text.startsWith(u"Couldn't create "_s + zipPath + u" !"_s))
            << dialogs.shown[0].text.toStdString();
        EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Error);
        EXPECT_EQ(status.status(), u"Couldn't create zip-file"_s);
        EXPECT_FALSE(QFileInfo(u"/proc/Mut X.zip"_s).exists());
    }
    EXPECT_TRUE(QFileInfo(tree.path(u"muts/Mut X.zip"_s)).isDir());
    EXPECT_FALSE(QFileInfo::exists(core.state.ProgramDir + u"/zipdir"_s));
}

TEST_F(MaintenanceTest, MarkAsInstalledAsksAndTouchesOnlyRecords) {
    const auto make = [this](const QString& name, const QString& shown, qint32 kind) {
        return testing_support::scannedRecord(name, tree.folder(u"skins"_s) + u'/', shown, kind,
                                              {{u"S.utx"_s, "s"}});
    };
    content_db::WriteAll(core.state.modDataPath(),
                         {make(u"A.zip"_s, u"Skin A"_s, 2), make(u"B.zip"_s, u"Skin B"_s, 2)});
    const QByteArray before = tree.read(u"prog/somdata.dat"_s);

    EXPECT_FALSE(install::MarkAsInstalled(ctx(), ContentKind::Skins, {}));
    EXPECT_EQ(status.status(), u"  Nothing selected"_s);
    dialogs.buttonAnswers = {platform::No};
    EXPECT_FALSE(install::MarkAsInstalled(ctx(), ContentKind::Skins, {u"Skin B"_s}));
    EXPECT_EQ(status.status(), u"  Operation canceled"_s);
    EXPECT_EQ(tree.read(u"prog/somdata.dat"_s), before);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.texts()[0],
              u"This will mark selected files as installed without installing them. \r"_s
              u"Read the helpfile for more information how to use this option.\r\r"_s
              u"Do you want to continue?"_s);

    dialogs.buttonAnswers = {platform::Yes};
    EXPECT_TRUE(install::MarkAsInstalled(ctx(), ContentKind::Skins, {u"Skin B"_s}));
    const QList<TContentRecord> after = mods();
    EXPECT_EQ(after[0].Installed, 0);
    EXPECT_EQ(after[1].Installed, 1);
    EXPECT_EQ(after[1].InstallDate, u"2024-06-01"_s);
    EXPECT_EQ(after[1].Kind, 2);
    EXPECT_FALSE(tree.exists(u"game/Textures/S.utx"_s));
    EXPECT_EQ(QFileInfo(core.state.sharedDataPath()).size(), 0);
}

TEST_F(MaintenanceTest, WorkingFolderThatCannotBeRemovedIsReported) {
    TContentRecord rec = testing_support::scannedRecord(
        u"MutX.zip"_s, tree.folder(u"muts"_s) + u'/', u"Mut X"_s, 0, {{u"MutX.u"_s, "u"}});
    rec.Installed = 1;
    content_db::WriteAll(core.state.modDataPath(), {rec});
    tree.file(u"game/System/MutX.u"_s, "u");
    // A folder inside keeps the working folder from going.
    tree.folder(u"prog/zipdir/held"_s);
    EXPECT_TRUE(
        install::CreateZip(ctx(), ContentKind::Mutators, u"Mut X"_s, core.state.MutatorDir));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.texts()[0],
              u"Couldn't remove directory "_s + core.state.ProgramDir + u"/zipdir !\r\r"_s +
                  u"Please delete the directory before you start Quorvel next time"_s);
    EXPECT_FALSE(tree.exists(u"prog/zipdir/MutX.u"_s)) << "its files are gone all the same";
    EXPECT_TRUE(tree.exists(u"muts/Mut X.zip"_s));
}
