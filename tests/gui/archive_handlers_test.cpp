#include "archive/rar_archive.h"
#include "archive/zip_master.h"
#include "gui/config_page.h"
#include "gui/maps_page.h"
#include "gui/value_list_editor.h"
#include "support/rar4_writer.h"
#include "support/rar_tool.h"
#include "support/zip_builder.h"
#include "window_fixture.h"

#include <QFileInfo>
#include <QListWidget>
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

TEST_F(ArchiveHandlersTest, RarListingFillsTheHiddenList) {
    TForm1& w = start();
    const QString archive = tree.path(u"DM-Two.rar"_s);
    ASSERT_TRUE(writeRar4Archive(archive, {Rar4Entry::file("Maps\\DM-Two.ut2", "map"),
                                           Rar4Entry::file("readme.txt", "hi")}));
    for (auto backend : {archives::RarBackend::UnrarOnly, archives::RarBackend::LibarchiveOnly}) {
        w.state().ListBox1.clear();
        w.dRar31->Backend = backend;
        w.dRar31->ArchiveFileName = archive;
        EXPECT_EQ(w.dRar31->List(), 10);
        EXPECT_EQ(w.state().ListBox1, (QStringList{u"Maps/DM-Two.ut2"_s, u"readme.txt"_s}));
    }
}

TEST_F(ArchiveHandlersTest, PasswordIsAskedWithTheArchiveAsCaption) {
    if (rarToolPath().isEmpty())
        GTEST_SKIP() << "the rar command is not installed";
    tree.file(u"src/secret.txt"_s, "hidden words");
    const QString archive = tree.path(u"locked.rar"_s);
    ASSERT_EQ(runRarTool(tree.path(u"src"_s), {u"a"_s, u"-psesame"_s, archive, u"secret.txt"_s}),
              0);
    TForm1& w = start();
    w.state().ProgressText = u"  Extracting "_s;
    w.dRar31->Backend = archives::RarBackend::UnrarOnly;
    w.dRar31->ArchiveFileName = archive;
    w.dRar31->TargetDirectory = w.state().TempDir;
    dialogs.inputAnswers.push_back(u"sesame"_s);
    EXPECT_EQ(w.dRar31->Extract(), 10);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, ShownDialog::Input);
    EXPECT_EQ(dialogs.shown[0].caption, archive);
    EXPECT_EQ(dialogs.shown[0].text, u"Password needed"_s);
    EXPECT_EQ(tree.read(u"prog/Temp/secret.txt"_s), "hidden words");
    EXPECT_EQ(w.status(), u"  Extracting secret.txt"_s);

    QFile::remove(prog(u"Temp/secret.txt"_s));
    dialogs.inputAnswers.push_back(std::nullopt); // cancelled: the empty password
    EXPECT_EQ(w.dRar31->Extract(), 22);
    EXPECT_FALSE(QFileInfo::exists(prog(u"Temp/secret.txt"_s)));
}

TEST_F(ArchiveHandlersTest, ZipProgressShowsTheFileNameAfterTheProgressText) {
    TForm1& w = start();
    const QString archive = tree.path(u"CTF-A.zip"_s);
    ASSERT_TRUE(ZipBuilder().file(u"Maps/CTF-A.ut2"_s, "map").write(archive));
    w.state().ProgressText = u"  Installing "_s;
    w.ZipMaster1->setZipFileName(archive);
    w.ZipMaster1->ExtrBaseDir = w.state().TempDir;
    EXPECT_EQ(w.ZipMaster1->Extract(), 0);
    EXPECT_EQ(w.status(), u"  Installing CTF-A.ut2"_s);
    EXPECT_TRUE(QFileInfo::exists(prog(u"Temp/CTF-A.ut2"_s)));
}
