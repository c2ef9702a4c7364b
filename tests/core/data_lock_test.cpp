// The data folder's lock: whatever a killed Quorvel left in Quorvel.lock
// is taken over at once, a live holder (this one, another process, a
// Quorvel of an earlier release holding a QLockFile) is refused by its
// process id, and a full disk says so. The full disk is a small tmpfs in a
// mount namespace of its own (unshare -rm); where the machine allows none
// the case says so and is skipped.
#include "core/data_lock.h"
#include "support/tree_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using testing_support::TempTree;

namespace {

constexpr char kLockDiskVariable[] = "QUORVEL_LOCK_FULL_DISK";

/// The process id of a process that has ended.
qint64 deadProcess() {
    QProcess gone;
    gone.start(u"true"_s, {});
    EXPECT_TRUE(gone.waitForStarted());
    const qint64 pid = gone.processId();
    EXPECT_TRUE(gone.waitForFinished());
    return pid;
}

QByteArray firstLine(const QByteArray& bytes) {
    return bytes.split('\n').value(0);
}

} // namespace

TEST(DataLock, WhatAKilledQuorvelLeftIsTakenOverAtOnce) {
    const qint64 dead = deadProcess();
    struct Case {
        const char* what;
        QByteArray content;
    } const cases[] = {
        {"empty, killed between creating and writing it", {}},
        {"a torn first line", "12"},
        {"garbage", QByteArray("\x00\xff\xfe lock?\n\x01", 11)},
        {"a process that is gone", QByteArray::number(dead) + "\nquorvel-cli\nhost\n"},
        {"this very process, from a run that let go", QByteArray::number(qint64(::getpid()))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempTree tree;
        const QString dir = tree.folder(u"data"_s);
        tree.file(u"data/Quorvel.lock"_s, c.content);
        DataLock lock = DataLock::acquire(dir, 0ms);
        ASSERT_TRUE(lock.held()) << lock.refusal().toStdString();
        EXPECT_EQ(firstLine(tree.read(u"data/Quorvel.lock"_s)),
                  QByteArray::number(qint64(::getpid())));
        lock.release();
        EXPECT_FALSE(tree.exists(u"data/Quorvel.lock"_s));
    }

    // A link in its place is replaced, never written through.
    TempTree tree;
    const QString dir = tree.folder(u"data"_s);
    ASSERT_TRUE(QFile::link(tree.path(u"elsewhere"_s), dir + u"/Quorvel.lock"_s));
    DataLock lock = DataLock::acquire(dir, 0ms);
    ASSERT_TRUE(lock.held()) << lock.refusal().toStdString();
    EXPECT_FALSE(QFileInfo(dir + u"/Quorvel.lock"_s).isSymLink());
    EXPECT_FALSE(tree.exists(u"elsewhere"_s));
}

TEST(DataLock, OnlyALiveHolderKeepsOthersOutAndIsNamedByItsProcessId) {
    TempTree tree;
    const QString dir = tree.folder(u"data"_s);
    const qint64 self = ::getpid();

    // Held here: a second taker waits its time and is refused by pid.
    {
        DataLock first = DataLock::acquire(dir, 0ms);
        ASSERT_TRUE(first.held());
        const DataLock second = DataLock::acquire(dir, 150ms);
        EXPECT_FALSE(second.held());
        EXPECT_TRUE(second.busy());
        EXPECT_EQ(second.holder(), self);
        EXPECT_EQ(second.refusal(), u"Another Quorvel (process %1) is changing %2; try again "
                                    u"when it has finished."_s.arg(self)
                                        .arg(dir));
        // A Quorvel of an earlier release, with QLockFile, keeps out too.
        QLockFile older(DataLock::lockPath(dir));
        EXPECT_FALSE(older.tryLock(0));
    }
    EXPECT_FALSE(QFile::exists(DataLock::lockPath(dir)));

    // Held by that earlier release: refused the same way.
    {
        QLockFile older(DataLock::lockPath(dir));
        ASSERT_TRUE(older.tryLock(0));
        const DataLock refused = DataLock::acquire(dir, 0ms);
        EXPECT_TRUE(refused.busy());
        EXPECT_EQ(refused.holder(), self);
    }

    // Held by another process on an empty file (no pid written yet): refused
    // without a pid while it lives, taken over at once when it is killed.
    QProcess holder;
    holder.start(u"sh"_s, {u"-c"_s, u"exec 9>>\"$1\" && flock -n 9 && echo held && exec sleep 60"_s,
                           u"sh"_s, DataLock::lockPath(dir)});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    DataLock refused = DataLock::acquire(dir, 0ms);
    EXPECT_TRUE(refused.busy());
    EXPECT_EQ(refused.holder(), 0);
    EXPECT_EQ(refused.refusal(), DataLock::busyText(dir));
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(10000));
    const DataLock taken = DataLock::acquire(dir, 0ms);
    EXPECT_TRUE(taken.held()) << taken.refusal().toStdString();
}

// Tests and slow servers set the writer's wait; anything but a plain number
// of milliseconds up to ten minutes leaves the ten seconds.
TEST(DataLock, TheWritersWaitComesFromTheEnvironmentWhenItIsSane) {
    const QByteArray saved = qgetenv("QUORVEL_LOCK_WAIT_MS");
    const struct {
        const char* value;
        qint64 ms;
    } cases[] = {{"1500", 1500}, {"0", 0},       {"600000", 600000}, {"600001", 10000},
                 {"-1", 10000},  {"1.5", 10000}, {"soon", 10000},    {"", 10000}};
    for (const auto& c : cases) {
        qputenv("QUORVEL_LOCK_WAIT_MS", c.value);
        EXPECT_EQ(DataLock::writerWait().count(), c.ms) << c.value;
    }
    qunsetenv("QUORVEL_LOCK_WAIT_MS");
    EXPECT_EQ(DataLock::writerWait(), DataLock::DefaultWait);
    if (!saved.isNull())
        qputenv("QUORVEL_LOCK_WAIT_MS", saved);
}

TEST(DataLock, AFailureToWriteItNamesItsRealCause) {
    const QString dir = u"/data"_s;
    const QString full = DataLock::failureText(dir, ENOSPC);
    EXPECT_EQ(full, u"Quorvel cannot write its lock file /data/Quorvel.lock: no space left on "
                    u"device. Make room on the disk of /data, then try again."_s);
    EXPECT_TRUE(DataLock::failureText(dir, EACCES).contains(u"Let it write to /data"_s));
    EXPECT_TRUE(DataLock::failureText(dir, EROFS).contains(u"read-only"_s));
    const QString tooLong = DataLock::failureText(dir, ENAMETOOLONG);
    EXPECT_TRUE(tooLong.contains(u"file name too long"_s)) << tooLong.toStdString();
    EXPECT_FALSE(tooLong.contains(u"Let it write"_s));

    // A folder that is no folder: at once, no wait, not "busy".
    TempTree tree;
    tree.file(u"plain"_s, "x");
    const DataLock refused = DataLock::acquire(tree.path(u"plain"_s), 5000ms);
    EXPECT_FALSE(refused.held());
    EXPECT_FALSE(refused.busy());
    EXPECT_TRUE(refused.refusal().startsWith(u"Quorvel cannot write its lock file"_s));
}

// Runs the case below inside a fresh mount namespace with a 64 KiB tmpfs.
TEST(DataLock, OnAFullDiskItSaysSo) {
    if (!qEnvironmentVariable(kLockDiskVariable).isEmpty())
        GTEST_SKIP() << "the inner run";
    TempTree tree;
    const QString mount = tree.folder(u"disk"_s);
    QProcess inner;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kLockDiskVariable), mount);
    inner.setProcessEnvironment(env);
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(u"unshare"_s,
                {u"-rm"_s, u"sh"_s, u"-c"_s,
                 u"mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 77; shift; exec \"$@\""_s,
                 u"sh"_s, mount, QCoreApplication::applicationFilePath(),
                 u"--gtest_filter=DataLockFullDisk.*"_s});
    ASSERT_TRUE(inner.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(inner.readAll());
    if (inner.exitCode() == 77 || inner.error() == QProcess::FailedToStart)
        GTEST_SKIP() << "no mount namespace here: " << output.toStdString();
    EXPECT_EQ(inner.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(u"[  PASSED  ] 1 test"_s)) << output.toStdString();
}

TEST(DataLockFullDisk, TheRefusalNamesTheFullDisk) {
    const QString disk = qEnvironmentVariable(kLockDiskVariable);
    if (disk.isEmpty())
        GTEST_SKIP() << "runs inside the namespace only";
    QFile filler(disk + u"/filler"_s);
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    while (filler.write("f", 1) == 1) {
    }
    const DataLock refused = DataLock::acquire(disk, 5000ms);
    EXPECT_FALSE(refused.held());
    EXPECT_FALSE(refused.busy());
    EXPECT_EQ(refused.refusal(), DataLock::failureText(disk, ENOSPC));
    EXPECT_FALSE(QFile::exists(DataLock::lockPath(disk)));
}
