#pragma once

#include "core/command_context.h"
#include "core/content_catalogue.h"

#include <QString>
#include <QStringList>

/// Archives dropped onto the Maps, Mutators or Skins page: copied (never
/// moved, the user's download stays where it is) into the page's
/// configured archive folder, so the next "Update database" records them.
namespace install {

struct DropResult {
    /// The archives copied, by their paths in the page's folder.
    QStringList copied;
    /// "name: reason" for each file not copied, in drop order.
    QStringList refused;
    /// Nothing was looked at: the page has no folder (the box has said so).
    bool noFolder = false;
};

/// The page's configured archive folder (CustomMapDir, MutatorDir or
/// CustomSkinDir), empty when none is set.
QString dropFolder(const AppState& state, catalogue::ContentKind kind);

/// Copies each .zip and .rar of `paths` into the page's folder, asking
/// "<name> already exists in <folder>. Replace it?" (Yes, No, Yes to All)
/// before a file of the same name is replaced; anything else is refused
/// with its reason. A page without a folder refuses the whole drop with an
/// error box naming why and what to do. Each copy goes through a temporary
/// file and a rename, so a full disk never leaves half an archive.
DropResult CopyDroppedArchives(CommandContext& ctx, catalogue::ContentKind kind,
                               const QStringList& paths);

/// The box naming the files a drop refused; nothing when none was.
void ReportRefusedDrops(CommandContext& ctx, const DropResult& result);

} // namespace install
