// "Verify installation" on a generated game folder: archives installed with
// the real install run, then the game changed by hand (files deleted, a
// mutator copied in, a count raised as a killed run leaves it), the check's
// three lists, and the actions that bring records, counts and game together.
#include "core/app_core.h"
#include "core/content_db.h"
#include "install/install.h"
#include "install/uninstall.h"
#include "install/verify.h"
#include "platform/errors.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/install_archives.h"
#include "support/tree_builder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using install::CountProblem;
using testing_support::ArchiveFiles;
using testing_support::scannedRecord;

namespace {

class VerifyTest : public ::testing::Test {
protected:
    VerifyTest() : oldHome_(qgetenv("HOME")), core(dialogs, status) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(u"prog"_s);
        s.TempDir = tree.folder(u"prog/Temp"_s);
        s.setGameDir(tree.gameFolder());
        s.clock = platform::Clock([] { return QDate(2024, 6, 1); });
        s.OverwriteAlways = true;
        content_db::CreateMissingFiles(s);
        archives = tree.folder(u"archives"_s) + u'/';
    }
    ~VerifyTest() override { qputenv("HOME", oldHome_); }

    TContentRecord archive(const QString& name, const ArchiveFiles& files,
                           const QString& shown = {}, qint32 kind = 0) {
        EXPECT_TRUE(testing_support::writeZip(archives + name, files));
        return scannedRecord(name, archives, shown, kind, files);
    }
    void install(ContentKind kind, const QStringList& items) {
        core.beginCommand();
        ASSERT_TRUE(
            install::InstallArchives(core.context(), kind, catalogue::firstEntries(items), false)
                .ok);
    }
    install::VerifyReport verify() {
        core.beginCommand();
        return install::VerifyInstallation(core.context());
    }
    void writeShared(const QList<QPair<QString, qint32>>& counts) {
        QList<TSharedFileRecord> records;
        for (const auto& [name, count] : counts) {
            TSharedFileRecord r;
            r.FileName = name;
            r.RefCount = count;
            records.append(r);
        }
        content_db::WriteAllShared(core.state.sharedDataPath(), records);
    }
    QStringList shared() {
        QStringList out;
        for (const TSharedFileRecord& r : content_db::ReadAllShared(core.state.sharedDataPath()))
            out.append(r.FileName + u'=' + QString::number(r.RefCount));
        return out;
    }
    /// "archive=installed" for every record of a file.
    QStringList installedFlags(const QString& path) {
        QStringList out;
        for (const TContentRecord& r : content_db::ReadAll(path))
            out.append(r.ArchiveName + u'=' + QString::number(r.Installed));
        return out;
    }
    QStringList gameFiles() const {
        QStringList out;
        for (const QString& f : tree.allFiles())
            if (f.startsWith(u"game/"_s))
                out.append(f.mid(5));
        return out;
    }

private:
    QByteArray oldHome_;

protected:
    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    QString archives;
};

QStringList missingOf(const install::VerifyReport& r) {
    QStringList out;
    for (const install::MissingFiles& m : r.missing)
        out.append(m.entry.name + u':' + m.missing.join(u','));
    return out;
}

QStringList adoptableOf(const install::VerifyReport& r) {
    QStringList out;
    for (const install::Adoptable& a : r.adoptable)
        out.append(install::pageText(a.page) + u'/' + a.entry.name);
    return out;
}

} // namespace

// The whole round: what drifted is listed, each action fixes its part
// through the ordinary operations, and the check agrees at the end.
TEST_F(VerifyTest, DriftIsListedAndEachActionBringsItBack) {
    content_db::WriteAll(
        core.state.mapDataPath(),
        {archive(u"DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}, {u"Shared.utx"_s, "t"}}, u"DM-A"_s),
         archive(u"DM-B.zip"_s, {{u"DM-B.ut2"_s, "b"}, {u"Shared.utx"_s, "t"}}, u"DM-B"_s),
         // A second copy of DM-A: its files are DM-A's, not adopted.
         archive(u"DM-A-v2.zip"_s, {{u"DM-A.ut2"_s, "a2"}})});
    content_db::WriteAll(
        core.state.modDataPath(),
        {archive(u"MutY.zip"_s, {{u"MutY.u"_s, "y"}, {u"Common.utx"_s, "c"}}, u"Mutator Y"_s),
         archive(u"MutX.zip"_s, {{u"System/MutX.u"_s, "x"}, {u"MutX.int"_s, "i"}},
                 u"Mutator X"_s)});
    install(ContentKind::Maps, {u"DM-A.zip"_s, u"DM-B.zip"_s});
    install(ContentKind::Mutators, {u"Mutator Y"_s});
    ASSERT_EQ(shared(), QStringList{u"Shared.utx=2"_s});
    EXPECT_TRUE(verify().agrees());

    // By hand: a map file and the shared texture deleted, a mutator copied
    // in under other cases, a count raised by a killed run, a count left
    // for a file no record lists.
    ASSERT_TRUE(QFile::remove(tree.path(u"game/Maps/DM-A.ut2"_s)));
    ASSERT_TRUE(QFile::remove(tree.path(u"game/Textures/Shared.utx"_s)));
    tree.file(u"game/System/mutx.U"_s, "x");
    tree.file(u"game/System/MUTX.int"_s, "i");
    writeShared({{u"Shared.utx"_s, 2}, {u"Common.utx"_s, 4}, {u"Orphan.utx"_s, 3}});
    const QByteArray mapsBefore = tree.read(u"prog/mapdata.dat"_s);
    const QByteArray modsBefore = tree.read(u"prog/somdata.dat"_s);
    const QByteArray sharedBefore = tree.read(u"prog/sharedfiles.dat"_s);
    const QStringList filesBefore = tree.allFiles();

    const int listedBefore = core.context().folders.listingCount();
    install::VerifyReport r = verify();
    EXPECT_EQ(missingOf(r), (QStringList{u"DM-A:DM-A.ut2,Shared.utx"_s, u"DM-B:Shared.utx"_s}));
    ASSERT_EQ(r.missing.size(), 2);
    EXPECT_TRUE(r.missing[0].canReinstall());
    EXPECT_EQ(r.missing[0].archivePath, archives + u"DM-A.zip"_s);
    EXPECT_EQ(adoptableOf(r), QStringList{u"Mutators/Mutator X"_s});
    ASSERT_EQ(r.counts.size(), 3);
    EXPECT_EQ(r.counts[0].fileName, u"Shared.utx"_s);
    EXPECT_EQ(r.counts[0].problem, CountProblem::FileGone);
    EXPECT_EQ(r.counts[1].problem, CountProblem::TooHigh);
    EXPECT_EQ(r.counts[1].users, 1);
    EXPECT_EQ(r.counts[1].repaired, 2) << "the file may have been the game's: kept";
    EXPECT_EQ(r.counts[2].problem, CountProblem::NotListed);
    EXPECT_EQ(r.installedRecords, 3);
    EXPECT_FALSE(r.agrees());
    // Looking changed nothing, and each game folder was listed once.
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), mapsBefore);
    EXPECT_EQ(tree.read(u"prog/somdata.dat"_s), modsBefore);
    EXPECT_EQ(tree.read(u"prog/sharedfiles.dat"_s), sharedBefore);
    EXPECT_EQ(tree.allFiles(), filesBefore);
    EXPECT_EQ(core.context().folders.listingCount() - listedBefore, 4)
        << "the game folder, Maps, Textures and System";

    // Reinstall DM-A: its files come back, DM-B's texture with them, and
    // the texture counts both maps again.
    core.beginCommand();
    const QList<install::ReinstallRun> runs =
        install::ReinstallArchives(core.context(), {r.missing[0]});
    ASSERT_EQ(runs.size(), 1);
    EXPECT_TRUE(runs[0].result.ok);
    EXPECT_TRUE(runs[0].result.FailedArchives.isEmpty())
        << runs[0].result.failureReasons.join(u' ').toStdString();
    EXPECT_EQ(tree.read(u"game/Maps/DM-A.ut2"_s), "a");
    EXPECT_EQ(tree.read(u"game/Textures/Shared.utx"_s), "t");
    EXPECT_EQ(installedFlags(core.state.mapDataPath()),
              (QStringList{u"DM-A.zip=1"_s, u"DM-B.zip=1"_s, u"DM-A-v2.zip=0"_s}));
    r = verify();
    EXPECT_TRUE(r.missing.isEmpty()) << missingOf(r).join(u' ').toStdString();
    ASSERT_EQ(r.counts.size(), 2) << "Shared.utx agrees again";

    // The mutator copied in by hand is adopted through "Mark as installed".
    dialogs.buttonAnswers.push_back(platform::Yes);
    core.beginCommand();
    EXPECT_TRUE(install::AdoptContent(core.context(), install::adoptableNamed(r, {u"mutx.zip"_s})));
    EXPECT_EQ(installedFlags(core.state.modDataPath()),
              (QStringList{u"MutY.zip=1"_s, u"MutX.zip=1"_s}));

    core.beginCommand();
    EXPECT_EQ(install::RepairCounts(core.context()), 2);
    // The reinstall counted the texture anew, after the others.
    EXPECT_EQ(shared(), (QStringList{u"Common.utx=2"_s, u"Shared.utx=2"_s}));
    r = verify();
    EXPECT_TRUE(r.agrees()) << install::summaryText(r).toStdString();
    EXPECT_EQ(install::summaryText(r),
              u"  All 4 installed archives agree with the game folders."_s);
}

// "Mark as not installed" releases what an uninstall would release and
// deletes nothing; the record can then be installed again as any other.
TEST_F(VerifyTest, MarkAsNotInstalledReleasesTheCountsAndKeepsEveryFile) {
    content_db::WriteAll(core.state.mapDataPath(),
                         {archive(u"DM-C.zip"_s, {{u"DM-C.ut2"_s, "c"}, {u"Tex.utx"_s, "t"}}),
                          archive(u"DM-D.zip"_s, {{u"DM-D.ut2"_s, "d"}, {u"Tex.utx"_s, "t"}}),
                          archive(u"DM-E.zip"_s, {{u"DM-E.ut2"_s, "e"}, {u"Tex.utx"_s, "t"}})});
    install(ContentKind::Maps, {u"DM-C.zip"_s, u"DM-D.zip"_s, u"DM-E.zip"_s});
    ASSERT_EQ(shared(), QStringList{u"Tex.utx=3"_s});
    ASSERT_TRUE(QFile::remove(tree.path(u"game/Maps/DM-C.ut2"_s)));
    // A mutator whose archive went to the trash after its install.
    TContentRecord gone =
        scannedRecord(u"MutGone.zip"_s, catalogue::DeletedFromDisk.toString(), u"Mut Gone"_s,
                      catalogue::record_kind::ContentWithoutArchive,
                      {{u"MutGone.u"_s, {}}, {u"MutGone.int"_s, {}}});
    gone.Installed = 1;
    content_db::WriteAll(core.state.modDataPath(), {gone});
    tree.file(u"game/System/MutGone.int"_s);
    const QStringList filesBefore = gameFiles();

    const install::VerifyReport r = verify();
    ASSERT_EQ(missingOf(r), (QStringList{u"DM-C.zip:DM-C.ut2"_s, u"Mut Gone:MutGone.u"_s}));
    EXPECT_FALSE(r.missing[1].canReinstall());
    core.beginCommand();
    EXPECT_EQ(install::MarkNotInstalled(core.context(), r.missing), 2);
    EXPECT_EQ(gameFiles(), filesBefore);
    EXPECT_TRUE(content_db::ReadAll(core.state.modDataPath()).isEmpty())
        << "nothing left to install it from, as after an uninstall";
    EXPECT_EQ(shared(), QStringList{u"Tex.utx=2"_s});
    const QList<TContentRecord> after = content_db::ReadAll(core.state.mapDataPath());
    EXPECT_EQ(after[0].Installed, 0);
    EXPECT_EQ(after[0].InstallDate, QString());
    EXPECT_EQ(after[1].InstallDate, u"2024-06-01"_s);
    EXPECT_TRUE(verify().agrees());

    // The counts are the uninstall's: the last two go and take the texture.
    core.beginCommand();
    install::UninstallArchives(core.context(), ContentKind::Maps, {u"DM-D.zip"_s, u"DM-E.zip"_s},
                               false);
    EXPECT_EQ(gameFiles(), QStringList{u"System/MutGone.int"_s});
    EXPECT_TRUE(shared().isEmpty());
}

// Each count judged against the installed records that list its file.
TEST_F(VerifyTest, CountsAreJudgedByTheirUsers) {
    struct Case {
        QString file;
        int users;
        qint32 count;
        bool present;
        std::optional<CountProblem> problem;
        qint32 repaired;
    };
    const QList<Case> cases = {
        {u"Two.utx"_s, 2, 2, true, std::nullopt, 2},  // placed by the first, found by the second
        {u"Had.utx"_s, 2, 3, true, std::nullopt, 3},  // the game had it before both
        {u"Had1.utx"_s, 1, 2, true, std::nullopt, 2}, // before its one user
        {u"Low.utx"_s, 3, 2, true, CountProblem::TooLow, 3},
        {u"High.utx"_s, 2, 5, true, CountProblem::TooHigh, 3},
        {u"None.utx"_s, 0, 2, true, CountProblem::NotListed, 0},
        {u"Gone.utx"_s, 2, 3, false, CountProblem::FileGone, 2},
        {u"two.UTX"_s, 2, 4, true, CountProblem::Duplicate, 0}, // Two.utx again
        {u"Setup.exe"_s, 0, 2, true, CountProblem::NotListed, 0},
    };
    QList<TContentRecord> records;
    QList<QPair<QString, qint32>> counts;
    for (const Case& c : cases) {
        counts.append({c.file, c.count});
        if (c.present && c.problem != CountProblem::Duplicate)
            tree.file((c.file.endsWith(u".exe"_s) ? u"game/System/"_s : u"game/Textures/"_s) +
                      c.file);
        for (int u = 0; u < c.users && c.problem != CountProblem::Duplicate; ++u) {
            TContentRecord rec = scannedRecord(c.file + QString::number(u) + u".zip"_s, archives,
                                               {}, 0, {{c.file, {}}});
            rec.Installed = 1;
            records.append(rec);
        }
    }
    content_db::WriteAll(core.state.mapDataPath(), records);
    writeShared(counts);

    const install::VerifyReport r = verify();
    QStringList seen, expected;
    for (const install::CountDrift& d : r.counts)
        seen.append(d.fileName + u' ' + install::problemText(d.problem) + u" users "_s +
                    QString::number(d.users) + u" -> "_s + QString::number(d.repaired));
    QStringList kept;
    for (const Case& c : cases) {
        const int users = c.problem == CountProblem::Duplicate ? 2 : c.users;
        if (c.problem)
            expected.append(c.file + u' ' + install::problemText(*c.problem) + u" users "_s +
                            QString::number(users) + u" -> "_s + QString::number(c.repaired));
        if (c.repaired > 1)
            kept.append(c.file + u'=' + QString::number(c.repaired));
    }
    EXPECT_EQ(seen, expected);

    core.beginCommand();
    EXPECT_EQ(install::RepairCounts(core.context(), {u"low.utx"_s}), 1) << "only the file named";
    core.beginCommand();
    install::RepairCounts(core.context());
    EXPECT_EQ(shared(), kept);
    // A gone file stays listed until its content is reinstalled.
    const install::VerifyReport after = verify();
    ASSERT_EQ(after.counts.size(), 1);
    EXPECT_EQ(after.counts[0].fileName, u"Gone.utx"_s);
    EXPECT_EQ(after.counts[0].count, 2);
}

TEST_F(VerifyTest, WithoutItsGameFolderNothingIsJudged) {
    TContentRecord rec = archive(u"DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}});
    rec.Installed = 1;
    content_db::WriteAll(core.state.mapDataPath(), {rec});
    core.state.setGameDir(tree.path(u"nowhere"_s));
    EXPECT_THROW(verify(), platform::Error);
    core.beginCommand();
    EXPECT_THROW(install::RepairCounts(core.context()), platform::Error);
}

TEST_F(VerifyTest, SharedNamesOfEveryShapeCountTheirUsersAndTheGamesOwnFilesComeBack) {
    tree.file(u"game/System/Engine.u"_s, "stock engine");
    // Duplicate names inside one archive (its folders flattened), the same
    // name in another archive, a case twin, and the game's own Engine.u.
    content_db::WriteAll(
        core.state.modDataPath(),
        {archive(u"Twice.zip"_s,
                 {{u"a/Zu.u"_s, "zu a"},
                  {u"b/Zu.u"_s, "zu b"},
                  {u"a/Engine.u"_s, "engine a"},
                  {u"b/Engine.u"_s, "engine b"}},
                 u"Twice"_s),
         archive(u"Other.zip"_s, {{u"zu.U"_s, "zu other"}, {u"Other.u"_s, "other"}}, u"Other"_s)});
    install(ContentKind::Mutators, {u"Twice"_s, u"Other"_s});
    // Engine.u: the game and Twice; Zu.u: Twice and Other.
    EXPECT_EQ(shared(), (QStringList{u"Engine.u=2"_s, u"zu.U=2"_s}));
    EXPECT_TRUE(verify().counts.isEmpty());

    // Other loses its record's installed mark without an uninstall: nothing
    // needs the game's Engine.u original yet, Twice still lists Engine.u.
    core.beginCommand();
    install::UninstallArchives(core.context(), ContentKind::Mutators, {u"Twice"_s}, false);
    EXPECT_EQ(tree.read(u"game/System/Engine.u"_s), "stock engine");
    EXPECT_EQ(tree.read(u"game/System/Zu.u"_s), "zu other") << "Other still uses it";
    EXPECT_TRUE(shared().isEmpty());
    const install::VerifyReport after = verify();
    EXPECT_TRUE(after.counts.isEmpty());
    EXPECT_TRUE(after.missing.isEmpty());
    EXPECT_TRUE(after.originals.isEmpty());

    // A record marked not installed by other means leaves an original no
    // installed record needs: Verify names it, and puts it back.
    install(ContentKind::Mutators, {u"Twice"_s});
    QList<TContentRecord> mods = content_db::ReadAll(core.state.modDataPath());
    for (TContentRecord& r : mods) {
        if (r.ArchiveName == u"Twice.zip"_s)
            r.Installed = 0;
    }
    content_db::WriteAll(core.state.modDataPath(), mods);
    const install::VerifyReport report = verify();
    ASSERT_EQ(report.originals.size(), 1);
    EXPECT_EQ(report.originals[0].gamePath, tree.path(u"game/System/Engine.u"_s));
    EXPECT_EQ(report.originals[0].size, 12);
    EXPECT_TRUE(install::summaryText(report).endsWith(
        u", 1 of the game's own files kept that no installed archive needs."_s));
    core.beginCommand();
    EXPECT_EQ(install::PutBackOriginals(core.context()), 1);
    EXPECT_EQ(tree.read(u"game/System/Engine.u"_s), "stock engine");
    EXPECT_TRUE(verify().originals.isEmpty());
    EXPECT_EQ(tree.read(u"prog/kept-originals.txt"_s), "Quorvel kept originals 1\r\n");
}
