#pragma once

#include <functional>
#include <utility>

namespace platform {

/// Busy state of a long command: while a guard lives, the window shows the
/// busy cursor, refuses to close and has its page control and menus
/// disabled. Every way out of the command, exceptions included, restores it.
class BusyGuard {
public:
    /// `canClose` is cleared for the guard's life; `setBusy` switches the
    /// cursor and the controls (may be empty for core code without a window).
    BusyGuard(bool& canClose, std::function<void(bool)> setBusy)
        : canClose_(canClose), setBusy_(std::move(setBusy)) {
        canClose_ = false;
        if (setBusy_)
            setBusy_(true);
    }
    ~BusyGuard() {
        canClose_ = true;
        if (setBusy_)
            setBusy_(false);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& canClose_;
    std::function<void(bool)> setBusy_;
};

} // namespace platform
