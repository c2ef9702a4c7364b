// The rule tables of the scans: log texts, entry extensions, write-back,
// and the name passes over a mutator's .int file.
#include "intake/scan_int_name.h"
#include "intake/scan_rules.h"

#include "core/app_core.h"
#include "platform/file_helpers.h"
#include "platform/status_sink.h"
#include "support/fake_dialogs.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QSet>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <ostream>

using namespace Qt::Literals::StringLiterals;
using ScanKind = catalogue::ContentKind;

TEST(ScanRules, RejectTextsPerScan) {
    const QString tooManyMaps = u" - To many files in Archive. Possibly not a map"_s;
    const QString tooManyMods = u" - To many files in Archive. Install manually."_s;
    // By format: the reason texts, the invalid one naming the format.
    const QList<std::pair<QString, QStringList>> common{
        {u"zip"_s,
         {u" - Unknown file. Not supported by Quorvel"_s, u" - Not a valid zip-file"_s,
          u" - .ut4mod- or .exe-file. Not supported by Quorvel"_s}},
        {u"rar"_s,
         {u" - Unknown file. Not supported by Quorvel"_s, u" - Not a valid rar-file"_s,
          u" - .ut4mod- or .exe-file. Not supported by Quorvel"_s}},
    };
    for (const auto& [kind, tooMany] :
         {std::pair{ScanKind::Maps, tooManyMaps}, std::pair{ScanKind::Mutators, tooManyMods},
          std::pair{ScanKind::Skins, tooManyMods}}) {
        const catalogue::KindDescriptor& rules = catalogue::describe(kind);
        for (const auto& [word, texts] : common) {
            for (int reason = 0; reason <= 3; ++reason)
                EXPECT_EQ(intake::rejectText(rules, reason, word),
                          reason == 3 ? tooMany : texts[reason])
                    << int(kind) << " " << reason << " " << word.toStdString();
        }
    }
    EXPECT_EQ(intake::notAnArchiveText(), u" - Not a .zip- or .rar-archive."_s);
}

TEST(ScanRules, EntryExtensions) {
    const QList<QPair<QString, QString>> cases{
        {u"DM-Foo.UT2"_s, u".ut2"_s},
        {u"Maps/DM-Foo.ut2"_s, u".ut2"_s},
        {u"Maps\\sub.dir\\readme"_s, QString()},
        {u"x.v2/readme"_s, QString()},
        {u"archive.tar.GZ"_s, u".gz"_s},
        {u"odd.ABCDEFGHIJKL"_s, u".abcdefghi"_s},
        {u"trailing."_s, u"."_s},
        {u".hidden"_s, u".hidden"_s},
    };
    for (const auto& [name, ext] : cases)
        EXPECT_EQ(intake::entryExtension(name), ext) << name.toStdString();
}

TEST(ScanRules, PlaceTooLongCountsBytesAndNamesTheCause) {
    const QString name = u" - File name too long (more than 50 characters). Rename the archive."_s;
    const QString folder = u" - Folder path too long (more than 100 characters). Move the archive "
                           u"to a shorter folder."_s;
    const QString dir100 = u'/' + QString(98, u'd') + u'/';
    const QString dir101 = u'/' + QString(99, u'd') + u'/';
    const QString name51 = QString(47, u'n') + u".zip"_s;
    EXPECT_EQ(intake::placeTooLongText(dir100, QString(46, u'n') + u".zip"_s), QString());
    EXPECT_EQ(intake::placeTooLongText(dir101, u"a.zip"_s), folder);
    EXPECT_EQ(intake::placeTooLongText(u"/m/"_s, name51), name);
    EXPECT_EQ(intake::placeTooLongText(dir101, name51), name) << "the name first";
    EXPECT_EQ(intake::placeTooLongText(u"/m/"_s, QString(25, QChar(u'\u00FC')) + u"x.zip"_s), name);
}

namespace {

struct KeepCase {
    const char* what;
    ScanKind kind;
    QString dir;
    quint8 installed;
    bool subDirs;
    bool exists;
    bool kept;
};

void PrintTo(const KeepCase& c, std::ostream* os) {
    *os << c.what;
}

class WriteBackTable : public testing::TestWithParam<KeepCase> {};

const QString MapDir = u"/data/maps"_s;
const QString ModDir = u"/data/mods"_s;
const QString SkinDir = u"/data/mods/skins"_s;

} // namespace

TEST_P(WriteBackTable, Keeps) {
    const KeepCase& c = GetParam();
    AppState s;
    s.CustomMapDir = MapDir;
    s.MutatorDir = ModDir;
    s.CustomSkinDir = SkinDir;
    s.ScanSubDirs = c.subDirs;
    TContentRecord rec;
    rec.ArchiveName = u"A.zip"_s;
    rec.ArchiveDir = c.dir;
    rec.Installed = c.installed;
    QStringList asked;
    const intake::WriteBackInput in{s, [&](const QString& p) {
                                        asked.append(p);
                                        return c.exists;
                                    }};
    EXPECT_EQ(intake::keepRecord(c.kind, rec, in), c.kept);
    for (const QString& p : asked)
        EXPECT_EQ(p, c.dir + u"A.zip"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Scans, WriteBackTable,
    testing::Values(
        KeepCase{"map installed, archive deleted", ScanKind::Maps, u"Deleted from disk"_s, 1, false,
                 false, true},
        KeepCase{"map in subfolder, subdirs off", ScanKind::Maps, u"/data/maps/sub/"_s, 0, false,
                 true, false},
        KeepCase{"map in folder, subdirs off", ScanKind::Maps, u"/data/maps/"_s, 0, false, true,
                 true},
        KeepCase{"map in subfolder, subdirs on", ScanKind::Maps, u"/data/maps/sub/"_s, 0, true,
                 true, true},
        KeepCase{"map archive gone", ScanKind::Maps, u"/data/maps/"_s, 0, true, false, false},
        KeepCase{"map marker cache", ScanKind::Maps, u"cache"_s, 0, true, false, true},
        KeepCase{"map uninstalled from Cache page", ScanKind::Maps, u"Cache"_s, 0, true, false,
                 false},
        KeepCase{"mutator installed", ScanKind::Mutators, u"Deleted from disk"_s, 1, true, false,
                 true},
        KeepCase{"mutator scan keeps skins", ScanKind::Mutators, u"/data/mods/skins/x/"_s, 0, false,
                 false, true},
        KeepCase{"mutator elsewhere, subdirs on", ScanKind::Mutators, u"/else/"_s, 0, true, true,
                 true},
        KeepCase{"mutator elsewhere, subdirs off", ScanKind::Mutators, u"/else/"_s, 0, false, true,
                 false},
        KeepCase{"mutator in folder, subdirs off", ScanKind::Mutators, u"/data/mods/"_s, 0, false,
                 true, true},
        KeepCase{"mutator gone", ScanKind::Mutators, u"/data/mods/"_s, 0, false, false, false},
        KeepCase{"skin scan keeps mutators", ScanKind::Skins, u"/data/mods/"_s, 0, false, false,
                 true},
        KeepCase{"skin in folder, subdirs off", ScanKind::Skins, u"/data/mods/skins/"_s, 0, false,
                 true, true},
        KeepCase{"skin gone", ScanKind::Skins, u"/else/"_s, 0, true, false, false}));

TEST(ScanRules, EmptyOtherFolderKeepsNothing) {
    AppState s;
    s.MutatorDir = ModDir;
    s.ScanSubDirs = false;
    TContentRecord rec;
    rec.ArchiveName = u"A.zip"_s;
    rec.ArchiveDir = u"/else/"_s;
    const intake::WriteBackInput in{s, [](const QString&) { return true; }};
    EXPECT_FALSE(intake::keepRecord(ScanKind::Mutators, rec, in));
}

TEST(IntName, ThreePasses) {
    struct Case {
        QStringList lines;
        QString name;
    };
    const QList<Case> cases{
        {{u"Object=(Class=Class,MetaClass=Engine.Mutator,Name=MutFoo.MutBar,Description=\"x\")"_s},
         u"MutFoo"_s},
        {{u"Name=A.B"_s, u"FriendlyName=\"Friendly\""_s, u"ITEMNAME=\"Item\" trailing"_s},
         u"Item"_s},
        {{u"name=A.B"_s, u"FRIENDLYNAME=\"Friendly\""_s}, u"Friendly"_s},
        // The first matching line decides, even when it yields nothing.
        {{u"ItemName=\"unclosed"_s, u"ItemName=\"Second\""_s}, QString()},
        {{u"Name=NoDot"_s, u"Name=Has.Dot"_s}, QString()},
        // The character after the key goes unseen, quote or not.
        {{u"ItemName=XAbc\"def"_s}, u"Abc"_s},
        {{u"ItemName=\"\""_s}, QString()},
        {{u"Name=.Leading"_s}, QString()},
        {{u"[Public]"_s, u"Description=\"x\""_s}, QString()},
        {{}, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(intake::intNameFromLines(c.lines), c.name) << c.lines.join(u'|').toStdString();
}

TEST(IntName, FileEncodingsAndLineEnds) {
    const QString text = u"[Public]\r\nObject=(ItemName=\"Gr\u00FC\u00DFe\")\r\n"_s;
    QStringEncoder le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    QStringEncoder be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    QStringEncoder utf8Bom(QStringEncoder::Utf8, QStringEncoder::Flag::WriteBom);
    const QList<QByteArray> files{QByteArray(le(text)), QByteArray(be(text)),
                                  QByteArray(utf8Bom(text)), text.toUtf8(), text.toLatin1()};
    for (const QByteArray& bytes : files)
        EXPECT_EQ(intake::intNameFromLines(intake::intFileLines(bytes)), u"Gr\u00FC\u00DFe"_s);
    EXPECT_EQ(intake::intFileLines("a\rb\nc\r\nd\r\n"),
              (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    // A lone surrogate of a damaged UTF-16 file still ends at its line end.
    const QByteArray damaged("\xFF\xFE"
                             "a\0\0\xD8\r\0\n\0b\0",
                             12);
    EXPECT_EQ(intake::intFileLines(damaged), (QStringList{u"a"_s + QChar(0xD800), u"b"_s}));
}

TEST(IntName, ReadIntNameDeletesTheFile) {
    testing_support::TempTree tree;
    testing_support::FakeDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    core.state.TempDir = tree.folder(u"Temp"_s);
    const QString path = tree.file(u"Temp/MutX.int"_s, "ItemName=\"X Mutator\"");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_EQ(intake::ReadIntName(core.context(), u"System\\MutX.int"_s), u"X Mutator"_s);
    EXPECT_FALSE(QFileInfo::exists(path));
    // Nothing there: no name, nothing else touched.
    tree.folder(u"Temp/Folder.int"_s);
    EXPECT_EQ(intake::ReadIntName(core.context(), u"Missing.int"_s), QString());
    EXPECT_EQ(intake::ReadIntName(core.context(), u"Folder.int"_s), QString());
    EXPECT_TRUE(tree.exists(u"Temp/Folder.int"_s));
    // Without a TempDir the working folder is neither read nor cleaned.
    tree.file(u"work/MutY.int"_s, "ItemName=\"Y\"");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tree.path(u"work"_s)));
    core.state.TempDir.clear();
    const QString unset = intake::ReadIntName(core.context(), u"MutY.int"_s);
    QDir::setCurrent(before);
    EXPECT_EQ(unset, QString());
    EXPECT_TRUE(tree.exists(u"work/MutY.int"_s));
}
