// The redirect folder end to end: real record files, a real game folder, the
// real codec on worker threads, and a child process killed mid-run.
#include "cache/redirect.h"

#include "cache/redirect_manifest.h"
#include "cache/uz2_codec.h"
#include "core/content_db.h"
#include "platform/errors.h"
#include "platform/folder_index.h"
#include "support/tree_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using cache::RedirectResult;
using testing_support::TempTree;

namespace {

/// Package-like bytes: runs of table text and of noise, some chunks long.
QByteArray tableAndNoise(qint64 size, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray out;
    while (out.size() < size) {
        if (rng() % 2) {
            for (int i = 0; i < 3000; ++i)
                out.append(char(rng()));
        } else {
            out.append(("Texture" + QByteArray::number(rng() % 90) + '\0').repeated(300));
        }
    }
    out.truncate(size);
    return out;
}

void setTime(const QString& path, time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

/// Every file below `root` but those below `skip`, with bytes and time.
QMap<QString, QPair<QByteArray, qint64>> snapshot(const QString& root, const QString& skip) {
    QMap<QString, QPair<QByteArray, qint64>> out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!skip.isEmpty() && path.startsWith(skip + u'/'))
            continue;
        QFile f(path);
        out.insert(path, {f.open(QIODevice::ReadOnly) ? f.readAll() : "link or unreadable",
                          QFileInfo(path).lastModified().toMSecsSinceEpoch()});
    }
    return out;
}

class Redirect : public ::testing::Test {
protected:
    Redirect() {
        state.ProgramDir = tree.folder(u"prog"_s);
        state.setGameDir(tree.gameFolder());
        dir = tree.path(u"redirect"_s);
    }
    /// A record of mapdata.dat (`map`) or somdata.dat listing `files`.
    void record(bool map, const QStringList& files, quint8 installed = 1, qint32 kind = 0) {
        QList<TContentRecord>& records = map ? maps_ : mods_;
        TContentRecord r;
        r.ArchiveName = u"archive%1.zip"_s.arg(maps_.size() + mods_.size());
        r.ArchiveDir = tree.root() + u"/archives/"_s;
        r.Installed = installed;
        r.Kind = kind;
        r.Files = files;
        r.FileCount = qint32(files.size());
        records.append(r);
        content_db::WriteAll(map ? state.mapDataPath() : state.modDataPath(), records);
    }
    QString game(const QString& relative, const QByteArray& bytes) {
        return tree.file(u"game/"_s + relative, bytes);
    }
    RedirectResult run(bool prune = false, int jobs = 2, int* calls = nullptr) {
        folders.clear();
        return cache::buildRedirect(state, folders, {dir, prune, jobs}, [&](int done, int total) {
            EXPECT_LE(done, total);
            if (calls)
                ++*calls;
        });
    }
    QByteArray unpacked(const QString& name) const {
        QByteArray out;
        EXPECT_TRUE(cache::decompressUz2Bytes(tree.read(u"redirect/"_s + name), out).ok)
            << name.toStdString();
        return out;
    }
    QStringList names() const {
        return QDir(dir).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    TempTree tree;
    AppState state;
    platform::FolderIndex folders;
    QString dir;

private:
    QList<TContentRecord> maps_;
    QList<TContentRecord> mods_;
};

TEST_F(Redirect, TakesEveryDownloadablePackageOfInstalledRecordsOnce) {
    for (const QString& f :
         {u"Maps/DM-A.ut2"_s, u"Textures/dm-a.UTX"_s, u"System/Shared.u"_s, u"System/A.int"_s,
          u"System/A.ini"_s, u"System/A.ucl"_s, u"System/A.upl"_s, u"Music/A.ogg"_s,
          u"KarmaData/A.ka"_s, u"Help/readme.txt"_s, u"Maps/DM-B.ut2"_s, u"Maps/DM-C.ut2"_s,
          u"Animations/Skin.ukx"_s, u"Sounds/Snd.uax"_s, u"Textures/Rej.utx"_s})
        game(f, "x");
    QDir().mkpath(tree.path(u"game/StaticMeshes/Dir.usx"_s)); // a folder is no file
    record(true, {u"Maps/DM-A.ut2"_s, u"DM-A.utx"_s, u"A.int"_s, u"A.ini"_s, u"A.ucl"_s, u"A.upl"_s,
                  u"A.ogg"_s, u"A.ka"_s, u"readme.txt"_s, u"Shared.u"_s});
    record(true, {u"DM-B.ut2"_s, u"SHARED.U"_s, u"Gone.usx"_s, u"Dir.usx"_s});
    record(true, {u"DM-C.ut2"_s}, 0);
    record(false, {u"Skin.ukx"_s, u"Skin.upl"_s, u"Snd.uax"_s}, 1, 2);
    record(false, {u"Rej.utx"_s}, 1, 10);

    const cache::RedirectSources sources = cache::redirectSources(state, folders);
    QStringList found;
    for (const cache::RedirectSource& s : sources.files) {
        found.append(s.name);
        EXPECT_TRUE(QFileInfo(s.path).isFile() && s.path.endsWith(u'/' + s.name))
            << s.path.toStdString();
    }
    EXPECT_EQ(found, QStringList({u"DM-A.ut2"_s, u"dm-a.UTX"_s, u"DM-B.ut2"_s, u"Shared.u"_s,
                                  u"Skin.ukx"_s, u"Snd.uax"_s}));
    EXPECT_EQ(sources.missing, QStringList({u"Dir.usx"_s, u"Gone.usx"_s}));
    EXPECT_TRUE(sources.clashes.isEmpty());
    EXPECT_EQ(folders.listingCount(), 6) << "one listing per game folder";

    state.GameDir.clear();
    EXPECT_THROW(cache::redirectSources(state, folders), platform::Error);
}

TEST_F(Redirect, CompressesEachSourceOnceAndAgainOnlyWhenItChanged) {
    QMap<QString, QByteArray> sources;
    for (int i = 0; i < 6; ++i) {
        const QString name = u"DM-Map%1.ut2"_s.arg(i);
        sources.insert(name + u".uz2"_s, tableAndNoise(40000 + i * 30011, unsigned(i)));
        game(u"Maps/"_s + name, sources.last());
    }
    sources.insert(u"Empty.utx.uz2"_s, {});
    game(u"Textures/Empty.utx"_s, {});
    record(true, {u"DM-Map0.ut2"_s, u"DM-Map1.ut2"_s, u"DM-Map2.ut2"_s, u"Empty.utx"_s});
    record(false, {u"DM-Map3.ut2"_s, u"DM-Map4.ut2"_s, u"DM-Map5.ut2"_s});

    int calls = 0;
    RedirectResult r = run(false, 3, &calls);
    EXPECT_EQ(r.compressed, sources.keys());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(calls, 7);
    EXPECT_EQ(r.jobs, 3);
    EXPECT_EQ(r.folder, dir);
    for (auto it = sources.cbegin(); it != sources.cend(); ++it)
        EXPECT_EQ(unpacked(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(
        cache::redirectReport(r).last(),
        u"7 compressed, 0 unchanged, 0 pruned, 0 failed, 0 missing in %1 (3 job(s))"_s.arg(dir));

    // Nothing changed: nothing written, not even the manifest.
    const auto before = snapshot(tree.root(), QString());
    r = run(false, 1);
    EXPECT_TRUE(r.compressed.isEmpty());
    EXPECT_EQ(r.unchanged, sources.keys());
    EXPECT_EQ(snapshot(tree.root(), QString()), before);
    EXPECT_EQ(cache::redirectReport(r),
              QStringList({u"0 compressed, 7 unchanged, 0 pruned, 0 failed, 0 missing in %1 "
                           "(0 job(s))"_s.arg(dir)}));

    // A new size, a new time with the same size, a .uz2 cut short and a
    // .uz2 removed are each compressed again; the rest stays.
    sources[u"DM-Map0.ut2.uz2"_s] = tableAndNoise(1000, 99);
    game(u"Maps/DM-Map0.ut2"_s, sources[u"DM-Map0.ut2.uz2"_s]);
    sources[u"DM-Map1.ut2.uz2"_s][5] = 'Z';
    game(u"Maps/DM-Map1.ut2"_s, sources[u"DM-Map1.ut2.uz2"_s]);
    setTime(tree.path(u"game/Maps/DM-Map1.ut2"_s), 1'000'000'000);
    QFile(dir + u"/DM-Map2.ut2.uz2"_s).resize(100);
    QFile::remove(dir + u"/DM-Map3.ut2.uz2"_s);
    r = run();
    EXPECT_EQ(r.compressed, QStringList({u"DM-Map0.ut2.uz2"_s, u"DM-Map1.ut2.uz2"_s,
                                         u"DM-Map2.ut2.uz2"_s, u"DM-Map3.ut2.uz2"_s}));
    EXPECT_EQ(r.unchanged.size(), 3);
    for (auto it = sources.cbegin(); it != sources.cend(); ++it)
        EXPECT_EQ(unpacked(it.key()), it.value()) << it.key().toStdString();
    EXPECT_TRUE(run().compressed.isEmpty());
}

TEST_F(Redirect, PruneRemovesOnlyTheUz2ItWroteForSourcesNowGone) {
    for (const QString& name : {u"DM-Keep.ut2"_s, u"DM-Gone.ut2"_s, u"DM-Moved.ut2"_s})
        game(u"Maps/"_s + name, tableAndNoise(5000, 1));
    record(true, {u"DM-Keep.ut2"_s, u"DM-Gone.ut2"_s, u"DM-Moved.ut2"_s});
    ASSERT_EQ(run().compressed.size(), 3);
    tree.file(u"redirect/Stock.utx.uz2"_s, "made by hand");
    tree.file(u"redirect/notes.txt"_s, "mine");
    ASSERT_TRUE(QFile::remove(tree.path(u"game/Maps/DM-Gone.ut2"_s)));
    ASSERT_TRUE(QFile::remove(tree.path(u"game/Maps/DM-Moved.ut2"_s)));
    // Its .uz2 was replaced by a link to a file of the user's: not Quorvel's.
    const QString mine = tree.file(u"mine.uz2"_s, "the user's");
    ASSERT_TRUE(QFile::remove(dir + u"/DM-Moved.ut2.uz2"_s));
    ASSERT_TRUE(QFile::link(mine, dir + u"/DM-Moved.ut2.uz2"_s));

    RedirectResult r = run();
    EXPECT_TRUE(r.pruned.isEmpty()) << "only --prune removes";
    EXPECT_EQ(r.missing, QStringList({u"DM-Gone.ut2"_s, u"DM-Moved.ut2"_s}));
    EXPECT_TRUE(r.ok()) << "a missing source is no failure";

    r = run(true);
    EXPECT_EQ(r.pruned, QStringList({u"DM-Gone.ut2.uz2"_s}));
    EXPECT_EQ(r.unchanged, QStringList({u"DM-Keep.ut2.uz2"_s}));
    EXPECT_EQ(names(), QStringList({u".quorvel-redirect"_s, u"DM-Keep.ut2.uz2"_s,
                                    u"DM-Moved.ut2.uz2"_s, u"Stock.utx.uz2"_s, u"notes.txt"_s}));
    EXPECT_EQ(tree.read(u"mine.uz2"_s), "the user's");
    EXPECT_TRUE(run(true).pruned.isEmpty());
    EXPECT_TRUE(QFileInfo(dir + u"/DM-Moved.ut2.uz2"_s).isSymLink());
    EXPECT_TRUE(cache::redirectReport(r).contains(u"pruned DM-Gone.ut2.uz2"_s));

    // The map renamed in case gets a .uz2 of the new name. On a case-blind
    // folder (a hard link stands in for one) the old name is the new file:
    // the prune keeps it.
    ASSERT_TRUE(QFile::rename(tree.path(u"game/Maps/DM-Keep.ut2"_s),
                              tree.path(u"game/Maps/dm-keep.ut2"_s)));
    EXPECT_EQ(run().compressed, QStringList({u"dm-keep.ut2.uz2"_s}));
    ASSERT_TRUE(QFile::remove(dir + u"/DM-Keep.ut2.uz2"_s));
    ASSERT_EQ(::link(QFile::encodeName(dir + u"/dm-keep.ut2.uz2"_s).constData(),
                     QFile::encodeName(dir + u"/DM-Keep.ut2.uz2"_s).constData()),
              0);
    EXPECT_TRUE(run(true).pruned.isEmpty());
    EXPECT_EQ(unpacked(u"DM-Keep.ut2.uz2"_s), tableAndNoise(5000, 1));
}

TEST_F(Redirect, DamagedOrHostileManifestOnlyCostsACompression) {
    game(u"Maps/DM-A.ut2"_s, tableAndNoise(70000, 3));
    game(u"Textures/T.utx"_s, tableAndNoise(9000, 4));
    record(true, {u"DM-A.ut2"_s, u"T.utx"_s});
    const QString bait = tree.file(u"bait.uz2"_s, "outside");
    tree.file(u"redirect/bait.uz2"_s, "not Quorvel's");
    const QString manifest = dir + u"/.quorvel-redirect"_s;
    const QList<QByteArray> damaged = {
        "garbage\n\0\xff"_ba,
        "quorvel-redirect 1\nDM-A.ut2.uz2\t1\t2\t3\t/x",
        // Lines that would prune outside the folder or a file not made here.
        "quorvel-redirect 1\n..%2Fbait.uz2\t7\t1\t1\t/x\n",
        "quorvel-redirect 1\nbait.uz2\t13\t1\t1\t/x\n%2Ftmp%2Fbait.uz2\t1\t1\t1\t/x\n",
    };
    for (const QByteArray& bytes : damaged) {
        QFile::remove(manifest);
        tree.file(u"redirect/.quorvel-redirect"_s, bytes);
        const auto outside = snapshot(tree.root(), dir);
        const RedirectResult r = run(true);
        EXPECT_EQ(r.compressed, QStringList({u"DM-A.ut2.uz2"_s, u"T.utx.uz2"_s}));
        EXPECT_FALSE(r.manifestProblem.isEmpty());
        EXPECT_TRUE(r.pruned.isEmpty());
        EXPECT_EQ(snapshot(tree.root(), dir), outside);
        EXPECT_EQ(tree.read(u"redirect/bait.uz2"_s), "not Quorvel's");
        EXPECT_EQ(run(true).unchanged.size(), 2) << "the manifest was written anew";
    }
    // A manifest that is a link out is neither read nor written through.
    QFile::remove(manifest);
    ASSERT_TRUE(QFile::link(bait, manifest));
    EXPECT_EQ(run().manifestProblem, u"it is a link"_s);
    EXPECT_EQ(tree.read(u"bait.uz2"_s), "outside");
    EXPECT_FALSE(QFileInfo(manifest).isSymLink());
}

TEST_F(Redirect, NamesThatDifferOnlyInCaseAreNeitherServed) {
    game(u"Textures/Foo.utx"_s, "one");
    game(u"Textures/FOO.utx"_s, "two");
    game(u"Maps/DM-Foo.ut2"_s, "map");
    record(true, {u"DM-Foo.ut2"_s, u"foo.UTX"_s});
    const RedirectResult r = run();
    EXPECT_EQ(r.compressed, QStringList({u"DM-Foo.ut2.uz2"_s}));
    ASSERT_EQ(r.failed.size(), 2);
    EXPECT_EQ(r.failed[0].name, u"FOO.utx.uz2"_s);
    EXPECT_EQ(r.failed[1].name, u"Foo.utx.uz2"_s);
    EXPECT_TRUE(r.failed[0].reason.contains(tree.path(u"game/Textures/Foo.utx"_s)));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(names(), QStringList({u".quorvel-redirect"_s, u"DM-Foo.ut2.uz2"_s}));
}

TEST_F(Redirect, WritesNothingOutsideItsFolderNorThroughALink) {
    game(u"Maps/DM-A.ut2"_s, tableAndNoise(50000, 5));
    game(u"Maps/DM-B.ut2"_s, tableAndNoise(50000, 6));
    game(u"Maps/DM-C.ut2"_s, tableAndNoise(50000, 7));
    record(true, {u"DM-A.ut2"_s, u"DM-B.ut2"_s, u"DM-C.ut2"_s});
    const QString target = tree.file(u"outside/DM-A.ut2.uz2"_s, "outside");
    tree.folder(u"redirect/DM-B.ut2.uz2"_s); // a folder in the way
    ASSERT_TRUE(QFile::link(target, dir + u"/DM-A.ut2.uz2"_s));
    tree.file(u"redirect/DM-C.ut2.uz2.quorvel-AbC123"_s, "a killed run's");
    tree.file(u"redirect/DM-C.ut2.uz2.quorvel-nope"_s, "not ours");
    const auto outside = snapshot(tree.root(), dir);

    const RedirectResult r = run();
    EXPECT_EQ(r.compressed, QStringList({u"DM-A.ut2.uz2"_s, u"DM-C.ut2.uz2"_s}));
    ASSERT_EQ(r.failed.size(), 1);
    EXPECT_EQ(r.failed[0].name, u"DM-B.ut2.uz2"_s);
    EXPECT_EQ(snapshot(tree.root(), dir), outside);
    EXPECT_FALSE(QFileInfo(dir + u"/DM-A.ut2.uz2"_s).isSymLink());
    EXPECT_EQ(unpacked(u"DM-A.ut2.uz2"_s), tree.read(u"game/Maps/DM-A.ut2"_s));
    EXPECT_EQ(names(), QStringList({u".quorvel-redirect"_s, u"DM-A.ut2.uz2"_s, u"DM-B.ut2.uz2"_s,
                                    u"DM-C.ut2.uz2"_s, u"DM-C.ut2.uz2.quorvel-nope"_s}));

    // One run at a time; a folder is made, not its parents; a file is no folder.
    {
        QLockFile other(dir + u"/.quorvel-redirect.lock"_s);
        ASSERT_TRUE(other.tryLock(0));
        EXPECT_THROW(run(), platform::Error);
    }
    // An empty lock file, as a run killed while making it leaves: taken over.
    tree.file(u"redirect/.quorvel-redirect.lock"_s, QByteArray());
    EXPECT_NO_THROW(run());
    EXPECT_FALSE(tree.exists(u"redirect/.quorvel-redirect.lock"_s));
    dir = tree.path(u"new"_s);
    EXPECT_EQ(run().compressed.size(), 3);
    dir = tree.path(u"no/such"_s);
    EXPECT_THROW(run(), platform::Error);
    dir = target;
    EXPECT_THROW(run(), platform::Error);

    // A game folder as the redirect folder: the index learns of its .uz2.
    dir = QDir::cleanPath(state.MapsDir);
    EXPECT_EQ(run().compressed.size(), 3);
    const int listings = folders.listingCount();
    EXPECT_TRUE(folders.exists(state.MapsDir, u"dm-a.ut2.UZ2"_s));
    EXPECT_TRUE(folders.exists(state.MapsDir, u".quorvel-redirect"_s));
    EXPECT_EQ(folders.listingCount(), listings);
}

constexpr char kChildVariable[] = "QUORVEL_REDIRECT_CHILD";

TEST(RedirectKillChild, CompressesUntilKilled) {
    const QString root = qEnvironmentVariable(kChildVariable);
    if (root.isEmpty())
        GTEST_SKIP() << "runs as the killed child only";
    AppState state;
    state.ProgramDir = root + u"/prog"_s;
    state.setGameDir(root + u"/game"_s);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (time_t t = 1'000'000'000;; ++t) {
        // A new time for every source: each run compresses them all.
        for (const QFileInfo& f : QDir(state.MapsDir).entryInfoList(QDir::Files))
            setTime(f.filePath(), t);
        platform::FolderIndex folders;
        cache::buildRedirect(state, folders, {root + u"/redirect"_s, false, 2});
    }
}

TEST_F(Redirect, AKillLeavesEveryUz2WholeAndTheNextRunTidy) {
    QStringList maps;
    for (int i = 0; i < 8; ++i) {
        maps.append(u"DM-Kill%1.ut2"_s.arg(i));
        game(u"Maps/"_s + maps.last(), tableAndNoise(600000, unsigned(i)));
    }
    record(true, maps);
    int leftovers = 0;
    for (int kill = 0; kill < 15; ++kill) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), tree.root());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--gtest_filter=RedirectKillChild.*"_s});
        ASSERT_TRUE(child.waitForStarted(10000));
        QByteArray output;
        while (!output.contains("ready\n")) {
            output += child.readAllStandardOutput();
            ASSERT_EQ(child.state(), QProcess::Running);
            child.waitForReadyRead(100);
        }
        QThread::msleep(20 + (unsigned(kill) * 7919u) % 300u);
        child.kill();
        ASSERT_TRUE(child.waitForFinished(10000));
        for (const QString& name : names()) {
            if (name.contains(u".quorvel-"_s)) {
                ++leftovers;
            } else if (name.endsWith(u".uz2"_s)) {
                EXPECT_EQ(unpacked(name), tree.read(u"game/Maps/"_s + name.chopped(4)))
                    << "kill " << kill;
            }
        }
        QString problem;
        cache::readRedirectManifest(dir, problem);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
    std::printf("15 kills; temporary files left by them: %d\n", leftovers);
    const RedirectResult r = run();
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.compressed.size() + r.unchanged.size(), 8);
    EXPECT_EQ(names().size(), 9) << names().join(u' ').toStdString();
    EXPECT_EQ(run().unchanged.size(), 8);
}

} // namespace
