#pragma once

#include "core/command_context.h"
#include "install/install.h"
#include "platform/busy_guard.h"

#include <QString>
#include <QStringList>

namespace intake {
class TmFileScan;
}

/// Commands on archives and records that neither install nor uninstall:
/// "Delete" (the archive to the trash), "Create Zip" (the installed files
/// of an entry packed into a new archive) and "Mark as installed".
namespace install {

/// Sends the archives of the entries `selected` (as the left list shows
/// them) to the trash, with "  Deleting " + path + " .... Deleted" or
/// "  Operation failed." (maps) / "  Operation failed" (mutators, skins),
/// then runs the map scan (maps) or the mutator scan (mutators and skins),
/// which drops the records of archives now gone. The records themselves
/// are not edited. An entry without a record fails like a missing archive.
/// Returns the entries whose archive did not go, in order.
QStringList DeleteArchives(CommandContext& ctx, intake::TmFileScan& scan,
                           catalogue::ContentKind kind,
                           const QList<catalogue::ListEntry>& selected);

/// Packs the game files recorded for the installed entry `item` into
/// `targetFolder` + "/" + item + ".zip" (bare names, the zip component's
/// level and store suffixes), through the working folder ProgramDir +
/// "/zipdir", which is removed afterwards ("Couldn't remove directory ..."
/// error box when it cannot be). No file found: "Couldn't create
/// zip-file". A zip that cannot be written (a full disk, no right to
/// write, a folder in the way) says "Couldn't create " + its path + " !"
/// and why in an error box, and no part of it stays. An entry with a folder
/// part is looked for under its file name, as the install placed it.
/// Returns true when a zip was made.
/// The window is busy (`enterBusy`, may be empty) only while the zip is
/// packed, and no longer when the error box shows.
/// No record for `item`: platform::Error.
bool CreateZip(CommandContext& ctx, catalogue::ContentKind kind, const catalogue::ListEntry& item,
               const QString& targetFolder, const platform::BusyGuard::Enter& enterBusy = {});

/// Marks the records of the entries `selected` (as the left list shows
/// them) installed today, after the user's confirmation, without touching
/// a game file or sharedfiles.dat. Nothing selected: "  Nothing
/// selected"; "&No": "  Operation canceled". Returns true when the
/// records were marked (the lists are then worth reloading).
bool MarkAsInstalled(CommandContext& ctx, catalogue::ContentKind kind,
                     const QList<catalogue::ListEntry>& selected);

/// MarkAsInstalled's change without its question, for a caller that has
/// asked its own: the records found for `selected` marked installed today.
/// Returns how many were marked; the file is rewritten when any was.
int MarkRecordsInstalled(CommandContext& ctx, catalogue::ContentKind kind,
                         const QList<catalogue::ListEntry>& selected);

} // namespace install
