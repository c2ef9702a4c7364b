#include "app/about_box.h"
#include "app/main_window.h"
#include "app/theme_engine.h"
#include "app/value_list_editor.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;
using testing_support::TempTree;

namespace {

/// A program folder as the current directory and a home without a game.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldDir_ = QDir::currentPath();
        oldHome_ = qgetenv("HOME");
        QDir().mkpath(tree.path(u"home"_s));
        qputenv("HOME", tree.path(u"home"_s).toLocal8Bit());
        QDir().mkpath(tree.path(u"prog"_s));
        QDir::setCurrent(tree.path(u"prog"_s));
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(oldDir_);
        qputenv("HOME", oldHome_);
    }
    TForm1& start() {
        window = std::make_unique<TForm1>(&dialogs);
        return *window;
    }
    QString prog(const QString& name) const { return tree.path(u"prog/"_s + name); }

    TempTree tree;
    FakeDialogs dialogs;
    std::unique_ptr<TForm1> window;

private:
    QString oldDir_;
    QByteArray oldHome_;
};

QStringList captions(const QMenu* menu) {
    QStringList out;
    const auto actions = menu->actions();
    for (const QAction* a : actions) {
        if (!a->isSeparator())
            out.append(a->text() + u':' + QString::number(tagOf(a)));
    }
    return out;
}

} // namespace

TEST_F(MainWindowTest, FirstRunShowsConfigureWithDefaultsAndMakesEmptyRecordFiles) {
    TForm1& w = start();
    for (const char16_t* name : {u"mapdata.dat", u"somdata.dat", u"sharedfiles.dat"}) {
        QFileInfo info(prog(QString::fromUtf16(name)));
        EXPECT_TRUE(info.exists());
        EXPECT_EQ(info.size(), 0);
    }
    EXPECT_TRUE(QFileInfo(prog(u"Temp"_s)).isDir());
    EXPECT_EQ(w.state().ProgramDir, tree.path(u"prog"_s));
    EXPECT_EQ(w.state().TempDir, prog(u"Temp"_s));
    EXPECT_EQ(w.PageControl1->currentIndex(), int(TForm1::ConfigPage));
    EXPECT_EQ(w.VLE->value(1), QString());
    EXPECT_EQ(w.VLE->value(6), u"Yes"_s);
    EXPECT_EQ(w.VLE->value(7), u"Ask me"_s);
    EXPECT_EQ(w.VLE->value(8), u"No"_s);
    EXPECT_EQ(w.VLE->row(), 1);
    EXPECT_EQ(w.status(), u"  Make your settings"_s);
    EXPECT_TRUE(w.state().StartingUp);
    EXPECT_FALSE(w.state().DemosListed);
    EXPECT_EQ(w.state().ThemeIndex, 1);
    EXPECT_TRUE(w.themes().enabled());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(MainWindowTest, FirstRunFindsTheGameFolder) {
    tree.folder(u"home/.ut2004/System"_s);
    TForm1& w = start();
    EXPECT_EQ(w.VLE->value(1), tree.path(u"home/.ut2004"_s));
}

TEST_F(MainWindowTest, ConfigEditorRowsAndKinds) {
    TForm1& w = start();
    using Style = ValueListEditor::EditStyle;
    const QStringList keys = {
        u"Game Directory"_s,    u"Custom Map Directory"_s, u"Custom Skin Directory"_s,
        u"Mutator Directory"_s, u"Demos Directory"_s,      u"Search files in subdirs"_s,
        u"Overwrite files"_s,   u"Install extra files"_s,  u"Additional games"_s};
    ASSERT_EQ(w.VLE->rowCount(), 9);
    for (int row = 1; row <= 9; ++row) {
        EXPECT_EQ(w.VLE->key(row), keys[row - 1]);
        const Style want = row <= 5 ? Style::Ellipsis : (row <= 8 ? Style::PickList : Style::Text);
        EXPECT_EQ(w.VLE->editStyle(row), want) << row;
    }
    EXPECT_EQ(w.VLE->pickList(6), (QStringList{u"Yes"_s, u"No"_s}));
    EXPECT_EQ(w.VLE->pickList(7), (QStringList{u"Always"_s, u"Ask me"_s}));
    EXPECT_EQ(w.VLE->pickList(8), (QStringList{u"Yes"_s, u"No"_s}));
    EXPECT_EQ(w.VLE->columnWidth(0), 141);
    EXPECT_EQ(w.VLE->columnWidth(1), 333);
    EXPECT_EQ(w.VLE->rowHeight(0), 20);
}

TEST_F(MainWindowTest, LeftoverTempIsEmptiedAndReadOnlyFileGoesAtShutDown) {
    tree.file(u"prog/Temp/old.txt"_s, "x");
    const QString locked = tree.file(u"prog/Temp/locked.txt"_s, "x");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    TForm1& w = start();
    EXPECT_FALSE(QFileInfo::exists(prog(u"Temp/old.txt"_s)));
    EXPECT_TRUE(QFileInfo::exists(locked));
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(QFileInfo::exists(prog(u"Temp"_s)));
    EXPECT_FALSE(QFileInfo::exists(prog(u"Quorvel.ini"_s))) << "no settings before a save";
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(MainWindowTest, CloseIsRefusedWhileBusy) {
    TForm1& w = start();
    w.show();
    w.state().CanClose = false;
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(QFileInfo(prog(u"Temp"_s)).isDir());
    w.state().CanClose = true;
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(QFileInfo::exists(prog(u"Temp"_s)));
}

TEST_F(MainWindowTest, CloseDownStoresLayoutAfterTheLayoutLine) {
    QByteArray ini = "DO NOT EDIT THIS FILE\r\n[Program version]\r\n2.02\r\n[Game]\r\nUT2004\r\n"
                     "[Folders]\r\n";
    for (int i = 6; i <= 14; ++i)
        ini += "v" + QByteArray::number(i) + "\r\n";
    ini += "[Layout]\r\n7\r\nold\r\nNo\r\n1\r\n2\r\nz\r\nu\r\n";
    TForm1& w = start();
    tree.file(u"prog/Quorvel.ini"_s, ini);
    w.state().ThemeIndex = 3;
    w.state().ThemeFile = u"/themes/x.qss"_s;
    w.state().LastZipDir = u"/zips"_s;
    w.state().LastUz2Dir = u"/uz2"_s;
    w.move(40, 60);
    w.CloseDown();
    const QStringList lines = QString::fromUtf8(tree.read(u"prog/Quorvel.ini"_s)).split(u"\r\n"_s);
    ASSERT_EQ(lines.size(), 24); // 23 lines and the empty text after the last CR LF
    EXPECT_EQ(lines[2], u"2.05"_s);
    EXPECT_EQ(lines[15], u"[Layout]"_s);
    EXPECT_EQ(lines.mid(16, 7),
              (QStringList{u"3"_s, u"/themes/x.qss"_s, u"Yes"_s, QString::number(w.pos().x()),
                           QString::number(w.pos().y()), u"/zips"_s, u"/uz2"_s}));
}

TEST_F(MainWindowTest, StartUpStepFailureIsReportedAndLaterStepsSkipped) {
    tree.file(u"prog/Temp"_s, "a file where the scratch folder belongs");
    TForm1& w = start();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, testing_support::ShownDialog::ErrorBox);
    EXPECT_TRUE(dialogs.shown[0].text.contains(prog(u"Temp"_s)));
    EXPECT_FALSE(QFileInfo::exists(prog(u"mapdata.dat"_s)));
    EXPECT_TRUE(w.state().CanClose); // the program goes on
}

TEST_F(MainWindowTest, PagesCaptionsAndTags) {
    TForm1& w = start();
    QStringList tabs;
    for (int i = 0; i < w.PageControl1->count(); ++i)
        tabs.append(w.PageControl1->tabText(i));
    EXPECT_EQ(tabs,
              (QStringList{u"  Maps   "_s, u"  Mutators   "_s, u"  Skins   "_s, u"  Cache   "_s,
                           u" .uz2-files "_s, u"  Demos  "_s, u" Configure  "_s}));
    for (QListWidget* left : {w.LBinst, w.LBMuts, w.LBSkin})
        EXPECT_EQ(tagOf(left), 1);
    for (QListWidget* right : {w.LBun, w.LBunMuts, w.LBUnskin})
        EXPECT_EQ(tagOf(right), 2);
    for (QListWidget* list : {w.LBinst, w.LBun, w.LBMuts, w.LBunMuts, w.LBSkin, w.LBUnskin})
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(tagOf(w.bUninstallMaps), 1);
    EXPECT_EQ(tagOf(w.bUninstallMuts), 2);
    EXPECT_EQ(tagOf(w.bUninstallSkins), 3);
    EXPECT_EQ(w.bInstallMaps->text(), u"&Install"_s);
    for (QCheckBox* box : {w.DelZip, w.delMut, w.delSkin}) {
        EXPECT_EQ(box->text(), u"Delete file after installation"_s);
        EXPECT_EQ(
            box->toolTip(),
            u"Tick this box if you want to delete the zip-files when the maps are installed"_s);
    }
    EXPECT_EQ(w.bInstallCache->toolTip(), u"Install selected file(s)"_s);
    EXPECT_EQ(w.rbCacheGroup->buttons().size(), 4);
    EXPECT_EQ(w.rbUzActionGroup->buttons().size(), 2);
    EXPECT_EQ(w.DirBox->itemText(0), u"Show all"_s);
    for (QListWidget* hidden : {w.ListBox1, w.ListBox2, w.ListBox3, w.ListBox4})
        EXPECT_TRUE(hidden->isHidden());
    EXPECT_TRUE(w.WarningPanel->isHidden());
    EXPECT_EQ(w.windowTitle(), u"Quorvel"_s);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.centralWidget()->height() + w.statusBar()->height(), TForm1::ClientHeight);
    EXPECT_EQ(w.width(), TForm1::ClientWidth);
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsAndTags) {
    TForm1& w = start();
    QStringList top;
    const auto menus = w.menuBar()->actions();
    for (const QAction* a : menus)
        top.append(a->text());
    EXPECT_EQ(top, (QStringList{u"System"_s, u"Change Theme"_s, u"Sort list"_s, u"Help"_s}));
    EXPECT_EQ(captions(w.SystemMenu),
              (QStringList{u"Update database:0"_s, u"Mark as installed:75"_s, u"Make List:0"_s,
                           u"Game Over:1"_s}));
    EXPECT_EQ(captions(qobject_cast<QMenu*>(w.BriefList1->parent())),
              (QStringList{u"Brief List:0"_s, u"Detailed List:1"_s, u"Full List:2"_s}));
    EXPECT_EQ(captions(w.ThemeMenu),
              (QStringList{u"Toggle On/Off:0"_s, u"Deep Blue:0"_s, u"Soft Grey:1"_s, u"Crystal:2"_s,
                           u"Sand:3"_s, u"Load theme ..:0"_s}));
    EXPECT_EQ(captions(w.SortMenu), (QStringList{u"By Date:0"_s, u"By Name:0"_s}));
    EXPECT_EQ(captions(w.HelpMenu), (QStringList{u"Contents:0"_s, u"About:0"_s}));
    EXPECT_EQ(captions(w.PopupMenu1), (QStringList{u"File info:1"_s, u"Install:2"_s, u"Delete:3"_s,
                                                   u"Mark as installed:0"_s}));
    EXPECT_EQ(captions(w.PopupMenu2),
              (QStringList{u"File info:21"_s, u"Uninstall:22"_s, u"Create Zip:23"_s,
                           u"Uninstall && Delete:24"_s}));
    EXPECT_EQ(captions(w.PopupMenu5), (QStringList{u"File info:51"_s, u"Install:52"_s,
                                                   u"Delete:53"_s, u"Mark as installed:0"_s}));
    EXPECT_EQ(captions(w.PopupMenu6),
              (QStringList{u"File info:61"_s, u"Uninstall:62"_s, u"Create Zip:63"_s,
                           u"Uninstall && Delete:64"_s}));
}

TEST_F(MainWindowTest, PageShowHandlers) {
    TForm1& w = start();
    w.DelZip->setChecked(true);
    w.ListBox1->addItem(u"left over"_s);
    w.showPage(TForm1::MapsPage);
    EXPECT_FALSE(w.DelZip->isChecked());
    EXPECT_EQ(w.ListBox1->count(), 0);
    EXPECT_EQ(w.status(), u"  0 maps listed as installed and 0 maps as not installed"_s);
    w.showPage(TForm1::SkinsPage);
    EXPECT_EQ(w.status(), u"  0 skins listed as installed and 0 skins as not installed"_s);
    w.showPage(TForm1::MutatorsPage);
    EXPECT_EQ(w.status(), u"  0 mutators listed as installed and 0 mutators as not installed"_s);
    w.rbCacheGroup->button(2)->setChecked(true);
    w.bInstallCache->setText(u"Save"_s);
    w.showPage(TForm1::CachePage);
    EXPECT_TRUE(w.rbCacheGroup->button(0)->isChecked());
    EXPECT_EQ(w.bInstallCache->text(), u"Install"_s);
    w.showPage(TForm1::DemosPage);
    EXPECT_EQ(w.NameBar->text(), u"  Name: "_s);
    EXPECT_EQ(w.LocationBar->text(), u"  Location: "_s);
    QFile::remove(prog(u"somdata.dat"_s));
    w.showPage(TForm1::MutatorsPage);
    ASSERT_FALSE(dialogs.shown.isEmpty());
    EXPECT_EQ(dialogs.shown.last().type, testing_support::ShownDialog::Plain);
    EXPECT_EQ(dialogs.shown.last().text,
              u"Databasefile missing or corrupt\rRun config and Update database"_s);
}

TEST_F(MainWindowTest, FilesCanBeDroppedOnlyOnTheUz2Page) {
    TForm1& w = start();
    w.showPage(TForm1::MapsPage);
    EXPECT_FALSE(w.dropEnabled());
    w.receiveDrop({u"/a/x.uz2"_s});
    EXPECT_EQ(w.ListBox3->count(), 0);
    w.showPage(TForm1::Uz2Page);
    EXPECT_TRUE(w.dropEnabled());
    EXPECT_EQ(w.status(), u"  Handle .uz2-compressed files"_s);
    w.receiveDrop({u"/a/x.uz2"_s, u"/a/y.uz2"_s});
    EXPECT_EQ(w.ListBox3->count(), 2);
    w.showPage(TForm1::ConfigPage);
    EXPECT_FALSE(w.dropEnabled());
}

TEST_F(MainWindowTest, AboutBoxOpensAtItsOffsetAndClosesOnClick) {
    TForm1& w = start();
    w.move(100, 80);
    w.show();
    QPoint seen;
    bool wasVisible = false;
    QTimer::singleShot(0, &w, [&] {
        wasVisible = w.AboutBox->isVisible();
        seen = w.AboutBox->pos();
        QTest::mouseClick(w.AboutBox->Image1, Qt::LeftButton, {}, QPoint(20, 20));
    });
    w.About1->trigger();
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(seen, w.pos() + QPoint(125, 114));
    EXPECT_FALSE(w.AboutBox->isVisible());
    EXPECT_EQ(w.AboutBox->size(), QSize(250, 198));
    EXPECT_TRUE(w.AboutBox->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(MainWindowTest, BusyStateDisablesPagesAndMenus) {
    TForm1& w = start();
    w.setBusy(true);
    EXPECT_FALSE(w.PageControl1->isEnabled());
    EXPECT_FALSE(w.SystemMenu->menuAction()->isEnabled());
    EXPECT_FALSE(w.HelpMenu->menuAction()->isEnabled());
    w.setBusy(false);
    EXPECT_TRUE(w.PageControl1->isEnabled());
    EXPECT_TRUE(w.ThemeMenu->menuAction()->isEnabled());
}
