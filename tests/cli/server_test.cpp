// quorvel-cli as an administrator uses it on a dedicated server, from
// scripts (standard input never a terminal): the README's steps on a fresh
// data folder and a game folder with System/ucc-bin alone, readers that
// stop at a damaged record file, output folders made, names that pick one
// entry, --quiet, and Ctrl-C in the middle of a redirect run.
#include "cache/uz2_codec.h"
#include "support/cli_runner.h"
#include "support/install_archives.h"
#include "support/tree_builder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace Qt::Literals::StringLiterals;
using testing_support::CliRun;
using testing_support::diagnose;
using testing_support::TempTree;

namespace {

/// A server: the game folder holds System/ucc-bin and nothing else, the
/// data folder is below a fresh XDG_DATA_HOME.
class ServerCliTest : public ::testing::Test {
protected:
    ServerCliTest() : oldHome_(qgetenv("HOME")), oldXdg_(qgetenv("XDG_DATA_HOME")) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        qputenv("XDG_DATA_HOME", tree.folder(u"xdg"_s).toLocal8Bit());
        tree.file(u"srv/ut2004/System/ucc-bin"_s, "#!/bin/sh\nexit 0\n");
        game = tree.path(u"srv/ut2004"_s);
        maps = tree.folder(u"srv/archives/maps"_s);
    }
    ~ServerCliTest() override {
        qputenv("HOME", oldHome_);
        if (oldXdg_.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldXdg_);
    }

    CliRun cli(const QStringList& args) {
        return testing_support::runCli(QStringLiteral(QUORVEL_CLI_BINARY), args, tree.root());
    }
    QString data() const { return tree.path(u"xdg/Quorvel"_s); }

    TempTree tree;
    QString game;
    QString maps;

private:
    QByteArray oldHome_;
    QByteArray oldXdg_;
};

/// The commands of the README's "On a server" block, without the package's
/// installation, with the server's paths replaced by `paths`.
QString readmeServerScript(const QList<std::pair<QString, QString>>& paths) {
    QFile readme(QStringLiteral(QUORVEL_SOURCE_DIR) + u"/README.md"_s);
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(u"## On a server"_s);
    const qsizetype end = text.indexOf(u"\n## "_s, start + 1);
    QString script = u"set -e\n"_s;
    for (const QString& line : text.mid(start, end - start).split(u'\n')) {
        if (!line.startsWith(u"    quorvel-cli "_s))
            continue;
        QString command = u"\"$CLI\""_s + line.trimmed().mid(QStringLiteral("quorvel-cli").size());
        for (const auto& [server, here] : paths)
            command.replace(server, here);
        script += command + u'\n';
    }
    return script;
}

QStringList filesBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(folder).relativeFilePath(it.next()));
    out.sort();
    return out;
}

/// Starts quorvel-cli with `args` in `workDir`, sends `signal` once
/// `ready` holds (polled while it runs) and waits for its end: its exit
/// code (-1 when it crashed or was over before the signal) and standard
/// error.
std::pair<int, QString> signalMidRun(const QString& workDir, const QStringList& args,
                                     const std::function<bool()>& ready, int signal) {
    QProcess run;
    run.setWorkingDirectory(workDir);
    run.start(QStringLiteral(QUORVEL_CLI_BINARY), args);
    run.closeWriteChannel();
    const QDeadlineTimer deadline(60000);
    while (run.waitForStarted(30000) && !ready() && !deadline.hasExpired() &&
           run.state() == QProcess::Running)
        run.waitForFinished(10);
    if (run.state() != QProcess::Running)
        return {-1, u"over before the signal"_s};
    ::kill(pid_t(run.processId()), signal);
    run.waitForFinished(60000);
    const QString err = QString::fromUtf8(run.readAllStandardError());
    return {run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1, err};
}

} // namespace

TEST_F(ServerCliTest, TheReadmeStepsRunFromAScriptOnAFreshDataFolder) {
    // A texture whose name fills 244 bytes: its temporary name must still fit.
    const QString longName = u"LongTex"_s + QString(233, u'x') + u".utx"_s;
    ASSERT_EQ(longName.toUtf8().size(), 244);
    ASSERT_TRUE(testing_support::writeZip(
        maps + u"/DM-Foo.zip"_s, {{u"DM-Foo.ut2"_s, "foo map"}, {longName, "long texture"}}));
    // The web server's folder is there; the redirect folder in it is made.
    const QString redirect = tree.folder(u"srv/www"_s) + u"/redirect"_s;
    const QString script = readmeServerScript({{u"/srv/ut2004"_s, game},
                                               {u"/srv/archives/maps"_s, maps},
                                               {u"/srv/www/redirect"_s, redirect}});
    ASSERT_EQ(script.count(u"\"$CLI\""_s), 5) << script.toStdString();

    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"CLI"_s, QStringLiteral(QUORVEL_CLI_BINARY));
    shell.setProcessEnvironment(env);
    shell.setWorkingDirectory(tree.root());
    shell.start(u"sh"_s, {u"-c"_s, script});
    shell.closeWriteChannel(); // a script: no terminal to answer on
    ASSERT_TRUE(shell.waitForFinished(120000));
    const QString err = QString::fromUtf8(shell.readAllStandardError());
    const QString out = QString::fromUtf8(shell.readAllStandardOutput());
    ASSERT_EQ(shell.exitCode(), 0)
        << script.toStdString() << out.toStdString() << err.toStdString();
    EXPECT_FALSE(err.contains(u"Can't find"_s))
        << "ucc-bin makes a game folder: " << err.toStdString();
    EXPECT_TRUE(out.contains(u"game-dir\t"_s + game)) << out.toStdString();

    // No Maps folder on this server yet: made as the game names it.
    EXPECT_EQ(tree.read(u"srv/ut2004/maps/DM-Foo.ut2"_s), "foo map");
    EXPECT_EQ(tree.read(u"srv/ut2004/Textures/"_s + longName), "long texture");
    EXPECT_TRUE(QFileInfo::exists(redirect + u"/DM-Foo.ut2.uz2"_s))
        << filesBelow(redirect).join(u' ').toStdString();
    EXPECT_EQ(filesBelow(game + u"/Textures"_s), QStringList{longName}) << "no temporary file left";
    const CliRun listed = cli({u"list"_s, u"maps"_s, u"--installed"_s});
    EXPECT_EXIT_CODE(listed, 0);
    EXPECT_EQ(listed.outLines(), QStringList{u"DM-Foo.ut2"_s});
    EXPECT_TRUE(QFileInfo::exists(data() + u"/Quorvel.ini"_s));
}

TEST_F(ServerCliTest, OnlyTheGameFolderIsCheckedAndAFolderWithoutTheGameIsSavedWithAWarning) {
    // A folder without any of the game's programs (the README's test has a
    // server's): said on standard error, saved all the same.
    const QString empty = tree.folder(u"nothing"_s);
    CliRun run = cli({u"config"_s, u"game-dir"_s, empty});
    EXPECT_EXIT_CODE(run, 0);
    EXPECT_TRUE(run.err.contains(u"Warning! Can't find "_s + empty + u"/System/UT2004.exe"_s))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"Saved all the same."_s));
    EXPECT_EQ(cli({u"config"_s}).outLines().value(0), u"game-dir\t"_s + empty);
    // A game folder that is gone: the command line names its own verb.
    EXPECT_EXIT_CODE(cli({u"config"_s, u"game-dir"_s, tree.path(u"gone"_s)}), 0);
    run = cli({u"update"_s});
    EXPECT_TRUE(
        run.err.contains(u"Set the game's folder with \"quorvel-cli config game-dir DIR\"."_s))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(u"Configure page"_s));
    EXPECT_EXIT_CODE(cli({u"config"_s, u"game-dir"_s, empty}), 0);
    // Other keys never look at it.
    run = cli({u"config"_s, u"map-dir"_s, maps});
    EXPECT_EXIT_CODE(run, 0);
    EXPECT_FALSE(run.err.contains(u"Can't find"_s)) << run.err.toStdString();
    // --strict refuses, and nothing is saved.
    run = cli({u"config"_s, u"game-dir"_s, tree.folder(u"nothing2"_s), u"--strict"_s});
    EXPECT_EXIT_CODE(run, 1);
    EXPECT_TRUE(run.err.contains(u"Nothing was saved (--strict)."_s)) << run.err.toStdString();
    EXPECT_EQ(cli({u"config"_s}).outLines().value(0), u"game-dir\t"_s + empty);
}

TEST_F(ServerCliTest, ReadersStopAtADamagedRecordFileAndLeaveItAsItIs) {
    ASSERT_TRUE(testing_support::writeZip(maps + u"/DM-A.zip"_s, {{u"DM-A.ut2"_s, "a"}}));
    ASSERT_TRUE(testing_support::writeZip(maps + u"/DM-B.zip"_s, {{u"DM-B.ut2"_s, "b"}}));
    ASSERT_TRUE(testing_support::writeZip(maps + u"/DM-C.zip"_s, {{u"DM-C.ut2"_s, "c"}}));
    EXPECT_EXIT_CODE(cli({u"config"_s, u"game-dir"_s, game}), 0);
    EXPECT_EXIT_CODE(cli({u"config"_s, u"map-dir"_s, maps}), 0);
    EXPECT_EXIT_CODE(cli({u"install"_s, u"DM-A.zip"_s}), 0);
    const QString records = data() + u"/mapdata.dat"_s;
    QByteArray bytes = tree.read(u"xdg/Quorvel/mapdata.dat"_s);
    ASSERT_EQ(bytes.size(), 3 * 5336);
    bytes.truncate(2 * 5336 + 100); // cut in the middle of the third record
    {
        QFile cut(records);
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(bytes);
    }
    const QStringList before = filesBelow(data());

    const QList<QStringList> readers = {
        {u"list"_s, u"maps"_s},
        {u"list"_s, u"maps"_s, u"--json"_s},
        {u"info"_s, u"DM-B.zip"_s},
        {u"verify"_s},
        {u"report"_s, u"full"_s, tree.path(u"report.txt"_s)},
        {u"cache"_s, u"list"_s},
        {u"redirect"_s, tree.path(u"www"_s)},
    };
    for (const QStringList& args : readers) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const CliRun run = cli(args);
        EXPECT_EXIT_CODE(run, 3);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(u"The record file "_s + records +
                                     u" is damaged: 2 records read clean, and 100 bytes of a torn "
                                     u"last record follow."_s))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(u"Run \"quorvel-cli update\""_s));
        EXPECT_EQ(tree.read(u"xdg/Quorvel/mapdata.dat"_s), bytes) << "left byte for byte";
        EXPECT_EQ(filesBelow(data()), before);
    }
    EXPECT_FALSE(tree.exists(u"report.txt"_s));
    EXPECT_FALSE(tree.exists(u"www"_s));

    // The writer the message names keeps a copy and cleans the file.
    EXPECT_EXIT_CODE(cli({u"update"_s}), 1) << "the box of the damage is an error";
    EXPECT_EQ(tree.read(u"xdg/Quorvel/mapdata.dat.damaged"_s), bytes);
    const CliRun listed = cli({u"list"_s, u"maps"_s});
    EXPECT_EXIT_CODE(listed, 0);
    EXPECT_EQ(listed.outLines(), (QStringList{u"DM-B.zip"_s, u"DM-C.zip"_s, u"DM-A.ut2"_s}));

    // A data folder that is not there, or holds nothing of Quorvel's.
    for (const QString& dir : {tree.path(u"nope"_s), tree.folder(u"empty"_s)}) {
        SCOPED_TRACE(dir.toStdString());
        const CliRun run = cli({u"--data"_s, dir, u"list"_s, u"maps"_s});
        EXPECT_EXIT_CODE(run, 3);
        EXPECT_TRUE(run.err.contains(u"The data folder "_s + dir)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(u"--data DIR"_s));
    }
    EXPECT_FALSE(tree.exists(u"nope"_s));
    EXPECT_EQ(filesBelow(tree.path(u"empty"_s)), QStringList());
}

TEST_F(ServerCliTest, OutputFoldersAreMadeNamesPickOneAndQuietIsQuiet) {
    // The same archive name in two folders: one list shows it twice.
    tree.folder(u"srv/archives/maps/one"_s);
    tree.folder(u"srv/archives/maps/two"_s);
    ASSERT_TRUE(testing_support::writeZip(maps + u"/one/Pack.zip"_s, {{u"DM-One.ut2"_s, "1"}}));
    ASSERT_TRUE(testing_support::writeZip(maps + u"/two/Pack.zip"_s, {{u"DM-Two.ut2"_s, "2"}}));
    EXPECT_EXIT_CODE(cli({u"config"_s, u"game-dir"_s, game}), 0);
    EXPECT_EXIT_CODE(cli({u"config"_s, u"map-dir"_s, maps}), 0);
    CliRun run = cli({u"install"_s, u"Pack.zip"_s});
    EXPECT_EXIT_CODE(run, 1);
    EXPECT_TRUE(run.err.contains(u"name one as its line shows it (NAME#N)"_s))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"\tPack.zip#2\t"_s)) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(u"Configure page"_s));
    // What the hint offers works.
    run = cli({u"install"_s, u"Pack.zip#2"_s, u"-q"_s});
    EXPECT_EXIT_CODE(run, 0);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_EQ(filesBelow(game + u"/maps"_s).size(), 1);

    // Output folders that are not there yet are made, parents too.
    tree.file(u"work/DM-Big.ut2"_s, QByteArray(20000, 'z'));
    run = cli({u"uz2"_s, u"compress"_s, u"work/DM-Big.ut2"_s, u"--to"_s, u"out/uz2/new"_s});
    EXPECT_EXIT_CODE(run, 0);
    EXPECT_TRUE(tree.exists(u"out/uz2/new/DM-Big.ut2.uz2"_s))
        << filesBelow(tree.root()).join(u' ').toStdString();
    const QString installed = cli({u"list"_s, u"maps"_s, u"--installed"_s}).outLines().value(0);
    ASSERT_TRUE(installed == u"DM-One.ut2"_s || installed == u"DM-Two.ut2"_s)
        << installed.toStdString();
    run = cli({u"create-zip"_s, installed, u"--to"_s, u"out/zips"_s});
    EXPECT_EXIT_CODE(run, 0);
    EXPECT_EQ(filesBelow(tree.path(u"out/zips"_s)), QStringList{installed + u".zip"_s});
    tree.file(u"plain"_s, "a file");
    run = cli({u"uz2"_s, u"compress"_s, u"work/DM-Big.ut2"_s, u"--to"_s, u"plain"_s});
    EXPECT_EXIT_CODE(run, 1);
    EXPECT_TRUE(run.err.contains(u"Cannot create the folder "_s + tree.path(u"plain"_s)));

    // On a terminal the status line is wiped before a line is printed, so
    // no output starts behind it (script(1) gives the run a terminal).
    QProcess terminal;
    terminal.setWorkingDirectory(tree.root());
    terminal.start(u"script"_s,
                   {u"-qec"_s,
                    u"'"_s + QStringLiteral(QUORVEL_CLI_BINARY) + u"' config subdirs Yes"_s,
                    u"/dev/null"_s});
    terminal.closeWriteChannel();
    ASSERT_TRUE(terminal.waitForFinished(60000));
    const QByteArray shown = terminal.readAllStandardOutput();
    EXPECT_TRUE(shown.contains("Saving configuration.")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("\r\033[Ksubdirs\tYes")) << shown.toStdString();
    EXPECT_FALSE(shown.contains("configuration.subdirs")) << shown.toStdString();

    // -q quiets redirect's line per file as well; the job count reads right.
    run = cli({u"redirect"_s, u"www"_s, u"-q"_s});
    EXPECT_EXIT_CODE(run, 0);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    run = cli({u"redirect"_s, u"www"_s, u"--jobs"_s, u"1"_s});
    EXPECT_TRUE(run.out.contains(u"(0 job(s))"_s)) << run.out.toStdString();
}

TEST_F(ServerCliTest, ASigintDuringRedirectFinishesTheFilesInProgressAndLeavesNothingBehind) {
    // Enough work for the signal to land in the middle: random bytes
    // compress slowly.
    testing_support::ArchiveFiles files;
    for (int i = 0; i < 40; ++i) {
        QByteArray noise(1024 * 1024, '\0');
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()),
                                              noise.size() / 4);
        files.append({u"Pack%1.utx"_s.arg(i), noise});
    }
    files.append({u"DM-Many.ut2"_s, "map"});
    ASSERT_TRUE(testing_support::writeZip(maps + u"/DM-Many.zip"_s, files));
    EXPECT_EXIT_CODE(cli({u"config"_s, u"game-dir"_s, game}), 0);
    EXPECT_EXIT_CODE(cli({u"config"_s, u"map-dir"_s, maps}), 0);
    EXPECT_EXIT_CODE(cli({u"install"_s, u"DM-Many.zip"_s, u"--yes"_s}), 0);

    // Once the first files are there, Ctrl-C.
    const QString www = tree.path(u"www"_s);
    const auto [code, err] = signalMidRun(
        tree.root(), {u"redirect"_s, www, u"--jobs"_s, u"2"_s},
        [&] { return QDir(www).entryList({u"*.uz2"_s}, QDir::Files).size() >= 2; }, SIGINT);
    EXPECT_EQ(code, 130) << err.toStdString();
    EXPECT_TRUE(err.contains(u"Stopped by SIGINT"_s)) << err.toStdString();

    // No temporary file, no lock; every .uz2 there is whole.
    const QStringList left = filesBelow(www);
    for (const QString& name : left) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(name.contains(u".quorvel-"_s) && name != u".quorvel-redirect"_s);
        EXPECT_FALSE(name.endsWith(u".lock"_s));
        if (name.endsWith(u".uz2"_s)) {
            QByteArray unpacked;
            EXPECT_TRUE(cache::decompressUz2Bytes(tree.read(u"www/"_s + name), unpacked).ok);
        }
    }
    EXPECT_LT(left.size(), 41) << "it stopped before the end";
    EXPECT_FALSE(QFileInfo::exists(data() + u"/Quorvel.lock"_s));
    // The next run does the rest.
    const CliRun rest = cli({u"redirect"_s, www, u"-q"_s});
    EXPECT_EXIT_CODE(rest, 0);
    EXPECT_EQ(QDir(www).entryList({u"*.uz2"_s}, QDir::Files).size(), 41);
}

TEST_F(ServerCliTest, ASigtermDuringAnInstallLeavesEachArchiveWholeAndTheNextRunGoesOnAtOnce) {
    // Eight archives large enough for the signal to land among them.
    for (int i = 0; i < 8; ++i) {
        QByteArray noise(2 * 1024 * 1024, '\0');
        QRandomGenerator(uint(i)).fillRange(reinterpret_cast<quint32*>(noise.data()),
                                            noise.size() / 4);
        ASSERT_TRUE(testing_support::writeZip(
            maps + u"/DM-Big%1.zip"_s.arg(i),
            {{u"DM-Big%1.ut2"_s.arg(i), "map"}, {u"Big%1.utx"_s.arg(i), noise}}));
    }
    EXPECT_EXIT_CODE(cli({u"config"_s, u"game-dir"_s, game}), 0);
    EXPECT_EXIT_CODE(cli({u"config"_s, u"map-dir"_s, maps}), 0);
    QStringList all;
    for (int i = 0; i < 8; ++i)
        all.append(u"DM-Big%1.zip"_s.arg(i));

    const auto [code, err] = signalMidRun(
        tree.root(), QStringList{u"install"_s} + all,
        [&] { return QFileInfo::exists(game + u"/maps/DM-Big0.ut2"_s); }, SIGTERM);
    EXPECT_EQ(code, 143) << err.toStdString();
    EXPECT_TRUE(err.contains(u"Stopped by SIGTERM"_s)) << err.toStdString();

    // Each archive is installed whole or not at all; nothing is left over.
    const CliRun verify = cli({u"verify"_s});
    EXPECT_EXIT_CODE(verify, 0);
    const QStringList installed = cli({u"list"_s, u"maps"_s, u"--installed"_s}).outLines();
    EXPECT_GE(installed.size(), 1);
    EXPECT_LT(installed.size(), 8) << "it stopped before the end";
    EXPECT_EQ(filesBelow(game + u"/maps"_s).size(), installed.size());
    EXPECT_EQ(filesBelow(data() + u"/Temp"_s), QStringList());
    EXPECT_FALSE(QFileInfo::exists(data() + u"/Quorvel.lock"_s));

    // A kill between making the lock file and writing it leaves it empty:
    // the next writer goes on at once. Its summary counts what it logged.
    tree.file(u"xdg/Quorvel/Quorvel.lock"_s, QByteArray());
    tree.file(u"srv/archives/maps/DM-Broken.zip"_s, "no zip at all");
    CliRun update = cli({u"update"_s});
    EXPECT_EXIT_CODE(update, 0);
    EXPECT_LT(update.elapsedMs, 5000);
    EXPECT_TRUE(update.out.contains(u"; 1 archive not supported (see "_s))
        << update.out.toStdString();
    tree.file(u"srv/archives/maps/DM-Broken2.zip"_s, "no zip either");
    update = cli({u"update"_s});
    EXPECT_TRUE(update.out.contains(u"; 1 archive not supported (see "_s))
        << "the archive refused before is not logged again: " << update.out.toStdString();
    EXPECT_EQ(tree.read(u"xdg/Quorvel/error.log"_s).count("\r\n"), 1);
    update = cli({u"update"_s});
    EXPECT_FALSE(update.out.contains(u"not supported"_s)) << update.out.toStdString();
    const QStringList rest =
        cli({u"list"_s, u"maps"_s, u"--available"_s}).outLines().filter(u"DM-Big"_s);
    EXPECT_EQ(rest.size(), 8 - installed.size());
    EXPECT_EXIT_CODE(cli(QStringList{u"install"_s, u"--yes"_s} + rest), 0);
    EXPECT_EQ(cli({u"list"_s, u"maps"_s, u"--installed"_s}).outLines().size(), 8);
}
