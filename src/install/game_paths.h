#pragma once

#include "core/command_context.h"
#include "platform/file_helpers.h"

#include <QList>
#include <QString>

/// Path helpers shared by the placement steps.
namespace install::detail {

/// A game folder value (ending in "/") resolved ignoring case through the
/// folder index against what its parent holds now, so a folder spelled
/// "Maps" on disk serves for "maps/" even when it appeared after the
/// settings were read. Ends in "/".
QString gameFolder(CommandContext& ctx, const QString& dir);

/// The plain files directly in TempDir (no folders, no links), in the
/// order the listing gives them: by name ignoring case.
QList<platform::FileEntry> tempFiles(CommandContext& ctx);

} // namespace install::detail
