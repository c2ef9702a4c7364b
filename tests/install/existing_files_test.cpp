#include "core/content_db.h"
#include "install/placement.h"
#include "placement_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using platform::Button;
using testing_support::PlacementFixture;

namespace {

QString question(const QString& name) {
    return name + u" already exists. Proceed anyway?"_s;
}

class ExistingFiles : public PlacementFixture {
protected:
    ExistingFiles() {
        content_db::WriteAllShared(core.state.sharedDataPath(), {});
        run.ProgressTotal = 3;
    }
    void shared(const QList<std::pair<QString, int>>& records) {
        QList<TSharedFileRecord> list;
        for (const auto& [name, count] : records) {
            TSharedFileRecord r;
            r.FileName = name;
            r.RefCount = count;
            list.append(r);
        }
        content_db::WriteAllShared(core.state.sharedDataPath(), list);
    }
    QList<std::pair<QString, int>> sharedRecords() const {
        QList<std::pair<QString, int>> out;
        for (const TSharedFileRecord& r : content_db::ReadAllShared(core.state.sharedDataPath()))
            out.append({r.FileName, r.RefCount});
        return out;
    }
    void answer(std::initializer_list<Button> answers) {
        dialogs.buttonAnswers.insert(dialogs.buttonAnswers.end(), answers);
    }
};

TEST_F(ExistingFiles, OneQuestionForAnExistingTextureThenRegisteredAndCopied) {
    game(u"Textures/foo.utx"_s, "old");
    temp(u"DM-Foo.ut2"_s, "map");
    temp(u"Foo.utx"_s, "new");
    answer({platform::Yes});

    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Warning);
    EXPECT_EQ(dialogs.shown[0].text, question(u"Foo.utx"_s));
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Yes | platform::No | platform::YesToAll);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(75, 75));
    // Registered under the archive's name, in one 56-byte record.
    EXPECT_EQ(sharedRecords(), (QList<std::pair<QString, int>>{{u"Foo.utx"_s, 2}}));
    EXPECT_EQ(QFile(core.state.sharedDataPath()).size(), 56);
    EXPECT_EQ(filesIn(u"game/Textures"_s), QStringList{u"foo.utx"_s});
    EXPECT_EQ(tree.read(u"game/Textures/foo.utx"_s), "new");
    EXPECT_EQ(tree.read(u"game/Maps/DM-Foo.ut2"_s), "map");
    EXPECT_EQ(run.ProgressDone, 2);
    EXPECT_EQ(run.ProgressTotal, 3);
}

TEST_F(ExistingFiles, AKnownSharedFileCountsOneMoreAndOnlyLoadedRecordsAreSearched) {
    shared({{u"Other.utx"_s, 2}, {u"Foo.utx"_s, 3}, {u"foo.utx"_s, 5}, {u"Foo.utx"_s, 2}});
    game(u"Textures/Foo.utx"_s);
    game(u"Sounds/New.uax"_s);
    temp(u"Foo.utx"_s);
    temp(u"New.uax"_s);
    answer({platform::Yes, platform::Yes});

    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    EXPECT_EQ(dialogs.texts(), (QStringList{question(u"New.uax"_s), question(u"Foo.utx"_s)}));
    // Every loaded record of that name grows, in any case: the game finds
    // foo.utx and Foo.utx as one file.
    EXPECT_EQ(sharedRecords(), (QList<std::pair<QString, int>>{{u"Other.utx"_s, 2},
                                                               {u"Foo.utx"_s, 4},
                                                               {u"foo.utx"_s, 6},
                                                               {u"Foo.utx"_s, 3},
                                                               {u"New.uax"_s, 2}}));
}

TEST_F(ExistingFiles, AnExistingMapIsAskedAboutButNeverRegistered) {
    game(u"Maps/dm-foo.UT2"_s);
    temp(u"DM-Foo.ut2"_s);
    answer({platform::Yes});

    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    EXPECT_EQ(dialogs.texts(), QStringList{question(u"DM-Foo.ut2"_s)});
    EXPECT_EQ(QFile(core.state.sharedDataPath()).size(), 0);
    EXPECT_EQ(filesIn(u"game/Maps"_s), QStringList{u"dm-foo.UT2"_s});
}

TEST_F(ExistingFiles, YesToAllSilencesTheRestOfTheRun) {
    game(u"Textures/A.utx"_s);
    game(u"Textures/B.utx"_s);
    game(u"System/C.u"_s);
    temp(u"A.utx"_s);
    temp(u"B.utx"_s);
    answer({platform::YesToAll});

    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));
    EXPECT_TRUE(core.state.OverwriteAlways);

    // The next archive of the run: no question, still registered.
    temp(u"C.u"_s);
    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    EXPECT_EQ(dialogs.texts(), QStringList{question(u"A.utx"_s)});
    EXPECT_EQ(sharedRecords(),
              (QList<std::pair<QString, int>>{{u"A.utx"_s, 2}, {u"B.utx"_s, 2}, {u"C.u"_s, 2}}));
}

TEST_F(ExistingFiles, NoOnTheSecondOfThreeRefusesTheWholeArchive) {
    // Visited Textures before KarmaData: A.ukx, then C.utx, then B.ka.
    game(u"Animations/A.ukx"_s, "old");
    game(u"KarmaData/B.ka"_s, "old");
    game(u"Textures/C.utx"_s, "old");
    temp(u"A.ukx"_s, "new");
    temp(u"B.ka"_s, "new");
    temp(u"C.utx"_s, "new");
    temp(u"D.u"_s, "new");
    answer({platform::Yes, platform::No});

    EXPECT_FALSE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    EXPECT_EQ(dialogs.texts(), (QStringList{question(u"A.ukx"_s), question(u"C.utx"_s)}));
    EXPECT_EQ(run.ProgressTotal, 2);
    EXPECT_EQ(run.ProgressDone, 0);
    EXPECT_EQ(QFile(core.state.sharedDataPath()).size(), 0);
    EXPECT_EQ(tree.read(u"game/Animations/A.ukx"_s), "old");
    EXPECT_FALSE(tree.exists(u"game/System/D.u"_s));
    EXPECT_EQ(filesIn(u"Temp"_s).size(), 4);
}

TEST_F(ExistingFiles, AlwaysAsksNothingAndRegistersAllButMapsInVisitingOrder) {
    core.state.OverwriteAlways = true;
    for (const QString& f : {u"Maps/DM-X.ut2"_s, u"KarmaData/K.ka"_s, u"Textures/T.utx"_s,
                             u"System/S.u"_s, u"System/S.int"_s, u"Music/M.ogg"_s})
        game(f);
    for (const QString& f : {u"DM-X.ut2"_s, u"K.ka"_s, u"T.utx"_s, u"S.u"_s, u"S.int"_s, u"M.ogg"_s,
                             u"XPlayers.int"_s})
        temp(f);
    game(u"System/XPlayers.int"_s);

    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    EXPECT_TRUE(dialogs.shown.isEmpty());
    // The game's own player list is merged, never registered.
    EXPECT_EQ(
        sharedRecords(),
        (QList<std::pair<QString, int>>{
            {u"M.ogg"_s, 2}, {u"T.utx"_s, 2}, {u"K.ka"_s, 2}, {u"S.u"_s, 2}, {u"S.int"_s, 2}}));
    EXPECT_EQ(run.ProgressDone, 6);
}

TEST_F(ExistingFiles, NoRoomLimitOnListsOrSharedRecords) {
    core.state.OverwriteAlways = true;
    QList<std::pair<QString, int>> records;
    for (int i = 0; i < 120; ++i)
        records.append({u"Old%1.utx"_s.arg(i), 2});
    records.append({u"Tex29.utx"_s, 7});
    shared(records);
    for (int i = 0; i < 30; ++i) {
        game(u"Textures/Tex%1.utx"_s.arg(i));
        temp(u"Tex%1.utx"_s.arg(i));
    }

    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    const QList<std::pair<QString, int>> after = sharedRecords();
    ASSERT_EQ(after.size(), 121 + 29);
    EXPECT_EQ(after[120], (std::pair<QString, int>{u"Tex29.utx"_s, 8}));
    EXPECT_EQ(after[121], (std::pair<QString, int>{u"Tex0.utx"_s, 2}));
    EXPECT_EQ(after.last(), (std::pair<QString, int>{u"Tex9.utx"_s, 2}));
    EXPECT_EQ(run.ProgressDone, 30);
}

TEST_F(ExistingFiles, ListsFollowTheFillingRules) {
    for (const QString& f : {u"b.U"_s, u"a.int"_s, u"XMaps.int"_s, u"xmaps.int"_s, u"c.upl"_s,
                             u"d.ucl"_s, u"e.ini"_s, u"f.utx"_s, u"g.ka"_s, u"h.jpg"_s})
        temp(f);
    const install::InstallFileList list = install::BuildInstallFileList(ctx());
    EXPECT_EQ(list.lists[install::System], (QStringList{u"b.U"_s, u"a.int"_s, u"xmaps.int"_s,
                                                        u"e.ini"_s, u"d.ucl"_s, u"c.upl"_s}));
    EXPECT_EQ(list.lists[install::Textures], QStringList{u"f.utx"_s});
    EXPECT_EQ(list.lists[install::KarmaData], QStringList{u"g.ka"_s});
    EXPECT_TRUE(list.lists[install::Maps].isEmpty());
}

} // namespace
