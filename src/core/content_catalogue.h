#pragma once

#include "core/content_db.h"
#include "core/content_kinds.h"
#include "core/namespaces.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

/// Every rule about content records, in one place: what the kinds of a
/// record mean, which records each content page lists on which side, how a
/// list entry finds its record, and in which game folder a file of each
/// extension lives. Install, uninstall, maintenance, file info, the cache
/// and the list loaders ask here; none keeps a copy of its own.
namespace core::catalogue {

/// The two lists of a content page: the archives not installed (left) and
/// the installed content (right).
enum class ListSide { NotInstalled, Installed };

/// The values of TContentRecord::Kind. Values 4 to 9 are never written;
/// readers take 2 to 9 as skins and list nothing from 10 on.
namespace record_kind {
/// A map (mapdata.dat) or mutator (somdata.dat) whose archive is on disk.
inline constexpr qint32 Content = 0;
/// As Content, but no archive any more: deleted after the install, or
/// installed from the game's cache without a zip.
inline constexpr qint32 ContentWithoutArchive = 1;
/// A skin whose archive is on disk.
inline constexpr qint32 Skin = 2;
/// A skin whose archive was deleted after the install.
inline constexpr qint32 SkinWithoutArchive = 3;
/// An archive the scan refused; it is also named in error.log.
inline constexpr qint32 Rejected = 10;
} // namespace record_kind

/// ArchiveDir of a record whose archive went to the trash after its install.
inline constexpr QStringView DeletedFromDisk = u"Deleted from disk";
/// ArchiveDir of content installed from the game's cache without a zip.
inline constexpr QStringView FromCache = u"Cache";

/// A record any list may show (Kind below Rejected).
bool isListed(const TContentRecord& r);
/// A skin record of somdata.dat (Kind 2 to 9).
bool isSkin(const TContentRecord& r);
/// A mutator record of somdata.dat (Kind 0 or 1).
bool isMutator(const TContentRecord& r);
/// A record whose archive was deleted or never existed (Kind 1 or 3).
bool isWithoutArchive(const TContentRecord& r);

/// The Kind an install gives the page's records (the descriptor's
/// installedKind: Skin for skins, else Content); one more when the archive
/// then went to the trash.
qint32 installedKind(ContentKind kind, bool archiveDeleted = false);

/// Where a record's archive lies: ArchiveDir + ArchiveName, cut to 150
/// characters as the two fields (100 and 50) allow.
QString archivePathOf(const TContentRecord& r);

/// A map file: its extension is ".ut2", ignoring case.
bool isMapFile(const QString& name);
/// The record file a record made from a cached package belongs in: maps
/// go to mapdata.dat, every other package to somdata.dat.
QString recordFileForPackage(const AppState& state, const QString& packageName);

/// Whether the page's list `side` shows `r`: a listed record of the
/// page's record kinds, Installed = 1 on the right, anything else on the
/// left; the maps' left list only records with their archive (Kind =
/// Content: a map without its archive cannot be installed again).
bool isOnList(const TContentRecord& r, ContentKind kind, ListSide side);

/// The text the list shows for `r`: maps by ArchiveName on the left (the
/// descriptor's leftListByArchive); every other list by DisplayName, or by ArchiveName when
/// DisplayName is empty (a record without a name is still listed under its archive).
QString listEntryOf(const TContentRecord& r, ContentKind kind, ListSide side);

/// One entry of a page's list as the user picked it: its text and how many
/// entries of the same text stand above it in the list (0 for the first).
/// An entry named alone is the first of its name.
struct ListEntry {
    ListEntry(QString entryName, int entryOccurrence = 0) // NOLINT: a name alone is an entry
        : name(std::move(entryName)), occurrence(entryOccurrence) {}
    QString name;
    int occurrence = 0;
    bool operator==(const ListEntry&) const = default;
};

/// The entries `names` in list order, each with its occurrence among equal
/// names of `list` (the whole list as shown) — what a selection of rows
/// means. `rows` are the selected rows of `list`, in list order.
QList<ListEntry> entriesAt(const QStringList& list, const QList<int>& rows);
/// Entries named alone, each the first of its name (occurrence 0).
QList<ListEntry> firstEntries(const QStringList& names);
/// The names of `entries`, in order.
QStringList namesOf(const QList<ListEntry>& entries);

/// The record behind a list entry: the `occurrence`-th record, in file
/// order, that the page's list `side` shows under `name` (equal names keep
/// file order in both list orders). -1 when there is none, as when the
/// record file changed since the list was filled.
qsizetype findRecord(const QList<TContentRecord>& records, ContentKind kind, ListSide side,
                     const QString& name, int occurrence = 0);
qsizetype findRecord(const QList<TContentRecord>& records, ContentKind kind, ListSide side,
                     const ListEntry& entry);

/// findRecord for each of `entries`, all looked up in `records` as they
/// are now: what a selection names before a command changes any of its
/// records (the second of two equal names stays the second when the
/// first leaves the list). An entry naming the record of an earlier one
/// again names the next record of its name (names given alone, each the
/// first, mean the first records of that name in turn). -1 for an entry
/// without a record.
QList<qsizetype> findRecords(const QList<TContentRecord>& records, ContentKind kind, ListSide side,
                             const QList<ListEntry>& entries);

/// The extension table: for each extension the game uses, the game folder
/// (a member of AppState, ending in "/") its files are placed in and
/// removed from, and what else is done with them. Entries stand in the
/// order the placement copies them. Placement, removal, Create Zip, Verify,
/// the redirect folder and the missing-packages check all read it.
struct ExtensionRule {
    QString ext;               ///< lower case, dot included
    QString AppState::*folder; ///< the game folder
    bool extra;                ///< a help file: placed only with "Install extra files"
    /// An Unreal package the game loads by name: a redirect folder serves
    /// it to clients, the missing-packages check looks for it.
    bool package = false;
    /// Before placing, the files that already exist in one folder are asked
    /// about extension by extension, in this order (then in folder order).
    int askRank = 0;
};
const QList<ExtensionRule>& extensionTable();
/// The rule of an extension (dot included, any case); null for one the
/// game does not use.
const ExtensionRule* extensionRule(const QString& ext);
/// A file of an Unreal package extension (see ExtensionRule::package).
bool isPackageFile(const QString& fileName);
/// An installer the program does not run (.ut2mod, .ut4mod, .exe): a scan
/// refuses an archive holding one. `ext` lower case, dot included.
bool isRefusedInstaller(const QString& ext);

/// The extension of a file name from its last ".", dot included; empty
/// when the name has none.
QString extensionOf(const QString& name);
/// True when `name`'s extension equals `ext` ignoring case: "FOO.U" is a
/// ".u" file, "Foo.ukx" and "Foo.u.bak" are not.
bool hasExtension(const QString& name, const QString& ext);

/// The game folder (a value of AppState ending in "/") in which a file of
/// this name lives by its extension, ignoring case; nothing for an
/// extension the game does not use (setup.exe, ...).
std::optional<QString> gameFolderForFile(const AppState& state, const QString& fileName);
/// The same for an extension (dot included, any case).
std::optional<QString> gameFolderForExtension(const AppState& state, const QString& ext);

/// The game file an entry of a recorded file list stands for: its file
/// name alone, since the install flattens the archive's folders ("Maps/
/// DM-Foo.ut2" was placed as "DM-Foo.ut2"). Empty for a folder entry.
QString placedFileName(const QString& entry);

/// A picture the placement names after its archive (stem + "-" + n +
/// ext): .jpg, .gif and .bmp, any case.
bool isNumberedPicture(const QString& name);
/// A readme the placement names after its archive (stem + "-readme" +
/// ext): "readme" with .txt, .doc, .rtf, .htm or .html, any case.
bool isRenamedReadme(const QString& name);

/// A .int file the install appends to the game's own file of that name
/// (its lower-case name holds "xplayers", "xweapons" or "xmaps"), never
/// copied over it and never deleted by an uninstall.
bool isMergedInt(const QString& name);

} // namespace core::catalogue
