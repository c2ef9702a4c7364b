#pragma once

#include "core/command_context.h"
#include "platform/file_helpers.h"

#include <QList>
#include <QString>

/// Path helpers shared by the placement steps.
namespace install::detail {

/// The extension of a file name from its last ".", dot included; empty
/// when the name has no ".".
QString extensionOf(const QString& name);

/// True when `name`'s extension equals `ext` ignoring case: "FOO.U" is a
/// ".u" file, "Foo.ukx" and "Foo.u.bak" are not.
bool hasExtension(const QString& name, const QString& ext);

/// A game folder value (ending in "/") resolved ignoring case through the
/// folder index against what its parent holds now, so a folder spelled
/// "Maps" on disk serves for "maps/" even when it appeared after the
/// settings were read. Ends in "/".
QString gameFolder(CommandContext& ctx, const QString& dir);

/// The plain files directly in TempDir (no folders, no links), in the
/// order the listing gives them: by name ignoring case.
QList<platform::FileEntry> tempFiles(CommandContext& ctx);

} // namespace install::detail
