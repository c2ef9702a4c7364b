#pragma once

#include "core/globals.h"
#include "core/namespaces.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

/// The kinds of content, one descriptor each: every rule that differs
/// between maps, mutators and skins (the words the texts use, the record
/// file, the archive folder, which records the page lists, how the scan
/// judges an archive) is a field here, and code that must tell the kinds
/// apart reads the field instead of asking which kind it has. A new kind is
/// a value of ContentKind and a row of the table (HACKING.md says what else).
namespace core::catalogue {

/// The content pages.
enum class ContentKind { Maps, Mutators, Skins };

/// Where a scan takes a new record's DisplayName from, in the entry of the
/// descriptor's nameExt.
enum class NameSource {
    EntryName,     ///< the entry's name as recorded
    EntryStem,     ///< the entry's file name without its 4-character extension
    IntDescription ///< the description in the .int file, extracted alone
};

/// Which records of its file a scan writes back besides the installed ones.
enum class WriteBackRule {
    /// The kind has its record file alone: records below its folder (any
    /// folder with ScanSubDirs) whose archive is there, and the Cache
    /// page's "cache" records.
    OwnFile,
    /// The kind shares its record file: records below the folders of the
    /// kinds it shares with stay; its own stay while their archive is there.
    SharedFile,
};

/// A record file, as the member of AppState that gives its path.
using RecordFileOf = QString (AppState::*)() const;

struct KindDescriptor {
    ContentKind kind;

    // The words the texts use.
    QStringView page;      ///< the page's name: "Maps"
    QStringView one;       ///< one of it: "map"
    QStringView many;      ///< several: "maps" (also the command line's --kind)
    QStringView counted;   ///< after a count: " map(s)"
    QStringView infoLabel; ///< row 0 of File info: "Mapname : "

    // Its files and folder.
    RecordFileOf recordFile;          ///< the record file's path
    QString AppState::*archiveFolder; ///< where its archives are kept
    bool AppState::*archiveFolderSet; ///< that folder was chosen

    // Its records (TContentRecord::Kind).
    qint32 firstRecordKind; ///< the kinds of record in its file that are its own
    qint32 lastRecordKind;
    qint32 installedKind; ///< what an install gives (one more: archive deleted)

    // Its lists.
    /// The left list names a record by its ArchiveName (else DisplayName).
    bool leftListByArchive;
    /// The left list shows only records of installedKind: a record without
    /// its archive cannot be installed again.
    bool leftListNeedsArchive;
    /// The page narrows its lists to one prefix before the first "-" (the
    /// map filter's game type); their date order is then taken from the
    /// entries shown, so the filter holds, else from all records.
    bool filtered;
    /// The plain box's text when the record file cannot be read.
    QStringView unreadableText;

    // Installing.
    /// An archive's folders are kept while extracting, until the temporary
    /// folder is flattened (else it is extracted flat).
    bool extractKeepsFolders;

    // Uninstalling.
    /// An uninstalled record whose archive is gone stays in the record file,
    /// listed nowhere (else it leaves the file, and with the last archive
    /// of an uninstall its records of other kinds leave too).
    bool keepsRecordWithoutArchive;

    // The status texts of the page's commands.
    QStringView noneSelectedText; ///< "  No maps selected! Try again."
    QStringView deleteFailedText; ///< "  Operation failed."
    /// An uninstall's closing status tells the number of archives and files
    /// (else the name of the last one uninstalled).
    bool uninstallCounts;

    // The scan.
    const char* requiredExt; ///< counted: an archive needs at least one
    const char* nameExt;     ///< the entry that gives the DisplayName
    NameSource nameSource;
    qint32 newRecordKind;   ///< Kind of an accepted new record
    bool nameIsArchiveName; ///< DisplayName of a new record starts as ArchiveName
    /// More than one required entry: the DisplayName is the ArchiveName.
    bool manyRequiredNamesArchive;
    /// No name found in the archive: the DisplayName is the ArchiveName.
    bool archiveNameWhenNameless;
    const char* tooManyText; ///< error.log text of an archive of too many entries
    WriteBackRule writeBack;
};

/// Every kind, in page order.
inline constexpr std::array<ContentKind, 3> AllKinds = {ContentKind::Maps, ContentKind::Mutators,
                                                        ContentKind::Skins};

/// The descriptor of `kind`.
const KindDescriptor& describe(ContentKind kind);

/// The record files of the kinds, each once, in page order (mapdata.dat,
/// somdata.dat): as members of AppState, and as paths.
QList<RecordFileOf> recordFileMembers();
QStringList recordFiles(const AppState& state);
/// The kinds whose records `file` keeps, in page order.
QList<ContentKind> kindsOf(RecordFileOf file);

/// The record file of a page (mapdata.dat for maps, somdata.dat for
/// mutators and skins).
QString recordFile(const AppState& state, ContentKind kind);
/// The record files other kinds keep, each once, without `kind`'s own.
QStringList otherRecordFiles(const AppState& state, ContentKind kind);
/// The folder of `kind`'s archives as set (the setting's value).
QString archiveFolder(const AppState& state, ContentKind kind);

/// The page a record of the record file `file` belongs to: the kind of
/// that file whose record kinds hold `recordKind`, else the file's first
/// kind (mapdata.dat: maps; somdata.dat: skins for Kind 2 to 9, else
/// mutators).
ContentKind kindOfRecord(RecordFileOf file, qint32 recordKind);

} // namespace core::catalogue
