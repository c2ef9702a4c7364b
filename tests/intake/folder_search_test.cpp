// The folder search on real folder trees: order, masks, links, and the
// hand-over of results to the thread that waits for them.
#include "intake/folder_search.h"

#include "support/tree_builder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using intake::RunFolderSearch;
using intake::TmFileScan;
using testing_support::TempTree;

namespace {

// Processes events until the search has handed over its end.
bool waitUntilIdle(TmFileScan& scan) {
    QElapsedTimer timer;
    timer.start();
    while (scan.Busy() && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return !scan.Busy();
}

QStringList relative(const TempTree& tree, const QStringList& paths) {
    QStringList out;
    for (const QString& p : paths)
        out.append(p.startsWith(tree.root() + u'/') ? p.mid(tree.root().size() + 1) : p);
    return out;
}

} // namespace

TEST(FolderSearch, EveryMaskThroughTheWholeTreeDepthFirst) {
    TempTree tree;
    tree.file(u"a/b.RAR"_s);
    tree.file(u"a/c.zip"_s);
    tree.file(u"a/.hidden.zip"_s);
    tree.file(u"a/notes.txt"_s);
    tree.file(u"a/B/inner.Zip"_s);
    tree.file(u"a/B/deeper/x.rar"_s);
    tree.file(u"a/c2/z.zip"_s);
    tree.folder(u"a/Folder.zip/sub"_s);
    tree.file(u"a/Folder.zip/in.zip"_s);
    TmFileScan scan;
    const QStringList found = RunFolderSearch(scan, tree.path(u"a"_s), {u"*.zip"_s, u"*.rar"_s});
    // Names in order ignoring case; a folder matching the mask is reported
    // and searched.
    EXPECT_EQ(relative(tree, found),
              (QStringList{u"a/.hidden.zip"_s, u"a/c.zip"_s, u"a/Folder.zip"_s, u"a/B/inner.Zip"_s,
                           u"a/c2/z.zip"_s, u"a/Folder.zip/in.zip"_s, u"a/b.RAR"_s,
                           u"a/B/deeper/x.rar"_s}));
    EXPECT_FALSE(scan.Busy());
    EXPECT_EQ(scan.NotPlainFiles(), QSet<QString>{tree.path(u"a/Folder.zip"_s)});

    scan.SubDirs = false;
    // A trailing "/" on the folder changes nothing.
    EXPECT_EQ(relative(tree, RunFolderSearch(scan, tree.path(u"a/"_s), {u"*.rar"_s, u"*.zip"_s})),
              (QStringList{u"a/b.RAR"_s, u"a/.hidden.zip"_s, u"a/c.zip"_s, u"a/Folder.zip"_s}));
}

TEST(FolderSearch, LinkedFoldersAreReportedButNotEntered) {
    TempTree tree;
    tree.file(u"root/real/a.zip"_s);
    tree.file(u"outside/b.zip"_s);
    ASSERT_TRUE(QFile::link(tree.path(u"outside"_s), tree.path(u"root/linked"_s)));
    ASSERT_TRUE(QFile::link(tree.path(u"root"_s), tree.path(u"root/real/loop.zip"_s)));
    ASSERT_TRUE(QFile::link(tree.path(u"root"_s), tree.path(u"start"_s)));
    TmFileScan scan;
    EXPECT_EQ(relative(tree, RunFolderSearch(scan, tree.path(u"start"_s), {u"*.zip"_s})),
              (QStringList{u"start/real/a.zip"_s, u"start/real/loop.zip"_s}));
    // A link is no plain file, even one to a file.
    ASSERT_TRUE(QFile::link(tree.path(u"root/real/a.zip"_s), tree.path(u"root/alias.zip"_s)));
    RunFolderSearch(scan, tree.path(u"root"_s), {u"*.zip"_s});
    EXPECT_EQ(scan.NotPlainFiles(),
              (QSet<QString>{tree.path(u"root/alias.zip"_s), tree.path(u"root/real/loop.zip"_s)}));
}

TEST(FolderSearch, EmptyOrMissingFolderFindsNothing) {
    TempTree tree;
    TmFileScan scan;
    EXPECT_TRUE(RunFolderSearch(scan, QString(), {u"*"_s}).isEmpty());
    EXPECT_TRUE(RunFolderSearch(scan, tree.path(u"missing"_s), {u"*"_s}).isEmpty());
    EXPECT_FALSE(scan.Busy());
}

TEST(FolderSearch, ResultsArriveOnlyWhileEventsAreProcessed) {
    TempTree tree;
    tree.file(u"d/one.zip"_s);
    tree.file(u"d/s/two.zip"_s);
    TmFileScan scan;
    QStringList fired;
    int readyCount = 0;
    QStringList readyResult;
    scan.OnFileFound = [&](const QString& p) {
        // The list holds the path before the event fires.
        EXPECT_EQ(scan.SearchResult().last(), p);
        fired.append(p);
    };
    scan.OnReady = [&](bool aborted, const QStringList& result) {
        EXPECT_FALSE(aborted);
        ++readyCount;
        readyResult = result;
    };
    scan.Paths = {tree.path(u"d"_s)};
    scan.Filters = {u"*.zip"_s};
    scan.StartSearch();
    EXPECT_TRUE(scan.Busy());
    EXPECT_TRUE(scan.SearchResult().isEmpty());
    ASSERT_TRUE(waitUntilIdle(scan));
    const QStringList expected{tree.path(u"d/one.zip"_s), tree.path(u"d/s/two.zip"_s)};
    EXPECT_EQ(scan.SearchResult(), expected);
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(readyCount, 1);
    EXPECT_EQ(readyResult, expected);
}

TEST(FolderSearch, ANewSearchNeverReturnsAnOlderOnesResults) {
    TempTree tree;
    for (int i = 0; i < 200; ++i)
        tree.file(u"big/f%1/a%1.zip"_s.arg(i));
    tree.file(u"small/only.zip"_s);
    TmFileScan scan;
    QList<bool> readies;
    scan.OnReady = [&](bool aborted, const QStringList&) { readies.append(aborted); };

    // Cut off at once, then again while its paths are arriving.
    scan.Paths = {tree.path(u"big"_s)};
    scan.Filters = {u"*.zip"_s};
    scan.StartSearch();
    scan.AbortSearch();
    EXPECT_EQ(RunFolderSearch(scan, tree.path(u"small"_s), {u"*.zip"_s}),
              QStringList{tree.path(u"small/only.zip"_s)});

    scan.Paths = {tree.path(u"big"_s)};
    scan.StartSearch();
    QElapsedTimer timer;
    timer.start();
    while (scan.SearchResult().isEmpty() && scan.Busy() && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    scan.Paths = {tree.path(u"small"_s)};
    scan.StartSearch();
    ASSERT_TRUE(waitUntilIdle(scan));
    EXPECT_EQ(scan.SearchResult(), QStringList{tree.path(u"small/only.zip"_s)});
    // The end of a replaced search is never reported.
    QCoreApplication::processEvents();
    EXPECT_FALSE(readies.contains(true));
    EXPECT_FALSE(readies.isEmpty());
}
