#include "archive/rar_archive.h"
#include "archive/zip_master.h"
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
    EXPECT_EQ(w.context().rar.NameofUnrarDll, u"libunrar.so.5"_s);
    control<ValueListEditor>(w, u"VLE"_s)->setValue(1, game);
    control<QPushButton>(w, u"bConfigSave"_s)->click();
    EXPECT_EQ(w.context().zip.ExtrBaseDir, w.state().TempDir);
    EXPECT_EQ(w.context().rar.TargetDirectory, w.state().TempDir);
}

TEST_F(ArchiveHandlersTest, RarListingFillsTheHiddenList) {
    TForm1& w = start();
    const QString archive = tree.path(u"DM-Two.rar"_s);
    ASSERT_TRUE(writeRar4Archive(archive, {Rar4Entry::file("Maps\\DM-Two.ut2", "map"),
                                           Rar4Entry::file("readme.txt", "hi")}));
    for (auto backend : {archives::RarBackend::UnrarOnly, archives::RarBackend::LibarchiveOnly}) {
        w.state().ListBox1.clear();
        w.context().rar.Backend = backend;
        w.context().rar.ArchiveFileName = archive;
        EXPECT_EQ(w.context().rar.List(), 10);
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
    w.context().rar.Backend = archives::RarBackend::UnrarOnly;
    w.context().rar.ArchiveFileName = archive;
    w.context().rar.TargetDirectory = w.state().TempDir;
    dialogs.inputAnswers.push_back(u"sesame"_s);
    EXPECT_EQ(w.context().rar.Extract(), 10);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, ShownDialog::Input);
    EXPECT_EQ(dialogs.shown[0].caption, archive);
    EXPECT_EQ(dialogs.shown[0].text, u"Password needed"_s);
    EXPECT_EQ(tree.read(u"prog/Temp/secret.txt"_s), "hidden words");
    EXPECT_EQ(w.status(), u"  Extracting secret.txt"_s);

    QFile::remove(prog(u"Temp/secret.txt"_s));
    dialogs.inputAnswers.push_back(std::nullopt); // cancelled: the empty password
    EXPECT_EQ(w.context().rar.Extract(), 22);
    EXPECT_FALSE(QFileInfo::exists(prog(u"Temp/secret.txt"_s)));
}

TEST_F(ArchiveHandlersTest, ZipProgressShowsTheFileNameAfterTheProgressText) {
    TForm1& w = start();
    const QString archive = tree.path(u"CTF-A.zip"_s);
    ASSERT_TRUE(ZipBuilder().file(u"Maps/CTF-A.ut2"_s, "map").write(archive));
    w.state().ProgressText = u"  Installing "_s;
    w.context().zip.setZipFileName(archive);
    w.context().zip.ExtrBaseDir = w.state().TempDir;
    EXPECT_EQ(w.context().zip.Extract(), 0);
    EXPECT_EQ(w.status(), u"  Installing CTF-A.ut2"_s);
    EXPECT_TRUE(QFileInfo::exists(prog(u"Temp/CTF-A.ut2"_s)));
}
