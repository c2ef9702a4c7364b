// TdRar3 with passwords, hostile entry names and links, on both backends.
#include "archive/rar_archive.h"
#include "support/rar4_writer.h"
#include "support/rar_fixture.h"
#include "support/rar_tool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::MiB;
using testing_support::Rar4Entry;
using testing_support::RarBackendTest;

namespace {

class RarSecurityTest : public RarBackendTest {
protected:
    // The bound on what one archive may write is lifted, so each case meets
    // the limit it is about; AnArchiveMayWriteAThousandTimesItsSize checks it.
    void SetUp() override {
        RarBackendTest::SetUp();
        rar.Limits.maxBytes = std::numeric_limits<qint64>::max();
        rar.Limits.maxRatio = std::numeric_limits<qint64>::max();
    }
    QString encrypted(const QString& switchText) {
        return makeRar5(u"enc.rar"_s,
                        {{u"Maps/DM-Secret.ut2"_s, "secret map"}, {u"Readme.txt"_s, "hidden"}},
                        {switchText});
    }
};

TEST_P(RarSecurityTest, EncryptedEntriesListWithoutAPassword) {
    rar.ArchiveFileName = encrypted(u"-psecret"_s);
    EXPECT_EQ(rar.List(), 10);
    EXPECT_TRUE(listed.contains(u"Maps/DM-Secret.ut2"_s));
    EXPECT_EQ(passwordRequests, 0);
}

TEST_P(RarSecurityTest, PasswordAnswersDecideTheEncryptedEntry) {
    rar.ArchiveFileName = encrypted(u"-psecret"_s);
    struct Case {
        const char* what;
        std::optional<QString> answer;
        int unrarResult;
    };
    const Case cases[] = {
        {"cancelled", std::nullopt, 22},
        {"empty", u""_s, 22},
        {"wrong", u"guess"_s, 24},
        {"right", u"secret"_s, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(rar.TargetDirectory).removeRecursively();
        passwordRequests = 0;
        passwordAnswers = {c.answer, u"secret"_s};
        const int result = rar.Extract();
        if (!unrar()) {
            // libarchive reads no encrypted data and never asks.
            EXPECT_EQ(result, 22);
            EXPECT_EQ(passwordRequests, 0);
            EXPECT_TRUE(outFiles().isEmpty());
            continue;
        }
        EXPECT_EQ(result, c.unrarResult);
        EXPECT_EQ(passwordRequests, 1) << "asked once per archive, though two entries need it";
        if (result == 10) {
            EXPECT_EQ(tree.read(u"out/Maps/DM-Secret.ut2"_s), "secret map");
            EXPECT_EQ(tree.read(u"out/Readme.txt"_s), "hidden");
        } else {
            EXPECT_TRUE(outFiles().isEmpty()) << outFiles().join(u',').toStdString();
        }
    }
}

TEST_P(RarSecurityTest, EncryptedHeadersNeedThePasswordToList) {
    rar.ArchiveFileName = encrypted(u"-hpsecret"_s);
    passwordAnswers = {u"secret"_s};
    const int withPassword = rar.List();
    if (unrar()) {
        EXPECT_EQ(withPassword, 10);
        EXPECT_EQ(passwordRequests, 1);
        EXPECT_TRUE(listed.contains(u"Readme.txt"_s));
        passwordAnswers = {u"secret"_s};
        EXPECT_EQ(rar.Extract(), 10);
        EXPECT_EQ(tree.read(u"out/Readme.txt"_s), "hidden");
    } else {
        EXPECT_EQ(withPassword, 22);
        EXPECT_EQ(passwordRequests, 0);
        EXPECT_TRUE(listed.isEmpty());
    }

    listed.clear();
    passwordRequests = 0;
    passwordAnswers.clear(); // cancelled
    EXPECT_EQ(rar.List(), 22);
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_EQ(passwordRequests, unrar() ? 1 : 0);
}

TEST_P(RarSecurityTest, HostileNamesStayInsideTheTarget) {
    const QString base = tree.folder(u"sandbox"_s);
    rar.TargetDirectory = base + u"/out"_s;
    const QByteArray absolute = QFile::encodeName(base) + "/abs-unix.txt";
    rar.ArchiveFileName =
        makeRar4(u"evil.rar"_s,
                 {Rar4Entry::file("..\\..\\up.txt", "1"), Rar4Entry::file("\\abs.txt", "2"),
                  Rar4Entry::file("C:\\drive.txt", "3"), Rar4Entry::file("a\\..\\..\\mid.txt", "4"),
                  Rar4Entry::file(absolute, "5"), Rar4Entry::file("..", "6"),
                  Rar4Entry::file("sub/../../../slash.txt", "7")});
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(listed.size(), 7);
    EXPECT_EQ(listed.first(), u"../../up.txt"_s) << "names reach the caller as stored";

    EXPECT_EQ(rar.Extract(), 10);
    QStringList everything = tree.allFiles();
    everything.removeAll(u"evil.rar"_s);
    // The absolute name lands below the target with its folder parts.
    const QString absoluteInside = u"sandbox/out"_s + QString::fromUtf8(absolute);
    QStringList expected{
        u"sandbox/out/up.txt"_s,    u"sandbox/out/abs.txt"_s, u"sandbox/out/drive.txt"_s,
        u"sandbox/out/a/mid.txt"_s, absoluteInside,           u"sandbox/out/sub/slash.txt"_s};
    expected.sort();
    EXPECT_EQ(everything, expected);
    EXPECT_FALSE(QFileInfo::exists(base + u"/abs-unix.txt"_s));
}

TEST_P(RarSecurityTest, AnExistingLinkInTheTargetIsNotFollowed) {
    const QString outside = tree.folder(u"outside"_s);
    QDir().mkpath(rar.TargetDirectory);
    ASSERT_TRUE(QFile::link(outside, rar.TargetDirectory + u"/Maps"_s));
    ASSERT_TRUE(QFile::link(outside + u"/victim.txt"_s, rar.TargetDirectory + u"/file.txt"_s));
    rar.ArchiveFileName = makeRar4(
        u"via.rar"_s, {Rar4Entry::file("file.txt", "plain"), Rar4Entry::file("Maps\\x.ut2", "x")});
    EXPECT_EQ(rar.Extract(), 16) << "the folder link is refused";
    EXPECT_TRUE(QDir(outside).isEmpty()) << "nothing written through either link";
    EXPECT_FALSE(QFileInfo(rar.TargetDirectory + u"/file.txt"_s).isSymLink());
    EXPECT_EQ(tree.read(u"out/file.txt"_s), "plain");
}

TEST_P(RarSecurityTest, LinkEntriesAreSkippedUnseen) {
    tree.file(u"lsrc/real.txt"_s, "real");
    ASSERT_TRUE(QFile::link(u"../../../etc/passwd"_s, tree.path(u"lsrc/evil"_s)));
    const QString rar5 = tree.path(u"links5.rar"_s);
    ASSERT_EQ(testing_support::runRarTool(tree.path(u"lsrc"_s),
                                          {u"a"_s, u"-ol"_s, rar5, u"evil"_s, u"real.txt"_s}),
              0);
    const QString rar4 = makeRar4(u"links4.rar"_s, {Rar4Entry::symlink("evil", "/etc/passwd"),
                                                    Rar4Entry::file("real.txt", "real")});
    for (const QString& archive : {rar5, rar4}) {
        SCOPED_TRACE(archive.toStdString());
        listed.clear();
        QDir(rar.TargetDirectory).removeRecursively();
        rar.ArchiveFileName = archive;
        EXPECT_EQ(rar.List(), 10);
        EXPECT_EQ(listed, QStringList{u"real.txt"_s});
        EXPECT_EQ(rar.Extract(), 10);
        EXPECT_EQ(outFiles(), QStringList{u"real.txt"_s});
        EXPECT_FALSE(QFileInfo(rar.TargetDirectory + u"/evil"_s).isSymLink());
    }
}

TEST_P(RarSecurityTest, SpecialModeBitsAreNotApplied) {
    Rar4Entry tool = Rar4Entry::file("tool", "#!/bin/sh\n");
    tool.hostOs = 3;
    tool.attributes = 0106755; // set-user-id and set-group-id
    rar.ArchiveFileName = makeRar4(u"mode.rar"_s, {tool});
    EXPECT_EQ(rar.Extract(), 10);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(tree.path(u"out/tool"_s)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07000, 0u);
}

TEST_P(RarSecurityTest, AnEmptyArchiveNameFailsWithoutReadingAnything) {
    rar.ArchiveFileName.clear();
    EXPECT_GT(rar.List(), 10);
    EXPECT_GT(rar.Extract(), 10);
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_TRUE(extracted.isEmpty());
}

// Archives made to fill the disk or the folder.

TEST_P(RarSecurityTest, DataPastTheDeclaredSizeIsNeverWritten) {
    // A stored entry whose header says 10 bytes while 1 MiB follows (its
    // CRC is that of the whole MiB).
    Rar4Entry liar = Rar4Entry::file("Maps\\liar.ut2", QByteArray(MiB, 'L'));
    liar.declaredSize = 10;
    rar.ArchiveFileName = makeRar4(u"liar.rar"_s, {Rar4Entry::file("first.txt", "first"), liar});
    tree.file(u"out/Maps/liar.ut2"_s, "the old file");
    EXPECT_EQ(rar.Extract(), 12);
    // The library stops at the declared size and then finds the CRC wrong;
    // libarchive hands out every packed byte, so the bound stops it.
    EXPECT_EQ(outFiles(), (QStringList{u"Maps/liar.ut2"_s, u"first.txt"_s}));
    EXPECT_EQ(tree.read(u"out/Maps/liar.ut2"_s), "the old file") << "replaced only by a whole file";
    const QString reason = unrar()
                               ? u"Damaged data in\r"_s + rar.ArchiveFileName
                               : u"Cannot extract\rMaps/liar.ut2\rfrom "_s + rar.ArchiveFileName +
                                     u"\rIts data goes on past the 10 bytes"_s;
    EXPECT_TRUE(rar.LastErrorText().startsWith(reason)) << rar.LastErrorText().toStdString();
}

TEST_P(RarSecurityTest, AnArchiveMayWriteAThousandTimesItsSize) {
    // 1 GiB claimed in a few hundred bytes: refused before anything is
    // written, whatever the disk could take.
    Rar4Entry huge = Rar4Entry::file("Textures\\huge.utx", "small");
    huge.declaredSize = quint32(1024 * MiB);
    rar.ArchiveFileName = makeRar4(u"bomb.rar"_s, {Rar4Entry::file("first.txt", "first"), huge});
    rar.Limits.maxBytes = archives::ExtractionLimits::DefaultMaxBytes;
    rar.Limits.maxRatio = archives::ExtractionLimits::DefaultMaxRatio;
    rar.Limits.freeSpace = [](const QString&) { return qint64(1) << 40; };
    EXPECT_EQ(rar.Extract(), archives::rarcode::TooLarge);
    EXPECT_TRUE(extracted.isEmpty());
    EXPECT_TRUE(outFiles().isEmpty());
    EXPECT_TRUE(rar.LastErrorText().startsWith(
        u"Nothing was extracted from\r"_s + rar.ArchiveFileName + u"\rIt would write 1.00 GiB"_s))
        << rar.LastErrorText().toStdString();
    // Only what is selected counts.
    rar.FileListToProcess.add(u"first.txt"_s);
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(outFiles(), QStringList{u"first.txt"_s});
}

TEST_P(RarSecurityTest, DeclaredSizesMustFitTheFreeSpace) {
    // 1 GiB claimed for 5 bytes: refused from the headers, before anything
    // is written (libarchive would only notice the lie at the data).
    Rar4Entry huge = Rar4Entry::file("Textures\\huge.utx", "small");
    huge.declaredSize = quint32(1024 * MiB);
    rar.ArchiveFileName = makeRar4(
        u"claims.rar"_s, {Rar4Entry::file("first.txt", "first"), Rar4Entry::dir("Textures"), huge});
    QString asked;
    qint64 free = 1024 * MiB;
    rar.Limits.freeSpace = [&](const QString& folder) {
        asked = folder;
        return free;
    };
    EXPECT_EQ(rar.Extract(), archives::rarcode::NotEnoughSpace);
    EXPECT_EQ(asked, rar.TargetDirectory);
    EXPECT_TRUE(extracted.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(rar.TargetDirectory)) << "not even the target folder is made";
    EXPECT_EQ(rar.LastErrorText(),
              u"Not enough free disk space to extract\r"_s + rar.ArchiveFileName +
                  u"\rIt needs 1.06 GiB (64.00 MiB of them kept in reserve), but only 1.00 GiB "
                  u"are free on the disk of\r"_s +
                  rar.TargetDirectory +
                  u"\rNothing was extracted. Free some disk space and try again."_s);

    // Only what is selected counts.
    rar.FileListToProcess.add(u"first.txt"_s);
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(outFiles(), QStringList{u"first.txt"_s});
    EXPECT_TRUE(rar.LastErrorText().isEmpty());
    rar.FileListToProcess.clear();

    if (!unrar())
        return; // libarchive reads no encrypted headers at all
    // Encrypted headers hide the sizes from the scan: the library's header
    // of each entry is checked before the entry is written.
    rar.ArchiveFileName =
        makeRar5(u"hidden.rar"_s, {{u"a.txt"_s, "a"}, {u"b.bin"_s, QByteArray(200000, 'b')}},
                 {u"-hpsecret"_s});
    QDir(rar.TargetDirectory).removeRecursively();
    extracted.clear();
    passwordAnswers = {u"secret"_s};
    free = 64 * MiB + 100000;
    EXPECT_EQ(rar.Extract(), archives::rarcode::NotEnoughSpace);
    EXPECT_EQ(outFiles(), QStringList{u"a.txt"_s});
    EXPECT_TRUE(rar.LastErrorText().endsWith(
        u"\rThe extraction was stopped. Free some disk space and try again."_s));
}

TEST_P(RarSecurityTest, DataOfUnknownSizeStopsAtTheFreeSpace) {
    // A size of all ones is the format's "not known" (a file archived from
    // a pipe): nothing to check beforehand, so the data itself is counted.
    Rar4Entry stream = Rar4Entry::file("stream.bin", QByteArray(300000, 's'));
    stream.declaredSize = 0xFFFFFFFFu;
    rar.ArchiveFileName =
        makeRar4(u"stream.rar"_s, {Rar4Entry::file("first.txt", "first"), stream});
    rar.Limits.freeSpace = [](const QString&) { return 64 * MiB + 100000; };
    EXPECT_EQ(rar.Extract(), archives::rarcode::NotEnoughSpace);
    EXPECT_EQ(outFiles(), QStringList{u"first.txt"_s});
    EXPECT_TRUE(rar.LastErrorText().startsWith(u"Not enough free disk space to extract\r"_s +
                                               rar.ArchiveFileName))
        << rar.LastErrorText().toStdString();

    if (!unrar())
        return; // libarchive takes the mark for a size and finds the data short
    rar.Limits.freeSpace = [](const QString&) { return 64 * MiB + 400000; };
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_TRUE(tree.read(u"out/stream.bin"_s) == QByteArray(300000, 's'));
}

TEST_P(RarSecurityTest, TooManyEntriesAreRefused) {
    rar.ArchiveFileName =
        makeRar4(u"four.rar"_s, {Rar4Entry::file("1", "1"), Rar4Entry::file("2", "2"),
                                 Rar4Entry::dir("d"), Rar4Entry::file("d\\3", "3")});
    rar.Limits.maxEntries = 4;
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(outFiles(), (QStringList{u"1"_s, u"2"_s, u"d/3"_s}));

    QDir(rar.TargetDirectory).removeRecursively();
    rar.Limits.maxEntries = 3;
    rar.FileListToProcess.add(u"1"_s); // the whole archive counts, not the selection
    EXPECT_EQ(rar.Extract(), archives::rarcode::TooManyEntries);
    EXPECT_FALSE(QFileInfo::exists(rar.TargetDirectory));
    EXPECT_EQ(rar.LastErrorText(),
              u"Nothing was extracted from\r"_s + rar.ArchiveFileName +
                  u"\rIt holds 4 entries, more than the 3 one archive may hold: it is damaged or "
                  u"made to do harm. Delete it, or ask its maker for a sound copy."_s);
    EXPECT_EQ(rar.List(), 10) << "listing writes nothing and is not limited";
    rar.FileListToProcess.clear();

    // The default limit: one entry too many.
    QList<Rar4Entry> many;
    for (qint64 i = 0; i <= archives::ExtractionLimits::DefaultMaxEntries; ++i)
        many.append(Rar4Entry::file(QByteArray::number(i), {}));
    rar.Limits = {};
    rar.ArchiveFileName = makeRar4(u"many.rar"_s, many);
    extracted.clear();
    EXPECT_EQ(rar.Extract(), archives::rarcode::TooManyEntries);
    EXPECT_TRUE(extracted.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(rar.TargetDirectory));

    if (!unrar())
        return;
    // Encrypted headers cannot be counted beforehand: the count stops the
    // extraction at the first entry past the limit.
    rar.ArchiveFileName =
        makeRar5(u"hidden.rar"_s, {{u"a"_s, "a"}, {u"b"_s, "b"}, {u"c"_s, "c"}}, {u"-hpsecret"_s});
    rar.Limits.maxEntries = 2;
    passwordAnswers = {u"secret"_s};
    EXPECT_EQ(rar.Extract(), archives::rarcode::TooManyEntries);
    EXPECT_EQ(outFiles().size(), 2);
    EXPECT_TRUE(rar.LastErrorText().contains(u"It holds 3 entries, more than the 2"_s));
}

INSTANTIATE_TEST_SUITE_P(Backends, RarSecurityTest, testing_support::rarBackends(),
                         testing_support::rarBackendName);

} // namespace
