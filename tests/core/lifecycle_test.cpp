#include "core/lifecycle.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;
using testing_support::TempTree;

namespace {
AppState stateIn(const TempTree& tree) {
    AppState s;
    s.ProgramDir = tree.root();
    return s;
}
void makeReadOnly(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) & ~QFileDevice::WriteOwner &
                                    ~QFileDevice::WriteUser & ~QFileDevice::WriteGroup &
                                    ~QFileDevice::WriteOther);
}
} // namespace

TEST(TempFolder, StartCreatesMissingFolder) {
    TempTree tree;
    AppState s = stateIn(tree);
    lifecycle::prepareTempDir(s);
    EXPECT_EQ(s.TempDir, tree.root() + u"/Temp"_s);
    EXPECT_TRUE(QFileInfo(s.TempDir).isDir());
}

TEST(TempFolder, StartEmptiesItCompletelyWithoutFollowingLinks) {
    TempTree tree;
    tree.file(u"outside/keep.txt"_s, "precious");
    tree.file(u"Temp/old.ut2"_s, "x");
    tree.file(u"Temp/.hidden"_s, "x");
    tree.file(u"Temp/noext"_s, "x");
    tree.file(u"Temp/sub/inner.txt"_s, "x");
    makeReadOnly(tree.file(u"Temp/locked.txt"_s, "x"));
    ASSERT_TRUE(QFile::link(tree.path(u"outside"_s), tree.path(u"Temp/link"_s)));
    AppState s = stateIn(tree);
    lifecycle::prepareTempDir(s);
    // What a killed run left would be installed with the next archive.
    EXPECT_EQ(tree.allFiles(), QStringList{u"outside/keep.txt"_s});
    EXPECT_TRUE(QDir(s.TempDir).isEmpty());
}

TEST(TempFolder, StartFailsWhenTempIsAFile) {
    TempTree tree;
    tree.file(u"Temp"_s, "not a folder");
    AppState s = stateIn(tree);
    EXPECT_THROW(lifecycle::prepareTempDir(s), platform::Error);
}

TEST(TempFolder, ShutDownRemovesEverythingWithoutFollowingLinks) {
    TempTree tree;
    tree.file(u"outside/keep.txt"_s, "precious");
    tree.file(u"Temp/a.txt"_s, "x");
    makeReadOnly(tree.file(u"Temp/ro.txt"_s, "x"));
    tree.file(u"Temp/deep/er/b.txt"_s, "x");
    makeReadOnly(tree.path(u"Temp/deep/er"_s));
    QFile::link(tree.path(u"outside"_s), tree.path(u"Temp/link"_s));
    AppState s = stateIn(tree);
    s.TempDir = tree.path(u"Temp"_s);
    EXPECT_TRUE(lifecycle::removeTempDir(s));
    EXPECT_FALSE(tree.exists(u"Temp"_s));
    EXPECT_EQ(tree.read(u"outside/keep.txt"_s), "precious");
}

TEST(TempFolder, ShutDownWithoutTempSucceeds) {
    TempTree tree;
    AppState s = stateIn(tree);
    s.TempDir = tree.path(u"Temp"_s);
    EXPECT_TRUE(lifecycle::removeTempDir(s));
    EXPECT_EQ(lifecycle::couldNotRemoveTempText(s),
              u"Couldn't remove directory "_s + s.TempDir +
                  u" !\r\rPlease delete the directory before you start Quorvel next time"_s);
}

TEST(UnsupportedFiles, NothingHappensWithoutLines) {
    TempTree tree;
    AppState s = stateIn(tree);
    FakeDialogs dialogs;
    EXPECT_FALSE(lifecycle::ReportUnsupportedFiles(s, {}, dialogs));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_FALSE(tree.exists(u"error.log"_s));
}

TEST(UnsupportedFiles, WritesLogAndAsks) {
    TempTree tree;
    tree.file(u"error.log"_s, "an old log that is much longer than the new one\r\n");
    AppState s = stateIn(tree);
    const QStringList lines = {u"/maps/a.zip - Not a valid zip-file"_s, u"/maps/b.rar - x"_s};
    for (platform::Button answer : {platform::Yes, platform::No}) {
        FakeDialogs dialogs;
        dialogs.buttonAnswers.push_back(answer);
        tree.file(u"error.log"_s, "an old log that is much longer than the new one\r\n");
        EXPECT_EQ(lifecycle::ReportUnsupportedFiles(s, lines, dialogs), answer == platform::Yes);
        EXPECT_EQ(lifecycle::WriteErrorLog(s, lines).lines, lines);
        EXPECT_EQ(tree.read(u"error.log"_s),
                  "/maps/a.zip - Not a valid zip-file\r\n/maps/b.rar - x\r\n");
        ASSERT_EQ(dialogs.shown.size(), 1);
        const auto& box = dialogs.shown.first();
        EXPECT_EQ(box.kind, platform::MsgKind::Warning);
        EXPECT_EQ(box.buttons, platform::Yes | platform::No);
        EXPECT_EQ(box.offset, QPoint(50, 100));
        EXPECT_EQ(box.text,
                  u"Some files in the configured directories are not supported by Quorvel.\r\r"
                  u"Details can be found in "_s +
                      tree.root() + u"/error.log\r\rDo you want to read the log now?"_s);
    }

    // The same lines again: the log is written, nothing is asked; one new
    // line among them asks again.
    FakeDialogs quiet;
    EXPECT_FALSE(lifecycle::ReportUnsupportedFiles(s, {u"/maps/b.rar - x"_s}, quiet));
    EXPECT_TRUE(quiet.shown.isEmpty());
    EXPECT_EQ(tree.read(u"error.log"_s), "/maps/b.rar - x\r\n");
    FakeDialogs asked;
    asked.buttonAnswers.push_back(platform::No);
    EXPECT_FALSE(
        lifecycle::ReportUnsupportedFiles(s, {u"/maps/b.rar - x"_s, u"/maps/c.zip - y"_s}, asked));
    EXPECT_EQ(asked.shown.size(), 1);
}
