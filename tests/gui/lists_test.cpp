// The content lists through the window: sort orders, the filter, the
// right-click rules and "Make List".
#include "core/content_db.h"
#include "gui/list_pair.h"
#include "gui/maps_page.h"
#include "gui/mod_page.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>

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

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
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
    MapsPage& maps = *w.TabMaps;
    EXPECT_EQ(texts(maps.LBinst), (QStringList{u"CTF-Bravo.zip"_s, u"CTF-Early.zip"_s,
                                               u"DM-Alpha.zip"_s, u"DM-Zulu.zip"_s}));
    w.Bydate1->trigger();
    EXPECT_EQ(texts(maps.LBinst), (QStringList{u"DM-Zulu.zip"_s, u"DM-Alpha.zip"_s,
                                               u"CTF-Bravo.zip"_s, u"CTF-Early.zip"_s}));
    EXPECT_EQ(texts(maps.LBun), (QStringList{u"DM-Deck"_s, u"CTF-Face"_s}));
    maps.Filter1->setCurrentIndex(maps.Filter1->findData(u"CTF"_s));
    EXPECT_EQ(texts(maps.LBinst), (QStringList{u"CTF-Bravo.zip"_s, u"CTF-Early.zip"_s}));
    EXPECT_EQ(texts(maps.LBun), QStringList{u"CTF-Face"_s});
    w.ByName1->trigger();
    EXPECT_EQ(texts(maps.LBinst), (QStringList{u"CTF-Bravo.zip"_s, u"CTF-Early.zip"_s}));
    maps.Filter1->setCurrentIndex(maps.Filter1->findData(u"All"_s));
    EXPECT_EQ(texts(maps.LBinst).first(), u"CTF-Bravo.zip"_s) << "name order again";

    // Pages without lists are left alone.
    w.showPage(TForm1::Uz2Tab);
    w.Bydate1->trigger();
    EXPECT_FALSE(maps.Lists->dateOrder);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

TEST_F(ListsTest, RightClickOpensThePopupWithItsItemsEnabledByTheSelection) {
    TForm1& w = startWithMaps();
    MapsPage& maps = *w.TabMaps;
    w.show();
    const QAction* fileInfoLeft = w.PopupMenu1->actions().at(0);
    const QAction* fileInfoRight = w.PopupMenu2->actions().at(0);
    const QAction* createZip = w.PopupMenu2->actions().at(2);
    ASSERT_EQ(createZip->objectName(), u"Createzip1"_s);

    // Nothing selected: no menu.
    maps.Lists->mouseDown(maps.LBinst, Qt::RightButton, QPoint(10, 10));
    EXPECT_FALSE(w.PopupMenu1->isVisible());

    maps.LBinst->item(0)->setSelected(true);
    maps.LBinst->item(1)->setSelected(true);
    maps.Lists->mouseDown(maps.LBinst, Qt::RightButton, QPoint(10, 10));
    EXPECT_TRUE(w.PopupMenu1->isVisible());
    EXPECT_FALSE(fileInfoLeft->isEnabled());
    EXPECT_EQ(maps.LBinst->selectedItems().size(), 2) << "the right button keeps the selection";
    w.PopupMenu1->hide();

    // Any button on the right list clears the left one's selection.
    maps.Lists->mouseDown(maps.LBun, Qt::LeftButton, QPoint(10, 10));
    EXPECT_TRUE(maps.LBinst->selectedItems().isEmpty());
    maps.LBun->item(0)->setSelected(true);
    maps.LBun->item(1)->setSelected(true);
    maps.Lists->mouseDown(maps.LBun, Qt::RightButton, QPoint(20, 20));
    EXPECT_TRUE(w.PopupMenu2->isVisible());
    EXPECT_FALSE(fileInfoRight->isEnabled());
    EXPECT_FALSE(createZip->isEnabled());
    w.PopupMenu2->hide();
    maps.LBun->item(1)->setSelected(false);
    maps.Lists->mouseDown(maps.LBun, Qt::RightButton, QPoint(20, 20));
    EXPECT_TRUE(fileInfoRight->isEnabled());
    EXPECT_TRUE(createZip->isEnabled());
    w.PopupMenu2->hide();
}

TEST_F(ListsTest, BriefListUnderTheCtfFilterAndACancelledSave) {
    TForm1& w = startWithMaps();
    MapsPage& maps = *w.TabMaps;
    maps.Filter1->setCurrentIndex(maps.Filter1->findData(u"CTF"_s));
    const QString report = tree.path(u"brief.txt"_s);
    dialogs.saveAnswers.push_back(report);
    w.BriefList1->trigger();
    EXPECT_EQ(w.status(), u"  Brief list saved to "_s + report);
    EXPECT_EQ(tree.read(u"brief.txt"_s),
              "Maps (installed):\r\n\tCTF-Face\r\n\r\nMaps (not installed):\r\n\tCTF-Bravo.zip\r\n"
              "\tCTF-Early.zip\r\nTotal number of maps: 3\r\n\r\nMutators (installed):\r\n\r\n"
              "Mutators (not installed):\r\nTotal number of mutators: 0\r\n\r\n"
              "Skins (installed):\r\n\r\nSkins (not installed):\r\nTotal number of skins: 0\r\n");

    dialogs.saveAnswers.push_back(QString()); // cancelled
    w.FullList1->trigger();
    EXPECT_EQ(w.status(), u"Operation cancelled"_s);
    EXPECT_EQ(tree.allFiles().filter(u".txt"_s), QStringList{u"brief.txt"_s});

    const QString full = tree.path(u"full.txt"_s);
    dialogs.saveAnswers.push_back(full);
    w.DetailedList1->trigger();
    EXPECT_EQ(w.status(), u"  Detailed list saved to "_s + full);
    EXPECT_TRUE(tree.read(u"full.txt"_s).startsWith("Maps:\r\n\tName of Map: \r\n"));
}
