// The .uz2 run against a fake game tool (a shell script that logs its
// arguments and working folder) and against Quorvel's own codec when the
// game's System folder has no tool.
#include "cache/uz2.h"

#include "cache/uz2_codec.h"
#include "core/app_core.h"
#include "platform/status_sink.h"
#include "platform/trash.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;
using cache::Uz2Action;
using testing_support::FakeDialogs;
using testing_support::ShownDialog;
using testing_support::TempTree;

namespace {

/// Exit code 1 for a path holding "bad", a crash (SIGSEGV) for one holding
/// "crash", 0 otherwise; one log line per call: working folder|argument
/// count|first argument|second argument.
QByteArray toolScript(const QString& log, const QByteArray& interpreter = "/bin/sh") {
    return "#!" + interpreter +
           "\n"
           "printf '%s|%s|%s|%s\\n' \"$(pwd -P)\" \"$#\" \"$1\" \"$2\" >> '" +
           log.toUtf8() +
           "'\n"
           "case \"$2\" in *bad*) exit 1;; *crash*) kill -SEGV $$;; esac\n"
           "exit 0\n";
}

void makeExecutable(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup |
                                    QFile::ExeOther);
}

/// A trash whose every move throws, as an unexpected error inside the loop.
class ThrowingTrash : public platform::Trash {
public:
    std::optional<QString> moveToTrash(const QString&) override {
        throw std::runtime_error("trash gone");
    }
};

class Uz2RunTest : public ::testing::Test {
protected:
    explicit Uz2RunTest(std::unique_ptr<platform::Trash> trash = nullptr)
        : oldHome_(qgetenv("HOME")), core(dialogs, status, std::move(trash)) {
        // The desktop trash lives below HOME.
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        core.state.ProgramDir = tree.folder(u"prog"_s);
        core.state.setGameDir(tree.gameFolder(u"game"_s));
        core.state.LastUz2Dir = tree.folder(u"home"_s);
        log = tree.path(u"tool.log"_s);
    }
    ~Uz2RunTest() override { qputenv("HOME", oldHome_); }

    /// The fake tool in the game's System folder.
    void installTool(const QString& name = u"ucc-bin"_s, const QByteArray& interpreter = "/bin/sh",
                     bool executable = true) {
        const QString path = tree.file(u"game/System/"_s + name, toolScript(log, interpreter));
        if (executable)
            makeExecutable(path);
    }
    QStringList toolCalls() const {
        const QString text = QString::fromUtf8(tree.read(u"tool.log"_s));
        return text.split(u'\n', Qt::SkipEmptyParts);
    }
    QString systemFolder() const { return QDir(core.state.SystemDir).canonicalPath(); }
    /// Selects files as the open dialog would, returning their list lines.
    QStringList select(const QStringList& paths) {
        core.state.ListBox3 = paths;
        QStringList lines;
        for (const QString& p : paths)
            lines.append(QFileInfo(p).fileName());
        return lines;
    }
    cache::Uz2Run go(Uz2Action action, bool deleteInputs, const QStringList& lines) {
        cache::Uz2Run run = cache::runUz2(core.context(), action, deleteInputs, lines);
        cache::finishUz2(core.context(), run, deleteInputs);
        return run;
    }
    QStringList trashed() const {
        QStringList out;
        for (const QString& f : tree.allFiles()) {
            if (f.contains(u"Trash/files/"_s))
                out.append(QFileInfo(f).fileName());
        }
        return out;
    }

    TempTree tree;
    QByteArray oldHome_;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    QString log;
};

} // namespace

TEST_F(Uz2RunTest, TheToolRunsOncePerFileInSystemDirWithTheFolderWhole) {
    installTool();
    const QString good = tree.file(u"My Downloads/DM-Good Map.ut2.uz2"_s, "x");
    const QString bad = tree.file(u"My Downloads/DM-bad.ut2.uz2"_s, "y");
    const QStringList lines = select({good, bad});
    QStringList marked;
    const cache::Uz2Run run =
        cache::runUz2(core.context(), Uz2Action::Decompress, false, lines,
                      [&](qsizetype i, const QString& line, const QString& reason) {
                          marked.append(QString::number(i) + u':' + line + u'|' + reason);
                      });
    EXPECT_EQ(toolCalls(), (QStringList{systemFolder() + u"|2|Decompress|"_s + good,
                                        systemFolder() + u"|2|Decompress|"_s + bad}));
    EXPECT_EQ(marked, (QStringList{u"0:DM-Good Map.ut2.uz2 -> ok|"_s,
                                   u"1:DM-bad.ut2.uz2 -> Error|"
                                   u"The game's tool ended with exit code 1."_s}));
    EXPECT_EQ(run.succeeded, 1);
    EXPECT_FALSE(run.builtIn);
    EXPECT_TRUE(run.error.isEmpty());
    // The last file's status: it failed, so nothing was appended.
    EXPECT_EQ(status.status(), u"  Decompressing DM-bad.ut2.uz2"_s);
    cache::finishUz2(core.context(), run, false);
    EXPECT_EQ(status.status(), u"  1 files successfully Decompressed."_s);
    EXPECT_TRUE(core.state.ListBox3.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(good));
    EXPECT_TRUE(QFileInfo::exists(bad));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(Uz2RunTest, AToolThatCrashesOnOneFileGoesOnWithTheNext) {
    installTool();
    const QString crash = tree.file(u"in/crash.uz2"_s, "x");
    const QString good = tree.file(u"in/good.uz2"_s, "y");
    const cache::Uz2Run run = go(Uz2Action::Decompress, true, select({crash, good}));
    EXPECT_EQ(run.lines, (QStringList{u"crash.uz2 -> Error"_s, u"good.uz2 -> ok"_s}));
    EXPECT_EQ(toolCalls().size(), 2);
    EXPECT_TRUE(run.error.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(crash)) << "a file that failed is kept";
    EXPECT_EQ(trashed(), QStringList{u"good.uz2"_s});
    EXPECT_EQ(status.status(),
              u"  1 files successfully Decompressed. Input file(s) moved to recyclebin"_s);
}

TEST_F(Uz2RunTest, OnlyConvertedInputsGoToTheTrash) {
    installTool(u"UCC"_s); // found ignoring case
    const QString good = tree.file(u"in/Song.ogg"_s, "x");
    const QString bad = tree.file(u"in/bad.ogg"_s, "y");
    const cache::Uz2Run run = go(Uz2Action::Compress, true, select({good, bad}));
    EXPECT_EQ(run.lines, (QStringList{u"Song.ogg -> ok"_s, u"bad.ogg -> Error"_s}));
    EXPECT_EQ(toolCalls().size(), 2);
    EXPECT_EQ(toolCalls().first(), systemFolder() + u"|2|Compress|"_s + good);
    EXPECT_FALSE(QFileInfo::exists(good));
    EXPECT_TRUE(QFileInfo::exists(bad));
    EXPECT_EQ(trashed(), QStringList{u"Song.ogg"_s});
    EXPECT_EQ(status.status(),
              u"  1 files successfully Compressed. Input file(s) moved to recyclebin"_s);
}

TEST_F(Uz2RunTest, AToolThatCannotStartEndsTheRunWithItsMessage) {
    installTool(u"ucc-bin"_s, "/nonexistent/interpreter");
    const QString a = tree.file(u"in/A.uz2"_s, "x");
    const QString b = tree.file(u"in/B.uz2"_s, "y");
    const QStringList lines = select({a, b});
    status.setStatus(u"before"_s);
    const cache::Uz2Run run = go(Uz2Action::Decompress, true, lines);
    EXPECT_EQ(run.error, u"An error occured while Decompressing files."_s);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Error);
    EXPECT_EQ(dialogs.shown[0].text, u"An error occured while Decompressing files."_s);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(50, 125));
    // No final status; the lists and files stay as they were.
    EXPECT_EQ(run.lines, lines);
    EXPECT_EQ(core.state.ListBox3, (QStringList{a, b}));
    EXPECT_FALSE(status.status().contains(u"successfully"_s));
    EXPECT_TRUE(QFileInfo::exists(a));
}

TEST_F(Uz2RunTest, WithoutAToolQuorvelsOwnCodecWritesBesideTheInput) {
    // A tool without execute permission, and a Windows program, could only
    // fail to start.
    installTool(u"ucc-bin"_s, "/bin/sh", false);
    const QByteArray data = QByteArray(100000, 'a') + "tail";
    const QString input = tree.file(u"with space/DM-Rain.ut2"_s, data);
    const cache::Uz2Run packed = go(Uz2Action::Compress, false, select({input}));
    EXPECT_TRUE(packed.builtIn);
    EXPECT_EQ(packed.lines, QStringList{u"DM-Rain.ut2 -> ok"_s});
    EXPECT_EQ(status.status(), u"  1 files successfully Compressed with Quorvel's own codec."_s);
    EXPECT_TRUE(toolCalls().isEmpty());
    const QString uz2 = input + u".uz2"_s;
    ASSERT_TRUE(QFileInfo::exists(uz2));

    QFile::remove(input);
    QFile::remove(tree.path(u"game/System/ucc-bin"_s));
    makeExecutable(tree.file(u"game/System/UCC.exe"_s, "MZ\x90\x03 a Windows program"));
    const cache::Uz2Run unpacked = go(Uz2Action::Decompress, true, select({uz2}));
    EXPECT_TRUE(unpacked.builtIn);
    EXPECT_EQ(unpacked.succeeded, 1);
    EXPECT_EQ(tree.read(u"with space/DM-Rain.ut2"_s), data);
    EXPECT_EQ(trashed(), QStringList{u"DM-Rain.ut2.uz2"_s});
    EXPECT_EQ(status.status(), u"  1 files successfully Decompressed with Quorvel's own codec. "
                               u"Input file(s) moved to recyclebin"_s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(Uz2RunTest, AnExistingOutputIsReplacedOnlyWhenTheUserSaysYes) {
    QByteArray packed;
    ASSERT_TRUE(cache::compressUz2Bytes("new content", packed).ok);
    const QString keep = tree.file(u"in/Keep.ut2.uz2"_s, packed);
    const QString replace = tree.file(u"in/Swap.ut2.uz2"_s, packed);
    tree.file(u"in/Keep.ut2"_s, "old keep");
    // Differs only in case: the game would see two copies of one file.
    tree.file(u"in/swap.UT2"_s, "old swap");
    dialogs.buttonAnswers = {platform::No, platform::Yes};
    const cache::Uz2Run run = go(Uz2Action::Decompress, true, select({keep, replace}));
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Confirmation);
    EXPECT_EQ(dialogs.shown[0].text,
              tree.path(u"in/Keep.ut2"_s) + u" already exists.\r\rDo you want to replace it?"_s);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Yes | platform::No);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(50, 125));
    EXPECT_EQ(dialogs.shown[1].text,
              tree.path(u"in/swap.UT2"_s) + u" already exists.\r\rDo you want to replace it?"_s);
    EXPECT_EQ(run.lines, (QStringList{u"Keep.ut2.uz2 -> skipped"_s, u"Swap.ut2.uz2 -> ok"_s}));
    EXPECT_EQ(tree.read(u"in/Keep.ut2"_s), "old keep");
    EXPECT_EQ(tree.read(u"in/swap.UT2"_s), "new content");
    EXPECT_FALSE(tree.exists(u"in/Swap.ut2"_s));
    // The kept one's input stays; only the converted one went to the trash.
    EXPECT_TRUE(QFileInfo::exists(keep));
    EXPECT_EQ(trashed(), QStringList{u"Swap.ut2.uz2"_s});
}

TEST_F(Uz2RunTest, RefusedFilesAreMarkedWithTheirReasonAndLeaveNothingBehind) {
    // A .uz2 is never compressed again, tool or not, and the tool is not
    // even asked; a damaged .uz2 leaves no output.
    for (const bool withTool : {true, false}) {
        SCOPED_TRACE(withTool);
        if (withTool)
            installTool();
        else
            QFile::remove(tree.path(u"game/System/ucc-bin"_s));
        const QString twice = tree.file(u"in/Twice.ut2.UZ2"_s, "x");
        const cache::Uz2Run run = go(Uz2Action::Compress, true, select({twice}));
        EXPECT_EQ(run.lines, QStringList{u"Twice.ut2.UZ2 -> Error"_s});
        EXPECT_EQ(run.reasons,
                  QStringList{u"\""_s + twice +
                              u"\" is a .uz2 file already; it is not compressed again."_s});
        EXPECT_TRUE(QFileInfo::exists(twice));
        EXPECT_FALSE(tree.exists(u"in/Twice.ut2.UZ2.uz2"_s));
        EXPECT_TRUE(toolCalls().isEmpty());
    }
    const QString damaged = tree.file(u"in/Broken.ut2.uz2"_s, "\x05\0\0\0\x10\0\0\0junk"_ba);
    const QString plain = tree.file(u"in/Plain.ut2"_s, "x");
    const cache::Uz2Run run = go(Uz2Action::Decompress, true, select({damaged, plain}));
    EXPECT_EQ(run.lines, (QStringList{u"Broken.ut2.uz2 -> Error"_s, u"Plain.ut2 -> Error"_s}));
    EXPECT_TRUE(run.reasons[0].contains(u"is not a valid .uz2 file"_s))
        << run.reasons[0].toStdString();
    EXPECT_EQ(run.reasons[1], u"\""_s + plain + u"\" is not a .uz2 file."_s);
    EXPECT_FALSE(tree.exists(u"in/Broken.ut2"_s));
    EXPECT_TRUE(QFileInfo::exists(damaged));
    EXPECT_TRUE(trashed().isEmpty());
    EXPECT_EQ(status.status(), u"  0 files successfully Decompressed with Quorvel's own codec. "
                               u"Input file(s) moved to recyclebin"_s);
}

TEST_F(Uz2RunTest, AnOutputFolderTakesWhatTheToolAndTheCodecWrite) {
    // The tool writes beside its input, as the game's does, except for a
    // file named "nothing"; the run moves what it wrote.
    makeExecutable(tree.file(u"game/System/ucc-bin"_s,
                             "#!/bin/sh\ncase \"$2\" in *nothing*) exit 0;; esac\n"
                             "printf 'packed %s' \"$1\" > \"$2.uz2\"\n"));
    const QString out = tree.folder(u"out"_s);
    const QString moved = tree.file(u"in/A.ut2"_s, "a");
    const QString nothing = tree.file(u"in/nothing.ut2"_s, "n");
    const QString kept = tree.file(u"in/B.ut2"_s, "b");
    tree.file(u"out/b.UT2.uz2"_s, "older");
    dialogs.buttonAnswers = {platform::No};
    cache::Uz2Run run = cache::runUz2(core.context(), Uz2Action::Compress, false,
                                      select({moved, nothing, kept}), {}, out);
    EXPECT_EQ(run.lines,
              (QStringList{u"A.ut2 -> ok"_s, u"nothing.ut2 -> Error"_s, u"B.ut2 -> skipped"_s}));
    EXPECT_EQ(tree.read(u"out/A.ut2.uz2"_s), "packed Compress");
    EXPECT_FALSE(tree.exists(u"in/A.ut2.uz2"_s));
    EXPECT_EQ(run.reasons[1], u"The game's tool wrote no "_s + nothing + u".uz2."_s);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              tree.path(u"out/b.UT2.uz2"_s) + u" already exists.\r\rDo you want to replace it?"_s);
    EXPECT_EQ(tree.read(u"out/b.UT2.uz2"_s), "older");
    EXPECT_EQ(tree.read(u"in/B.ut2.uz2"_s), "packed Compress") << "left where the tool wrote it";

    // Without the tool the codec writes into the folder itself.
    QFile::remove(tree.path(u"game/System/ucc-bin"_s));
    const QByteArray data(3000, 'c');
    const QString coded = tree.file(u"in/C.ut2"_s, data);
    run = cache::runUz2(core.context(), Uz2Action::Compress, false, select({coded}), {}, out);
    EXPECT_EQ(run.lines, QStringList{u"C.ut2 -> ok"_s});
    EXPECT_FALSE(tree.exists(u"in/C.ut2.uz2"_s));
    QByteArray back;
    ASSERT_TRUE(cache::decompressUz2Bytes(tree.read(u"out/C.ut2.uz2"_s), back).ok);
    EXPECT_EQ(back, data);
}

TEST_F(Uz2RunTest, DropsChooseOneActionByTheFirstFile) {
    struct Case {
        QStringList names;
        Uz2Action action;
        QString status;
    };
    const QList<Case> cases = {
        {{u"A.uz2"_s, u"B.ogg"_s},
         Uz2Action::Decompress,
         u"  2 files selected to be decompressed. Hit Go to start."_s},
        {{u"B.ogg"_s, u"A.uz2"_s},
         Uz2Action::Compress,
         u"  2 files selected to be compressed. Hit Go to start."_s},
        {{u"DM-X.ut2.UZ2"_s},
         Uz2Action::Decompress,
         u"  1 files selected to be decompressed. Hit Go to start."_s},
        {{u"uz2"_s},
         Uz2Action::Compress,
         u"  1 files selected to be compressed. Hit Go to start."_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.join(u',').toStdString());
        QStringList paths;
        for (const QString& n : c.names)
            paths.append(u"/drop/from here/"_s + n);
        const std::optional<cache::Uz2Drop> drop = cache::dropUz2Files(core.context(), paths);
        ASSERT_TRUE(drop);
        EXPECT_EQ(drop->names, c.names);
        EXPECT_EQ(drop->action, c.action);
        EXPECT_EQ(status.status(), c.status);
        EXPECT_EQ(core.state.ListBox3, paths);
        EXPECT_EQ(core.state.LastUz2Dir, u"/drop/from here"_s);
    }
    // An empty drop changes nothing.
    const QStringList before = core.state.ListBox3;
    EXPECT_FALSE(cache::dropUz2Files(core.context(), {}));
    EXPECT_EQ(core.state.ListBox3, before);
    EXPECT_EQ(core.state.LastUz2Dir, u"/drop/from here"_s);
}

namespace {
class Uz2RunWithBrokenTrash : public Uz2RunTest {
protected:
    Uz2RunWithBrokenTrash() : Uz2RunTest(std::make_unique<ThrowingTrash>()) {}
};
} // namespace

TEST_F(Uz2RunWithBrokenTrash, AnErrorInsideTheLoopEndsTheRunWithTheShortMessage) {
    installTool();
    const QString a = tree.file(u"in/A.ogg"_s, "x");
    const QString b = tree.file(u"in/B.ogg"_s, "y");
    const cache::Uz2Run run = go(Uz2Action::Compress, true, select({a, b}));
    EXPECT_EQ(run.error, u"An error occured while Compressing files"_s);
    EXPECT_EQ(toolCalls().size(), 1);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, u"An error occured while Compressing files"_s);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(50, 125));
    EXPECT_EQ(core.state.ListBox3.size(), 2);
}
