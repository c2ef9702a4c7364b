// The unrar helper seen from TdRar3: its frames, and every way it can end
// without a proper result, played by small shell scripts in its place.
#include "archive/rar_archive.h"
#include "archive/unrar_helper_protocol.h"
#include "support/rar4_writer.h"
#include "support/rar_fixture.h"
#include "support/rar_tool.h"
#include "support/tree_builder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

using namespace Qt::Literals::StringLiterals;
using archives::TdRar3;
using archives::unrar_helper::Frame;
using archives::unrar_helper::FrameReader;

namespace {

TEST(UnrarHelperFrames, AreCutWholeFromPiecesAndBounded) {
    const QByteArray stream = archives::unrar_helper::frame(Frame::Listed, "Maps/DM-\xC3\xA9.ut2") +
                              archives::unrar_helper::frame(Frame::Password) +
                              archives::unrar_helper::resultFrame(-111, u"why \u00E9"_s);
    // Delivered whole, byte by byte, and in pieces of 7: the same frames.
    for (const qsizetype piece : {stream.size(), qsizetype(1), qsizetype(7)}) {
        SCOPED_TRACE(piece);
        FrameReader reader;
        QList<FrameReader::Item> items;
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            reader.append(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)));
            while (std::optional<FrameReader::Item> item = reader.next())
                items.append(*item);
        }
        ASSERT_EQ(items.size(), 3);
        EXPECT_EQ(items[0].type, Frame::Listed);
        EXPECT_EQ(QString::fromUtf8(items[0].payload), u"Maps/DM-\u00E9.ut2"_s);
        EXPECT_EQ(items[1].type, Frame::Password);
        EXPECT_TRUE(items[1].payload.isEmpty());
        EXPECT_EQ(items[2].type, Frame::Result);
        const auto result = archives::unrar_helper::parseResult(items[2].payload);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->code, -111);
        EXPECT_EQ(result->reason, u"why \u00E9"_s);
        EXPECT_FALSE(reader.broken());
    }
    EXPECT_FALSE(archives::unrar_helper::parseResult("abc"));

    // No frame of ours: nothing after it is read, however much follows.
    const QByteArray tooLong("L\x01\x00\x01\x00", 5); // 65537 bytes announced
    const QByteArray unknown("Z\x00\x00\x00\x00", 5);
    for (const QByteArray& bad : {tooLong, unknown}) {
        FrameReader reader;
        reader.append(archives::unrar_helper::frame(Frame::Listed, "a") + bad);
        EXPECT_TRUE(reader.next());
        EXPECT_FALSE(reader.next());
        EXPECT_TRUE(reader.broken());
        reader.append(archives::unrar_helper::frame(Frame::Listed, "b"));
        EXPECT_FALSE(reader.next());
    }
    FrameReader longest;
    longest.append(archives::unrar_helper::frame(
        Frame::Listed, QByteArray(archives::unrar_helper::MaxPayload, 'n')));
    EXPECT_TRUE(longest.next());
}

TEST(UnrarHelperArguments, CarryTheWholeJob) {
    archives::unrar_helper::Request request;
    request.job.extract = true;
    request.job.archive = u"-odd name \u00E9.rar"_s;
    request.job.target = u"/tmp/out dir"_s;
    request.job.only.add(u"Maps\\DM-A.ut2"_s);
    request.job.only.add(u"--only"_s);
    request.job.limits.maxEntries = 12;
    request.job.limits.maxBytes = 5000;
    request.job.limits.maxRatio = 7;
    request.freeSpace = 4096;
    request.libraryFolder = u"/opt/rar"_s;
    request.libraryName = u"libunrar.so.5"_s;
    request.parent = 4321;
    const auto parsed =
        archives::unrar_helper::parseArguments(archives::unrar_helper::arguments(request));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->job.extract);
    EXPECT_EQ(parsed->job.archive, request.job.archive);
    EXPECT_EQ(parsed->job.target, request.job.target);
    EXPECT_EQ(parsed->job.only.items(), (QStringList{u"--only"_s, u"Maps/DM-A.ut2"_s}));
    EXPECT_EQ(parsed->job.limits.maxEntries, 12);
    EXPECT_EQ(parsed->job.limits.maxBytes, 5000);
    EXPECT_EQ(parsed->job.limits.maxRatio, 7);
    ASSERT_TRUE(parsed->job.limits.freeSpace);
    EXPECT_EQ(parsed->job.limits.freeSpace(u"/anywhere"_s), 4096);
    EXPECT_EQ(parsed->libraryFolder, u"/opt/rar"_s);
    EXPECT_EQ(parsed->libraryName, u"libunrar.so.5"_s);
    EXPECT_EQ(parsed->parent, std::optional<qint64>(4321));

    request.job.extract = false;
    const auto list =
        archives::unrar_helper::parseArguments(archives::unrar_helper::arguments(request));
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->job.extract);
    EXPECT_TRUE(list->job.only.isEmpty()) << "a listing extracts nothing";
    EXPECT_FALSE(list->job.limits.freeSpace);

    for (const QStringList& bad :
         {QStringList{}, QStringList{u"copy"_s, u"--archive"_s, u"a.rar"_s}, QStringList{u"list"_s},
          QStringList{u"list"_s, u"--archive"_s},
          QStringList{u"list"_s, u"--archive"_s, u"a.rar"_s, u"--bogus"_s, u"1"_s},
          QStringList{u"extract"_s, u"--archive"_s, u"a.rar"_s, u"--free-space"_s, u"lots"_s}})
        EXPECT_FALSE(archives::unrar_helper::parseArguments(bad)) << bad.join(u' ').toStdString();
}

/// A helper script's ways to end; each writes its process id first.
struct HelperScript {
    const char* what;
    bool extract;
    QByteArray body;
    int code;
    QStringList entries;
    /// LastErrorText; nullopt: the archive is damaged.
    std::optional<QString> text;
    bool asksPassword = false;
};

class UnrarHelperEnd : public ::testing::TestWithParam<HelperScript> {};

TEST_P(UnrarHelperEnd, MapsToTheResultAndLeavesNoHelperBehind) {
    const HelperScript& c = GetParam();
    testing_support::TempTree tree;
    const QString pidFile = tree.path(u"helper.pid"_s);
    TdRar3 rar;
    rar.Backend = archives::RarBackend::UnrarOnly;
    rar.UnrarHelper = testing_support::fakeUnrarHelper(
        tree, u"fake-unrar"_s, "echo $$ > '" + pidFile.toUtf8() + "'\n" + c.body);
    rar.ArchiveFileName = tree.file(u"pack.rar"_s, testing_support::rar4Archive({}));
    rar.TargetDirectory = tree.path(u"out"_s);
    QStringList events;
    rar.OnFileAboutToBeListed = [&](const QString& n) { events.append(u"L "_s + n); };
    rar.OnFileAboutToBeExtracted = [&](const QString& n) { events.append(u"X "_s + n); };
    int asked = 0;
    rar.OnReqPassword = [&] {
        ++asked;
        return std::optional<QString>(u"open"_s);
    };

    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(c.extract ? rar.Extract() : rar.List(), c.code);
    EXPECT_LT(clock.elapsed(), 10000) << "a helper that waits is not waited for";
    EXPECT_EQ(events, c.entries);
    EXPECT_EQ(rar.LastErrorText(),
              c.text.value_or(rar.ArchiveFileName +
                              u"\ris damaged: reading it made the unrar library fail."_s));
    EXPECT_EQ(asked, c.asksPassword ? 1 : 0);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Unrar);

    const pid_t pid = tree.read(u"helper.pid"_s).trimmed().toInt();
    ASSERT_GT(pid, 0);
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH) << "the helper is gone once the call returns";
}

// printf's octal escapes write the frames: a type, 4 length bytes, data.
INSTANTIATE_TEST_SUITE_P(
    Scripts, UnrarHelperEnd,
    ::testing::Values(
        HelperScript{"SignalFirst", false, "kill -SEGV $$", 13, {}, {}},
        HelperScript{"SignalAfterAnEntry",
                     false,
                     "printf 'L\\005\\000\\000\\000a.txt'\nkill -SEGV $$",
                     13,
                     {u"L a.txt"_s},
                     {}},
        HelperScript{"SignalWhileExtracting",
                     true,
                     "printf 'X\\005\\000\\000\\000a.txt'\nkill -ABRT $$",
                     13,
                     {u"X a.txt"_s},
                     {}},
        HelperScript{"EndsWithoutResult",
                     false,
                     "printf 'L\\005\\000\\000\\000a.txt'",
                     13,
                     {u"L a.txt"_s},
                     {}},
        HelperScript{"NoFrames", false, "echo 'Segmentation fault'\nexec sleep 30", 13, {}, {}},
        HelperScript{
            "FrameTooLong", false, "printf 'L\\377\\377\\377\\177'\nexec sleep 30", 13, {}, {}},
        HelperScript{"EntryOfTheOtherOperation",
                     false,
                     "printf 'X\\005\\000\\000\\000a.txt'\nexec sleep 30",
                     13,
                     {},
                     {}},
        HelperScript{
            "ShortResult", false, "printf 'R\\002\\000\\000\\000ab'\nexec sleep 30", 13, {}, {}},
        HelperScript{"Finished",
                     false,
                     "printf 'L\\005\\000\\000\\000a.txtR\\004\\000\\000\\000\\012\\000\\000\\000'",
                     10,
                     {u"L a.txt"_s},
                     u""_s},
        HelperScript{"FinishedWithAReason",
                     true,
                     "printf 'R\\013\\000\\000\\000\\145\\000\\000\\000no room'",
                     101,
                     {},
                     u"no room"_s},
        // Gone while the password is asked: the answer meets a closed pipe.
        HelperScript{"GoneBeforeTheAnswer",
                     false,
                     "exec 0<&-\nprintf 'Q\\000\\000\\000\\000'\nexit 0",
                     13,
                     {},
                     {},
                     true},
        // The answer comes back as the name of an entry: "A", 4 bytes, "open".
        HelperScript{"PasswordAnswered",
                     false,
                     "printf 'Q\\000\\000\\000\\000'\nanswer=$(head -c 9 | tail -c 4)\n"
                     "printf 'L\\004\\000\\000\\000%s' \"$answer\"\nexit 0",
                     13,
                     {u"L open"_s},
                     {},
                     true}),
    [](const ::testing::TestParamInfo<HelperScript>& p) { return p.param.what; });

/// The state letter of process `pid` (R, S, Z, ...); empty once it is gone.
QByteArray processState(qint64 pid) {
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1);
}

bool gone(qint64 pid) {
    const QByteArray state = processState(pid);
    return state.isEmpty() || state == "Z" || state == "X";
}

QStringList pathsBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(it.next());
    return out;
}

// The real helper, in the middle of an entry (the library waits for the
// password of an encrypted one, its temporary file made), when the program
// that started it is killed: it ends at once and leaves no file. A helper
// whose program is gone before it starts does nothing at all.
TEST(UnrarHelperParent, TheHelperEndsWithItsProgramAndLeavesNoPartialFile) {
    if (testing_support::rarToolPath().isEmpty())
        GTEST_SKIP() << "the rar command is not installed";
    testing_support::TempTree tree;
    // Bytes that do not compress: within the ratio an archive may write.
    QByteArray noise(200000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    tree.file(u"src/Secret.ut2"_s, noise);
    ASSERT_EQ(
        testing_support::runRarTool(tree.path(u"src"_s),
                                    {u"a"_s, u"-pSecret"_s, u"../locked.rar"_s, u"Secret.ut2"_s}),
        0);
    const QString out = tree.folder(u"out"_s);
    archives::unrar_helper::Request request;
    request.job.extract = true;
    request.job.archive = tree.path(u"locked.rar"_s);
    request.job.target = out;
    request.libraryName = TdRar3().NameofUnrarDll;
    const QString helper = QCoreApplication::applicationDirPath() + u"/quorvel-unrar"_s;

    // The program: a shell that starts the helper with its own pid as the
    // parent's and waits; the helper's input stays open (held here).
    QProcess program;
    program.start(
        u"sh"_s, QStringList{u"-c"_s, u"exec 3<&0; \"$0\" \"$@\" --parent $$ <&3 & echo $!; wait"_s,
                             helper} +
                     archives::unrar_helper::arguments(request));
    QByteArray said;
    const QByteArray asking("Q\0\0\0\0", 5);
    while (!said.contains(asking) && program.waitForReadyRead(10000))
        said += program.readAllStandardOutput();
    ASSERT_TRUE(said.contains(asking)) << said.toStdString();
    const qint64 pid = said.left(said.indexOf('\n')).toLongLong();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(pathsBelow(out).size(), 1) << "the entry's temporary file, being written";

    program.kill();
    ASSERT_TRUE(program.waitForFinished(10000));
    const QDeadlineTimer deadline(5000);
    while (!gone(pid) && !deadline.hasExpired())
        QThread::msleep(10);
    EXPECT_TRUE(gone(pid)) << "the helper outlived its program";
    EXPECT_EQ(pathsBelow(out), QStringList());

    // Started for a program that is no longer its parent: ends, does nothing.
    request.parent = QCoreApplication::applicationPid() + 1;
    tree.file(u"src/Open.ut2"_s, "open");
    ASSERT_EQ(
        testing_support::runRarTool(tree.path(u"src"_s), {u"a"_s, u"../open.rar"_s, u"Open.ut2"_s}),
        0);
    request.job.archive = tree.path(u"open.rar"_s);
    QProcess late;
    late.start(helper, archives::unrar_helper::arguments(request));
    ASSERT_TRUE(late.waitForFinished(10000));
    EXPECT_EQ(late.exitCode(), 4);
    EXPECT_TRUE(late.readAllStandardOutput().isEmpty());
    EXPECT_EQ(pathsBelow(out), QStringList());
}

} // namespace
