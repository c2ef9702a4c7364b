#pragma once

#include "support/tree_builder.h"

#include <QByteArray>
#include <QStringList>

namespace testing_support {

/// A program named xdg-open, first on PATH while the opener lives: a shell
/// script that logs what it was given and exits with a chosen code. PATH
/// is restored afterwards.
class FakeOpener {
public:
    enum class Mode {
        /// Logs "path|content" of the file as it stood then, and exits.
        LogsContent,
        /// Returns at once, as desktop launchers do, and a second later
        /// logs "path|there" or "path|gone", as the program it started
        /// would find the file.
        LooksASecondLater,
    };
    explicit FakeOpener(TempTree& tree, Mode mode = Mode::LogsContent, int exitCode = 0);
    ~FakeOpener();
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    /// One line per start, in order.
    QStringList opened() const;
    /// Waits (with the event loop running) until `count` lines are logged.
    bool waitForOpened(qsizetype count) const;

private:
    QString log_;
    QByteArray oldPath_;
};

} // namespace testing_support
