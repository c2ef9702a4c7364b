// The Demos page on a fake game folder: the folder filter, the info bars,
// launching with the warning shown while the game plays, and deleting
// with the DirBox rule.
#include "gui/demos_page.h"

#include "controls.h"
#include "core/app_core.h"
#include "core/command_boundary.h"
#include "intake/folder_search.h"
#include "platform/process.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/fake_game.h"
#include "support/tree_builder.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;
using testing_support::FakeGame;
using testing_support::TempTree;

namespace {

/// Real child processes, with a look at the page as each one starts.
class WatchedProcesses : public platform::Processes {
public:
    platform::ProcessEnd runAndWait(const QString& program, const QStringList& arguments,
                                    const QString& workingDir) override {
        if (onStart)
            onStart();
        return Processes::runAndWait(program, arguments, workingDir);
    }
    std::function<void()> onStart;
};

class DemosPageTest : public ::testing::Test {
protected:
    DemosPageTest()
        : oldHome_(qgetenv("HOME")), processes(new WatchedProcesses),
          core(dialogs, status, nullptr, std::unique_ptr<platform::Processes>(processes)),
          commands(core.state, [this](const QString& text) { dialogs.errorMessage(text); }),
          page(core.context(), commands, fScan) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(u"prog"_s);
        s.TempDir = tree.folder(u"prog/Temp"_s);
        s.setGameDir(tree.gameFolder(u"game"_s, {u"System"_s, u"Demos"_s}));
        s.DemosDir = tree.folder(u"mine"_s);
        s.ScanSubDirs = true;
    }
    ~DemosPageTest() override { qputenv("HOME", oldHome_); }

    QStringList dirBox() const {
        QStringList out;
        for (int i = 0; i < DirBox->count(); ++i)
            out.append(DirBox->itemText(i));
        return out;
    }
    QStringList demoList() const {
        QStringList out;
        for (int i = 0; i < DemoList->count(); ++i)
            out.append(DemoList->item(i)->text());
        return out;
    }
    void choose(int dirIndex) {
        DirBox->setCurrentIndex(dirIndex);
        Q_EMIT DirBox->activated(dirIndex);
    }
    void select(int row) { DemoList->item(row)->setSelected(true); }

    TempTree tree;
    QByteArray oldHome_;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    WatchedProcesses* processes;
    AppCore core;
    intake::TmFileScan fScan;
    CommandBoundary commands;
    DemosPage page;
    QComboBox* DirBox = control<QComboBox>(page, u"DirBox"_s);
    QListWidget* DemoList = control<QListWidget>(page, u"DemoList"_s);
    QPushButton* bRunDemo = control<QPushButton>(page, u"bRunDemo"_s);
    QPushButton* bDemoDelete = control<QPushButton>(page, u"bDemoDelete"_s);
    QLabel* StatusBar2 = control<QLabel>(page, u"StatusBar2"_s);
    QLabel* StatusBar3 = control<QLabel>(page, u"StatusBar3"_s);
    QFrame* DemoWarning = control<QFrame>(page, u"DemoWarning"_s);
};

} // namespace

TEST_F(DemosPageTest, ShowingListsTheDemosByFolder) {
    tree.file(u"game/Demos/b.demo4"_s);
    tree.file(u"game/Demos/a.demo4"_s);
    tree.file(u"mine/c.demo4"_s);
    tree.file(u"mine/sub/d.demo4"_s);
    const QString game = tree.path(u"game/Demos"_s);
    const QString mine = tree.path(u"mine"_s);
    EXPECT_EQ(DemoList->selectionMode(), QAbstractItemView::SingleSelection);

    page.TabDemosShow();
    EXPECT_EQ(dirBox(), (QStringList{u"Show all"_s, game, mine, mine + u"/sub"_s}));
    EXPECT_EQ(DirBox->currentIndex(), 0);
    EXPECT_EQ(demoList(), (QStringList{u"a.demo4"_s, u"b.demo4"_s, u"c.demo4"_s, u"d.demo4"_s}));
    EXPECT_EQ(status.status(), u"  4 file(s) found"_s);

    select(1);
    EXPECT_EQ(StatusBar2->text(), u"  Name: b.demo4"_s);
    EXPECT_EQ(StatusBar3->text(), u"  Location: "_s + game);

    choose(2);
    EXPECT_EQ(demoList(), QStringList{u"c.demo4"_s});
    EXPECT_EQ(StatusBar2->text(), u"  Name: "_s);
    EXPECT_EQ(StatusBar3->text(), u"  Location: "_s);
    EXPECT_EQ(status.status(), u"  1 file(s) found"_s);
    select(0);
    EXPECT_EQ(StatusBar2->text(), u"  Name: c.demo4"_s);
    EXPECT_EQ(StatusBar3->text(), u"  Location: "_s + mine);

    // Shown again: the lists stay until DemosListed is cleared.
    tree.file(u"mine/e.demo4"_s);
    page.TabDemosShow();
    EXPECT_TRUE(DemoList->selectedItems().isEmpty());
    EXPECT_EQ(StatusBar2->text(), u"  Name: "_s);
    EXPECT_EQ(demoList(), QStringList{u"c.demo4"_s});
    EXPECT_EQ(status.status(), u"  1 file(s) found"_s);

    // "Update database" lists anew, from "Show all".
    page.refreshDemoList();
    EXPECT_EQ(DirBox->currentIndex(), 0);
    EXPECT_EQ(demoList().size(), 5);
    EXPECT_EQ(status.status(), u"  5 file(s) found"_s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(DemosPageTest, NothingSelectedDoesNothing) {
    const FakeGame game(tree.path(u"game/System"_s), tree.root());
    tree.file(u"game/Demos/a.demo4"_s);
    page.TabDemosShow();
    status.setStatus(u"before"_s);
    bRunDemo->click();
    bDemoDelete->click();
    EXPECT_TRUE(game.runs().isEmpty());
    EXPECT_TRUE(tree.exists(u"game/Demos/a.demo4"_s));
    EXPECT_EQ(status.status(), u"before"_s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(DemosPageTest, TheWarningShowsWhileTheGamePlaysAndTheWindowStaysUsable) {
    const FakeGame game(tree.path(u"game/System"_s), tree.root());
    tree.file(u"mine/sub/duel.demo4"_s, "d");
    page.TabDemosShow();
    QStringList seen;
    processes->onStart = [&] {
        auto yes = [](bool b) { return b ? u"yes"_s : u"no"_s; };
        seen.append(u"warning "_s + yes(!DemoWarning->isHidden()) + u", launch "_s +
                    yes(bRunDemo->isEnabled()) + u", delete "_s + yes(bDemoDelete->isEnabled()) +
                    u", can close "_s + yes(core.state.CanClose));
        // A second launch meanwhile is refused.
        page.bRunDemoClick();
    };
    choose(1); // the folder chosen: its path + the item's text
    ASSERT_EQ(demoList(), QStringList{u"duel.demo4"_s});
    select(0);
    Q_EMIT DemoList->itemDoubleClicked(DemoList->item(0));

    EXPECT_EQ(seen, QStringList{u"warning yes, launch no, delete no, can close yes"_s});
    EXPECT_EQ(game.runs().size(), 1);
    EXPECT_EQ(game.execFileSeen(), QByteArray("demoplay duel\r\n"));
    EXPECT_TRUE(DemoWarning->isHidden());
    EXPECT_TRUE(bRunDemo->isEnabled());
    EXPECT_TRUE(bDemoDelete->isEnabled());
    EXPECT_FALSE(page.playing());
    EXPECT_TRUE(QDir(tree.path(u"game/Demos"_s)).isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(DemosPageTest, DeletingTheLastDemoOfAFolderChoosesTheItemNowAtItsPlace) {
    tree.file(u"game/Demos/g.demo4"_s);
    tree.file(u"mine/a/x.demo4"_s);
    tree.file(u"mine/b/y.demo4"_s);
    const QString game = tree.path(u"game/Demos"_s);
    const QString mine = tree.path(u"mine"_s);
    page.TabDemosShow();
    ASSERT_EQ(dirBox(), (QStringList{u"Show all"_s, game, mine + u"/a"_s, mine + u"/b"_s}));

    choose(2);
    select(0);
    bDemoDelete->click();
    EXPECT_FALSE(tree.exists(u"mine/a/x.demo4"_s));
    EXPECT_EQ(dirBox(), (QStringList{u"Show all"_s, game, mine + u"/b"_s}));
    EXPECT_EQ(DirBox->currentIndex(), 2);
    EXPECT_EQ(demoList(), QStringList{u"y.demo4"_s});
    EXPECT_EQ(status.status(), u"  1 file(s) found"_s);

    // No item at the remembered place any more: "Show all".
    select(0);
    bDemoDelete->click();
    EXPECT_EQ(dirBox(), (QStringList{u"Show all"_s, game}));
    EXPECT_EQ(DirBox->currentIndex(), 0);
    EXPECT_EQ(demoList(), QStringList{u"g.demo4"_s});
    EXPECT_EQ(page.demoPaths(), QStringList{game + u"/g.demo4"_s});
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // Gone since the list was made: said so, the list stays.
    QFile::remove(game + u"/g.demo4"_s);
    select(0);
    bDemoDelete->click();
    EXPECT_EQ(dialogs.texts(), QStringList{u"Couldn't delete file "_s + game + u"/g.demo4"_s});
    EXPECT_EQ(demoList(), QStringList{u"g.demo4"_s});
}
