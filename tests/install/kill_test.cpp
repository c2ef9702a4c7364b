// A child process installs and uninstalls map archives with shared and
// stock files without end; the test kills it with SIGKILL at random moments
// and, after the start-up steps the program runs, checks that every game
// file is stock or claimed by an installed record and that every shared
// count equals the users of its file. The child is this test program again,
// started with QUORVEL_KILL_CHILD naming the folders.
#include "cache/cache_index.h"
#include "cache/cache_install.h"
#include "cache/package.h"
#include "core/app_core.h"
#include "core/content_catalogue.h"
#include "core/data_folder.h"
#include "core/data_lock.h"
#include "core/kept_originals.h"
#include "core/shared_files.h"
#include "core/transaction.h"
#include "install/install.h"
#include "install/maintenance.h"
#include "install/placement.h"
#include "install/uninstall.h"
#include "install/verify.h"
#include "platform/status_sink.h"
#include "support/cache_builder.h"
#include "support/fake_dialogs.h"
#include "support/install_archives.h"
#include "support/tree_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using testing_support::ArchiveFiles;

namespace {

constexpr char kChildVariable[] = "QUORVEL_KILL_CHILD";
constexpr char kSeedVariable[] = "QUORVEL_KILL_SEED";
constexpr char kKillsVariable[] = "QUORVEL_KILLS";
constexpr int kArchives = 8;

/// The kills of a run: QUORVEL_KILLS, else 200 (about a minute and a half
/// on two busy cores).
int killCount() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue(kKillsVariable, &ok);
    return ok && n > 0 ? n : 200;
}

/// The game's own files: a texture, a package and a map some archives
/// overwrite, and one that no archive touches.
const QStringList& stockFiles() {
    static const QStringList files = {u"Textures/Stock.utx"_s, u"System/Engine.u"_s,
                                      u"Maps/DM-Stock.ut2"_s, u"Sounds/Untouched.uax"_s};
    return files;
}

QByteArray stockBytes(const QString& file) {
    return "stock " + file.toUtf8();
}

/// Archive i: its map, 24 textures of its own (a copy long enough to be
/// killed in), and shared files: SharedA.utx (even i, one as SHAREDA.UTX),
/// SharedB.utx (i divisible by 3), KillLib.u (2, 5, 7) and the stock
/// texture (1, 4).
ArchiveFiles archiveFiles(int i) {
    const QString n = QString::number(i);
    ArchiveFiles files = {{u"DM-Kill"_s + n + u".ut2"_s, "map " + n.toUtf8()},
                          {u"Kill"_s + n + u".u"_s, "code"}};
    for (int t = 0; t < 24; ++t)
        files.append({u"Own"_s + n + u'_' + QString::number(t) + u".utx"_s,
                      QByteArray(4096, char('a' + t))});
    if (i % 2 == 0)
        files.append({i == 4 ? u"SHAREDA.UTX"_s : u"SharedA.utx"_s, "shared a " + n.toUtf8()});
    if (i % 3 == 0)
        files.append({u"SharedB.utx"_s, "shared b"});
    if (i == 2 || i == 5 || i == 7)
        files.append({u"KillLib.u"_s, "lib"});
    if (i == 1 || i == 4)
        files.append({u"Stock.utx"_s, "replaced stock"});
    if (i == 2 || i == 6)
        files.append({i == 2 ? u"ENGINE.U"_s : u"Engine.u"_s, "archive's engine"});
    if (i == 3)
        files.append({u"DM-Stock.ut2"_s, "another stock map"});
    return files;
}

QString archiveName(int i) {
    return u"DM-Kill"_s + QString::number(i) + u".zip"_s;
}

/// The cached map a cache install takes (a package importing nothing),
/// and the texture a user copied into the game by hand, which adoption
/// (Mark as installed) then records.
const QString kCached = u"DM-Cached.ut2"_s;
const QString kAdopted = u"DM-Adopt.zip"_s;
const QString kHandFile = u"Textures/ByHand.utx"_s;

/// A program folder as the program sets it up, over `root`.
struct Bed {
    explicit Bed(const QString& root) : core(dialogs, status) {
        AppState& s = core.state;
        s.ProgramDir = root + u"/prog"_s;
        s.setGameDir(root + u"/game"_s);
        // Every existing file is overwritten without a question.
        s.OverwriteAlways = true;
    }
    /// The program's start-up steps on the files a killed run left; true
    /// when a run was undone.
    bool startUp() {
        const bool pending = QFileInfo::exists(txn::logPath(core.state));
        const QString game = core.state.GameDir;
        data_folder::Prepare(core.state, core.state.ProgramDir);
        core.state.setGameDir(game);
        // A new command: the game folders are listed afresh.
        core.beginCommand();
        leftCopies += install::RemoveInterruptedCopies(core.context());
        return pending;
    }
    QList<TContentRecord> records() const { return content_db::ReadAll(core.state.mapDataPath()); }
    bool installed(const QString& archive) const {
        for (const TContentRecord& r : records()) {
            if (r.ArchiveName == archive && r.Installed == 1)
                return true;
        }
        return false;
    }
    QStringList names(bool installed) const {
        QStringList out;
        for (const TContentRecord& r : records()) {
            // Only the archives on disk are installed; whatever is
            // installed is uninstalled.
            if ((r.Installed == 1) == installed &&
                (installed || r.ArchiveName.startsWith(u"DM-Kill"_s)))
                out.append(r.ArchiveName);
        }
        return out;
    }

    testing_support::FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    int leftCopies = 0;
};

/// The files below `folder`, relative to it.
QStringList filesBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(folder).relativeFilePath(it.next()));
    out.sort();
    return out;
}

/// Every file in the game is stock or listed by an installed record in its
/// folder; every shared count equals the users of its file: the installed
/// records listing it, and the game itself for a stock file. A file with
/// one user has no count.
void checkInvariants(Bed& bed, int kill) {
    const AppState& s = bed.core.state;
    catalogue::RecordedUses uses(s);
    uses.addInstalled(bed.records());
    for (const QString& file : filesBelow(s.GameDir)) {
        // The cache and what the user put into the game by hand are not
        // what the installs placed.
        if (file.startsWith(u"Cache/"_s) || file == kHandFile)
            continue;
        if (stockFiles().contains(file)) {
            // Whoever no installed record lists it has the game's own bytes.
            const QString name = QFileInfo(file).fileName();
            if (uses.uses(*catalogue::gameFolderForFile(s, name), name) == 0) {
                QFile f(QDir(s.GameDir).absoluteFilePath(file));
                EXPECT_TRUE(f.open(QIODevice::ReadOnly));
                EXPECT_EQ(f.readAll(), stockBytes(file))
                    << "kill " << kill << ": " << file.toStdString();
            }
            continue;
        }
        const QString name = QFileInfo(file).fileName();
        const std::optional<QString> folder = catalogue::gameFolderForFile(s, name);
        ASSERT_TRUE(folder) << "kill " << kill << ": " << file.toStdString();
        EXPECT_TRUE(QDir(s.GameDir).absoluteFilePath(file).startsWith(*folder, Qt::CaseInsensitive))
            << "kill " << kill << ": " << file.toStdString() << " outside "
            << folder->toStdString();
        EXPECT_GT(uses.uses(*folder, name), 0)
            << "kill " << kill << ": no installed record claims " << file.toStdString();
    }
    const catalogue::SharedFiles shared = catalogue::SharedFiles::load(s.sharedDataPath());
    QSet<QString> names;
    for (int i = 0; i < kArchives; ++i) {
        for (const auto& [name, data] : archiveFiles(i)) {
            if (!catalogue::isMapFile(name))
                names.insert(name.toCaseFolded());
        }
    }
    for (const QString& name : std::as_const(names)) {
        const std::optional<QString> folder = catalogue::gameFolderForFile(s, name);
        ASSERT_TRUE(folder);
        const bool stock = name == u"stock.utx"_s || name == u"engine.u"_s;
        const int users = uses.uses(*folder, name) + (stock ? 1 : 0);
        EXPECT_EQ(shared.count(name), users >= 2 ? users : 0)
            << "kill " << kill << ": " << name.toStdString() << " has " << users << " users";
    }
    for (const TSharedFileRecord& r : shared.records())
        EXPECT_TRUE(names.contains(r.FileName.toCaseFolded())) << r.FileName.toStdString();
    // Verify installation agrees: no record with files missing, no count
    // that disagrees.
    const install::VerifyReport report = install::VerifyInstallation(bed.core.context());
    EXPECT_TRUE(report.missing.isEmpty())
        << "kill " << kill << ": " << report.missing.first().archiveName.toStdString() << " "
        << report.missing.first().missing.join(u' ').toStdString();
    EXPECT_TRUE(report.counts.isEmpty())
        << "kill " << kill << ": " << report.counts.first().fileName.toStdString();
    EXPECT_FALSE(QFileInfo::exists(txn::logPath(s)));
}

QString childRoot() {
    return qEnvironmentVariable(kChildVariable);
}

} // namespace

TEST(KillChild, InstallsAndUninstallsUntilKilled) {
    if (childRoot().isEmpty())
        GTEST_SKIP() << "runs as the killed child only";
    Bed bed(childRoot());
    // A writer holds the data folder's lock all its run, as the window's
    // and the command line's do: every kill leaves its lock file behind.
    const DataLock lock = DataLock::acquire(bed.core.state.ProgramDir, std::chrono::seconds(10));
    ASSERT_TRUE(lock.held());
    bed.startUp();
    std::mt19937 random(qEnvironmentVariableIntValue(kSeedVariable));
    // The parent waits for this line before it starts the clock.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    cache::TUTPackage reader;
    for (;;) {
        // A cache install of the cached map while the cache holds it; the
        // cache is filled again once it is gone and uninstalled.
        AppState& s = bed.core.state;
        bed.core.beginCommand();
        if (QFileInfo::exists(s.CacheDir + testing_support::cacheKey(1) + u".uxx"_s)) {
            cache::CachePlan plan{cache::CacheAction::InstallOnly, {kCached}, {}};
            cache::RunCacheInstall(bed.core.context(), reader, plan, {}, {});
        } else if (!bed.installed(kCached)) {
            // A cache cut short by a kill here is written again next time.
            (void)testing_support::writeCache(
                s.CacheDir,
                {{testing_support::cacheKey(1), kCached, testing_support::importingPackage({})}});
        }
        // Adoption of content the user copied into the game by hand.
        if (!bed.installed(kAdopted)) {
            if (!QFileInfo::exists(s.GameDir + u'/' + kHandFile))
                QFile::copy(childRoot() + u"/byhand.utx"_s, s.GameDir + u'/' + kHandFile);
            bed.dialogs.buttonAnswers = {platform::Yes};
            install::MarkAsInstalled(bed.core.context(), ContentKind::Maps, {kAdopted});
        }
        for (const bool installing : {true, false}) {
            QStringList names = bed.names(!installing);
            std::shuffle(names.begin(), names.end(), random);
            const qsizetype take =
                names.isEmpty() ? 0
                                : qsizetype(1 + random() % std::min<qsizetype>(4, names.size()));
            const QList<catalogue::ListEntry> picked(names.cbegin(), names.cbegin() + take);
            bed.core.beginCommand();
            if (installing)
                install::InstallArchives(bed.core.context(), ContentKind::Maps, picked, false);
            else
                install::UninstallArchives(bed.core.context(), ContentKind::Maps, picked, false);
        }
    }
}

TEST(KillTest, EveryKillLeavesRecordsCountsAndGameFilesAgreeing) {
    if (!childRoot().isEmpty())
        GTEST_SKIP() << "the child";
    testing_support::TempTree tree;
    tree.gameFolder(u"game"_s);
    for (const QString& stock : stockFiles())
        tree.file(u"game/"_s + stock, stockBytes(stock));
    const QString archives = tree.folder(u"archives"_s);
    tree.folder(u"prog"_s);
    QList<TContentRecord> records;
    for (int i = 0; i < kArchives; ++i) {
        ASSERT_TRUE(testing_support::writeZip(archives + u'/' + archiveName(i), archiveFiles(i)));
        records.append(testing_support::scannedRecord(archiveName(i), archives + u'/', {}, 0,
                                                      archiveFiles(i)));
    }
    tree.file(u"byhand.utx"_s, "by hand");
    records.append(testing_support::scannedRecord(kAdopted, archives + u'/', {}, 0,
                                                  {{u"ByHand.utx"_s, "by hand"}}));
    Bed bed(tree.root());
    content_db::CreateMissingFiles(bed.core.state);
    content_db::WriteAll(bed.core.state.mapDataPath(), records);

    const int kills = killCount();
    int undone = 0;
    int midInstall = 0;
    for (int kill = 0; kill < kills; ++kill) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), tree.root());
        env.insert(QString::fromLatin1(kSeedVariable), QString::number(kill));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=KillChild.*"_s});
        ASSERT_TRUE(child.waitForStarted(10000));
        QByteArray output;
        while (!output.contains("ready\n")) {
            output += child.readAllStandardOutput();
            ASSERT_EQ(child.state(), QProcess::Running)
                << child.readAllStandardError().toStdString();
            child.waitForReadyRead(100);
        }
        // 5 to 300 ms: within an install's copies, between its writes, or in
        // an uninstall.
        QThread::msleep(5 + (unsigned(kill) * 7919u) % 296u);
        child.kill();
        ASSERT_TRUE(child.waitForFinished(10000));
        if (!QDir(bed.core.state.ProgramDir + u"/Temp"_s).isEmpty())
            ++midInstall;
        // The killed writer's lock is free at once for the next one.
        EXPECT_TRUE(
            DataLock::acquire(bed.core.state.ProgramDir, std::chrono::milliseconds(0)).held())
            << "kill " << kill << ": the lock stayed taken";
        if (bed.startUp())
            ++undone;
        checkInvariants(bed, kill);
        if (HasFailure())
            break;
    }
    int fromCache = 0;
    for (const TContentRecord& r : bed.records())
        fromCache += r.ArchiveDir == catalogue::FromCache ? 1 : 0;
    std::printf("%d kills: %d with files in Temp, %d runs undone, half-made copies removed %d, "
                "cache installs that stood %d, adopted content installed at the end %d\n",
                kills, midInstall, undone, bed.leftCopies, fromCache,
                bed.installed(kAdopted) ? 1 : 0);

    // Everything installed and uninstalled once more leaves the game's own
    // files only, and no counts.
    const QStringList notInstalled = bed.names(false);
    install::InstallArchives(
        bed.core.context(), ContentKind::Maps,
        QList<catalogue::ListEntry>(notInstalled.cbegin(), notInstalled.cend()), false);
    checkInvariants(bed, kills);
    const QStringList installed = bed.names(true);
    ASSERT_GE(installed.size(), kArchives);
    const install::UninstallResult last = install::UninstallArchives(
        bed.core.context(), ContentKind::Maps,
        QList<catalogue::ListEntry>(installed.cbegin(), installed.cend()), false);
    EXPECT_TRUE(last.undeletable.isEmpty()) << last.undeletable.join(u'\n').toStdString();
    QStringList left = filesBelow(bed.core.state.GameDir);
    left.removeIf([](const QString& f) { return f.startsWith(u"Cache/"_s) || f == kHandFile; });
    EXPECT_EQ(left, [] {
        QStringList stock = stockFiles();
        stock.sort();
        return stock;
    }());
    for (const QString& file : stockFiles())
        EXPECT_EQ(tree.read(u"game/"_s + file), stockBytes(file)) << file.toStdString();
    EXPECT_TRUE(catalogue::SharedFiles::load(bed.core.state.sharedDataPath()).records().isEmpty());
    EXPECT_TRUE(txn::KeptOriginals::load(bed.core.state).entries().isEmpty());
}
