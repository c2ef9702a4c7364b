// Every whole-file writer on a full file system: the write fails with the
// file's name and the system's reason, the old bytes stay and no temporary
// file is left. The disk is a small tmpfs in a mount namespace of its own
// (unshare -rm), so the test needs no privileges; where the machine allows
// no such namespace the test says so and is skipped.
#include "cache/cache_index.h"
#include "core/app_core.h"
#include "core/content_db.h"
#include "core/lifecycle.h"
#include "core/record_journal.h"
#include "core/reports.h"
#include "core/settings_file.h"
#include "core/transaction.h"
#include "install/install.h"
#include "install/placement.h"
#include "install/uninstall.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/install_archives.h"
#include "support/tree_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;

namespace {

constexpr char kFullDiskVariable[] = "QUORVEL_FULL_DISK";

/// The mount point when this process runs inside the namespace.
QString fullDisk() {
    return qEnvironmentVariable(kFullDiskVariable);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writePlain(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

/// Fills the file system of `folder` to its last byte.
void fill(const QString& folder) {
    QFile filler(folder + u"/filler"_s);
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    for (int i = 0; i < 64; ++i)
        filler.write("f", 1);
}

/// Temporary files the writers left beside their files.
QStringList leftovers(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(u".quorvel-"_s))
            out.append(path);
    }
    return out;
}

TContentRecord record(const QString& name) {
    TContentRecord r;
    r.ArchiveName = name;
    r.ArchiveDir = u"/maps/"_s;
    r.DisplayName = name;
    return r;
}

} // namespace

// Runs the checks below inside a fresh mount namespace with a 512 KiB tmpfs.
TEST(FullDisk, EveryWriterKeepsTheOldFile) {
    if (!fullDisk().isEmpty())
        GTEST_SKIP() << "the inner run";
    testing_support::TempTree tree;
    const QString mount = tree.folder(u"disk"_s);
    QProcess inner;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kFullDiskVariable), mount);
    inner.setProcessEnvironment(env);
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(u"unshare"_s,
                {u"-rm"_s, u"sh"_s, u"-c"_s,
                 u"mount -t tmpfs -o size=512k tmpfs \"$1\" || exit 77; shift; exec \"$@\""_s,
                 u"sh"_s, mount, QCoreApplication::applicationFilePath(),
                 u"--gtest_filter=FullDiskInside.*"_s});
    ASSERT_TRUE(inner.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(inner.readAll());
    if (inner.exitStatus() == QProcess::NormalExit &&
        (inner.exitCode() == 77 || inner.error() == QProcess::FailedToStart))
        GTEST_SKIP() << "no mount namespace here: " << output.toStdString();
    EXPECT_EQ(inner.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(inner.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(u"[  PASSED  ]"_s)) << output.toStdString();
    EXPECT_FALSE(output.contains(u"SKIPPED"_s)) << output.toStdString();
}

TEST(FullDiskInside, EveryWriterKeepsTheOldFileAndSaysWhy) {
    const QString disk = fullDisk();
    if (disk.isEmpty())
        GTEST_SKIP() << "runs inside the namespace only";
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    AppState& s = core.state;
    s.ProgramDir = disk + u"/prog"_s;
    s.TempDir = disk + u"/prog/Temp"_s;
    QDir().mkpath(s.TempDir);
    s.setGameDir(disk + u"/game"_s);
    CommandContext& ctx = core.context();

    // The old files, then nothing free.
    content_db::WriteAll(s.mapDataPath(), {record(u"DM-Old.zip"_s)});
    content_db::WriteAllShared(s.sharedDataPath(), {TSharedFileRecord{u"Old.utx"_s, 2}});
    settings_file::writeSettings(s.settingsPath(), u"UT2004"_s,
                                 {u"/g"_s, {}, {}, {}, {}, u"Yes"_s, u"Ask me"_s, u"No"_s, {}});
    writePlain(s.errorLogPath(), "old log\r\n");
    writePlain(disk + u"/report.txt"_s, "old report\r\n");
    writePlain(disk + u"/game/Textures/Stock.utx"_s, "stock texture");
    writePlain(disk + u"/game/System/XPlayers.int"_s, "Player=(game)\r\n");
    writePlain(disk + u"/game/Cache/cache.ini"_s, "[Cache]\r\nAB12=DM-Gone.ut2\r\n");
    writePlain(s.TempDir + u"/XPlayers.int"_s, "Player=(new)\r\n");
    testing_support::TempTree outside;
    const QString source = outside.file(u"New.utx"_s, QByteArray(65536, 't'));
    QMap<QString, QByteArray> before;
    for (const QString& path :
         {s.mapDataPath(), s.sharedDataPath(), s.settingsPath(), s.errorLogPath(),
          disk + u"/report.txt"_s, disk + u"/game/Textures/Stock.utx"_s,
          disk + u"/game/System/XPlayers.int"_s, disk + u"/game/Cache/cache.ini"_s})
        before.insert(path, readFile(path));
    fill(disk);

    const auto expectFailure = [&](const char* what, const std::function<void()>& write) {
        try {
            write();
            ADD_FAILURE() << what << ": no error";
        } catch (const platform::Error& e) {
            EXPECT_TRUE(e.text().contains(u"No space left on device"_s))
                << what << ": " << e.text().toStdString();
        }
    };
    QList<TContentRecord> many;
    for (int i = 0; i < 200; ++i)
        many.append(record(u"DM-New%1.zip"_s.arg(i)));
    expectFailure("records", [&] { content_db::WriteAll(s.mapDataPath(), many); });
    expectFailure("append", [&] { content_db::Append(s.mapDataPath(), many.first()); });
    QList<TSharedFileRecord> shared;
    for (int i = 0; i < 10000; ++i)
        shared.append(TSharedFileRecord{u"S%1.utx"_s.arg(i), 2});
    expectFailure("shared files", [&] { content_db::WriteAllShared(s.sharedDataPath(), shared); });
    expectFailure("records with counts", [&] {
        record_journal::WriteRecordsAndShared(s, s.mapDataPath(), many,
                                              catalogue::SharedFiles(shared));
    });
    EXPECT_FALSE(QFileInfo::exists(record_journal::journalPath(s)))
        << "a journal that could not be written whole is not there";
    expectFailure("settings", [&] {
        settings_file::writeSettings(s.settingsPath(), u"UT2004"_s,
                                     QStringList(9, QString(20000, u'x')));
    });
    const QStringList logLines(2000, u"/maps/a-long-name.zip - Not a valid zip-file"_s);
    expectFailure("error.log", [&] { lifecycle::ReportUnsupportedFiles(s, logLines, dialogs); });
    dialogs.saveAnswers.push_back(disk + u"/report.txt"_s);
    reports::ListsSnapshot lists;
    lists.of(catalogue::ContentKind::Maps).installed = QStringList(20000, u"DM-Installed.ut2"_s);
    expectFailure("report", [&] { reports::BriefList1Click(ctx, reports::Brief, lists); });
    expectFailure("merged .int", [&] { install::MergeIntFile(ctx, u"XPlayers.int"_s); });
    TContentRecord gone = record(u"DM-Gone.ut2"_s);
    gone.Files = {u"DM-Gone.ut2"_s};
    gone.FileCount = 1;
    // The tidy rewrite of a small file may fit in what the filler left; a
    // larger one may not. Either way the file is whole afterwards.
    try {
        cache::RemoveCacheEntries(ctx, gone);
    } catch (const platform::Error&) {
    }
    const QByteArray ini = readFile(disk + u"/game/Cache/cache.ini"_s);
    EXPECT_TRUE(ini == before.value(disk + u"/game/Cache/cache.ini"_s) || ini == "[Cache]\r\n")
        << ini.toStdString();
    before.remove(disk + u"/game/Cache/cache.ini"_s);

    // A placed game file over the stock one.
    const platform::Outcome copied =
        platform::copyFileAtomically(source, disk + u"/game/Textures/Stock.utx"_s);
    EXPECT_FALSE(copied.ok());
    EXPECT_TRUE(copied.error().contains(u"Stock.utx"_s)) << copied.error().toStdString();

    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_EQ(readFile(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(leftovers(disk), QStringList());
}

TEST(FullDiskInside, AnInstallOntoAFullGameDiskIsNotReportedAsDone) {
    const QString disk = fullDisk();
    if (disk.isEmpty())
        GTEST_SKIP() << "runs inside the namespace only";
    // The program's files elsewhere; only the game's disk is full.
    QFile::remove(disk + u"/filler"_s); // what the test before filled
    testing_support::TempTree outside;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    AppState& s = core.state;
    s.ProgramDir = outside.folder(u"prog"_s);
    s.TempDir = outside.folder(u"prog/Temp"_s);
    s.OverwriteAlways = true;
    content_db::CreateMissingFiles(s);
    writePlain(disk + u"/game2/Textures/Stock.utx"_s, "stock texture");
    writePlain(disk + u"/game2/Maps/keep"_s, "");
    s.setGameDir(disk + u"/game2"_s);
    const QString archives = outside.folder(u"maps"_s) + u'/';
    const testing_support::ArchiveFiles files = {{u"DM-Full.ut2"_s, QByteArray(60000, 'm')},
                                                 {u"Stock.utx"_s, QByteArray(60000, 't')}};
    ASSERT_TRUE(testing_support::writeZip(archives + u"DM-Full.zip"_s, files));
    content_db::WriteAll(
        s.mapDataPath(),
        {testing_support::scannedRecord(u"DM-Full.zip"_s, archives, u"DM-Full.ut2"_s, 0, files)});
    fill(disk);

    core.beginCommand();
    const install::InstallResult result = install::InstallArchives(
        core.context(), catalogue::ContentKind::Maps, {u"DM-Full.zip"_s}, false);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.FailedArchives, QStringList{u"DM-Full.zip"_s});
    EXPECT_EQ(content_db::ReadAll(s.mapDataPath()).at(0).Installed, 0);
    EXPECT_EQ(readFile(disk + u"/game2/Textures/Stock.utx"_s), "stock texture");
    EXPECT_FALSE(QFileInfo::exists(disk + u"/game2/Maps/DM-Full.ut2"_s));
    // Refused before anything was copied: the disk had no room for it.
    EXPECT_TRUE(result.FailedCopies.isEmpty()) << result.FailedCopies.join(u'|').toStdString();
    ASSERT_EQ(result.failureReasons.size(), 1);
    EXPECT_TRUE(result.failureReasons[0].startsWith(
        u"not enough free space in the game's folders. It needs "_s))
        << result.failureReasons[0].toStdString();
    EXPECT_EQ(leftovers(disk), QStringList());
}

TEST(FullDiskInside, AnUninstallOrInstallWithoutRoomForItsRecordsLeavesEverythingAsBefore) {
    const QString disk = fullDisk();
    if (disk.isEmpty())
        GTEST_SKIP() << "runs inside the namespace only";
    QFile::remove(disk + u"/filler"_s);
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    AppState& s = core.state;
    // The data folder and the game on the one disk that fills up.
    // The free space is not looked at: the small disk is always short of
    // the reserve a real install keeps.
    core.ZipMaster1.Limits.freeSpace = [](const QString&) { return qint64(-1); };
    s.ProgramDir = disk + u"/prog3"_s;
    s.TempDir = disk + u"/prog3/Temp"_s;
    QDir().mkpath(s.TempDir);
    s.OverwriteAlways = true;
    content_db::CreateMissingFiles(s);
    writePlain(disk + u"/game3/Textures/Stock.utx"_s, "stock texture");
    QDir().mkpath(disk + u"/game3/Maps"_s);
    s.setGameDir(disk + u"/game3"_s);
    testing_support::TempTree outside;
    const QString archives = outside.folder(u"maps"_s) + u'/';
    const testing_support::ArchiveFiles files = {{u"DM-Room.ut2"_s, "map"},
                                                 {u"Stock.utx"_s, "archive's texture"}};
    ASSERT_TRUE(testing_support::writeZip(archives + u"DM-Room.zip"_s, files));
    const testing_support::ArchiveFiles other = {{u"DM-Later.ut2"_s, "later"}};
    ASSERT_TRUE(testing_support::writeZip(archives + u"DM-Later.zip"_s, other));
    content_db::WriteAll(
        s.mapDataPath(),
        {testing_support::scannedRecord(u"DM-Room.zip"_s, archives, u"DM-Room.ut2"_s, 0, files),
         testing_support::scannedRecord(u"DM-Later.zip"_s, archives, u"DM-Later.ut2"_s, 0, other)});
    core.beginCommand();
    install::InstallArchives(core.context(), catalogue::ContentKind::Maps, {u"DM-Room.zip"_s},
                             false);
    ASSERT_EQ(readFile(disk + u"/game3/Textures/Stock.utx"_s), "archive's texture");
    const QByteArray records = readFile(s.mapDataPath());
    const QByteArray counts = readFile(s.sharedDataPath());

    // Room for the log, none for the record file the commit writes: the
    // uninstall is undone, its files and the game's texture as they were.
    fill(disk);
    {
        QFile filler(disk + u"/filler"_s);
        ASSERT_TRUE(filler.open(QIODevice::ReadWrite));
        while (QStorageInfo(disk).bytesAvailable() < 4096 && filler.size() > 4096)
            filler.resize((filler.size() - 1) / 4096 * 4096);
    }
    core.beginCommand();
    EXPECT_THROW(install::UninstallArchives(core.context(), catalogue::ContentKind::Maps,
                                            {u"DM-Room.ut2"_s}, false),
                 platform::Error);
    EXPECT_EQ(readFile(s.mapDataPath()), records);
    EXPECT_EQ(readFile(s.sharedDataPath()), counts);
    EXPECT_EQ(readFile(disk + u"/game3/Maps/DM-Room.ut2"_s), "map");
    EXPECT_EQ(readFile(disk + u"/game3/Textures/Stock.utx"_s), "archive's texture");
    EXPECT_FALSE(QFileInfo::exists(txn::logPath(s)));
    EXPECT_FALSE(QFileInfo::exists(txn::backupFolder(s)));

    // No room even for the log: nothing starts.
    fill(disk);
    core.beginCommand();
    EXPECT_THROW(install::InstallArchives(core.context(), catalogue::ContentKind::Maps,
                                          {u"DM-Later.zip"_s}, false),
                 platform::Error);
    EXPECT_EQ(readFile(s.mapDataPath()), records);
    EXPECT_FALSE(QFileInfo::exists(disk + u"/game3/Maps/DM-Later.ut2"_s));

    // With room again, the uninstall gives the game its own texture back.
    QFile::remove(disk + u"/filler"_s);
    core.beginCommand();
    install::UninstallArchives(core.context(), catalogue::ContentKind::Maps, {u"DM-Room.ut2"_s},
                               false);
    EXPECT_EQ(readFile(disk + u"/game3/Textures/Stock.utx"_s), "stock texture");
    EXPECT_FALSE(QFileInfo::exists(disk + u"/game3/Maps/DM-Room.ut2"_s));
    EXPECT_EQ(leftovers(disk), QStringList());

    // The game on another disk: what an install replaces is kept by a copy
    // in the data folder, and the full data disk has no room for it.
    const QString elsewhere = outside.folder(u"game4"_s);
    writePlain(elsewhere + u"/Textures/Stock.utx"_s, "stock texture");
    QDir().mkpath(elsewhere + u"/Maps"_s);
    s.setGameDir(elsewhere);
    s.TempDir = outside.folder(u"temp4"_s);
    core.ZipMaster1.Limits.freeSpace = {};
    fill(disk);
    {
        // Room for the log only.
        QFile filler(disk + u"/filler"_s);
        ASSERT_TRUE(filler.open(QIODevice::ReadWrite));
        while (QStorageInfo(disk).bytesAvailable() < 4096 && filler.size() > 4096)
            filler.resize((filler.size() - 1) / 4096 * 4096);
    }
    core.beginCommand();
    const install::InstallResult refused = install::InstallArchives(
        core.context(), catalogue::ContentKind::Maps, {u"DM-Room.zip"_s}, false);
    ASSERT_EQ(refused.failureReasons.size(), 1);
    EXPECT_TRUE(refused.failureReasons[0].startsWith(
        u"not enough free space in the data folder to keep the game's files it replaces."_s))
        << refused.failureReasons[0].toStdString();
    EXPECT_EQ(readFile(elsewhere + u"/Textures/Stock.utx"_s), "stock texture");
    EXPECT_FALSE(QFileInfo::exists(elsewhere + u"/Maps/DM-Room.ut2"_s));
}
