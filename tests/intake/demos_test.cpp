// The demo operations against a fake game folder and a fake game program
// (a shell script that logs how it was started and what it found while it
// ran): listing, playing from the game's folder, from DemosDir and from
// archives, the clean-up after the game, and deleting to the trash.
#include "intake/demos.h"

#include "core/app_core.h"
#include "intake/folder_search.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/fake_game.h"
#include "support/rar4_writer.h"
#include "support/tree_builder.h"
#include "support/zip_builder.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;
using testing_support::FakeGame;
using testing_support::Rar4Entry;
using testing_support::ShownDialog;
using testing_support::TempTree;
using testing_support::ZipBuilder;

namespace {

class Demos : public ::testing::Test {
protected:
    Demos() : oldHome_(qgetenv("HOME")), core(dialogs, status) {
        // The desktop trash lives below HOME.
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(u"prog"_s);
        s.TempDir = tree.folder(u"prog/Temp"_s);
        s.setGameDir(tree.gameFolder(u"game"_s, {u"System"_s, u"Demos"_s, u"Maps"_s}));
        s.DemosDir = tree.folder(u"my demos"_s);
        s.ScanSubDirs = true;
    }
    ~Demos() override { qputenv("HOME", oldHome_); }

    CommandContext& ctx() { return core.context(); }
    QString gameDemos() const { return tree.path(u"game/Demos"_s); }
    QString systemDir() const { return QDir(tree.path(u"game/System"_s)).canonicalPath(); }
    FakeGame game() { return FakeGame(tree.path(u"game/System"_s), tree.root()); }
    QStringList scan() {
        intake::DemoCatalog catalog;
        catalog.scan(ctx(), fScan);
        return catalog.DemoPaths;
    }
    /// Plays `path`, recording the warning panel's changes.
    void launch(const QString& path) {
        core.beginCommand(); // as the command boundary does
        intake::LaunchDemo(ctx(), path, [this](bool shown) { warnings.append(shown); });
    }
    QStringList filesIn(const QString& relative) const {
        return QDir(tree.path(relative)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void expectWarning(const QString& text) {
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].type, ShownDialog::Message);
        EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Warning);
        EXPECT_EQ(dialogs.shown[0].text, text);
        EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok);
        EXPECT_EQ(dialogs.shown[0].offset, QPoint(105, 130));
    }

    TempTree tree;
    QByteArray oldHome_;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    intake::TmFileScan fScan;
    QList<bool> warnings;
};

} // namespace

TEST_F(Demos, ScanListsTheGameFolderThenWhatTheSearchFinds) {
    tree.file(u"game/Demos/b.demo4"_s, "b");
    tree.file(u"game/Demos/A.DEMO4"_s, "a");
    tree.file(u"game/Demos/notes.txt"_s);
    tree.file(u"my demos/sub/z.demo4"_s);
    tree.file(u"my demos/y.demo4"_s);
    tree.file(u"my demos/pack.rar"_s);
    tree.file(u"my demos/pack.zip"_s);

    intake::DemoCatalog catalog;
    EXPECT_TRUE(catalog.scan(ctx(), fScan));
    const QString mine = tree.path(u"my demos"_s);
    // Every mask through the whole tree before the next one.
    EXPECT_EQ(catalog.DemoPaths,
              (QStringList{gameDemos() + u"/A.DEMO4"_s, gameDemos() + u"/b.demo4"_s,
                           mine + u"/pack.zip"_s, mine + u"/pack.rar"_s, mine + u"/y.demo4"_s,
                           mine + u"/sub/z.demo4"_s}));
    EXPECT_TRUE(core.state.DemosListed);
    EXPECT_EQ(catalog.folders(), (QStringList{gameDemos(), mine, mine + u"/sub"_s}));
    EXPECT_EQ(catalog.names({}), (QStringList{u"A.DEMO4"_s, u"b.demo4"_s, u"pack.zip"_s,
                                              u"pack.rar"_s, u"y.demo4"_s, u"z.demo4"_s}));
    EXPECT_EQ(catalog.names(mine), (QStringList{u"pack.zip"_s, u"pack.rar"_s, u"y.demo4"_s}));
    EXPECT_EQ(catalog.pathAt({}, 5, u"ignored"_s), mine + u"/sub/z.demo4"_s);
    EXPECT_EQ(catalog.pathAt(mine, 0, u"y.demo4"_s), mine + u"/y.demo4"_s);
    EXPECT_EQ(catalog.pathAt(mine, -1, u"y.demo4"_s), QString());
    EXPECT_EQ(status.status(), u"  Scanning for demos. Please wait."_s);

    // Listed once: a new demo waits for DemosListed to be cleared.
    tree.file(u"game/Demos/c.demo4"_s);
    EXPECT_FALSE(catalog.scan(ctx(), fScan));
    EXPECT_EQ(catalog.DemoPaths.size(), 6);

    core.state.ScanSubDirs = false;
    core.state.DemosListed = false;
    EXPECT_EQ(scan().size(), 6); // c.demo4 in, sub/z.demo4 out
    EXPECT_EQ(intake::demoCountText(3), u"  3 file(s) found"_s);
}

TEST_F(Demos, WhereTheDemosFolderIsNotSetOrIsTheGamesOwn) {
    tree.file(u"game/Demos/a.demo4"_s);
    tree.file(u"my demos/b.demo4"_s);
    core.state.DemosDir.clear();
    EXPECT_EQ(scan(), QStringList{gameDemos() + u"/a.demo4"_s});

    // Every demo there is listed twice; its folder is in DirBox once.
    core.state.DemosListed = false;
    core.state.DemosDir = gameDemos();
    intake::DemoCatalog catalog;
    catalog.scan(ctx(), fScan);
    EXPECT_EQ(catalog.DemoPaths,
              (QStringList{gameDemos() + u"/a.demo4"_s, gameDemos() + u"/a.demo4"_s}));
    EXPECT_EQ(catalog.folders(), QStringList{gameDemos()});

    // Without a game folder nothing is looked for at the root.
    core.state.DemosListed = false;
    core.state.setGameDir(QString());
    core.state.DemosDir = tree.path(u"my demos"_s);
    EXPECT_EQ(scan(), QStringList{tree.path(u"my demos/b.demo4"_s)});
}

TEST_F(Demos, AGameDemoWithSpacesIsRenamedAndPlayedInPlace) {
    const FakeGame fake = game();
    const QString spaced = tree.file(u"game/Demos/my demo.demo4"_s, "rec");
    launch(spaced);

    EXPECT_EQ(fake.runs(), QStringList{systemDir() + u"|1|exec=rundemo.txt"_s});
    EXPECT_EQ(fake.execFileSeen(), QByteArray("demoplay my_demo\r\n"));
    EXPECT_EQ(fake.demosSeen(), QList<QStringList>{{u"my_demo.demo4"_s}});
    // The game's own demo stays, under its new name; the exec file goes.
    EXPECT_EQ(filesIn(u"game/Demos"_s), QStringList{u"my_demo.demo4"_s});
    EXPECT_EQ(tree.read(u"game/Demos/my_demo.demo4"_s), QByteArray("rec"));
    EXPECT_EQ(filesIn(u"game/System"_s), QStringList{u"ut2004-bin"_s});
    EXPECT_EQ(warnings, (QList<bool>{true, false}));
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // The list still holds the old name.
    launch(spaced);
    expectWarning(u"Couldn't launch demo "_s + spaced);
    EXPECT_EQ(fake.runs().size(), 1);
}

TEST_F(Demos, ADemoFromElsewhereIsCopiedForTheGameAndRemovedAfter) {
    const FakeGame fake = game();
    const QString source = tree.file(u"my demos/Final Match.demo4"_s, "final");
    tree.file(u"game/Demos/kept.demo4"_s, "kept");
    tree.file(u"game/System/rundemo.txt"_s, "demoplay older\r\n");
    launch(source);

    EXPECT_EQ(fake.execFileSeen(), QByteArray("demoplay Final_Match\r\n"));
    EXPECT_EQ(fake.demosSeen(),
              QList<QStringList>{(QStringList{u"Final_Match.demo4"_s, u"kept.demo4"_s})});
    EXPECT_EQ(filesIn(u"game/Demos"_s), QStringList{u"kept.demo4"_s});
    EXPECT_EQ(tree.read(u"my demos/Final Match.demo4"_s), QByteArray("final"));
    EXPECT_FALSE(tree.exists(u"game/System/rundemo.txt"_s));

    // A missing Demos folder is made for the copy.
    QDir(gameDemos()).removeRecursively();
    launch(source);
    EXPECT_EQ(fake.demosSeen().value(1), QStringList{u"Final_Match.demo4"_s});
    EXPECT_TRUE(filesIn(u"game/Demos"_s).isEmpty());
}

TEST_F(Demos, ANameTakenInTheGameFolderIsNeverOverwrittenNorDeleted) {
    const FakeGame fake = game();
    tree.file(u"game/Demos/DUEL.demo4"_s, "user's");
    tree.file(u"game/Demos/duel_2.demo4"_s, "user's too");
    launch(tree.file(u"my demos/duel.demo4"_s, "mine"));
    EXPECT_EQ(fake.execFileSeen(), QByteArray("demoplay duel_3\r\n"));
    EXPECT_EQ(fake.demosSeen().value(0),
              (QStringList{u"DUEL.demo4"_s, u"duel_2.demo4"_s, u"duel_3.demo4"_s}));
    EXPECT_EQ(filesIn(u"game/Demos"_s), (QStringList{u"DUEL.demo4"_s, u"duel_2.demo4"_s}));
    EXPECT_EQ(tree.read(u"game/Demos/DUEL.demo4"_s), QByteArray("user's"));

    // Renaming in place takes a free name too.
    tree.file(u"game/Demos/a b.demo4"_s, "spaced");
    tree.file(u"game/Demos/a_b.demo4"_s, "other");
    launch(gameDemos() + u"/a b.demo4"_s);
    EXPECT_EQ(fake.execFileSeen(), QByteArray("demoplay a_b_2\r\n"));
    EXPECT_EQ(tree.read(u"game/Demos/a_b_2.demo4"_s), QByteArray("spaced"));
    EXPECT_EQ(tree.read(u"game/Demos/a_b.demo4"_s), QByteArray("other"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(Demos, AnArchivePlaysTheFirstDemoItYieldsAndLeavesTempEmpty) {
    const FakeGame fake = game();
    tree.file(u"prog/Temp/earlier.txt"_s, "left by someone else");
    const QString zip = tree.path(u"my demos/pack.zip"_s);
    ASSERT_TRUE(ZipBuilder()
                    .file(u"z.demo4"_s, "z")
                    .file(u"2004/a.demo4"_s, "a")
                    .file(u"readme.txt"_s, "r")
                    .write(zip));
    launch(zip);
    EXPECT_EQ(fake.execFileSeen(), QByteArray("demoplay a\r\n"));
    EXPECT_EQ(fake.demosSeen().value(0), QStringList{u"a.demo4"_s});
    EXPECT_EQ(filesIn(u"prog/Temp"_s), QStringList{u"earlier.txt"_s});
    EXPECT_TRUE(filesIn(u"game/Demos"_s).isEmpty());

    // A rar keeps its folders until they are flattened.
    const QString rar = tree.path(u"my demos/clan war.rar"_s);
    ASSERT_TRUE(testing_support::writeRar4Archive(
        rar, {Rar4Entry::file("demos\\2004\\clan war.demo4", "cw"), Rar4Entry::file("x.txt", "")}));
    launch(rar);
    EXPECT_EQ(fake.execFileSeen(), QByteArray("demoplay clan_war\r\n"));
    EXPECT_EQ(fake.demosSeen().value(1), QStringList{u"clan_war.demo4"_s});
    EXPECT_EQ(QDir(tree.path(u"prog/Temp"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{u"earlier.txt"_s});
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(Demos, AnArchiveWithoutDemoIsNoDemoFile) {
    const FakeGame fake = game();
    // A demo left in TempDir by someone else is not the archive's.
    tree.file(u"prog/Temp/stale.demo4"_s);
    const QString zip = tree.path(u"my demos/maps.zip"_s);
    ASSERT_TRUE(ZipBuilder().file(u"DM-Foo.ut2"_s, "map").write(zip));
    launch(zip);
    expectWarning(u"Not a valid UT2004 demo-file"_s);
    EXPECT_TRUE(fake.runs().isEmpty());
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(filesIn(u"prog/Temp"_s), QStringList{u"stale.demo4"_s});
    EXPECT_FALSE(tree.exists(u"game/System/rundemo.txt"_s));
}

TEST_F(Demos, AGameThatCannotStartStillCleansUp) {
    const QString source = tree.file(u"my demos/x.demo4"_s);
    launch(source); // no game program at all
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, ShownDialog::Plain);
    EXPECT_EQ(dialogs.shown[0].text, u"Error Terror"_s);
    EXPECT_TRUE(filesIn(u"game/Demos"_s).isEmpty());
    EXPECT_FALSE(tree.exists(u"game/System/rundemo.txt"_s));
    EXPECT_EQ(warnings, (QList<bool>{true, false}));

    // Found and executable, but its interpreter is missing.
    dialogs.shown.clear();
    warnings.clear();
    const FakeGame broken(tree.path(u"game/System"_s), tree.root(), u"UT2004.exe"_s, 0,
                          "/nonexistent/sh");
    launch(source);
    expectWarning(u"Couldn't launch demo"_s);
    EXPECT_TRUE(filesIn(u"game/Demos"_s).isEmpty());
    EXPECT_FALSE(tree.exists(u"game/System/rundemo.txt"_s));
    EXPECT_EQ(warnings, (QList<bool>{true, false}));

    // No game folder: nothing to copy to or start.
    dialogs.shown.clear();
    warnings.clear();
    core.state.setGameDir(QString());
    launch(source);
    ASSERT_EQ(dialogs.texts(), QStringList{u"Error Terror"_s});
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(Demos, TheGamesExitCodeOrCrashIsNoFailure) {
    const QString demo = tree.file(u"my demos/x.demo4"_s);
    for (const int end : {3, -11}) {
        const FakeGame fake(tree.path(u"game/System"_s), tree.root(), u"ut2004-bin"_s, end);
        launch(demo);
        EXPECT_TRUE(dialogs.shown.isEmpty()) << end;
        EXPECT_TRUE(filesIn(u"game/Demos"_s).isEmpty()) << end;
        EXPECT_FALSE(tree.exists(u"game/System/rundemo.txt"_s)) << end;
    }
    EXPECT_EQ(FakeGame(tree.path(u"game/System"_s), tree.root()).runs().size(), 2);
}

TEST_F(Demos, DeleteSendsTheDemoToTheTrash) {
    const QString demo = tree.file(u"my demos/old.demo4"_s, "old");
    EXPECT_TRUE(intake::DeleteDemo(ctx(), demo));
    EXPECT_FALSE(QFileInfo::exists(demo));
    QStringList trashed;
    for (const QString& f : tree.allFiles()) {
        if (f.contains(u"Trash/files/"_s))
            trashed.append(QFileInfo(f).fileName());
    }
    EXPECT_EQ(trashed, QStringList{u"old.demo4"_s});
    EXPECT_TRUE(dialogs.shown.isEmpty());

    EXPECT_FALSE(intake::DeleteDemo(ctx(), demo));
    expectWarning(u"Couldn't delete file "_s + demo);
}
