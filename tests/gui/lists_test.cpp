// The content lists through the window: sort orders, the filter, the
// right-click rules and "Make List".
#include "core/content_db.h"
#include "support/cache_builder.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

TContentRecord map(const QString& archive, const QString& added, bool installed = false) {
    TContentRecord r;
    r.ArchiveName = archive;
    r.ArchiveDir = u"/srv/maps/"_s;
    r.DisplayName = installed ? archive.chopped(4) : QString();
    r.Installed = installed ? 1 : 0;
    r.AddedDate = added;
    r.InstallDate = installed ? added : QString();
    return r;
}

class ListsTest : public WindowFixture {
protected:
    TForm1& startWithMaps() {
        tree.folder(u"prog"_s);
        content_db::WriteAll(
            prog(u"mapdata.dat"_s),
            {map(u"DM-Alpha.zip"_s, u"2026-01-05"_s), map(u"CTF-Bravo.zip"_s, u"2026-01-05"_s),
             map(u"DM-Zulu.zip"_s, u"2026-01-05"_s), map(u"CTF-Early.zip"_s, u"2025-06-01"_s),
             map(u"CTF-Face.zip"_s, u"2026-02-02"_s, true),
             map(u"DM-Deck.zip"_s, u"2026-03-03"_s, true)});
        TForm1& w = start();
        w.state().StartingUp = false;
        w.showPage(TForm1::MapsTab);
        return w;
    }
};

} // namespace

TEST_F(ListsTest, DateOrderSurvivesAFilterChangeAndByNameSortsAtOnce) {
    TForm1& w = startWithMaps();
    const QListWidget* LBinst = control<QListWidget>(w, u"LBinst"_s);
    const QListWidget* LBun = control<QListWidget>(w, u"LBun"_s);
    QComboBox* Filter1 = control<QComboBox>(w, u"Filter1"_s);
    const QStringList byName = {u"CTF-Bravo.zip"_s, u"CTF-Early.zip"_s, u"DM-Alpha.zip"_s,
                                u"DM-Zulu.zip"_s};
    EXPECT_EQ(texts(LBinst), byName);
    control<QAction>(w, u"Bydate1"_s)->trigger();
    EXPECT_EQ(texts(LBinst), (QStringList{u"DM-Zulu.zip"_s, u"DM-Alpha.zip"_s, u"CTF-Bravo.zip"_s,
                                          u"CTF-Early.zip"_s}));
    EXPECT_EQ(texts(LBun), (QStringList{u"DM-Deck"_s, u"CTF-Face"_s}));
    Filter1->setCurrentIndex(Filter1->findData(u"CTF"_s));
    EXPECT_EQ(texts(LBinst), (QStringList{u"CTF-Bravo.zip"_s, u"CTF-Early.zip"_s}));
    EXPECT_EQ(texts(LBun), QStringList{u"CTF-Face"_s});
    control<QAction>(w, u"ByName1"_s)->trigger();
    EXPECT_EQ(texts(LBinst), (QStringList{u"CTF-Bravo.zip"_s, u"CTF-Early.zip"_s}));
    Filter1->setCurrentIndex(Filter1->findData(u"All"_s));
    EXPECT_EQ(texts(LBinst).first(), u"CTF-Bravo.zip"_s) << "name order again";

    // Pages without lists are left alone: the maps keep their name order.
    w.showPage(TForm1::Uz2Tab);
    control<QAction>(w, u"Bydate1"_s)->trigger();
    w.showPage(TForm1::MapsTab);
    EXPECT_EQ(texts(LBinst), byName);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(ListsTest, RightClickOpensThePopupWithItsItemsEnabledByTheSelection) {
    TForm1& w = startWithMaps();
    w.show();
    QListWidget* LBinst = control<QListWidget>(w, u"LBinst"_s);
    QListWidget* LBun = control<QListWidget>(w, u"LBun"_s);
    QMenu* PopupMenu1 = control<QMenu>(w, u"PopupMenu1"_s);
    QMenu* PopupMenu2 = control<QMenu>(w, u"PopupMenu2"_s);
    const QAction* fileInfoLeft = control<QAction>(*PopupMenu1, u"FileInfo1"_s);
    const QAction* fileInfoRight = control<QAction>(*PopupMenu2, u"FileInfo2"_s);
    const QAction* createZip = control<QAction>(*PopupMenu2, u"Createzip1"_s);
    auto click = [](QListWidget* list, Qt::MouseButton button) {
        QTest::mouseClick(list->viewport(), button, {}, QPoint(5, 5));
    };

    // Nothing selected: no menu.
    click(LBinst, Qt::RightButton);
    EXPECT_FALSE(PopupMenu1->isVisible());

    LBinst->item(0)->setSelected(true);
    LBinst->item(1)->setSelected(true);
    click(LBinst, Qt::RightButton);
    EXPECT_TRUE(PopupMenu1->isVisible());
    EXPECT_FALSE(fileInfoLeft->isEnabled());
    EXPECT_EQ(LBinst->selectedItems().size(), 2) << "the right button keeps the selection";
    PopupMenu1->hide();

    // Any button on the right list clears the left one's selection.
    click(LBun, Qt::LeftButton);
    EXPECT_TRUE(LBinst->selectedItems().isEmpty());
    LBun->item(0)->setSelected(true);
    LBun->item(1)->setSelected(true);
    click(LBun, Qt::RightButton);
    EXPECT_TRUE(PopupMenu2->isVisible());
    EXPECT_FALSE(fileInfoRight->isEnabled());
    EXPECT_FALSE(createZip->isEnabled());
    PopupMenu2->hide();
    LBun->item(1)->setSelected(false);
    click(LBun, Qt::RightButton);
    EXPECT_TRUE(fileInfoRight->isEnabled());
    EXPECT_TRUE(createZip->isEnabled());
    PopupMenu2->hide();
}

TEST_F(ListsTest, BriefListUnderTheCtfFilterAndACancelledSave) {
    TForm1& w = startWithMaps();
    QComboBox* Filter1 = control<QComboBox>(w, u"Filter1"_s);
    Filter1->setCurrentIndex(Filter1->findData(u"CTF"_s));
    const QString report = tree.path(u"brief.txt"_s);
    dialogs.saveAnswers.push_back(report);
    control<QAction>(w, u"BriefList1"_s)->trigger();
    EXPECT_EQ(w.status(), u"  Brief list saved to "_s + report);
    EXPECT_EQ(tree.read(u"brief.txt"_s),
              "Maps (installed):\r\n\tCTF-Face\r\n\r\nMaps (not installed):\r\n\tCTF-Bravo.zip\r\n"
              "\tCTF-Early.zip\r\nTotal number of maps: 3\r\n\r\nMutators (installed):\r\n\r\n"
              "Mutators (not installed):\r\nTotal number of mutators: 0\r\n\r\n"
              "Skins (installed):\r\n\r\nSkins (not installed):\r\nTotal number of skins: 0\r\n");

    dialogs.saveAnswers.push_back(QString()); // cancelled
    control<QAction>(w, u"FullList1"_s)->trigger();
    EXPECT_EQ(w.status(), u"Operation cancelled"_s);
    EXPECT_EQ(tree.allFiles().filter(u".txt"_s), QStringList{u"brief.txt"_s});

    const QString full = tree.path(u"full.txt"_s);
    dialogs.saveAnswers.push_back(full);
    control<QAction>(w, u"DetailedList1"_s)->trigger();
    EXPECT_EQ(w.status(), u"  Detailed list saved to "_s + full);
    EXPECT_TRUE(tree.read(u"full.txt"_s).startsWith("Maps:\r\n\tName of Map: \r\n"));
}

TEST_F(ListsTest, ABriefListRightAfterACacheInstallListsTheNewMap) {
    tree.gameFolder(u"game"_s);
    const QString cacheDir = tree.folder(u"game/Cache"_s);
    ASSERT_TRUE(testing_support::writeCache(
        cacheDir, {{testing_support::cacheKey(1), u"DM-Cached.ut2"_s,
                    testing_support::importingPackage({u"CachedTex"_s})},
                   {testing_support::cacheKey(2), u"CachedTex.utx"_s, "texture"}}));
    QByteArray ini;
    for (const QString& line :
         {u"DO NOT EDIT THIS FILE"_s, u"[Program version]"_s, u"2.05"_s, u"[Game]"_s, u"UT2004"_s,
          u"[Folders]"_s, tree.path(u"game"_s), QString(), QString(), QString(), QString(),
          u"Yes"_s, u"Always"_s, u"No"_s, QString(), u"[Layout]"_s})
        ini += line.toUtf8() + "\r\n";
    tree.file(u"prog/Quorvel.ini"_s, ini);
    TForm1& w = start();
    w.showPage(TForm1::CacheTab);
    QListWidget* cached = control<QListWidget>(w, u"LBCache"_s);
    const auto found = cached->findItems(u"DM-Cached.ut2"_s, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    found[0]->setSelected(true);
    control<QPushButton>(w, u"bInstallCache"_s)->click();
    ASSERT_EQ(w.status(), u"  1 file(s) installed."_s);

    // Without visiting the Maps page first.
    dialogs.saveAnswers.push_back(tree.path(u"brief.txt"_s));
    control<QAction>(w, u"BriefList1"_s)->trigger();
    const QString report = QString::fromUtf8(tree.read(u"brief.txt"_s));
    EXPECT_TRUE(report.startsWith(u"Maps (installed):\r\n\tDM-Cached.ut2\r\n"_s))
        << report.toStdString();
}
