#include "archive/rar_archive.h"
#include "gui/config_page.h"
#include "gui/value_list_editor.h"
#include "window_fixture.h"

#include <QPushButton>

using namespace Qt::Literals::StringLiterals;
using namespace testing_support;

namespace {
using ArchiveHandlersTest = WindowFixture;
}

TEST_F(ArchiveHandlersTest, ComponentsExtractIntoTempOnceSettingsApply) {
    const QString game = tree.gameFolder(u"game"_s);
    tree.file(u"game/System/UT2004.exe"_s);
    TForm1& w = start();
    EXPECT_EQ(w.dRar31->NameofUnrarDll, u"libunrar.so.5"_s);
    w.TabConfig->VLE->setValue(1, game);
    w.TabConfig->bConfigSave->click();
    EXPECT_EQ(w.ZipMaster1->ExtrBaseDir, w.state().TempDir);
    EXPECT_EQ(w.dRar31->TargetDirectory, w.state().TempDir);
}
