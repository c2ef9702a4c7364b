#pragma once

#include "core/command_context.h"

#include <QString>
#include <QStringList>

#include <array>

/// Where the files of an unpacked archive go in the game's folders.
namespace install {

/// The categories of InstallFileList, in list order. The existence check
/// visits them in another order (Textures before KarmaData).
enum InstallCategory : int {
    Animations = 0,
    Maps,
    Music,
    Sounds,
    StaticMeshes,
    KarmaData,
    Textures,
    System,
    CategoryCount
};

/// The names of the extracted files that CheckExistingFiles looks for in
/// the game, one list per category. Lists hold as many names as the
/// archive has.
struct InstallFileList {
    std::array<QStringList, CategoryCount> lists;
};

/// Fills the lists from the files directly in TempDir: .ukx, .ut2, .ogg,
/// .uax, .usx, .utx, .ka, then .u, .int, .ini, .ucl, .upl for System,
/// leaving out the .int files named exactly XMaps.int, XPlayers.int and
/// XWeapons.int.
InstallFileList BuildInstallFileList(CommandContext& ctx);

/// Places the files of one archive. Precondition: the archive is extracted
/// into TempDir and flattened. `archivePath` names the help files
/// (ArchiveStem); the cache passes none. Returns ok: the archive was
/// accepted and the run has placed at least one file so far.
bool PlaceExtractedFiles(CommandContext& ctx, const QString& archivePath);

/// Asks about the listed files that the game already has, and registers
/// the existing ones (maps excepted) in sharedfiles.dat. Returns accepted.
bool CheckExistingFiles(CommandContext& ctx, const InstallFileList& lists);

/// Copies the files of TempDir into the game folders by extension and
/// deletes them from TempDir. A file that cannot be copied is not counted
/// as placed, stays in TempDir and is added to FailedCopies.
void CopyToGameFolders(CommandContext& ctx, bool failIfExists, const QString& archivePath);

/// At the end of a run: names the files of FailedCopies in an error box
/// and empties the list. Nothing when it is empty.
void ReportFailedCopies(CommandContext& ctx);

/// The archive's file name without folder, with four characters deleted
/// from its first "." ("DM-Foo.zip" gives "DM-Foo", "DM-Foo.big.zip"
/// "DM-Foo.zip"), for a zip or rar (by extension, any case); empty for
/// anything else. The help files of an archive are named after it.
QString ArchiveStem(const QString& archivePath);

/// Appends TempDir's `name` to the game's System file of that name, after
/// a ".old" backup; creates the game's file when it has none.
void MergeIntFile(CommandContext& ctx, const QString& name);

} // namespace install
