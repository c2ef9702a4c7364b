#pragma once

#include <functional>
#include <utility>

namespace platform {

/// Busy state of a long command: while a guard lives, the window shows the
/// busy cursor, refuses to close and has its page control and menus
/// disabled. Every way out of the command, exceptions included, restores
/// the state the guard found, so a long command that runs another inside
/// it keeps the window busy until the outer one ends.
class BusyGuard {
public:
    /// Switches the window to busy and returns what puts back the state it
    /// found (cursor, page control, menus). May be empty for core code run
    /// without a window.
    using Enter = std::function<std::function<void()>()>;

    BusyGuard(bool& canClose, const Enter& enter) : canClose_(canClose), wasCanClose_(canClose) {
        canClose_ = false;
        if (enter)
            restore_ = enter();
    }
    ~BusyGuard() {
        if (restore_)
            restore_();
        canClose_ = wasCanClose_;
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& canClose_;
    bool wasCanClose_;
    std::function<void()> restore_;
};

} // namespace platform
