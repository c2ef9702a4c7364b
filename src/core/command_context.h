#pragma once

#include "core/globals.h"

#include <functional>

namespace platform {
class Dialogs;
class FolderIndex;
class Processes;
class StatusSink;
class Trash;
} // namespace platform
namespace archives {
class ArchiveBackends;
} // namespace archives
struct TContentRecord;

/// What every command works with: the program state, the user's dialogs,
/// the status line, the archive components (one backend per format of
/// archive/archive_formats.h) and the platform seams.
/// Core operations take it instead of reaching into widgets, so they run
/// the same under the window and in tests.
struct CommandContext {
    AppState& state;
    platform::Dialogs& dialogs;
    platform::StatusSink& status;
    archives::ArchiveBackends& backends;
    platform::Trash& trash;
    platform::Processes& processes;
    /// Case-insensitive look-ups in the game and cache folders; emptied
    /// when a command starts, kept current by the code that copies or
    /// deletes files there.
    platform::FolderIndex& folders;
    /// Called by code that may run in a command that only reads, right
    /// before it writes after all (a damaged record file repaired, the
    /// game's cache.ini tidied): the window's command boundary takes the
    /// data folder lock there, or throws the busy text. Empty without one.
    std::function<void()> beforeWriting = {};
    /// Asked before each archive of an install run, with its record and the
    /// run's "Yes to All" (false when the run starts): false refuses the
    /// archive, as refusing an existing file does. Empty: nothing is asked.
    std::function<bool(CommandContext&, const TContentRecord&, bool& yesToAll)> beforeInstall = {};

    /// Today's date for AddedDate and InstallDate.
    const platform::Clock& clock() const { return state.clock; }
};
