#pragma once

#include <QString>

/// How a run of quorvel-cli meets the outside world's requests: an output
/// folder that is not there yet, and Ctrl-C or a SIGTERM.
namespace cli {

/// `folder` made with its parents when missing; cli::Exit (NotAllDone)
/// naming it when that is not possible or it is no folder.
void makeOutputFolder(const QString& folder, const QString& option);

/// SIGINT and SIGTERM are noted from here on instead of ending the
/// program at once: a run stops between two archives (or files), so the
/// one in progress finishes, and then ends through the usual clean-up
/// (temporary files and locks removed) with 128 + the signal's number.
void watchInterrupts();
/// The signal that asked the run to stop; 0 while none did.
int interruptSignal();

/// Thrown between two items of a run once a signal asked it to stop.
struct Interrupted {
    int signal;
};
/// Throws Interrupted when a signal asked the run to stop.
void stopIfInterrupted();

/// "Stopped by SIGINT: ..." for the signal.
QString interruptedText(int signal);

} // namespace cli
