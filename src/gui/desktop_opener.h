#pragma once

#include "platform/process.h"

#include <QObject>
#include <QString>

class CommandBoundary;
namespace platform {
class Dialogs;
}

/// Hands a file or an outside address to the desktop's program for it,
/// through xdg-open (package xdg-utils), without waiting for that program:
/// desktop launchers return at once and the program reads the file a
/// moment later, while without a desktop xdg-open runs the program until it
/// ends. When xdg-open is missing or reports a failure, a box names the
/// target, the reason and what to do instead; it waits until no long
/// command holds the window, so it never sits over a busy window.
class DesktopOpener : public QObject {
    Q_OBJECT
public:
    DesktopOpener(platform::Dialogs& dialogs, CommandBoundary& commands, QObject* parent = nullptr);

    /// Starts xdg-open on `target` (a local path or an address). `advice`
    /// ends the box of a failure: what the user can do instead.
    void open(const QString& target, const QString& advice);

    /// Why xdg-open did not open its target, from how it ended (its exit
    /// codes as xdg-utils documents them); empty when it did.
    static QString problemText(const platform::ProcessEnd& end);
    /// The box of a failure.
    static QString failureText(const QString& target, const QString& problem,
                               const QString& advice);

private:
    void report(const QString& text);

    platform::Dialogs& dialogs_;
    CommandBoundary& commands_;
};
