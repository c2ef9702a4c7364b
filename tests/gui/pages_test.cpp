// Each page is built from a command context alone, as later commands will
// be tested: no main window around it.
#include "controls.h"
#include "core/app_core.h"
#include "core/command_boundary.h"
#include "core/content_db.h"
#include "gui/cache_page.h"
#include "gui/config_page.h"
#include "gui/content_page_rows.h"
#include "gui/demos_page.h"
#include "gui/maps_page.h"
#include "gui/uz2_page.h"
#include "gui/value_list_editor.h"
#include "intake/folder_search.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::FakeDialogs;
using testing_support::TempTree;

namespace {

TContentRecord record(const QString& archive, const QString& shown, quint8 installed, qint32 kind) {
    TContentRecord r;
    r.ArchiveName = archive;
    r.DisplayName = shown;
    r.Installed = installed;
    r.Kind = kind;
    return r;
}

class PagesTest : public ::testing::Test {
protected:
    PagesTest()
        : core(dialogs, status),
          commands(core.state, [this](const QString& text) { dialogs.errorMessage(text); }) {
        core.state.ProgramDir = tree.folder(u"prog"_s);
        core.state.TempDir = tree.folder(u"prog/Temp"_s);
        core.state.StartingUp = false;
        content_db::CreateMissingFiles(core.state);
    }

    TempTree tree;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
    intake::TmFileScan fScan;
    CommandBoundary commands;
};

} // namespace

TEST_F(PagesTest, ContentPagesListTheRecordsAndKeepTheirBoxesAsTheyShould) {
    content_db::WriteAll(core.state.mapDataPath(), {record(u"DM-Deck.zip"_s, u"DM-Deck"_s, 0, 0),
                                                    record(u"CTF-Face.zip"_s, u"CTF-Face"_s, 0, 0),
                                                    record(u"DM-Old.zip"_s, u"DM-Old"_s, 1, 0)});
    content_db::WriteAll(core.state.modDataPath(), {record(u"Mut.zip"_s, u"FastMut"_s, 0, 0),
                                                    record(u"Skin.zip"_s, u"RedSkin"_s, 1, 2)});
    MapsPage maps(core.context(), commands);
    QCheckBox* DelZip = control<QCheckBox>(maps, u"DelZip"_s);
    const QListWidget* LBinst = control<QListWidget>(maps, u"LBinst"_s);
    DelZip->setChecked(true);
    maps.TabShow();
    EXPECT_FALSE(DelZip->isChecked());
    ASSERT_EQ(LBinst->count(), 2);
    EXPECT_EQ(LBinst->item(0)->text(), u"CTF-Face.zip"_s);
    EXPECT_EQ(control<QListWidget>(maps, u"LBun"_s)->item(0)->text(), u"DM-Old"_s);
    EXPECT_EQ(status.status(), u"  1 maps listed as installed and 2 maps as not installed"_s);

    // A filter change reloads the lists only: the delete box stays ticked.
    DelZip->setChecked(true);
    QComboBox* Filter1 = control<QComboBox>(maps, u"Filter1"_s);
    // Tab runs along the install row (the button, the filter) before the
    // right-hand row, as it always has.
    EXPECT_EQ(control<QPushButton>(maps, u"bInstallMaps"_s)->nextInFocusChain(), Filter1);
    EXPECT_EQ(Filter1->nextInFocusChain(), DelZip);
    Filter1->setCurrentIndex(Filter1->findData(u"DM"_s));
    ASSERT_EQ(LBinst->count(), 1);
    EXPECT_EQ(LBinst->item(0)->text(), u"DM-Deck.zip"_s);
    EXPECT_TRUE(DelZip->isChecked());
    EXPECT_EQ(status.status(), u"  1 maps listed as installed and 1 maps as not installed"_s);

    using catalogue::ContentKind;
    ContentPage mutators(ContentKind::Mutators, contentPageRow(ContentKind::Mutators).names,
                         core.context(), commands);
    ContentPage skins(ContentKind::Skins, contentPageRow(ContentKind::Skins).names, core.context(),
                      commands);
    mutators.setPartner(&skins);
    skins.setPartner(&mutators);
    // Each page's controls carry the names of that page.
    const QStringList mutatorNames = {u"LBMuts"_s, u"LBunMuts"_s, u"bInstMuts"_s, u"delMut"_s,
                                      u"bUninstMuts"_s};
    const QStringList skinNames = {u"LBSkin"_s, u"LBUnskin"_s, u"bInstSkin"_s, u"delSkin"_s,
                                   u"bUninstSkin"_s};
    for (int i = 0; i < mutatorNames.size(); ++i) {
        EXPECT_TRUE(mutators.findChild<QWidget*>(mutatorNames[i])) << i;
        EXPECT_FALSE(mutators.findChild<QWidget*>(skinNames[i])) << i;
        EXPECT_TRUE(skins.findChild<QWidget*>(skinNames[i])) << i;
        EXPECT_FALSE(skins.findChild<QWidget*>(mutatorNames[i])) << i;
    }
    control<QCheckBox>(mutators, u"delMut"_s)->setChecked(true);
    control<QCheckBox>(skins, u"delSkin"_s)->setChecked(true);
    skins.TabShow();
    EXPECT_FALSE(control<QCheckBox>(mutators, u"delMut"_s)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(skins, u"delSkin"_s)->isChecked());
    EXPECT_EQ(control<QListWidget>(skins, u"LBUnskin"_s)->item(0)->text(), u"RedSkin"_s);
    EXPECT_EQ(control<QListWidget>(skins, u"LBSkin"_s)->count(), 0);
    EXPECT_EQ(status.status(), u"  1 skins listed as installed and 0 skins as not installed"_s);
    mutators.TabShow();
    EXPECT_EQ(control<QListWidget>(mutators, u"LBMuts"_s)->item(0)->text(), u"FastMut"_s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(PagesTest, ConfigPageSavesThroughTheBoundaryAndReportsAWriteFailure) {
    ConfigPage page(core.context(), commands);
    page.prepareConfigEditor();
    QSignalSpy saved(&page, &ConfigPage::saved);
    const QString game = tree.gameFolder(u"game"_s);
    tree.file(u"game/System/ut2004-bin-linux-amd64"_s, "#!/bin/sh\n");
    page.showRows({game, u"/maps"_s});
    control<ValueListEditor>(page, u"VLE"_s)->setValue(ConfigPage::SubDirsRow, u"Yes"_s);
    control<QPushButton>(page, u"bConfigSave"_s)->click();
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(core.state.GameDir, game);
    EXPECT_EQ(core.state.SystemDir, game + u"/System/"_s);
    EXPECT_EQ(status.status(), u"  Saving configuration."_s);
    EXPECT_TRUE(tree.read(u"prog/Quorvel.ini"_s).startsWith("DO NOT EDIT THIS FILE\r\n"));

    // A folder where the file belongs: the general error handler says why.
    QFile::remove(core.state.settingsPath());
    tree.folder(u"prog/Quorvel.ini"_s);
    control<QPushButton>(page, u"bConfigSave"_s)->click();
    EXPECT_EQ(saved.count(), 1);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, testing_support::ShownDialog::ErrorBox);
    EXPECT_TRUE(dialogs.shown[0].text.contains(u"Quorvel.ini"_s))
        << dialogs.shown[0].text.toStdString();
}

TEST_F(PagesTest, ToolPagesResetWhenShown) {
    CachePage cache(core.context(), commands);
    QButtonGroup* rbCache = choices(cache, u"rbCache"_s);
    rbCache->button(3)->setChecked(true);
    control<QPushButton>(cache, u"bInstallCache"_s)->setText(u"Delete"_s);
    control<QCheckBox>(cache, u"CacheBox"_s)->setChecked(true);
    cache.TabCacheShow();
    EXPECT_TRUE(rbCache->button(0)->isChecked());
    EXPECT_EQ(control<QPushButton>(cache, u"bInstallCache"_s)->text(), u"Install"_s);
    EXPECT_FALSE(control<QCheckBox>(cache, u"CacheBox"_s)->isChecked());

    Uz2Page uz2(core.context(), commands);
    QListWidget* LBUz = control<QListWidget>(uz2, u"LBUz"_s);
    QButtonGroup* rbUzAction = choices(uz2, u"rbUzAction"_s);
    core.state.ListBox3 = {u"/a/x.uz2"_s};
    LBUz->addItem(u"x.uz2"_s);
    rbUzAction->button(1)->setChecked(true);
    control<QCheckBox>(uz2, u"cbUzDelete"_s)->setChecked(true);
    uz2.TabUZShow();
    EXPECT_TRUE(core.state.ListBox3.isEmpty());
    EXPECT_EQ(LBUz->count(), 0);
    EXPECT_TRUE(rbUzAction->button(0)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(uz2, u"cbUzDelete"_s)->isChecked());
    EXPECT_EQ(status.status(), u"  Handle .uz2-compressed files"_s);
    EXPECT_EQ(control<QPushButton>(uz2, u"bGoUz2"_s)->text(), u"Go"_s);

    DemosPage demos(core.context(), commands, fScan);
    QLabel* StatusBar2 = control<QLabel>(demos, u"StatusBar2"_s);
    StatusBar2->setText(u"  Name: x.demo4"_s);
    demos.TabDemosShow();
    EXPECT_EQ(StatusBar2->text(), u"  Name: "_s);
    EXPECT_EQ(control<QLabel>(demos, u"StatusBar3"_s)->text(), u"  Location: "_s);
    EXPECT_TRUE(control<QFrame>(demos, u"DemoWarning"_s)->isHidden());
    EXPECT_EQ(control<QPushButton>(demos, u"bRunDemo"_s)->text(), u"Launch"_s);
    EXPECT_EQ(control<QPushButton>(demos, u"bDemoDelete"_s)->text(), u"Delete"_s);
}
