#include "core/content_lists.h"
#include "core/reports.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

TContentRecord rec(const QString& archive, const QString& shown, quint8 installed, qint32 kind,
                   const QString& added, const QString& installedOn = {}) {
    TContentRecord r;
    r.ArchiveName = archive;
    r.ArchiveDir = u"/srv/maps/"_s;
    r.DisplayName = shown;
    r.Installed = installed;
    r.Kind = kind;
    r.AddedDate = added;
    r.InstallDate = installedOn;
    return r;
}

} // namespace

TEST(DateOrder, NewestFirstAndSameDayNamesZToA) {
    const QList<TContentRecord> records = {
        rec(u"DM-Alpha.zip"_s, u"DM-Alpha"_s, 0, 0, u"2026-01-05"_s),
        rec(u"DM-Zulu.zip"_s, u"DM-Zulu"_s, 0, 0, u"2026-01-05"_s),
        rec(u"CTF-Old.zip"_s, u"CTF-Old"_s, 0, 0, u"2025-12-31"_s),
        rec(u"CTF-New.zip"_s, u"CTF-New"_s, 1, 0, u"2024-01-01"_s, u"2026-02-01"_s),
        rec(u"DM-Inst.zip"_s, u"DM-Inst"_s, 1, 0, u"2026-03-01"_s, u"2025-02-01"_s),
        // A later record of the same name is not the one that counts.
        rec(u"DM-Alpha.zip"_s, u"DM-Alpha"_s, 0, 0, u"2027-01-01"_s),
    };
    // The left list keeps only the entries it has (the filter holds); an
    // entry without a record drops out.
    using catalogue::ContentKind;
    EXPECT_EQ(listByDate(ContentKind::Maps,
                         {u"DM-Zulu.zip"_s, u"DM-Alpha.zip"_s, u"CTF-Old.zip"_s, u"Gone.zip"_s},
                         records, false),
              (QStringList{u"DM-Zulu.zip"_s, u"DM-Alpha.zip"_s, u"CTF-Old.zip"_s}));
    EXPECT_EQ(listByDate(ContentKind::Maps, {u"DM-Inst"_s, u"CTF-New"_s}, records, true),
              (QStringList{u"CTF-New"_s, u"DM-Inst"_s}));
    // The maps' page has a filter: its date order keeps the entries shown.
    const DateLists shownMaps =
        kindListsByDate(ContentKind::Maps, {{u"CTF-Old.zip"_s}, {u"DM-Inst"_s}}, records);
    EXPECT_EQ(shownMaps.notInstalled, QStringList{u"CTF-Old.zip"_s});
    EXPECT_EQ(shownMaps.installed, QStringList{u"DM-Inst"_s});
    EXPECT_EQ(byName({u"b"_s, u"A"_s, u"a"_s}), (QStringList{u"A"_s, u"a"_s, u"b"_s}));

    const QList<TContentRecord> mods = {
        rec(u"m1.zip"_s, u"MutA"_s, 0, 0, u"2026-01-01"_s),
        rec(u"m2.zip"_s, u"MutB"_s, 0, 1, u"2026-01-01"_s),
        rec(u"m3.zip"_s, u"MutC"_s, 1, 0, u"2020-01-01"_s, u"2026-05-05"_s),
        rec(u"s1.zip"_s, u"SkinA"_s, 0, 2, u"2026-01-02"_s),
        rec(u"s2.zip"_s, u"SkinB"_s, 1, 3, u"2026-01-02"_s, u"2026-01-03"_s),
        rec(u"bad.zip"_s, u"Rejected"_s, 0, 10, u"2030-01-01"_s),
    };
    const DateLists mutators = listsFromRecordsByDate(ContentKind::Mutators, mods);
    EXPECT_EQ(mutators.notInstalled, (QStringList{u"MutB"_s, u"MutA"_s}));
    EXPECT_EQ(mutators.installed, QStringList{u"MutC"_s});
    const DateLists skins = listsFromRecordsByDate(ContentKind::Skins, mods);
    EXPECT_EQ(skins.notInstalled, QStringList{u"SkinA"_s});
    EXPECT_EQ(skins.installed, QStringList{u"SkinB"_s});
    // Without a filter the date order is built from all records, whatever
    // the lists showed.
    const DateLists allSkins = kindListsByDate(ContentKind::Skins, {{}, {}}, mods);
    EXPECT_EQ(allSkins.notInstalled, skins.notInstalled);
    EXPECT_EQ(allSkins.installed, skins.installed);
}

TEST(Reports, BriefListLinesFromTheListsAsTheyStand) {
    reports::ListsSnapshot lists;
    lists.of(catalogue::ContentKind::Maps).installed = {u"CTF-Face"_s};
    lists.of(catalogue::ContentKind::Maps).notInstalled = {u"CTF-A.zip"_s, u"CTF-B.zip"_s};
    lists.of(catalogue::ContentKind::Mutators).notInstalled = {u"FastMut"_s};
    EXPECT_EQ(reports::briefList(lists),
              (QStringList{u"Maps (installed):"_s, u"\tCTF-Face"_s, QString(),
                           u"Maps (not installed):"_s, u"\tCTF-A.zip"_s, u"\tCTF-B.zip"_s,
                           u"Total number of maps: 3"_s, QString(), u"Mutators (installed):"_s,
                           QString(), u"Mutators (not installed):"_s, u"\tFastMut"_s,
                           u"Total number of mutators: 1"_s, QString(), u"Skins (installed):"_s,
                           QString(), u"Skins (not installed):"_s, u"Total number of skins: 0"_s}));
}

TEST(Reports, DetailedAndFullListsFromTheRecords) {
    TContentRecord map =
        rec(u"DM-Foo.zip"_s, u"DM-Foo.ut2"_s, 1, 0, u"2026-01-05"_s, u"2026-01-06"_s);
    map.FileCount = 3;
    map.Files = {u"DM-Foo.ut2"_s, u"FooTex.utx"_s, u"FooMesh.usx"_s};
    const TContentRecord rejected = rec(u"x.zip"_s, {}, 0, 10, u"2026-01-05"_s);
    TContentRecord skin = rec(u"Skin.zip"_s, u"RedSkin"_s, 0, 2, u"2026-01-07"_s);
    skin.FileCount = 1;
    skin.Files = {u"RedSkin.upl"_s};
    const QStringList mapBlock = {
        u"\tName of Map: DM-Foo.ut2"_s,       u"\t\tName of archive: DM-Foo.zip"_s,
        u"\t\tPlace on disk: /srv/maps/"_s,   u"\t\tAdded to database: 2026-01-05"_s,
        u"\t\tInstalled date : 2026-01-06"_s, u"\t\tTotal Number of files: 3"_s};
    const QStringList skinBlock = {u"\tName of Skin: RedSkin"_s,
                                   u"\t\tName of archive: Skin.zip"_s,
                                   u"\t\tPlace on disk: /srv/maps/"_s,
                                   u"\t\tAdded to database: 2026-01-07"_s,
                                   u"\t\tInstalled date : Not installed"_s,
                                   u"\t\tTotal Number of files: 1"_s};
    QStringList detailed = QStringList{u"Maps:"_s} + mapBlock;
    detailed << QString() << u"Total Number of maps: 1"_s << QString() << u"Mutators:"_s
             << u"Total Number of mutators: 0"_s << QString() << u"Skins:"_s;
    detailed += skinBlock;
    detailed << QString() << u"Total Number of skins: 1"_s;
    const QList<TContentRecord> maps = {map, rejected};
    const QList<TContentRecord> mods = {skin};
    const reports::RecordsOf recordsOf =
        [&](catalogue::RecordFileOf file) -> const QList<TContentRecord>& {
        return file == &AppState::mapDataPath ? maps : mods;
    };
    EXPECT_EQ(reports::recordList(recordsOf, false), detailed);

    QStringList full = detailed;
    // Only the full list names the other files, and only from two files on.
    full.insert(7, u"\t\t\tAdditional files: "_s);
    full.insert(8, u"\t\t\t\tFooTex.utx"_s);
    full.insert(9, u"\t\t\t\tFooMesh.usx"_s);
    EXPECT_EQ(reports::recordList(recordsOf, true), full);
}
