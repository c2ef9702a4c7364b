// The content catalogue's extension table against everything that places,
// asks about, removes, packs or serves game files by their extension: each
// row must come out the same in all of them, so a row added to the table
// (and nothing else) is honoured everywhere or fails here.
#include "archive/zip_master.h"
#include "cache/package_imports.h"
#include "cache/redirect.h"
#include "core/content_catalogue.h"
#include "install/install.h"
#include "install/maintenance.h"
#include "install/placement.h"
#include "install/uninstall.h"
#include "intake/scan_rules.h"
#include "placement_fixture.h"
#include "support/install_archives.h"

#include <QDir>
#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using catalogue::ExtensionRule;

namespace {

/// A file of each row, named after its extension: "eukx.ukx".
QString sampleName(const ExtensionRule& rule) {
    return u'e' + rule.ext.mid(1) + rule.ext;
}

/// The names in `folder` with the extension `ext`, any case.
QStringList namesWith(const QString& folder, const QString& ext) {
    QStringList out;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        if (catalogue::hasExtension(name, ext))
            out.append(name);
    }
    return out;
}

class ExtensionTableTest : public testing_support::PlacementFixture {
protected:
    ExtensionTableTest() {
        AppState& s = core.state;
        s.clock = platform::Clock([] { return QDate(2024, 6, 1); });
        s.InstallExtraFiles = true;
        content_db::CreateMissingFiles(s);
    }
    QString folderOf(const ExtensionRule& rule) const { return core.state.*rule.folder; }

    /// One zip holding a file of every row, recorded as a mutator archive.
    void recordArchiveOfEveryRow() {
        testing_support::ArchiveFiles files;
        for (const ExtensionRule& rule : catalogue::extensionTable())
            files.append({u"Pack/"_s + sampleName(rule), "data of " + rule.ext.toUtf8()});
        const QString folder = tree.folder(u"archives"_s) + u'/';
        ASSERT_TRUE(testing_support::writeZip(folder + u"Every.zip"_s, files));
        content_db::WriteAll(
            core.state.modDataPath(),
            {testing_support::scannedRecord(u"Every.zip"_s, folder, u"Every"_s,
                                            catalogue::record_kind::Content, files)});
    }
};

} // namespace

TEST_F(ExtensionTableTest, InstallCreateZipRedirectAndUninstallFollowEveryRow) {
    recordArchiveOfEveryRow();
    const install::InstallResult installed =
        install::InstallArchives(ctx(), ContentKind::Mutators, {u"Every"_s}, false);
    ASSERT_TRUE(installed.ok) << installed.failureReasons.join(u' ').toStdString();

    // Placed: every row's file in the row's folder, help files renamed
    // after the archive but of the same extension.
    for (const ExtensionRule& rule : catalogue::extensionTable())
        EXPECT_EQ(namesWith(folderOf(rule), rule.ext).size(), 1) << rule.ext.toStdString();

    // Create Zip packs every file placed under its own name (pictures were
    // numbered after the archive, so the record's names do not find them).
    const QString made = tree.folder(u"made"_s);
    ASSERT_TRUE(install::CreateZip(ctx(), ContentKind::Mutators, {u"Every"_s}, made));
    archives::TZipMaster reader;
    reader.setZipFileName(made + u"/Every.zip"_s);
    QSet<QString> packed;
    for (int i = 0; i < reader.EntryCount(); ++i)
        packed.insert(reader.EntryName(i));
    for (const ExtensionRule& rule : catalogue::extensionTable())
        EXPECT_EQ(packed.contains(sampleName(rule)), !catalogue::isNumberedPicture(rule.ext))
            << rule.ext.toStdString();

    // The redirect folder serves exactly the rows marked as packages, and
    // the missing-packages check looks for the same extensions.
    const cache::RedirectSources sources = cache::redirectSources(core.state, ctx().folders);
    QSet<QString> served;
    for (const cache::RedirectSource& source : sources.files)
        served.insert(source.name);
    for (const ExtensionRule& rule : catalogue::extensionTable()) {
        EXPECT_EQ(served.contains(sampleName(rule)), rule.package) << rule.ext.toStdString();
        EXPECT_EQ(cache::packageExtensions().contains(rule.ext), rule.package)
            << rule.ext.toStdString();
    }

    // Removed: nothing of any row is left in the game.
    const install::UninstallResult removed =
        install::UninstallArchives(ctx(), ContentKind::Mutators, {u"Every"_s}, false);
    EXPECT_TRUE(removed.ran);
    EXPECT_TRUE(removed.undeletable.isEmpty()) << removed.undeletable.join(u' ').toStdString();
    for (const ExtensionRule& rule : catalogue::extensionTable())
        EXPECT_EQ(namesWith(folderOf(rule), rule.ext), QStringList()) << rule.ext.toStdString();
}

TEST_F(ExtensionTableTest, ExistingFilesAreAskedAboutInTheRowsFolder) {
    // Each row's file is in the game already, in the row's folder; help
    // files are never asked about (they are renamed after the archive).
    QStringList expected;
    for (const ExtensionRule& rule : catalogue::extensionTable()) {
        temp(sampleName(rule));
        if (rule.extra)
            continue;
        tree.file(folderOf(rule).mid(tree.root().size() + 1) + sampleName(rule), "old");
        expected.append(sampleName(rule) + u" already exists. Proceed anyway?"_s);
        dialogs.buttonAnswers.push_back(platform::Yes);
    }
    const install::InstallFileList lists = install::BuildInstallFileList(ctx());
    RunProgress progress;
    const std::optional<QStringList> existing = install::CheckExistingFiles(ctx(), progress, lists);
    ASSERT_TRUE(existing.has_value());
    QStringList asked;
    for (const testing_support::ShownDialog& shown : dialogs.shown)
        asked.append(shown.text);
    asked.sort();
    expected.sort();
    EXPECT_EQ(asked, expected);
}

TEST_F(ExtensionTableTest, TheScansTellKindsByExtensionsOfTheirPagesFolders) {
    // The entry a scan counts and the one it takes the name from live in
    // the folder of the page's content.
    const AppState& s = core.state;
    const struct {
        catalogue::ContentKind kind;
        QString folder;
    } scans[] = {{catalogue::ContentKind::Maps, s.MapsDir},
                 {catalogue::ContentKind::Mutators, s.SystemDir},
                 {catalogue::ContentKind::Skins, s.SystemDir}};
    for (const auto& scan : scans) {
        const catalogue::KindDescriptor& rules = catalogue::describe(scan.kind);
        for (const char* ext : {rules.requiredExt, rules.nameExt})
            EXPECT_EQ(catalogue::gameFolderForExtension(s, QString::fromLatin1(ext)), scan.folder)
                << ext;
    }
    // What the scan refuses is an installer, never a file the game uses.
    for (const QString& ext : {u".ut2mod"_s, u".ut4mod"_s, u".exe"_s}) {
        EXPECT_TRUE(catalogue::isRefusedInstaller(ext));
        EXPECT_EQ(catalogue::extensionRule(ext), nullptr);
    }
    for (const ExtensionRule& rule : catalogue::extensionTable())
        EXPECT_FALSE(catalogue::isRefusedInstaller(rule.ext)) << rule.ext.toStdString();
}
