#include "platform/busy_guard.h"
#include "platform/errors.h"
#include "platform/process.h"
#include "platform/text_file.h"
#include "platform/trash.h"
#include "support/tree_builder.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::TempTree;

namespace {
QString script(TempTree& tree, const QString& name, const QByteArray& body) {
    const QString path = tree.file(name, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}
} // namespace

TEST(ChildProcess, WaitsWhileEventsRunAndGivesTheExitCode) {
    TempTree tree;
    const QString tool = script(tree, u"tool.sh"_s, "echo \"$@\" > args.txt\nsleep 0.3\nexit 3\n");
    bool timerRan = false;
    QTimer::singleShot(50, [&] { timerRan = true; });
    EXPECT_EQ(platform::runAndWait(tool, {u"decompress"_s, u"/a b/c.uz2"_s}, tree.root()),
              platform::ProcessEnd::exited(3));
    EXPECT_TRUE(timerRan) << "the event loop must run during the wait";
    EXPECT_EQ(tree.read(u"args.txt"_s), "decompress /a b/c.uz2\n");
}

TEST(ChildProcess, MissingOrCrashingProgramGivesNoCode) {
    TempTree tree;
    EXPECT_EQ(platform::runAndWait(tree.path(u"nothing"_s), {}, tree.root()),
              platform::ProcessEnd::notStarted());
    const QString crash = script(tree, u"crash.sh"_s, "kill -SEGV $$\n");
    EXPECT_EQ(platform::runAndWait(crash, {}, tree.root()), platform::ProcessEnd::crashed());
}

TEST(Trash, MovesTheFileAndSaysWhere) {
    TempTree tree;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
    const QString file = tree.file(u"home/maps/DM-Old.zip"_s, "zip");
    const std::optional<QString> trashedTo = platform::moveToTrash(file);
    qputenv("HOME", oldHome);
    ASSERT_TRUE(trashedTo);
    const QString where = *trashedTo;
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(where.startsWith(tree.path(u"home/"_s))) << where.toStdString();
    QFile trashed(where);
    ASSERT_TRUE(trashed.open(QIODevice::ReadOnly)) << where.toStdString();
    EXPECT_EQ(trashed.readAll(), "zip");
    EXPECT_FALSE(platform::moveToTrash(tree.path(u"home/none.zip"_s)));
}

TEST(BusyGuard, EveryWayOutRestoresWhatItFound) {
    bool canClose = true;
    bool windowBusy = false;
    QList<bool> calls;
    // The window's side: switch to busy, hand back what restores the old state.
    const platform::BusyGuard::Enter enter = [&] {
        const bool was = windowBusy;
        windowBusy = true;
        calls.append(true);
        return std::function<void()>([&, was] {
            windowBusy = was;
            calls.append(false);
        });
    };
    try {
        platform::BusyGuard outer(canClose, enter);
        EXPECT_FALSE(canClose);
        { platform::BusyGuard inner(canClose, enter); }
        EXPECT_FALSE(canClose) << "an inner command must not re-enable the window";
        EXPECT_TRUE(windowBusy);
        throw platform::Error(u"disk full"_s);
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.text(), u"disk full"_s);
    }
    EXPECT_TRUE(canClose);
    EXPECT_FALSE(windowBusy);
    EXPECT_EQ(calls, (QList<bool>{true, true, false, false}));
    platform::BusyGuard coreOnly(canClose, {});
    EXPECT_FALSE(canClose);
}

TEST(TextFiles, CrLfWrittenAndBothEndingsRead) {
    TempTree tree;
    const QString path = tree.path(u"a.txt"_s);
    platform::writeLines(path, {u"one"_s, QString(), u"drei é"_s});
    EXPECT_EQ(tree.read(u"a.txt"_s), "one\r\n\r\ndrei \xc3\xa9\r\n");
    tree.file(u"b.txt"_s, "x\ny\r\nlast");
    EXPECT_EQ(platform::readLines(tree.path(u"b.txt"_s)), (QStringList{u"x"_s, u"y"_s, u"last"_s}));
    EXPECT_EQ(platform::readLines(tree.path(u"b.txt"_s), 2), (QStringList{u"x"_s, u"y"_s}));
    EXPECT_THROW(platform::readLines(tree.path(u"missing.txt"_s)), platform::Error);
    EXPECT_THROW(platform::writeLines(tree.path(u"no/such/dir/c.txt"_s), {u"x"_s}),
                 platform::Error);
}
