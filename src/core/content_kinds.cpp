#include "core/content_kinds.h"

#include <QStringList>

#include <limits>
#include <optional>

namespace core::catalogue {

namespace {

// Record kinds 2 to 9 are skins in somdata.dat, any other kind below 10 a
// mutator; mapdata.dat lists any kind below 10 (the rejected archives). A
// kind below 0 is never written but read as the readers always did.
constexpr qint32 Lowest = std::numeric_limits<qint32>::min();

const std::array<KindDescriptor, AllKinds.size()> Kinds{{
    {.kind = ContentKind::Maps,
     .page = u"Maps",
     .one = u"map",
     .many = u"maps",
     .counted = u" map(s)",
     .infoLabel = u"Mapname : ",
     .recordFile = &AppState::mapDataPath,
     .archiveFolder = &AppState::CustomMapDir,
     .archiveFolderSet = &AppState::MapDirSet,
     .firstRecordKind = Lowest,
     .lastRecordKind = 9,
     .installedKind = 0,
     .leftListByArchive = true,
     .leftListNeedsArchive = true,
     .filtered = true,
     .unreadableText = u"Map database missing or corrupt",
     .extractKeepsFolders = false,
     .keepsRecordWithoutArchive = true,
     .noneSelectedText = u"  No maps selected! Try again.",
     .deleteFailedText = u"  Operation failed.",
     .uninstallCounts = true,
     .requiredExt = ".ut2",
     .nameExt = ".ut2",
     .nameSource = NameSource::EntryName,
     .newRecordKind = 0,
     .nameIsArchiveName = false,
     .manyRequiredNamesArchive = true,
     .archiveNameWhenNameless = false,
     .tooManyText = " - To many files in Archive. Possibly not a map",
     .writeBack = WriteBackRule::OwnFile},
    {.kind = ContentKind::Mutators,
     .page = u"Mutators",
     .one = u"mutator",
     .many = u"mutators",
     .counted = u" mutator(s)",
     .infoLabel = u"Mutator : ",
     .recordFile = &AppState::modDataPath,
     .archiveFolder = &AppState::MutatorDir,
     .archiveFolderSet = &AppState::MutatorDirSet,
     .firstRecordKind = Lowest,
     .lastRecordKind = 1,
     .installedKind = 0,
     .leftListByArchive = false,
     .leftListNeedsArchive = false,
     .filtered = false,
     .unreadableText = u"Databasefile missing or corrupt",
     .extractKeepsFolders = true,
     .keepsRecordWithoutArchive = false,
     .noneSelectedText = u"  No files selected! Try again.",
     .deleteFailedText = u"  Operation failed",
     .uninstallCounts = false,
     .requiredExt = ".u",
     .nameExt = ".int",
     .nameSource = NameSource::IntDescription,
     .newRecordKind = 0,
     .nameIsArchiveName = true,
     .manyRequiredNamesArchive = false,
     .archiveNameWhenNameless = true,
     .tooManyText = " - To many files in Archive. Install manually.",
     .writeBack = WriteBackRule::SharedFile},
    {.kind = ContentKind::Skins,
     .page = u"Skins",
     .one = u"skin",
     .many = u"skins",
     .counted = u" skin(s)",
     .infoLabel = u"Skin  :  ",
     .recordFile = &AppState::modDataPath,
     .archiveFolder = &AppState::CustomSkinDir,
     .archiveFolderSet = &AppState::SkinDirSet,
     .firstRecordKind = 2,
     .lastRecordKind = 9,
     .installedKind = 2,
     .leftListByArchive = false,
     .leftListNeedsArchive = false,
     .filtered = false,
     .unreadableText = u"Databasefile missing or corrupt",
     .extractKeepsFolders = true,
     .keepsRecordWithoutArchive = false,
     .noneSelectedText = u"  No files selected! Try again.",
     .deleteFailedText = u"  Operation failed",
     .uninstallCounts = false,
     .requiredExt = ".upl",
     .nameExt = ".upl",
     .nameSource = NameSource::EntryStem,
     .newRecordKind = 2,
     .nameIsArchiveName = true,
     .manyRequiredNamesArchive = false,
     .archiveNameWhenNameless = false,
     .tooManyText = " - To many files in Archive. Install manually.",
     .writeBack = WriteBackRule::SharedFile},
}};

} // namespace

const KindDescriptor& describe(ContentKind kind) {
    return Kinds.at(static_cast<size_t>(kind));
}

QList<RecordFileOf> recordFileMembers() {
    QList<RecordFileOf> files;
    for (const ContentKind kind : AllKinds) {
        if (!files.contains(describe(kind).recordFile))
            files.append(describe(kind).recordFile);
    }
    return files;
}

QList<ContentKind> kindsOf(RecordFileOf file) {
    QList<ContentKind> kinds;
    for (const ContentKind kind : AllKinds) {
        if (describe(kind).recordFile == file)
            kinds.append(kind);
    }
    return kinds;
}

QStringList recordFiles(const AppState& state) {
    QStringList paths;
    for (const RecordFileOf file : recordFileMembers())
        paths.append((state.*file)());
    return paths;
}

QString recordFile(const AppState& state, ContentKind kind) {
    return (state.*describe(kind).recordFile)();
}

QStringList otherRecordFiles(const AppState& state, ContentKind kind) {
    const QString own = recordFile(state, kind);
    QStringList files;
    for (const ContentKind other : AllKinds) {
        const QString file = recordFile(state, other);
        if (file != own && !files.contains(file))
            files.append(file);
    }
    return files;
}

QString archiveFolder(const AppState& state, ContentKind kind) {
    return state.*describe(kind).archiveFolder;
}

ContentKind kindOfRecord(RecordFileOf file, qint32 recordKind) {
    std::optional<ContentKind> first;
    for (const ContentKind kind : AllKinds) {
        const KindDescriptor& d = describe(kind);
        if (d.recordFile != file)
            continue;
        if (recordKind >= d.firstRecordKind && recordKind <= d.lastRecordKind)
            return kind;
        if (!first)
            first = kind;
    }
    return first.value_or(ContentKind::Maps);
}

} // namespace core::catalogue
