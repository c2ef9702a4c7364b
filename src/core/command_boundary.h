#pragma once

#include "platform/busy_guard.h"

#include <QString>

#include <functional>

struct AppState;

// How core code reports what went wrong, in one style:
// - A failure that ends a command is a platform::Error carrying the text
//   the user sees (a record file that cannot be written, a game folder that
//   is not set). It is thrown and reaches the user through the boundary
//   below, in an error box; nothing catches it to read it back later.
// - How one item of a run came out (an archive that failed to extract, a
//   file that could not be copied, a file converted or not) is a value the
//   run returns or collects: archives::ArchiveResult for the zip and rar
//   components, platform::Outcome for a file, the run's own result struct
//   (InstallResult, CacheRunResult, ...) for what it names at its end. The
//   run goes on with the next item.
// The components' own codes (zip 0 = success, rar 10 = end of archive)
// never leave src/archive: archives::ArchiveResult says ok or not.

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
class CommandBoundary {
public:
    enum Kind {
        Quick, ///< runs without the busy state
        Long,  ///< busy cursor, page control and menus disabled, closing refused
    };

    /// `showError` is the general error handler.
    CommandBoundary(AppState& state, std::function<void(const QString&)> showError);

    /// Switches the window to busy and returns what restores it; set by the
    /// window (empty without one).
    platform::BusyGuard::Enter enterBusy;
    /// Called as every command starts, before the busy state, so that a box
    /// it shows never sits over a disabled window (the record file guard).
    /// What it throws ends the command before it began.
    std::function<void()> beforeCommand;
    /// Called as every command starts (the core forgets its folder index).
    std::function<void()> beginCommand;

    /// Runs `command`; true when it ran to its end without an error. While
    /// a long command runs, nothing is run and the answer is false.
    bool run(Kind kind, const std::function<void()>& command);
    /// A long command (or a busy section) is running: input is refused.
    /// When the last one ends, ProgressText is emptied.
    bool busy() const { return busyDepth_ > 0; }
    /// What a busy part of a quick command holds with a platform::BusyGuard:
    /// the window's busy state, and the refusal of input while it lasts.
    platform::BusyGuard::Enter busySection();

private:
    AppState& state_;
    std::function<void(const QString&)> showError_;
    int busyDepth_ = 0;
};
