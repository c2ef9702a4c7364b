#pragma once

#include "core/command_context.h"

#include <QString>

/// The scratch folder TempDir between an extraction and its placement, and
/// the one undoable delete of user files. Intake, install and the cache
/// all extract into TempDir, so these live below them.
namespace core {

/// One pass of moving the contents of TempDir's subfolders up into
/// TempDir (at most 10 subfolders a pass). True when TempDir had no
/// subfolder or the pass could change nothing; callers repeat until true.
bool FlattenTempFolder(CommandContext& ctx);

/// Moves every entry left in TempDir into ProgramDir + "/ToBeMoved/".
/// True when the last move succeeded; false when there was nothing to move.
bool MoveLeftovers(CommandContext& ctx);

/// Sends one file to the desktop trash. False for a missing file.
bool MoveToRecycleBin(CommandContext& ctx, const QString& path);

} // namespace core
