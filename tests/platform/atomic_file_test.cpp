// The whole-file writer: a file is replaced whole or not at all, a link in
// its place is replaced rather than written through, and the permissions of
// an existing file are kept.
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace Qt::Literals::StringLiterals;

TEST(AtomicFile, ReplacesWholeKeepsModesAndNeverWritesThroughALink) {
    testing_support::TempTree tree;
    const QString outside = tree.file(u"outside/stock.utx"_s, "the game's own");
    const QString link = tree.path(u"game/Textures/Stock.utx"_s);
    QDir().mkpath(QFileInfo(link).path());
    ASSERT_TRUE(QFile::link(outside, link));

    platform::writeFileAtomically(link, "new");
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the link itself was replaced";
    EXPECT_EQ(tree.read(u"game/Textures/Stock.utx"_s), "new");
    EXPECT_EQ(tree.read(u"outside/stock.utx"_s), "the game's own");

    // An existing file keeps its permissions; a new one gets 0666 less the
    // umask, as any program's new file.
    const QString kept = tree.file(u"kept.ini"_s, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
    platform::writeFileAtomically(kept, "new");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const QString fresh = tree.path(u"fresh.ini"_s);
    platform::writeFileAtomically(fresh, "x");
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);

    // Cancelled or failed: the old bytes stay and nothing is left beside.
    {
        platform::AtomicFile file(kept);
        file.openForWriting();
        file.writeAll(QByteArray("half"));
    }
    EXPECT_EQ(tree.read(u"kept.ini"_s), "new");
    EXPECT_THROW(platform::writeFileAtomically(tree.path(u"no/such/folder/x"_s), "x"),
                 platform::Error);
    EXPECT_EQ(QDir(tree.root()).entryList({u"*.quorvel-*"_s}, QDir::Files | QDir::Hidden),
              QStringList());
}

// The redirect folder writes its .uz2 files from several threads at once.
// Reading the umask means setting it, for the whole process: two threads
// at it together could give a file the wrong mode or leave the umask at 0.
TEST(AtomicFile, NewFilesFromManyThreadsGetTheModeOfTheUmask) {
    // In memory when the system has it: syncs cost nothing there, so the
    // threads spend their time where they would collide.
    QTemporaryDir dir(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/atomic-XXXXXX"_s : QString());
    ASSERT_TRUE(dir.isValid());
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&dir, t] {
            for (int i = 0; i < 1000; ++i)
                platform::writeFileAtomically(dir.filePath(u"f%1-%2"_s.arg(t).arg(i)), "x");
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(::umask(mask), mask) << "the process's umask changed";
    int wrong = 0;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir.filePath(name)).constData(), &st), 0);
        wrong += (st.st_mode & 0777) != (0666 & ~mask) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(AtomicFile, AnyNameAFolderHoldsIsWrittenWithATemporaryNameWithinTheLimit) {
    const QString stem244 = u"DM-"_s + QString(237, u'x'); // + ".ut2": 244 bytes
    const QString umlauts = QString(120, QChar(0xE4));     // 240 bytes in UTF-8
    struct Case {
        const char* what;
        QString name;
        QByteArray expectedPattern; ///< the temporary name before mkstemp
    } const cases[] = {
        {"short: name + suffix", u"DM-Rankin.ut2"_s, "DM-Rankin.ut2.quorvel-XXXXXX"},
        {"exactly at the limit", QString(240, u'a'), QByteArray(240, 'a') + ".quorvel-XXXXXX"},
        {"244 bytes: the stem gives way, the extension stays", stem244 + u".ut2"_s,
         "DM-" + QByteArray(233, 'x') + ".ut2.quorvel-XXXXXX"},
        {"255 bytes, no extension", QString(255, u'b'), QByteArray(240, 'b') + ".quorvel-XXXXXX"},
        {"never cut inside a character", u"z"_s + umlauts + u".uz2"_s,
         "z" + umlauts.left(117).toUtf8() + ".uz2.quorvel-XXXXXX"},
    };
    testing_support::TempTree tree;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = tree.path(u"game/Maps/"_s) + c.name;
        const QByteArray pattern = platform::temporaryNamePattern(path);
        EXPECT_EQ(pattern, QFile::encodeName(tree.path(u"game/Maps/"_s)) + c.expectedPattern);
        EXPECT_LE(pattern.size() - pattern.lastIndexOf('/') - 1, 255);
        EXPECT_TRUE(QString::fromUtf8(pattern).endsWith(u".quorvel-XXXXXX"_s));
        QDir().mkpath(QFileInfo(path).path());
        platform::writeFileAtomically(path, "whole");
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), "whole");
    }
    EXPECT_EQ(QDir(tree.path(u"game/Maps"_s)).entryList(QDir::Files).size(), 5)
        << "no temporary file is left";
}
