#include "core/command_boundary.h"

#include "core/globals.h"
#include "core/keep_painted.h"
#include "platform/errors.h"
#include "platform/status_sink.h"

#include <QCoreApplication>
#include <QTimer>

#include <exception>
#include <optional>
#include <utility>

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
            --busyDepth_;
            if (restore)
                restore();
        });
    };
}

void CommandBoundary::takeLock() {
    const QString dir = state_.ProgramDir;
    // No data folder yet: there is nothing another Quorvel could share.
    if (lock_.held() || dir.isEmpty())
        return;
    lock_ = DataLock::acquire(dir, std::chrono::milliseconds(0));
    if (lock_.held())
        return;
    if (lock_.busy()) {
        // Another Quorvel writes: wait a little, busy (input refused, closing
        // too) but painted, and say what is waited for.
        const platform::BusyGuard busy(state_.CanClose, busySection());
        const QString before = status ? status->status() : QString();
        if (status)
            status->setStatus(u"  Waiting for another Quorvel to finish changing its folder"_s);
        KeepPainted paint;
        // As long as the command-line program waits, so both refuse alike.
        lock_ = DataLock::acquire(dir, DataLock::writerWait(), [&paint] { paint(); });
        if (status)
            status->setStatus(before);
    }
    if (!lock_.held()) {
        refusedAsBusy_ = lock_.busy();
        throw platform::Error(lock_.refusal());
    }
}

void CommandBoundary::writeFromHere() {
    if (!usesLock_ || *usesLock_)
        return;
    takeLock();
    *usesLock_ = true;
    ++lockUsers_;
}

void CommandBoundary::endLockUse() {
    if (--lockUsers_ > 0)
        return;
    // Not at once: the next step of the same click (the leftovers moved
    // after an install) follows without another writer slipping in between.
    if (!QCoreApplication::instance()) {
        lock_.release();
        return;
    }
    QTimer::singleShot(0, &releaser_, [this] {
        if (lockUsers_ == 0)
            lock_.release();
    });
}

bool CommandBoundary::run(Kind kind, Access access, const std::function<void()>& command) {
    // Input that reached a handler through an event loop inside a long
    // command: the command is not finished, so nothing else may start.
    if (busy())
        return false;
    refusedAsBusy_ = false;
    bool usesLock = false;
    // Puts back the outer command's flag and ends this one's use of the
    // lock on every way out, before an error box is shown.
    struct Scope {
        Scope(CommandBoundary& b, bool& u, bool* o) : boundary(b), uses(u), outer(o) {}
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        CommandBoundary& boundary;
        bool& uses;
        bool* outer;
        ~Scope() {
            boundary.usesLock_ = outer;
            if (uses)
                boundary.endLockUse();
        }
    };
    std::optional<Scope> scope(std::in_place, *this, usesLock, std::exchange(usesLock_, &usesLock));
    QString error;
    try {
        if (access == Writes)
            writeFromHere();
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
    scope.reset();
    // Shown after the busy state is gone, so the box never sits over a
    // disabled window with the busy cursor.
    if (showError_)
        showError_(error);
    return false;
}
