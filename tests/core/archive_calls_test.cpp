// The one way commands call the archive components: entries returned,
// progress in the caller's status line, the rar password asked through the
// caller's dialogs, and the components' settings put back after each call.
#include "archive/archive_formats.h"
#include "archive/rar_archive.h"
#include "archive/zip_master.h"
#include "core/app_core.h"
#include "core/archive_calls.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/rar4_writer.h"
#include "support/rar_tool.h"
#include "support/tree_builder.h"
#include "support/zip_builder.h"

#include <QFileInfo>
#include <QHash>

#include <functional>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace testing_support;

namespace {

class ArchiveCallsTest : public ::testing::Test {
protected:
    ArchiveCallsTest() : core(dialogs, status) {
        core.state.ProgramDir = tree.folder(u"prog"_s);
        core.state.TempDir = tree.folder(u"prog/Temp"_s);
    }
    CommandContext& ctx() { return core.context(); }
    /// The settings every call must leave as it found them.
    void expectComponentsUntouched() {
        EXPECT_EQ(core.ZipMaster1.ExtrOptions, archives::TZipMaster::ExtrOpts());
        EXPECT_EQ(core.ZipMaster1.ExtrBaseDir, u"/base"_s);
        EXPECT_FALSE(core.ZipMaster1.Unattended);
        EXPECT_TRUE(core.ZipMaster1.FSpecArgs.isEmpty());
        EXPECT_FALSE(core.ZipMaster1.OnItemProgress);
        EXPECT_EQ(core.dRar31.ArchiveFileName, u"/before.rar"_s);
        EXPECT_EQ(core.dRar31.TargetDirectory, u"/target"_s);
        EXPECT_TRUE(core.dRar31.FileListToProcess.isEmpty());
        EXPECT_FALSE(core.dRar31.OnFileAboutToBeExtracted);
        EXPECT_FALSE(core.dRar31.OnReqPassword);
    }
    void setUpComponents() {
        core.ZipMaster1.ExtrBaseDir = u"/base"_s;
        core.dRar31.ArchiveFileName = u"/before.rar"_s;
        core.dRar31.TargetDirectory = u"/target"_s;
    }

    TempTree tree;
    FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core;
};

} // namespace

TEST_F(ArchiveCallsTest, ListingsReturnTheEntriesInArchiveOrder) {
    setUpComponents();
    const QString rar = tree.path(u"DM-Two.rar"_s);
    ASSERT_TRUE(writeRar4Archive(
        rar, {Rar4Entry::file("Maps\\DM-Two.ut2", "map"), Rar4Entry::file("readme.txt", "hi")}));
    for (auto backend : {archives::RarBackend::UnrarOnly, archives::RarBackend::LibarchiveOnly}) {
        core.dRar31.Backend = backend;
        const core::ArchiveListing listing = core::ListArchive(ctx(), rar);
        EXPECT_TRUE(listing.result.ok) << listing.result.code;
        EXPECT_EQ(listing.entries, (QStringList{u"Maps/DM-Two.ut2"_s, u"readme.txt"_s}));
    }
    const QString zip = tree.path(u"CTF-A.ZIP"_s);
    ASSERT_TRUE(ZipBuilder().file(u"Maps/CTF-A.ut2"_s, "map").file(u"a.txt"_s, "t").write(zip));
    const core::ArchiveListing zipped = core::ListArchive(ctx(), zip);
    EXPECT_TRUE(zipped.result.ok);
    EXPECT_EQ(zipped.entries, (QStringList{u"Maps/CTF-A.ut2"_s, u"a.txt"_s}));
    expectComponentsUntouched();

    // A damaged rar keeps what was read and says it failed.
    tree.file(u"bad.rar"_s, "Rar!\x1a\x07\x00 not really");
    const core::ArchiveListing bad = core::ListArchive(ctx(), tree.path(u"bad.rar"_s));
    EXPECT_FALSE(bad.result.ok);
    EXPECT_FALSE(bad.result.error.isEmpty());
}

TEST_F(ArchiveCallsTest, ExtractionShowsProgressAndPutsTheComponentsBack) {
    setUpComponents();
    const QString zip = tree.path(u"CTF-A.zip"_s);
    ASSERT_TRUE(ZipBuilder().file(u"Maps/CTF-A.ut2"_s, "map").file(u"b.txt"_s, "b").write(zip));
    core::ExtractRequest flat{zip, core.state.TempDir, {u"Maps/CTF-A.ut2"_s}};
    flat.statusPrefix = u"  Installing "_s;
    const archives::ArchiveResult one = core::ExtractArchive(ctx(), flat);
    EXPECT_TRUE(one.ok);
    EXPECT_EQ(one.files, 1);
    EXPECT_EQ(status.status(), u"  Installing CTF-A.ut2"_s);
    EXPECT_EQ(tree.read(u"prog/Temp/CTF-A.ut2"_s), "map");
    EXPECT_FALSE(QFileInfo::exists(tree.path(u"prog/Temp/b.txt"_s)));

    core::ExtractRequest folders{zip, tree.path(u"out"_s), {}, true};
    EXPECT_TRUE(core::ExtractArchive(ctx(), folders).ok);
    // Without a prefix the status shows the file alone.
    EXPECT_EQ(status.status(), u"b.txt"_s);
    EXPECT_EQ(tree.read(u"out/Maps/CTF-A.ut2"_s), "map");
    EXPECT_EQ(tree.read(u"out/b.txt"_s), "b");

    // A rar entry chosen alone, and the list is empty again afterwards.
    const QString rar = tree.path(u"M.rar"_s);
    ASSERT_TRUE(writeRar4Archive(
        rar, {Rar4Entry::file("System\\M.int", "i"), Rar4Entry::file("M.u", "u")}));
    core::ExtractRequest alone{rar, core.state.TempDir, {u"System/M.int"_s}};
    EXPECT_TRUE(core::ExtractArchive(ctx(), alone).ok);
    EXPECT_EQ(tree.read(u"prog/Temp/System/M.int"_s), "i");
    EXPECT_FALSE(QFileInfo::exists(tree.path(u"prog/Temp/M.u"_s)));
    expectComponentsUntouched();

    // Neither zip nor rar: nothing, and not ok.
    tree.file(u"x.7z"_s, "7z");
    EXPECT_FALSE(core::ExtractArchive(ctx(), {tree.path(u"x.7z"_s), core.state.TempDir, {}}).ok);
}

TEST_F(ArchiveCallsTest, PasswordIsAskedWithTheArchiveAsCaptionUnlessQuiet) {
    if (rarToolPath().isEmpty())
        GTEST_SKIP() << "the rar command is not installed";
    tree.file(u"src/secret.txt"_s, "hidden words");
    const QString archive = tree.path(u"locked.rar"_s);
    ASSERT_EQ(runRarTool(tree.path(u"src"_s), {u"a"_s, u"-psesame"_s, archive, u"secret.txt"_s}),
              0);
    setUpComponents();
    core.dRar31.Backend = archives::RarBackend::UnrarOnly;
    core::ExtractRequest request{archive, core.state.TempDir, {}};
    request.statusPrefix = u"  Extracting "_s;
    dialogs.inputAnswers.push_back(u"sesame"_s);
    EXPECT_TRUE(core::ExtractArchive(ctx(), request).ok);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].type, ShownDialog::Input);
    EXPECT_EQ(dialogs.shown[0].caption, archive);
    EXPECT_EQ(dialogs.shown[0].text, u"Password needed"_s);
    EXPECT_EQ(tree.read(u"prog/Temp/secret.txt"_s), "hidden words");
    EXPECT_EQ(status.status(), u"  Extracting secret.txt"_s);

    QFile::remove(tree.path(u"prog/Temp/secret.txt"_s));
    dialogs.inputAnswers.push_back(std::nullopt); // cancelled: the empty password
    const archives::ArchiveResult cancelled = core::ExtractArchive(ctx(), request);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.code, 22);
    EXPECT_FALSE(QFileInfo::exists(tree.path(u"prog/Temp/secret.txt"_s)));

    // Quiet: no question at all, and no file.
    core::ExtractRequest quiet = request;
    quiet.quiet = true;
    status.setStatus(u"before"_s);
    EXPECT_FALSE(core::ExtractArchive(ctx(), quiet).ok);
    EXPECT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(status.status(), u"before"_s);
    expectComponentsUntouched();

    // A listing takes encrypted headers, which libarchive cannot read, to
    // the unrar helper: its question reaches the same dialog.
    core.dRar31.Backend = archives::RarBackend::Auto;
    const QString hidden = tree.path(u"hidden.rar"_s);
    ASSERT_EQ(runRarTool(tree.path(u"src"_s), {u"a"_s, u"-hpsesame"_s, hidden, u"secret.txt"_s}),
              0);
    dialogs.inputAnswers.push_back(u"sesame"_s);
    const core::ArchiveListing listing = core::ListArchive(ctx(), hidden);
    EXPECT_TRUE(listing.result.ok) << listing.result.code;
    EXPECT_EQ(listing.entries, QStringList{u"secret.txt"_s});
    ASSERT_EQ(dialogs.shown.size(), 3);
    EXPECT_EQ(dialogs.shown[2].caption, hidden);
    EXPECT_EQ(dialogs.shown[2].text, u"Password needed"_s);
    const core::ArchiveListing quietly = core::ListArchive(ctx(), hidden, true);
    EXPECT_FALSE(quietly.result.ok);
    EXPECT_TRUE(quietly.entries.isEmpty());
    EXPECT_EQ(dialogs.shown.size(), 3);
    expectComponentsUntouched();
}

// Each row of the format table against what its backend really does: a
// sample of the format is found by its extension in any case, listed,
// extracted flat or with its folders as the row says, and written only
// where the row says so. A row without a sample writer here fails.
TEST_F(ArchiveCallsTest, EveryFormatDoesWhatItsRowSays) {
    using archives::Ability;
    const QHash<QString, std::function<bool(const QString&)>> samples = {
        {u".zip"_s,
         [](const QString& path) {
             return ZipBuilder().file(u"Maps/DM-T.ut2"_s, "map").write(path);
         }},
        {u".rar"_s,
         [](const QString& path) {
             return writeRar4Archive(path, {Rar4Entry::file("Maps\\DM-T.ut2", "map")});
         }},
    };
    setUpComponents();
    core.dRar31.Backend = archives::RarBackend::LibarchiveOnly;
    tree.file(u"add/new.txt"_s, "new");
    for (const archives::ArchiveFormat& format : archives::archiveFormats()) {
        SCOPED_TRACE(format.extension.toStdString());
        ASSERT_TRUE(samples.contains(format.extension)) << "no sample writer for this format";
        const QString path = tree.path(u"T"_s + format.extension.toUpper());
        ASSERT_TRUE(samples[format.extension](path));
        EXPECT_EQ(archives::formatOf(path), &format);
        EXPECT_TRUE(archives::archiveMasks().contains(u'*' + format.extension));
        if (format.probe) {
            EXPECT_GE(format.probe(path), 1);
        }

        const core::ArchiveListing listing = core::ListArchive(ctx(), path);
        EXPECT_EQ(listing.result.ok, format.can(Ability::List));
        EXPECT_EQ(listing.files,
                  format.can(Ability::List) ? QStringList{u"Maps/DM-T.ut2"_s} : QStringList());

        const QString out = tree.folder(u"out"_s + format.extension);
        EXPECT_EQ(core::ExtractArchive(ctx(), {path, out, {}}).ok, format.can(Ability::Extract));
        const QString placed =
            format.can(Ability::FlatExtract) ? u"DM-T.ut2"_s : u"Maps/DM-T.ut2"_s;
        if (format.can(Ability::Extract)) {
            EXPECT_EQ(tree.read(u"out"_s + format.extension + u'/' + placed), "map");
        }

        archives::ArchiveJob add;
        add.archive = path;
        add.names = {tree.path(u"add/new.txt"_s)};
        add.noBoxes = true;
        EXPECT_EQ(ctx().backends.of(format).add(add).ok, format.can(Ability::Write));
        expectComponentsUntouched();
    }
    EXPECT_EQ(archives::writtenFormat().extension, u".zip"_s);
    EXPECT_EQ(archives::formatOf(u"folder.zip/readme"_s), nullptr);
    EXPECT_EQ(archives::formatOf(u"DM-Foo.zip.bak"_s), nullptr);
}
