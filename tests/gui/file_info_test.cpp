// "File info" through the window: the viewer filled from the first
// selected entry, sized and placed, and a vanished record reported.
#include "core/content_db.h"
#include "window_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

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

void select(QListWidget* list, const QString& entry) {
    const auto found = list->findItems(entry, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << entry.toStdString();
    list->clearSelection();
    found[0]->setSelected(true);
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

/// Triggers `item` and records what the viewer shows, then closes it.
Seen showInfo(TForm1& w, QAction* item) {
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
    item->trigger();
    return seen;
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

TEST_F(FileInfoWindowTest, AnEntryWhoseRecordVanishedIsAnErrorAndNoViewer) {
    tree.folder(u"prog"_s);
    content_db::WriteAll(prog(u"mapdata.dat"_s), {rec(u"DM-A.zip"_s, u""_s, false, 0, {})});
    TForm1& w = start();
    w.state().StartingUp = false;
    w.showPage(TForm1::MapsTab);
    select(control<QListWidget>(w, u"LBinst"_s), u"DM-A.zip"_s);
    content_db::WriteAll(prog(u"mapdata.dat"_s), {});
    bool shown = false;
    QTimer::singleShot(0, &w, [&] {
        shown = control<QDialog>(w, u"Form2"_s)->isVisible();
        control<QDialog>(w, u"Form2"_s)->reject();
    });
    control<QAction>(w, u"FileInfo1"_s)->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, testing_support::ShownDialog::ErrorBox);
    EXPECT_TRUE(dialogs.shown[0].text.contains(u"DM-A.zip"_s))
        << dialogs.shown[0].text.toStdString();
}
