#pragma once

#include "core/data_lock.h"
#include "platform/busy_guard.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

struct AppState;
namespace platform {
class StatusSink;
}

// How code reports what went wrong: one style per boundary.
// - Every layer: a failure that ends a command is a thrown platform::Error
//   carrying the text the user sees (a record file that cannot be written,
//   a game folder that is not set). It reaches the user through the
//   boundary below, in an error box; nothing catches it to read it back.
// - src/archive, to its callers: archives::ArchiveResult (ok or not, and
//   why). The components' own codes (zip 0 = success, rar 10 = end of
//   archive) never leave src/archive.
// - src/platform, one file operation: platform::Outcome (ok, or why not).
// - A run of core, intake, install or cache, to its caller: its result
//   struct (InstallResult, UninstallResult, CacheRunResult, ScanResult,
//   RedirectResult, ...), returned, holding how each item came out and
//   what the run counted (RunProgress); the run goes on with the next item.
//   What the steps of a run count or collect goes into what the run hands
//   them, never into AppState.
// - A reader of outside bytes that may refuse them: a value that carries
//   the reason (cache::ManifestRead); std::optional only where "nothing"
//   needs no reason. No out-parameters for errors.
// - quorvel-cli: verbs throw cli::Exit (usage errors through cli::usage)
//   or platform::Error; src/cli/main.cpp turns each into text on stderr
//   and an exit code.

/// The one boundary every command handler runs through: an error that
/// ends a command goes to the general error handler (an error box with the
/// error's text) and the program goes on; a long command holds the busy
/// guard, so the window is enabled again on every way out.
///
/// The busy state lives here and is asked here only. While a long command
/// runs, the window is kept painted (core/keep_painted.h) and modal boxes
/// and waits for outside programs run event loops of their own, so a drop,
/// a click or a menu key can reach a handler in the middle of the command;
/// every handler goes through run(), which refuses to start anything while
/// a long command runs. Core logic therefore never checks CanClose to
/// protect itself; CanClose is only the window's answer to a close request.
///
/// A command's body never calls run(): what a command does after another
/// ("Uninstall && Delete" then "Update database", the settings loader's
/// scans) is a plain call inside the body. A quick command that is busy for
/// a part of its work only ("Create Zip" while it packs) hands
/// busySection() to that part, which then counts as a long command.
/// One writer at a time: a command that writes the data folder or the game
/// folders runs as a writer and holds the data folder lock
/// (core/data_lock.h) while it runs, so that a quorvel-cli working on the
/// same folder never writes at the same time; a reader takes none. A writer
/// that finds the lock taken waits up to DataLock::writerWait() with the window busy but
/// painted, then is refused with the busy text in the error box. The lock
/// is let go when the window is back in its event loop with no writer
/// running: the steps of one click (an install and the leftovers moved at
/// its end) hold it without a gap, and an idle window never holds it.
class CommandBoundary {
public:
    enum Kind {
        Quick, ///< runs without the busy state
        Long,  ///< busy cursor, page control and menus disabled, closing refused
    };
    /// What a command does to the data folder and the game folders.
    enum Access {
        Reads,  ///< no lock: another Quorvel may write meanwhile
        Writes, ///< holds the data folder lock while it runs
    };

    /// `showError` is the general error handler.
    CommandBoundary(AppState& state, std::function<void(const QString&)> showError);

    /// Switches the window to busy and returns what restores it; set by the
    /// window (empty without one).
    platform::BusyGuard::Enter enterBusy;
    /// Called as every command starts, after a writer took the lock and
    /// before the busy state, so that a box it shows never sits over a
    /// disabled window (the record file guard, lists reloaded that changed
    /// on disk). What it throws ends the command before it began.
    std::function<void()> beforeCommand;
    /// Where the wait for the lock is told (empty without a window).
    platform::StatusSink* status = nullptr;
    /// Called as every command starts (the core forgets its folder index).
    std::function<void()> beginCommand;

    /// Runs `command`; true when it ran to its end without an error. While
    /// a long command runs, nothing is run and the answer is false. A
    /// writer inside another command that holds the lock uses that lock.
    bool run(Kind kind, Access access, const std::function<void()>& command);
    /// The running command writes from here on, as a writer would: takes
    /// the lock for the rest of it (waiting as run() does) unless held, or
    /// throws platform::Error with the refusal. For what a reader finds it
    /// must write after all (CommandContext::beforeWriting). Outside a
    /// command it does nothing.
    void writeFromHere();
    /// The data folder lock is held (by a running writer, or until the
    /// window is back in its event loop).
    bool lockHeld() const { return lock_.held(); }
    /// The last command run was refused because another Quorvel held the
    /// lock all the time it waited (not for a lock file that cannot be made).
    bool refusedAsBusy() const { return refusedAsBusy_; }
    /// A long command (or a busy section) is running: input is refused.
    bool busy() const { return busyDepth_ > 0; }
    /// What a busy part of a quick command holds with a platform::BusyGuard:
    /// the window's busy state, and the refusal of input while it lasts.
    platform::BusyGuard::Enter busySection();

private:
    /// Takes the lock unless held; throws the refusal.
    void takeLock();
    /// A writer that used the lock ends; the last one lets it go once the
    /// event loop runs again.
    void endLockUse();

    AppState& state_;
    std::function<void(const QString&)> showError_;
    int busyDepth_ = 0;
    DataLock lock_;
    /// Running commands that use the lock.
    int lockUsers_ = 0;
    bool refusedAsBusy_ = false;
    /// Whether the innermost running command uses the lock (null: none runs).
    bool* usesLock_ = nullptr;
    /// The context of the deferred release: gone with the boundary.
    QObject releaser_;
};
