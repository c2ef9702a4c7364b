#include "archive/archive_formats.h"
#include "archive/rar_backend.h"
#include "archive/zip_backend.h"
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
    archives::ArchiveBackends& backends = w.context().backends;
    const archives::TdRar3& rar = backends.backend<archives::RarArchiveBackend>().component();
    const archives::TZipMaster& zip = backends.backend<archives::ZipArchiveBackend>().component();
    EXPECT_EQ(rar.NameofUnrarDll, u"libunrar.so.5"_s);
    control<ValueListEditor>(w, u"VLE"_s)->setValue(1, game);
    control<QPushButton>(w, u"bConfigSave"_s)->click();
    EXPECT_EQ(zip.ExtrBaseDir, w.state().TempDir);
    EXPECT_EQ(rar.TargetDirectory, w.state().TempDir);
}
