// A first start with a game that already holds content of the archives in
// the configured folders: after the first Save the window says so once and
// marks that content installed on Yes; No leaves the records alone, and the
// question comes again only for archives recorded later.
#include "core/content_db.h"
#include "gui/value_list_editor.h"
#include "support/install_archives.h"
#include "window_fixture.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

class FoundContentTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        // Where the first start looks for the game.
        game = tree.gameFolder(u"home/ut2004"_s);
        tree.file(u"home/ut2004/System/ut2004-bin"_s, "#!/bin/sh\n");
        maps = tree.folder(u"arch/maps"_s);
        // Two maps installed by hand before Quorvel, one never installed.
        for (const char* name : {"DM-A", "DM-B", "DM-C"})
            archive(QString::fromLatin1(name), qstrcmp(name, "DM-C") != 0);
    }
    /// A map archive NAME.zip of NAME.ut2, also in the game when `inGame`.
    void archive(const QString& name, bool inGame) {
        const QByteArray content = name.toUtf8() + " map";
        ASSERT_TRUE(testing_support::writeZip(maps + u'/' + name + u".zip"_s,
                                              {{name + u".ut2"_s, content}}));
        if (inGame)
            tree.file(u"home/ut2004/Maps/"_s + name + u".ut2"_s, content);
    }
    /// The first Save with the game and the map folder, `answer` given to
    /// the one question expected.
    void firstSave(TForm1& w, platform::Button answer) {
        EXPECT_EQ(shownPage(), int(TForm1::ConfigTab));
        auto* VLE = control<ValueListEditor>(w, u"VLE"_s);
        EXPECT_EQ(VLE->value(1), game);
        VLE->setValue(2, maps);
        dialogs.buttonAnswers.push_back(answer);
        control<QPushButton>(w, u"bConfigSave"_s)->click();
    }
    /// "name=Installed" of every map record, in file order.
    QStringList installed() const {
        QStringList out;
        for (const TContentRecord& r : content_db::ReadAll(prog(u"mapdata.dat"_s)))
            out.append(r.ArchiveName + u'=' + QString::number(r.Installed));
        return out;
    }

    QString game;
    QString maps;
};

} // namespace

TEST_F(FoundContentTest, AFirstSaveOffersWhatTheGameHoldsAndYesMarksItInstalled) {
    const QStringList gameBefore = tree.allFiles().filter(u"home/ut2004/"_s);
    TForm1& w = start();
    firstSave(w, platform::Yes);
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(dialogs.shown[0].text,
              u"2 maps from your archive folders are already in the game. Mark them installed?"_s);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Confirmation);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Yes | platform::No);
    EXPECT_EQ(installed(), (QStringList{u"DM-A.zip=1"_s, u"DM-B.zip=1"_s, u"DM-C.zip=0"_s}));
    EXPECT_EQ(shownPage(), int(TForm1::MapsTab));
    EXPECT_EQ(control<QListWidget>(w, u"LBun"_s)->count(), 2);
    EXPECT_EQ(control<QListWidget>(w, u"LBinst"_s)->count(), 1);
    // Marked, not installed: nothing was copied into the game.
    EXPECT_EQ(tree.allFiles().filter(u"home/ut2004/"_s), gameBefore);
    EXPECT_TRUE(looksIdle(w));
}

TEST_F(FoundContentTest, NoLeavesTheRecordsAndAsksAgainOnlyForArchivesRecordedLater) {
    TForm1& w = start();
    firstSave(w, platform::No);
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join(u'|').toStdString();
    const QByteArray records = tree.read(u"prog/mapdata.dat"_s);
    EXPECT_EQ(installed(), (QStringList{u"DM-A.zip=0"_s, u"DM-B.zip=0"_s, u"DM-C.zip=0"_s}));

    // Neither the next update nor the next start asks again.
    control<QAction>(w, u"Updatedatabase1"_s)->trigger();
    TForm1& again = restart();
    EXPECT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(tree.read(u"prog/mapdata.dat"_s), records);

    // A new archive of a map also put in by hand: asked about that one.
    archive(u"DM-D"_s, true);
    dialogs.buttonAnswers.push_back(platform::Yes);
    control<QAction>(again, u"Updatedatabase1"_s)->trigger();
    ASSERT_EQ(dialogs.shown.size(), 2) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(dialogs.shown[1].text,
              u"1 map from your archive folders is already in the game. Mark it installed?"_s);
    EXPECT_EQ(installed(),
              (QStringList{u"DM-A.zip=0"_s, u"DM-B.zip=0"_s, u"DM-C.zip=0"_s, u"DM-D.zip=1"_s}));
    EXPECT_TRUE(looksIdle(again));
}
