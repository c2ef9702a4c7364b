#include "archive/rar_archive.h"
#include "archive/zip_master.h"
#include "core/temp_folder.h"
#include "install/placement.h"
#include "placement_fixture.h"
#include "platform/errors.h"
#include "platform/folder_index.h"
#include "support/zip_builder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::PlacementBed;
using testing_support::PlacementFixture;

namespace {

struct TableRow {
    const char* tempName;
    const char* destination; ///< below the game folder; nullptr: not placed
    bool extra;              ///< placed only with InstallExtraFiles
};

// The placement table, with the name rules of each step; the archive is
// DM-Foo.zip. Extensions ignore case, but a ".u" file ends in ".u" and
// nothing longer: "FOO.U" goes to System, "Foo.uc" nowhere.
const TableRow kTable[] = {
    {"Anim.ukx", "Animations/Anim.ukx", false},
    {"DM-A.ut2", "Maps/DM-A.ut2", false},
    {"Song.OGG", "Music/Song.OGG", false},
    {"Snd.uax", "Sounds/Snd.uax", false},
    {"Mesh.usx", "StaticMeshes/Mesh.usx", false},
    {"Tex.utx", "Textures/Tex.utx", false},
    {"Car.ka", "KarmaData/Car.ka", false},
    {"Mut.u", "System/Mut.u", false},
    {"FOO.U", "System/FOO.U", false},
    {"Mut.ucl", "System/Mut.ucl", false},
    {"Mut.upl", "System/Mut.upl", false},
    {"Mut.ini", "System/Mut.ini", false},
    {"Mut.int", "System/Mut.int", false},
    {"Shot.jpg", "Help/DM-Foo-1.jpg", true},
    {"Shot.GIF", "Help/DM-Foo-1.gif", true},
    {"Shot.bmp", "Help/DM-Foo-1.bmp", true},
    {"Mut.hlp", "Help/Mut.hlp", true},
    {"ReadMe.TXT", "Help/DM-Foo-readme.txt", true},
    {"notes.txt", "Help/notes.txt", true},
    {"readme.doc", "Help/DM-Foo-readme.doc", true},
    {"readme.rtf", "Help/DM-Foo-readme.rtf", true},
    {"README.htm", "Help/DM-Foo-readme.htm", true},
    {"readme.html", "Help/DM-Foo-readme.html", true},
    {"page.html", "Help/page.html", true},
    {"Mut.uc", nullptr, false},
    {"Tex.utx.bak", nullptr, false},
    {"readme", nullptr, false},
    {"setup.exe", nullptr, false},
};

TEST(PlacementTable, EachExtensionGoesToItsFolderUnderItsName) {
    for (const bool extraOn : {true, false}) {
        for (const TableRow& row : kTable) {
            const QString name = QString::fromUtf8(row.tempName);
            SCOPED_TRACE((name + (extraOn ? u" extra on"_s : u" extra off"_s)).toStdString());
            PlacementBed bed;
            bed.core.state.InstallExtraFiles = extraOn;
            bed.run.ProgressText = u"  Installing DM-Foo"_s;
            bed.temp(name, "data");

            install::CopyToGameFolders(bed.ctx(), bed.run, false,
                                       bed.tree.path(u"archives/DM-Foo.zip"_s));

            const bool placed = row.destination && (extraOn || !row.extra);
            if (placed) {
                EXPECT_EQ(bed.filesIn(u"game"_s), QStringList{QString::fromUtf8(row.destination)});
                EXPECT_EQ(bed.tree.read(u"game/"_s + QString::fromUtf8(row.destination)), "data");
                EXPECT_EQ(bed.filesIn(u"Temp"_s), QStringList{});
                EXPECT_EQ(bed.run.ProgressDone, 1);
                // A renamed readme shows its new name, an image its old one.
                const QString shown = name.startsWith(u"readme"_s, Qt::CaseInsensitive)
                                          ? QString::fromUtf8(row.destination).mid(5)
                                          : name;
                EXPECT_EQ(bed.status.status(), u"  Installing DM-Foo... Copying "_s + shown);
            } else {
                EXPECT_EQ(bed.filesIn(u"game"_s), QStringList{});
                EXPECT_EQ(bed.filesIn(u"Temp"_s), QStringList{name});
                EXPECT_EQ(bed.run.ProgressDone, 0);
            }
        }
    }
}

TEST_F(PlacementFixture, StepsRunInTableOrderAndImagesCountPerExtension) {
    core.state.InstallExtraFiles = true;
    temp(u"b.jpg"_s, "b");
    temp(u"A.JPG"_s, "a");
    temp(u"c.gif"_s, "c");
    temp(u"z.ukx"_s);
    QStringList shown;
    struct Recorder : platform::StatusSink {
        QStringList* out;
        void setStatus(const QString& t) override { out->append(t); }
        QString status() const override { return out->value(out->size() - 1); }
    };
    Recorder recorder;
    recorder.out = &shown;
    CommandContext recording{ctx().state, ctx().dialogs,   recorder,     ctx().backends,
                             ctx().trash, ctx().processes, ctx().folders};

    install::CopyToGameFolders(recording, run, false, tree.path(u"archives/DM-Foo.big.rar"_s));

    // Four characters from the first ".": DM-Foo.big.rar gives DM-Foo.rar.
    EXPECT_EQ(filesIn(u"game/Help"_s),
              (QStringList{u"DM-Foo.rar-1.gif"_s, u"DM-Foo.rar-1.jpg"_s, u"DM-Foo.rar-2.jpg"_s}));
    EXPECT_EQ(tree.read(u"game/Help/DM-Foo.rar-1.jpg"_s), "a");
    EXPECT_EQ(tree.read(u"game/Help/DM-Foo.rar-2.jpg"_s), "b");
    EXPECT_EQ(shown, (QStringList{u"... Copying z.ukx"_s, u"... Copying A.JPG"_s,
                                  u"... Copying b.jpg"_s, u"... Copying c.gif"_s}));
    EXPECT_EQ(run.ProgressDone, 4);
}

TEST_F(PlacementFixture, ArchiveStemComesFromTheArchivesName) {
    EXPECT_EQ(install::ArchiveStem(tree.path(u"DM-Zip.zip"_s)), u"DM-Zip"_s);
    EXPECT_EQ(install::ArchiveStem(tree.path(u"a/DM-Rar.RAR"_s)), u"DM-Rar"_s);
    EXPECT_EQ(install::ArchiveStem(QString()), QString());
    EXPECT_EQ(install::ArchiveStem(u"/x/DM-Pkg.ut2"_s), QString());

    // The cache page passes no extension: the help files get no stem.
    core.state.InstallExtraFiles = true;
    temp(u"readme.txt"_s);
    temp(u"shot.bmp"_s);
    install::CopyToGameFolders(ctx(), run, false, QString());
    EXPECT_EQ(filesIn(u"game/Help"_s), (QStringList{u"-1.bmp"_s, u"-readme.txt"_s}));
}

TEST_F(PlacementFixture, ExistingFileInAnotherCaseIsOverwrittenNotDuplicated) {
    game(u"Textures/foo.utx"_s, "old");
    temp(u"Foo.utx"_s, "new");
    install::CopyToGameFolders(ctx(), run, false, u".zip"_s);
    EXPECT_EQ(filesIn(u"game/Textures"_s), QStringList{u"foo.utx"_s});
    EXPECT_EQ(tree.read(u"game/Textures/foo.utx"_s), "new");
}

TEST_F(PlacementFixture, FailIfExistsKeepsTheGameFileButStillCountsIt) {
    game(u"Textures/Foo.utx"_s, "old");
    temp(u"FOO.UTX"_s, "new");
    install::CopyToGameFolders(ctx(), run, true, u".zip"_s);
    EXPECT_EQ(filesIn(u"game/Textures"_s), QStringList{u"Foo.utx"_s});
    EXPECT_EQ(tree.read(u"game/Textures/Foo.utx"_s), "old");
    EXPECT_EQ(filesIn(u"Temp"_s), QStringList{});
    EXPECT_EQ(run.ProgressDone, 1);
}

TEST(PlacementFolders, GameFoldersInAnotherCaseAreUsedAndMissingOnesMade) {
    PlacementBed bed;
    bed.tree.gameFolder(u"other"_s, {u"SYSTEM"_s, u"maps"_s, u"textures"_s});
    bed.core.state.setGameDir(bed.tree.path(u"other"_s));
    // Appears after the settings were read: used, not made again as "animations".
    bed.tree.folder(u"other/Animations"_s);
    for (const QString& n : {u"DM-A.ut2"_s, u"T.utx"_s, u"M.u"_s, u"A.ukx"_s, u"S.ogg"_s})
        bed.temp(n);
    install::CopyToGameFolders(bed.ctx(), bed.run, false, u".zip"_s);
    EXPECT_EQ(bed.filesIn(u"other"_s),
              (QStringList{u"Animations/A.ukx"_s, u"SYSTEM/M.u"_s, u"maps/DM-A.ut2"_s,
                           u"music/S.ogg"_s, u"textures/T.utx"_s}));
}

TEST_F(PlacementFixture, ReadOnlyTempFileIsPlacedWritable) {
    const QString file = temp(u"Foo.u"_s);
    QFile::setPermissions(file, QFile::permissions(file) & ~QFileDevice::WriteOwner);
    install::CopyToGameFolders(ctx(), run, false, u".zip"_s);
    EXPECT_TRUE(tree.exists(u"game/System/Foo.u"_s));
    EXPECT_FALSE(tree.exists(u"Temp/Foo.u"_s));
}

// --- .int merging ---

TEST_F(PlacementFixture, GameIntFilesAreMergedAfterABackupAndNotCounted) {
    game(u"System/XPlayers.int"_s, "[Public]\r\nPlayer=(A)\r\n");
    temp(u"XPlayers.int"_s, "Player=(B)\nPlayer=(C)\rPlayer=(D)\r\n\r\nLast");
    temp(u"MyXMapsPack.int"_s, "[Public]\r\nObject=(M)\r\n");
    temp(u"Other.int"_s, "copied");

    install::CopyToGameFolders(ctx(), run, false, u".zip"_s);

    EXPECT_EQ(tree.read(u"game/System/XPlayers.int.old"_s), "[Public]\r\nPlayer=(A)\r\n");
    EXPECT_EQ(
        tree.read(u"game/System/XPlayers.int"_s),
        "[Public]\r\nPlayer=(A)\r\n\r\nPlayer=(B)\r\nPlayer=(C)\r\nPlayer=(D)\r\n\r\nLast\r\n");
    // No game file of that name: made, with the empty line first.
    EXPECT_EQ(tree.read(u"game/System/MyXMapsPack.int"_s), "\r\n[Public]\r\nObject=(M)\r\n");
    EXPECT_FALSE(tree.exists(u"game/System/MyXMapsPack.int.old"_s));
    EXPECT_EQ(tree.read(u"game/System/Other.int"_s), "copied");
    // The merged files stay in Temp for the caller to delete.
    EXPECT_EQ(filesIn(u"Temp"_s), (QStringList{u"MyXMapsPack.int"_s, u"XPlayers.int"_s}));
    EXPECT_EQ(run.ProgressDone, 1);
}

TEST_F(PlacementFixture, MergeFindsTheGameFileIgnoringCaseAndReplacesTheOldBackup) {
    game(u"System/xweapons.int"_s, "game");
    game(u"System/XWEAPONS.INT.OLD"_s, "older backup");
    temp(u"XWeapons.int"_s, "mod");
    install::MergeIntFile(ctx(), u"XWeapons.int"_s);
    EXPECT_EQ(filesIn(u"game/System"_s), (QStringList{u"XWEAPONS.INT.OLD"_s, u"xweapons.int"_s}));
    EXPECT_EQ(tree.read(u"game/System/XWEAPONS.INT.OLD"_s), "game");
    EXPECT_EQ(tree.read(u"game/System/xweapons.int"_s), "game\r\nmod\r\n");
}

TEST_F(PlacementFixture, MergeOfAMissingTempFileThrowsAndLeavesTheGameFile) {
    game(u"System/XMaps.int"_s, "game");
    try {
        install::MergeIntFile(ctx(), u"XMaps.int"_s);
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.text().startsWith(u"Cannot open file \""_s + core.state.TempDir +
                                        u"/XMaps.int\". "_s))
            << e.text().toStdString();
    }
    EXPECT_EQ(tree.read(u"game/System/XMaps.int"_s), "game");
}

// --- the whole placement of an extracted archive ---

TEST_F(PlacementFixture, ExtractedFoldersAreFlattenedAndPlacedByExtension) {
    const QString zip = tree.folder(u"archives"_s) + u"/MutFoo.zip"_s;
    ASSERT_TRUE(testing_support::ZipBuilder()
                    .file(u"System/Foo.u"_s, "code")
                    .file(u"Textures/Foo.utx"_s, "tex")
                    .file(u"Help/readme"_s, "no extension")
                    .file(u"setup.exe"_s, "exe")
                    .write(zip));
    core.ZipMaster1.ExtrBaseDir = core.state.TempDir;
    core.ZipMaster1.ExtrOptions = archives::TZipMaster::ExtrDirNames;
    core.ZipMaster1.setZipFileName(zip);
    ASSERT_EQ(core.ZipMaster1.Extract(), 0);
    int passes = 1;
    while (!core::FlattenTempFolder(ctx()) && passes < 10)
        ++passes;

    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));

    EXPECT_EQ(tree.read(u"game/System/Foo.u"_s), "code");
    EXPECT_EQ(tree.read(u"game/Textures/Foo.utx"_s), "tex");
    EXPECT_EQ(filesIn(u"Temp"_s), (QStringList{u"readme"_s, u"setup.exe"_s}));
    EXPECT_EQ(run.ProgressDone, 2);
}

TEST_F(PlacementFixture, OkNeedsAPlacedFileInTheRun) {
    temp(u"setup.exe"_s);
    EXPECT_FALSE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));
    // An earlier archive of the run placed files: still ok.
    run.ProgressDone = 3;
    EXPECT_TRUE(install::PlaceExtractedFiles(ctx(), run, u".zip"_s));
}

} // namespace
