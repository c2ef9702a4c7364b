// The rules about records: which list shows a record, which record a list
// entry names, where a file of each extension lives, the shared counts, and
// the descriptor table of the content kinds: every row whole and agreeing
// with the other rules it meets (the extension table, the record kinds of
// its file, the words of the texts), so a new row that misses one fails.
#include "core/content_catalogue.h"
#include "core/shared_files.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using catalogue::ListSide;
namespace kind = catalogue::record_kind;

namespace {

TContentRecord record(const QString& archive, const QString& display, quint8 installed,
                      qint32 recordKind) {
    TContentRecord r;
    r.ArchiveName = archive;
    r.DisplayName = display;
    r.Installed = installed;
    r.Kind = recordKind;
    return r;
}

} // namespace

TEST(ContentCatalogueTest, ListMembershipAndEntries) {
    struct Case {
        TContentRecord rec;
        ContentKind page;
        std::optional<ListSide> side; ///< the list showing it; none: no list of the page
        QString entry;
    };
    const Case cases[] = {
        {record(u"DM-A.zip"_s, u"DM-A.ut2"_s, 0, kind::Content), ContentKind::Maps,
         ListSide::NotInstalled, u"DM-A.zip"_s},
        {record(u"DM-A.zip"_s, u"DM-A.ut2"_s, 1, kind::Content), ContentKind::Maps,
         ListSide::Installed, u"DM-A.ut2"_s},
        // A map without its archive is listed while installed, then nowhere.
        {record(u"DM-B.zip"_s, u"DM-B.ut2"_s, 1, kind::ContentWithoutArchive), ContentKind::Maps,
         ListSide::Installed, u"DM-B.ut2"_s},
        {record(u"DM-B.zip"_s, u"DM-B.ut2"_s, 0, kind::ContentWithoutArchive),
         ContentKind::Maps,
         std::nullopt,
         {}},
        {record(u"DM-C.zip"_s, {}, 0, kind::Rejected), ContentKind::Maps, std::nullopt, {}},
        // A mutator without its archive stays on the left when uninstalled.
        {record(u"MutA.zip"_s, u"Mut A"_s, 0, kind::ContentWithoutArchive), ContentKind::Mutators,
         ListSide::NotInstalled, u"Mut A"_s},
        {record(u"MutA.zip"_s, u"Mut A"_s, 1, kind::Content), ContentKind::Mutators,
         ListSide::Installed, u"Mut A"_s},
        {record(u"MutA.zip"_s, u"Mut A"_s, 1, kind::Content), ContentKind::Skins, std::nullopt, {}},
        {record(u"Skin.rar"_s, {}, 0, kind::Skin), ContentKind::Skins, ListSide::NotInstalled,
         u"Skin.rar"_s},
        {record(u"Skin.rar"_s, u"Skin"_s, 1, kind::SkinWithoutArchive), ContentKind::Skins,
         ListSide::Installed, u"Skin"_s},
        {record(u"Skin.rar"_s, u"Skin"_s, 0, kind::Skin), ContentKind::Mutators, std::nullopt, {}},
        {record(u"Odd.zip"_s, u"Odd"_s, 0, 7), ContentKind::Skins, ListSide::NotInstalled,
         u"Odd"_s},
    };
    for (const Case& c : cases) {
        const std::string what =
            (c.rec.ArchiveName + u' ' + QString::number(c.rec.Kind) + u' ' +
             QString::number(c.rec.Installed) + u" on page "_s + QString::number(int(c.page)))
                .toStdString();
        for (const ListSide side : {ListSide::NotInstalled, ListSide::Installed}) {
            const bool shown = c.side == side;
            EXPECT_EQ(catalogue::isOnList(c.rec, c.page, side), shown) << what;
            if (shown) {
                EXPECT_EQ(catalogue::listEntryOf(c.rec, c.page, side), c.entry) << what;
            }
        }
    }
}

TEST(ContentCatalogueTest, AnEntryFindsTheRecordOfItsPageListAndPosition) {
    const QList<TContentRecord> records = {
        record(u"Twin.zip"_s, u"Twin"_s, 0, kind::Content),   // a mutator named Twin
        record(u"TwinSkin.zip"_s, u"Twin"_s, 0, kind::Skin),  // a skin named Twin
        record(u"Twin2.zip"_s, u"Twin"_s, 1, kind::Skin),     // installed skin Twin
        record(u"TwinSkin3.zip"_s, u"Twin"_s, 0, kind::Skin), // a second skin Twin
    };
    EXPECT_EQ(
        catalogue::findRecord(records, ContentKind::Mutators, ListSide::NotInstalled, u"Twin"_s),
        0);
    EXPECT_EQ(catalogue::findRecord(records, ContentKind::Skins, ListSide::NotInstalled, u"Twin"_s),
              1);
    EXPECT_EQ(
        catalogue::findRecord(records, ContentKind::Skins, ListSide::NotInstalled, {u"Twin"_s, 1}),
        3);
    EXPECT_EQ(
        catalogue::findRecord(records, ContentKind::Skins, ListSide::NotInstalled, {u"Twin"_s, 2}),
        -1);
    EXPECT_EQ(catalogue::findRecord(records, ContentKind::Skins, ListSide::Installed, u"Twin"_s),
              2);
    EXPECT_EQ(catalogue::findRecord(records, ContentKind::Mutators, ListSide::Installed, u"Twin"_s),
              -1);

    // Selected rows become entries with their position among equal names.
    const QStringList list = {u"A"_s, u"Twin"_s, u"B"_s, u"Twin"_s};
    const QList<catalogue::ListEntry> picked = catalogue::entriesAt(list, {1, 3, 0});
    EXPECT_EQ(picked, (QList<catalogue::ListEntry>{{u"Twin"_s, 0}, {u"Twin"_s, 1}, {u"A"_s, 0}}));

    // A selection names its records as the list shows them before a
    // command changes any; a name given alone again means the next one.
    struct Selection {
        QList<catalogue::ListEntry> entries;
        QList<qsizetype> indexes;
    };
    const QList<Selection> selections = {
        {{{u"Twin"_s, 0}, {u"Twin"_s, 1}}, {1, 3}},
        {{{u"Twin"_s, 1}, {u"Twin"_s, 0}}, {3, 1}},
        {{u"Twin"_s, u"Twin"_s}, {1, 3}},
        {{u"Twin"_s, u"Twin"_s, u"Twin"_s}, {1, 3, -1}},
        {{{u"Twin"_s, 1}, {u"Twin"_s, 1}}, {3, -1}},
        {{u"Ghost"_s, {u"Twin"_s, 1}}, {-1, 3}},
    };
    for (const Selection& sel : selections) {
        EXPECT_EQ(catalogue::findRecords(records, ContentKind::Skins, ListSide::NotInstalled,
                                         sel.entries),
                  sel.indexes)
            << catalogue::namesOf(sel.entries).join(u' ').toStdString();
    }
}

TEST(ContentCatalogueTest, ExtensionTable) {
    AppState s;
    s.setGameDir(u"/g"_s);
    struct Case {
        QString file;
        std::optional<QString> folder;
    };
    const Case cases[] = {
        {u"a.ukx"_s, s.AnimationsDir},   {u"a.UT2"_s, s.MapsDir},
        {u"a.ogg"_s, s.MusicDir},        {u"a.uax"_s, s.SoundsDir},
        {u"a.usx"_s, s.StaticMeshesDir}, {u"a.utx"_s, s.TexturesDir},
        {u"a.ka"_s, s.KarmaDataDir},     {u"a.u"_s, s.SystemDir},
        {u"a.ucl"_s, s.SystemDir},       {u"a.upl"_s, s.SystemDir},
        {u"a.ini"_s, s.SystemDir},       {u"a.Int"_s, s.SystemDir},
        {u"a.jpg"_s, s.HelpDir},         {u"a.gif"_s, s.HelpDir},
        {u"a.bmp"_s, s.HelpDir},         {u"a.hlp"_s, s.HelpDir},
        {u"a.txt"_s, s.HelpDir},         {u"a.doc"_s, s.HelpDir},
        {u"a.rtf"_s, s.HelpDir},         {u"a.htm"_s, s.HelpDir},
        {u"a.html"_s, s.HelpDir},        {u"setup.exe"_s, std::nullopt},
        {u"readme"_s, std::nullopt},     {u"a.u.bak"_s, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(catalogue::gameFolderForFile(s, c.file), c.folder) << c.file.toStdString();
    EXPECT_EQ(catalogue::placedFileName(u"Maps\\DM-Foo.ut2"_s), u"DM-Foo.ut2"_s);
    EXPECT_EQ(catalogue::placedFileName(u"Textures/"_s), QString());
    EXPECT_TRUE(catalogue::isMergedInt(u"MyXMapsPack.int"_s));
    EXPECT_FALSE(catalogue::isMergedInt(u"XMaps.ini"_s));
}

TEST(SharedFilesTest, RegisterAndRelease) {
    struct Case {
        qint32 count;
        bool deleted;
        qint32 after;
    };
    for (const Case& c : {Case{3, false, 2}, Case{2, false, 1}, Case{1, true, 0}}) {
        catalogue::SharedFiles files({TSharedFileRecord{u"Foo.utx"_s, c.count}});
        EXPECT_EQ(files.release(u"Foo.utx"_s), c.deleted) << c.count;
        EXPECT_EQ(files.records()[0].RefCount, c.after);
        EXPECT_EQ(files.kept().size(), c.after > 1 ? 1 : 0);
    }
    catalogue::SharedFiles files({TSharedFileRecord{u"Foo.utx"_s, 2}});
    EXPECT_TRUE(files.release(u"Bar.utx"_s)) << "a file without a record goes";

    // An install raises what was there and adds the rest at 2.
    catalogue::SharedFiles shared({TSharedFileRecord{u"Foo.utx"_s, 2}});
    shared.registerExisting({u"Foo.utx"_s, u"New.usx"_s});
    EXPECT_EQ(shared.count(u"Foo.utx"_s), 3);
    EXPECT_EQ(shared.count(u"New.usx"_s), 2);
    EXPECT_EQ(shared.count(u"Other.u"_s), 0);
    // A 51-character name matches its own record, stored cut to 50.
    const QString longName = QString(47, u'x') + u".utx"_s;
    shared.registerExisting({longName});
    shared.registerExisting({longName});
    EXPECT_EQ(shared.count(longName), 3);
}

namespace {

AppState someFolders() {
    AppState s;
    s.ProgramDir = u"/data"_s;
    s.CustomMapDir = u"/archives/maps"_s;
    s.MutatorDir = u"/archives/mods"_s;
    s.CustomSkinDir = u"/archives/skins"_s;
    s.MapDirSet = s.MutatorDirSet = s.SkinDirSet = true;
    return s;
}

} // namespace

TEST(ContentKindsTest, EveryKindHasAWholeRowThatAgreesWithTheOtherRules) {
    const AppState s = someFolders();
    QStringList pages;
    for (const ContentKind kind : catalogue::AllKinds) {
        const catalogue::KindDescriptor& d = catalogue::describe(kind);
        SCOPED_TRACE(d.page.toString().toStdString());
        // The table is looked up by the kind's value: its rows stand in order.
        EXPECT_EQ(d.kind, kind);
        // The words the texts use, each derived the same way: "Maps",
        // "map", "maps", " map(s)".
        ASSERT_FALSE(d.one.isEmpty());
        EXPECT_EQ(d.many.toString(), d.one.toString() + u's');
        EXPECT_EQ(d.page.toString(),
                  d.many.first(1).toString().toUpper() + d.many.sliced(1).toString());
        EXPECT_EQ(d.counted.toString(), u' ' + d.one.toString() + u"(s)"_s);
        EXPECT_TRUE(d.infoLabel.toString().contains(u':'));
        EXPECT_FALSE(pages.contains(d.page.toString()));
        pages.append(d.page.toString());

        // Its record file lies in the program folder; its archives in the
        // folder the settings name.
        EXPECT_TRUE(catalogue::recordFile(s, kind).startsWith(s.ProgramDir + u'/'));
        EXPECT_TRUE(catalogue::recordFile(s, kind).endsWith(u".dat"_s));
        EXPECT_FALSE(catalogue::archiveFolder(s, kind).isEmpty());
        EXPECT_FALSE(catalogue::otherRecordFiles(s, kind).contains(catalogue::recordFile(s, kind)));
        // Everything that goes through all record files meets it once.
        EXPECT_EQ(catalogue::recordFileMembers().count(d.recordFile), 1);
        EXPECT_EQ(catalogue::recordFiles(s).count(catalogue::recordFile(s, kind)), 1);

        // What the scan gives a new record and what an install makes of it
        // are records of this kind: its file reads them back as its own,
        // and its lists show them.
        for (const qint32 recordKind :
             {d.newRecordKind, d.installedKind, catalogue::installedKind(kind, true)}) {
            EXPECT_GE(recordKind, d.firstRecordKind);
            EXPECT_LE(recordKind, d.lastRecordKind);
            EXPECT_LT(recordKind, catalogue::record_kind::Rejected);
            EXPECT_EQ(catalogue::kindOfRecord(d.recordFile, recordKind), kind) << recordKind;
        }
        TContentRecord fresh;
        fresh.ArchiveName = u"A.zip"_s;
        fresh.DisplayName = u"A"_s;
        fresh.Kind = d.newRecordKind;
        EXPECT_TRUE(catalogue::isOnList(fresh, kind, ListSide::NotInstalled));
        fresh.Installed = 1;
        fresh.Kind = catalogue::installedKind(kind);
        EXPECT_TRUE(catalogue::isOnList(fresh, kind, ListSide::Installed));
        // Never on the lists of another kind that shares its file.
        for (const ContentKind other : catalogue::AllKinds) {
            if (other != kind &&
                catalogue::recordFile(s, other) == catalogue::recordFile(s, kind)) {
                EXPECT_FALSE(catalogue::isOnList(fresh, other, ListSide::Installed));
            }
        }

        // The entries the scan counts and names by are files the install
        // places: the extension table knows them.
        EXPECT_TRUE(catalogue::gameFolderForExtension(s, QString::fromLatin1(d.requiredExt)))
            << d.requiredExt;
        EXPECT_TRUE(catalogue::gameFolderForExtension(s, QString::fromLatin1(d.nameExt)))
            << d.nameExt;
        EXPECT_TRUE(QString::fromLatin1(d.tooManyText).startsWith(u" - "_s));

        // The texts of its page's commands.
        EXPECT_TRUE(d.unreadableText.endsWith(u" missing or corrupt"_s));
        EXPECT_TRUE(d.noneSelectedText.startsWith(u"  No "_s));
        EXPECT_TRUE(d.noneSelectedText.endsWith(u" selected! Try again."_s));
        EXPECT_TRUE(d.deleteFailedText.startsWith(u"  Operation failed"_s));
        // Kinds that keep one record file read it once, so they say the same
        // when it cannot be read, and keep its records by the same rule.
        for (const ContentKind other : catalogue::AllKinds) {
            const catalogue::KindDescriptor& o = catalogue::describe(other);
            if (o.recordFile != d.recordFile)
                continue;
            EXPECT_EQ(o.unreadableText, d.unreadableText);
            EXPECT_EQ(o.keepsRecordWithoutArchive, d.keepsRecordWithoutArchive);
            EXPECT_EQ(o.writeBack, d.writeBack);
        }
        // A kind that keeps records without their archive never lists them
        // to be installed again.
        EXPECT_TRUE(!d.keepsRecordWithoutArchive || d.leftListNeedsArchive);
    }
    // In page order: the record checks, the journal and the reports meet
    // the files as they always have.
    EXPECT_EQ(catalogue::recordFiles(s), (QStringList{s.mapDataPath(), s.modDataPath()}));
}

TEST(ContentKindsTest, ARecordOfAFileBelongsToTheKindItsRecordKindNames) {
    struct Case {
        catalogue::RecordFileOf file;
        qint32 recordKind;
        ContentKind page;
    };
    // Kinds never written are read as the lists always read them: somdata.dat
    // holds skins for 2 to 9 and mutators for everything else.
    const Case cases[] = {
        {&AppState::mapDataPath, 0, ContentKind::Maps},
        {&AppState::mapDataPath, 3, ContentKind::Maps},
        {&AppState::mapDataPath, 10, ContentKind::Maps},
        {&AppState::modDataPath, -1, ContentKind::Mutators},
        {&AppState::modDataPath, 0, ContentKind::Mutators},
        {&AppState::modDataPath, 1, ContentKind::Mutators},
        {&AppState::modDataPath, 2, ContentKind::Skins},
        {&AppState::modDataPath, 9, ContentKind::Skins},
        {&AppState::modDataPath, 10, ContentKind::Mutators},
    };
    for (const Case& c : cases)
        EXPECT_EQ(catalogue::kindOfRecord(c.file, c.recordKind), c.page) << c.recordKind;
    const AppState s = someFolders();
    EXPECT_EQ(catalogue::otherRecordFiles(s, ContentKind::Maps), QStringList{s.modDataPath()});
    EXPECT_EQ(catalogue::otherRecordFiles(s, ContentKind::Skins), QStringList{s.mapDataPath()});
}
