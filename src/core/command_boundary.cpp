#include "core/command_boundary.h"

#include "core/globals.h"
#include "platform/errors.h"

#include <exception>
#include <optional>

using namespace Qt::Literals::StringLiterals;

CommandBoundary::CommandBoundary(AppState& state, std::function<void(const QString&)> showError)
    : state_(state), showError_(std::move(showError)) {}

platform::BusyGuard::Enter CommandBoundary::busySection() {
    return [this] {
        std::function<void()> restore;
        if (enterBusy)
            restore = enterBusy();
        ++busyDepth_;
        return std::function<void()>([this, restore] {
            // The text of the finished run would otherwise stand before the
            // file names of a later extraction.
            if (--busyDepth_ == 0)
                state_.ProgressText.clear();
            if (restore)
                restore();
        });
    };
}

bool CommandBoundary::run(Kind kind, const std::function<void()>& command) {
    // Input that reached a handler through an event loop inside a long
    // command: the command is not finished, so nothing else may start.
    if (busy())
        return false;
    QString error;
    try {
        if (beforeCommand)
            beforeCommand();
        std::optional<platform::BusyGuard> guard;
        if (kind == Long)
            guard.emplace(state_.CanClose, busySection());
        if (beginCommand)
            beginCommand();
        command();
        return true;
    } catch (const platform::Error& e) {
        error = e.text();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error = u"An unexpected error ended the command."_s;
    }
    // Shown after the busy state is gone, so the box never sits over a
    // disabled window with the busy cursor.
    if (showError_)
        showError_(error);
    return false;
}
