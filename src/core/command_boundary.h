#pragma once

#include "platform/busy_guard.h"

#include <QString>

#include <functional>

struct AppState;

/// The one boundary every command handler runs through: an error that
/// ends a command goes to the general error handler (an error box with the
/// error's text) and the program goes on; a long command holds the busy
/// guard, so the window is enabled again on every way out.
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
    /// Called as every command starts (the core forgets its folder index).
    std::function<void()> beginCommand;

    /// Runs `command`; true when it ran to its end without an error.
    bool run(Kind kind, const std::function<void()>& command);

private:
    AppState& state_;
    std::function<void(const QString&)> showError_;
};
