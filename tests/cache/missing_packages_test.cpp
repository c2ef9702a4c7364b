// The packages content imports and the game lacks: names and extensions
// from import tables, the look-up in the archive and the game folders, the
// cache of what was read, the question before an install and Verify's list.
#include "cache/missing_packages.h"
#include "core/app_core.h"
#include "core/content_db.h"
#include "install/install.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/install_archives.h"
#include "support/package_writer.h"
#include "support/tree_builder.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using testing_support::ArchiveFiles;
using testing_support::ImportedObject;
using testing_support::packageImporting;

namespace {

/// A map as the game's editor saves one: the game's code packages, a
/// texture of the game, and whatever else `more` imports.
QByteArray mapImporting(const QList<ImportedObject>& more) {
    QList<ImportedObject> objects = {{"Engine", "Class", "LevelInfo"},
                                     {"Core", "Class", "Object"},
                                     {"GameTex", "Texture", "Stone"}};
    return packageImporting(objects + more);
}

class MissingPackagesTest : public ::testing::Test {
protected:
    MissingPackagesTest() : oldHome_(qgetenv("HOME")), core(dialogs, status) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
        AppState& s = core.state;
        s.ProgramDir = tree.folder(u"prog"_s);
        s.TempDir = tree.folder(u"prog/Temp"_s);
        s.setGameDir(tree.gameFolder());
        s.clock = platform::Clock([] { return QDate(2024, 6, 1); });
        content_db::CreateMissingFiles(s);
        tree.file(u"game/System/Core.u"_s, "code");
        tree.file(u"game/System/Engine.u"_s, "code");
        // The game's files are found whatever the case of their names.
        tree.file(u"game/Textures/GAMETEX.utx"_s, "textures");
        archives = tree.folder(u"archives"_s) + u'/';
    }
    ~MissingPackagesTest() override { qputenv("HOME", oldHome_); }

    TContentRecord archive(const QString& name, const ArchiveFiles& files) {
        EXPECT_TRUE(testing_support::writeZip(archives + name, files));
        return testing_support::scannedRecord(name, archives, name.chopped(4), 0, files);
    }

    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    QByteArray oldHome_;
    AppCore core;
    QString archives;
};

} // namespace

TEST(PackageImportsTest, PackagesAreNamedByTheClassesOfTheirObjects) {
    const std::pair<const char16_t*, const char16_t*> table[] = {
        {u"Texture", u".utx"},      {u"shader", u".utx"},     {u"FinalBlend", u".utx"},
        {u"Sound", u".uax"},        {u"StaticMesh", u".usx"}, {u"MeshAnimation", u".ukx"},
        {u"SkeletalMesh", u".ukx"}, {u"Class", u".u"},        {u"MyMutatorActor", u".u"},
    };
    for (const auto& [className, ext] : table)
        EXPECT_EQ(cache::extensionForClass(QString::fromUtf16(className)), QString::fromUtf16(ext))
            << QString::fromUtf16(className).toStdString();

    // A group inside a package (class Package) says nothing of its kind;
    // the package's own name is no import; each package comes once.
    testing_support::PackageSpec layout;
    for (const char* n : {"Core", "Package", "Engine", "Texture", "Sounds", "Sound", "Rocks",
                          "Granite", "Boom", "DM-Self", "Class", "Actor", "Hall"})
        layout.names.append({QByteArray(n), 0, std::nullopt});
    layout.imports = {
        {0, 1, 0, 2},    // Engine
        {0, 1, 0, 4},    // Sounds
        {0, 1, -2, 6},   // Sounds.Rocks, a group
        {2, 3, -3, 7},   // Sounds.Rocks.Granite, a texture after all
        {2, 5, -2, 8},   // Sounds.Boom
        {0, 1, 0, 9},    // the package itself
        {0, 10, -1, 11}, // Engine.Actor
        {0, 1, 0, 4},    // Sounds again
        {0, 1, -99, 12}, // an outer import past the table: taken as it stands
    };
    QBuffer bytes;
    bytes.setData(testing_support::packageBytes(layout));
    ASSERT_TRUE(bytes.open(QIODevice::ReadOnly));
    cache::TUTPackage package;
    package.OpenPackage(bytes, u"DM-Self.ut2"_s);
    EXPECT_EQ(cache::importedPackages(package, u"dm-self"_s),
              (QList<cache::ImportedPackage>{
                  {u"Engine"_s, u".u"_s}, {u"Sounds"_s, u".utx"_s}, {u"Hall"_s, u".u"_s}}));
}

TEST_F(MissingPackagesTest, AnArchiveNeedsWhatNeitherItNorTheGameHoldsAndIsReadOnce) {
    CommandContext& ctx = core.context();
    const QByteArray map = mapImporting({{"OwnTex", "Texture", "Wall"},
                                         {"FooTex", "Texture", "Rock"},
                                         {"BarSnd", "Sound", "Boom"}});
    const QByteArray ownTex = packageImporting({{"Engine", "Class", "Texture"}});
    TContentRecord rec = archive(u"DM-X.zip"_s, {{u"Maps/DM-X.ut2"_s, map},
                                                 {u"Textures/OwnTex.utx"_s, ownTex},
                                                 {u"Broken.utx"_s, "no package"},
                                                 {u"readme.txt"_s, "read me"}});
    cache::ImportsCache imports;
    cache::ContentNeeds needs = cache::NeedsOf(ctx, rec, imports);
    EXPECT_EQ(needs.missing, (QStringList{u"FooTex.utx"_s, u"BarSnd.uax"_s}));
    EXPECT_EQ(needs.unreadable, QStringList{u"Broken.utx"_s});
    EXPECT_EQ(cache::needsLine(needs), u"Needs FooTex.utx, BarSnd.uax; unreadable: Broken.utx"_s);
    EXPECT_EQ(imports.reads(), 1);
    EXPECT_TRUE(QDir(core.state.TempDir).isEmpty());

    // Asked again: answered from memory while the archive is unchanged.
    EXPECT_EQ(cache::NeedsOf(ctx, rec, imports).missing, needs.missing);
    EXPECT_EQ(imports.reads(), 1);

    // A new archive under the same name is read anew: it ships the textures.
    rec = archive(u"DM-X.zip"_s,
                  {{u"DM-X.ut2"_s, map}, {u"OwnTex.utx"_s, ownTex}, {u"FooTex.utx"_s, ownTex}});
    needs = cache::NeedsOf(ctx, rec, imports);
    EXPECT_EQ(needs.missing, QStringList{u"BarSnd.uax"_s});
    EXPECT_TRUE(needs.unreadable.isEmpty());
    EXPECT_EQ(imports.reads(), 2);

    // Shipping nothing it imports from elsewhere, a map needs nothing.
    const TContentRecord fine =
        archive(u"DM-Fine.zip"_s, {{u"DM-Fine.ut2"_s, mapImporting({{"OwnTex", "Texture", "W"}})},
                                   {u"OwnTex.utx"_s, ownTex}});
    EXPECT_EQ(cache::needsLine(cache::NeedsOf(ctx, fine, imports)), u"Needs nothing missing"_s);

    // An archive that is gone cannot be read; no game folder, no judgement.
    QFile::remove(archives + u"DM-Fine.zip"_s);
    EXPECT_EQ(cache::NeedsOf(ctx, fine, imports).unreadable,
              (QStringList{u"DM-Fine.ut2"_s, u"OwnTex.utx"_s}));
    core.state.GameDir.clear();
    EXPECT_TRUE(cache::NeedsOf(ctx, rec, imports).noGame);
}

TEST_F(MissingPackagesTest, InstallAsksOncePerArchiveAndVerifyListsWhatIsStillMissing) {
    CommandContext& ctx = core.context();
    cache::AskBeforeInstall(ctx, std::make_shared<cache::ImportsCache>());
    const QByteArray needy = mapImporting({{"FooTex", "Texture", "Rock"}});
    content_db::WriteAll(core.state.mapDataPath(),
                         {archive(u"DM-A.zip"_s, {{u"DM-A.ut2"_s, needy}}),
                          archive(u"DM-B.zip"_s, {{u"DM-B.ut2"_s, needy}}),
                          archive(u"DM-C.zip"_s, {{u"DM-C.ut2"_s, needy}}),
                          archive(u"DM-D.zip"_s, {{u"DM-D.ut2"_s, mapImporting({})}})});
    dialogs.buttonAnswers = {platform::No, platform::YesToAll};
    const install::InstallResult result = install::InstallArchives(
        ctx, ContentKind::Maps,
        catalogue::firstEntries({u"DM-A.zip"_s, u"DM-B.zip"_s, u"DM-C.zip"_s, u"DM-D.zip"_s}),
        false);
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text,
              u"DM-A needs FooTex.utx, which are not installed. Install anyway?"_s);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Yes | platform::No | platform::YesToAll);
    EXPECT_EQ(dialogs.shown[1].text,
              u"DM-B needs FooTex.utx, which are not installed. Install anyway?"_s);
    // Refused like an archive whose existing file was refused.
    EXPECT_EQ(result.ProgressTotal, 3);
    EXPECT_TRUE(result.FailedArchives.isEmpty());
    const QList<TContentRecord> maps = content_db::ReadAll(core.state.mapDataPath());
    EXPECT_EQ(maps[0].Installed, 0);
    EXPECT_EQ(maps[1].Installed, 1);
    EXPECT_EQ(maps[2].Installed, 1);
    EXPECT_EQ(maps[3].Installed, 1);

    // Verify reads the installed packages where the game has them.
    cache::ImportsCache imports;
    const QList<cache::InstalledNeeds> listed = cache::InstalledWithMissingImports(ctx, imports);
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].entry, catalogue::ListEntry(u"DM-B"_s));
    EXPECT_EQ(listed[1].archiveName, u"DM-C.zip"_s);
    EXPECT_EQ(listed[1].needs.missing, QStringList{u"FooTex.utx"_s});
    // The texture package arrives: nothing is missing any more.
    tree.file(u"game/Textures/footex.UTX"_s, "texture");
    ctx.folders.clear();
    EXPECT_TRUE(cache::InstalledWithMissingImports(ctx, imports).isEmpty());
}
