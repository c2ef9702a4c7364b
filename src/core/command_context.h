#pragma once

#include "core/globals.h"

namespace platform {
class Dialogs;
class FolderIndex;
class Processes;
class StatusSink;
class Trash;
} // namespace platform
namespace archives {
class TZipMaster;
class TdRar3;
} // namespace archives

/// What every command works with: the program state, the user's dialogs,
/// the status line, the zip and rar components and the platform seams.
/// Core operations take it instead of reaching into widgets, so they run
/// the same under the window and in tests.
struct CommandContext {
    AppState& state;
    platform::Dialogs& dialogs;
    platform::StatusSink& status;
    archives::TZipMaster& zip;
    archives::TdRar3& rar;
    platform::Trash& trash;
    platform::Processes& processes;
    /// Case-insensitive look-ups in the game and cache folders; emptied
    /// when a command starts, kept current by the code that copies or
    /// deletes files there.
    platform::FolderIndex& folders;

    /// Today's date for AddedDate and InstallDate.
    const platform::Clock& clock() const { return state.clock; }
};
