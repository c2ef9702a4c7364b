#include "core/content_db.h"
#include "core/content_lists.h"
#include "core/record_guard.h"

#include "platform/errors.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;
using testing_support::TempTree;

namespace {

// Writes a length-prefixed field by hand, independent of the encoder.
void field(QByteArray& bytes, int offset, const QByteArray& text) {
    bytes[offset] = static_cast<char>(text.size());
    bytes.replace(offset + 1, text.size(), text);
}

void int32At(QByteArray& bytes, int offset, qint32 value) {
    qToLittleEndian<qint32>(value, bytes.data() + offset);
}

TContentRecord makeRecord(const QString& archive, const QString& display, quint8 installed,
                          qint32 kind) {
    TContentRecord rec;
    rec.ArchiveName = archive;
    rec.ArchiveDir = u"/srv/maps/"_s;
    rec.DisplayName = display;
    rec.Installed = installed;
    rec.Kind = kind;
    rec.AddedDate = u"2004-05-17"_s;
    return rec;
}

struct DbFixture : ::testing::Test {
    TempTree tree;
    AppState state;
    void SetUp() override { state.ProgramDir = tree.root(); }
};

} // namespace

TEST(RecordLayout, FreshlyScannedMapRecordByteForByte) {
    TContentRecord rec = makeRecord(u"DM-Sample.zip"_s, u"DM-Sample.ut2"_s, 0, 0);
    rec.FileCount = 2;
    rec.Files = {u"DM-Sample.ut2"_s, u"readme.txt"_s};

    QByteArray expected(5336, '\0');
    field(expected, 0, "DM-Sample.zip");
    field(expected, 51, "/srv/maps/");
    field(expected, 152, "DM-Sample.ut2");
    field(expected, 208, "2004-05-17");
    expected[232] = 2;
    field(expected, 236, "DM-Sample.ut2");
    field(expected, 287, "readme.txt");

    const QByteArray bytes = rec.toBytes();
    ASSERT_EQ(bytes.size(), 5336);
    EXPECT_EQ(bytes.at(51), 0x0A);
    EXPECT_EQ(bytes.toHex(), expected.toHex());
}

TEST_F(DbFixture, HandMadeFileReadsFieldByField) {
    // Garbage after every text and in the padding must be ignored.
    QByteArray first(5336, '\x77');
    field(first, 0, "CTF-Face.zip");
    field(first, 51, "/home/u/maps/");
    field(first, 152, "CTF-Face.ut2");
    first[203] = 1;
    int32At(first, 204, 3);
    field(first, 208, "2004-05-17");
    field(first, 219, "2004-06-01");
    int32At(first, 232, 2);
    field(first, 236, "CTF-Face.ut2");
    field(first, 287, "Face.utx");
    QByteArray second(5336, '\0');
    second[0] = '\xFF'; // length beyond capacity: the field is read as 50 bytes
    second.replace(1, 50, QByteArray(50, 'n'));
    int32At(second, 204, -7);
    int32At(second, 232, 1000);
    // A 5337-byte file would hold one record; here two plus one stray byte.
    const QString path = tree.file(u"mapdata.dat"_s, first + second + "x");

    // The second record could not have been written by Quorvel (a length
    // byte beyond its field, Kind -7, FileCount 1000): the reader leaves it
    // out, so no rewrite carries it on in a clamped form. The decoder
    // itself still clamps what it meets.
    const QList<TContentRecord> recs = content_db::ReadAll(path);
    ASSERT_EQ(recs.size(), 1);
    const TContentRecord& a = recs[0];
    EXPECT_EQ(a.ArchiveName, u"CTF-Face.zip"_s);
    EXPECT_EQ(a.ArchiveDir, u"/home/u/maps/"_s);
    EXPECT_EQ(a.DisplayName, u"CTF-Face.ut2"_s);
    EXPECT_EQ(a.Installed, 1);
    EXPECT_EQ(a.Kind, 3);
    EXPECT_EQ(a.AddedDate, u"2004-05-17"_s);
    EXPECT_EQ(a.InstallDate, u"2004-06-01"_s);
    EXPECT_EQ(a.FileCount, 2);
    EXPECT_EQ(a.Files, (QStringList{u"CTF-Face.ut2"_s, u"Face.utx"_s}));
    const TContentRecord b = TContentRecord::fromBytes(second.constData());
    EXPECT_EQ(b.ArchiveName, QString(50, u'n'));
    EXPECT_EQ(b.Kind, -7);
    EXPECT_EQ(b.FileCount, 100);
    EXPECT_EQ(b.Files.size(), 100);

    tree.file(u"one.dat"_s, first + "x");
    EXPECT_EQ(content_db::ReadAll(tree.path(u"one.dat"_s)).size(), 1);
}

TEST(RecordLayout, CleanRecordRuleTakesWhatWritersWriteOnly) {
    QByteArray sound = makeRecord(u"DM-A.zip"_s, {}, 1, 3).toBytes();
    int32At(sound, 232, 2);
    field(sound, 236, "DM-A.ut2");
    field(sound, 287, QByteArray(50, 'f'));
    sound.replace(400, 30, QByteArray(30, '\xEE')); // after FileCount: no meaning
    sound[230] = '\x99';                            // padding
    sound[70] = '\x81';                             // after the folder's text
    const QByteArray old = sound.left(3296);
    const struct {
        int offset;
        QByteArray bytes;
        bool clean;
    } cases[] = {
        // ArchiveName 1 to 50 bytes, ArchiveDir up to 100, DisplayName up to 50
        {0, QByteArray(1, '\0'), false},
        {0, "\x32", true},
        {0, "\x33", false},
        {51, "\x64", true},
        {51, "\x65", false},
        {152, QByteArray(1, '\0'), true},
        {152, "\x33", false},
        // Installed 0 or 1
        {203, QByteArray(1, '\0'), true},
        {203, "\x02", false},
        {203, "\xFF", false},
        // Kind 0 to 3 or 10
        {204, QByteArray("\0\0\0\0", 4), true},
        {204, QByteArray("\x02\0\0\0", 4), true},
        {204, QByteArray("\x0A\0\0\0", 4), true},
        {204, QByteArray("\x04\0\0\0", 4), false},
        {204, QByteArray("\x09\0\0\0", 4), false},
        {204, QByteArray("\x0B\0\0\0", 4), false},
        {204, "\xFF\xFF\xFF\xFF", false},
        // the two dates up to 10
        {208, "\x0A", true},
        {208, "\x0B", false},
        {219, "\x0B", false},
        // FileCount from 0, and the entries it counts up to 50 (of 2 here)
        {232, QByteArray("\0\0\0\0", 4), true},
        {232, QByteArray("\x3C\0\0\0", 4), true},
        {232, "\xFF\xFF\xFF\xFF", false},
        {287, "\x33", false},
        {338, "\xFF", true},
        // what a text holds is never judged
        {300, QByteArray("\x00\xFF\xC3", 3), true},
    };
    ASSERT_TRUE(TContentRecord::isClean(sound.constData()));
    ASSERT_TRUE(TContentRecord::isClean(old.constData(), 3296));
    for (const auto& c : cases) {
        QByteArray r = sound;
        r.replace(c.offset, c.bytes.size(), c.bytes);
        EXPECT_EQ(TContentRecord::isClean(r.constData()), c.clean)
            << c.offset << " " << c.bytes.toHex().toStdString();
        EXPECT_EQ(TContentRecord::isClean(r.left(3296).constData(), 3296), c.clean) << c.offset;
    }
    // FileCount up to 100, or 60 in the old record.
    const struct {
        qint32 count;
        bool clean;
        bool oldClean;
    } counts[] = {{60, true, true}, {61, true, false}, {100, true, false}, {101, false, false}};
    for (const auto& c : counts) {
        QByteArray r = sound;
        int32At(r, 232, c.count);
        EXPECT_EQ(TContentRecord::isClean(r.constData()), c.clean) << c.count;
        EXPECT_EQ(TContentRecord::isClean(r.left(3296).constData(), 3296), c.oldClean) << c.count;
    }

    const QByteArray shared = TSharedFileRecord{u"Shared.utx"_s, 2}.toBytes();
    const struct {
        int offset;
        QByteArray bytes;
        bool clean;
    } sharedCases[] = {
        {0, QByteArray(1, '\0'), false},
        {0, "\x32", true},
        {0, "\x33", false},
        {51, "\xFF", true}, // padding
        {52, QByteArray("\x01\0\0\0", 4), false},
        {52, QByteArray("\x40\x42\x0F\0", 4), true}, // 1,000,000
        {52, QByteArray("\x41\x42\x0F\0", 4), false},
        {52, "\xFE\xFF\xFF\xFF", false},
    };
    ASSERT_TRUE(TSharedFileRecord::isClean(shared.constData()));
    for (const auto& c : sharedCases) {
        QByteArray r = shared;
        r.replace(c.offset, c.bytes.size(), c.bytes);
        EXPECT_EQ(TSharedFileRecord::isClean(r.constData()), c.clean)
            << c.offset << " " << c.bytes.toHex().toStdString();
    }
}

TEST_F(DbFixture, DamagedFileReadsItsCleanRecordsOnly) {
    const QByteArray a = makeRecord(u"DM-A.zip"_s, u"DM-A"_s, 1, 0).toBytes();
    QByteArray junk = makeRecord(u"DM-J.zip"_s, u"DM-J"_s, 1, 0).toBytes();
    junk[203] = 7;
    QByteArray b = makeRecord(u"DM-B.zip"_s, u"DM-B"_s, 0, 0).toBytes();
    b[5000] = 'k'; // bytes without meaning travel with the record
    const QString path = tree.file(u"mapdata.dat"_s, a + junk + b + QByteArray(100, 'x'));

    const content_db::FileReading reading = content_db::InspectFile(path, 5336);
    EXPECT_EQ(reading.cleanRecords, 2);
    EXPECT_EQ(reading.droppedRecords, 1);
    EXPECT_EQ(reading.tornBytes, 100);
    EXPECT_TRUE(reading.damaged());
    EXPECT_EQ(content_db::CleanRecordBytes(path, 5336), a + b);
    const QList<TContentRecord> recs = content_db::ReadAll(path);
    ASSERT_EQ(recs.size(), 2);
    EXPECT_EQ(recs[1].ArchiveName, u"DM-B.zip"_s);
    EXPECT_FALSE(content_db::InspectFile(tree.file(u"empty.dat"_s), 56).damaged());

    // Append keeps the clean records byte for byte and drops the rest.
    content_db::Append(path, makeRecord(u"DM-C.zip"_s, {}, 1, 1));
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), a + b + makeRecord(u"DM-C.zip"_s, {}, 1, 1).toBytes());

    const QByteArray one = TSharedFileRecord{u"One.utx"_s, 3}.toBytes();
    const QByteArray zero(56, '\0'); // what a crash may leave in place of data
    const QString sharedPath = tree.file(u"sharedfiles.dat"_s, zero + one + "ab");
    const content_db::FileReading sharedReading = content_db::InspectFile(sharedPath, 56);
    EXPECT_EQ(sharedReading.cleanRecords, 1);
    EXPECT_EQ(sharedReading.droppedRecords, 1);
    EXPECT_EQ(sharedReading.tornBytes, 2);
    ASSERT_EQ(content_db::ReadAllShared(sharedPath).size(), 1);
    EXPECT_EQ(content_db::ReadAllShared(sharedPath)[0].RefCount, 3);
}

TEST_F(DbFixture, GuardChangesNothingWhenTheCopyCannotBeKept) {
    const QByteArray a = makeRecord(u"DM-A.zip"_s, {}, 0, 0).toBytes();
    tree.file(u"mapdata.dat"_s, a + "torn");
    tree.file(u"mapdata.dat.damaged/in the way"_s, "a folder of that name");
    RecordFileGuard guard;
    try {
        guard.check(state);
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.text().startsWith(u"The record file "_s + state.mapDataPath() +
                                        u" is damaged, and no copy of it could be kept as "_s +
                                        state.mapDataPath() + u".damaged. Nothing was changed."_s))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().endsWith(
            u"\r\rMake room on the disk or let Quorvel write to its folder, then try again."_s));
    }
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), a + "torn");

    // Looked at again next time, as nothing was kept.
    QDir(tree.path(u"mapdata.dat.damaged"_s)).removeRecursively();
    const QList<RecordDamage> found = guard.check(state);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].reading.tornBytes, 4);
    EXPECT_EQ(tree.read(u"mapdata.dat.damaged"_s), a + "torn");
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), a);
    EXPECT_TRUE(guard.check(state).isEmpty());
}

TEST(RecordLayout, FileCountFromDiskIsClamped) {
    QByteArray bytes(5336, '\0');
    int32At(bytes, 232, -1);
    EXPECT_EQ(TContentRecord::fromBytes(bytes.constData()).FileCount, 0);
    int32At(bytes, 232, 99);
    const TContentRecord old = TContentRecord::fromBytes(bytes.constData(), 3296);
    EXPECT_EQ(old.FileCount, 60);
    EXPECT_EQ(old.Files.size(), 60);
}

TEST(RecordText, CutAtCharacterBoundary) {
    const struct {
        QString text;
        int capacity;
        QString stored;
    } cases[] = {
        {QString(30, u'é'), 50, QString(25, u'é')}, // 2-byte chars fill it exactly
        {u"a"_s + QString(30, u'é'), 50, u"a"_s + QString(24, u'é')}, // 49 bytes, no half char
        {u"ab"_s + QString(20, u'€'), 10, u"ab"_s + QString(2, u'€')},
        {u"x😀😀"_s, 6, u"x😀"_s},
        {u"2004-05-17"_s, 10, u"2004-05-17"_s},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = record_text::encode(c.text, c.capacity);
        EXPECT_LE(bytes.size(), c.capacity);
        EXPECT_EQ(QString::fromUtf8(bytes), c.stored) << c.text.toStdString();
    }
    TContentRecord rec;
    rec.ArchiveName = u"a"_s + QString(30, u'é');
    const QByteArray bytes = rec.toBytes();
    EXPECT_EQ(bytes.at(0), 49);
    EXPECT_EQ(TContentRecord::fromBytes(bytes.constData()).ArchiveName, u"a"_s + QString(24, u'é'));
}

TEST(RecordText, InvalidUtf8IsReadAsWindows1252) {
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"Caf\xE9", u"Café"_s},
        {"\x80", u"€"_s},
        {"\x8A\x9F\x93q\x94", u"ŠŸ“q”"_s},
        {"\x81\x8D", QString(QChar(0x81)) + QChar(0x8D)},
        {"Caf\xC3\xA9", u"Café"_s},      // valid UTF-8 stays UTF-8
        {"\xC3", u"Ã"_s},                // a sequence cut off at the end
        {"\xC0\xAF", u"À¯"_s},           // overlong form
        {"\xED\xA0\x80", u"í\u00A0€"_s}, // encoded surrogate
    };
    for (const auto& c : cases)
        EXPECT_EQ(record_text::decode(c.bytes.constData(), int(c.bytes.size())), c.text)
            << c.bytes.toHex().toStdString();
}

TEST_F(DbFixture, UpgradeConvertsOldRecordsFieldByField) {
    QByteArray old;
    for (int i = 0; i < 3; ++i) {
        QByteArray r(3296, '\x5A'); // garbage everywhere no field claims
        field(r, 0, "Arch" + QByteArray::number(i) + ".zip");
        field(r, 51, "/old/dir/");
        field(r, 152, "Shown" + QByteArray::number(i));
        r[203] = char(i % 2);
        int32At(r, 204, i + 1);
        field(r, 208, "2003-01-0" + QByteArray::number(i + 1));
        field(r, 219, i == 1 ? QByteArray("2003-02-02") : QByteArray());
        const int count = i == 2 ? 60 : i + 1;
        int32At(r, 232, count);
        for (int f = 0; f < count; ++f)
            field(r, 236 + 51 * f, "file" + QByteArray::number(f) + ".u");
        old += r;
    }
    tree.file(u"mapdata.dat"_s, old);
    tree.file(u"somdata.dat"_s, old.left(3296));

    content_db::UpgradeRecords(state);

    const QByteArray map = tree.read(u"mapdata.dat"_s);
    ASSERT_EQ(map.size(), 3 * 5336);
    EXPECT_EQ(tree.read(u"somdata.dat"_s).size(), 5336);
    for (int i = 0; i < 3; ++i) {
        const QByteArray r = map.mid(i * 5336, 5336);
        EXPECT_EQ(r.mid(236 + 60 * 51), QByteArray(40 * 51, '\0')) << "entries 61..100 of " << i;
        EXPECT_EQ(r.mid(230, 2), QByteArray(2, '\0'));
        const TContentRecord n = TContentRecord::fromBytes(r.constData());
        const TContentRecord o = TContentRecord::fromBytes(old.constData() + i * 3296, 3296);
        EXPECT_EQ(n.ArchiveName, o.ArchiveName);
        EXPECT_EQ(n.ArchiveDir, u"/old/dir/"_s);
        EXPECT_EQ(n.DisplayName, o.DisplayName);
        EXPECT_EQ(n.Installed, o.Installed);
        EXPECT_EQ(n.Kind, i + 1);
        EXPECT_EQ(n.AddedDate, o.AddedDate);
        EXPECT_EQ(n.InstallDate, o.InstallDate);
        EXPECT_EQ(n.Files, o.Files);
        // Bytes after each text are zero, not copied garbage.
        EXPECT_EQ(r.mid(10, 41), QByteArray(41, '\0'));
    }
    EXPECT_EQ(TContentRecord::fromBytes(map.constData() + 2 * 5336).FileCount, 60);
}

TEST_F(DbFixture, SharedRecordsRoundTripWithLayout) {
    TSharedFileRecord a{u"Shared.utx"_s, 2};
    TSharedFileRecord b{u"Über.u"_s, 7};
    const QString path = tree.path(u"sharedfiles.dat"_s);
    content_db::WriteAllShared(path, {a, b});
    const QByteArray bytes = tree.read(u"sharedfiles.dat"_s);
    ASSERT_EQ(bytes.size(), 2 * 56);
    EXPECT_EQ(bytes.left(11), QByteArray("\x0aShared.utx"));
    EXPECT_EQ(bytes.mid(51, 5), QByteArray("\0\2\0\0\0", 5));
    const QList<TSharedFileRecord> back = content_db::ReadAllShared(path);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].FileName, a.FileName);
    EXPECT_EQ(back[0].RefCount, 2);
    EXPECT_EQ(back[1].FileName, b.FileName);
    EXPECT_EQ(back[1].RefCount, 7);
}

TEST_F(DbFixture, AppendKeepsRecordsInLine) {
    const QString path = tree.path(u"somdata.dat"_s);
    EXPECT_THROW(content_db::Append(path, makeRecord(u"a.zip"_s, {}, 1, 0)), platform::Error);

    QByteArray first = makeRecord(u"first.zip"_s, {}, 0, 0).toBytes();
    first[300] = '\x42'; // bytes of existing records are kept as they are
    tree.file(u"somdata.dat"_s, first + "partial");
    content_db::Append(path, makeRecord(u"second.zip"_s, u"Second"_s, 1, 1));
    const QByteArray bytes = tree.read(u"somdata.dat"_s);
    ASSERT_EQ(bytes.size(), 2 * 5336);
    EXPECT_EQ(bytes.left(5336), first);
    const QList<TContentRecord> recs = content_db::ReadAll(path);
    EXPECT_EQ(recs[1].ArchiveName, u"second.zip"_s);
    EXPECT_EQ(recs[1].Kind, 1);
}

TEST_F(DbFixture, FindByNameFirstExactMatch) {
    const QString path = tree.path(u"mapdata.dat"_s);
    content_db::WriteAll(path, {makeRecord(u"DM-A.zip"_s, u"DM-A"_s, 0, 0),
                                makeRecord(u"DM-B.zip"_s, u"DM-A.zip"_s, 1, 0),
                                makeRecord(u"DM-A.zip"_s, u"Other"_s, 0, 2)});
    EXPECT_EQ(content_db::FindByName(path, u"DM-A.zip"_s).DisplayName, u"DM-A"_s);
    EXPECT_EQ(content_db::FindByName(path, u"Other"_s).Kind, 2);
    EXPECT_THROW(content_db::FindByName(path, u"dm-a"_s), platform::Error);
}

TEST_F(DbFixture, CreateMissingFilesLeavesExistingAlone) {
    tree.file(u"mapdata.dat"_s, "keep");
    content_db::CreateMissingFiles(state);
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), QByteArray("keep"));
    ASSERT_TRUE(tree.exists(u"somdata.dat"_s));
    EXPECT_TRUE(tree.read(u"somdata.dat"_s).isEmpty());
    ASSERT_TRUE(tree.exists(u"sharedfiles.dat"_s));

    state.ProgramDir = tree.path(u"missing/folder"_s);
    EXPECT_THROW(content_db::CreateMissingFiles(state), platform::Error);
    try {
        content_db::ReadAll(state.mapDataPath());
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.text().contains(state.mapDataPath()));
    }
}

// ---- list loaders ----

TEST_F(DbFixture, EmptyMapDatabaseCountsZero) {
    tree.file(u"mapdata.dat"_s);
    const KindLists lists = LoadKindLists(state, ContentKind::Maps, u"All"_s);
    EXPECT_TRUE(lists.installed.isEmpty());
    EXPECT_TRUE(lists.notInstalled.isEmpty());
    EXPECT_TRUE(lists.error.isEmpty());
    EXPECT_EQ(lists.status, u"  0 maps listed as installed and 0 maps as not installed"_s);
}

TEST_F(DbFixture, MapKindsDecideTheList) {
    content_db::WriteAll(state.mapDataPath(),
                         {makeRecord(u"DM-On.zip"_s, u"DM-On"_s, 1, 0),
                          makeRecord(u"DM-Gone.zip"_s, u"DM-Gone"_s, 1, 1), // archive deleted
                          makeRecord(u"DM-Off.zip"_s, u"DM-Off"_s, 0, 0),
                          makeRecord(u"DM-Gone2.zip"_s, u"DM-Gone2"_s, 0, 1), // uninstalled, no zip
                          makeRecord(u"DM-Bad.zip"_s, u"DM-Bad"_s, 0, 10),
                          makeRecord(u"DM-Bad2.zip"_s, u"DM-Bad2"_s, 1, 12)});
    const KindLists lists = LoadKindLists(state, ContentKind::Maps, u"all"_s);
    EXPECT_EQ(lists.installed, (QStringList{u"DM-Gone"_s, u"DM-On"_s}));
    EXPECT_EQ(lists.notInstalled, QStringList{u"DM-Off.zip"_s});
    EXPECT_EQ(lists.status, u"  2 maps listed as installed and 1 maps as not installed"_s);
}

TEST_F(DbFixture, MapFilterComparesPrefixBeforeFirstDash) {
    content_db::WriteAll(state.mapDataPath(),
                         {makeRecord(u"x.zip"_s, u"CTF-Face"_s, 1, 0),
                          makeRecord(u"y.zip"_s, u"ctf-Lava-Remix"_s, 1, 0),
                          makeRecord(u"z.zip"_s, u"DM-Deck"_s, 1, 0),
                          makeRecord(u"w.zip"_s, u"CTFNoDash"_s, 1, 0),
                          makeRecord(u"u.zip"_s, u"CTF"_s, 1, 0), // no dash: empty prefix
                          makeRecord(u"v.zip"_s, u"BR-CTF-Mixed"_s, 1, 0),
                          makeRecord(u"Ctf-Open.zip"_s, u"ignored"_s, 0, 0),
                          makeRecord(u"DM-Open.zip"_s, u"CTF-ignored"_s, 0, 0)});
    const KindLists lists = LoadKindLists(state, ContentKind::Maps, u"CTF"_s);
    EXPECT_EQ(lists.installed, (QStringList{u"CTF-Face"_s, u"ctf-Lava-Remix"_s}));
    EXPECT_EQ(lists.notInstalled, QStringList{u"Ctf-Open.zip"_s});
    EXPECT_EQ(lists.status, u"  2 maps listed as installed and 1 maps as not installed"_s);
    EXPECT_EQ(LoadKindLists(state, ContentKind::Maps, u"ALL"_s).installed.size(), 6);
}

TEST_F(DbFixture, ModKindsSplitSkinsAndMutators) {
    content_db::WriteAll(state.modDataPath(),
                         {makeRecord(u"MutOn.zip"_s, u"Mut On"_s, 1, 0),
                          makeRecord(u"MutGone.zip"_s, u"Mut Gone"_s, 0, 1),
                          makeRecord(u"SkinOn.zip"_s, {}, 1, 2), // listed by archive name
                          makeRecord(u"SkinOff.zip"_s, u"Skin Off"_s, 0, 3),
                          makeRecord(u"Odd.zip"_s, u"Odd Skin"_s, 0, 9),
                          makeRecord(u"Bad.zip"_s, u"Bad"_s, 1, 10)});
    // One read gives both pages of somdata.dat, in page order; a filter
    // mask does not narrow kinds whose page has no filter.
    const QList<KindLists> mods = LoadSharingLists(state, ContentKind::Skins, u"Mut"_s);
    ASSERT_EQ(mods.size(), 2);
    const KindLists& mutators = mods[0];
    const KindLists& skins = mods[1];
    EXPECT_EQ(mutators.kind, ContentKind::Mutators);
    EXPECT_EQ(skins.kind, ContentKind::Skins);
    EXPECT_EQ(mutators.installed, QStringList{u"Mut On"_s});
    EXPECT_EQ(mutators.notInstalled, QStringList{u"Mut Gone"_s});
    EXPECT_EQ(skins.installed, QStringList{u"SkinOn.zip"_s});
    // Kind 9 is never written: the reader leaves such a record out as
    // damaged (it was listed as a skin before damaged records were kept
    // aside and named).
    EXPECT_EQ(skins.notInstalled, (QStringList{u"Skin Off"_s}));
    EXPECT_EQ(mutators.status,
              u"  1 mutators listed as installed and 1 mutators as not installed"_s);
    EXPECT_EQ(skins.status, u"  1 skins listed as installed and 1 skins as not installed"_s);
    const KindLists alone = LoadKindLists(state, ContentKind::Mutators, u"All"_s);
    EXPECT_EQ(alone.kind, ContentKind::Mutators);
    EXPECT_EQ(alone.notInstalled, mutators.notInstalled);
    EXPECT_EQ(alone.status, mutators.status);
}

TEST_F(DbFixture, MissingDatabaseGivesMessageAndNoStatus) {
    for (const KindLists& mods : LoadSharingLists(state, ContentKind::Mutators, u"All"_s)) {
        EXPECT_EQ(mods.error, u"Databasefile missing or corrupt\rRun config and Update database"_s);
        EXPECT_TRUE(mods.status.isEmpty());
        EXPECT_TRUE(mods.notInstalled.isEmpty() && mods.installed.isEmpty());
    }
    const KindLists maps = LoadKindLists(state, ContentKind::Maps, u"ALL"_s);
    EXPECT_EQ(maps.error, u"Map database missing or corrupt\rRun config and Update database"_s);
    EXPECT_TRUE(maps.status.isEmpty());
}

TEST_F(DbFixture, ListsInNameOrderKeepDuplicates) {
    QList<TContentRecord> recs;
    for (const QString& name : {u"b.zip"_s, u"A.zip"_s, u"a.zip"_s, u"B.zip"_s, u"a.zip"_s})
        recs.append(makeRecord(name, {}, 0, 0));
    content_db::WriteAll(state.mapDataPath(), recs);
    EXPECT_EQ(LoadKindLists(state, ContentKind::Maps, u"ALL"_s).notInstalled,
              (QStringList{u"A.zip"_s, u"a.zip"_s, u"a.zip"_s, u"b.zip"_s, u"B.zip"_s}));

    QStringList list;
    for (const QString& e : {u"Zeta"_s, u"alpha"_s, u"Alpha"_s, u"beta"_s, u"ALPHA"_s})
        insertByName(list, e);
    EXPECT_EQ(list, (QStringList{u"alpha"_s, u"Alpha"_s, u"ALPHA"_s, u"beta"_s, u"Zeta"_s}));
}
