// The .uz2 page in the window: files dropped or chosen, "Go" with a fake
// game tool (a shell script), the busy state while it runs, and the marks.
#include "core/app_core.h"
#include "core/command_boundary.h"
#include "core/content_db.h"
#include "gui/uz2_page.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"
#include "support/zip_builder.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;
using testing_support::TempTree;
using testing_support::ZipBuilder;

namespace {

/// Logs "first argument|second argument"; exit code 1 for a path holding
/// "bad", a crash (SIGSEGV) for one holding "crash"; a path holding "slow"
/// takes a moment.
QByteArray toolScript(const QString& log) {
    return "#!/bin/sh\n"
           "printf '%s|%s\\n' \"$1\" \"$2\" >> '" +
           log.toUtf8() +
           "'\n"
           "case \"$2\" in *slow*) sleep 0.3;; esac\n"
           "case \"$2\" in *bad*) exit 1;; *crash*) kill -SEGV $$;; esac\n"
           "exit 0\n";
}

QStringList lines(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

class Uz2PageWindow : public WindowFixture {
protected:
    /// The window on the .uz2 page, with the fake tool in the game.
    TForm1& startOnPage() {
        TForm1& w = start();
        w.state().setGameDir(tree.gameFolder(u"game"_s));
        const QString tool = tree.file(u"game/System/ucc-bin"_s, toolScript(log()));
        QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner);
        w.showPage(TForm1::Uz2Tab);
        return w;
    }
    QString log() const { return tree.path(u"tool.log"_s); }
    QStringList toolCalls() const {
        return QString::fromUtf8(tree.read(u"tool.log"_s)).split(u'\n', Qt::SkipEmptyParts);
    }
};

} // namespace

TEST_F(Uz2PageWindow, ADropChoosesTheActionAndGoMarksEveryLine) {
    TForm1& w = startOnPage();
    QButtonGroup* rbUzAction = choices(w, u"rbUzAction"_s);
    const QListWidget* LBUz = control<QListWidget>(w, u"LBUz"_s);
    QPushButton* bGoUz2 = control<QPushButton>(w, u"bGoUz2"_s);
    const QString a = tree.file(u"drop zone/A.uz2"_s, "a");
    const QString b = tree.file(u"drop zone/bad B.ogg"_s, "b");
    rbUzAction->button(1)->setChecked(true);
    EXPECT_TRUE(dropFiles(w, {a, b}));
    EXPECT_EQ(lines(LBUz), (QStringList{u"A.uz2"_s, u"bad B.ogg"_s}));
    EXPECT_EQ(w.state().ListBox3, (QStringList{a, b}));
    EXPECT_EQ(rbUzAction->checkedId(), 0);
    EXPECT_EQ(w.state().LastUz2Dir, tree.path(u"drop zone"_s));
    EXPECT_EQ(w.status(), u"  2 files selected to be decompressed. Hit Go to start."_s);

    control<QCheckBox>(w, u"cbUzDelete"_s)->setChecked(true);
    bGoUz2->click();
    EXPECT_EQ(toolCalls(), (QStringList{u"Decompress|"_s + a, u"Decompress|"_s + b}));
    EXPECT_EQ(lines(LBUz), (QStringList{u"A.uz2 -> ok"_s, u"bad B.ogg -> Error"_s}));
    EXPECT_EQ(LBUz->item(1)->toolTip(), u"The game's tool ended with exit code 1."_s);
    EXPECT_EQ(w.status(),
              u"  1 files successfully Decompressed. Input file(s) moved to recyclebin"_s);
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo::exists(b));
    EXPECT_TRUE(w.state().ListBox3.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // After a completed run "Go" finds nothing selected; the marks stay.
    bGoUz2->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, u"No file(s) selected "_s);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(150, 125));
    EXPECT_EQ(toolCalls().size(), 2);
    EXPECT_EQ(LBUz->count(), 2);

    // Another page takes the drop receiver away: the Maps page takes
    // archives only, and says why it refuses.
    w.showPage(TForm1::MapsTab);
    EXPECT_FALSE(dropFiles(w, {b}));
    EXPECT_TRUE(w.state().ListBox3.isEmpty());
}

TEST_F(Uz2PageWindow, AToolCrashingOnTheFirstFileStillConvertsTheSecond) {
    TForm1& w = startOnPage();
    const QString first = tree.file(u"in/crash.uz2"_s, "a");
    const QString second = tree.file(u"in/fine.uz2"_s, "b");
    EXPECT_TRUE(dropFiles(w, {first, second}));
    control<QPushButton>(w, u"bGoUz2"_s)->click();
    EXPECT_EQ(toolCalls(), (QStringList{u"Decompress|"_s + first, u"Decompress|"_s + second}));
    EXPECT_EQ(lines(control<QListWidget>(w, u"LBUz"_s)),
              (QStringList{u"crash.uz2 -> Error"_s, u"fine.uz2 -> ok"_s}));
    EXPECT_EQ(w.status(), u"  1 files successfully Decompressed."_s);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(looksIdle(w));
}

TEST_F(Uz2PageWindow, WhileTheToolRunsTheBoundaryRefusesDropsAndMenuItems) {
    TForm1& w = startOnPage();
    const QString slow = tree.file(u"in/slow.ogg"_s, "s");
    ASSERT_TRUE(dropFiles(w, {slow}));
    EXPECT_EQ(choices(w, u"rbUzAction"_s)->checkedId(), 1);
    // A map folder that "Update database" would record.
    w.state().CustomMapDir = tree.folder(u"maps"_s);
    w.state().MapDirSet = true;
    ASSERT_TRUE(ZipBuilder().file(u"DM-Late.ut2"_s, "m").write(tree.path(u"maps/DM-Late.zip"_s)));
    w.show();
    bool busy = false;
    bool canClose = true;
    bool closed = true;
    bool dropTaken = true;
    QString statusInRun;
    QStringList listDuringRun;
    // Events the run processes while it waits for the tool: what a user
    // does meanwhile arrives here.
    QTimer::singleShot(0, &w, [&] {
        busy = looksBusy(w);
        canClose = w.state().CanClose;
        closed = w.close();
        statusInRun = w.status();
        dropTaken = dropFiles(w, {tree.file(u"elsewhere/other.uz2"_s, "o")});
        listDuringRun = w.state().ListBox3;
        control<QAction>(w, u"Updatedatabase1"_s)->trigger();
        control<QAction>(w, u"GameOver1"_s)->trigger();
        EXPECT_EQ(w.status(), statusInRun) << "no other command ran";
    });
    control<QPushButton>(w, u"bGoUz2"_s)->click();
    EXPECT_TRUE(busy);
    EXPECT_FALSE(canClose);
    EXPECT_FALSE(closed);
    EXPECT_EQ(statusInRun, u"  Compressing slow.ogg"_s);
    EXPECT_FALSE(dropTaken) << "the drop is refused, not taken and then dropped";
    EXPECT_EQ(listDuringRun, QStringList{slow});
    EXPECT_EQ(toolCalls(), QStringList{u"Compress|"_s + slow});
    EXPECT_EQ(lines(control<QListWidget>(w, u"LBUz"_s)), QStringList{u"slow.ogg -> ok"_s});
    EXPECT_EQ(w.state().LastUz2Dir, tree.path(u"in"_s));
    EXPECT_EQ(w.status(), u"  1 files successfully Compressed."_s);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(QFileInfo(prog(u"Temp"_s)).isDir()) << "Game Over did not shut down";
    EXPECT_TRUE(tree.read(u"prog/mapdata.dat"_s).isEmpty()) << "Update database did not run";
    EXPECT_TRUE(looksIdle(w));
    EXPECT_TRUE(w.state().CanClose);

    // Once the run is over the same item works.
    control<QAction>(w, u"Updatedatabase1"_s)->trigger();
    EXPECT_EQ(content_db::ReadAll(prog(u"mapdata.dat"_s)).size(), 1);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

namespace {

/// Records where the open dialog starts and with which filter.
class RecordingDialogs : public FakeDialogs {
public:
    QStringList openFiles(const QString& title, const QString& folder,
                          const QString& filter) override {
        opened.append(folder + u'|' + filter);
        return FakeDialogs::openFiles(title, folder, filter);
    }
    QStringList opened;
};

class Uz2PageAlone : public ::testing::Test {
protected:
    Uz2PageAlone()
        : core(dialogs, status),
          commands(core.state, [this](const QString& text) { dialogs.errorMessage(text); }),
          page(core.context(), commands) {
        core.state.LastUz2Dir = tree.folder(u"start"_s);
    }

    TempTree tree;
    RecordingDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    CommandBoundary commands;
    Uz2Page page;
};

} // namespace

TEST_F(Uz2PageAlone, OpenUsesTheActionsFilterAndReplacesTheSelection) {
    const QStringList chosen = {tree.file(u"picked/One.ogg"_s), tree.file(u"picked/Two"_s),
                                tree.file(u"picked/Three.ogg"_s)};
    dialogs.openAnswers = {chosen, {}, {tree.file(u"picked/Four.uz2"_s)}};
    QButtonGroup* rbUzAction = choices(page, u"rbUzAction"_s);
    QPushButton* bOpenUz2 = control<QPushButton>(page, u"bOpenUz2"_s);
    const QListWidget* LBUz = control<QListWidget>(page, u"LBUz"_s);
    page.TabUZShow();
    rbUzAction->button(1)->setChecked(true);
    bOpenUz2->click();
    EXPECT_EQ(lines(LBUz), (QStringList{u"One.ogg"_s, u"Two"_s, u"Three.ogg"_s}));
    EXPECT_EQ(core.state.ListBox3, chosen);
    EXPECT_EQ(status.status(), u"  3 files selected to be compressed. Hit Go to start."_s);

    // Cancelled: the selection stays as it was.
    rbUzAction->button(0)->setChecked(true);
    bOpenUz2->click();
    EXPECT_EQ(core.state.ListBox3, chosen);
    EXPECT_EQ(LBUz->count(), 3);

    // No action chosen: the dialog keeps its filter.
    rbUzAction->setExclusive(false);
    rbUzAction->button(0)->setChecked(false);
    bOpenUz2->click();
    EXPECT_EQ(lines(LBUz), QStringList{u"Four.uz2"_s});
    const QString picked = tree.path(u"picked"_s);
    EXPECT_EQ(dialogs.opened, (QStringList{tree.path(u"start"_s) + u"|All files(*)"_s,
                                           picked + u"|UT2004 compressed files(*.uz2)"_s,
                                           picked + u"|UT2004 compressed files(*.uz2)"_s}));
}
