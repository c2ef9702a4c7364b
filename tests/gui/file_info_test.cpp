// "File info" through the window: the viewer filled from the first
// selected entry, sized and placed, and a vanished record reported.
#include "core/content_db.h"
#include "gui/page_parts.h"
#include "window_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

TContentRecord rec(const QString& archive, const QString& display, bool installed, qint32 kind,
                   const QStringList& files) {
    TContentRecord r;
    r.ArchiveName = archive;
    r.ArchiveDir = u"/srv/content/"_s;
    r.DisplayName = display;
    r.Installed = installed ? 1 : 0;
    r.Kind = kind;
    r.AddedDate = u"2026-01-05"_s;
    r.InstallDate = installed ? u"2026-02-06"_s : QString();
    r.FileCount = int(files.size());
    r.Files = files;
    return r;
}

QString cell(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

struct Seen {
    bool visible = false;
    QSize size;
    QPoint pos;
    QPoint mainPos; ///< the main window's position as the item was chosen
    bool filesFocused = false;
    QStringList labels, values, files;
    int fileRows = -1;
    QList<int> widths;
};

/// Runs `open` and records what the viewer shows, then closes it.
Seen showInfo(TForm1& w, const std::function<void()>& open) {
    Seen seen;
    QTimer::singleShot(0, &w, [&] {
        const QDialog& v = *control<QDialog>(w, u"Form2"_s);
        const QTableWidget* Listheader = control<QTableWidget>(v, u"Listheader"_s);
        const QTableWidget* ListFiles = control<QTableWidget>(v, u"ListFiles"_s);
        seen.visible = v.isVisible();
        seen.size = v.size();
        seen.pos = v.pos();
        seen.filesFocused = v.focusWidget() == ListFiles;
        for (int row = 0; row < Listheader->rowCount(); ++row) {
            seen.labels.append(cell(Listheader, row, 1));
            seen.values.append(cell(Listheader, row, 2));
        }
        seen.fileRows = ListFiles->rowCount();
        for (int row = 0; row < seen.fileRows; ++row)
            seen.files.append(cell(ListFiles, row, 1));
        seen.widths = {Listheader->columnWidth(0), Listheader->columnWidth(2),
                       ListFiles->columnWidth(0), ListFiles->columnWidth(1)};
        control<QPushButton>(v, u"Button1"_s)->click();
    });
    seen.mainPos = w.pos();
    open();
    return seen;
}

/// Triggers `item` and records what the viewer shows, then closes it.
Seen showInfo(TForm1& w, QAction* item) {
    return showInfo(w, [item] { item->trigger(); });
}

class FileInfoWindowTest : public WindowFixture {};

} // namespace

TEST_F(FileInfoWindowTest, TheFirstSelectedEntryIsShownInTheSizedViewer) {
    tree.folder(u"prog"_s);
    content_db::WriteAll(prog(u"mapdata.dat"_s), {rec(u"DM-Old.zip"_s, u""_s, false, 0, {}),
                                                  rec(u"DM-Deck.zip"_s, u"DM-Deck"_s, true, 0,
                                                      {u"DM-Deck.ut2"_s, u"Deck.utx"_s})});
    content_db::WriteAll(prog(u"somdata.dat"_s),
                         {rec(u"Skinny.rar"_s, u""_s, false, 2, {u"Skinny.upl"_s})});
    TForm1& w = start();
    w.state().StartingUp = false;
    w.showPage(TForm1::MapsTab);

    select(control<QListWidget>(w, u"LBun"_s), u"DM-Deck"_s);
    const Seen deck = showInfo(w, control<QAction>(w, u"FileInfo2"_s));
    EXPECT_TRUE(deck.visible);
    EXPECT_EQ(deck.size, QSize(400, 250));
    EXPECT_EQ(deck.pos, deck.mainPos + QPoint(30, 30));
    EXPECT_TRUE(deck.filesFocused);
    EXPECT_EQ(deck.labels,
              (QStringList{u"Mapname : "_s, u"Name of zip-file :"_s, u"Place on disk :"_s,
                           u"Added   :   "_s, u"Installdate : "_s, u"No. of files in zip :"_s}));
    EXPECT_EQ(deck.values, (QStringList{u"DM-Deck"_s, u"DM-Deck.zip"_s, u"/srv/content/"_s,
                                        u"2026-01-05"_s, u"2026-02-06"_s, u"2"_s}));
    EXPECT_EQ(deck.files, (QStringList{u"DM-Deck.ut2"_s, u"Deck.utx"_s}));
    EXPECT_EQ(deck.widths, (QList<int>{1, 220, 1, 370}));

    // Refilled for the next use: no file rows left from before.
    select(control<QListWidget>(w, u"LBinst"_s), u"DM-Old.zip"_s);
    const Seen old = showInfo(w, control<QAction>(w, u"FileInfo1"_s));
    EXPECT_EQ(old.values[4], u"Not installed"_s);
    EXPECT_EQ(old.fileRows, 0);

    w.showPage(TForm1::SkinsTab);
    select(control<QListWidget>(w, u"LBSkin"_s), u"Skinny.rar"_s);
    const Seen skin = showInfo(w, control<QAction>(w, u"FileInfo5"_s));
    EXPECT_EQ(skin.labels[0], u"Skin  :  "_s);
    EXPECT_EQ(skin.labels[1], u"Name of rar-file :"_s);
    EXPECT_EQ(skin.files, QStringList{u"Skinny.upl"_s});
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}

// The record vanished on disk (another Quorvel removed it): the command
// first reads the changed list again, so the entry is gone and nothing is
// shown, neither a viewer of a record that is no more nor a box.
TEST_F(FileInfoWindowTest, AnEntryWhoseRecordVanishedLeavesTheListAndNoViewerShows) {
    tree.folder(u"prog"_s);
    content_db::WriteAll(prog(u"mapdata.dat"_s), {rec(u"DM-A.zip"_s, u""_s, false, 0, {}),
                                                  rec(u"DM-B.zip"_s, u""_s, false, 0, {})});
    TForm1& w = start();
    w.state().StartingUp = false;
    w.showPage(TForm1::MapsTab);
    auto* LBinst = control<QListWidget>(w, u"LBinst"_s);
    select(LBinst, u"DM-A.zip"_s);
    content_db::WriteAll(prog(u"mapdata.dat"_s), {rec(u"DM-B.zip"_s, u""_s, false, 0, {})});
    bool shown = false;
    QTimer::singleShot(0, &w, [&] {
        shown = control<QDialog>(w, u"Form2"_s)->isVisible();
        control<QDialog>(w, u"Form2"_s)->reject();
    });
    control<QAction>(w, u"FileInfo1"_s)->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(page_parts::entries(LBinst), QStringList{u"DM-B.zip"_s});
    EXPECT_TRUE(LBinst->selectedItems().isEmpty());
}

TEST_F(FileInfoWindowTest, ADoubleClickOrEnterOnAnEntryOfAContentListShowsThatEntry) {
    tree.folder(u"prog"_s);
    content_db::WriteAll(
        prog(u"mapdata.dat"_s),
        {rec(u"DM-Alpha.zip"_s, u""_s, false, 0, {u"DM-Alpha.ut2"_s}),
         rec(u"DM-Beta.zip"_s, u""_s, false, 0, {u"DM-Beta.ut2"_s, u"Beta.utx"_s}),
         rec(u"CTF-Delta.zip"_s, u"CTF-Delta"_s, true, 0, {u"CTF-Delta.ut2"_s}),
         rec(u"CTF-Gamma.zip"_s, u"CTF-Gamma"_s, true, 0, {u"CTF-Gamma.ut2"_s, u"Gamma.ogg"_s})});
    content_db::WriteAll(
        prog(u"somdata.dat"_s),
        {rec(u"MutA.zip"_s, u""_s, false, 0, {u"MutA.u"_s}),
         rec(u"MutB.zip"_s, u""_s, false, 0, {u"MutB.u"_s, u"MutB.int"_s}),
         rec(u"MutC.zip"_s, u"MutC"_s, true, 0, {u"MutC.u"_s}),
         rec(u"MutD.zip"_s, u"MutD"_s, true, 0, {u"MutD.u"_s, u"MutD.ucl"_s}),
         rec(u"SkinA.rar"_s, u""_s, false, 2, {u"SkinA.upl"_s}),
         rec(u"SkinB.rar"_s, u""_s, false, 2, {u"SkinB.upl"_s, u"SkinB.utx"_s}),
         rec(u"SkinC.rar"_s, u"SkinC"_s, true, 2, {u"SkinC.upl"_s}),
         rec(u"SkinD.rar"_s, u"SkinD"_s, true, 2, {u"SkinD.upl"_s, u"SkinD.utx"_s})});
    struct Case {
        TForm1::Page page;
        const char16_t* list;
        const char16_t* partner; ///< the page's other list
        const char16_t* first;   ///< selected before, above the entry
        const char16_t* entry;
        const char16_t* archive;
        QStringList files;
    };
    const Case cases[] = {
        {TForm1::MapsTab,
         u"LBinst",
         u"LBun",
         u"DM-Alpha.zip",
         u"DM-Beta.zip",
         u"DM-Beta.zip",
         {u"DM-Beta.ut2"_s, u"Beta.utx"_s}},
        {TForm1::MapsTab,
         u"LBun",
         u"LBinst",
         u"CTF-Delta",
         u"CTF-Gamma",
         u"CTF-Gamma.zip",
         {u"CTF-Gamma.ut2"_s, u"Gamma.ogg"_s}},
        {TForm1::MutatorsTab,
         u"LBMuts",
         u"LBunMuts",
         u"MutA.zip",
         u"MutB.zip",
         u"MutB.zip",
         {u"MutB.u"_s, u"MutB.int"_s}},
        {TForm1::MutatorsTab,
         u"LBunMuts",
         u"LBMuts",
         u"MutC",
         u"MutD",
         u"MutD.zip",
         {u"MutD.u"_s, u"MutD.ucl"_s}},
        {TForm1::SkinsTab,
         u"LBSkin",
         u"LBUnskin",
         u"SkinA.rar",
         u"SkinB.rar",
         u"SkinB.rar",
         {u"SkinB.upl"_s, u"SkinB.utx"_s}},
        {TForm1::SkinsTab,
         u"LBUnskin",
         u"LBSkin",
         u"SkinC",
         u"SkinD",
         u"SkinD.rar",
         {u"SkinD.upl"_s, u"SkinD.utx"_s}},
    };
    TForm1& w = start();
    w.state().StartingUp = false;
    w.show();
    for (const Case& c : cases) {
        for (const bool byKey : {false, true}) {
            SCOPED_TRACE(QString::fromUtf16(c.list).toStdString() +
                         (byKey ? " Enter" : " double-click"));
            w.showPage(c.page);
            QListWidget* list = control<QListWidget>(w, QString::fromUtf16(c.list));
            QListWidget* partner = control<QListWidget>(w, QString::fromUtf16(c.partner));
            partner->item(0)->setSelected(true);
            select(list, QString::fromUtf16(c.first));
            const auto found = list->findItems(QString::fromUtf16(c.entry), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            QListWidgetItem* item = found[0];
            const QPoint at = list->visualItemRect(item).center();
            // With Ctrl held the entry joins the selection: the viewer still
            // shows the entry clicked, not the first selected.
            const Seen seen = showInfo(w, [&] {
                if (byKey) {
                    item->setSelected(true);
                    list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
                    QTest::keyClick(list, Qt::Key_Return);
                } else {
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
                    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
                }
            });
            EXPECT_TRUE(seen.visible);
            ASSERT_EQ(seen.values.size(), 6);
            EXPECT_EQ(seen.values[1], QString::fromUtf16(c.archive));
            EXPECT_EQ(seen.files, c.files);
            EXPECT_EQ(seen.pos, seen.mainPos + QPoint(30, 30));
            QStringList selected;
            for (const QListWidgetItem* i : list->selectedItems())
                selected.append(i->text());
            EXPECT_EQ(selected, QStringList{QString::fromUtf16(c.entry)});
            EXPECT_TRUE(partner->selectedItems().isEmpty());
        }
    }
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(u'|').toStdString();
}
