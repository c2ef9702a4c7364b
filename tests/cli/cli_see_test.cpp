// quorvel-cli on what content needs and shares: list --match, deps (lines
// and JSON), the question before installing a map that needs a package
// not installed, conflicts (lines and JSON) and verify's needs lines.
#include "support/cli_runner.h"
#include "support/install_archives.h"
#include "support/package_writer.h"
#include "support/tree_builder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::CliRun;
using testing_support::diagnose;
using testing_support::packageImporting;

namespace {

class CliSeeTest : public ::testing::Test {
protected:
    CliSeeTest() : oldHome_(qgetenv("HOME")) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        tree.gameFolder(u"home/ut2004"_s);
        tree.file(u"home/ut2004/System/ut2004-bin"_s, "game");
        tree.file(u"home/ut2004/System/Core.u"_s, "code");
        tree.file(u"home/ut2004/System/Engine.u"_s, "code");
        const QString maps = tree.folder(u"arch/maps"_s);
        const QByteArray ownTex = packageImporting({{"Engine", "Class", "Texture"}});
        EXPECT_TRUE(testing_support::writeZip(
            maps + u"/DM-Needy.zip"_s,
            {{u"DM-Needy.ut2"_s, packageImporting({{"Engine", "Class", "LevelInfo"},
                                                   {"OwnTex", "Texture", "Wall"},
                                                   {"FooTex", "Texture", "Rock"}})},
             {u"OwnTex.utx"_s, ownTex}}));
        EXPECT_TRUE(testing_support::writeZip(
            maps + u"/DM-Fine.zip"_s,
            {{u"DM-Fine.ut2"_s, packageImporting({{"OwnTex", "Texture", "Floor"}})},
             {u"OwnTex.utx"_s, ownTex}}));
    }
    ~CliSeeTest() override { qputenv("HOME", oldHome_); }

    CliRun cli(QStringList args) {
        args.prepend(tree.path(u"data"_s));
        args.prepend(u"--data"_s);
        return testing_support::runCli(QStringLiteral(QUORVEL_CLI_BINARY), args, tree.root());
    }
    static QJsonValue json(const CliRun& run) {
        const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8());
        return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    }

    testing_support::TempTree tree;

private:
    QByteArray oldHome_;
};

} // namespace

TEST_F(CliSeeTest, ListMatchDepsConflictsAndTheQuestionBeforeInstalling) {
    ASSERT_EQ(cli({u"config"_s, u"map-dir"_s, u"arch/maps"_s, u"--quiet"_s}).code, 0);

    CliRun run = cli({u"list"_s, u"maps"_s, u"--match"_s, u"nEEdy"_s});
    EXPECT_EQ(run.code, 0) << diagnose(run);
    EXPECT_EQ(run.outLines(), QStringList{u"DM-Needy.zip"_s});
    run = cli({u"list"_s, u"maps"_s, u"--match"_s, u"dm-"_s, u"--json"_s});
    const QJsonArray listed = json(run).toArray();
    ASSERT_EQ(listed.size(), 2) << diagnose(run);
    EXPECT_EQ(listed[0].toObject()[u"name"_s].toString(), u"DM-Fine.zip"_s);
    // Together with the game-type filter; a match of nothing lists nothing.
    EXPECT_TRUE(cli({u"list"_s, u"maps"_s, u"--match"_s, u"needy"_s, u"--filter"_s, u"CTF"_s})
                    .outLines()
                    .isEmpty());
    EXPECT_EQ(cli({u"list"_s, u"maps"_s, u"--match"_s, u""_s}).code, 2);

    run = cli({u"deps"_s, u"DM-Needy.zip"_s});
    EXPECT_EQ(run.code, 1) << diagnose(run);
    EXPECT_EQ(run.outLines(), (QStringList{u"needs\tFooTex.utx"_s, u"Needs FooTex.utx"_s}));
    run = cli({u"deps"_s, u"DM-Needy.zip"_s, u"--json"_s});
    const QJsonObject deps = json(run).toObject();
    EXPECT_EQ(deps[u"needs"_s].toArray(), QJsonArray{u"FooTex.utx"_s}) << diagnose(run);
    EXPECT_EQ(deps[u"unreadable"_s].toArray(), QJsonArray());
    EXPECT_EQ(deps[u"kind"_s].toString(), u"maps"_s);
    run = cli({u"deps"_s, u"DM-Fine.zip"_s});
    EXPECT_EQ(run.code, 0) << diagnose(run);
    EXPECT_EQ(run.outLines(), QStringList{u"Needs nothing missing"_s});

    // --no refuses the map that needs the texture; --yes installs both.
    const QString asked = u"DM-Needy needs FooTex.utx, which are not installed. Install anyway?"_s;
    run = cli({u"install"_s, u"DM-Needy.zip"_s, u"--no"_s});
    EXPECT_EQ(run.code, 1) << diagnose(run);
    EXPECT_TRUE(run.err.contains(asked)) << diagnose(run);
    EXPECT_FALSE(tree.exists(u"home/ut2004/Maps/DM-Needy.ut2"_s));
    run = cli({u"install"_s, u"DM-Fine.zip"_s, u"DM-Needy.zip"_s, u"--yes"_s});
    EXPECT_EQ(run.code, 0) << diagnose(run);
    EXPECT_TRUE(tree.exists(u"home/ut2004/Maps/DM-Needy.ut2"_s));

    run = cli({u"conflicts"_s});
    EXPECT_EQ(run.code, 0) << diagnose(run);
    EXPECT_EQ(run.outLines(),
              (QStringList{u"OwnTex.utx\tDM-Fine.ut2, DM-Needy.ut2"_s,
                           u"1 file(s) listed by more than one installed archive"_s}));
    run = cli({u"conflicts"_s, u"--json"_s});
    const QJsonArray conflicts = json(run).toArray();
    ASSERT_EQ(conflicts.size(), 1) << diagnose(run);
    EXPECT_EQ(conflicts[0].toObject(),
              (QJsonObject{{u"file"_s, u"OwnTex.utx"_s},
                           {u"listedBy"_s, QJsonArray{u"DM-Fine.ut2"_s, u"DM-Needy.ut2"_s}},
                           {u"gameHadIt"_s, false}}));

    // Installed, the map still needs the texture: deps and verify say so.
    EXPECT_EQ(cli({u"deps"_s, u"DM-Needy.ut2"_s}).outLines().last(), u"Needs FooTex.utx"_s);
    run = cli({u"verify"_s});
    EXPECT_TRUE(run.outLines().contains(u"needs\tmaps\tDM-Needy.ut2\tNeeds FooTex.utx"_s))
        << diagnose(run);
    run = cli({u"verify"_s, u"--json"_s});
    const QJsonArray needs = json(run).toObject()[u"needs"_s].toArray();
    ASSERT_EQ(needs.size(), 1) << diagnose(run);
    EXPECT_EQ(needs[0].toObject()[u"needs"_s].toArray(), QJsonArray{u"FooTex.utx"_s});
}
