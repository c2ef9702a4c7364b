// "File info": the header rows with their exact labels, the Cache rules,
// the extension word, the first record of a name, and a missing record.
#include "core/file_info.h"

#include "core/content_db.h"
#include "core/globals.h"
#include "platform/errors.h"
#include "support/tree_builder.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using catalogue::ListSide;
using file_info::FileInfo;
using file_info::HeaderRow;

namespace {

TContentRecord record(const QString& display, const QString& archive, const QString& dir,
                      bool installed, const QStringList& files, qint32 kind = 0) {
    TContentRecord r;
    r.Kind = kind;
    r.DisplayName = display;
    r.ArchiveName = archive;
    r.ArchiveDir = dir;
    r.Installed = installed ? 1 : 0;
    r.AddedDate = u"2026-01-02"_s;
    r.InstallDate = installed ? u"2026-03-04"_s : QString();
    r.FileCount = int(files.size());
    r.Files = files;
    return r;
}

class FileInfoTest : public ::testing::Test {
protected:
    FileInfoTest() { state.ProgramDir = tree.folder(u"prog"_s); }
    testing_support::TempTree tree;
    AppState state;
};

} // namespace

TEST_F(FileInfoTest, RowsOfAnArchiveDeletedAfterInstallNotInstalledAndFromTheCache) {
    content_db::WriteAll(
        state.mapDataPath(),
        {record(u"DM-Gone"_s, u"DM-Gone.zip"_s, u"Deleted from disk"_s, true,
                {u"DM-Gone.ut2"_s, u"readme.txt"_s}),
         record(u""_s, u"CTF-Wait.rar"_s, u"/srv/maps/"_s, false, {}),
         // The Cache page names the package: a record without an archive
         // name is one no writer made, and the reader leaves it out.
         record(u"DM-Cached"_s, u"DM-Cached.ut2"_s, u"Cache"_s, true, {u"DM-Cached.ut2"_s}, 1)});

    const FileInfo gone =
        file_info::MapInfo(state, ContentKind::Maps, ListSide::Installed, u"DM-Gone"_s);
    EXPECT_EQ(gone.rows, (QList<HeaderRow>{{u"Mapname : "_s, u"DM-Gone"_s},
                                           {u"Name of zip-file :"_s, u"DM-Gone.zip"_s},
                                           {u"Place on disk :"_s, u"Deleted from disk"_s},
                                           {u"Added   :   "_s, u"2026-01-02"_s},
                                           {u"Installdate : "_s, u"2026-03-04"_s},
                                           {u"No. of files in zip :"_s, u"2"_s}}));
    EXPECT_EQ(gone.files, (QStringList{u"DM-Gone.ut2"_s, u"readme.txt"_s}));

    // Found by its archive name; no files, the rar word, not installed.
    const FileInfo wait =
        file_info::MapInfo(state, ContentKind::Maps, ListSide::NotInstalled, u"CTF-Wait.rar"_s);
    EXPECT_EQ(wait.rows, (QList<HeaderRow>{{u"Mapname : "_s, u""_s},
                                           {u"Name of rar-file :"_s, u"CTF-Wait.rar"_s},
                                           {u"Place on disk :"_s, u"/srv/maps/"_s},
                                           {u"Added   :   "_s, u"2026-01-02"_s},
                                           {u"Installdate :"_s, u"Not installed"_s},
                                           {u"No. of files in rar :"_s, u"0"_s}}));
    EXPECT_TRUE(wait.files.isEmpty());

    const FileInfo cached =
        file_info::MapInfo(state, ContentKind::Maps, ListSide::Installed, u"DM-Cached"_s);
    EXPECT_EQ(cached.rows, (QList<HeaderRow>{{u"Mapname : "_s, u"DM-Cached"_s},
                                             {},
                                             {u"Place on disk :"_s, u"Cache"_s},
                                             {},
                                             {u"Installdate : "_s, u"2026-03-04"_s},
                                             {}}));
    EXPECT_EQ(cached.files, QStringList{u"DM-Cached.ut2"_s});
}

TEST_F(FileInfoTest, OnlyTheExactFolderNameCacheHidesTheArchiveRows) {
    const FileInfo info = file_info::describe(
        record(u"M"_s, u"M.zip"_s, u"cache"_s, false, {u"a"_s}), u"Mutator : "_s);
    EXPECT_EQ(info.rows[1], (HeaderRow{u"Name of zip-file :"_s, u"M.zip"_s}));
    EXPECT_EQ(info.rows[5], (HeaderRow{u"No. of files in zip :"_s, u"1"_s}));
}

TEST_F(FileInfoTest, EachListReadsItsOwnRecordsAndTwinsByPosition) {
    content_db::WriteAll(state.mapDataPath(),
                         {record(u"Same"_s, u"map.zip"_s, u"/m/"_s, false, {}),
                          record(u"Same"_s, u"map1.zip"_s, u"/m/"_s, true, {}),
                          record(u"Same"_s, u"map2.zip"_s, u"/m/"_s, true, {})});
    content_db::WriteAll(state.modDataPath(),
                         {record(u"Same"_s, u"skin.zip"_s, u"/s/"_s, false, {}, 2),
                          record(u"Same"_s, u"mut.zip"_s, u"/s/"_s, false, {}, 0),
                          record(u"Same"_s, u"mutdone.zip"_s, u"/s/"_s, true, {}, 0),
                          record(u"Same"_s, u"skindone.zip"_s, u"/s/"_s, true, {}, 2)});
    const struct {
        ContentKind kind;
        ListSide side;
        catalogue::ListEntry entry;
        QString label;
        QString archive;
    } table[] = {
        {ContentKind::Maps, ListSide::NotInstalled, {u"map.zip"_s}, u"Mapname : "_s, u"map.zip"_s},
        {ContentKind::Maps, ListSide::Installed, {u"Same"_s}, u"Mapname : "_s, u"map1.zip"_s},
        {ContentKind::Maps, ListSide::Installed, {u"Same"_s, 1}, u"Mapname : "_s, u"map2.zip"_s},
        {ContentKind::Mutators, ListSide::NotInstalled, {u"Same"_s}, u"Mutator : "_s, u"mut.zip"_s},
        {ContentKind::Mutators,
         ListSide::Installed,
         {u"Same"_s},
         u"Mutator : "_s,
         u"mutdone.zip"_s},
        {ContentKind::Skins, ListSide::NotInstalled, {u"Same"_s}, u"Skin  :  "_s, u"skin.zip"_s},
        {ContentKind::Skins, ListSide::Installed, {u"Same"_s}, u"Skin  :  "_s, u"skindone.zip"_s},
    };
    for (const auto& row : table) {
        const FileInfo info = file_info::MapInfo(state, row.kind, row.side, row.entry);
        EXPECT_EQ(info.rows[0], (HeaderRow{row.label, u"Same"_s})) << row.archive.toStdString();
        EXPECT_EQ(info.rows[1].value, row.archive);
        EXPECT_EQ(info.record.ArchiveName, row.archive);
    }
    EXPECT_THROW(file_info::MapInfo(state, ContentKind::Maps, ListSide::Installed, {u"Same"_s, 2}),
                 platform::Error);
}

TEST_F(FileInfoTest, ExtensionWord) {
    const struct {
        QString name;
        QString word;
    } table[] = {{u"a.zip"_s, u"zip"_s},
                 {u"A.RAR"_s, u"RAR"_s},
                 {u"x.tar.gz"_s, u"gz"_s},
                 {u"a.jpeg2"_s, u"jpeg"_s},
                 {u"noext"_s, u""_s},
                 {u"dot."_s, u""_s},
                 {u""_s, u""_s}};
    for (const auto& row : table)
        EXPECT_EQ(file_info::ExtensionWord(row.name), row.word) << row.name.toStdString();
}

TEST_F(FileInfoTest, AnEntryWithoutRecordIsAClearErrorNotAReadPastTheEnd) {
    content_db::WriteAll(state.mapDataPath(),
                         {record(u"DM-A"_s, u"DM-A.zip"_s, u"/m/"_s, false, {})});
    try {
        file_info::MapInfo(state, ContentKind::Maps, ListSide::NotInstalled, u"DM-Renamed.zip"_s);
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.text().contains(u"DM-Renamed.zip"_s)) << e.text().toStdString();
    }
    // A missing record file is an error too, not an empty window.
    QFile::remove(state.modDataPath());
    EXPECT_THROW(
        file_info::MapInfo(state, ContentKind::Mutators, ListSide::NotInstalled, u"DM-A"_s),
        platform::Error);
}
