// quorvel-cli and the window on one data folder: what the command line
// sets up, scans and installs, the window starts on without a question, and
// "report" writes byte for byte what the window's Make List writes.
#include "support/cli_runner.h"
#include "support/install_archives.h"
#include "window_fixture.h"

#include <QAction>

using namespace Qt::Literals::StringLiterals;

namespace {

class CliReportTest : public WindowFixture {
protected:
    testing_support::CliRun cli(QStringList args) {
        args << u"--data"_s << tree.path(u"prog"_s) << u"--yes"_s;
        return testing_support::runCli(QStringLiteral(QUORVEL_CLI_BINARY), args, tree.root());
    }
    /// The window's Make List at `level` (the menu item's name) into `file`.
    QByteArray windowReport(TForm1& w, const QString& item, const QString& file) {
        dialogs.saveAnswers.push_back(file);
        control<QAction>(w, item)->trigger();
        return tree.read(file.mid(tree.root().size() + 1));
    }
};

} // namespace

TEST_F(CliReportTest, ReportsAreByteForByteTheWindowsMakeList) {
    using testing_support::writeZip;
    const QString game = tree.gameFolder(u"home/ut2004"_s);
    tree.file(u"home/ut2004/System/ut2004-bin"_s, "game");
    const QString maps = tree.folder(u"arch/maps"_s);
    const QString muts = tree.folder(u"arch/muts"_s);
    const QString skins = tree.folder(u"arch/skins"_s);
    ASSERT_TRUE(writeZip(
        maps + u"/DM-Zeta.zip"_s,
        {{u"DM-Zeta.ut2"_s, "zeta"}, {u"ZetaTex.utx"_s, "tex"}, {u"Readme.txt"_s, "read me"}}));
    ASSERT_TRUE(writeZip(maps + u"/CTF-Alpha.zip"_s, {{u"CTF-Alpha.ut2"_s, "alpha"}}));
    ASSERT_TRUE(writeZip(maps + u"/ons-beta.zip"_s, {{u"ONS-Beta.ut2"_s, "beta"}}));
    ASSERT_TRUE(writeZip(muts + u"/MutGamma.zip"_s,
                         {{u"MutGamma.u"_s, "gamma"}, {u"MutGammaTex.utx"_s, "tex"}}));
    ASSERT_TRUE(writeZip(muts + u"/MutDelta.zip"_s, {{u"MutDelta.u"_s, "delta"}}));
    ASSERT_TRUE(writeZip(skins + u"/SkinEps.zip"_s,
                         {{u"SkinEps.upl"_s, "player"}, {u"SkinEps.utx"_s, "tex"}}));
    for (const auto& [key, value] :
         {std::pair{u"map-dir"_s, maps}, {u"mutator-dir"_s, muts}, {u"skin-dir"_s, skins}})
        ASSERT_EQ(cli({u"config"_s, key, value}).code, 0);
    ASSERT_EQ(cli({u"update"_s}).code, 0);
    for (const QString& name : {u"DM-Zeta.zip"_s, u"MutGamma.zip"_s}) {
        const testing_support::CliRun run = cli({u"install"_s, name});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
    }

    const QStringList levels = {u"brief"_s, u"detailed"_s, u"full"_s};
    const QStringList items = {u"BriefList1"_s, u"DetailedList1"_s, u"FullList1"_s};
    QList<QByteArray> fromCli;
    for (const QString& level : levels) {
        const testing_support::CliRun run =
            cli({u"report"_s, level, tree.path(u"cli-"_s + level + u".txt"_s)});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        fromCli.append(tree.read(u"cli-"_s + level + u".txt"_s));
    }
    EXPECT_TRUE(fromCli[0].contains("\tDM-Zeta.ut2\r\n")) << fromCli[0].toStdString();
    EXPECT_TRUE(fromCli[2].contains("\t\t\t\tZetaTex.utx\r\n")) << fromCli[2].toStdString();

    // The window starts on what the command line left, asking nothing.
    TForm1& w = start();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
    for (qsizetype i = 0; i < levels.size(); ++i)
        EXPECT_EQ(windowReport(w, items[i], tree.path(u"window-"_s + levels[i] + u".txt"_s)),
                  fromCli[i])
            << levels[i].toStdString();
}
