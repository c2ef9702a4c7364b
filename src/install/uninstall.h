#pragma once

#include "core/command_context.h"
#include "install/install.h"

#include <QString>
#include <QStringList>

/// The "Uninstall" and "Uninstall && Delete" commands of the Maps,
/// Mutators and Skins pages: the recorded files of each selected installed
/// archive are deleted from the game folders, except those another
/// installed archive still uses, and the records marked not installed.
namespace install {

struct UninstallResult {
    /// False when nothing was selected: the status says so, nothing else
    /// happened.
    bool ran = false;
    /// The closing status line, to be shown after the lists are reloaded.
    QString status;
    /// Entries without an installed record: skipped, named in `status`.
    QStringList skipped;
};

/// Uninstalls the entries `selected` (as the page's right list shows
/// them, in list order), rewrites the page's record file and
/// sharedfiles.dat and, when `deleteArchives`, sends the archives to the
/// trash. The caller reloads the lists, then shows result.status, then
/// (deleting) runs "Update database". Nothing selected: "  No maps
/// selected! Try again." or "  No files selected! Try again.".
///
/// A merged .int file (xplayers, xweapons, xmaps in its name) is never
/// deleted: it holds the game's own entries. The help sweep deletes only
/// this archive's own names (stem + "-" + number + picture extension,
/// stem + "-readme" + text extension).
UninstallResult UninstallArchives(CommandContext& ctx, catalogue::ContentKind kind,
                                  const QList<catalogue::ListEntry>& selected, bool deleteArchives);

} // namespace install
