// The install run on a command context alone: status texts and progress,
// which record an entry names, archives that install nothing, errors in
// the middle of a run, and the trash.
#include "core/app_core.h"
#include "core/content_db.h"
#include "install/install.h"
#include "platform/errors.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/install_archives.h"
#include "support/rar4_writer.h"
#include "support/rar_fixture.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using install::InstallArchives;
using testing_support::ArchiveFiles;
using testing_support::scannedRecord;

namespace {

/// Keeps every status text (repeats of the same text once) and every
/// progress report.
class RecordingStatus : public platform::StatusSink {
public:
    void setStatus(const QString& text) override {
        text_ = text;
        if (texts.isEmpty() || texts.last() != text)
            texts.append(text);
    }
    QString status() const override { return text_; }
    void setProgress(int done, int total) override {
        progress.append(QString::number(done) + u'/' + QString::number(total));
    }

    QStringList texts;
    QStringList progress;

private:
    QString text_;
};

class InstallRunTest : public ::testing::Test {
protected:
    InstallRunTest() : oldHome_(qgetenv("HOME")), core(dialogs, status) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(u"prog"_s);
        s.TempDir = tree.folder(u"prog/Temp"_s);
        s.setGameDir(tree.gameFolder());
        s.clock = platform::Clock([] { return QDate(2024, 6, 1); });
        content_db::CreateMissingFiles(s);
        archives = tree.folder(u"archives"_s) + u'/';
    }
    ~InstallRunTest() override { qputenv("HOME", oldHome_); }

    /// An archive in the archive folder and its record.
    TContentRecord archive(const QString& name, const ArchiveFiles& files,
                           const QString& shown = {}, qint32 kind = 0) {
        EXPECT_TRUE(testing_support::writeZip(archives + name, files));
        return scannedRecord(name, archives, shown, kind, files);
    }
    QList<TContentRecord> maps() { return content_db::ReadAll(core.state.mapDataPath()); }
    QList<TContentRecord> mods() { return content_db::ReadAll(core.state.modDataPath()); }
    QStringList tempEntries() const {
        return QDir(core.state.TempDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    CommandContext& ctx() { return core.context(); }

private:
    QByteArray oldHome_;

protected:
    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    RecordingStatus status;
    AppCore core;
    QString archives;
};

const ArchiveFiles fooFiles = {{u"DM-Foo.ut2"_s, "map"}, {u"Foo.utx"_s, "tex"}};

} // namespace

TEST_F(InstallRunTest, OneArchiveShowsItsStepsAndNoProgressBar) {
    content_db::WriteAll(core.state.mapDataPath(), {archive(u"DM-Foo.zip"_s, fooFiles)});
    const install::InstallResult result =
        InstallArchives(ctx(), ContentKind::Maps, {u"DM-Foo.zip"_s}, false);
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(status.texts, (QStringList{u"  Installing   DM-Foo ... Extracting "_s,
                                         u"  Installing   DM-Foo ... Extracting DM-Foo.ut2"_s,
                                         u"  Installing   DM-Foo ... Extracting Foo.utx"_s,
                                         u"  Installing DM-Foo.zip... Copying DM-Foo.ut2"_s,
                                         u"  Installing DM-Foo.zip... Copying Foo.utx"_s}));
    EXPECT_TRUE(status.progress.isEmpty());
    EXPECT_EQ(result.ProgressTotal, 1);
    EXPECT_EQ(result.ProgressDone, 2);
    EXPECT_TRUE(result.FailedCopies.isEmpty());
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), "map");
    EXPECT_EQ(tree.read(u"game/Textures/Foo.utx"_s), "tex");
    EXPECT_TRUE(tempEntries().isEmpty());
    const TContentRecord r = maps().at(0);
    EXPECT_EQ(r.Installed, 1);
    EXPECT_EQ(r.InstallDate, u"2024-06-01"_s);
    EXPECT_EQ(r.Kind, 0);
    EXPECT_EQ(r.ArchiveDir, archives);

    install::FinishInstall(ctx(), ContentKind::Maps, result);
    EXPECT_EQ(status.status(), u"  Installed 1 map(s) with 2 file(s) total."_s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(InstallRunTest, SeveralArchivesReportTheirProgressAndHideItAtTheEnd) {
    content_db::WriteAll(core.state.modDataPath(),
                         {archive(u"A.zip"_s, {{u"System/A.u"_s, "a"}}, u"Mut.A v1.5"_s),
                          archive(u"B.zip"_s, {{u"System/B.u"_s, "b"}}, u"Mut B"_s),
                          archive(u"C.zip"_s, {{u"System/C.u"_s, "c"}}, u"Mut C"_s)});
    const install::InstallResult result = InstallArchives(
        ctx(), ContentKind::Mutators, {u"Mut.A v1.5"_s, u"Mut B"_s, u"Mut C"_s}, false);
    EXPECT_EQ(status.progress, (QStringList{u"0/3"_s, u"1/3"_s, u"2/3"_s, u"3/3"_s, u"0/0"_s}));
    // Five characters go from the first "." of a shown name too.
    EXPECT_TRUE(status.texts.contains(u"  Installing   Mut.5 ... Extracting "_s));
    EXPECT_TRUE(status.texts.contains(u"  Installing Mut.A v1.5... Copying A.u"_s));
    EXPECT_TRUE(core.ZipMaster1.ExtrOptions == archives::TZipMaster::ExtrOpts())
        << "flat for other callers";
    install::FinishInstall(ctx(), ContentKind::Mutators, result);
    EXPECT_EQ(status.status(), u"  Installed 3 mutator(s) with 3 file(s) total."_s);
    EXPECT_EQ(tree.read(u"game/System/B.u"_s), "b");
}

TEST_F(InstallRunTest, AnEntryNamesTheFirstRecordItsListShows) {
    const ArchiveFiles a = {{u"A.u"_s, "a"}};
    QList<TContentRecord> records = {
        archive(u"Old.zip"_s, a, u"Fast"_s),         // already installed
        archive(u"FastSkin.zip"_s, a, u"Fast"_s, 2), // a skin of the same name
        archive(u"Fast.zip"_s, {{u"Fast.u"_s, "f"}}, u"Fast"_s),
        archive(u"NoName.zip"_s, {{u"NoName.u"_s, "n"}}),
        archive(u"Dup1.zip"_s, {{u"Dup1.u"_s, "1"}}, u"Dup"_s),
        archive(u"Dup2.zip"_s, {{u"Dup2.u"_s, "2"}}, u"Dup"_s),
    };
    records[0].Installed = 1;
    content_db::WriteAll(core.state.modDataPath(), records);
    const install::InstallResult result =
        InstallArchives(ctx(), ContentKind::Mutators,
                        {u"Fast"_s, u"NoName.zip"_s, u"Dup"_s, u"Dup"_s, u"Ghost"_s}, false);
    EXPECT_EQ(result.FailedArchives, QStringList{u"Ghost"_s}) << "no record: reported";
    const QList<TContentRecord> after = mods();
    QStringList installed;
    for (const TContentRecord& r : after)
        installed.append(r.ArchiveName + u'=' + QString::number(r.Installed) + u'/' +
                         QString::number(r.Kind));
    EXPECT_EQ(installed, (QStringList{u"Old.zip=1/0"_s, u"FastSkin.zip=0/2"_s, u"Fast.zip=1/0"_s,
                                      u"NoName.zip=1/0"_s, u"Dup1.zip=1/0"_s, u"Dup2.zip=1/0"_s}));
    EXPECT_EQ(result.ProgressTotal, 5);
    EXPECT_EQ(result.ProgressDone, 4);
}

TEST_F(InstallRunTest, ArchivesThatPlaceNothingThemselvesAreNeverMarked) {
    ASSERT_TRUE(testing_support::writeDamagedZip(archives + u"DM-Broken.zip"_s, u"Broken.utx"_s,
                                                 u"DM-Broken.ut2"_s));
    ASSERT_TRUE(testing_support::writeRar4Archive(
        archives + u"DM-Rar.rar"_s, {testing_support::Rar4Entry::file("DM-Rar.ut2", "rar map")}));
    core.dRar31.Backend = archives::RarBackend::UnrarOnly;
    core.dRar31.NameofUnrarDll = u"libno-such-unrar.so"_s;
    const ArchiveFiles broken = {{u"Broken.utx"_s, {}}, {u"DM-Broken.ut2"_s, {}}};
    content_db::WriteAll(core.state.mapDataPath(),
                         {archive(u"DM-Foo.zip"_s, fooFiles),
                          scannedRecord(u"DM-Broken.zip"_s, archives, {}, 0, broken),
                          scannedRecord(u"DM-Rar.rar"_s, archives, {}, 0, {{u"DM-Rar.ut2"_s, {}}}),
                          archive(u"DM-Exe.zip"_s, {{u"setup.exe"_s, "MZ"}})});
    const QByteArray before = tree.read(u"prog/mapdata.dat"_s);

    const install::InstallResult result = InstallArchives(
        ctx(), ContentKind::Maps,
        {u"DM-Foo.zip"_s, u"DM-Broken.zip"_s, u"DM-Rar.rar"_s, u"DM-Exe.zip"_s}, false);
    // The damaged zip wrote its sound entry before failing; none of it is
    // placed with the archives after it.
    EXPECT_EQ(result.FailedArchives, (QStringList{u"DM-Broken.zip"_s, u"DM-Rar.rar"_s}));
    EXPECT_FALSE(tree.exists(u"game/Maps/DM-Broken.ut2"_s));
    EXPECT_FALSE(tree.exists(u"game/Maps/DM-Rar.ut2"_s));
    EXPECT_TRUE(tempEntries().isEmpty());
    EXPECT_EQ(maps().at(0).Installed, 1);
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s).mid(TContentRecord::RecordSize),
              before.mid(TContentRecord::RecordSize))
        << "records of archives that installed nothing are unchanged";

    // The status follows the last archive extracted (the lone .exe), which
    // the run's file count lets through; that archive placed nothing, so it
    // is named in the box and not counted among the installed.
    EXPECT_EQ(result.nothingPlaced, QStringList{u"DM-Exe.zip"_s});
    install::FinishInstall(ctx(), ContentKind::Maps, result);
    EXPECT_EQ(status.status(), u"  Installed 3 map(s) with 2 file(s) total."_s);
    ASSERT_FALSE(dialogs.shown.isEmpty());
    const testing_support::ShownDialog& box = dialogs.shown.last();
    EXPECT_EQ(box.kind, platform::MsgKind::Error);
    EXPECT_EQ(box.offset, QPoint(25, 150));
    // Each with the component's own reason.
    EXPECT_TRUE(box.text.startsWith(u"The following files could not be installed:\r"_s
                                    u"DM-Broken.zip: Cannot extract Broken.utx from "_s))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(u"\rDM-Rar.rar: The unrar library cannot be loaded.\r"_s
                                  u"DM-Exe.zip: nothing was placed\r"_s))
        << box.text.toStdString();
    EXPECT_FALSE(tree.exists(u"prog/ToBeMoved"_s));
}

TEST_F(InstallRunTest, ARarThatCrashesTheUnrarLibraryIsNamedAmongTheFailed) {
    tree.file(u"archives/DM-Crash.rar"_s, testing_support::crashingRar5());
    content_db::WriteAll(core.state.mapDataPath(), {scannedRecord(u"DM-Crash.rar"_s, archives, {},
                                                                  0, {{u"DM-Crash.ut2"_s, {}}}),
                                                    archive(u"DM-Foo.zip"_s, fooFiles)});
    const install::InstallResult result =
        InstallArchives(ctx(), ContentKind::Maps, {u"DM-Crash.rar"_s, u"DM-Foo.zip"_s}, false);
    EXPECT_EQ(result.FailedArchives, QStringList{u"DM-Crash.rar"_s});
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), "map") << "the run goes on after it";
    EXPECT_TRUE(tempEntries().isEmpty());
    const QList<TContentRecord> records = maps();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records.at(0).Installed, 0);
    EXPECT_EQ(records.at(1).Installed, 1);
}

TEST_F(InstallRunTest, AnErrorEndsTheRunWithTheGameAndTheRecordsAsBeforeIt) {
    tree.file(u"game/Textures/Foo.utx"_s, "old");
    QFile::remove(core.state.sharedDataPath());
    tree.folder(u"prog/sharedfiles.dat"_s); // cannot be read
    content_db::WriteAll(
        core.state.mapDataPath(),
        {archive(u"DM-Bar.zip"_s, {{u"DM-Bar.ut2"_s, "bar"}}), archive(u"DM-Foo.zip"_s, fooFiles)});
    const QByteArray recordsBefore = tree.read(u"prog/mapdata.dat"_s);
    EXPECT_THROW(
        InstallArchives(ctx(), ContentKind::Maps, {u"DM-Bar.zip"_s, u"DM-Foo.zip"_s}, false),
        platform::Error);
    // A run is one transaction: an error undoes all of it.
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), recordsBefore);
    EXPECT_FALSE(tree.exists(u"game/Maps/DM-Bar.ut2"_s));
    EXPECT_EQ(tree.read(u"game/Textures/Foo.utx"_s), "old");
    EXPECT_FALSE(tree.exists(u"prog/transaction.log"_s));
    EXPECT_FALSE(core.state.OverwriteAlways);
    EXPECT_TRUE(tempEntries().isEmpty());
    EXPECT_EQ(status.progress.last(), u"0/0"_s);
}

TEST_F(InstallRunTest, DeletedArchivesGoToTheTrashAndTheirRecordsSaySo) {
    content_db::WriteAll(core.state.modDataPath(),
                         {archive(u"Red.zip"_s, {{u"Red.utx"_s, "red"}}, u"Red"_s, 2)});
    const QByteArray zipBytes = tree.read(u"archives/Red.zip"_s);
    const install::InstallResult result =
        InstallArchives(ctx(), ContentKind::Skins, {u"Red"_s}, true);
    ASSERT_EQ(result.trashedTo.size(), 1);
    EXPECT_TRUE(result.trashedTo[0].startsWith(tree.root()));
    QFile trashed(result.trashedTo[0]);
    ASSERT_TRUE(trashed.open(QIODevice::ReadOnly));
    EXPECT_EQ(trashed.readAll(), zipBytes);
    EXPECT_FALSE(tree.exists(u"archives/Red.zip"_s));
    const TContentRecord r = mods().at(0);
    EXPECT_EQ(r.Kind, 3);
    EXPECT_EQ(r.ArchiveDir, u"Deleted from disk"_s);
}

TEST_F(InstallRunTest, AnArchiveWhoseMapCannotBeCopiedIsNotInstalledAndLeavesNothing) {
    content_db::WriteAll(core.state.mapDataPath(), {archive(u"DM-Foo.zip"_s, fooFiles)});
    const QByteArray records = tree.read(u"prog/mapdata.dat"_s);
    // A folder where the map would go: the copy fails even for root.
    tree.folder(u"game/Maps/DM-Foo.ut2"_s);
    core.state.OverwriteAlways = true;
    const install::InstallResult result =
        InstallArchives(ctx(), ContentKind::Maps, {u"DM-Foo.zip"_s}, true);
    EXPECT_FALSE(tree.exists(u"game/Textures/Foo.utx"_s)) << "what it placed anew went again";
    EXPECT_EQ(result.ProgressDone, 0);
    EXPECT_EQ(result.ProgressTotal, 0) << "not counted among the installed";
    ASSERT_EQ(result.FailedCopies.size(), 1);
    EXPECT_TRUE(result.trashedTo.isEmpty());
    EXPECT_TRUE(tree.exists(u"archives/DM-Foo.zip"_s)) << "kept to install from again";
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), records) << "not recorded as installed";
    EXPECT_TRUE(tempEntries().isEmpty());

    install::FinishInstall(ctx(), ContentKind::Maps, result);
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, u"The following files could not be installed:\r"_s
                                     u"DM-Foo.zip: not all of its files could be copied into "_s
                                     u"the game\r"_s);
    EXPECT_EQ(dialogs.shown[1].kind, platform::MsgKind::Error);
    EXPECT_TRUE(dialogs.shown[1].text.startsWith(
        u"These files could not be copied into the game:\rDM-Foo.ut2 -> "_s +
        tree.path(u"game/Maps/: "_s)));
    EXPECT_EQ(status.status(), u"  Operation cancelled"_s);
}

TEST_F(InstallRunTest, NothingSelectedAndNoTemporaryFolder) {
    QFile::remove(core.state.mapDataPath()); // not even read
    const install::InstallResult none = InstallArchives(ctx(), ContentKind::Maps, {}, false);
    EXPECT_FALSE(none.ran);
    EXPECT_EQ(status.status(), u"  Nothing selected"_s);

    core.state.TempDir.clear();
    tree.file(u"prog/keep.txt"_s, "mine");
    EXPECT_THROW(InstallArchives(ctx(), ContentKind::Maps, {u"DM-Foo.zip"_s}, false),
                 platform::Error);
    EXPECT_TRUE(tree.exists(u"prog/keep.txt"_s));
}

TEST_F(InstallRunTest, WhatCannotBeFlattenedGoesToToBeMovedWithAWarning) {
    // Textures/Foo.utx cannot come up beside the Foo.utx already there.
    content_db::WriteAll(
        core.state.modDataPath(),
        {archive(u"Foo.zip"_s, {{u"Foo.utx"_s, "top"}, {u"Textures/Foo.utx"_s, "sub"}}, u"Foo"_s)});
    const install::InstallResult result =
        InstallArchives(ctx(), ContentKind::Mutators, {u"Foo"_s}, false);
    EXPECT_EQ(tree.read(u"game/Textures/Foo.utx"_s), "top");
    EXPECT_EQ(tempEntries(), QStringList{u"Textures"_s}) << "folders wait for the end";
    install::FinishInstall(ctx(), ContentKind::Mutators, result);
    EXPECT_EQ(tree.read(u"prog/ToBeMoved/Textures/Foo.utx"_s), "sub");
    EXPECT_TRUE(tempEntries().isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Warning);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(-15, 150));
    EXPECT_EQ(dialogs.shown[0].text,
              u"Not all files could be installed by Quorvel. You have to manually move them "_s
              u"yourself.\r\rThe files/directories can be found in "_s +
                  tree.path(u"prog"_s) + u"/ToBeMoved.  See Help for more info."_s);
    EXPECT_EQ(status.status(), u"  Installed 1 mutator(s) with 1 file(s) total."_s);
}

TEST_F(InstallRunTest, EachRunCountsAndNamesOnlyItsOwnFiles) {
    content_db::WriteAll(
        core.state.mapDataPath(),
        {archive(u"DM-Foo.zip"_s, fooFiles),
         archive(u"DM-Bar.zip"_s, {{u"DM-Bar.ut2"_s, "bar"}, {u"Bar.utx"_s, "t"}})});
    // A folder where the first map would go: its copy fails even for root.
    tree.folder(u"game/Maps/DM-Foo.ut2"_s);
    core.state.OverwriteAlways = true;
    const install::InstallResult first =
        InstallArchives(ctx(), ContentKind::Maps, {u"DM-Foo.zip"_s}, false);
    ASSERT_EQ(first.FailedCopies.size(), 1);
    EXPECT_EQ(first.ProgressDone, 0);

    status.texts.clear();
    const install::InstallResult second =
        InstallArchives(ctx(), ContentKind::Maps, {u"DM-Bar.zip"_s}, false);
    EXPECT_TRUE(second.ok);
    EXPECT_TRUE(second.FailedCopies.isEmpty()) << "the first run's failure is not the second's";
    EXPECT_EQ(second.ProgressTotal, 1);
    EXPECT_EQ(second.ProgressDone, 2);
    EXPECT_EQ(status.texts.first(), u"  Installing   DM-Bar ... Extracting "_s);
    EXPECT_EQ(second.ProgressText, u"  Installing DM-Bar.zip"_s);

    install::FinishInstall(ctx(), ContentKind::Maps, second);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << "no box names the first run's file";
    EXPECT_EQ(status.status(), u"  Installed 1 map(s) with 2 file(s) total."_s);
    // The first run's end still names its own file.
    install::FinishInstall(ctx(), ContentKind::Maps, first);
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_TRUE(dialogs.shown[1].text.contains(u"DM-Foo.ut2 -> "_s));
}
